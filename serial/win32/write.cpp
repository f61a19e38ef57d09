// The one synchronous write: a single WriteFile without OVERLAPPED, which returns when the
// driver has taken every byte, failed, or run out of time. A short count is a failure; nothing
// is retried.
#include <windows.h>

#include "serial/win32/platform_call.h"
#include "serial/win32/port.h"
#include "serial/write_bound.h"

namespace quillon::serial::backend {
namespace {

// The driver's own write time-out, the bound every writer has (serial/write_bound.h). Without
// one, WriteFile on a port whose output is held back (a wedged adapter, flow control nobody
// releases) waits for ever.
void bound_the_write(HANDLE handle) {
    DCB state{};
    state.DCBlength = sizeof state;
    const DWORD rate = GetCommState(handle, &state) != FALSE ? state.BaudRate : 0;
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = write_bound_ms_per_byte(rate);
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(write_slack_ms);
    static_cast<void>(SetCommTimeouts(handle, &timeouts));
}

}  // namespace

int write_all(port& p, std::span<const char> bytes, std::stop_token) {
    DWORD written = 0;
    const auto wrote = win32::quiet_call([&] {
        bound_the_write(p.handle);
        SetLastError(0);
        return WriteFile(p.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) != FALSE;
    });
    if (!wrote.ok) return static_cast<int>(wrote.last_error);
    if (written == bytes.size()) return 0;
    // A write time-out ends WriteFile with success and a short count. The rest is discarded,
    // so that closing the port does not wait for it.
    static_cast<void>(PurgeComm(p.handle, PURGE_TXCLEAR | PURGE_TXABORT));
    return ERROR_TIMEOUT;
}

}  // namespace quillon::serial::backend
