// The device layer: the process's table of open port records and the few operations the
// exported functions need. Every operation is synchronous, never throws and reports a failure
// by storing an error in the caller's error_state (a success leaves it as it was).
//
// A device name whose path is a network target (tcp://HOST:PORT, rfc2217://HOST:PORT) opens a
// connection to it instead of a device (serial/network/); every operation then works on that.
//
// Calling order: allocate_record_number, open_port, port_handle, clear_break, the line
// settings, any number of write_port, close_port.
//
// Locks: allocation and opening share one lock (no number is handed out while an open is in
// progress); the table has its own, taken for every look-up, insertion and removal; every
// platform call on a record runs under that record's own lock, held for the whole call, a
// blocking write included, so a write waiting on one port holds up no other.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

#include "serial/errors.h"
#include "serial/line_state.h"

namespace quillon::serial {

using record_number = std::int16_t;

struct port_record;
using port_handle_ptr = std::shared_ptr<port_record>;

// A number no open record has: one more than the last handed out, wrapping from 32767 to 1.
record_number allocate_record_number();

// Opens the device under the record number. The name is a resolved target: a device path or a
// network target, taken as it is (COM port names are resolved above, in ports/). A failed open
// leaves no record.
void open_port(error_state& errors, std::string_view device_name, record_number number);

// The record's handle; null and error 52 when no record has the number.
port_handle_ptr port_handle(error_state& errors, record_number number);

void clear_break(const port_handle_ptr& handle);

void apply_line_setting(error_state& errors, record_number number, line_setting setting,
                        std::int32_t value);

// Exactly the bytes, nothing added. A number that is not open gives error 52 and no platform
// call is made. A stop requested on `cancel` from another thread ends the write at once (see
// backend::write_all); the record is then closed, as after a time-out. The record's lock is not
// taken by the request: the write itself wakes and returns.
void write_port(error_state& errors, record_number number, std::string_view bytes,
                std::stop_token cancel = {});

// Removes the record and closes its device; a failing close still removes the record.
// A number that is not open makes it do nothing.
void close_port(error_state& errors, record_number number);

bool is_open(record_number number);

// What a device path is, found from the file system alone, without opening it: opening drops
// DTR on a real UART and resets many USB-attached boards. Tells a missing device, a permission
// refusal and a path that is not a serial device; cannot tell a port that another program
// holds. A network target is only checked for its form.
struct device_look {
    error failure;
    std::string owner_group;  // the group owning the device, where the platform has one
};
device_look look_at_device(std::string_view device_path);

// The platform's own words for the error's native code; empty when there is none.
std::string describe(const error& e);
// What a path is, in words: "a regular file", "a FIFO", ...
std::string_view describe(file_type found);

// For tests: the record-number counter, to show the wrap without 32767 opens.
void set_record_counter_for_testing(record_number value);

}  // namespace quillon::serial
