// The serial ports present on Windows: the COM devices the DOS device table names.
#include <windows.h>

#include <string>
#include <vector>

#include "ports/platform.h"

namespace quillon::ports::platform {

std::vector<std::string> serial_devices_present(const std::string& /*root_folder*/) {
    std::vector<char> names(65536);
    const DWORD length = QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    std::vector<std::string> found;
    for (DWORD at = 0; at < length && names[at] != '\0';) {
        const std::string name(&names[at]);
        at += static_cast<DWORD>(name.size()) + 1;
        if (name.size() > 3 && name.compare(0, 3, "COM") == 0) found.push_back(name);
    }
    return found;
}

}  // namespace quillon::ports::platform
