// What a display should show at a time, and when that next changes: the screens of a file in
// rotation, alerts over them, and the messages that others wrote. No clock of its own: every
// call takes the moment it happens at (steady time for durations and times to live, wall time
// for {time:...}), and nothing sleeps.
//
// - Rotation: the screens of the highest priority that has screens take turns in file order,
//   each for its duration. A screen's time stands still while an alert hides it, and it runs on
//   when the alert is gone, so the screen that was there comes back as it was (a marquee where it
//   stopped).
// - screen/set NAME: that screen now, whatever its priority, for its own duration; then the
//   rotation goes on with the next screen of the highest priority after it in file order.
// - line/N (N from 1): row N of the current screen shows that text (a template, left aligned)
//   until another screen is shown; an alert over it does not end it. An empty text gives the row
//   back to the screen's line.
// - Alerts: text (a template, line breaks kept, tags as `send` takes them) or JSON
//   {"text": ..., "ttl": seconds, "priority": n}; ttl defaults to the settings' (10 s), priority
//   to 0. The alert of the highest priority shows (the newest among equals) until its time to
//   live ends; each alert's time runs whether it shows or not. Its values are those of the
//   file's topics (no others are kept); at most 32 alerts are kept, a flood drops the least.
// - A send or raw message shows as the display's own for the foreign ttl (10 s by default):
//   nothing is drawn meanwhile. An alert that arrives ends it at once (its bytes cannot be shown
//   again). After it the screens repaint whole (the caller tells the renderer: foreign()).
// - The backlight switch: the glass is lit when it is on and the screen shown wants light.
//
// Merging: what() is called when the line can take a frame; the changes since the previous
// call (values, alerts, steps of marquees and clocks, rotation) beyond the one drawn are merged,
// and counted.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "screens/frame.h"
#include "screens/layout.h"
#include "screens/screen_spec.h"
#include "screens/text_template.h"
#include "screens/value_store.h"

namespace quillon::screens {

struct moment {
    std::chrono::steady_clock::time_point steady;
    std::chrono::system_clock::time_point wall;
    static moment now() {
        return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
    }
};

struct scheduler_settings {
    std::chrono::milliseconds alert_ttl{10000};
    std::chrono::milliseconds foreign_ttl{10000};
};

struct showing {
    enum class source { screen, alert, foreign, none };
    source from = source::none;
    std::string screen;          // the current screen (also under an alert); empty for none
    std::optional<frame> shown;  // nothing while a send or raw message shows
};

class scheduler {
  public:
    explicit scheduler(const display_kind& kind, scheduler_settings settings = {});

    // The screens (at start, or a file read again): the current screen stays when the new file
    // has one of its name; values of topics the file no longer names are forgotten.
    void load(std::shared_ptr<const screens_file> file, moment now);
    // A file of no screens, as at the start: alerts and messages still show.
    static std::shared_ptr<const screens_file> no_screens(const display_kind& kind);
    const screens_file& file() const { return *file_; }

    // A payload of one of file().topics. Returns whether what shows uses it.
    bool set_value(const std::string& topic, std::string payload);

    // Each returns what is wrong with the request (nothing changes then), or empty.
    std::string show_screen(std::string_view name, moment now);
    std::string set_line(int line, std::string_view text, moment now);
    std::string alert(std::string_view payload, moment now);
    void foreign(moment now);
    void set_backlight(bool on);
    bool backlight() const { return backlight_; }

    // What should show now; rotation and times to live are brought up to `now` first.
    showing what(moment now);
    // When what shows changes next by time alone, from the last what(); nothing when only a
    // request or a value can change it.
    std::optional<std::chrono::steady_clock::time_point> next_change() const;

    std::uint64_t merges() const { return merges_; }

  private:
    using time_point = std::chrono::steady_clock::time_point;
    struct alert_entry {
        text_template text;
        int priority = 0;
        time_point expires;
        std::uint64_t order = 0;
    };

    void advance(time_point to);
    bool hidden() const { return foreign_until_ || !alerts_.empty(); }
    void pause(time_point at);
    void resume(time_point at);
    void start_screen(int index, time_point at);
    int next_screen(int after) const;
    std::optional<time_point> screen_ends() const;
    std::chrono::milliseconds elapsed(time_point at) const;
    const alert_entry* top_alert() const;

    display_kind kind_;
    scheduler_settings settings_;
    std::shared_ptr<const screens_file> file_;
    value_store values_;
    bool backlight_ = true;

    int current_ = -1;
    std::chrono::milliseconds elapsed_before_{0};  // the screen's time before resumed_
    std::optional<time_point> resumed_;            // nothing while hidden
    std::map<int, text_template> overrides_;       // rows from 0
    std::vector<alert_entry> alerts_;
    std::uint64_t alerts_made_ = 0;
    std::optional<time_point> foreign_until_;
    time_point now_{};

    // The last what(): when, and how its content changes with time; changes since.
    std::optional<moment> last_what_;
    std::chrono::milliseconds last_elapsed_{0};
    frame_clocks last_clocks_;
    std::vector<std::string> last_topics_;
    std::uint64_t changes_ = 0;
    std::uint64_t merges_ = 0;
};

}  // namespace quillon::screens
