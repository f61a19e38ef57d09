// Fuzzes the reader of an rfc2217:// server's stream and the negotiation answering it: no crash,
// no sanitizer report, the same events and the same overflow whether the bytes come whole or in
// pieces, and every cap held (a kept subnegotiation, the events of a piece, each answer).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "serial/network/telnet.h"

namespace telnet = quillon::serial::network::telnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const char> bytes(reinterpret_cast<const char*>(data), size);
    telnet::reader whole;
    std::vector<telnet::event> at_once;
    whole.feed(bytes, at_once);
    if (at_once.size() > size / 3 + 1) std::abort();

    // Piece sizes 1 to 16, chosen by the input's first byte so the fuzzer explores them too.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 16;
    telnet::reader split;
    std::vector<telnet::event> in_pieces;
    telnet::negotiation options;
    static_cast<void>(options.opening());
    for (std::size_t at = 0; at < size; at += piece) {
        const std::size_t before = in_pieces.size();
        const auto part = bytes.subspan(at, std::min(piece, size - at));
        split.feed(part, in_pieces);
        if (in_pieces.size() - before > part.size() / 3 + 1) std::abort();
    }
    if (in_pieces != at_once || split.overflowed() != whole.overflowed()) std::abort();
    for (const telnet::event& e : at_once) {
        if (e.value.size() >= telnet::longest_subnegotiation) std::abort();
        // One answer per command at most, and never more than one three-byte command.
        if (e.what == telnet::event::type::negotiation &&
            options.answer(e.verb, e.option).size() > 3) {
            std::abort();
        }
    }
    return 0;
}
