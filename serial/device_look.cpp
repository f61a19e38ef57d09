// Looking at a device without opening it, and the words for what went wrong.
#include "serial/device_layer.h"
#include "serial/network/sockets.h"
#include "serial/network/target.h"
#include "serial/port_backend.h"

namespace quillon::serial {

device_look look_at_device(std::string_view device_path) {
    device_look result;
    if (network::is_network_path(device_path)) {
        // Only a connection tells more, and looking must not connect.
        if (!network::parse_target(device_path)) {
            result.failure = {error_number::bad_device_name, 0, error_kind::bad_name};
        }
        return result;
    }
    const backend::device_look look = backend::look_at(std::string(device_path));
    result.failure = backend::error_for(look.native_error);
    if (look.found != file_type::unknown) {
        result.failure.number = error_number::not_a_serial_device;
        result.failure.kind = error_kind::not_a_serial_device;
        result.failure.found = look.found;
    }
    result.owner_group = look.owner_group;
    return result;
}

std::string describe(const error& e) {
    if (e.native == 0) return {};
    return e.source == error_source::network ? network::describe_native(e.native)
                                             : backend::describe_native_error(e.native);
}

std::string_view describe(file_type found) {
    switch (found) {
        case file_type::regular_file:
            return "a regular file";
        case file_type::directory:
            return "a directory";
        case file_type::fifo:
            return "a FIFO";
        case file_type::socket:
            return "a socket";
        case file_type::block_device:
            return "a block device";
        case file_type::character_device:
            return "a device that is not a terminal";
        case file_type::unknown:
            break;
    }
    return "not a device";
}

}  // namespace quillon::serial
