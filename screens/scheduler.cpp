#include "screens/scheduler.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <tuple>

#include "screens/cell_text.h"
#include "screens/screens_file.h"

namespace quillon::screens {
namespace {

using std::chrono::milliseconds;

// Alerts kept at most; a flood of long-lived alerts drops the least of them.
constexpr std::size_t most_alerts = 32;
// Rotation steps taken at most in one advance: past that (a caller silent for hours over
// screens of a tenth of a second), the screen due starts afresh at the end.
constexpr int most_steps = 10000;

milliseconds since(std::chrono::steady_clock::time_point from,
                   std::chrono::steady_clock::time_point to) {
    return std::chrono::duration_cast<milliseconds>(to - from);
}

}  // namespace

std::shared_ptr<const screens_file> scheduler::no_screens(const display_kind& kind) {
    auto empty = std::make_shared<screens_file>();
    empty->kind = kind;
    empty->placeholder = typed_cells(kind, default_placeholder, false);
    return empty;
}

scheduler::scheduler(const display_kind& kind, scheduler_settings settings)
    : kind_(kind), settings_(settings), file_(no_screens(kind)) {}

void scheduler::load(std::shared_ptr<const screens_file> file, moment now) {
    advance(now.steady);
    const std::string name = current_ >= 0 ? file_->screens[current_].name : std::string();
    file_ = std::move(file);
    values_.keep_only(file_->topics);
    current_ = -1;
    for (std::size_t i = 0; i < file_->screens.size(); ++i) {
        if (file_->screens[i].name == name) current_ = static_cast<int>(i);
    }
    if (current_ < 0 && !file_->screens.empty()) start_screen(next_screen(-1), now.steady);
    if (current_ < 0) overrides_.clear();
    ++changes_;
}

bool scheduler::set_value(const std::string& topic, std::string payload) {
    if (!file_->topics.contains(topic)) return false;
    values_.set(topic, std::move(payload));
    const bool shown =
        std::find(last_topics_.begin(), last_topics_.end(), topic) != last_topics_.end();
    if (shown) ++changes_;
    return shown;
}

std::string scheduler::show_screen(std::string_view name, moment now) {
    advance(now.steady);
    for (std::size_t i = 0; i < file_->screens.size(); ++i) {
        if (file_->screens[i].name != name) continue;
        start_screen(static_cast<int>(i), now.steady);
        ++changes_;
        return {};
    }
    return "no screen is named \"" + std::string(name) + "\"";
}

std::string scheduler::set_line(int line, std::string_view text, moment now) {
    advance(now.steady);
    if (current_ < 0) return "no screen is shown";
    const int rows = text_grid(kind_).rows;
    if (line < 1 || line > rows) {
        return "line " + std::to_string(line) + ": the glass has lines 1 to " +
               std::to_string(rows);
    }
    if (text.empty()) {
        overrides_.erase(line - 1);
        ++changes_;
        return {};
    }
    std::string error;
    auto t = text_template::parse(text, kind_, false, error);
    if (!t) return error;
    for (const std::string& name : t->glyph_names()) {
        if (!file_->glyphs.contains(name)) return "{glyph:" + name + "}: no such user character";
    }
    overrides_.insert_or_assign(line - 1, std::move(*t));
    ++changes_;
    return {};
}

std::string scheduler::alert(std::string_view payload, moment now) {
    advance(now.steady);
    std::string text(payload);
    milliseconds ttl = settings_.alert_ttl;
    int priority = 0;
    const auto json = nlohmann::json::parse(payload, nullptr, false);
    if (!json.is_discarded() && json.is_object()) {
        if (!json.contains("text") || !json["text"].is_string()) {
            return "an alert in JSON has its text as a string under \"text\"";
        }
        for (const auto& [key, value] : json.items()) {
            if (key == "text") {
                text = value.get<std::string>();
            } else if (key == "ttl") {
                const double seconds = value.is_number() ? value.get<double>() : -1;
                if (!(seconds > 0 && seconds <= 86400)) {
                    return "an alert's ttl is a number of seconds above 0 and at most 86400";
                }
                ttl = milliseconds(std::llround(seconds * 1000));
            } else if (key == "priority") {
                if (!value.is_number_integer() || value.get<long long>() < -1000000 ||
                    value.get<long long>() > 1000000) {
                    return "an alert's priority is a whole number from -1000000 to 1000000";
                }
                priority = value.get<int>();
            } else {
                return "an alert in JSON takes text, ttl and priority, not \"" + key + "\"";
            }
        }
    }
    std::string error;
    auto t = text_template::parse(text, kind_, true, error);
    if (!t) return error;
    for (const std::string& name : t->glyph_names()) {
        if (!file_->glyphs.contains(name)) return "{glyph:" + name + "}: no such user character";
    }
    foreign_until_.reset();
    pause(now.steady);
    if (alerts_.size() == most_alerts) {
        alerts_.erase(
            std::min_element(alerts_.begin(), alerts_.end(), [](const auto& a, const auto& b) {
                return std::tie(a.priority, a.order) < std::tie(b.priority, b.order);
            }));
    }
    alerts_.push_back({std::move(*t), priority, now.steady + ttl, ++alerts_made_});
    ++changes_;
    return {};
}

void scheduler::foreign(moment now) {
    advance(now.steady);
    foreign_until_ = now.steady + settings_.foreign_ttl;
    pause(now.steady);
    ++changes_;
}

void scheduler::set_backlight(bool on) {
    if (on != backlight_) ++changes_;
    backlight_ = on;
}

const scheduler::alert_entry* scheduler::top_alert() const {
    const auto top =
        std::max_element(alerts_.begin(), alerts_.end(), [](const auto& a, const auto& b) {
            return std::tie(a.priority, a.order) < std::tie(b.priority, b.order);
        });
    return top == alerts_.end() ? nullptr : &*top;
}

void scheduler::pause(time_point at) {
    if (!resumed_) return;
    elapsed_before_ += since(*resumed_, at);
    resumed_.reset();
}

void scheduler::resume(time_point at) {
    if (current_ >= 0 && !resumed_ && !hidden()) resumed_ = at;
}

void scheduler::start_screen(int index, time_point at) {
    current_ = index;
    elapsed_before_ = milliseconds(0);
    resumed_.reset();
    overrides_.clear();
    resume(at);
}

int scheduler::next_screen(int after) const {
    const auto& screens = file_->screens;
    const int count = static_cast<int>(screens.size());
    int top = screens.front().priority;
    for (const screen_spec& s : screens) top = std::max(top, s.priority);
    for (int step = 1; step <= count; ++step) {
        const int i = after < 0 ? step - 1 : (after + step) % count;
        if (screens[static_cast<std::size_t>(i)].priority == top) return i;
    }
    return after;
}

std::optional<scheduler::time_point> scheduler::screen_ends() const {
    if (current_ < 0 || !resumed_ || next_screen(current_) == current_) return std::nullopt;
    const milliseconds duration = file_->screens[static_cast<std::size_t>(current_)].duration;
    return *resumed_ + std::max(duration - elapsed_before_, milliseconds(0));
}

milliseconds scheduler::elapsed(time_point at) const {
    return elapsed_before_ + (resumed_ ? since(*resumed_, at) : milliseconds(0));
}

void scheduler::advance(time_point to) {
    to = std::max(to, now_);
    for (int steps = 0;; ++steps) {
        enum class event { none, foreign, alert, screen } which = event::none;
        time_point at = to;
        auto consider = [&](std::optional<time_point> when, event e) {
            if (when && *when <= at) {
                at = *when;
                which = e;
            }
        };
        consider(foreign_until_, event::foreign);
        for (const alert_entry& a : alerts_) consider(a.expires, event::alert);
        consider(screen_ends(), event::screen);
        if (which == event::none) break;
        switch (which) {
            case event::foreign:
                foreign_until_.reset();
                break;
            case event::alert:
                std::erase_if(alerts_, [&](const alert_entry& a) { return a.expires == at; });
                break;
            case event::screen:
                start_screen(next_screen(current_), steps < most_steps ? at : to);
                break;
            case event::none:
                break;
        }
        resume(at);
        ++changes_;
    }
    now_ = to;
}

showing scheduler::what(moment now) {
    advance(now.steady);
    if (last_what_) {
        const milliseconds passed =
            std::max(since(last_what_->steady, now.steady), milliseconds(0));
        changes_ += static_cast<std::uint64_t>(
            last_clocks_.changes(last_elapsed_, last_elapsed_ + passed, last_what_->wall));
    }
    if (changes_ > 1) merges_ += changes_ - 1;
    changes_ = 0;

    showing s;
    if (current_ >= 0) s.screen = file_->screens[static_cast<std::size_t>(current_)].name;
    composed c{frame::blank(text_grid(kind_)), {}, {}};
    c.shown.backlight = backlight_;
    last_elapsed_ = milliseconds(0);
    if (foreign_until_) {
        s.from = showing::source::foreign;
    } else if (const alert_entry* a = top_alert()) {
        s.from = showing::source::alert;
        c = compose_alert(*file_, a->text, values_, now.wall, backlight_);
    } else if (current_ >= 0) {
        s.from = showing::source::screen;
        last_elapsed_ = elapsed(now.steady);
        c = compose_screen(*file_, file_->screens[static_cast<std::size_t>(current_)], values_,
                           {now.wall, last_elapsed_}, overrides_, backlight_);
    }
    if (s.from != showing::source::foreign) s.shown = std::move(c.shown);
    last_what_ = now;
    last_clocks_ = std::move(c.clocks);
    last_topics_ = std::move(c.topics);
    return s;
}

std::optional<std::chrono::steady_clock::time_point> scheduler::next_change() const {
    if (!last_what_) return std::nullopt;
    std::optional<time_point> next;
    auto take = [&](std::optional<time_point> when) {
        if (when) next = std::min(*when, next.value_or(*when));
    };
    take(foreign_until_);
    for (const alert_entry& a : alerts_) take(a.expires);
    take(screen_ends());
    if (const auto in = last_clocks_.next_change(last_elapsed_, last_what_->wall)) {
        take(last_what_->steady + *in);
    }
    return next;
}

}  // namespace quillon::screens
