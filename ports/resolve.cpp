#include "ports/resolve.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ports/names.h"
#include "ports/platform.h"
#include "ports/ports_file.h"
#include "ports/registration.h"
#include "serial/network/target.h"

namespace quillon::ports {
namespace {

namespace fs = std::filesystem;

port_mapping unusable(int port, mapping_source source, std::string file, int line,
                      const std::string& why) {
    port_mapping m;
    m.port = port;
    m.source = source;
    m.problem = port_name(port) + ": " + file + (line > 0 ? ":" + std::to_string(line) : "") +
                (line > 0 ? ": " : " ") + why;
    m.file = std::move(file);
    m.line = line;
    return m;
}

std::optional<port_mapping> from_environment(int port) {
    const std::string variable = "QUILLON_" + port_name(port);
    const char* value = std::getenv(variable.c_str());
    if (value == nullptr) return std::nullopt;
    if (value[0] == '\0') {
        return unusable(port, mapping_source::environment, variable, 0,
                        "is set but empty; set it to the port's device path or unset it");
    }
    checked_target checked = check_target(value);
    if (!checked.problem.empty()) {
        port_mapping m = unusable(port, mapping_source::environment, variable, 0, "");
        m.problem = port_name(port) + ": " + variable + ": " + checked.problem;
        return m;
    }
    port_mapping m;
    m.port = port;
    m.target = std::move(checked.target);
    m.source = mapping_source::environment;
    m.file = variable;
    return m;
}

std::optional<port_mapping> from_virtual_display(int port) {
    std::optional<registered_display> display = running_display(port);
    if (!display) return std::nullopt;
    port_mapping m;
    m.port = port;
    m.target = std::move(display->target);
    m.source = mapping_source::virtual_display;
    m.file = std::move(display->file);
    return m;
}

// The last line for the port wins, as in most configuration files; a bad one is kept as bad.
std::optional<port_mapping> from_file(int port, const std::string& path, mapping_source source) {
    const ports_file file = read_ports_file(path);
    if (!file.problem.empty()) return unusable(port, source, path, 0, file.problem);
    std::optional<port_mapping> found;
    for (const ports_file_entry& entry : file.entries) {
        if (entry.port != port) continue;
        if (!entry.problem.empty()) {
            found = unusable(port, source, path, entry.line, entry.problem);
            continue;
        }
        port_mapping m;
        m.port = port;
        m.target = entry.target;
        m.settings = entry.settings;
        m.source = source;
        m.file = path;
        m.line = entry.line;
        found = std::move(m);
    }
    return found;
}

}  // namespace

std::optional<charset::rom> charset_of(const port_mapping& m) {
    return m.settings.charset ? charset::parse_rom(*m.settings.charset) : std::nullopt;
}

port_mapping resolve_port(int port) {
    if (auto m = from_environment(port)) return *m;
    if (auto m = from_virtual_display(port)) return *m;
    if (auto user = user_ports_file()) {
        if (auto m = from_file(port, *user, mapping_source::user_file)) return *m;
    }
    if (auto m = from_file(port, system_ports_file(), mapping_source::system_file)) return *m;
    port_mapping m;
    m.port = port;
    // A display may be running for the port in a folder that cannot be trusted: the port then
    // fails rather than go to a real device the user may never have meant.
    if (const std::string problem = displays_folder_problem(); !problem.empty()) {
        m.problem = port_name(port) + ": " + problem +
                    ": no virtual display there can be trusted, so " + port_name(port) +
                    " does not fall back to " + platform::default_target(port) +
                    " (set XDG_RUNTIME_DIR to a private folder, or map the port)";
        return m;
    }
    m.target = platform::default_target(port);
    return m;
}

std::optional<std::string> user_ports_file() {
    const auto folder = platform::user_config_folder();
    if (!folder) return std::nullopt;
    return (fs::path(*folder) / "quillon" / "ports.conf").string();
}

std::string system_ports_file() {
    return (fs::path(platform::system_config_folder()) / "quillon" / "ports.conf").string();
}

std::vector<std::string> unmapped_serial_devices(const std::string& root_folder) {
    const fs::path root(root_folder);
    const auto identity = [&](const std::string& path) {
        const std::string device = platform::native_device(path).value_or(path);
        std::error_code failure;
        const fs::path inside = root / fs::path(device).relative_path();
        fs::path resolved = fs::weakly_canonical(inside, failure);
        return failure ? inside.string() : resolved.string();
    };
    std::vector<std::string> seen;
    for (int port = 1; port <= port_count; ++port) {
        const port_mapping m = resolve_port(port);
        if (m.problem.empty() && !serial::network::is_network_path(m.target)) {
            seen.push_back(identity(m.target));
        }
    }
    std::vector<std::string> unmapped;
    for (const std::string& device : platform::serial_devices_present(root_folder)) {
        const std::string id = identity(device);
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        unmapped.push_back(device);
    }
    return unmapped;
}

}  // namespace quillon::ports
