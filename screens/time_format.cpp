#include "screens/time_format.h"

#include <array>
#include <ctime>
#include <mutex>

namespace quillon::screens {
namespace {

constexpr std::string_view plain = "aAbBcCdDeFgGhHIjmMprRsSTuUVwWxXyYzZ%";
constexpr std::string_view after_e = "cCxXyY";
constexpr std::string_view after_o = "deHImMSuUVwWy";
constexpr std::string_view with_seconds = "STrXcs";

}  // namespace

std::optional<time_format> time_format::parse(std::string_view text, std::string& error) {
    time_format f;
    f.format_ = text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        const std::size_t start = i++;
        std::string_view allowed = plain;
        if (i < text.size() && (text[i] == 'E' || text[i] == 'O')) {
            allowed = text[i] == 'E' ? after_e : after_o;
            ++i;
        }
        if (i == text.size() || allowed.find(text[i]) == std::string_view::npos) {
            error = "\"" + std::string(text.substr(start, i + 1 - start)) +
                    "\" is not a time conversion: see strftime(3); %n and %t are not taken";
            return std::nullopt;
        }
        if (with_seconds.find(text[i]) != std::string_view::npos) {
            f.period_ = std::chrono::seconds(1);
        }
    }
    return f;
}

std::string time_format::format(std::chrono::system_clock::time_point wall) const {
    // localtime_r need not read TZ itself (POSIX); tzset does, once for the process.
    static std::once_flag zone_read;
    std::call_once(zone_read, [] { tzset(); });
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return {};
    std::array<char, 256> out{};
    const std::size_t length = std::strftime(out.data(), out.size(), format_.c_str(), &local);
    return {out.data(), length};
}

}  // namespace quillon::screens
