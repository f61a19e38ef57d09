// The Win32 backend's port: private to serial/win32/, never seen by the device layer.
#pragma once

#include <windows.h>

#include "serial/port_backend.h"

namespace quillon::serial::backend {

struct port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    file_kind kind = file_kind::device;
    // The DCB of the last read, so that a setting writes back exactly what the driver reported
    // (reserved fields included) with one read and one write per setting.
    DCB last_read{};
    bool has_last_read = false;
};

}  // namespace quillon::serial::backend
