// The one narrow interface between the ports mapping and the platform it runs on: where the
// files and folders are, what a device is called, how a file is read and replaced safely, and
// how a running display's claim is made and trusted. ports/posix/ and ports/win32/ each define
// these; the choice is made at configure time.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::ports::platform {

// The built-in device of COM<port>.
std::string default_target(int port);

// The folder the user's ports file lives in (…/quillon is added), or none when the platform's
// variables give no usable one: a folder named by a relative path, or an empty one, would be
// shared with whoever else runs with it.
std::optional<std::string> user_config_folder();
std::string system_config_folder();

// Whether a target names a device on this platform in the form ports files take.
bool is_absolute_device_path(std::string_view path);
// A platform's short form of a device, in the form the device layer opens: on Windows "COM12"
// is "\\.\COM12" (the device namespace reaches ports above COM9). None elsewhere.
std::optional<std::string> native_device(std::string_view name);

// The serial devices present, found without opening any (see ports/resolve.h).
std::vector<std::string> serial_devices_present(const std::string& root_folder);

// The program that holds a lock on the file or device, when the system tells: its process id
// and its name. Looked up after an open found the port in use, to say by whom.
struct lock_holder {
    long pid = 0;
    std::string program;  // empty when the name cannot be read
};
std::optional<lock_holder> lock_holder_of(const std::string& path);

// What the platform's texts say, so that help and advice name the platform's own places.
struct words {
    std::string_view user_ports_file;     // "~/.config/quillon/ports.conf (XDG_CONFIG_HOME)"
    std::string_view system_ports_file;   // "/etc/quillon/ports.conf"
    std::string_view default_devices;     // "/dev/ttyS0 to /dev/ttyS7"
    std::string_view example_device;      // "/dev/ttyUSB0"
    std::string_view device_description;  // "a device path"
};
const words& platform_words();

// A whole small file, read without ever blocking: only a regular file is read, and one longer
// than `limit` bytes is refused. Missing is not a problem (found false); anything else that
// keeps the file from being read is, in words ("is a FIFO, not a regular file").
struct file_text {
    bool found = false;
    std::string text;
    std::string problem;
};
file_text read_small_file(const std::string& path, std::size_t limit);

// Replaces a file's text under a lock, so that concurrent editors take turns: `edit` is given
// the current text (or none when there is no file) and returns the new text, or a problem, in
// which case nothing is written. A symbolic link is followed and stays a link; the file keeps
// its mode and owner; the new text goes to a fresh temporary file beside it, is flushed to the
// disk and renamed over the old one. Folders are made as needed. Only what the real user owns is
// followed or changed (POSIX: a link of the user's own, the user's file or folder, or root's own
// file), so that root with a user's HOME never writes through the user's files. No lock or
// temporary file outlives an edit: a killed edit's go with the next. The problem, or none.
using text_edit = std::function<std::optional<std::string>(const file_text& now, std::string& out)>;
std::optional<std::string> replace_file(const std::string& path, std::size_t limit,
                                        const text_edit& edit);

}  // namespace quillon::ports::platform
