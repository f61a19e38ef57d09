// The cost of one open-send-close cycle through the exported functions, as the window's Send
// makes it: SER_OPEN (with its 17 line settings), SER_SEND of a short text with tags,
// SER_CLOSE. The port is a pseudo-terminal whose master a thread drains, mapped as COM1; the
// other seven ports are mapped to paths that do not exist, so no real port is touched.
#include <benchmark/benchmark.h>

#include <string>

#include "library/quillon.h"
#include "testing/pty.h"

namespace {

void open_send_close(benchmark::State& state) {
    const quillon::test::pseudo_terminal pty;
    const quillon::test::master_drain drain(pty.master(), false);
    const quillon::test::port_guard ports({{1, pty.path()}});
    const std::string text = "<LMA_CLS>Hello<LMA_LINE2>World";
    for (auto _ : state) {
        BSTR handle = SysAllocStringByteLen(text.data(), static_cast<unsigned>(text.size()));
        if (SER_OPEN(1, 9600) != 1) {
            state.SkipWithError("SER_OPEN failed");
            SysFreeString(handle);
            break;
        }
        SER_SEND(&handle);
        SER_CLOSE();
        SysFreeString(handle);
    }
}
BENCHMARK(open_send_close)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
