#include "bridge/settings.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

#include "bridge/private_file.h"
#include "options/option_table.h"
#include "options/small_file.h"
#include "options/standard/display_options.h"
#include "options/standard/port_options.h"
#include "options/words.h"
#include "ports/names.h"
#include "ports/ports_file.h"
#include "ports/resolve.h"
#include "screens/screens_file.h"

namespace quillon::bridge {
namespace {

using options::option;
using options::set_flag;
using options::set_text;
using options::whole_number;

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
    if (b.host.empty() || b.host.find('/') != std::string::npos) return "no host in '" + url + "'";
    if (!port_text.empty()) {
        const auto port = whole_number(port_text);
        if (!port || *port < 1 || *port > 65535) {
            return "the port must be a number from 1 to 65535, not '" + std::string(port_text) +
                   "'";
        }
        b.port = static_cast<int>(*port);
    }
    s.broker = b;
    return {};
}

// MODULE or MODULE:SIZE, as quillon-display takes them.
std::string take_module(std::string_view text, display_setting& d) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const auto module = display::parse_profile(name);
    if (!module) {
        return "the module must be " + display::profile_choices() + ", not '" + std::string(name) +
               "'";
    }
    d.module = *module;
    d.size = display::facts(*module).default_size;
    if (colon == std::string_view::npos) return {};
    const std::string_view size_text = text.substr(colon + 1);
    const auto size = display::parse_size(*module, size_text);
    if (!size) {
        return "the size of " + std::string(name) + " must be " + display::size_choices(*module) +
               ", not '" + std::string(size_text) + "'";
    }
    d.size = *size;
    return {};
}

std::string set_display(settings& s, const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos) {
        return "give NAME=PORT[@BAUD][,CHARSET][,MODULE[:SIZE]], not '" + value + "'";
    }
    display_setting d;
    d.name = value.substr(0, equals);
    d.port = value.substr(equals + 1);
    if (!is_plain_name(d.name)) {
        return "a display's name takes letters, digits, _ and - (at most 64), not '" + d.name + "'";
    }
    // Commas start the character set and the module, which come last; no device or host name
    // has one. Each is known by its name: the two share none.
    if (const std::size_t comma = d.port.find(','); comma != std::string::npos) {
        std::vector<std::string> parts;
        for (std::size_t from = comma + 1;;) {
            const std::size_t next = d.port.find(',', from);
            parts.push_back(d.port.substr(from, next - from));
            if (next == std::string::npos) break;
            from = next + 1;
        }
        d.port.resize(comma);
        if (parts.size() > 2) return "too many parts after the port in '" + value + "'";
        const bool charset_first = options::take_charset(parts.front(), d.charset);
        if (parts.size() == 2 && !charset_first) {
            return "the character set must be " + options::charset_choices() + ", not '" +
                   parts.front() + "'";
        }
        if (parts.size() == 1 && !charset_first && parts.front().find(':') == std::string::npos &&
            !display::parse_profile(parts.front())) {
            return "after the port give a character set (" + options::charset_choices() +
                   ") or a module (" + display::profile_choices() + "), not '" + parts.front() +
                   "'";
        }
        if (parts.size() == 2 || !charset_first) {
            if (std::string problem = take_module(parts.back(), d); !problem.empty()) {
                return problem;
            }
        }
    }
    // The last @ starts the rate: a network target's host may not hold one, a path seldom does.
    if (const std::size_t at = d.port.rfind('@'); at != std::string::npos) {
        const std::string rate = d.port.substr(at + 1);
        if (!options::take_baud(rate, d.baud)) {
            return "the baud rate must be " + options::baud_choices() + ", not '" + rate + "'";
        }
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

// NAME=FILE; a relative FILE is taken from the working folder here, and from the settings
// file's folder when the settings file gives it (load_settings).
std::string set_screens(settings& s, const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos || equals + 1 == value.size()) {
        return "give NAME=FILE, not '" + value + "'";
    }
    s.screens_files[value.substr(0, equals)] = value.substr(equals + 1);
    return {};
}

// A take for an option whose value a function over the whole settings checks and stores.
std::function<std::string(const std::string*)> set_with(settings& s,
                                                        std::string (*set)(settings&,
                                                                           const std::string&)) {
    return [&s, set](const std::string* value) { return set(s, *value); };
}

std::function<std::string(const std::string*)> set_seconds(std::chrono::milliseconds& field) {
    return [&field](const std::string* value) -> std::string {
        const auto seconds = whole_number(*value);
        if (!seconds || *seconds < 1 || *seconds > 86400) {
            return "give a number of seconds from 1 to 86400, not '" + *value + "'";
        }
        field = std::chrono::seconds(*seconds);
        return {};
    };
}

std::function<std::string(const std::string*)> set_prefix(std::string& field) {
    return [&field](const std::string* value) -> std::string {
        if (!is_topic_prefix(*value)) {
            return "a topic prefix without + or #, not starting or ending in /";
        }
        // A topic starting with $ is the broker's own ($SYS/...): it drops what clients publish
        // there, so a bridge under it would serve nothing.
        if (value->front() == '$')
            return "a topic prefix may not start with $, not '" + *value + "'";
        field = *value;
        return {};
    };
}

// The one table of quillon-bridge's options, over one settings object: it parses the command
// line and the settings files and prints --help.
std::vector<option> option_table(settings& s) {
    return {
        {.name = "broker",
         .value = "URL",
         .help = "the broker: mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT] (TLS, port "
                 "8883); default mqtt://localhost",
         .take = set_with(s, set_broker),
         .in_files = true},
        {.name = "cafile",
         .value = "FILE",
         .help = "certificate authorities for mqtts (default: the system's)",
         .take = set_text(s.cafile),
         .in_files = true},
        {.name = "cert",
         .value = "FILE",
         .help = "a client certificate for mqtts, with --key",
         .take = set_text(s.certfile),
         .in_files = true},
        {.name = "key",
         .value = "FILE",
         .help = "the client certificate's private key",
         .take = set_text(s.keyfile),
         .in_files = true},
        {.name = "username",
         .value = "NAME",
         .help = "the user name at the broker",
         .take = set_text(s.username),
         .in_files = true},
        {.name = "password-file",
         .value = "FILE",
         .help = "the password, on the file's first line; the file must be readable by its owner "
                 "only",
         .take = set_text(s.password_file),
         .in_files = true},
        {.name = "client-id",
         .value = "ID",
         .help = "this bridge's name at the broker and in topics (default quillon-HOSTNAME); "
                 "letters, digits, _ and -",
         .take = [&s](const std::string* v) -> std::string {
             if (!is_plain_name(*v)) return "takes letters, digits, _ and - (at most 64)";
             s.client_id = *v;
             return {};
         },
         .in_files = true},
        {.name = "prefix",
         .value = "P",
         .help = "the first part of every topic (default quillon)",
         .take = set_prefix(s.prefix),
         .in_files = true},
        {.name = "display",
         .value = "NAME=PORT[@BAUD][,CHARSET][,MODULE[:SIZE]]",
         .help = "serve a display: PORT is COM1 to COM" + std::to_string(ports::port_count) +
                 ", a device path, tcp://HOST:PORT or rfc2217://HOST:PORT; BAUD is " +
                 options::baud_choices() + " (default 9600); CHARSET is " +
                 options::charset_choices() +
                 " (raw: bytes as published, the default; a ROM: text in that ROM's characters); "
                 "MODULE is " +
                 display::profile_choices() +
                 " (default hd44780), SIZE one of its sizes as quillon-display --size takes them "
                 "(default 16x2). Give it once for each display",
         .take = set_with(s, set_display),
         .in_files = true},
        {.name = "screens",
         .value = "NAME=FILE",
         .help = "the screens of display NAME: a YAML file of screens, values and widgets that "
                 "the bridge keeps on the display (a relative FILE is taken from the settings "
                 "file's folder, or on the command line from the working folder)",
         .take = set_with(s, set_screens),
         .in_files = true},
        {.name = "alert-ttl",
         .value = "SECONDS",
         .help = "how long an alert shows when it does not say (default 10)",
         .take = set_seconds(s.alert_ttl),
         .in_files = true},
        {.name = "message-ttl",
         .value = "SECONDS",
         .help = "how long a send or raw message shows before a display's screens come back "
                 "(default 10)",
         .take = set_seconds(s.message_ttl),
         .in_files = true},
        {.name = "discovery-prefix",
         .value = "P",
         .help = "where Home Assistant looks for discovery (default homeassistant)",
         .take = set_prefix(s.discovery_prefix),
         .in_files = true},
        {.name = "no-discovery",
         .help = "publish no Home Assistant discovery",
         .take = [&s](const std::string*) -> std::string {
             s.discovery = false;
             return {};
         },
         .in_files = true},
        {.name = "max-payload",
         .value = "BYTES",
         .help = "refuse longer messages (default 65536)",
         .take = [&s](const std::string* v) -> std::string {
             const auto bytes = whole_number(*v);
             if (!bytes || *bytes < 1 || *bytes > (1LL << 28)) {
                 return "give a number of bytes from 1 to 268435456, not '" + *v + "'";
             }
             s.max_payload = static_cast<std::size_t>(*bytes);
             return {};
         },
         .in_files = true},
        {.name = "config",
         .value = "FILE",
         .help = "read settings from FILE, one per line (default ~/.config/quillon/bridge.conf "
                 "(XDG_CONFIG_HOME), then /etc/quillon/bridge.conf)",
         .take = set_text(s.config_file)},
        options::help_option(s.help),
        options::version_option(s.version, "quillon-bridge"),
    };
}

constexpr std::string_view usage =
    "Usage: quillon-bridge [--broker URL] --display NAME=PORT[@BAUD][,CHARSET][,MODULE[:SIZE]]...\n"
    "                      [--screens NAME=FILE]... [OPTION]...\n"
    "Serves serial display modules to an MQTT broker: text published to P/NAME/send goes\n"
    "to the display with its tags turned into bytes, as quillon-send sends it; bytes\n"
    "published to P/NAME/raw go as they are. A display given screens keeps them up to date,\n"
    "sending only what changed; alerts show over them and go away by themselves.\n";

constexpr std::string_view closing =
    "\nTopics (P is the prefix, ID the client id):\n"
    "  P/NAME/send          text with tags, such as Hello<13><LMA_LINE2>World\n"
    "  P/NAME/raw           bytes, unchanged\n"
    "  P/NAME/alert         text with tags, or {\"text\": ..., \"ttl\": SECONDS, \"priority\": "
    "N};\n"
    "                       shows at once, then what was there comes back\n"
    "  P/NAME/screen/set    the name of a screen to show now\n"
    "  P/NAME/line/N        text for row N of the screen shown (empty: the screen's own)\n"
    "  P/NAME/backlight     ON or OFF\n"
    "  P/NAME/state         what the display shows, as JSON (retained)\n"
    "  P/NAME/error         one line for each message that could not be written\n"
    "  P/NAME/availability  online while the display's port opens, else offline (retained)\n"
    "  P/bridge/ID/status   online or offline (retained)\n"
    "  P/bridge/ID/error    why connecting failed last, once connected again (retained)\n"
    "A settings file holds the same settings without the dashes, one a line:\n"
    "  broker mqtt://broker.local\n"
    "  display counter=COM1@9600\n"
    "  display lcd=COM2,a00,hd44780:20x4\n"
    "  screens lcd=lcd-screens.yaml\n"
    "SIGHUP reads the settings, the screens files and the ports mapping again; SIGTERM\n"
    "publishes offline and stops.\n";

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

// The command line over the settings; the bridge takes no operands.
std::string apply_arguments(settings& s, const std::vector<std::string>& arguments) {
    const auto line = options::parse_command_line(option_table(s), arguments);
    if (!line.error.empty()) return line.error;
    if (!line.operands.empty()) return "unexpected argument '" + line.operands.front() + "'";
    return {};
}

// What a display's port opens in the end, for telling two displays on one port apart: a COM
// port through the mapping, a path with its links followed, a network target with its host in
// lower case. Empty when a COM port's mapping cannot be used (its display reports that).
std::string target_of(const std::string& port) {
    std::string target = port;
    if (const int number = ports::com_port_number(port); number != 0) {
        target = ports::resolve_port(number).target;
        if (target.empty()) return {};
    }
    if (target.find("://") != std::string::npos) {
        std::transform(target.begin(), target.end(), target.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return target;
    }
    std::error_code ignored;
    const std::filesystem::path followed = std::filesystem::weakly_canonical(target, ignored);
    return followed.empty() ? target : followed.string();
}

// Two displays on one port: the second could never open it (the first holds it), and would
// report "another program holds it" for ever.
std::string check_ports(const settings& s) {
    std::map<std::string, const display_setting*> seen;
    for (const display_setting& d : s.displays) {
        const std::string target = target_of(d.port);
        if (target.empty()) continue;
        const auto [earlier, fresh] = seen.emplace(target, &d);
        if (fresh) continue;
        std::string where = target;
        if (earlier->second->port != target || d.port != target) {
            where += " (" + earlier->second->port +
                     (earlier->second->port == d.port ? "" : " and " + d.port) + ")";
        }
        return "displays " + earlier->second->name + " and " + d.name + " are both on " + where +
               "; give each display a port of its own";
    }
    return {};
}

// Each --screens file joined to its display, read as every file is and checked whole against
// the display's module, so that a bad file is refused with the settings.
std::string take_screens(settings& s) {
    for (auto& [name, path] : s.screens_files) {
        const auto display = std::find_if(s.displays.begin(), s.displays.end(),
                                          [&](const display_setting& d) { return d.name == name; });
        if (display == s.displays.end()) {
            return "screens for " + name + ", which is no display (--display " + name + "=PORT)";
        }
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
        display->screens_file = absolute.empty() ? path : absolute.lexically_normal().string();
        const options::small_file file = options::read_small_file(display->screens_file);
        if (!file.problem.empty()) return "--screens " + name + ": " + file.problem;
        const screens::read_screens read =
            screens::read_screens_file(file.text, display->screens_file, screens_kind(*display));
        if (!read.file) return read.error;
        display->screens_text = file.text;
        for (const screens::screen_spec& screen : read.file->screens) {
            display->screen_names.push_back(screen.name);
        }
    }
    return {};
}

std::string check_whole(settings& s) {
    if (s.displays.empty()) return "no display given (--display NAME=PORT)";
    if (std::string problem = take_screens(s); !problem.empty()) return problem;
    if (std::string problem = check_ports(s); !problem.empty()) return problem;
    if (!s.broker.tls && !(s.cafile.empty() && s.certfile.empty() && s.keyfile.empty())) {
        return "--cafile, --cert and --key go with an mqtts:// broker";
    }
    if (s.certfile.empty() != s.keyfile.empty()) return "--cert and --key go together";
    if (!s.password_file.empty() && s.username.empty()) return "--password-file needs --username";
    // The TLS library opens these itself, blocking, at every connect: each is read here first
    // as every file is, so that a FIFO, a device or a missing file is named at once.
    for (const auto& [option, path] :
         {std::pair{"--cafile", &s.cafile}, {"--cert", &s.certfile}, {"--key", &s.keyfile}}) {
        if (path->empty()) continue;
        if (const auto file = options::read_small_file(*path); !file.problem.empty()) {
            return std::string(option) + ": " + file.problem;
        }
    }
    if (s.client_id.empty()) s.client_id = default_client_id();
    return {};
}

}  // namespace

bool same_line(const display_setting& a, const display_setting& b) {
    return a.name == b.name && a.port == b.port && a.baud == b.baud && a.charset == b.charset &&
           a.module == b.module && a.size == b.size;
}

screens::display_kind screens_kind(const display_setting& d) {
    return {d.module, d.size, d.charset.value_or(display::rom::a00)};
}

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
    if (std::string problem = apply_arguments(first, arguments); !problem.empty()) {
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
        if (std::string problem = options::apply_settings_file(option_table(s), *file);
            !problem.empty()) {
            result.error = problem;
            return result;
        }
        const std::filesystem::path folder = std::filesystem::path(*file).parent_path();
        for (auto& [name, path] : s.screens_files) {
            if (std::filesystem::path(path).is_relative()) path = (folder / path).string();
        }
    }
    result.error = apply_arguments(s, arguments);
    if (result.error.empty()) result.error = check_whole(s);
    if (result.error.empty() && !s.password_file.empty()) {
        private_file secret = read_private_file(s.password_file);
        result.error = secret.problem;
        result.password = std::move(secret.text);
    }
    return result;
}

std::string help_text() {
    settings s;
    return std::string(usage) + "\nOptions:\n" + options::option_help(option_table(s)) +
           std::string(closing);
}

}  // namespace quillon::bridge
