#include "serial/port_map.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "serial/network/target.h"
#include "serial/port_backend.h"

namespace quillon::serial {
namespace {

namespace fs = std::filesystem;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string port_name(int port) { return "COM" + std::to_string(port); }

// Calls fn(number, line) for each line of the text, numbered from 1, without its line break.
template <typename Function>
void for_each_line(std::string_view text, Function fn) {
    for (int number = 1; !text.empty(); ++number) {
        const auto end = text.find('\n');
        fn(number, text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "'" + std::string(...).
std::string quoted(std::string_view text) {
    std::string out(1, '\'');
    out.append(text);
    out.push_back('\'');
    return out;
}

// The last line for the port wins, as in most configuration files; a bad one is kept as bad.
std::optional<port_mapping> from_file(int port, const std::string& file, mapping_source source) {
    const std::optional<std::string> text = read_file(file);
    if (!text) return std::nullopt;
    std::optional<port_mapping> found;
    for (const ports_file_entry& entry : parse_ports_file(*text)) {
        if (entry.port != port) continue;
        port_mapping m;
        m.port = port;
        m.source = source;
        m.file = file;
        m.line = entry.line;
        if (entry.problem.empty()) {
            m.target = entry.target;
        } else {
            m.problem = port_name(port) + ": " + file + ":" + std::to_string(entry.line) + ": " +
                        entry.problem;
        }
        found = m;
    }
    return found;
}

std::optional<port_mapping> from_virtual_display(int port) {
    const std::string registration = virtual_display_registration(port);
    const std::optional<std::string> text = read_file(registration);
    if (!text) return std::nullopt;
    // "PID PATH": the display's process and the pseudo-terminal it serves.
    std::istringstream fields(*text);
    long pid = 0;
    std::string path;
    if (!(fields >> pid >> path) || !backend::process_is_running(pid)) return std::nullopt;
    port_mapping m;
    m.port = port;
    m.target = path;
    m.source = mapping_source::virtual_display;
    m.file = registration;
    return m;
}

}  // namespace

int com_port_number(std::string_view name) {
    if (name.size() != 4) return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return 0;
    }
    return name[3] >= '1' && name[3] <= '8' ? name[3] - '0' : 0;
}

bool is_network_target(std::string_view target) { return network::is_network_path(target); }

std::optional<std::string> target_problem(std::string_view target) {
    if (network::is_network_path(target)) {
        if (network::parse_target(target)) return std::nullopt;
        for (const std::string_view scheme : {"tcp://", "rfc2217://"}) {
            if (target.starts_with(scheme)) {
                return quoted(target) + " needs a host and a port from 1 to 65535 (" +
                       std::string(scheme) + "HOST:PORT)";
            }
        }
        return quoted(target) + " has an unknown scheme (tcp:// or rfc2217://)";
    }
    if (!backend::is_absolute_device_path(target)) {
        return quoted(target) +
               " is not an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT";
    }
    return std::nullopt;
}

std::vector<ports_file_entry> parse_ports_file(std::string_view text) {
    std::vector<ports_file_entry> entries;
    for_each_line(text, [&](int number, std::string_view line) {
        if (const auto hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        line = trimmed(line);
        if (line.empty()) return;
        ports_file_entry entry;
        entry.line = number;
        const auto equals = line.find('=');
        // Without "=", the first word is the port the line meant.
        const auto name_end = equals != std::string_view::npos ? equals : line.find_first_of(" \t");
        const std::string_view name = trimmed(line.substr(0, name_end));
        entry.port = com_port_number(name);
        if (equals == std::string_view::npos) {
            entry.problem = "expected 'COMn = TARGET'";
        } else if (entry.port == 0) {
            entry.problem = quoted(name) + " is not one of COM1 to COM8";
        } else {
            entry.target = std::string(trimmed(line.substr(equals + 1)));
            if (auto problem = target_problem(entry.target)) entry.problem = *problem;
        }
        if (!entry.problem.empty()) entry.target.clear();
        entries.push_back(std::move(entry));
    });
    return entries;
}

port_mapping resolve_port(int port) {
    const std::string variable = "QUILLON_" + port_name(port);
    if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr) {
        port_mapping m;
        m.port = port;
        m.target = mapped;
        m.source = mapping_source::environment;
        m.file = variable;
        if (m.target.empty()) {
            m.problem = port_name(port) + ": " + variable +
                        " is set but empty; set it to the port's device path or unset it";
        }
        return m;
    }
    if (auto m = from_virtual_display(port)) return *m;
    if (auto m = from_file(port, user_ports_file(), mapping_source::user_file)) return *m;
    if (auto m = from_file(port, system_ports_file(), mapping_source::system_file)) return *m;
    port_mapping m;
    m.port = port;
    m.target = backend::default_target(port);
    return m;
}

std::string user_ports_file() {
    return (fs::path(backend::user_config_folder()) / "quillon" / "ports.conf").string();
}

std::string system_ports_file() {
    return (fs::path(backend::system_config_folder()) / "quillon" / "ports.conf").string();
}

std::vector<std::string> unmapped_serial_devices(const std::string& root_folder) {
    const fs::path root(root_folder);
    const auto identity = [&](const std::string& path) {
        std::error_code failure;
        const fs::path inside = root / fs::path(path).relative_path();
        fs::path resolved = fs::weakly_canonical(inside, failure);
        return failure ? inside.string() : resolved.string();
    };
    std::vector<std::string> seen;
    for (int port = 1; port <= 8; ++port) {
        const port_mapping m = resolve_port(port);
        if (m.problem.empty() && !is_network_target(m.target)) seen.push_back(identity(m.target));
    }
    std::vector<std::string> unmapped;
    for (const std::string& device : backend::serial_devices_present(root_folder)) {
        const std::string id = identity(device);
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        unmapped.push_back(device);
    }
    return unmapped;
}

std::string virtual_display_registration(int port) {
    return (fs::path(backend::runtime_folder()) / ("quillon-displays") / port_name(port)).string();
}

std::optional<std::string> edit_ports_file(const std::string& file, int port,
                                           std::optional<std::string> target) {
    if (target) {
        if (auto problem = target_problem(*target)) return problem;
    }
    const std::string old_text = read_file(file).value_or("");
    const std::vector<ports_file_entry> entries = parse_ports_file(old_text);

    // Every line as it was, except the port's own: the first becomes the new line (or goes),
    // later ones go.
    std::vector<int> port_lines;
    for (const auto& entry : entries) {
        if (entry.port == port) port_lines.push_back(entry.line);
    }
    std::string text;
    bool written = false;
    for_each_line(old_text, [&](int number, std::string_view line) {
        if (std::find(port_lines.begin(), port_lines.end(), number) == port_lines.end()) {
            text.append(line).push_back('\n');
        } else if (target && !written) {
            text += port_name(port) + " = " + *target + "\n";
            written = true;
        }
    });
    if (target && !written) text += port_name(port) + " = " + *target + "\n";

    std::error_code failure;
    const fs::path path(file);
    fs::create_directories(path.parent_path(), failure);
    if (failure) return "cannot make " + path.parent_path().string() + ": " + failure.message();
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) return "cannot write " + temporary.string();
    }
    fs::rename(temporary, path, failure);
    if (failure) {
        fs::remove(temporary, failure);
        return "cannot replace " + file + ": " + failure.message();
    }
    return std::nullopt;
}

}  // namespace quillon::serial
