// Virtual displays run on POSIX only: on Windows no display registers, and none is followed.
#include "ports/registration.h"

#include <utility>

#include "ports/names.h"

namespace quillon::ports {

registration_folder displays_folder(bool) { return {{}, "virtual displays run on Linux only"}; }

std::optional<registered_display> running_display(int) { return std::nullopt; }

std::string displays_folder_problem() { return {}; }

std::optional<display_claim> display_claim::make(int port, const std::string&, std::string& why) {
    why = "cannot register " + port_name(port) + ": virtual displays run on Linux only";
    return std::nullopt;
}

display_claim::display_claim(display_claim&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      port_lock_(std::exchange(other.port_lock_, -1)),
      file_(std::move(other.file_)) {}

display_claim::~display_claim() = default;

}  // namespace quillon::ports
