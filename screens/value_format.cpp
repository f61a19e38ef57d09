#include "screens/value_format.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace quillon::screens {
namespace {

constexpr std::string_view flags = "-+ #0";
constexpr std::string_view conversions = "diouxXeEfFgGs";
constexpr std::string_view signed_whole = "di";
constexpr std::string_view unsigned_whole = "ouxX";

bool digit(char c) { return c >= '0' && c <= '9'; }

// At most two digits at `at`, stepping over them.
bool two_digits_at_most(std::string_view text, std::size_t& at) {
    std::size_t count = 0;
    while (at < text.size() && digit(text[at])) ++at, ++count;
    return count <= 2;
}

template <typename... Argument>
std::string print(const std::string& format, Argument... argument) {
    // The format was checked by parse() and takes exactly these arguments.
    const int length = std::snprintf(nullptr, 0, format.c_str(), argument...);
    if (length <= 0) return {};
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), format.c_str(), argument...);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace

std::optional<value_format> value_format::parse(std::string_view text, std::string& error) {
    value_format f;
    f.written_ = text;
    bool found = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            f.format_ += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            f.format_ += "%%";
            ++i;
            continue;
        }
        const std::size_t start = i++;
        while (i < text.size() && flags.find(text[i]) != std::string_view::npos) ++i;
        bool short_enough = two_digits_at_most(text, i);
        if (i < text.size() && text[i] == '.') {
            ++i;
            short_enough = two_digits_at_most(text, i) && short_enough;
        }
        if (i == text.size() || conversions.find(text[i]) == std::string_view::npos) {
            const std::string_view bad = text.substr(start, i + 1 - start);
            error = "\"" + std::string(bad) +
                    "\" is not a conversion for a value: use one of %d %i %o %u %x %X %e %E %f "
                    "%F %g %G %s";
            return std::nullopt;
        }
        if (!short_enough) {
            error = "\"" + std::string(text.substr(start, i + 1 - start)) +
                    "\": a width or precision has at most two digits";
            return std::nullopt;
        }
        if (found) {
            error = "\"" + std::string(text) + "\" has more than one conversion";
            return std::nullopt;
        }
        found = true;
        f.conversion_ = text[i];
        f.format_ += text.substr(start, i - start);
        if (signed_whole.find(f.conversion_) != std::string_view::npos ||
            unsigned_whole.find(f.conversion_) != std::string_view::npos) {
            f.format_ += "ll";
        }
        f.format_ += f.conversion_;
    }
    if (!found) {
        error = "\"" + std::string(text) + "\" has no conversion such as %.1f";
        return std::nullopt;
    }
    return f;
}

std::optional<std::string> value_format::number(double value) const {
    if (!std::isfinite(value)) return std::nullopt;
    if (signed_whole.find(conversion_) != std::string_view::npos) {
        const double whole = std::round(value);
        if (std::fabs(whole) >= 9.2e18) return std::nullopt;
        return print(format_, static_cast<long long>(whole));
    }
    if (unsigned_whole.find(conversion_) != std::string_view::npos) {
        const double whole = std::round(value);
        if (whole < 0 || whole >= 1.8e19) return std::nullopt;
        return print(format_, static_cast<unsigned long long>(whole));
    }
    if (conversion_ == 's') return std::nullopt;  // text() takes a value for %s
    return print(format_, value);
}

std::string value_format::text(std::string_view value) const {
    if (numeric()) return {};
    const std::string copy(value);
    return print(format_, copy.c_str());
}

}  // namespace quillon::screens
