// Throughput and memory of the display emulation, per profile: the bytes a sender could put on
// the line, fed to the module in pieces as the pseudo-terminal delivers them. Random bytes are
// the worst a line can bring (every escape, every control byte, cut anywhere); the other inputs
// are what senders of each family write.
//
// Memory stays flat when feeding allocates nothing: every allocation in the process is counted,
// and each benchmark reports those made while it fed ("allocations", 0 when flat) and how much
// the peak resident size grew over its run ("peak_rss_growth_kib").
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include "bench/repeat_to.h"
#include "display/module.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Every allocation of the process passes here, the benchmark library's own included: only those
// made inside the timed loop are reported.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace std::string_literals;
using quillon::display::display_size;
using quillon::display::profile;

constexpr std::size_t piece = 64 * 1024;  // what quillon-display reads at once

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A megabyte of bytes 0-255 from a fixed seed, the same in every run.
std::string random_bytes() {
    std::mt19937 generator(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(1 << 20, '\0');
    for (char& c : s) c = static_cast<char>(byte(generator));
    return s;
}

// The HD44780 family: plain text wrapping round the lines; screens as senders write them
// (clear, two lines, a cursor); every other byte an instruction; characters defined and shown
// with the display shifting on every write.
std::string text_only() { return repeat_to("Hello, display! The quick brown fox. ", piece); }
std::string hd44780_screens() {
    return repeat_to(
        "\xFE\x01\xFE\x80Temperature 21\xDF"
        "C\xFE\xC0Pump on, 1200 rpm\xFE\x94Level 75%\xFE\xD4OK\xFE\x0E",
        piece);
}
std::string hd44780_commands() { return repeat_to("\xFE\x10\xFE\x14\xFE\x18x", piece); }
std::string defining_and_shifting() {
    return repeat_to(
        "\xFE\x40\x1F\x11\x11\x11\x11\x11\x1F\x00\xFE\x80\x00\x01\xFE\x07moving text\xFE\x06",
        piece);
}
// Family A: a screen of positions, a right-aligned number, big digits and a user character.
std::string text_screens() {
    return repeat_to(
        "\x0CTemperature\x10\x54"
        "21.5\x12\x34"
        "1200\x0DPump on\x02"
        "12:34\x03\x1B\x44\x01\x1F\x11\x11\x11\x11\x11\x1F\x00\x81\x07"s,
        piece);
}
// Family B: text in every size, points, lines and a cleared screen.
std::string graphic_drawing() {
    return repeat_to(
        "\x0C\x1B\x46\x00Level 75%\x1BL\x00\x1F\x77\x00\x1BP\x10\x08\x1BT\x40\x1F"
        "\x1B\x46\x03OK\x02inverse\x03\x1BM\x01\x1BL\x00\x00\x77\x1F"s,
        piece);
}

void feed(benchmark::State& state, profile p, const std::string& bytes) {
    const display_size size = quillon::display::facts(p).default_size;
    const auto module = quillon::display::make_module(p, size);
    const long rss_before = peak_rss_kib();
    std::size_t at = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        module->feed(std::string_view(bytes).substr(at, piece));
        at = (at + piece) % bytes.size();
        benchmark::ClobberMemory();
    }
    state.counters["allocations"] = static_cast<double>(allocations.load() - before);
    state.counters["peak_rss_growth_kib"] = static_cast<double>(peak_rss_kib() - rss_before);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(piece));
}

// What a burst costs beyond the bytes: the snapshot the window and the text view draw from.
void view_after_burst(benchmark::State& state, profile p, const std::string& bytes) {
    const auto module = quillon::display::make_module(p, quillon::display::facts(p).default_size);
    module->feed(bytes);
    quillon::display::screen s;
    module->view(s);
    const long before = allocations.load();
    for (auto _ : state) {
        module->view(s);
        benchmark::DoNotOptimize(s.codes.data());
    }
    state.counters["allocations"] = static_cast<double>(allocations.load() - before);
}

void register_all() {
    static const std::string random = random_bytes();
    struct input {
        const char* name;
        std::string bytes;
    };
    struct profile_inputs {
        profile p;
        std::vector<input> inputs;
    };
    static const std::vector<profile_inputs> table = {
        {profile::hd44780,
         {{"text", text_only()},
          {"screens", hd44780_screens()},
          {"commands", hd44780_commands()},
          {"defining_and_shifting", defining_and_shifting()}}},
        {profile::text, {{"text", text_only()}, {"screens", text_screens()}}},
        {profile::text_vfd, {{"screens", text_screens()}}},
        {profile::graphic, {{"text", text_only()}, {"drawing", graphic_drawing()}}},
        {profile::graphic_layers, {{"text", text_only()}, {"drawing", graphic_drawing()}}},
    };
    for (const profile_inputs& row : table) {
        const std::string name(quillon::display::facts(row.p).name);
        benchmark::RegisterBenchmark((name + "/random").c_str(), feed, row.p, random);
        for (const input& in : row.inputs) {
            benchmark::RegisterBenchmark((name + "/" + in.name).c_str(), feed, row.p, in.bytes);
        }
        benchmark::RegisterBenchmark((name + "/view_after_burst").c_str(), view_after_burst, row.p,
                                     row.inputs.back().bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
