#include "cli/messages.h"

#include <utility>

#include "ports/platform.h"

namespace quillon::cli {

std::string help_text() {
    std::string text = R"(Usage: quillon-send [OPTIONS] [--] [TEXT]

Sends TEXT (or, without TEXT, standard input read as raw bytes to its end) to a serial
display module, after turning the tags in it into bytes.

Options:
  -p, --port N       serial port COM1 to COM8 (default 1)
  -b, --baud RATE    1200, 2400, 4800 or 9600 (default 9600); always 8N1, no flow control
      --device PATH  send to this device instead of a COM port; PATH may be a network
                     target tcp://HOST:PORT or rfc2217://HOST:PORT
      --raw          send the text as it is, without translating tags
      --charset NAME raw (default: bytes as typed), or the module's ROM, a00 (HD44780
                     A00) or a02 (A02, Western European): text beyond ASCII is
                     converted from UTF-8 to its codes; a missing character is sent as ?
  -q, --quiet        no warnings about unknown tag names or missing characters
      --tags         list every tag name with its bytes, then the other forms of a tag
      --dry-run      write the bytes to standard output instead of a port, nothing added
      --preview[=COLSxROWS]  show the screen the bytes make on a character display
                     module (16x2, 20x2, 20x4, 16x4 or 40x2; default 20x4), framed
                     as text; nothing is sent
      --list         show COM1 to COM8: target, where the mapping comes from, state
                     (found without opening: an open drops DTR, which resets many
                     boards), then the serial devices no COM port maps
      --probe        with --list: open and close each port, which also finds ports
                     that another program holds
      --map COMn=TARGET  map a port in your ports file (TARGET: @EXAMPLE_DEVICE@ or another
                     device, tcp://HOST:PORT or rfc2217://HOST:PORT)
      --unmap COMn   remove a port's line from your ports file
  -h, --help         show this text
      --version      show the version of quillon-send
      --             end of options (for a TEXT that starts with "-")

Ports: COMn is, in this order, the environment variable QUILLON_COMn, a running virtual
display, a line "COMn = TARGET" in @USER_FILE@ or in @SYSTEM_FILE@,
and otherwise @DEFAULT_DEVICES@.

A display on another machine: a serial port that ser2net offers on a TCP port is named
tcp://HOST:PORT (raw bytes; the line is as ser2net sets it) or rfc2217://HOST:PORT (telnet
with COM-PORT-OPTION: the baud rate and 8N1 are set on the far device), as --device or as
QUILLON_COMn (e.g. QUILLON_COM1=rfc2217://displaypi:2217).

Tags: anything in angle brackets that forms a tag becomes bytes; anything else is sent as is.
  <13>            the byte 13               <254,1>       the bytes 254 and 1
  <CLEAR_SCREEN>  a named control code      <LMA_LINE2>   a display-module command
  <CR,LF>         fields mix freely         <A>           control letter: Ctrl-A, byte 1
  <_5>            underscore number: 64+5   <\abc>        backslash text: "ABC"
Numbers are taken modulo 256; names are matched without regard to case; an unknown name
gives no bytes, and a warning names the nearest known one. --tags lists every name.

Example: quillon-send --dry-run '<LMA_CLS>Hi<CR,LF>' | od -An -tu1
  prints 254 1 254 128 72 105 13 10

Exit codes:
  0  sent (or written to standard output with --dry-run or --preview)
  1  the port could not be opened (missing, in use, permission denied, not a serial
     device, a bad mapping), a network target could not be connected to or did not take
     a line setting, or the ports file could not be written
  2  usage error: unknown option, missing or refused value
  3  the write failed or timed out (a network server dropped the connection before it
     took every byte), or standard output could not be written
  4  out of memory
)";
    const auto& words = ports::platform::platform_words();
    const std::pair<std::string_view, std::string_view> fills[] = {
        {"@USER_FILE@", words.user_ports_file},
        {"@SYSTEM_FILE@", words.system_ports_file},
        {"@DEFAULT_DEVICES@", words.default_devices},
        {"@EXAMPLE_DEVICE@", words.example_device},
    };
    for (const auto& [mark, fill] : fills) {
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
            text.replace(at, mark.size(), fill);
            at += fill.size();
        }
    }
    return text;
}

}  // namespace quillon::cli
