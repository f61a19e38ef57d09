// How quillon-send speaks: what it was asked for to standard output, warnings, notes and
// failures to standard error, each failure with the exit code it ends the run with.
#pragma once

#include <string>

#include "cli/options.h"

namespace quillon::cli {

// "quillon-send: MESSAGE" on standard error; returns the code.
int fail(exit_code code, const std::string& message);

// "quillon-send: TEXT" on standard error: a warning about the text, which is sent all the same.
void warn(const std::string& text);

// "quillon-send: note: TEXT" on standard error: something the user may want to know.
void note(const std::string& text);

// Every byte to standard output; false when it could not be written.
bool write_output(const std::string& bytes);

// The text to standard output: sent, or a failure that says the output could not be written.
int print(const std::string& text);

}  // namespace quillon::cli
