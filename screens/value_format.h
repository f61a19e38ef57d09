// A printf-style format for one value, checked when the screens file is read so that no format
// a user wrote reaches the C library unchecked: literal text, "%%", and exactly one conversion
// %[flags][width][.precision]C with flags from "-+ #0", width and precision of at most two
// digits, and C one of d i o u x X (whole numbers: the value rounded to the nearest), e E f F g G
// (numbers) or s (the value as text). A whole-number conversion gets the "ll" length modifier
// here, so the argument is always of the type the conversion reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon::screens {

class value_format {
  public:
    // The format, or nothing with `error` saying why ("%q is not a conversion ...").
    static std::optional<value_format> parse(std::string_view text, std::string& error);

    // Whether the conversion takes a number (all but s).
    bool numeric() const { return conversion_ != 's'; }
    // A number formatted; nothing when a whole-number conversion cannot hold it (not finite,
    // too large, or negative for o u x X).
    std::optional<std::string> number(double value) const;
    std::string text(std::string_view value) const;

    const std::string& written() const { return written_; }

  private:
    std::string written_;  // as the file wrote it
    std::string format_;   // as it is given to snprintf
    char conversion_ = 's';
};

}  // namespace quillon::screens
