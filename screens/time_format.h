// A strftime format for {time:FORMAT}, checked when it is read: every conversion is one that
// C and POSIX define for strftime (with the E and O modifiers where they apply), so the C
// library never meets one it may treat as undefined; %n and %t are refused, a screen's line
// holds no line break or tab.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::screens {

class time_format {
  public:
    static std::optional<time_format> parse(std::string_view text, std::string& error);

    // The wall time in the local time zone, formatted; at most 255 bytes (more gives nothing).
    std::string format(std::chrono::system_clock::time_point wall) const;

    // How often what it shows changes: every second when it shows seconds (%S %T %r %X %c %s),
    // else every minute (a bound for hours, days and the rest; time zones are whole minutes
    // apart from UTC).
    std::chrono::milliseconds period() const { return period_; }

  private:
    std::string format_;
    std::chrono::milliseconds period_{60000};
};

}  // namespace quillon::screens
