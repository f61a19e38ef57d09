// The screens of one display kept on its line by a thread of their own. The display's
// connection thread hands in requests (values, alerts, screen/set, line/N, backlight) and
// returns at once; this thread draws a frame when the line is free and something changed or is
// due (a clock's second, a marquee's step, an alert's end), and publishes the state. A send or
// raw message is written by the connection's thread itself (write_message), in turn with the
// frames, so that the broker's flow control still holds it back while the line is busy.
//
// Never more than one frame per display is in hand: a frame is drawn only once the line has
// sent the previous one, from the newest wanted content, so a slow line merges changes instead
// of queueing them (the state's "merges" counts them). A write returns once the kernel (or a
// network target) has the bytes, long before a UART sends them at 1200 baud: so the line counts
// as busy for the time its bytes take at its rate, ten bits each, from when it was free.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "screens/display_screens.h"

namespace quillon::bridge {

class screens_engine {
  public:
    struct line_access {
        // Writes exactly the bytes; why they were not written, or nothing.
        std::function<std::optional<std::string>(std::string_view)> write;
        // How many times the line has been opened: a new count means the module may have been
        // reset (DTR), and the next frame repaints whole.
        std::function<std::uint64_t()> opens;
        // The state (JSON) to publish, retained.
        std::function<void(const std::string&)> publish_state;
    };

    screens_engine(const screens::display_kind& kind, screens::scheduler_settings settings,
                   int baud, line_access line);
    // stop(), if not done yet.
    ~screens_engine();
    screens_engine(const screens_engine&) = delete;
    screens_engine& operator=(const screens_engine&) = delete;

    // The screens file's text: "FILE:LINE: reason" when it is refused (the running screens
    // stay), else empty. The topics its values come from, for subscribing.
    std::string load(std::string_view text, std::string_view file_name);
    std::set<std::string, std::less<>> topics() const;

    // Requests from the connection's thread; each returns what is wrong with it, or empty.
    void value(const std::string& topic, std::string payload);
    std::string alert(std::string_view payload);
    std::string show_screen(std::string_view name);
    std::string set_line(int line, std::string_view text);
    void set_backlight(bool on);

    // A send or raw message's bytes, written now, in turn with the frames; why not, or nothing.
    std::optional<std::string> write_message(std::string_view bytes);

    // The port was opened anew: the next frame repaints whole.
    void repaint();
    // The connection was made (again): the state is published now, whatever was before.
    void republish_state();

    // The thread ends after the frame it is writing (cancel the line first to end that at
    // once); requests after it change nothing on the line. request_stop returns at once; stop
    // also waits for the thread.
    void request_stop();
    void stop();

  private:
    void run();
    // A request: the change made under the lock, then the thread told; what is wrong, or empty.
    std::string request(
        const std::function<std::string(screens::display_screens&, screens::moment)>& change);
    // After a request: the thread draws when the line is free.
    void poke();
    // The bytes were handed to the line at `at`: it is busy until they have gone out.
    void line_took(std::size_t bytes, std::chrono::steady_clock::time_point at);

    screens::display_screens screens_;
    line_access line_;
    // Held while bytes go to the line, by this thread for a frame and by the connection's for a
    // message, and taken before mutex_: what the twin is fed follows the line's order.
    std::mutex line_mutex_;
    mutable std::mutex mutex_;  // guards screens_ and what follows
    std::condition_variable wake_;
    bool changed_ = true;
    bool stopping_ = false;
    bool state_due_ = true;
    std::uint64_t opens_seen_ = 0;
    std::optional<std::chrono::steady_clock::time_point> retry_at_;
    int baud_;
    std::chrono::steady_clock::time_point line_free_at_{};
    std::chrono::steady_clock::time_point state_published_{};
    std::thread thread_;  // last: it uses everything above
};

}  // namespace quillon::bridge
