// The ports file: lines "COM1 = TARGET [KEY=VALUE ...]", comments and blank lines.
//
// A comment starts with "#" at the start of a line or after white space, so that a "#" inside
// a device name (udev allows one in /dev/serial/by-id names) is part of the name. A target
// that holds white space or starts with a quote is written in double quotes, with a backslash
// before each quote and backslash inside. A byte-order mark before the first line is skipped. A
// target is an absolute device path (on Windows also COMn, which stands for the device namespace's
// COMn), tcp://HOST:PORT or rfc2217://HOST:PORT, and never holds a control character. After the
// target, a line may give the port settings as KEY=VALUE words (port_settings); a line without
// any reads as a line did before settings existed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::ports {

// Bigger than any ports file a person writes; a bigger one is refused, never read on and on.
inline constexpr std::size_t ports_file_limit = 1024 * 1024;

// What a target written in a file, a variable or on a command line opens, or why it cannot be
// one. The same check serves all three.
struct checked_target {
    std::string target;   // in the form the device layer opens; empty when problem is set
    std::string problem;  // "'ttyUSB0' is not an absolute device path, ..."
};
checked_target check_target(std::string_view written);

// What a line says about its port beyond the target. Each is a KEY=VALUE word after the target;
// an unknown key or value makes the line unusable, naming it. Read by the programs that turn
// text into bytes for the port; the ports layer only keeps them.
struct port_settings {
    // charset=NAME: the character set text beyond ASCII is converted to for this port's module:
    // raw (bytes as typed) or a ROM's name, a00 or a02 (display/rom.h). None when not given.
    std::optional<std::string> charset;
    friend bool operator==(const port_settings&, const port_settings&) = default;
};
// The values charset= takes.
inline constexpr std::string_view charset_names[] = {"raw", "a00", "a02"};

// The settings as the words that follow a target on a line: " charset=a00", or "" for none.
std::string settings_words(const port_settings& settings);

// What the right-hand side of a line ("TARGET [KEY=VALUE ...]", the target quoted where it
// needs to be) means; --map COMn=VALUE takes the same text. A KEY= word with no value stands
// for "not given", so that --map can take a setting away.
struct checked_mapping {
    std::string target;  // as check_target gives it; empty when problem is set
    port_settings settings;
    std::vector<std::string> cleared;  // the keys written with no value
    std::string problem;
};
checked_mapping check_mapping(std::string_view written);

// One mapping line of a file as read.
struct ports_file_entry {
    int line = 0;
    int port = 0;  // 0 on a line that names no port at all
    std::string target;
    port_settings settings;
    std::string problem;  // empty on a good line
};
// The mapping lines of a file's text (comments and blank lines left out).
std::vector<ports_file_entry> parse_ports_file(std::string_view text);

// A ports file as read from the disk, or why it cannot be read. A file that is not there is no
// problem; one that is not a regular file, is larger than ports_file_limit, or holds a zero
// byte (no text file does) is.
struct ports_file {
    std::string path;
    bool found = false;
    std::string problem;
    std::vector<ports_file_entry> entries;
};
ports_file read_ports_file(const std::string& path);

// "COM1 = TARGET charset=a00", the target quoted where it needs it to read back the same.
std::string mapping_line(int port, std::string_view target, const port_settings& settings = {});

// The text with the port's line set to the mapping, or removed when there is none: every other
// line stays as it was. The new line keeps the settings of the port's line in force that the
// mapping neither gives nor clears. had_line tells whether the text had a line for the port;
// written is the line written.
std::string edited_text(std::string_view text, int port, const checked_mapping* mapping,
                        bool& had_line, std::string* written = nullptr);

// Sets (value given: "TARGET [KEY=VALUE ...]") or removes (none) the port's line in the file,
// keeping every other line and comment as it was. Concurrent edits take turns under a lock; a
// file that cannot be read, or that the edit would make larger than ports_file_limit, is left as
// it is. The value is checked first and its target written
// in its opened form.
struct edit_outcome {
    std::string problem;          // empty on success
    bool refused_target = false;  // the problem is the value's own
    bool had_line = false;        // the file had a line for the port before
    std::string target;           // the target written
    std::string line;             // the whole line written
};
edit_outcome edit_ports_file(const std::string& path, int port,
                             const std::optional<std::string>& value);

}  // namespace quillon::ports
