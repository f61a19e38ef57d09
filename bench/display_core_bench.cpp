// Throughput of the display emulation: the bytes a sender could put on the line, fed to the
// serial module in pieces as the pseudo-terminal delivers them.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/repeat_to.h"
#include "display/controller.h"

namespace {

constexpr std::size_t piece = 64 * 1024;  // what quillon-display reads at once

// Plain text, wrapping round the lines.
std::string text_only() { return repeat_to("Hello, display! The quick brown fox. ", piece); }
// Screens as senders write them: clear, two lines, a cursor.
std::string screens() {
    return repeat_to(
        "\xFE\x01\xFE\x80Temperature 21\xDF"
        "C\xFE\xC0Pump on, 1200 rpm\xFE\x94Level 75%\xFE\xD4OK\xFE\x0E",
        piece);
}
// Every other byte an instruction: cursor and display shifts, the worst case.
std::string commands() { return repeat_to("\xFE\x10\xFE\x14\xFE\x18x", piece); }
// Characters defined and shown, and text with the display shifting on every write.
std::string defining_and_shifting() {
    return repeat_to(
        "\xFE\x40\x1F\x11\x11\x11\x11\x11\x1F\x00\xFE\x80\x00\x01\xFE\x07moving text\xFE\x06",
        piece);
}

void feed(benchmark::State& state, std::string (*make)()) {
    const std::string bytes = make();
    quillon::display::serial_module module;
    for (auto _ : state) {
        module.feed(bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}

void text_only_feed(benchmark::State& state) { feed(state, text_only); }
void screens_feed(benchmark::State& state) { feed(state, screens); }
void commands_feed(benchmark::State& state) { feed(state, commands); }
void defining_and_shifting_feed(benchmark::State& state) { feed(state, defining_and_shifting); }

// What a burst costs beyond the bytes: the snapshot the window and the text view draw from.
void view_after_burst(benchmark::State& state) {
    quillon::display::serial_module module;
    module.feed(screens());
    quillon::display::screen s;
    for (auto _ : state) {
        module.view(s);
        benchmark::DoNotOptimize(s.codes.data());
    }
}

BENCHMARK(text_only_feed);
BENCHMARK(screens_feed);
BENCHMARK(commands_feed);
BENCHMARK(defining_and_shifting_feed);
BENCHMARK(view_after_burst);

}  // namespace

BENCHMARK_MAIN();
