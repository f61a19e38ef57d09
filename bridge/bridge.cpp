#include "bridge/bridge.h"

namespace quillon::bridge {

bridge::bridge(const loaded_settings& loaded)
    : settings_(loaded.chosen), login_{loaded.chosen, loaded.password} {
    start({});
}

void bridge::start(std::vector<std::string> retired) {
    status_ = std::make_unique<status_link>(settings_, login_, std::move(retired));
    for (const display_setting& d : settings_.displays) {
        std::shared_ptr<display_line>& line = lines_[d.name];
        // A new character set needs no new line: the port stays open, DTR stays up.
        if (!line || line->setting().port != d.port || line->setting().baud != d.baud) {
            line = std::make_shared<display_line>(d);
        } else {
            line->recheck_mapping();
        }
        workers_.push_back(std::make_unique<display_worker>(settings_, login_, line, d.charset));
    }
}

void bridge::halt(bool say_offline) {
    // Every display is asked first, so that their messages in progress finish side by side.
    for (auto& worker : workers_) worker->request_stop();
    for (auto& worker : workers_) worker->stop();
    workers_.clear();
    if (status_) status_->stop(say_offline);
    status_.reset();
}

void bridge::reload(const loaded_settings& loaded) {
    halt(false);
    std::vector<std::string> retired;
    for (auto it = lines_.begin(); it != lines_.end();) {
        bool kept = false;
        for (const display_setting& d : loaded.chosen.displays) kept = kept || d.name == it->first;
        if (kept) {
            ++it;
        } else {
            retired.push_back(it->first);
            it = lines_.erase(it);
        }
    }
    settings_ = loaded.chosen;
    login_ = {loaded.chosen, loaded.password};
    start(std::move(retired));
}

}  // namespace quillon::bridge
