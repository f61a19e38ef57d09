// The cost of one open-send-close cycle through the exported functions, as the window's Send
// makes it: SER_OPEN (with its 17 line settings), SER_SEND of a short text with tags,
// SER_CLOSE. The port is a pseudo-terminal whose master a thread drains, mapped as COM1; the
// other seven ports are mapped to paths that do not exist, so no real port is touched.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "library/quillon.h"

namespace {

class drained_pty {
  public:
    drained_pty() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) std::abort();
        path_ = name;
        reader_ = std::thread([this] {
            char buffer[4096];
            while (!stop_) {
                pollfd ready{master_, POLLIN, 0};
                if (poll(&ready, 1, 50) > 0 && read(master_, buffer, sizeof buffer) <= 0) return;
            }
        });
    }
    ~drained_pty() {
        stop_ = true;
        reader_.join();
        close(slave_);
        close(master_);
    }
    drained_pty(const drained_pty&) = delete;
    drained_pty& operator=(const drained_pty&) = delete;
    const std::string& path() const { return path_; }

  private:
    int master_ = -1;
    int slave_ = -1;  // kept open so that the master never sees a hang-up
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

void open_send_close(benchmark::State& state) {
    drained_pty pty;
    for (int n = 1; n <= 8; ++n) {
        const std::string value =
            n == 1 ? pty.path() : "/nonexistent/quillon-bench/COM" + std::to_string(n);
        setenv(("QUILLON_COM" + std::to_string(n)).c_str(), value.c_str(), 1);
    }
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
