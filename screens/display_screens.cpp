#include "screens/display_screens.h"

#include <nlohmann/json.hpp>

#include "display/charset.h"
#include "screens/screens_file.h"

namespace quillon::screens {

display_screens::display_screens(const display_kind& kind, scheduler_settings settings)
    : kind_(kind), scheduler_(kind, settings), renderer_(kind) {}

std::string display_screens::load(std::string_view text, std::string_view file_name, moment now) {
    if (text.empty() && file_name.empty()) {  // the screens taken away: the module keeps its glass
        scheduler_.load(scheduler::no_screens(kind_), now);
        return {};
    }
    read_screens read = read_screens_file(text, file_name, kind_);
    if (!read.file) return read.error;
    scheduler_.load(std::move(read.file), now);
    return {};
}

std::vector<std::string> display_screens::screen_names() const {
    std::vector<std::string> names;
    for (const screen_spec& s : scheduler_.file().screens) names.push_back(s.name);
    return names;
}

void display_screens::foreign(std::string_view bytes, moment now) {
    backdrop_.reset();
    renderer_.foreign(bytes);
    scheduler_.foreign(now);
}

std::string display_screens::frame(moment now) {
    showing s = scheduler_.what(now);
    if (s.from == showing::source::screen) backdrop_.reset();
    const bool over_own =
        s.from == showing::source::alert &&
        (showing_ == showing::source::none || showing_ == showing::source::foreign);
    const bool relit = s.from == showing::source::none && backlight_asked_ &&
                       lit(kind_.profile, renderer_.shown()) != scheduler_.backlight();
    if (!backdrop_ && (over_own || relit)) backdrop_ = own_content();
    showing_ = s.from;
    screen_ = std::move(s.screen);
    if (s.from == showing::source::none) {
        if (!backdrop_) return {};  // the module keeps what it shows
        backdrop_->backlight = scheduler_.backlight();
        return renderer_.render(*backdrop_);
    }
    return s.shown ? renderer_.render(*s.shown) : std::string();
}

std::optional<frame> display_screens::own_content() const {
    const display::screen& shown = renderer_.shown();
    if (display::facts(kind_.profile).graphic) return std::nullopt;
    screens::frame f = frame::blank(text_grid(kind_));
    if (shown.size != f.grid) return std::nullopt;
    for (int r = 0; r < f.grid.rows; ++r) {
        for (int c = 0; c < f.grid.columns; ++c) {
            const std::uint8_t code = shown.code(r, c);
            std::uint8_t& cell = f.at(r, c);
            if (const auto slot = user_slot(kind_.profile, code)) {
                cell = user_code(kind_.profile, *slot);
                f.glyphs[static_cast<std::size_t>(*slot)] =
                    shown.custom[static_cast<std::size_t>(*slot)];
            } else {
                // What no text may put in a cell (the HD44780's 254) cannot be drawn again.
                cell = text_code(kind_.profile, code) ? code : ' ';
            }
        }
    }
    f.backlight = lit(kind_.profile, shown);
    return f;
}

std::string display_screens::state_json() const {
    const display::screen& s = renderer_.shown();
    const bool graphic = display::facts(kind_.profile).graphic;
    nlohmann::json rows = nlohmann::json::array();
    for (int r = 0; r < s.size.rows; ++r) {
        std::string row;
        for (int c = 0; c < s.size.columns; ++c) {
            const std::uint8_t code = s.code(r, c);
            // The graphic modules' font is ASCII (display/graphic_font.h).
            row += graphic
                       ? std::string(1, code >= 32 && code < 127 ? static_cast<char>(code) : ' ')
                       : display::cell_text(s, code);
        }
        rows.push_back(std::move(row));
    }
    static constexpr const char* sources[] = {"screen", "alert", "message", "none"};
    const nlohmann::json state{
        {"rows", std::move(rows)},
        {"cursor",
         {{"row", s.cursor_row}, {"column", s.cursor_column}, {"shown", s.cursor_shown()}}},
        {"backlight", lit(kind_.profile, s)},
        {"screen", screen_},
        {"showing", sources[static_cast<int>(showing_)]},
        {"merges", scheduler_.merges()},
    };
    // Rows hold only the UTF-8 of the tables; a replacement guards the dump all the same.
    return state.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace quillon::screens
