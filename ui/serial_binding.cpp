// Binds the Send action to the serial library the program is linked with. Kept apart so that
// the engine and its tests build without the library.
#include "ports/messages.h"
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
    };
}

}  // namespace quillon::ui
