// The one synchronous write: a single WriteFile without OVERLAPPED, which returns when the
// driver has taken every byte or failed. A short count is a failure; nothing is retried.
#include <windows.h>

#include "serial/win32/platform_call.h"
#include "serial/win32/port.h"

namespace quillon::serial::backend {

int write_all(port& p, std::span<const char> bytes) {
    DWORD written = 0;
    const auto wrote = win32::quiet_call([&] {
        return WriteFile(p.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) != FALSE;
    });
    if (!wrote.ok) return static_cast<int>(wrote.last_error);
    return written == bytes.size() ? 0 : ERROR_WRITE_FAULT;
}

}  // namespace quillon::serial::backend
