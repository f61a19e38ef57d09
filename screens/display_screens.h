// One display's screens as the bridge drives them: the scheduler and the renderer together, so
// that every request reaches both where it must (a send or raw message: the renderer's twin takes
// its bytes and the scheduler shows it for its time). No I/O, no thread, no clock: the caller
// reads the file, owns the line and the timer, and passes the moment of each call.
//
// The engine's loop, per display:
//   on a value, alert, screen/set, line/N, backlight: the request, then frame() if the line is
//   free (else later: merging);
//   on a send or raw message: write it, then foreign(bytes);
//   when the line has taken the previous bytes, and at next_change(): frame(), and write what it
//   gives unless empty;
//   after a reconnect or a failed write: forget();
//   after each frame: publish state_json() (retained).
//
// With no screen to show (no file, or none left), what send and raw messages put on the module
// is its own: an alert over it, or the backlight switched, draws it again from the twin, so that
// it comes back when the alert is gone.
#pragma once

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "screens/renderer.h"
#include "screens/scheduler.h"

namespace quillon::screens {

class display_screens {
  public:
    explicit display_screens(const display_kind& kind, scheduler_settings settings = {});

    // The screens file's text, read (at start, or again on SIGHUP): "FILE:LINE: reason" when it
    // is refused, and then the screens running stay as they were. No text and no name: no
    // screens any more.
    std::string load(std::string_view text, std::string_view file_name, moment now);
    // The topics the file's templates name, to subscribe to for values.
    const std::set<std::string, std::less<>>& topics() const { return scheduler_.file().topics; }
    // The screens' names in file order (the choices of a screen select).
    std::vector<std::string> screen_names() const;

    // Requests; each returns what is wrong with it, or empty (scheduler.h says what they do).
    bool value(const std::string& topic, std::string payload) {
        return scheduler_.set_value(topic, std::move(payload));
    }
    std::string alert(std::string_view payload, moment now) {
        return scheduler_.alert(payload, now);
    }
    std::string show_screen(std::string_view name, moment now) {
        return scheduler_.show_screen(name, now);
    }
    std::string set_line(int line, std::string_view text, moment now) {
        return scheduler_.set_line(line, text, now);
    }
    void set_backlight(bool on) {
        scheduler_.set_backlight(on);
        backlight_asked_ = true;
    }
    // Bytes written to the module from elsewhere: a send or raw message.
    void foreign(std::string_view bytes, moment now);
    // The module's state is unknown: the next frame repaints whole.
    void forget() { renderer_.forget(); }

    // The bytes that bring the module to the newest frame (empty: nothing to send).
    std::string frame(moment now);
    std::optional<std::chrono::steady_clock::time_point> next_change() const {
        return scheduler_.next_change();
    }

    // The twin: what the module shows, from exactly the bytes it was sent.
    const display::screen& shown() const { return renderer_.shown(); }
    // {"rows": ["..", ..], "cursor": {"row": r, "column": c, "shown": false}, "backlight": true,
    //  "screen": "main", "showing": "screen" | "alert" | "message" | "none", "merges": n}:
    // rows as UTF-8, a user character as the Braille pattern nearest its dots.
    std::string state_json() const;

  private:
    // A display with no screens to show keeps its own content (what send and raw messages
    // wrote): taken from the twin when an alert or the backlight first changes it, and drawn
    // again when neither does. Character profiles only; nothing before that.
    std::optional<screens::frame> own_content() const;

    display_kind kind_;
    scheduler scheduler_;
    renderer renderer_;
    showing::source showing_ = showing::source::none;
    std::optional<screens::frame> backdrop_;
    bool backlight_asked_ = false;  // the backlight switched: a display's own content drawn too
    std::string screen_;
};

}  // namespace quillon::screens
