// Binds the Send action to the serial library the program is linked with. Kept apart so that
// the engine and its tests build without the library.
#include "ports/messages.h"
#include "ports/names.h"
#include "ports/resolve.h"
#include "ui/serial_library.h"

namespace quillon::ui {

serial_library linked_serial_library() {
    return serial_library{
        .open = SER_OPEN,
        .send = SER_SEND,
        .close = SER_CLOSE,
        .allocate = SysAllocStringByteLen,
        .release = SysFreeString,
        .failure = ports::last_failure_message,
        .port_charset = [](int port) -> std::optional<charset::rom> {
            if (port < 1 || port > ports::port_count) return std::nullopt;
            return ports::charset_of(ports::resolve_port(port));
        },
    };
}

}  // namespace quillon::ui
