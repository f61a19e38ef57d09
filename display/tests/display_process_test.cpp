// quillon-display and quillon-send as real processes: a display serving a COM port through its
// pseudo-terminal, registered in a runtime folder of the test's own, and a send to that port
// that the display shows. Every other port stays mapped to a path that does not exist.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "testing/process.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string display_program = QUILLON_DISPLAY_PATH;
const std::string send_program = QUILLON_SEND_PATH;

class served_port : public ::testing::Test {
  protected:
    void SetUp() override {
        // Private to the user, as a session's runtime folder is (Qt warns otherwise).
        fs::create_directory(root_ / "run");
        fs::permissions(root_ / "run", fs::perms::owner_all);
        env_["XDG_RUNTIME_DIR"] = (root_ / "run").string();
        env_["XDG_CONFIG_HOME"] = (root_ / "config").string();
        env_["QUILLON_SYSCONFDIR"] = (root_ / "system").string();
        env_.merge(test::port_guard::environment());
    }
    // The port that reaches the display: its variable removed, so that the registration counts.
    void free_port(int n) { env_["QUILLON_COM" + std::to_string(n)] = unset_variable; }

    // Everything the display writes until `wanted` has appeared (or the bound has passed).
    static std::string read_until(running_process& p, const std::string& wanted, std::string& seen,
                                  std::chrono::milliseconds bound = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (seen.find(wanted) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            seen += p.read_output(1 << 16, 50);
        }
        return seen;
    }

    static std::string read(const fs::path& file) { return read_file(file); }

    fs::path registration(int port) const {
        return root_ / "run/quillon-displays" / ("COM" + std::to_string(port));
    }

    scratch_folder scratch_{"quillon-display-e2e"};
    const fs::path& root_ = scratch_.path();
    std::map<std::string, std::string> env_;
};

// The same send shown by the terminal-only loop, by the window's loop (Qt, offscreen) and by
// the fallback to text where no display can be opened.
TEST_F(served_port, a_send_to_the_port_shows_on_the_running_display_and_it_leaves_cleanly) {
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        std::map<std::string, std::string> environment;
    } modes[] = {
        {"no window", {"--text", "--no-window"}, {}},
        {"window, offscreen",
         {"--text"},
         {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", unset_variable}}},
        {"no display to open",
         {"--text"},
         {{"QT_QPA_PLATFORM", unset_variable},
          {"DISPLAY", unset_variable},
          {"WAYLAND_DISPLAY", unset_variable}}},
    };
    free_port(3);
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.what);
        std::map<std::string, std::string> env = env_;
        for (const auto& [name, value] : mode.environment) env[name] = value;
        std::vector<std::string> command{display_program, "--port", "3", "--size", "16x2"};
        command.insert(command.end(), mode.arguments.begin(), mode.arguments.end());
        running_process display(command, env);

        std::string out;
        read_until(display, "\n", out);
        ASSERT_TRUE(out.starts_with("quillon-display: COM3 → /dev/pts/")) << out;
        const std::string pty =
            out.substr(out.find("/dev/pts/"), out.find('\n') - out.find("/dev/pts/"));
        EXPECT_EQ(read(registration(3)), std::to_string(display.pid()) + " " + pty + "\n");

        const process_result sent = run_process(
            {send_program, "-p", "3", "<LMA_CLS>Hello<LMA_LINE2>World<LMA_UL_CURSOR>"}, "", env);
        EXPECT_EQ(sent.exit_code, 0) << sent.err;
        // Into a pipe the screen is plain text: no ANSI attributes mark the cursor.
        const std::string first =
            "┌────────────────┐\n"
            "│Hello           │\n"
            "│World           │\n"
            "└────────────────┘\n"
            "sender: 9600 8N1\n";
        EXPECT_NE(read_until(display, first, out).find(first), std::string::npos) << out;

        const process_result slower =
            run_process({send_program, "-p", "3", "-b", "2400", "<LMA_LINE1>Hi"}, "", env);
        EXPECT_EQ(slower.exit_code, 0) << slower.err;
        const std::string second =
            "┌────────────────┐\n"
            "│Hillo           │\n"
            "│World           │\n"
            "└────────────────┘\n"
            "sender: 2400 8N1 (the display listens at 9600 baud: a real module would show "
            "garbage)\n";
        EXPECT_NE(read_until(display, second, out).find(second), std::string::npos) << out;

        ASSERT_EQ(kill(display.pid(), SIGTERM), 0);
        EXPECT_EQ(display.wait(), 0);
        EXPECT_FALSE(fs::exists(registration(3)));
        // With the display gone, the port is what it was before: a path that does not exist.
        EXPECT_EQ(run_process({send_program, "-p", "3", "x"}, "", env).exit_code, 1);
    }
}

TEST_F(served_port, without_a_port_it_takes_the_first_that_nothing_maps) {
    free_port(6);
    free_port(8);
    running_process display({display_program, "--text", "--no-window"}, env_);
    std::string out;
    read_until(display, "\n", out);
    EXPECT_TRUE(out.starts_with("quillon-display: COM6 → /dev/pts/")) << out;
    ASSERT_EQ(kill(display.pid(), SIGINT), 0);
    EXPECT_EQ(display.wait(), 0);
    EXPECT_FALSE(fs::exists(registration(6)));
}

// Any module is served the same way: a text module takes its own family's controls.
TEST_F(served_port, a_text_module_serves_the_port_the_same_way) {
    free_port(5);
    running_process display(
        {display_program, "--port", "5", "--module", "text", "--text", "--no-window"}, env_);
    std::string out;
    read_until(display, "\n", out);
    const process_result sent = run_process(
        {send_program, "-p", "5", "Lost<CLS>Hi<RETURN>there<POSITION><_79>!"}, "", env_);
    EXPECT_EQ(sent.exit_code, 0) << sent.err;
    const std::string shown =
        "┌────────────────────┐\n"
        "│Hi                  │\n"
        "│there               │\n"
        "│                    │\n"
        "│                   !│\n"
        "└────────────────────┘\n";
    EXPECT_NE(read_until(display, shown, out).find(shown), std::string::npos) << out;
    ASSERT_EQ(kill(display.pid(), SIGTERM), 0);
    EXPECT_EQ(display.wait(), 0);
}

TEST_F(served_port, refusals_say_why_on_one_line) {
    std::map<std::string, std::string> no_display = env_;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        no_display[name] = unset_variable;
    }
    // A display number with no server behind it (no socket, no lock file).
    int number = 450;
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
           fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
        ++number;
    }
    std::map<std::string, std::string> no_server = no_display;
    no_server["DISPLAY"] = ":" + std::to_string(number);
    const struct {
        std::vector<std::string> arguments;
        std::map<std::string, std::string> environment;
        int exit_code;
        std::string message;
    } table[] = {
        {{"--port", "4"},
         no_server,
         1,
         "quillon-display: cannot open the display: could not connect to display :" +
             std::to_string(number) + "\n"},
        {{"--no-window"},
         env_,
         2,
         "quillon-display: --no-window needs --text: nothing else would show the screen (see "
         "quillon-display --help)\n"},
        {{"--rom", "a01"},
         env_,
         2,
         "quillon-display: --rom: give a00 or a02, not 'a01' (see quillon-display --help)\n"},
        {{"--size", "8x1"},
         env_,
         2,
         "quillon-display: --size: give 16x2, 20x2, 20x4, 16x4 or 40x2, not '8x1' (see "
         "quillon-display --help)\n"},
        {{},
         no_display,
         1,
         "quillon-display: no display to show the window on (DISPLAY is not set); run it from "
         "a desktop session, or add --text --no-window for the terminal only\n"},
        {{"--text", "--no-window"},
         env_,
         1,
         "quillon-display: every COM port is mapped (by QUILLON_COMn, a ports file or another "
         "virtual display): choose one with --port N\n"},
    };
    for (const auto& row : table) {
        std::vector<std::string> command{display_program};
        command.insert(command.end(), row.arguments.begin(), row.arguments.end());
        const process_result r = run_process(command, "", row.environment);
        EXPECT_EQ(r.exit_code, row.exit_code) << row.message;
        EXPECT_EQ(r.err, row.message);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(root_ / "run/quillon-displays"));
    const process_result version = run_process({display_program, "--version"}, "", no_display);
    EXPECT_EQ(version.out, "quillon-display 1.1\n");
    EXPECT_EQ(version.exit_code, 0);
}

}  // namespace
}  // namespace quillon::test
