// The device layer's operations as the tests call them: one call, and the error it left.
#pragma once

#include <cstdint>
#include <string_view>

#include "serial/device_layer.h"

namespace quillon::serial {

inline error open_error(std::string_view name, record_number number) {
    error_state errors;
    open_port(errors, name, number);
    return errors.take();
}

inline error close_error(record_number number) {
    error_state errors;
    close_port(errors, number);
    return errors.take();
}

inline error setting_error(record_number number, line_setting setting, std::int32_t value) {
    error_state errors;
    apply_line_setting(errors, number, setting, value);
    return errors.take();
}

inline error write_error(record_number number, std::string_view bytes) {
    error_state errors;
    write_port(errors, number, bytes);
    return errors.take();
}

}  // namespace quillon::serial
