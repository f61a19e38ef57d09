#include "ports/ports_file.h"

#include <algorithm>
#include <cstdio>

#include "ports/names.h"
#include "ports/platform.h"
#include "serial/network/target.h"

namespace quillon::ports {
namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// The text in quotes for a message, a control character shown as \xNN so that the message
// stays one line. Built by appending: GCC 12 warns falsely (-Wrestrict) on "'" + std::string.
std::string shown(std::string_view text) {
    std::string out(1, '\'');
    for (const char c : text) {
        if (is_control(c)) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('\'');
    return out;
}

// Calls fn(number, line) for each line of the text, numbered from 1, without its line break.
template <typename Function>
void for_each_line(std::string_view text, Function fn) {
    for (int number = 1; !text.empty(); ++number) {
        const auto end = text.find('\n');
        fn(number, text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

// The line without its comment: "#" at its start or after white space.
std::string_view without_comment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || is_blank(line[i - 1]))) return line.substr(0, i);
    }
    return line;
}

// A target in double quotes, \" and \\ inside, then nothing but white space or a comment.
bool unquote(std::string_view text, std::string& out, std::string& problem) {
    std::size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out.push_back(text[i]);
    }
    if (i >= text.size()) {
        problem = "the quoted target has no closing quote";
        return false;
    }
    if (!trimmed(without_comment(text.substr(i + 1))).empty()) {
        problem = "text follows the quoted target";
        return false;
    }
    return true;
}

bool needs_quotes(std::string_view target) {
    return target.starts_with('"') || target.starts_with('#') ||
           std::any_of(target.begin(), target.end(), is_blank);
}

}  // namespace

checked_target check_target(std::string_view written) {
    checked_target result;
    if (std::any_of(written.begin(), written.end(), is_control)) {
        result.problem = shown(written) + " holds a control character or a line break";
        return result;
    }
    if (serial::network::is_network_path(written)) {
        if (serial::network::parse_target(written)) {
            result.target = written;
            return result;
        }
        for (const std::string_view scheme : {"tcp://", "rfc2217://"}) {
            if (written.starts_with(scheme)) {
                result.problem = shown(written) + " needs a host and a port from 1 to 65535 (" +
                                 std::string(scheme) + "HOST:PORT)";
                return result;
            }
        }
        result.problem = shown(written) + " has an unknown scheme (tcp:// or rfc2217://)";
        return result;
    }
    if (auto native = platform::native_device(written)) {
        result.target = std::move(*native);
    } else if (platform::is_absolute_device_path(written)) {
        result.target = written;
    } else {
        result.problem = shown(written) + " is not " +
                         std::string(platform::platform_words().device_description) +
                         ", tcp://HOST:PORT or rfc2217://HOST:PORT";
    }
    return result;
}

std::vector<ports_file_entry> parse_ports_file(std::string_view text) {
    if (text.starts_with(byte_order_mark)) text.remove_prefix(byte_order_mark.size());
    std::vector<ports_file_entry> entries;
    for_each_line(text, [&](int number, std::string_view whole) {
        const std::string_view line = trimmed(without_comment(whole));
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
            entry.problem = shown(name) + " is not one of COM1 to COM8";
        } else {
            // The target from the whole line: a "#" in a quoted target is no comment.
            const std::string_view rest = trimmed(whole.substr(whole.find('=') + 1));
            std::string written;
            if (rest.starts_with('"')) {
                unquote(rest, written, entry.problem);
            } else {
                written = trimmed(without_comment(rest));
            }
            if (entry.problem.empty()) {
                checked_target checked = check_target(written);
                entry.target = std::move(checked.target);
                entry.problem = std::move(checked.problem);
            }
        }
        if (!entry.problem.empty()) entry.target.clear();
        entries.push_back(std::move(entry));
    });
    return entries;
}

ports_file read_ports_file(const std::string& path) {
    ports_file file;
    file.path = path;
    platform::file_text read = platform::read_small_file(path, ports_file_limit);
    file.found = read.found;
    file.problem = std::move(read.problem);
    if (file.problem.empty() && read.text.find('\0') != std::string::npos) {
        file.problem = "holds a zero byte: it is no text file";
    }
    if (file.problem.empty()) file.entries = parse_ports_file(read.text);
    return file;
}

std::string mapping_line(int port, std::string_view target) {
    std::string line = port_name(port) + " = ";
    if (!needs_quotes(target)) return line.append(target);
    line.push_back('"');
    for (const char c : target) {
        if (c == '"' || c == '\\') line.push_back('\\');
        line.push_back(c);
    }
    line.push_back('"');
    return line;
}

std::string edited_text(std::string_view text, int port, const std::string* target,
                        bool& had_line) {
    // Every line as it was, except the port's own: the first becomes the new line (or goes),
    // later ones go.
    std::vector<int> port_lines;
    for (const auto& entry : parse_ports_file(text)) {
        if (entry.port == port) port_lines.push_back(entry.line);
    }
    had_line = !port_lines.empty();
    std::string out;
    bool written = false;
    for_each_line(text, [&](int number, std::string_view line) {
        if (std::find(port_lines.begin(), port_lines.end(), number) == port_lines.end()) {
            out.append(line).push_back('\n');
        } else if (target != nullptr && !written) {
            out += mapping_line(port, *target) + "\n";
            written = true;
        }
    });
    if (target != nullptr && !written) out += mapping_line(port, *target) + "\n";
    return out;
}

edit_outcome edit_ports_file(const std::string& path, int port,
                             const std::optional<std::string>& target) {
    edit_outcome outcome;
    if (target) {
        checked_target checked = check_target(*target);
        if (!checked.problem.empty()) {
            outcome.problem = std::move(checked.problem);
            outcome.refused_target = true;
            return outcome;
        }
        outcome.target = std::move(checked.target);
    }
    const auto edit = [&](const platform::file_text& now,
                          std::string& text) -> std::optional<std::string> {
        if (now.text.find('\0') != std::string::npos) {
            return path + " holds a zero byte: it is no text file; it was left as it is";
        }
        text = edited_text(now.text, port, target ? &outcome.target : nullptr, outcome.had_line);
        return std::nullopt;
    };
    if (auto problem = platform::replace_file(path, ports_file_limit, edit)) {
        outcome.problem = std::move(*problem);
    }
    return outcome;
}

}  // namespace quillon::ports
