#include "cli/messages.h"

#include <cerrno>

namespace quillon::cli {
namespace {

using serial::error_number;

std::string variable_for(int port) { return "QUILLON_COM" + std::to_string(port); }

std::string with_reason(std::string text, const serial::error& e) {
    const std::string reason = serial::describe(e);
    if (!reason.empty()) text += ": " + reason;
    return text;
}

bool held_by_another_program(const serial::error& e) {
    return e.native == EBUSY || e.native == EWOULDBLOCK;
}

}  // namespace

std::string describe_target(const target& t) {
    if (t.port == 0) return t.device_path;
    return "COM" + std::to_string(t.port) + " (" + t.device_path + ")";
}

std::string open_failure_message(const target& t, const serial::error& e) {
    switch (e.number) {
        case error_number::port_not_found:
            if (t.port == 0) return t.device_path + " does not exist";
            return "COM" + std::to_string(t.port) + " not found: " + t.device_path +
                   " does not exist; set " + variable_for(t.port) +
                   " to the port's device path (e.g. " + variable_for(t.port) + "=/dev/ttyUSB0)";
        case error_number::access_denied:
            if (held_by_another_program(e)) {
                return describe_target(t) + " is in use by another program";
            }
            return "permission denied opening " + describe_target(t) +
                   "; add your user to the dialout group (sudo usermod -aG dialout $USER) and "
                   "log in again";
        case error_number::bad_device_name:
            return "refused device name '" + t.device_path + "': empty, or holds '*' or '?'";
        default:
            return with_reason("cannot open " + describe_target(t), e);
    }
}

std::string write_failure_message(const target& t, const serial::error& e) {
    return with_reason("writing to " + describe_target(t) + " failed", e);
}

std::string port_list_line(int port, const serial::probe_result& probe) {
    std::string state;
    switch (probe.failure.number) {
        case error_number::none:
            state = "exists, can be opened";
            break;
        case error_number::port_not_found:
            state = "does not exist";
            break;
        case error_number::access_denied:
            state = held_by_another_program(probe.failure)
                        ? "exists, in use by another program"
                        : "exists, permission denied (join the dialout group)";
            break;
        default:
            state = with_reason("cannot be opened", probe.failure);
            break;
    }
    return "COM" + std::to_string(port) + "  " + probe.device_path + "  " + state;
}

std::string help_text() {
    return R"(Usage: quillon-send [OPTIONS] [--] [TEXT]

Sends TEXT (or, without TEXT, standard input read as raw bytes to its end) to a serial
display module, after turning the tags in it into bytes.

Options:
  -p, --port N       serial port COM1 to COM8 (default 1)
  -b, --baud RATE    1200, 2400, 4800 or 9600 (default 9600); always 8N1, no flow control
      --device PATH  send to this device instead of a COM port
      --raw          send the text as it is, without translating tags
      --dry-run      write the bytes to standard output instead of a port, nothing added
      --list         show COM1 to COM8, their device paths and whether each can be opened
  -h, --help         show this text
      --             end of options (for a TEXT that starts with "-")

Ports: COMn is the device in the environment variable QUILLON_COMn when it is set (a USB
adapter such as /dev/ttyUSB0), otherwise /dev/ttyS0 to /dev/ttyS7.

Tags: anything in angle brackets that forms a tag becomes bytes; anything else is sent as is.
  <13>            the byte 13               <254,1>       the bytes 254 and 1
  <CLEAR_SCREEN>  a named control code      <LMA_LINE2>   a display-module command
  <CR,LF>         fields mix freely         <A>           control letter: Ctrl-A, byte 1
  <_5>            underscore number: byte 5 <\abc>        backslash text: the bytes "abc"
Numbers are taken modulo 256; names are matched without regard to case; an unknown name
gives no bytes.

Example: quillon-send --dry-run '<LMA_CLS>Hi<CR,LF>' | od -An -tu1
  prints 254 1 254 128 72 105 13 10

Exit codes:
  0  sent (or written to standard output with --dry-run)
  1  the port could not be opened (missing, in use, permission denied)
  2  usage error: unknown option, missing or refused value
  3  the write failed
)";
}

}  // namespace quillon::cli
