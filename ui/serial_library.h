// The serial library functions the Send action calls, as a table so that tests can stand in for
// the serial line.
#pragma once

#include <optional>
#include <string>

#include "charset/rom.h"
#include "library/quillon.h"

namespace quillon::ui {

struct serial_library {
    int(SER_CALL* open)(int port, int baud);
    void(SER_CALL* send)(BSTR* text);
    int(SER_CALL* close)();
    BSTR(SER_CALL* allocate)(const char* bytes, unsigned int length);
    void(SER_CALL* release)(BSTR text);
    // Beside the C functions, whose results carry no reason: why the latest open or write failed,
    // in the words quillon-send prints; empty when it did not fail.
    std::string (*failure)();
    // The ROM the port's module holds (charset= in the ports file), which typed text beyond
    // ASCII is converted to; nothing for the window's own code page, 1252.
    std::optional<charset::rom> (*port_charset)(int port);
};

// The functions of the serial library this program is linked with.
serial_library linked_serial_library();

}  // namespace quillon::ui
