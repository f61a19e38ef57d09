#include "screens/json_path.h"

#include <charconv>

namespace quillon::screens {
namespace {

constexpr std::string_view not_in_keys = ".[]:}";

}  // namespace

std::optional<json_path> json_path::parse(std::string_view text, std::string& error) {
    json_path path;
    auto wrong = [&](std::string_view why) {
        error = "\"" + std::string(text) + "\" is not a JSON path: " + std::string(why);
        return std::nullopt;
    };
    if (text.empty() || text[0] != '$') return wrong("it starts with $");
    std::size_t i = 1;
    while (i < text.size()) {
        if (text[i] == '.') {
            const std::size_t start = ++i;
            while (i < text.size() && not_in_keys.find(text[i]) == std::string_view::npos) ++i;
            if (i == start) return wrong("a key after \".\" is missing");
            path.steps_.emplace_back(std::string(text.substr(start, i - start)));
        } else if (text[i] == '[') {
            const std::size_t close = text.find(']', i);
            if (close == std::string_view::npos) return wrong("\"[\" without \"]\"");
            std::size_t index = 0;
            const char* first = text.data() + i + 1;
            const char* last = text.data() + close;
            const auto [end, problem] = std::from_chars(first, last, index);
            if (first == last || problem != std::errc{} || end != last) {
                return wrong("an index is a whole number, as in [0]");
            }
            path.steps_.emplace_back(index);
            i = close + 1;
        } else {
            return wrong("steps are .key and [n]");
        }
    }
    return path;
}

const nlohmann::json* json_path::find(const nlohmann::json& document) const {
    const nlohmann::json* at = &document;
    for (const auto& step : steps_) {
        if (const auto* key = std::get_if<std::string>(&step)) {
            if (!at->is_object()) return nullptr;
            const auto found = at->find(*key);
            if (found == at->end()) return nullptr;
            at = &*found;
        } else {
            const std::size_t index = std::get<std::size_t>(step);
            if (!at->is_array() || index >= at->size()) return nullptr;
            at = &(*at)[index];
        }
    }
    return at;
}

}  // namespace quillon::screens
