// Fuzzes the tag translator: no crash, no sanitizer report, the output never longer than the
// input, for short inputs the same bytes as the literal splice-and-search-again algorithm, and
// the same bytes again when the input arrives in pieces. The text-to-bytes step likewise gives
// the same bytes and the same notes whole and in pieces, with each charset.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "translate/stream_translator.h"
#include "translate/tests/reference_translator.h"
#include "translate/text_to_bytes.h"
#include "translate/translate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string out = quillon::TRANSLATE_TEXT(text);
    if (out.size() > text.size()) std::abort();
    if (size <= 2048 && out != quillon::test::reference_translate_text(text)) std::abort();

    // Piece sizes 1 to 8, chosen by the input's first byte so the fuzzer explores them too.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 8;
    quillon::stream_translator stream;
    std::string streamed;
    for (std::size_t at = 0; at < size; at += piece)
        streamed += stream.translate(text.substr(at, piece));
    streamed += stream.finish();
    if (streamed != out) std::abort();

    using quillon::text_settings;
    const auto rom = quillon::charset::rom::a00;
    for (const text_settings& settings :
         {text_settings{}, text_settings{rom, true, true}, text_settings{rom, false, true}}) {
        quillon::text_notes whole_notes;
        const std::string whole = quillon::bytes_of_text(text, settings, whole_notes);
        quillon::text_to_bytes step(settings);
        std::string pieces;
        for (std::size_t at = 0; at < size; at += piece)
            pieces += step.convert(text.substr(at, piece));
        pieces += step.finish();
        const auto lines = [&](const quillon::text_notes& notes) {
            std::string all;
            for (const auto& line : quillon::note_lines(notes, settings, ""))
                all += line.text + "\n";
            return all;
        };
        if (pieces != whole || lines(step.notes()) != lines(whole_notes)) std::abort();
        if (settings.charset == std::nullopt && whole != out) std::abort();
    }
    for (std::size_t cut = 0; cut < size && cut < 64; cut += 7) {
        const auto field = quillon::LOOKUP_SYMBOL(text.substr(cut, 32));
        if (field.size() > text.substr(cut, 32).size()) std::abort();
    }
    return 0;
}
