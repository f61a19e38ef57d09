#include "screens/value_store.h"

namespace quillon::screens {

void value_store::set(const std::string& topic, std::string payload) {
    entries_[topic] = entry{std::move(payload)};
}

void value_store::keep_only(const std::set<std::string, std::less<>>& topics) {
    std::erase_if(entries_, [&](const auto& e) { return !topics.contains(e.first); });
}

const std::string* value_store::payload(const std::string& topic) const {
    const auto found = entries_.find(topic);
    return found == entries_.end() ? nullptr : &found->second.payload;
}

const nlohmann::json* value_store::document(const std::string& topic) const {
    const auto found = entries_.find(topic);
    if (found == entries_.end()) return nullptr;
    const entry& e = found->second;
    if (!e.document) e.document = nlohmann::json::parse(e.payload, nullptr, false);
    return e.document->is_discarded() ? nullptr : &*e.document;
}

}  // namespace quillon::screens
