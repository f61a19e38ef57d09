// quillon-send on Windows: the arguments from the UTF-16 command line, and no virtual display.
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

#include <memory>

#include "cli/platform.h"

namespace quillon::cli::platform {
namespace {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8_of(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(size) - 1);  // without the terminating zero
    return text;
}

struct local_free {
    void operator()(LPWSTR* p) const { LocalFree(p); }
};

}  // namespace

std::vector<std::string> arguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<LPWSTR, local_free> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    // Without the wide command line, the ANSI one is still better than nothing.
    if (!wide) return {argv + 1, argv + argc};
    std::vector<std::string> all;
    for (int i = 1; i < count; ++i) all.push_back(utf8_of(wide.get()[i]));
    return all;
}

// quillon-display, and with it the registration of a running one, is POSIX only.
std::string_view virtual_display_source() { return {}; }

}  // namespace quillon::cli::platform
