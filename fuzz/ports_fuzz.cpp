// Fuzzes the ports file and the registration text: no crash, no sanitizer report; every good
// line written back by the editor reads back the same, target and settings; an edit changes the
// edited port's line and no other, and keeps the settings it does not name; a registration
// names a clean absolute path or nothing, and what a display writes reads back exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ports/ports_file.h"
#include "ports/registration.h"

namespace {

using quillon::ports::parse_ports_file;
using quillon::ports::ports_file_entry;

// The entries of every port but one, without their line numbers (an edit may move them).
std::vector<ports_file_entry> others(std::string_view text, int port) {
    std::vector<ports_file_entry> kept;
    for (ports_file_entry entry : parse_ports_file(text)) {
        if (entry.port == port) continue;
        entry.line = 0;
        kept.push_back(std::move(entry));
    }
    return kept;
}

bool same(const std::vector<ports_file_entry>& a, const std::vector<ports_file_entry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].port != b[i].port || a[i].target != b[i].target ||
            a[i].settings != b[i].settings || a[i].problem != b[i].problem) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (text.find('\0') != std::string_view::npos) return 0;  // no file that holds one is read

    for (const ports_file_entry& entry : parse_ports_file(text)) {
        if (!entry.problem.empty()) continue;
        const auto again = parse_ports_file(
            quillon::ports::mapping_line(entry.port, entry.target, entry.settings));
        if (again.size() != 1 || again[0].target != entry.target ||
            again[0].settings != entry.settings) {
            std::abort();
        }
    }

    // The first byte picks the port; the first line after it is the new target.
    if (size > 1) {
        const int port = 1 + data[0] % 8;
        const std::string_view rest = text.substr(1);
        // A byte-order mark counts only at the very start; an edit that removes the first line
        // could bring one from inside the file to the start.
        if (rest.find("\xEF\xBB\xBF", 1) != std::string_view::npos) return 0;
        const std::string value(rest.substr(0, rest.find('\n')));
        const auto checked = quillon::ports::check_mapping(value);
        const auto* wanted = checked.problem.empty() ? &checked : nullptr;
        // The settings the port's line in force had: an edit keeps those the value leaves out.
        quillon::ports::port_settings before;
        for (const ports_file_entry& entry : parse_ports_file(rest)) {
            if (entry.port == port) before = entry.settings;
        }
        bool had_line = false;
        const std::string edited = quillon::ports::edited_text(rest, port, wanted, had_line);
        if (!same(others(rest, port), others(edited, port))) std::abort();
        std::size_t lines_for_port = 0;
        for (const ports_file_entry& entry : parse_ports_file(edited)) {
            if (entry.port != port) continue;
            ++lines_for_port;
            if (wanted == nullptr || entry.target != wanted->target) std::abort();
            const bool named = wanted->settings.charset || !wanted->cleared.empty();
            if (entry.settings.charset != (named ? wanted->settings.charset : before.charset)) {
                std::abort();
            }
        }
        if (lines_for_port != (wanted != nullptr ? 1u : 0u)) std::abort();
    }

    if (const auto path = quillon::ports::registered_path(text)) {
        if (!path->starts_with('/')) std::abort();
        for (const char c : *path) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) std::abort();
        }
    }
    const std::string path = "/dev/pts/" + std::string(text.substr(0, 16));
    const auto read_back =
        quillon::ports::registered_path(quillon::ports::registration_text(4242, path));
    const bool clean = std::none_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (clean ? read_back != path : read_back.has_value()) std::abort();
    return 0;
}
