#include "screens/layout.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "display/big_characters.h"
#include "screens/cell_text.h"
#include "screens/glyph_plan.h"
#include "screens/shapes.h"

namespace quillon::screens {
namespace {

using std::chrono::milliseconds;

long long wall_ms(std::chrono::system_clock::time_point wall) {
    return std::chrono::duration_cast<milliseconds>(wall.time_since_epoch()).count();
}

int start_column(alignment align, int width, int columns) {
    if (width >= columns || align == alignment::left) return 0;
    return align == alignment::right ? columns - width : (columns - width) / 2;
}

// Cells into a row from `column`, cut at the edge.
void put(frame& f, int row, int column, std::string_view cells) {
    for (std::size_t i = 0; i < cells.size() && column < f.grid.columns; ++i, ++column) {
        if (column >= 0) f.at(row, column) = static_cast<std::uint8_t>(cells[i]);
    }
}

void put_aligned(frame& f, int row, std::string_view cells, alignment align) {
    put(f, row, start_column(align, static_cast<int>(cells.size()), f.grid.columns), cells);
}

// A number in a bar's text: the whole text, spaces around it allowed.
std::optional<double> bar_value(std::string_view cells) {
    const auto first = cells.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    const std::string text(cells.substr(first, cells.find_last_not_of(' ') + 1 - first));
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

struct drawing {
    const display_kind& kind;
    frame& f;
    const glyph_plan& plan;
    const std::string& placeholder;
};

void draw_marquee(const drawing& d, const line_spec& line, int row, std::string_view cells,
                  milliseconds elapsed, frame_clocks& clocks) {
    const int columns = d.f.grid.columns;
    if (static_cast<int>(cells.size()) <= columns) {
        put_aligned(d.f, row, cells, line.align);
        return;
    }
    const std::string loop =
        std::string(cells) + std::string(static_cast<std::size_t>(line.gap), ' ');
    const auto length = static_cast<long long>(loop.size());
    auto at = static_cast<std::size_t>((elapsed / line.step) % length);
    for (int column = 0; column < columns; ++column) {
        d.f.at(row, column) = static_cast<std::uint8_t>(loop[at]);
        if (++at == loop.size()) at = 0;
    }
    clocks.steps.push_back(line.step);
}

void draw_bar(const drawing& d, const line_spec& line, int row, std::string_view label,
              std::string_view cells) {
    put(d.f, row, 0, label);
    const int first = static_cast<int>(label.size());
    const int width = d.f.grid.columns - first;
    if (width <= 0) return;
    const auto value = bar_value(cells);
    if (!value) {
        put(d.f, row, first, d.placeholder);
        return;
    }
    const double part = std::clamp((*value - line.min) / (line.max - line.min), 0.0, 1.0);
    const bool partial = d.plan.bar_first >= 0;
    const int steps_per_cell = partial ? bar_steps_per_cell : 1;
    const auto filled = static_cast<int>(std::lround(part * width * steps_per_cell));
    const std::uint8_t full =
        partial ? user_code(d.kind.profile, d.plan.bar_first + bar_steps_per_cell - 1)
                : block_code(d.kind);
    for (int i = 0; i < filled / steps_per_cell; ++i) d.f.at(row, first + i) = full;
    if (const int rest = filled % steps_per_cell; rest > 0) {
        d.f.at(row, first + filled / steps_per_cell) =
            user_code(d.kind.profile, d.plan.bar_first + rest - 1);
    }
}

void draw_big2(const drawing& d, const line_spec& line, int row, std::string_view cells) {
    std::vector<const big2_symbol*> symbols;
    int width = 0;
    for (const char c : cells) {
        const big2_symbol* s = find_big2_symbol(c);
        if (s == nullptr) s = find_big2_symbol(' ');
        if (!symbols.empty() && symbols.back()->spaced && s->spaced) ++width;
        width += s->width;
        symbols.push_back(s);
    }
    int column = start_column(line.align, width, d.f.grid.columns);
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const big2_symbol& s = *symbols[i];
        if (i > 0 && symbols[i - 1]->spaced && s.spaced) ++column;
        if (column + s.width > d.f.grid.columns) return;
        for (int r = 0; r < big2_rows; ++r) {
            for (int c = 0; c < s.width; ++c) {
                const int piece = s.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                d.f.at(row + r, column + c) =
                    piece < 0 ? ' ' : user_code(d.kind.profile, d.plan.big2_first + piece);
            }
        }
        column += s.width;
    }
}

// Family A's big mode: the cells the module itself leaves (display/big_characters.h), and
// where each symbol starts, for the renderer to send BIG_BEGIN ... BIG_END.
void draw_module_big(const drawing& d, const line_spec& line, std::string_view cells) {
    std::vector<std::pair<std::uint8_t, const display::big_symbol*>> symbols;
    int width = -1;
    for (const char c : cells) {
        auto code = static_cast<std::uint8_t>(c);
        if (code >= 'a' && code <= 'z') code = static_cast<std::uint8_t>(code - 'a' + 'A');
        const display::big_symbol* s = display::find_big_symbol(code);
        if (s == nullptr) s = display::find_big_symbol(code = ' ');
        width += s->width + 1;
        symbols.emplace_back(code, s);
    }
    int column = start_column(line.align, std::max(width, 0), d.f.grid.columns);
    for (const auto& [code, s] : symbols) {
        if (column + s->width > d.f.grid.columns) return;
        d.f.big.push_back({column, code});
        for (int r = 0; r < display::big_rows; ++r) {
            for (int c = 0; c < s->width; ++c) {
                d.f.at(r, column + c) =
                    s->cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            }
        }
        column += s->width + 1;
    }
}

bool overridden(const std::map<int, text_template>& overrides, int first, int rows) {
    const auto found = overrides.lower_bound(first);
    return found != overrides.end() && found->first < first + rows;
}

void add_topics(std::vector<std::string>& topics, const text_template& t) {
    for (const std::string& topic : t.topics()) {
        if (std::find(topics.begin(), topics.end(), topic) == topics.end()) topics.push_back(topic);
    }
}

void add_period(frame_clocks& clocks, const text_template& t) {
    if (!t.period()) return;
    clocks.wall_period = std::min(*t.period(), clocks.wall_period.value_or(*t.period()));
}

}  // namespace

std::optional<milliseconds> frame_clocks::next_change(
    milliseconds elapsed, std::chrono::system_clock::time_point wall) const {
    std::optional<milliseconds> next;
    auto take = [&](milliseconds in) { next = std::min(in, next.value_or(in)); };
    for (const milliseconds step : steps) take(step - elapsed % step);
    if (wall_period)
        take(milliseconds(wall_period->count() - wall_ms(wall) % wall_period->count()));
    return next;
}

long long frame_clocks::changes(milliseconds elapsed_from, milliseconds elapsed_to,
                                std::chrono::system_clock::time_point wall_from) const {
    long long count = 0;
    for (const milliseconds step : steps) count += elapsed_to / step - elapsed_from / step;
    if (wall_period) {
        const long long from = wall_ms(wall_from);
        const long long to = from + (elapsed_to - elapsed_from).count();
        count += to / wall_period->count() - from / wall_period->count();
    }
    return count;
}

composed compose_screen(const screens_file& file, const screen_spec& screen,
                        const value_store& values, draw_moment at,
                        const std::map<int, text_template>& overrides, bool backlight) {
    const display_kind& kind = file.kind;
    composed out{frame::blank(text_grid(kind)), {}, {}};
    out.shown.backlight = backlight && screen.backlight;

    glyph_needs needs;
    int row = 0;
    for (const line_spec& line : screen.lines) {
        if (!overridden(overrides, row, line.rows)) {
            needs.module_big = needs.module_big || (line.kind == widget::big && line.rows == 4);
            needs.big2 = needs.big2 || (line.kind == widget::big && line.rows == 2);
            needs.bar = needs.bar || line.kind == widget::bar;
            needs.add_named(line.content.glyph_names());
            if (line.label) needs.add_named(line.label->glyph_names());
        }
        row += line.rows;
    }
    glyph_plan plan = plan_glyphs(needs, kind, file.glyphs);
    for (const auto& [_, text] : overrides) {
        for (const std::string& name : text.glyph_names()) add_glyph(plan, name, kind, file.glyphs);
    }

    const expansion e{values, at.wall, screen.placeholder, plan.named};
    const drawing d{kind, out.shown, plan, screen.placeholder};
    row = 0;
    for (const line_spec& line : screen.lines) {
        const int first = row;
        row += line.rows;
        if (overridden(overrides, first, line.rows)) continue;
        const std::string cells = line.content.expand(kind, e);
        add_topics(out.topics, line.content);
        add_period(out.clocks, line.content);
        switch (line.kind) {
            case widget::text:
                put_aligned(out.shown, first, cells, line.align);
                break;
            case widget::marquee:
                draw_marquee(d, line, first, cells, at.elapsed, out.clocks);
                break;
            case widget::bar:
                draw_bar(d, line, first, line.label ? line.label->expand(kind, e) : "", cells);
                if (line.label) {
                    add_topics(out.topics, *line.label);
                    add_period(out.clocks, *line.label);
                }
                break;
            case widget::big:
                if (line.rows == display::big_rows) {
                    draw_module_big(d, line, cells);
                } else {
                    draw_big2(d, line, first, cells);
                }
                break;
        }
    }
    for (const auto& [r, text] : overrides) {
        if (r >= out.shown.grid.rows) continue;
        put(out.shown, r, 0, text.expand(kind, e));
        add_topics(out.topics, text);
        add_period(out.clocks, text);
    }
    out.shown.glyphs = plan.slots;
    return out;
}

composed compose_alert(const screens_file& file, const text_template& text,
                       const value_store& values, std::chrono::system_clock::time_point wall,
                       bool backlight) {
    const display_kind& kind = file.kind;
    composed out{frame::blank(text_grid(kind)), {}, {}};
    out.shown.backlight = backlight;
    glyph_plan plan;
    for (const std::string& name : text.glyph_names()) add_glyph(plan, name, kind, file.glyphs);
    const std::string cells = text.expand(kind, {values, wall, file.placeholder, plan.named});
    add_topics(out.topics, text);
    add_period(out.clocks, text);

    const auto columns = static_cast<std::size_t>(out.shown.grid.columns);
    int row = 0;
    std::size_t start = 0;
    while (row < out.shown.grid.rows && start <= cells.size()) {
        const std::size_t end = std::min(cells.find(line_break, start), cells.size());
        std::string_view paragraph(cells.data() + start, end - start);
        do {
            std::size_t take = std::min(paragraph.size(), columns);
            if (take < paragraph.size()) {
                // Break at the last space that keeps the row full of whole words.
                const std::size_t space = paragraph.substr(0, columns + 1).rfind(' ');
                if (space != std::string_view::npos && space > 0) take = space;
            }
            put(out.shown, row++, 0, paragraph.substr(0, take));
            paragraph.remove_prefix(take);
            if (!paragraph.empty() && paragraph.front() == ' ') paragraph.remove_prefix(1);
        } while (!paragraph.empty() && row < out.shown.grid.rows);
        start = end + 1;
    }
    out.shown.glyphs = plan.slots;
    return out;
}

}  // namespace quillon::screens
