#include "display/posix/registration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "serial/port_map.h"

namespace quillon::display {

namespace fs = std::filesystem;

std::optional<registration> registration::make(int port, const std::string& pty_path,
                                               std::string& why) {
    const fs::path file = serial::virtual_display_registration(port);
    std::error_code failure;
    fs::create_directories(file.parent_path(), failure);
    if (failure) {
        why = "cannot make " + file.parent_path().string() + ": " + failure.message();
        return std::nullopt;
    }
    // The folder tells which terminals this user's displays serve: only the user reads it.
    static_cast<void>(chmod(file.parent_path().c_str(), 0700));
    const std::string content = std::to_string(getpid()) + " " + pty_path + "\n";
    const fs::path temporary = file.string() + "." + std::to_string(getpid()) + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        if (!out) {
            fs::remove(temporary, failure);
            why = "cannot write " + temporary.string();
            return std::nullopt;
        }
    }
    fs::rename(temporary, file, failure);
    if (failure) {
        fs::remove(temporary, failure);
        why = "cannot write " + file.string() + ": " + failure.message();
        return std::nullopt;
    }
    return registration(file.string(), content);
}

registration::registration(registration&& other) noexcept
    : file_(std::exchange(other.file_, {})), content_(std::move(other.content_)) {}

registration::~registration() {
    if (file_.empty()) return;
    // Only our own claim goes: a display started for the port after this one has its own.
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream held;
    held << in.rdbuf();
    if (held.str() != content_) return;
    std::error_code ignored;
    fs::remove(file_, ignored);
}

}  // namespace quillon::display
