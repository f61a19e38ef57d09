#include "ports/held_port.h"

namespace quillon::ports {

open_result held_port::open(std::string_view device_name, int baud) {
    close();
    const record_number number = serial::allocate_record_number();
    open_result opened = open_device_as(number, device_name, baud);
    if (opened.opened) {
        number_ = number;
        device_path_ = opened.device_path;
    }
    return opened;
}

error held_port::send(std::string_view bytes, std::stop_token cancel) {
    return send_bytes_to(number_, bytes, std::move(cancel));
}

void held_port::close() {
    if (number_ != 0) close_record(number_);
    number_ = 0;
    device_path_.clear();
}

bool held_port::is_open() const { return number_ != 0 && serial::is_open(number_); }

}  // namespace quillon::ports
