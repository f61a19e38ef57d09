// The seven exported functions. No exception may cross into a C caller: each body runs
// inside a catch-all, and a string whose memory cannot be had is the empty string.
//
// Callers are meant to use the library from one thread, but misuse must not strand a port:
// an open reads and writes the current record number more than once, so two opens at the
// same time could leave a port open that no close can reach. Each call therefore runs whole
// under one lock.
#include <mutex>
#include <new>
#include <string>

#include "library/quillon.h"
#include "library/string_handle.h"
#include "ports/port_control.h"
#include "translate/translate.h"

namespace {

using quillon::library::handle_bytes;
using quillon::library::make_handle;
using quillon::library::owned_handle;

std::string translated_or_empty(BSTR text) {
    try {
        return quillon::TRANSLATE_TEXT(handle_bytes(text));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Never destroyed: a static destructor would race callers still running on other threads.
std::mutex& call_lock() {
    static auto* lock = new std::mutex;
    return *lock;
}

}  // namespace

extern "C" {

SER_API int SER_CALL SER_OPEN(int port, int baud) {
    const std::lock_guard one_call_at_a_time(call_lock());
    try {
        return quillon::ports::open_port(port, baud).opened ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

SER_API int SER_CALL SER_CLOSE(void) {
    const std::lock_guard one_call_at_a_time(call_lock());
    try {
        quillon::ports::close_current();
    } catch (...) {
    }
    return 1;
}

SER_API BSTR SER_CALL SER_VERSINFO(void) {
    const std::lock_guard one_call_at_a_time(call_lock());
    try {
        return make_handle(quillon::ports::version_text());
    } catch (...) {
        return nullptr;
    }
}

SER_API void SER_CALL SER_SEND(BSTR* text) {
    const std::lock_guard one_call_at_a_time(call_lock());
    if (text == nullptr) return;
    try {
        owned_handle translated(make_handle(translated_or_empty(*text)));
        owned_handle given(*text);
        *text = translated.release();
        given.reset();
        static_cast<void>(quillon::ports::send_bytes(handle_bytes(*text)));
    } catch (...) {
    }
}

SER_API void SER_CALL SER_RAWSEND(BSTR* text) {
    const std::lock_guard one_call_at_a_time(call_lock());
    if (text == nullptr) return;
    try {
        // Straight from the caller's string, without a copy.
        static_cast<void>(quillon::ports::send_bytes(handle_bytes(*text)));
    } catch (...) {
    }
}

SER_API void SER_CALL SER_SEND_BV(BSTR text) {
    const std::lock_guard one_call_at_a_time(call_lock());
    owned_handle given(text);
    try {
        const std::string translated = translated_or_empty(given.get());
        given.reset();  // released before the write, as a caller of this function expects
        static_cast<void>(quillon::ports::send_bytes(translated));
    } catch (...) {
    }
}

SER_API void SER_CALL SER_RAWSEND_BV(BSTR text) {
    const std::lock_guard one_call_at_a_time(call_lock());
    const owned_handle given(text);
    try {
        static_cast<void>(quillon::ports::send_bytes(handle_bytes(given.get())));
    } catch (...) {
    }
}

}  // extern "C"
