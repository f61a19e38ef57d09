#include "bridge/settings.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "bridge/option_table.h"
#include "bridge/private_file.h"
#include "ports/names.h"
#include "ports/port_control.h"
#include "ports/ports_file.h"
#include "ports/resolve.h"

namespace quillon::bridge {
namespace {

bool parse_number(std::string_view text, long long& value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    return !text.empty() && failure == std::errc() && stop == end;
}

// Display names and client ids stand in topics, client ids and Home Assistant's object ids,
// which take only these.
bool is_plain_name(std::string_view name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

// A topic prefix must not hold the wildcards, which a publish may not contain.
bool is_topic_prefix(std::string_view prefix) {
    return !prefix.empty() && prefix.find_first_of("+#") == std::string_view::npos &&
           prefix.front() != '/' && prefix.back() != '/';
}

std::string set_broker(settings& s, const std::string& url) {
    broker_address b;
    std::string_view rest = url;
    if (rest.rfind("mqtt://", 0) == 0) {
        rest.remove_prefix(7);
    } else if (rest.rfind("mqtts://", 0) == 0) {
        rest.remove_prefix(8);
        b.tls = true;
        b.port = 8883;
    } else {
        return "give mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not '" + url + "'";
    }
    std::string_view port_text;
    if (!rest.empty() && rest.front() == '[') {  // [::1]:1883
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return "no closing ] in '" + url + "'";
        b.host = std::string(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
        if (!rest.empty() && rest.front() != ':') return "unexpected text after ] in '" + url + "'";
        if (!rest.empty()) port_text = rest.substr(1);
    } else {
        const std::size_t colon = rest.find(':');
        b.host = std::string(rest.substr(0, colon));
        if (colon != std::string_view::npos) port_text = rest.substr(colon + 1);
    }
    long long port = b.port;
    if (b.host.empty() || b.host.find('/') != std::string::npos) return "no host in '" + url + "'";
    if (!port_text.empty() && (!parse_number(port_text, port) || port < 1 || port > 65535)) {
        return "the port must be a number from 1 to 65535, not '" + std::string(port_text) + "'";
    }
    b.port = static_cast<int>(port);
    s.broker = b;
    return {};
}

std::string set_display(settings& s, const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos) return "give NAME=PORT[@BAUD][,CHARSET], not '" + value + "'";
    display_setting d{value.substr(0, equals), value.substr(equals + 1), 9600, std::nullopt};
    if (!is_plain_name(d.name)) {
        return "a display's name takes letters, digits, _ and - (at most 64), not '" + d.name + "'";
    }
    // A comma starts the character set, which comes last; no device or host name has one.
    if (const std::size_t comma = d.port.rfind(','); comma != std::string::npos) {
        const std::string name = d.port.substr(comma + 1);
        d.charset = display::parse_rom(name);
        if (!d.charset && name != "raw") {
            return "the character set must be raw, a00 or a02, not '" + name + "'";
        }
        d.port.resize(comma);
    }
    // The last @ starts the rate: a network target's host may not hold one, a path seldom does.
    if (const std::size_t at = d.port.rfind('@'); at != std::string::npos) {
        long long baud = 0;
        const std::string rate = d.port.substr(at + 1);
        if (!parse_number(rate, baud) || !ports::is_baud_rate(baud)) {
            return "the baud rate must be 1200, 2400, 4800 or 9600, not '" + rate + "'";
        }
        d.baud = static_cast<int>(baud);
        d.port.resize(at);
    }
    if (d.port.empty()) return "no port for display " + d.name;
    if (ports::com_port_number(d.port) == 0) {
        if (const auto checked = ports::check_target(d.port); !checked.problem.empty()) {
            return checked.problem;
        }
    }
    const auto same = std::find_if(s.displays.begin(), s.displays.end(),
                                   [&](const display_setting& o) { return o.name == d.name; });
    if (same != s.displays.end()) {
        *same = d;
    } else {
        s.displays.push_back(d);
    }
    return {};
}

std::string set_text(std::string& field, const std::string& value) {
    if (value.empty()) return "needs a value";
    field = value;
    return {};
}

using bridge_option = option<settings>;

// The one table of quillon-bridge's options: it parses the command line and the settings files
// and prints --help.
const auto table = std::to_array<bridge_option>({
    {"broker", "URL",
     "the broker: mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT]\n(TLS, port 8883); "
     "default mqtt://localhost",
     true, [](settings& s, const std::string& v) { return set_broker(s, v); }},
    {"cafile", "FILE", "certificate authorities for mqtts (default: the system's)", true,
     [](settings& s, const std::string& v) { return set_text(s.cafile, v); }},
    {"cert", "FILE", "a client certificate for mqtts, with --key", true,
     [](settings& s, const std::string& v) { return set_text(s.certfile, v); }},
    {"key", "FILE", "the client certificate's private key", true,
     [](settings& s, const std::string& v) { return set_text(s.keyfile, v); }},
    {"username", "NAME", "the user name at the broker", true,
     [](settings& s, const std::string& v) { return set_text(s.username, v); }},
    {"password-file", "FILE",
     "the password, on the file's first line; the file must be\nreadable by its owner only", true,
     [](settings& s, const std::string& v) { return set_text(s.password_file, v); }},
    {"client-id", "ID",
     "this bridge's name at the broker and in topics (default\nquillon-HOSTNAME); letters, digits, "
     "_ and -",
     true,
     [](settings& s, const std::string& v) -> std::string {
         if (!is_plain_name(v)) return "takes letters, digits, _ and - (at most 64)";
         s.client_id = v;
         return {};
     }},
    {"prefix", "P", "the first part of every topic (default quillon)", true,
     [](settings& s, const std::string& v) -> std::string {
         if (!is_topic_prefix(v))
             return "a topic prefix without + or #, not starting or ending in /";
         s.prefix = v;
         return {};
     }},
    {"display", "NAME=PORT[@BAUD][,CHARSET]",
     "serve a display: PORT is COM1 to COM8, a device path,\ntcp://HOST:PORT or "
     "rfc2217://HOST:PORT; BAUD is 1200, 2400,\n4800 or 9600 (default 9600); CHARSET is raw "
     "(bytes as\npublished, the default), a00 or a02 (text in that ROM's\ncharacters). Give it "
     "once for each display",
     true, [](settings& s, const std::string& v) { return set_display(s, v); }},
    {"discovery-prefix", "P", "where Home Assistant looks for discovery (default homeassistant)",
     true,
     [](settings& s, const std::string& v)
         -> std::
             string {
                 if (!is_topic_prefix(v))
                     return "a topic prefix without + or #, not starting or ending in /";
                 s.discovery_prefix = v;
                 return {};
             }},
    {"no-discovery", "", "publish no Home Assistant discovery", true,
     [](settings& s, const std::string&) -> std::string {
         s.discovery = false;
         return {};
     }},
    {"max-payload", "BYTES", "refuse longer messages (default 65536)", true,
     [](settings& s, const std::string& v) -> std::string {
         long long bytes = 0;
         if (!parse_number(v, bytes) || bytes < 1 || bytes > (1LL << 28)) {
             return "give a number of bytes from 1 to 268435456, not '" + v + "'";
         }
         s.max_payload = static_cast<std::size_t>(bytes);
         return {};
     }},
    {"config", "FILE",
     "read settings from FILE, one per line (default\n~/.config/quillon/bridge.conf "
     "(XDG_CONFIG_HOME), then\n/etc/quillon/bridge.conf)",
     false, [](settings& s, const std::string& v) { return set_text(s.config_file, v); }},
    {"help", "", "show this help and exit", false,
     [](settings& s, const std::string&) -> std::string {
         s.help = true;
         return {};
     }},
    {"version", "", "show the version and exit", false,
     [](settings& s, const std::string&) -> std::string {
         s.version = true;
         return {};
     }},
});

constexpr std::string_view usage =
    "Usage: quillon-bridge [--broker URL] --display NAME=PORT[@BAUD][,CHARSET]... [OPTION]...\n"
    "Serves serial display modules to an MQTT broker: text published to P/NAME/send goes\n"
    "to the display with its tags turned into bytes, as quillon-send sends it; bytes\n"
    "published to P/NAME/raw go as they are.\n";

constexpr std::string_view closing =
    "\nTopics (P is the prefix, ID the client id):\n"
    "  P/NAME/send          text with tags, such as Hello<13><LMA_LINE2>World\n"
    "  P/NAME/raw           bytes, unchanged\n"
    "  P/NAME/error         one line for each message that could not be written\n"
    "  P/bridge/ID/status   online or offline (retained)\n"
    "A settings file holds the same settings without the dashes, one a line:\n"
    "  broker mqtt://broker.local\n"
    "  display counter=COM1@9600\n"
    "SIGHUP reads the settings and the ports mapping again; SIGTERM publishes offline and\n"
    "stops.\n";

std::optional<std::string> default_settings_file() {
    std::vector<std::string> places;
    if (const auto user = ports::user_ports_file()) {
        places.push_back((std::filesystem::path(*user).parent_path() / "bridge.conf").string());
    }
    places.push_back("/etc/quillon/bridge.conf");
    for (const std::string& place : places) {
        std::error_code ignored;
        if (std::filesystem::exists(place, ignored)) return place;
    }
    return std::nullopt;
}

std::string read_settings_file(const std::string& path, settings& s) {
    std::ifstream in(path);
    if (!in) return "cannot read " + path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (std::string problem = apply_line<settings>(table, line, s); !problem.empty()) {
            return path + ":" + std::to_string(number) + ": " + problem;
        }
    }
    return in.bad() ? "cannot read " + path : std::string{};
}

std::string check_whole(settings& s) {
    if (s.displays.empty()) return "no display given (--display NAME=PORT)";
    if (!s.broker.tls && !(s.cafile.empty() && s.certfile.empty() && s.keyfile.empty())) {
        return "--cafile, --cert and --key go with an mqtts:// broker";
    }
    if (s.certfile.empty() != s.keyfile.empty()) return "--cert and --key go together";
    if (!s.password_file.empty() && s.username.empty()) return "--password-file needs --username";
    if (s.client_id.empty()) s.client_id = default_client_id();
    return {};
}

}  // namespace

std::string default_client_id() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "quillon-bridge";
    std::string id = "quillon-" + std::string(host).substr(0, 56);
    for (char& c : id) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!plain) c = '_';
    }
    return id;
}

loaded_settings load_settings(const std::vector<std::string>& arguments) {
    loaded_settings result;
    settings& s = result.chosen;
    // The command line once first, for --config, --help and --version; it is applied again over
    // the file, so that what it says wins.
    settings first;
    if (std::string problem = apply_arguments<settings>(table, arguments, first);
        !problem.empty()) {
        result.error = problem;
        return result;
    }
    if (first.help || first.version) {
        s = first;
        return result;
    }
    const std::optional<std::string> file =
        first.config_file.empty() ? default_settings_file() : first.config_file;
    if (file) {
        result.file_read = *file;
        if (std::string problem = read_settings_file(*file, s); !problem.empty()) {
            result.error = problem;
            return result;
        }
    }
    result.error = apply_arguments<settings>(table, arguments, s);
    if (result.error.empty()) result.error = check_whole(s);
    if (result.error.empty() && !s.password_file.empty()) {
        private_file secret = read_private_file(s.password_file);
        result.error = secret.problem;
        result.password = std::move(secret.text);
    }
    return result;
}

std::string help_text() { return bridge::help_text<settings>(usage, table, closing); }

}  // namespace quillon::bridge
