#include "cli/report.h"

#include <unistd.h>

#include <cstdio>

#include "cli/stream_output.h"

namespace quillon::cli {

int fail(exit_code code, const std::string& message) {
    std::fprintf(stderr, "quillon-send: %s\n", message.c_str());
    return code;
}

void warn(const std::string& text) { std::fprintf(stderr, "quillon-send: %s\n", text.c_str()); }

void note(const std::string& text) {
    std::fprintf(stderr, "quillon-send: note: %s\n", text.c_str());
}

bool write_output(const std::string& bytes) { return write_all(STDOUT_FILENO, bytes); }

int print(const std::string& text) {
    if (write_output(text)) return sent;
    return fail(write_failed, "writing to standard output failed");
}

}  // namespace quillon::cli
