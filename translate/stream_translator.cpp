// How it works: the bytes held back are moved to the front of the buffer before each new piece
// is read in behind them. While they are a "<" and body characters only, a new piece that
// continues the run without ending it is simply kept (the run is never scanned twice while it
// grows); once something ends the run, the scanner runs over the held bytes and the piece
// together. Each byte is therefore scanned a bounded number of times: the work is proportional
// to the length of the text, however it is cut.
#include "translate/stream_translator.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "translate/byte_classes.h"
#include "translate/translate_in_place.h"

namespace quillon {

std::span<char> stream_translator::room(std::size_t size) {
    const std::size_t held = held_back();
    if (held_begin_ != 0) std::memmove(buffer_.get(), buffer_.get() + held_begin_, held);
    held_begin_ = 0;
    held_end_ = held;
    if (capacity_ - held < size) {
        // Doubling keeps a run of body characters that outgrows the buffer linear in cost.
        const std::size_t grown = std::max(held + size, 2 * capacity_);
        // Not zero-filled: a page of the buffer is touched only when bytes are read into it,
        // and page faults are what costs most here.
        auto larger = std::make_unique_for_overwrite<char[]>(grown);
        if (held != 0) std::memcpy(larger.get(), buffer_.get(), held);
        buffer_ = std::move(larger);
        capacity_ = grown;
    }
    return {buffer_.get() + held, capacity_ - held};
}

std::string_view stream_translator::translate_written(std::size_t count) {
    assert(held_begin_ == 0 && held_end_ + count <= capacity_);
    char* const data = buffer_.get();
    const std::size_t end = held_end_ + count;
    if (held_end_ != 0 && held_run_) {
        // The held bytes are "<" and a run of body characters: if the piece only continues that
        // run, nothing is decided yet. (A broken tag's start is looked at again with each piece:
        // it is held only while it is short.)
        const auto* piece = reinterpret_cast<const unsigned char*>(data + held_end_);
        if (std::all_of(piece, piece + count, detail::is_body_byte)) {
            held_end_ = end;
            return {};
        }
    }
    const detail::in_place_result r = detail::translate_in_place(data, end, true, findings_);
    held_begin_ = r.held;
    held_run_ = r.held_run;
    held_end_ = end;
    return {data, r.translated};
}

std::string_view stream_translator::translate(std::string_view piece) {
    const std::span<char> space = room(piece.size());
    if (!piece.empty()) std::memcpy(space.data(), piece.data(), piece.size());
    return translate_written(piece.size());
}

std::string_view stream_translator::finish() {
    const std::string_view rest(buffer_.get() + held_begin_, held_back());
    held_begin_ = held_end_ = 0;
    return rest;
}

}  // namespace quillon
