// Opening, probing and closing a port with the Windows communications functions, and the one
// mapping of last-error codes to error numbers.
#include <windows.h>

#include <new>
#include <string>

#include "serial/win32/platform_call.h"
#include "serial/win32/port.h"

namespace quillon::serial::backend {
namespace {

// No sharing: while this handle is open no other can open the port, and the open fails while
// another handle holds it. OPEN_ALWAYS is what a COM port expects; no device-namespace prefix
// is added to the name.
HANDLE create_port_handle(const std::string& device_name) {
    return CreateFileA(device_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void port_deleter::operator()(port* p) const noexcept { delete p; }

std::string device_path_for(std::string_view device_name) { return std::string(device_name); }

open_outcome open_exclusive(const std::string& device_name) {
    port_ptr p(new (std::nothrow) port);
    if (!p) return {nullptr, ERROR_NOT_ENOUGH_MEMORY};

    HANDLE handle = INVALID_HANDLE_VALUE;
    const auto opened = win32::quiet_call([&] {
        handle = create_port_handle(device_name);
        return handle != INVALID_HANDLE_VALUE;
    });
    // CreateFileA alone is judged by its handle: OPEN_ALWAYS on an existing device leaves
    // ERROR_ALREADY_EXISTS behind on success.
    if (handle == INVALID_HANDLE_VALUE) {
        return {nullptr,
                static_cast<int>(opened.last_error != 0 ? opened.last_error : ERROR_GEN_FAILURE)};
    }
    p->handle = handle;

    DWORD type = FILE_TYPE_UNKNOWN;
    static_cast<void>(win32::quiet_call([&] {
        type = GetFileType(handle);
        return true;
    }));
    p->kind = type == FILE_TYPE_DISK ? file_kind::disk : file_kind::device;
    return {std::move(p), 0};
}

int probe(const std::string& device_name) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    const auto opened = win32::quiet_call([&] {
        handle = create_port_handle(device_name);
        return handle != INVALID_HANDLE_VALUE;
    });
    if (handle == INVALID_HANDLE_VALUE) return static_cast<int>(opened.last_error);
    CloseHandle(handle);
    return 0;
}

file_kind kind_of(const port& p) { return p.kind; }

void clear_break(port& p) noexcept {
    // Called directly, outside the quiet-call discipline; its answer is of no interest.
    if (p.handle != INVALID_HANDLE_VALUE) EscapeCommFunction(p.handle, CLRBREAK);
}

int close_port(port& p) {
    if (p.handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    const HANDLE handle = p.handle;
    p.handle = INVALID_HANDLE_VALUE;
    const auto closed = win32::quiet_call([&] { return CloseHandle(handle) != FALSE; });
    return closed.ok ? 0 : static_cast<int>(closed.last_error);
}

error_number error_number_for(int native_error) noexcept {
    switch (native_error) {
        case 0:
            return error_number::none;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return error_number::port_not_found;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return error_number::access_denied;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return error_number::out_of_memory;
        default:
            return error_number::platform_failure;
    }
}

std::string describe_native_error(int native_error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(native_error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length)
                                                         : "error " + std::to_string(native_error);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

}  // namespace quillon::serial::backend
