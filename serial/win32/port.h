// The Win32 backend's port: private to serial/win32/, never seen by the device layer.
#pragma once

#include <windows.h>

#include "serial/port_backend.h"

namespace quillon::serial::backend {

struct port {
    HANDLE handle = INVALID_HANDLE_VALUE;
    file_kind kind = file_kind::device;
};

}  // namespace quillon::serial::backend
