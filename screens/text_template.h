// A line's text with fields: {value:TOPIC}, {value:TOPIC:$.json.path}, {value:TOPIC:%.1f},
// {value:TOPIC:$.json.path:%.1f}, {time:%H:%M:%S} and {glyph:NAME}; "{{" and "}}" are braces.
// The text around the fields is typed text (screens/cell_text.h: tags and the charset), turned
// into cells when the template is read. A value not yet seen, a path that does not match, or a
// value that the format cannot take shows the placeholder.
//
// A value: with a path the payload is read as JSON and the value at the path taken; without one
// the payload is the value. Without a format a JSON string shows as its text, a number as JSON
// writes it, true and false as words; null, an object or an array show the placeholder. With a
// format, a number conversion takes a JSON number or a text that is a number, %s any of the
// values above as text.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "screens/display_kind.h"
#include "screens/json_path.h"
#include "screens/time_format.h"
#include "screens/value_format.h"
#include "screens/value_store.h"

namespace quillon::screens {

// The code of each user character a template may name, by name; a name not here shows "?".
using glyph_codes = std::map<std::string, std::uint8_t, std::less<>>;

struct expansion {
    const value_store& values;
    std::chrono::system_clock::time_point wall;
    const std::string& placeholder;  // in cells
    const glyph_codes& glyphs;
};

// The most cells one template gives: a value of any length is cut there.
inline constexpr std::size_t most_cells = 1024;

class text_template {
  public:
    // `keep_breaks`: line breaks in the typed text stay (as cell_text.h's line_break).
    static std::optional<text_template> parse(std::string_view text, const display_kind& kind,
                                              bool keep_breaks, std::string& error);

    // The cells it shows now.
    std::string expand(const display_kind& kind, const expansion& e) const;

    // The topics its values come from, the user characters it names, in order of first use.
    const std::vector<std::string>& topics() const { return topics_; }
    const std::vector<std::string>& glyph_names() const { return glyph_names_; }
    // How often its time fields change; nothing without one.
    std::optional<std::chrono::milliseconds> period() const { return period_; }

  private:
    struct value_field {
        std::string topic;
        std::optional<json_path> path;
        std::optional<value_format> format;
    };
    struct piece {
        std::string cells;  // literal text, or the name of a user character
        std::optional<value_field> value{};
        std::optional<time_format> time{};
        bool glyph = false;
    };
    std::optional<std::string> value_text(const value_field& v, const value_store& values) const;

    std::vector<piece> pieces_;
    std::vector<std::string> topics_;
    std::vector<std::string> glyph_names_;
    std::optional<std::chrono::milliseconds> period_;
};

}  // namespace quillon::screens
