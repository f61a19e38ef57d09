// Throughput of the tag translator on ordinary, tag-dense and adversarial texts, with memcpy of
// the same size as the physical reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/repeat_to.h"
#include "translate/translate.h"

namespace {

constexpr std::size_t mib = 1024 * 1024;

std::string tag_free(std::size_t size) {
    return repeat_to("Hello, display! The quick brown fox jumps over the lazy dog. ", size);
}
std::string tag_dense(std::size_t size) { return repeat_to("<254,1>Hi<CLS><_5>", size); }
// Every produced "<" forms a new tag with what follows: "<60>60>60>...13>".
std::string chain(std::size_t size) { return "<60>" + repeat_to("60>", size - 7) + "13>"; }
std::string open_run(std::size_t size) { return std::string(size, '<'); }
std::string near_miss(std::size_t size) { return repeat_to("<A", size); }

void run_translation(benchmark::State& state, std::string (*make)(std::size_t)) {
    const std::string text = make(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto out = quillon::TRANSLATE_TEXT(text);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

void BM_memcpy(benchmark::State& state) {
    const std::string from = tag_free(static_cast<std::size_t>(state.range(0)));
    std::string to(from.size(), '\0');
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(from.size()));
}

}  // namespace

BENCHMARK(BM_memcpy)->Arg(8 * mib);
BENCHMARK_CAPTURE(run_translation, tag_free, tag_free)->Arg(8 * mib);
BENCHMARK_CAPTURE(run_translation, tag_dense, tag_dense)->Arg(8 * mib);
BENCHMARK_CAPTURE(run_translation, chain, chain)->Arg(64 * 1024)->Arg(mib)->Arg(8 * mib);
BENCHMARK_CAPTURE(run_translation, open_run, open_run)->Arg(64 * 1024)->Arg(mib)->Arg(8 * mib);
BENCHMARK_CAPTURE(run_translation, near_miss, near_miss)->Arg(64 * 1024)->Arg(mib)->Arg(8 * mib);

BENCHMARK_MAIN();
