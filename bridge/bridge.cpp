#include "bridge/bridge.h"

#include <algorithm>

namespace quillon::bridge {

bridge::bridge(const loaded_settings& loaded)
    : settings_(loaded.chosen), login_{loaded.chosen, loaded.password} {
    status_ = std::make_unique<status_link>(settings_, login_, std::vector<std::string>{});
    for (const display_setting& d : settings_.displays) {
        workers_[d.name] = std::make_unique<display_worker>(settings_, login_, d);
    }
}

void bridge::stop_all(std::vector<std::unique_ptr<display_worker>>& workers) {
    for (auto& worker : workers) worker->request_stop();
    for (auto& worker : workers) worker->stop();
    workers.clear();
}

void bridge::halt(bool say_offline) {
    std::vector<std::unique_ptr<display_worker>> all;
    for (auto& [name, worker] : workers_) all.push_back(std::move(worker));
    workers_.clear();
    stop_all(all);
    if (status_) status_->stop(say_offline);
    status_.reset();
}

void bridge::reload(const loaded_settings& loaded) {
    const broker_login login{loaded.chosen, loaded.password};
    std::vector<std::unique_ptr<display_worker>> leaving;
    std::vector<std::string> retired;
    for (auto it = workers_.begin(); it != workers_.end();) {
        const auto& displays = loaded.chosen.displays;
        const auto kept = std::find_if(displays.begin(), displays.end(),
                                       [&](const auto& d) { return d.name == it->first; });
        if (kept != displays.end() && it->second->serves(loaded.chosen, login, *kept)) {
            it->second->recheck_mapping();
            it->second->take_screens(*kept);
            ++it;
            continue;
        }
        if (kept == displays.end()) retired.push_back(it->first);
        leaving.push_back(std::move(it->second));
        it = workers_.erase(it);
    }
    // Stopped before their successors start: a display given a new rate opens the same port.
    stop_all(leaving);
    if (status_) status_->stop(false);
    settings_ = loaded.chosen;
    login_ = login;
    status_ = std::make_unique<status_link>(settings_, login_, std::move(retired));
    for (const display_setting& d : settings_.displays) {
        if (!workers_.contains(d.name)) {
            workers_[d.name] = std::make_unique<display_worker>(settings_, login_, d);
        }
    }
}

}  // namespace quillon::bridge
