// quillon-bridge: serves serial display modules to an MQTT broker (bridge/bridge.h).
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "bridge/settings.h"

namespace {

using namespace quillon;

bool print(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
}

void complain(const std::string& text) {
    std::fprintf(stderr, "quillon-bridge: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // SIGHUP waits for the loop below, which reloads; SIGTERM and SIGINT are blocked only once
    // the settings are read, so that they end the bridge at once even then (every file is read
    // without blocking and with a size cap, so a reload's reading is short too).
    sigset_t reload;
    sigemptyset(&reload);
    sigaddset(&reload, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &reload, nullptr);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    bridge::loaded_settings loaded = bridge::load_settings(arguments);
    if (!loaded.error.empty()) {
        complain(loaded.error + " (see quillon-bridge --help)");
        return 2;
    }
    if (loaded.chosen.help) return print(bridge::help_text()) ? 0 : 1;
    if (loaded.chosen.version) return print("quillon-bridge " QUILLON_PACKAGE_VERSION "\n") ? 0 : 1;

    // The signals are taken by sigwait on this thread alone: blocked before any thread starts,
    // so every thread inherits the mask. A write to a broker or network target that went away
    // fails with EPIPE instead of ending the program.
    sigset_t handled;
    sigemptyset(&handled);
    for (const int s : {SIGHUP, SIGTERM, SIGINT}) sigaddset(&handled, s);
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        bridge::mqtt_library library;
        bridge::bridge running(loaded);
        for (;;) {
            int signal_number = 0;
            if (sigwait(&handled, &signal_number) != 0) continue;
            if (signal_number != SIGHUP) break;
            const bridge::loaded_settings again = bridge::load_settings(arguments);
            if (!again.error.empty()) {
                // In the running bridge's log, where its other news is.
                bridge::log_line("settings not reloaded: " + again.error);
                continue;
            }
            running.reload(again);
        }
        running.stop();
    } catch (const std::exception& e) {
        complain(e.what());
        return 1;
    }
    return 0;
}
