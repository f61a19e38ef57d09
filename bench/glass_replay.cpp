// The bytes a display's pseudo-terminal received, replayed on the project's own emulator of the
// module, for bench/screens_bench.py: what the glass showed after each byte, in the form the
// bridge's state topic gives its twin's rows, so that the two can be compared.
//
// Usage: glass_replay PROFILE SIZE [ROM]     (a character profile, e.g. hd44780 20x4 a00)
// Each line on stdin holds bytes in hex (or none). They are fed one at a time, and after each
// byte that changed the rows a line is printed: the rows as a JSON array of UTF-8 strings, each
// cell as display::cell_text gives it. A line "." ends the answer to each input line. At start
// the rows at power-up are printed, then ".".
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "display/charset.h"
#include "display/module.h"

namespace {

using namespace quillon;

std::string rows_json(const display::screen& s) {
    nlohmann::json rows = nlohmann::json::array();
    for (int r = 0; r < s.size.rows; ++r) {
        std::string row;
        for (int c = 0; c < s.size.columns; ++c) row += display::cell_text(s, s.code(r, c));
        rows.push_back(std::move(row));
    }
    return rows.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto profile = argc >= 3 ? display::parse_profile(argv[1]) : std::nullopt;
    const auto size = profile ? display::parse_size(*profile, argv[2]) : std::nullopt;
    const auto rom = argc >= 4 ? display::parse_rom(argv[3]) : display::rom::a00;
    if (!size || !rom || display::facts(*profile).graphic) {
        std::cerr << "usage: glass_replay PROFILE SIZE [ROM] (a character profile)\n";
        return 2;
    }
    const auto module = display::make_module(*profile, *size, *rom);
    display::screen glass;
    module->view(glass);
    std::string shown = rows_json(glass);
    std::cout << shown << "\n.\n" << std::flush;
    std::string line;
    while (std::getline(std::cin, line)) {
        for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
            const int high = hex_digit(line[i]);
            const int low = hex_digit(line[i + 1]);
            if (high < 0 || low < 0) break;
            const char byte = static_cast<char>(high * 16 + low);
            module->feed(std::string_view(&byte, 1));
            module->view(glass);
            std::string now = rows_json(glass);
            if (now != shown) {
                shown = std::move(now);
                std::cout << shown << '\n';
            }
        }
        std::cout << ".\n" << std::flush;
    }
    return 0;
}
