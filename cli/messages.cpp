#include "cli/messages.h"

#include <utility>

#include "cli/options.h"
#include "cli/platform.h"
#include "ports/platform.h"

namespace quillon::cli {

std::string help_text() {
    std::string text = R"(Usage: quillon-send [OPTIONS] [--] [TEXT]

Sends TEXT (or, without TEXT, standard input read as raw bytes to its end) to a serial
display module, after turning the tags in it into bytes.

Options:
@OPTIONS@
Ports: COMn is, in this order:
  the environment variable QUILLON_COMn,
@VIRTUAL_DISPLAY@  a line "COMn = TARGET" in @USER_FILE@
  or in @SYSTEM_FILE@,
  and otherwise @DEFAULT_DEVICES@.

A display on another machine: a serial port that ser2net offers on a TCP port is named
tcp://HOST:PORT (raw bytes; the line is as ser2net sets it) or rfc2217://HOST:PORT (telnet
with COM-PORT-OPTION: the baud rate and 8N1 are set on the far device), as --device or as
QUILLON_COMn (e.g. QUILLON_COM1=rfc2217://displaypi:2217).

Tags: anything in angle brackets that forms a tag becomes bytes; anything else is sent as is.
  <13>            the byte 13               <254,1>       the bytes 254 and 1
  <CR,LF>         named control codes       <A>           control letter: Ctrl-A, byte 1
  <_5>            underscore number: 64+5   <\abc>        backslash text: "ABC"
  <CLEAR_SCREEN>  a command of text and graphic modules: byte 12
  <LMA_LINE2>     a command of hd44780 modules: bytes 254 192
Numbers are taken modulo 256; names are matched without regard to case; an unknown name
gives no bytes, and a warning names the nearest known one, as it does for a name written
with "-" or a blank (<LMA-LINE3> is no tag: it goes out as text). --tags lists every name by
the modules it is for; with --module, a send warns of each name meant for another kind.

Examples:
  quillon-send --dry-run '<LMA_CLS>Hi<CR,LF>' | od -An -tu1
    prints 254 1 254 128 72 105 13 10
  quillon-send --module text '<CLEAR_SCREEN>Hello<RETURN>World'
  quillon-send --preview 16x2 '<LMA_CLS>Hello<LMA_LINE2>World'
  quillon-send --preview --module graphic --dots '<LINE,0,0,119,31>'

Exit codes:
  0  sent (or written to standard output with --dry-run or --preview)
  1  the port could not be opened (missing, in use, permission denied, not a serial
     device, a bad mapping), a network target could not be connected to or did not take
     a line setting, or the ports file could not be written
  2  usage error: unknown option, missing or refused value; or, with --strict, a text
     with a warning (nothing sent)
  3  the write failed or timed out (a network server dropped the connection before it
     took every byte), or standard output could not be written
  4  out of memory
)";
    const auto& words = ports::platform::platform_words();
    const std::string options = options_help();
    const std::pair<std::string_view, std::string_view> fills[] = {
        {"@OPTIONS@", options},
        {"@VIRTUAL_DISPLAY@", platform::virtual_display_source()},
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
