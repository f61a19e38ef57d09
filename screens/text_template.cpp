#include "screens/text_template.h"

#include <algorithm>
#include <charconv>

#include "screens/cell_text.h"

namespace quillon::screens {
namespace {

constexpr std::string_view value_field_name = "value:";
constexpr std::string_view time_field_name = "time:";
constexpr std::string_view glyph_field_name = "glyph:";

void add_once(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// A number written as text, spaces around it allowed.
std::optional<double> number_in(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A JSON value as the template shows it without a format; nothing for null, objects, arrays.
std::optional<std::string> json_text(const nlohmann::json& v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
    if (v.is_number()) return v.dump();
    return std::nullopt;
}

}  // namespace

std::optional<text_template> text_template::parse(std::string_view text, const display_kind& kind,
                                                  bool keep_breaks, std::string& error) {
    text_template t;
    std::string typed;  // literal text so far
    auto flush = [&] {
        if (typed.empty()) return;
        t.pieces_.push_back(piece{typed_cells(kind, typed, keep_breaks)});
        typed.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            typed += c;
            ++i;
            continue;
        }
        if (c == '}') {
            error = "a lone \"}\": write \"}}\" for a brace";
            return std::nullopt;
        }
        if (c != '{') {
            typed += c;
            continue;
        }
        const std::size_t close = text.find('}', i);
        if (close == std::string_view::npos) {
            error = "\"" + std::string(text.substr(i)) + "\" has no closing \"}\"";
            return std::nullopt;
        }
        const std::string_view field = text.substr(i + 1, close - i - 1);
        const std::string written = "{" + std::string(field) + "}";
        flush();
        piece p;
        if (field.starts_with(value_field_name)) {
            const std::string_view body = field.substr(value_field_name.size());
            const std::size_t path_at = body.find(":$");
            const std::size_t format_at =
                body.find(":%", path_at == std::string_view::npos ? 0 : path_at);
            value_field v;
            v.topic = body.substr(0, std::min(path_at, format_at));
            if (v.topic.empty()) {
                error = written + " names no topic";
                return std::nullopt;
            }
            if (v.topic.find_first_of("+#") != std::string::npos) {
                error = written + ": a topic with + or # is a filter, not one topic";
                return std::nullopt;
            }
            std::string why;
            if (path_at != std::string_view::npos) {
                const auto path_end = format_at == std::string_view::npos ? body.size() : format_at;
                v.path = json_path::parse(body.substr(path_at + 1, path_end - path_at - 1), why);
                if (!v.path) {
                    error = written + ": " + why;
                    return std::nullopt;
                }
            }
            if (format_at != std::string_view::npos) {
                v.format = value_format::parse(body.substr(format_at + 1), why);
                if (!v.format) {
                    error = written + ": " + why;
                    return std::nullopt;
                }
            }
            add_once(t.topics_, v.topic);
            p.value = std::move(v);
        } else if (field.starts_with(time_field_name)) {
            std::string why;
            p.time = time_format::parse(field.substr(time_field_name.size()), why);
            if (!p.time) {
                error = written + ": " + why;
                return std::nullopt;
            }
            t.period_ = std::min(p.time->period(), t.period_.value_or(p.time->period()));
        } else if (field.starts_with(glyph_field_name)) {
            p.cells = field.substr(glyph_field_name.size());
            p.glyph = true;
            if (p.cells.empty()) {
                error = written + " names no user character";
                return std::nullopt;
            }
            add_once(t.glyph_names_, p.cells);
        } else {
            error = "\"" + written +
                    "\" is not a field: fields are {value:TOPIC}, {time:FORMAT} and "
                    "{glyph:NAME}; write \"{{\" for a brace";
            return std::nullopt;
        }
        t.pieces_.push_back(std::move(p));
        i = close;
    }
    flush();
    return t;
}

std::optional<std::string> text_template::value_text(const value_field& v,
                                                     const value_store& values) const {
    const std::string* payload = values.payload(v.topic);
    if (payload == nullptr) return std::nullopt;
    const nlohmann::json* at = nullptr;
    if (v.path) {
        const nlohmann::json* document = values.document(v.topic);
        at = document == nullptr ? nullptr : v.path->find(*document);
        if (at == nullptr) return std::nullopt;
    }
    if (!v.format) return at != nullptr ? json_text(*at) : *payload;
    if (!v.format->numeric()) {
        const auto text = at != nullptr ? json_text(*at) : *payload;
        if (!text) return std::nullopt;
        return v.format->text(*text);
    }
    std::optional<double> number;
    if (at == nullptr) {
        number = number_in(*payload);
    } else if (at->is_number()) {
        number = at->get<double>();
    } else if (at->is_string()) {
        number = number_in(at->get_ref<const std::string&>());
    }
    if (!number) return std::nullopt;
    return v.format->number(*number);
}

std::string text_template::expand(const display_kind& kind, const expansion& e) const {
    std::string out;
    for (const piece& p : pieces_) {
        if (out.size() >= most_cells) break;
        if (p.value) {
            const auto text = value_text(*p.value, e.values);
            out += text ? value_cells(kind, *text) : e.placeholder;
        } else if (p.time) {
            out += value_cells(kind, p.time->format(e.wall));
        } else if (p.glyph) {
            const auto found = e.glyphs.find(p.cells);
            out += found != e.glyphs.end() ? static_cast<char>(found->second) : '?';
        } else {
            out += p.cells;
        }
    }
    if (out.size() > most_cells) out.resize(most_cells);
    return out;
}

}  // namespace quillon::screens
