// Opening, probing and closing a port with the Windows communications functions, and the one
// mapping of last-error codes to error numbers.
#include <windows.h>

#include <new>
#include <string>

#include "serial/win32/platform_call.h"
#include "serial/win32/port.h"

namespace quillon::serial::backend {
namespace {

// "COM1".."COM8" in any case, the names the port control functions build.
bool is_com_port_name(const std::string& name) {
    if (name.size() != 4) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return false;
    }
    return name[3] >= '1' && name[3] <= '8';
}

// No sharing: while this handle is open no other can open the port, and the open fails while
// another handle holds it. OPEN_ALWAYS is what a COM port expects; no device-namespace prefix
// is added to the name. Any other name must already exist: OPEN_ALWAYS would create a file.
HANDLE create_port_handle(const std::string& device_name) {
    const DWORD disposition = is_com_port_name(device_name) ? OPEN_ALWAYS : OPEN_EXISTING;
    return CreateFileA(device_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

file_type type_of(DWORD file_type_code) {
    switch (file_type_code) {
        case FILE_TYPE_DISK:
            return file_type::regular_file;
        case FILE_TYPE_PIPE:
            return file_type::fifo;
        case FILE_TYPE_CHAR:
            return file_type::character_device;
        default:
            return file_type::unknown;
    }
}

// A directory cannot be opened as a file at all (access is denied), so it is told apart first.
bool is_directory(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void port_deleter::operator()(port* p) const noexcept { delete p; }

open_outcome open_exclusive(const std::string& device_name) {
    port_ptr p(new (std::nothrow) port);
    if (!p) return {nullptr, ERROR_NOT_ENOUGH_MEMORY};
    const bool com_port = is_com_port_name(device_name);
    if (!com_port && is_directory(device_name)) {
        return {nullptr, ERROR_BAD_DEV_TYPE, file_type::directory};
    }

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
    if (!com_port) {
        // A device named by path must be a communications device, checked before any write: a
        // file, pipe or console would otherwise take the bytes.
        DCB state{};
        state.DCBlength = sizeof state;
        const bool comm = type == FILE_TYPE_CHAR && GetCommState(handle, &state) != FALSE;
        if (!comm) {
            CloseHandle(handle);
            p->handle = INVALID_HANDLE_VALUE;
            return {nullptr, ERROR_BAD_DEV_TYPE, type_of(type)};
        }
    }
    return {std::move(p), 0};
}

device_look look_at(const std::string& device_name) {
    device_look look;
    if (is_com_port_name(device_name)) {
        // The DOS device table knows every COM port without opening it.
        char target[512];
        if (QueryDosDeviceA(device_name.c_str(), target, sizeof target) == 0) {
            look.native_error = static_cast<int>(GetLastError());
        }
        return look;
    }
    const DWORD attributes = GetFileAttributesA(device_name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        look.native_error = static_cast<int>(GetLastError());
        // Device paths such as \\.\COM10 have no attributes to read; only an open tells more.
        if (look.native_error != ERROR_FILE_NOT_FOUND &&
            look.native_error != ERROR_PATH_NOT_FOUND) {
            look.native_error = 0;
        }
        return look;
    }
    look.native_error = ERROR_BAD_DEV_TYPE;
    look.found = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? file_type::directory
                                                              : file_type::regular_file;
    return look;
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

error error_for(int native_error) noexcept {
    switch (native_error) {
        case 0:
            return {};
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return {error_number::port_not_found, native_error, error_kind::not_found};
        // A COM port that another handle holds is refused with "access denied".
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return {error_number::access_denied, native_error, error_kind::in_use};
        case ERROR_BAD_DEV_TYPE:
            return {error_number::not_a_serial_device, native_error,
                    error_kind::not_a_serial_device};
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_INVALID_NAME:
            return {error_number::bad_device_name, native_error, error_kind::bad_name};
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return {error_number::out_of_memory, native_error, error_kind::out_of_memory};
        case ERROR_TIMEOUT:
            return {error_number::write_failed, native_error, error_kind::timed_out};
        default:
            return {error_number::platform_failure, native_error, error_kind::other};
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
