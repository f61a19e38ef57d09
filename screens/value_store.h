// The latest payload of each topic the screens show, as published (any bytes). A payload is read
// as JSON only when a template's path first asks for it, and only once.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>

namespace quillon::screens {

class value_store {
  public:
    void set(const std::string& topic, std::string payload);
    // Forgets the topics not in `topics` (after the screens file changed).
    void keep_only(const std::set<std::string, std::less<>>& topics);

    // Nothing until the topic was published.
    const std::string* payload(const std::string& topic) const;
    // nullptr until published, or when the payload is no JSON.
    const nlohmann::json* document(const std::string& topic) const;

  private:
    struct entry {
        std::string payload;
        mutable std::optional<nlohmann::json> document{};  // a discarded value: no JSON
    };
    std::map<std::string, entry, std::less<>> entries_;
};

}  // namespace quillon::screens
