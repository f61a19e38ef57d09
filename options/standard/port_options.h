// The options that pick a port and its rate, worded once from the ports layer's own limits
// (ports::port_count, ports::baud_rates) for every program that takes them.
#pragma once

#include <string>
#include <string_view>

#include "options/option_table.h"

namespace quillon::options {

// --port N: COM1 to COM8 into `port`; `default_words` says what is used without it.
option port_option(int& port, std::string_view default_words, char short_name = 0);

// --baud RATE: one of the rates into `baud`, whose value is the default; `more` follows the
// rates in the help.
option baud_option(int& baud, std::string_view more, char short_name = 0);

// "1200, 2400, 4800 or 9600".
std::string baud_choices();

// A rate from text: true and stored when it is one of the rates.
bool take_baud(std::string_view text, int& baud);

}  // namespace quillon::options
