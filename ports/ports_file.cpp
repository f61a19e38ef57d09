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

// A target in double quotes, \" and \\ inside; end is where its closing quote is. False when
// there is none.
bool unquote(std::string_view text, std::string& out, std::size_t& end) {
    std::size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out.push_back(text[i]);
    }
    end = i;
    return i < text.size();
}

// Reads the KEY=VALUE words of a line after its target into the mapping; the problem, or empty.
std::string read_settings(std::string_view words, checked_mapping& m) {
    while (true) {
        while (!words.empty() && is_blank(words.front())) words.remove_prefix(1);
        if (words.empty()) return {};
        auto end = std::find_if(words.begin(), words.end(), is_blank);
        const std::string_view word =
            words.substr(0, static_cast<std::size_t>(end - words.begin()));
        words.remove_prefix(word.size());
        const auto equals = word.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return shown(word) +
                   " after the target is not a setting (KEY=VALUE, such as charset=a00)";
        }
        const std::string_view key = word.substr(0, equals);
        const std::string_view value = word.substr(equals + 1);
        if (key != "charset") {
            return "unknown setting " + shown(key) + " (the settings are: charset)";
        }
        if (m.settings.charset || !m.cleared.empty()) return "charset is given twice";
        if (value.empty()) {
            m.cleared.emplace_back(key);
        } else if (std::find(std::begin(charset_names), std::end(charset_names), value) !=
                   std::end(charset_names)) {
            m.settings.charset = std::string(value);
        } else {
            return "charset " + shown(value) + " is not raw, a00 or a02";
        }
    }
}

// The right-hand side of a line, or of --map's value: a target, quoted or a word, then
// settings. In a file, a comment may follow.
checked_mapping mapping_of(std::string_view rest, bool comments) {
    checked_mapping m;
    rest = trimmed(rest);
    std::string written;
    std::string_view after;
    if (rest.starts_with('"')) {
        std::size_t end = 0;
        if (!unquote(rest, written, end)) {
            m.problem = "the quoted target has no closing quote";
            return m;
        }
        after = rest.substr(end + 1);
        if (comments) after = without_comment(after);
        if (!after.empty() && !is_blank(after.front())) {
            m.problem = "text follows the quoted target";
            return m;
        }
    } else {
        if (comments) rest = trimmed(without_comment(rest));
        const auto end = std::find_if(rest.begin(), rest.end(), is_blank);
        written = rest.substr(0, static_cast<std::size_t>(end - rest.begin()));
        after = rest.substr(written.size());
    }
    checked_target checked = check_target(written);
    m.problem = std::move(checked.problem);
    if (m.problem.empty()) m.problem = read_settings(after, m);
    if (m.problem.empty()) {
        m.target = std::move(checked.target);
    } else {
        m.settings = {};
        m.cleared.clear();
    }
    return m;
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
            checked_mapping m = mapping_of(whole.substr(whole.find('=') + 1), true);
            entry.target = std::move(m.target);
            entry.settings = std::move(m.settings);
            entry.problem = std::move(m.problem);
        }
        if (!entry.problem.empty()) {
            entry.target.clear();
            entry.settings = {};
        }
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

std::string settings_words(const port_settings& settings) {
    return settings.charset ? " charset=" + *settings.charset : std::string();
}

checked_mapping check_mapping(std::string_view written) {
    if (std::any_of(written.begin(), written.end(), is_control)) {
        checked_mapping m;
        m.problem = shown(written) + " holds a control character or a line break";
        return m;
    }
    return mapping_of(written, false);
}

std::string mapping_line(int port, std::string_view target, const port_settings& settings) {
    std::string line = port_name(port) + " = ";
    if (!needs_quotes(target)) return line.append(target) + settings_words(settings);
    line.push_back('"');
    for (const char c : target) {
        if (c == '"' || c == '\\') line.push_back('\\');
        line.push_back(c);
    }
    line.push_back('"');
    return line + settings_words(settings);
}

std::string edited_text(std::string_view text, int port, const checked_mapping* mapping,
                        bool& had_line, std::string* written) {
    // Every line as it was, except the port's own: the first becomes the new line (or goes),
    // later ones go. The line in force (the last) lends the new one the settings it keeps.
    std::vector<int> port_lines;
    port_settings kept;
    for (const auto& entry : parse_ports_file(text)) {
        if (entry.port != port) continue;
        port_lines.push_back(entry.line);
        kept = entry.settings;  // none on a bad line
    }
    had_line = !port_lines.empty();
    std::string line;
    if (mapping != nullptr) {
        if (mapping->settings.charset || !mapping->cleared.empty()) {
            kept.charset = mapping->settings.charset;
        }
        line = mapping_line(port, mapping->target, kept);
        if (written != nullptr) *written = line;
        line.push_back('\n');
    }
    std::string out;
    bool placed = false;
    for_each_line(text, [&](int number, std::string_view old) {
        if (std::find(port_lines.begin(), port_lines.end(), number) == port_lines.end()) {
            out.append(old).push_back('\n');
        } else if (mapping != nullptr && !placed) {
            out += line;
            placed = true;
        }
    });
    if (mapping != nullptr && !placed) out += line;
    return out;
}

edit_outcome edit_ports_file(const std::string& path, int port,
                             const std::optional<std::string>& value) {
    edit_outcome outcome;
    checked_mapping mapping;
    if (value) {
        mapping = check_mapping(*value);
        if (!mapping.problem.empty()) {
            outcome.problem = std::move(mapping.problem);
            outcome.refused_target = true;
            return outcome;
        }
        outcome.target = mapping.target;
    }
    const auto edit = [&](const platform::file_text& now,
                          std::string& text) -> std::optional<std::string> {
        if (now.text.find('\0') != std::string::npos) {
            return path + " holds a zero byte: it is no text file; it was left as it is";
        }
        text = edited_text(now.text, port, value ? &mapping : nullptr, outcome.had_line,
                           &outcome.line);
        // Every reader refuses a bigger file: an edit never writes one.
        if (text.size() > ports_file_limit) {
            return "the edit would make " + path + " larger than " +
                   std::to_string(ports_file_limit / (1024 * 1024)) +
                   " MiB, which no reader takes; it was left as it is";
        }
        return std::nullopt;
    };
    if (auto problem = platform::replace_file(path, ports_file_limit, edit)) {
        outcome.problem = std::move(*problem);
    }
    return outcome;
}

}  // namespace quillon::ports
