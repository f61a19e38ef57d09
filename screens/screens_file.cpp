#include "screens/screens_file.h"

#include <yaml-cpp/depthguard.h>
#include <yaml-cpp/yaml.h>

#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <set>

#include "screens/cell_text.h"
#include "screens/glyph_plan.h"

namespace quillon::screens {

const screen_spec* screens_file::find(std::string_view name) const {
    for (const screen_spec& s : screens) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

namespace {

// The first problem, where it is: the file is refused whole.
struct refusal {
    int line;  // from 1; 0: none known
    std::string reason;
};

int line_of(const YAML::Node& node, int fallback = 0) {
    const YAML::Mark mark = node.Mark();
    return mark.is_null() ? fallback : mark.line + 1;
}

[[noreturn]] void refuse(const YAML::Node& node, std::string reason, int fallback = 0) {
    throw refusal{line_of(node, fallback), std::move(reason)};
}

std::string in_quotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The keys of a map, each once and each one of `known`; `what` names the map in messages.
std::map<std::string, YAML::Node> keys_of(const YAML::Node& map, std::string_view what,
                                          std::initializer_list<std::string_view> known) {
    std::map<std::string, YAML::Node> found;
    for (const auto& entry : map) {
        const std::string key = entry.first.Scalar();
        bool allowed = false;
        for (const std::string_view k : known) allowed = allowed || k == key;
        if (!allowed) {
            std::string list;
            for (const std::string_view k : known)
                list += (list.empty() ? "" : ", ") + std::string(k);
            refuse(entry.first,
                   "unknown key " + in_quotes(key) + ": " + std::string(what) + " takes " + list);
        }
        if (!found.emplace(key, entry.second).second) {
            refuse(entry.first, "the key " + in_quotes(key) + " is given twice");
        }
    }
    return found;
}

const std::string& scalar(const YAML::Node& node, std::string_view what, int fallback) {
    if (!node.IsScalar()) refuse(node, std::string(what) + " is a text", fallback);
    return node.Scalar();
}

double number(const YAML::Node& node, std::string_view what, int fallback) {
    const std::string& text = node.IsScalar() ? node.Scalar() : std::string();
    double value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        refuse(node, std::string(what) + " is a number, not " + in_quotes(text), fallback);
    }
    return value;
}

int whole_number(const YAML::Node& node, std::string_view what, int low, int high, int fallback) {
    const std::string& text = node.IsScalar() ? node.Scalar() : std::string();
    int value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high) {
        refuse(node,
               std::string(what) + " is a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not " + in_quotes(text),
               fallback);
    }
    return value;
}

bool yes_or_no(const YAML::Node& node, std::string_view what, int fallback) {
    bool value = false;
    if (!node.IsScalar() || !YAML::convert<bool>::decode(node, value)) {
        refuse(node, std::string(what) + " is on or off, not " + in_quotes(node.Scalar()),
               fallback);
    }
    return value;
}

display::glyph glyph_of(const YAML::Node& node, const std::string& name) {
    const std::string what = "the glyph " + in_quotes(name);
    if (!node.IsSequence() || node.size() != 8) {
        refuse(node, what + " is a list of 8 rows of 5 dots (\"#\" lit, \".\" dark)");
    }
    display::glyph dots{};
    for (std::size_t r = 0; r < 8; ++r) {
        const YAML::Node row = node[r];
        const std::string& text = scalar(row, what + "'s rows", line_of(node));
        int value = 0;
        const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.size() == 5 && text.find_first_not_of("#.") == std::string::npos) {
            for (const char c : text)
                dots[r] = static_cast<std::uint8_t>(dots[r] << 1 | (c == '#'));
        } else if (!text.empty() && problem == std::errc{} && end == text.data() + text.size() &&
                   value >= 0 && value <= 31) {
            dots[r] = static_cast<std::uint8_t>(value);
        } else {
            refuse(row,
                   "row " + std::to_string(r + 1) + " of " + what +
                       " is 5 of \"#\" and \".\", or a number 0-31, not " + in_quotes(text),
                   line_of(node));
        }
    }
    return dots;
}

class reader {
  public:
    reader(const display_kind& kind) : kind_(kind), grid_(text_grid(kind)) { file_.kind = kind; }

    screens_file read(const YAML::Node& root) {
        if (!root.IsMap())
            refuse(root, "the file is a map with a list of screens under screens:", 1);
        const auto keys = keys_of(root, "the file", {"placeholder", "glyphs", "screens"});
        file_.placeholder = typed_cells(kind_, default_placeholder, false);
        if (keys.contains("placeholder")) {
            file_.placeholder =
                typed_cells(kind_, scalar(keys.at("placeholder"), "placeholder", 1), false);
        }
        if (keys.contains("glyphs")) read_glyphs(keys.at("glyphs"));
        if (!keys.contains("screens"))
            refuse(root, "no screens: the file lists them under screens:", 1);
        const YAML::Node& list = keys.at("screens");
        if (!list.IsSequence() || list.size() == 0) {
            refuse(list, "screens is a list of at least one screen", line_of(root));
        }
        std::map<std::string, int> names;
        for (const YAML::Node& node : list) {
            screen_spec s = read_screen(node, line_of(list));
            if (const auto [at, added] = names.emplace(s.name, s.source_line); !added) {
                refuse(node, "a screen named " + in_quotes(s.name) + " is already on line " +
                                 std::to_string(at->second));
            }
            file_.screens.push_back(std::move(s));
        }
        return std::move(file_);
    }

  private:
    void read_glyphs(const YAML::Node& node) {
        if (!node.IsMap()) refuse(node, "glyphs is a map of names to 8 rows of dots", 1);
        if (!has_user_characters(kind_.profile)) {
            refuse(node, "the " + std::string(display::facts(kind_.profile).name) +
                             " profile has no user characters");
        }
        for (const auto& entry : node) {
            const std::string& name = entry.first.Scalar();
            if (name.empty() || name.find_first_of(":{}") != std::string::npos) {
                refuse(entry.first, "a glyph's name has no \":\", \"{\" or \"}\"");
            }
            if (!file_.glyphs.emplace(name, glyph_of(entry.second, name)).second) {
                refuse(entry.first, "the glyph " + in_quotes(name) + " is given twice");
            }
        }
    }

    text_template parse(const YAML::Node& node, std::string_view what, int fallback) {
        const std::string& text = node.IsNull() ? empty_ : scalar(node, what, fallback);
        std::string error;
        auto t = text_template::parse(text, kind_, false, error);
        if (!t) refuse(node, error, fallback);
        for (const std::string& name : t->glyph_names()) {
            if (!file_.glyphs.contains(name)) {
                refuse(node, "{glyph:" + name + "}: glyphs: has no user character of that name",
                       fallback);
            }
        }
        file_.topics.insert(t->topics().begin(), t->topics().end());
        return std::move(*t);
    }

    screen_spec read_screen(const YAML::Node& node, int fallback) {
        if (!node.IsMap()) refuse(node, "a screen is a map with name and lines", fallback);
        const int at = line_of(node, fallback);
        const auto keys =
            keys_of(node, "a screen",
                    {"name", "duration", "priority", "backlight", "placeholder", "lines"});
        screen_spec s;
        s.source_line = at;
        if (!keys.contains("name")) refuse(node, "a screen without a name");
        s.name = scalar(keys.at("name"), "name", at);
        if (s.name.empty()) refuse(keys.at("name"), "a screen's name is not empty", at);
        const std::string what = "screen " + in_quotes(s.name);
        if (keys.contains("duration")) {
            const double seconds = number(keys.at("duration"), "duration", at);
            if (seconds < 0.1 || seconds > 86400) {
                refuse(keys.at("duration"), "duration is from 0.1 to 86400 seconds", at);
            }
            s.duration = std::chrono::milliseconds(std::llround(seconds * 1000));
        }
        if (keys.contains("priority")) {
            s.priority = whole_number(keys.at("priority"), "priority", -1000000, 1000000, at);
        }
        if (keys.contains("backlight"))
            s.backlight = yes_or_no(keys.at("backlight"), "backlight", at);
        s.placeholder = file_.placeholder;
        if (keys.contains("placeholder")) {
            s.placeholder =
                typed_cells(kind_, scalar(keys.at("placeholder"), "placeholder", at), false);
        }
        if (!keys.contains("lines")) refuse(node, what + " has no lines");
        const YAML::Node& lines = keys.at("lines");
        if (!lines.IsSequence()) refuse(lines, "lines is a list", at);
        glyph_needs needs;
        int row = 0;
        for (const YAML::Node& line : lines) {
            line_spec l = read_line(line, line_of(lines, at));
            if (row + l.rows > grid_.rows) {
                refuse(line,
                       what + ": this line would end on row " + std::to_string(row + l.rows) +
                           " of a glass of " + std::to_string(grid_.rows) + " (" +
                           kind_name(kind_) + ")",
                       line_of(lines, at));
            }
            row += l.rows;
            needs.module_big = needs.module_big || (l.kind == widget::big && l.rows == 4);
            needs.big2 = needs.big2 || (l.kind == widget::big && l.rows == 2);
            needs.add_named(l.content.glyph_names());
            if (l.label) needs.add_named(l.label->glyph_names());
            if (needs.fixed() > 8) {
                refuse(line,
                       what + ": with this line its lines need " + std::to_string(needs.fixed()) +
                           " user characters; a module has 8",
                       line_of(lines, at));
            }
            s.lines.push_back(std::move(l));
        }
        return s;
    }

    line_spec read_line(const YAML::Node& node, int fallback) {
        line_spec l;
        l.source_line = line_of(node, fallback);
        if (!node.IsMap()) {
            l.content = parse(node, "a line", fallback);
            return l;
        }
        static constexpr std::array<std::pair<widget, std::string_view>, 4> kinds{
            {{widget::text, "text"},
             {widget::marquee, "marquee"},
             {widget::bar, "bar"},
             {widget::big, "big"}}};
        const std::string_view* name = nullptr;
        for (const auto& [k, n] : kinds) {
            if (!node[std::string(n)]) continue;
            if (name != nullptr) {
                refuse(node, "a line is one of text, marquee, bar and big, not both " +
                                 std::string(*name) + " and " + std::string(n));
            }
            l.kind = k;
            name = &n;
        }
        if (name == nullptr) refuse(node, "a line is text, marquee, bar or big");
        std::map<std::string, YAML::Node> keys;
        switch (l.kind) {
            case widget::text:
                keys = keys_of(node, "a text line", {"text", "align"});
                break;
            case widget::marquee:
                keys = keys_of(node, "a marquee line", {"marquee", "speed", "gap", "align"});
                break;
            case widget::bar:
                keys = keys_of(node, "a bar line", {"bar", "max", "min", "label"});
                break;
            case widget::big:
                keys = keys_of(node, "a big line", {"big", "align", "rows"});
                break;
        }
        const int at = l.source_line;
        l.content = parse(keys.at(std::string(*name)), *name, at);
        if (keys.contains("align")) {
            const std::string& a = scalar(keys.at("align"), "align", at);
            if (a == "left") {
                l.align = alignment::left;
            } else if (a == "right") {
                l.align = alignment::right;
            } else if (a == "center") {
                l.align = alignment::center;
            } else {
                refuse(keys.at("align"), "align is left, right or center, not " + in_quotes(a), at);
            }
        }
        if (keys.contains("speed")) {
            const double speed = number(keys.at("speed"), "speed", at);
            if (speed <= 0 || speed > 50)
                refuse(keys.at("speed"), "speed is above 0 and at most 50 steps a second", at);
            l.step = std::chrono::milliseconds(std::llround(1000 / speed));
        }
        if (keys.contains("gap")) l.gap = whole_number(keys.at("gap"), "gap", 0, 40, at);
        if (keys.contains("max")) l.max = number(keys.at("max"), "max", at);
        if (keys.contains("min")) l.min = number(keys.at("min"), "min", at);
        if (l.kind == widget::bar && !(l.max > l.min)) {
            refuse(keys.contains("max") ? keys.at("max") : node, "a bar's max is above its min",
                   at);
        }
        if (keys.contains("label")) l.label = parse(keys.at("label"), "label", at);
        if (l.kind == widget::big) {
            if (display::facts(kind_.profile).graphic) {
                refuse(node,
                       "big digits are not drawn on the graphic profiles: they have no user "
                       "characters, and their BIG_BEGIN byte starts inverse text");
            }
            // Family A's own big mode needs 4 rows; its symbols are wider than the 2-row digits
            // (HH:MM takes 22 columns there, 15 in 2 rows), so rows: 2 chooses those.
            const bool module_big = kind_.profile != display::profile::hd44780 && grid_.rows == 4;
            l.rows = module_big ? 4 : 2;
            if (keys.contains("rows")) {
                const std::string& rows = scalar(keys.at("rows"), "rows", at);
                if (rows == "2" || (rows == "4" && module_big)) {
                    l.rows = rows[0] - '0';
                } else {
                    refuse(keys.at("rows"),
                           module_big ? "rows is 2 or 4, not " + in_quotes(rows)
                                      : "big digits take 2 rows on the " + kind_name(kind_),
                           at);
                }
            }
        }
        return l;
    }

    display_kind kind_;
    display::display_size grid_;
    screens_file file_;
    const std::string empty_;
};

}  // namespace

read_screens read_screens_file(std::string_view text, std::string_view file_name,
                               const display_kind& kind) {
    auto problem = [&](int line, const std::string& reason) {
        std::string where(file_name);
        if (line > 0) where += ":" + std::to_string(line);
        return read_screens{nullptr, where + ": " + reason};
    };
    try {
        const YAML::Node root = YAML::Load(std::string(text));
        return {std::make_shared<const screens_file>(reader(kind).read(root)), {}};
    } catch (const refusal& r) {
        return problem(r.line, r.reason);
    } catch (const YAML::DeepRecursion& e) {
        // yaml-cpp's own words for this are "bad file".
        return problem(
            e.mark.is_null() ? 0 : e.mark.line + 1,
            "nested too deeply to read (" + std::to_string(e.depth()) + " levels or more)");
    } catch (const YAML::Exception& e) {
        return problem(e.mark.is_null() ? 0 : e.mark.line + 1, e.msg);
    }
}

}  // namespace quillon::screens
