// The settings of quillon-bridge: from a settings file, then the command line over it.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "display/geometry.h"
#include "display/profile.h"
#include "display/rom.h"
#include "screens/display_kind.h"

namespace quillon::bridge {

struct broker_address {
    bool tls = false;  // mqtts://
    std::string host = "localhost";
    int port = 1883;
    friend bool operator==(const broker_address&, const broker_address&) = default;
};

struct display_setting {
    std::string name;  // letters, digits, "_" and "-": it is part of topics and client ids
    std::string port;  // COM1-COM8, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT
    int baud = 9600;
    // The module's ROM, which text beyond ASCII is converted to; none: bytes as published.
    std::optional<display::rom> charset;
    // The module, for the screens and the twin that the state topic shows: hd44780 16x2 unless
    // given (--display NAME=PORT,MODULE:SIZE).
    display::profile module = display::profile::hd44780;
    display::display_size size{16, 2};
    // --screens NAME=FILE: the file (absolute), its text as read and checked, and its screens'
    // names. A new text alone is taken by the running display (screens_engine::load).
    std::string screens_file;
    std::string screens_text;
    std::vector<std::string> screen_names;
    friend bool operator==(const display_setting&, const display_setting&) = default;
};

// Whether two settings drive the same line the same way: all but the screens file.
bool same_line(const display_setting& a, const display_setting& b);
// The display the screens are drawn on; the screens' text is in the character set's ROM, A00
// when it is raw.
screens::display_kind screens_kind(const display_setting& d);

struct settings {
    broker_address broker;
    std::string cafile;    // none: the system's certificate authorities
    std::string certfile;  // a client certificate and its key, both or neither
    std::string keyfile;
    std::string username;
    std::string password_file;
    std::string client_id;  // none given: quillon-HOSTNAME
    std::string prefix = "quillon";
    std::vector<display_setting> displays;  // a name given again replaces the earlier one
    std::string discovery_prefix = "homeassistant";
    bool discovery = true;
    std::size_t max_payload = 65536;
    // How long an alert without its own ttl shows, and a send or raw message before the screens
    // come back.
    std::chrono::milliseconds alert_ttl{10000};
    std::chrono::milliseconds message_ttl{10000};
    // --screens NAME=FILE as given, until they are joined to their displays.
    std::map<std::string, std::string> screens_files;
    std::string config_file;  // --config; none: the default places
    bool help = false;
    bool version = false;
};

struct loaded_settings {
    settings chosen;
    std::optional<std::string> password;  // read from the password file
    std::string file_read;                // the settings file that was read; empty when none
    std::string error;  // one line saying what is wrong ("FILE:LINE: ..." for a file's line)
};

// The command line (without the program's name) over the settings file: --config FILE, or the
// first of ${XDG_CONFIG_HOME:-~/.config}/quillon/bridge.conf and /etc/quillon/bridge.conf that
// exists. The password file is read here, and refused unless only its owner may read it.
loaded_settings load_settings(const std::vector<std::string>& arguments);

std::string help_text();

// The prefix plus the host name, with anything but letters, digits, "_" and "-" made "_".
std::string default_client_id();

}  // namespace quillon::bridge
