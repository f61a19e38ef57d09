// A path into a JSON value, as a template writes it: "$" for the whole value, then ".key" and
// "[n]" steps ("$.sensors[0].celsius"). A key is any text without ".", "[", "]", ":" or "}".
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillon::screens {

class json_path {
  public:
    static std::optional<json_path> parse(std::string_view text, std::string& error);

    // The value at the path, or nullptr when a step does not match.
    const nlohmann::json* find(const nlohmann::json& document) const;

  private:
    std::vector<std::variant<std::string, std::size_t>> steps_;
};

}  // namespace quillon::screens
