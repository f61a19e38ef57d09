// One port kept open by its owner for as long as it wants, beside any others: a program that
// serves several displays at once holds one of these for each. Not the current port of the
// exported functions, which stays one at a time. One thread uses a held port at a time.
#pragma once

#include <stop_token>
#include <string>
#include <string_view>

#include "ports/port_control.h"

namespace quillon::ports {

class held_port {
  public:
    held_port() = default;
    ~held_port() { close(); }
    held_port(const held_port&) = delete;
    held_port& operator=(const held_port&) = delete;

    // Opens the device name (a COM port name through the ports mapping, a path, tcp:// or
    // rfc2217://) as open_device does, closing what was open before. On failure nothing is open.
    open_result open(std::string_view device_name, int baud);
    // Exactly the bytes; error 52 when nothing is open. A write that ran out of time leaves the
    // port closed (the device layer closes it). A stop requested on `cancel` from another
    // thread ends a send that waits for the line at once, the bytes not yet sent discarded,
    // and leaves the port closed the same way: the one call of a held port that may come from
    // another thread than its user's.
    error send(std::string_view bytes, std::stop_token cancel = {});
    void close();
    bool is_open() const;
    // The resolved path it was opened on; empty when nothing is open.
    const std::string& device_path() const { return device_path_; }

  private:
    record_number number_ = 0;  // 0 names no record
    std::string device_path_;
};

}  // namespace quillon::ports
