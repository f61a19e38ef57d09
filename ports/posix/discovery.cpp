// The serial devices present on a Linux machine, found from /dev and sysfs without opening any.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "ports/platform.h"

namespace quillon::ports::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> sorted_names(const fs::path& folder, std::string_view prefix) {
    std::vector<std::string> names;
    std::error_code failure;
    for (const auto& entry : fs::directory_iterator(folder, failure)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix)) names.push_back(name);
    }
    // ttyUSB2 before ttyUSB10: shorter names first, then by name.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

// The 8250 driver makes ttyS0 to ttyS31 whether or not a UART answers; sysfs gives a port
// with no hardware behind it the type 0 (unknown).
bool has_uart(const fs::path& root, const std::string& name) {
    std::ifstream type(root / "sys/class/tty" / name / "type");
    int value = 0;
    return type >> value && value != 0;
}

}  // namespace

std::vector<std::string> serial_devices_present(const std::string& root_folder) {
    const fs::path root(root_folder);
    const fs::path dev = root / "dev";
    std::vector<std::string> found;
    // Stable names first: a by-id link stays the same whichever socket the adapter is in.
    for (const auto& name : sorted_names(dev / "serial/by-id", "")) {
        found.push_back((fs::path("/dev/serial/by-id") / name).string());
    }
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (const auto& name : sorted_names(dev, prefix)) found.push_back("/dev/" + name);
    }
    for (const auto& name : sorted_names(dev, "ttyS")) {
        if (has_uart(root, name)) found.push_back("/dev/" + name);
    }
    return found;
}

}  // namespace quillon::ports::platform
