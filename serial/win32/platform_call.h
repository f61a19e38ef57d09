// Every call on a serial device runs quietly and is judged the same way: with the error mode
// set so that Windows never shows a dialog box of its own for a missing or busy port, and with
// the last-error value cleared before and read after. The device layer already makes the calls
// one at a time.
#pragma once

#include <windows.h>

#include <utility>

namespace quillon::serial::backend::win32 {

struct call_result {
    bool ok = false;
    DWORD last_error = 0;
};

template <typename Call>
call_result quiet_call(Call&& call) {
    const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetLastError(0);
    const bool returned_success = std::forward<Call>(call)();
    const DWORD last_error = GetLastError();
    SetErrorMode(previous_mode);
    // A call has failed when the platform reports an error; a function that fails without
    // setting one still counts as failed.
    if (!returned_success) return {false, last_error != 0 ? last_error : ERROR_GEN_FAILURE};
    return {last_error == 0, last_error};
}

}  // namespace quillon::serial::backend::win32
