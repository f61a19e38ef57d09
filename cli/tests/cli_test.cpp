// quillon-send as a process: dry runs, usage errors, real sends to pseudo-terminals, and the
// message and exit code of each way an open or a write can fail.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "testing/hostile_server.h"
#include "testing/process.h"
#include "testing/pty.h"
#include "testing/scratch.h"
#include "testing/ser2net.h"

namespace quillon::test {
namespace {

const std::string program = QUILLON_SEND_PATH;

process_result send(std::vector<std::string> args, const std::string& input = {},
                    const std::map<int, std::string>& mapped = {}) {
    args.insert(args.begin(), program);
    return run_process(args, input, port_guard::environment(mapped));
}

std::string repeat(int count, const std::string& piece) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

// One dot row of a 16x2 whose first cell has these five dots and the rest are dark.
std::string dots16(const std::string& first) { return first + repeat(90, ".") + "\n"; }

const std::string lines = "<LINE,0,0,9,0><LINE,119,0,119,31><LINE,0,31,3,28>";

bool one_line(const std::string& text) {
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

struct dry_run_case {
    const char* what;
    std::vector<std::string> args;
    std::string input;
    std::string output;
};
void PrintTo(const dry_run_case& c, std::ostream* os) { *os << c.what; }

class dry_run : public ::testing::TestWithParam<dry_run_case> {};

TEST_P(dry_run, writes_exactly_the_bytes_and_nothing_else) {
    const dry_run_case& c = GetParam();
    const process_result r = send(c.args, c.input);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, c.output);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    cases, dry_run,
    ::testing::Values(
        dry_run_case{
            "raw stdin every byte", {"--dry-run", "--raw"}, all_byte_values(), all_byte_values()},
        // "<=>" in the run of byte values is no tag: every byte stays, and the tag after it counts.
        dry_run_case{"stdin every byte translated",
                     {"--dry-run"},
                     all_byte_values() + "<13>",
                     all_byte_values() + "\r"},
        dry_run_case{
            "display commands", {"--dry-run", "<LMA_CLS>Hi<CR,LF>"}, "", "\xfe\x01\xfe\x80Hi\r\n"},
        dry_run_case{"raw leaves tags", {"--raw", "--dry-run", "<13>"}, "", "<13>"},
        dry_run_case{"text after --", {"--dry-run", "--", "-<65>"}, "", "-A"},
        dry_run_case{
            "text argument wins over stdin", {"--dry-run", "<254,1>"}, "ignored", "\xfe\x01"},
        dry_run_case{"empty stdin", {"--dry-run"}, "", ""}),
    [](const auto& info) { return test_name(info.param.what); });

class usage_error : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(usage_error, is_one_line_on_stderr_and_exit_2) {
    const process_result r = send(GetParam(), "text");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_TRUE(one_line(r.err)) << r.err;
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    cases, usage_error,
    ::testing::Values(
        std::vector<std::string>{"--bogus"}, std::vector<std::string>{"-x"},
        std::vector<std::string>{"-p"}, std::vector<std::string>{"--port", "9"},
        std::vector<std::string>{"-p0"}, std::vector<std::string>{"--port=two"},
        std::vector<std::string>{"-b", "19200"}, std::vector<std::string>{"--baud=300"},
        std::vector<std::string>{"--device"}, std::vector<std::string>{"--device="},
        std::vector<std::string>{"--device", "/dev/a?"},
        std::vector<std::string>{"-p", "2", "--device", "/dev/null"},
        std::vector<std::string>{"--raw=yes"}, std::vector<std::string>{"one", "two"},
        std::vector<std::string>{"--preview=3x3"}, std::vector<std::string>{"--preview=20X4"},
        std::vector<std::string>{"--preview", "--dry-run"},
        std::vector<std::string>{"--preview", "-p", "2"},
        std::vector<std::string>{"--preview", "--device", "/dev/null"},
        std::vector<std::string>{"--dots"}, std::vector<std::string>{"--preview", "120x32"},
        std::vector<std::string>{"--module", "graphic", "--preview=20x4"}));

// The screen the text makes, framed, on standard output; no port is opened (every one is
// mapped to a path that does not exist, so an open would fail).
INSTANTIATE_TEST_SUITE_P(
    preview, dry_run,
    ::testing::Values(
        dry_run_case{"lines on the default 20x4",
                     {"--preview", "<LMA_CLS>Hello<LMA_LINE2>World"},
                     "",
                     "┌────────────────────┐\n"
                     "│Hello               │\n"
                     "│World               │\n"
                     "│                    │\n"
                     "│                    │\n"
                     "└────────────────────┘\n"},
        // Into a pipe the cursor goes unmarked: no ANSI attribute.
        dry_run_case{"a 16x2 given apart with a cursor and a ROM symbol",
                     {"--preview", "16x2", "<LMA_CLS>21<223>C<LMA_LINE2><LMA_UL_CURSOR>ok"},
                     "",
                     "┌────────────────┐\n"
                     "│21ﾟC            │\n"
                     "│ok              │\n"
                     "└────────────────┘\n"},
        dry_run_case{"a size-like TEXT after --, and a module named after the size",
                     {"--preview", "40x4", "--module", "text", "--", "16x2"},
                     "",
                     "┌" + repeat(40, "─") + "┐\n│16x2" + repeat(36, " ") + "│\n" +
                         repeat(3, "│" + repeat(40, " ") + "│\n") + "└" + repeat(40, "─") + "┘\n"},
        dry_run_case{"dots of a 16x2: an A over the underline cursor",
                     {"--preview=16x2", "--dots", "<LMA_UL_CURSOR>A<LMA_HOME>"},
                     "",
                     dots16(".###.") + repeat(3, dots16("#...#")) + dots16("#####") +
                         repeat(2, dots16("#...#")) + dots16("#####") + repeat(9, dots16("....."))},
        // Three lines: along the top, down the right edge, up from the bottom left.
        dry_run_case{"dots of a graphic module",
                     {"--preview", "--module", "graphic", "--dots", lines},
                     "",
                     repeat(10, "#") + repeat(109, ".") + "#\n" +
                         repeat(27, repeat(119, ".") + "#\n") + "...#" + repeat(115, ".") +
                         "#\n..#." + repeat(115, ".") + "#\n.#.." + repeat(115, ".") + "#\n#..." +
                         repeat(115, ".") + "#\n"},
        dry_run_case{"half blocks of a graphic module, no ANSI in a pipe",
                     {"--module=graphic", "--preview", "120x32", lines},
                     "",
                     "┌" + repeat(120, "─") + "┐\n│" + repeat(10, "▀") + repeat(109, " ") + "█│\n" +
                         repeat(13, "│" + repeat(119, " ") + "█│\n") + "│  ▄▀" + repeat(115, " ") +
                         "█│\n│▄▀" + repeat(117, " ") + "█│\n└" + repeat(120, "─") + "┘\n"},
        dry_run_case{"standard input, raw, a 21st character on row 3",
                     {"--preview", "--raw"},
                     "ABCDEFGHIJKLMNOPQRSTU<13>",
                     "┌────────────────────┐\n"
                     "│ABCDEFGHIJKLMNOPQRST│\n"
                     "│                    │\n"
                     "│U<13>               │\n"
                     "│                    │\n"
                     "└────────────────────┘\n"},
        dry_run_case{"standard input translated, on a 40x2",
                     {"--preview=40x2"},
                     "<254,192>bottom<254,128>top",
                     "┌────────────────────────────────────────┐\n"
                     "│top                                     │\n"
                     "│bottom                                  │\n"
                     "└────────────────────────────────────────┘\n"}),
    [](const auto& info) { return test_name(info.param.what); });

TEST(send, reaches_a_pty_at_the_chosen_rate) {
    pseudo_terminal pty;
    const process_result r = send({"-p", "3", "-b", "2400", "Hi<CR,LF><0>"}, "", {{3, pty.path()}});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string expected("Hi\r\n\0", 5);
    EXPECT_EQ(pty.read_master(expected.size()), expected);
    const termios t = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&t), speed_t{B2400});
}

TEST(send, stdin_raw_to_a_device_path_keeps_every_byte) {
    pseudo_terminal pty;
    std::string input;
    for (int i = 0; i < 64; ++i) input += all_byte_values();  // more than a pty holds
    master_drain drain(pty.master());
    const process_result r = send({"--raw", "--device", pty.path()}, input);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no progress into a pipe, and no warning for bytes that are no UTF-8";
    EXPECT_EQ(drain.wait_for(input.size()), input);
}

TEST(send, a_missing_port_names_its_path_and_variable) {
    const process_result r = send({"-p", "2", "x"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(one_line(r.err)) << r.err;
    EXPECT_NE(r.err.find(port_guard::missing_path(2)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("QUILLON_COM2"), std::string::npos) << r.err;
}

// A port in use names the program that holds it: here a quillon-send stuck in its write to a
// pty nobody reads. A hold that no lock table lists (TIOCEXCL, seen by an unprivileged user)
// stays "another program".
TEST(send, a_port_in_use_names_the_program_that_holds_it) {
    pseudo_terminal pty;
    running_process first({program, "--raw", "-p", "1"},
                          port_guard::environment({{1, pty.path()}}));
    ASSERT_TRUE(first.write_input(std::string(20000, 'x')));
    first.close_input();
    pollfd first_bytes{pty.master(), POLLIN, 0};
    ASSERT_EQ(poll(&first_bytes, 1, 10000), 1) << "the first send never started writing";
    const process_result r = send({"-p", "1", "x"}, "", {{1, pty.path()}});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quillon-send: COM1 (" + pty.path() + ") is in use by quillon-send (pid " +
                         std::to_string(first.pid()) + ")\n");

    if (const std::string why = other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    pseudo_terminal exclusive;
    ASSERT_EQ(chmod(exclusive.path().c_str(), 0666), 0);
    ASSERT_EQ(ioctl(exclusive.slave(), TIOCEXCL), 0);
    const process_result other = run_process(
        as_other_user({program, "--device", exclusive.path(), "x"}), "", port_guard::environment());
    EXPECT_EQ(other.exit_code, 1);
    EXPECT_EQ(other.err, "quillon-send: " + exclusive.path() + " is in use by another program\n");
}

// The dialout advice only helps where the device belongs to that group.
TEST(send, permission_denied_suggests_the_dialout_group_only_for_its_devices) {
    if (const std::string why = other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    if (run_shell("setpriv --reuid=65534 --regid=65534 --clear-groups " + program +
                  " --help >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "the unprivileged user cannot run " << program;
    }
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "this machine has no dialout group";
    for (const bool owned_by_dialout : {false, true}) {
        pseudo_terminal pty;
        ASSERT_EQ(chmod(pty.path().c_str(), 0660), 0);
        if (owned_by_dialout) {
            ASSERT_EQ(chown(pty.path().c_str(), 0, dialout->gr_gid), 0);
        }
        const process_result r = run_process(as_other_user({program, "-p", "1", "x"}), "",
                                             port_guard::environment({{1, pty.path()}}));
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_TRUE(one_line(r.err)) << r.err;
        EXPECT_NE(r.err.find("permission denied opening COM1 (" + pty.path() + ")"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("dialout") != std::string::npos, owned_by_dialout) << r.err;
    }
}

TEST(send, a_port_nobody_reads_times_out_with_exit_3) {
    pseudo_terminal pty;
    pty.fill_until_full();
    const process_result r = send({"--device", pty.path(), "bytes"});
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_TRUE(one_line(r.err)) << r.err;
    EXPECT_NE(r.err.find("writing to " + pty.path() + " timed out"), std::string::npos) << r.err;
}

// A file, a FIFO or a socket never takes the bytes: the open refuses, saying what it is.
TEST(send, refuses_what_is_not_a_serial_device_and_changes_nothing) {
    scratch_folder scratch("quillon-cli");
    const std::string dir = scratch.path().string();
    const std::string notes = dir + "/notes.txt";
    const std::string fifo = dir + "/fifo";
    { std::ofstream(notes) << "keep me\n"; }
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string big(200000, 'x');  // more than a FIFO holds: it used to hang
    const struct {
        std::vector<std::string> args;
        std::string input;
        std::map<int, std::string> mapped;
        int exit_code;
        std::string message;
    } table[] = {
        {{"--device", notes, "HELLO"},
         "",
         {},
         1,
         "quillon-send: " + notes + " is a regular file, not a serial device\n"},
        {{"-p", "2", "HELLO"},
         "",
         {{2, notes}},
         1,
         "quillon-send: " + notes + " is a regular file, not a serial device\n"},
        {{"--raw", "--device", fifo},
         big,
         {},
         1,
         "quillon-send: " + fifo + " is a FIFO, not a serial device\n"},
        {{"--device", dir, "x"},
         "",
         {},
         1,
         "quillon-send: " + dir + " is a directory, not a serial device\n"},
        {{"--device", "/dev/null", "x"},
         "",
         {},
         1,
         "quillon-send: /dev/null is a device that is not a terminal, not a serial device\n"},
        {{"--device", dir + "/" + std::string(300, 'n'), "x"},
         "",
         {},
         2,
         "quillon-send: refused device name '" + dir + "/" + std::string(300, 'n') +
             "': empty, longer than 255 bytes, or holds '*' or '?'\n"},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, row.input, row.mapped);
        EXPECT_EQ(r.exit_code, row.exit_code) << row.message;
        EXPECT_EQ(r.err, row.message);
    }
    std::ifstream in(notes);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me");
    EXPECT_EQ(std::filesystem::remove_all(dir), 3u) << "something was created";
}

TEST(send, an_empty_port_variable_is_named_as_such) {
    const process_result r = send({"-p", "5", "x"}, "", {{5, ""}});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "quillon-send: COM5: QUILLON_COM5 is set but empty; set it to the port's device "
              "path or unset it\n");
}

// Standard input goes out piece by piece: the cases below cross the 128 KiB pieces of the
// reader and the pieces a pipe delivers.

// Tags of every kind, a chain whose produced "<" forms the next tag, and a near miss. 29 bytes,
// so over many copies the pieces' ends fall at every place in it.
const std::string straddling_unit = "<60>60>13>Hi<CR,LF><<A>x<\\ab>";
const std::string straddling_unit_bytes = "\rHi\r\n<\x01xAB";

std::string copies(const std::string& unit, std::size_t count) {
    std::string all;
    for (std::size_t i = 0; i < count; ++i) all += unit;
    return all;
}

// A shell command line with the same environment as send(): every port mapped away.
std::string shell_line(const std::string& args) {
    std::string line;
    for (const auto& [name, value] : port_guard::environment()) line += name + "='" + value + "' ";
    return line + program + " " + args;
}

class temp_path {
  public:
    explicit temp_path(const std::string& content) {
        const int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        close(fd);
    }
    ~temp_path() { unlink(path); }
    temp_path(const temp_path&) = delete;
    temp_path& operator=(const temp_path&) = delete;
    char path[64] = "/tmp/quillon-send-test-XXXXXX";
};

TEST(dry_run_stream, tags_across_pieces_give_the_bytes_of_the_whole_text) {
    const std::string input = copies(straddling_unit, 15000);  // 435,000 bytes
    const std::string expected = copies(straddling_unit_bytes, 15000);

    const process_result piped = send({"--dry-run"}, input);
    EXPECT_EQ(piped.exit_code, 0) << piped.err;
    EXPECT_EQ(piped.out.size(), expected.size());
    EXPECT_TRUE(piped.out == expected);

    // From a file, every read fills a whole piece.
    const temp_path file(input);
    std::string out;
    EXPECT_EQ(run_shell(shell_line("--dry-run < ") + file.path, &out), 0);
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
}

TEST(dry_run_stream, raw_copies_every_byte_value_exactly) {
    const std::string input = copies(all_byte_values(), 4096);  // 1 MiB
    const process_result r = send({"--raw", "--dry-run"}, input);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.size(), input.size());
    EXPECT_TRUE(r.out == input);
}

TEST(dry_run_stream, gives_out_finished_bytes_before_the_input_ends) {
    running_process p({program, "--dry-run"}, port_guard::environment());
    ASSERT_TRUE(p.write_input("Hi<13><6"));
    EXPECT_EQ(p.read_output(3, 10000), "Hi\r");  // "<6" waits for what follows
    ASSERT_TRUE(p.write_input("0>13>"));
    p.close_input();
    EXPECT_EQ(p.read_output(2, 10000), "\r");
    EXPECT_EQ(p.wait(), 0);
}

TEST(dry_run_stream, failures_of_standard_input_and_output_keep_their_codes) {
    const temp_path input("<13>some text");
    struct failure_case {
        std::string args;
        int exit_code;
        std::string message;
    };
    const std::vector<failure_case> cases = {
        {"--dry-run < " + std::string(input.path) + " 2>&1 >/dev/full", 3,
         "quillon-send: writing to standard output failed\n"},
        {"--raw --dry-run < " + std::string(input.path) + " 2>&1 >/dev/full", 3,
         "quillon-send: writing to standard output failed\n"},
        {"--dry-run '<13>' 2>&1 >/dev/full", 3,
         "quillon-send: writing to standard output failed\n"},
        // Reading a directory fails (EISDIR), before anything is written or a port is opened.
        {"--dry-run < / 2>&1", 2, "quillon-send: cannot read standard input\n"},
        {"--raw --dry-run < / 2>&1", 2, "quillon-send: cannot read standard input\n"},
        {"-p 1 < / 2>&1", 2, "quillon-send: cannot read standard input\n"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(run_shell(shell_line(c.args), &out), c.exit_code) << c.args;
        EXPECT_EQ(out, c.message) << c.args;
    }
}

// A send killed in the middle of its write leaves no lock behind: the next user gets the port.
TEST(send, a_killed_send_leaves_the_port_free_for_the_next_user) {
    if (const std::string why = other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    pseudo_terminal pty;
    ASSERT_EQ(chmod(pty.path().c_str(), 0666), 0);
    // More than the pty holds, and nobody reads the master: the send stays in its write.
    char input_path[] = "/tmp/quillon-cli-input-XXXXXX";
    const int input = mkstemp(input_path);
    ASSERT_GE(input, 0);
    const std::string big(100000, 'x');
    ASSERT_EQ(write(input, big.data(), big.size()), static_cast<ssize_t>(big.size()));
    ASSERT_EQ(lseek(input, 0, SEEK_SET), 0);
    const pid_t send_pid = fork();
    ASSERT_GE(send_pid, 0);
    if (send_pid == 0) {
        dup2(input, STDIN_FILENO);
        execl("/usr/bin/setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
              program.c_str(), "--raw", "--device", pty.path().c_str(), nullptr);
        _exit(127);
    }
    close(input);
    unlink(input_path);
    pollfd first_bytes{pty.master(), POLLIN, 0};
    EXPECT_EQ(poll(&first_bytes, 1, 10000), 1) << "the send never started writing";
    kill(send_pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(send_pid, &status, 0), send_pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // What the killed send wrote is read away first, so that only the next send's bytes remain.
    char leftover[4096];
    pollfd readable{pty.master(), POLLIN, 0};
    for (int i = 0; i < 1000 && poll(&readable, 1, 100) == 1; ++i) {
        if (read(pty.master(), leftover, sizeof leftover) <= 0) break;
    }
    master_drain drain(pty.master());
    EXPECT_EQ(run_shell("setpriv --reuid=65534 --regid=65534 --clear-groups " + program +
                        " --device " + pty.path() + " again"),
              0);
    EXPECT_EQ(drain.wait_for(5), "again");
}

TEST(list, tells_each_port_state_without_opening_it) {
    pseudo_terminal ready;
    pseudo_terminal held;
    const int holder = open(held.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const std::map<int, std::string> mapped{
        {1, ready.path()}, {2, held.path()}, {3, "/dev/null"}, {5, ""}};
    const std::string missing = port_guard::missing_path(4);
    const std::string looked =
        "COM1  " + ready.path() + "  (environment)  ready\n" + "COM2  " + held.path() +
        "  (environment)  ready\n" +
        "COM3  /dev/null  (environment)  not a serial device (a device that is not a terminal)\n" +
        "COM4  " + missing + "  (environment)  missing\n" +
        "COM5  -  (environment)  COM5: QUILLON_COM5 is set but empty; set it to the port's device "
        "path or unset it\n";
    const process_result r = send({"--list"}, "", mapped);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, looked.size()), looked);
    // Only --probe opens, and so only it finds the port the test holds.
    const process_result probed = send({"--list", "--probe"}, "", mapped);
    // The test holds it: the lock table names the test's program.
    EXPECT_NE(probed.out.find("COM2  " + held.path() +
                              "  (environment)  in use by quillon_send_te (pid " +
                              std::to_string(getpid()) + ")\n"),
              std::string::npos)
        << probed.out;
    close(holder);
}

// A display on another machine: ser2net on 127.0.0.1 serving a pty, reached by name or by port.
TEST(send, reaches_a_device_behind_ser2net_over_both_kinds) {
    if (const std::string why = ser2net_missing(); !why.empty()) GTEST_SKIP() << why;
    for (const bool rfc2217 : {false, true}) {
        // A server of its own each time: ser2net lets its device go only after the connection.
        pseudo_terminal pty;
        ser2net_server server(pty.path());
        const std::string target = rfc2217 ? server.rfc2217_target() : server.tcp_target();
        const process_result by_name = send({"--raw", "--device", target}, all_byte_values());
        EXPECT_EQ(by_name.exit_code, 0) << by_name.err;
        EXPECT_EQ(by_name.err, "");
        EXPECT_EQ(pty.read_master(256), all_byte_values()) << target;
        const process_result by_port =
            send({"-p", "3", "-b", "1200", "<LMA_CLS>Hi<255>"}, "", {{3, target}});
        EXPECT_EQ(by_port.exit_code, 0) << by_port.err;
        EXPECT_EQ(pty.read_master(7), "\xfe\x01\xfe\x80Hi\xff") << target;
    }
}

TEST(send, a_network_target_that_cannot_be_reached_is_one_line) {
    const std::string port = std::to_string(free_local_port());
    const struct {
        std::vector<std::string> args;
        std::map<int, std::string> mapped;
        int exit_code;
        std::string message;
    } table[] = {
        {{"--device", "rfc2217://127.0.0.1:" + port, "x"},
         {},
         1,
         "quillon-send: cannot connect to rfc2217://127.0.0.1:" + port +
             ": connection refused (is ser2net running there?)\n"},
        {{"-p", "4", "x"},
         {{4, "tcp://127.0.0.1:" + port}},
         1,
         "quillon-send: cannot connect to COM4 (tcp://127.0.0.1:" + port +
             "): connection refused (is ser2net running there?)\n"},
        {{"--device", "rfc2217://displaypi:65536", "x"},
         {},
         2,
         "quillon-send: refused network target 'rfc2217://displaypi:65536': write "
         "tcp://HOST:PORT or rfc2217://HOST:PORT with PORT from 1 to 65535\n"},
        // A variable is checked as a ports file line is: a bad one is a bad mapping.
        {{"-p", "2", "x"},
         {{2, "telnet://displaypi:23"}},
         1,
         "quillon-send: COM2: QUILLON_COM2: 'telnet://displaypi:23' has an unknown scheme "
         "(tcp:// or rfc2217://)\n"},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, "", row.mapped);
        EXPECT_EQ(r.exit_code, row.exit_code) << row.message;
        EXPECT_EQ(r.err, row.message);
    }
}

// A network server that does not take a setting fails the open (1), naming the setting and
// both values; one that resets before it has taken the bytes fails the send (3).
TEST(send, a_network_server_that_does_not_take_a_setting_or_the_bytes_says_so) {
    const struct {
        const char* scheme;
        script server;
        int exit_code;
        std::string before, after;  // the message around the target
    } table[] = {
        {"rfc2217://127.0.0.1:",
         {agree, baud_115200, "", never, false, false},
         1,
         "",
         ": the server set the baud rate to 115200, not 2400\n"},
        {"rfc2217://127.0.0.1:",
         {agree, silent, "", never, false, false},
         1,
         "",
         ": the server did not answer the setting of the baud rate (2400) in time: an open "
         "waits 2 s for an answer and 5 s in all\n"},
        {"tcp://127.0.0.1:",
         {"", nullptr, "", 10, false, false},
         3,
         "writing to ",
         " failed: the connection was dropped before the server took every byte: "},
    };
    for (const auto& row : table) {
        seen server;
        local_peer peer([&](int fd, int stop) { run(row.server, fd, stop, server); });
        const std::string target = row.scheme + std::to_string(peer.port());
        const process_result r =
            send({"--raw", "-b", "2400", "--device", target}, std::string(2000, 'Q'));
        EXPECT_EQ(r.exit_code, row.exit_code) << r.err;
        EXPECT_EQ(r.err.rfind("quillon-send: " + row.before + target + row.after, 0), 0u) << r.err;
    }
}

// Each setting goes once, and an open has one deadline, connection, negotiation and settings
// together: a server that answers each awaited one after 1.8 s answers two before the 5 s run
// out, is sent nothing more, and the send fails at the open without writing a byte.
TEST(send, an_rfc2217_open_sends_each_setting_once_within_one_deadline) {
    const struct {
        int answer_after_ms;
        std::string err_after_target;       // none: the send succeeds
        std::vector<std::string> commands;  // COMMAND=VALUE, the last a write's question
    } table[] = {
        {0, "", {"5=6", "1=2400", "2=8", "3=1", "4=1", "5=1", "5=9", "5=12", "5=14", "1=0"}},
        {1800,
         ": the server did not answer the setting of the data bits (8) in time: an open waits 2 "
         "s for an answer and 5 s in all\n",
         {"5=6", "1=2400", "2=8"}},
    };
    for (const auto& row : table) {
        seen server;
        std::string target;
        process_result r;
        {
            script slow{agree, echo};
            slow.answer_after_ms = row.answer_after_ms;
            local_peer peer([&](int fd, int stop) { run(slow, fd, stop, server); });
            target = "rfc2217://127.0.0.1:" + std::to_string(peer.port());
            r = send({"--raw", "-b", "2400", "--device", target}, "QQ");
        }
        const bool sent = row.err_after_target.empty();
        EXPECT_EQ(r.exit_code, sent ? 0 : 1) << r.err;
        EXPECT_EQ(r.err, sent ? "" : "quillon-send: " + target + row.err_after_target);
        EXPECT_EQ(server.commands, row.commands);
        EXPECT_EQ(server.data, sent ? 2u : 0u);
    }
}

TEST(list, names_network_targets_and_connects_only_with_probe) {
    const std::string target = "tcp://127.0.0.1:" + std::to_string(free_local_port());
    const std::map<int, std::string> mapped{{1, target}, {2, "rfc2217://displaypi"}};
    const process_result looked = send({"--list"}, "", mapped);
    EXPECT_EQ(looked.exit_code, 0) << looked.err;
    EXPECT_EQ(looked.out.substr(0, looked.out.find("COM3")),
              "COM1  " + target + "  (environment)  network target, not contacted\n" +
                  "COM2  -  (environment)  COM2: QUILLON_COM2: 'rfc2217://displaypi' needs a "
                  "host and a port from 1 to 65535 (rfc2217://HOST:PORT)\n");
    const process_result probed = send({"--list", "--probe"}, "", mapped);
    EXPECT_EQ(probed.out.substr(0, probed.out.find("COM2")),
              "COM1  " + target + "  (environment)  connection refused\n");
}

TEST(list, that_cannot_write_its_output_exits_3) {
    EXPECT_EQ(run_shell(program + " --list >/dev/full 2>/dev/null"), 3);
}

// A user folder of the test's own and no QUILLON_COMn: the ports file decides.
class ports_file : public ::testing::Test {
  protected:
    void SetUp() override {
        env_["XDG_CONFIG_HOME"] = home_;
        env_["QUILLON_SYSCONFDIR"] = home_ + "/no-system";
        for (int n = 1; n <= 8; ++n) env_["QUILLON_COM" + std::to_string(n)] = unset_variable;
    }
    process_result run(std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), program);
        return run_process(args, input, env_);
    }
    std::string file() const { return home_ + "/quillon/ports.conf"; }
    scratch_folder scratch_{"quillon-cli-ports"};
    const std::string home_ = scratch_.path().string();
    std::map<std::string, std::string> env_;
};

TEST_F(ports_file, map_once_then_the_port_sends_there_and_unmap_undoes_it) {
    pseudo_terminal pty;
    const process_result mapped = run({"--map", "COM3=" + pty.path()});
    EXPECT_EQ(mapped.exit_code, 0) << mapped.err;
    EXPECT_EQ(mapped.out, "COM3 = " + pty.path() + " in " + file() + "\n");
    EXPECT_EQ(run({"-p", "3", "hello<13>"}).exit_code, 0);
    EXPECT_EQ(pty.read_master(6), "hello\r");

    const process_result listed = run({"--list"});
    EXPECT_NE(listed.out.find("COM3  " + pty.path() + "  (" + file() + ":1)  ready\n"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("COM4  /dev/ttyS3  (default)  "), std::string::npos) << listed.out;

    const process_result unmapped = run({"--unmap", "com3"});
    EXPECT_EQ(unmapped.out, "COM3 removed from " + file() + "\n");
    EXPECT_NE(run({"--list"}).out.find("COM3  /dev/ttyS2  (default)  "), std::string::npos);
}

// charset= on the port's line converts what goes there to its module's ROM; --charset wins.
TEST_F(ports_file, a_ports_charset_converts_the_text_unless_charset_is_given) {
    pseudo_terminal pty;
    EXPECT_EQ(run({"--map", "COM2=" + pty.path() + " charset=a00"}).exit_code, 0);
    EXPECT_EQ(run({"-p", "2", "Grün 25°C"}).exit_code, 0);
    EXPECT_EQ(pty.read_master(9),
              "Gr\xF5n 25\xDF"
              "C");
    EXPECT_EQ(run({"-p", "2", "--charset", "raw", "-q", "ü"}).exit_code, 0);
    EXPECT_EQ(pty.read_master(2), "\xC3\xBC");
}

TEST_F(ports_file, malformed_edits_are_usage_errors_and_a_bad_line_names_file_and_line) {
    const std::string one_action =
        "quillon-send: --map and --unmap go alone: one of them, without --list, --preview, "
        "--dry-run or TEXT (see quillon-send --help)\n";
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"--map", "COM1=ttyUSB0"},
         "quillon-send: --map: 'ttyUSB0' is not an absolute device path, tcp://HOST:PORT or "
         "rfc2217://HOST:PORT (see quillon-send --help)\n"},
        {{"--map", "COM9=/dev/ttyUSB0"},
         "quillon-send: --map: give COMn=TARGET with n from 1 to 8, not 'COM9=/dev/ttyUSB0' (see "
         "quillon-send --help)\n"},
        {{"--map", "COM1=/dev/ttyUSB0 baud=9600"},
         "quillon-send: --map: unknown setting 'baud' (the settings are: charset) (see "
         "quillon-send --help)\n"},
        {{"--unmap", "ttyUSB0"},
         "quillon-send: --unmap: give one of COM1 to COM8, not 'ttyUSB0' (see quillon-send "
         "--help)\n"},
        {{"--map", "COM1=/dev/ttyUSB0\nCOM2=/dev/ttyS9"},
         "quillon-send: --map: '/dev/ttyUSB0\\x0ACOM2=/dev/ttyS9' holds a control character or a "
         "line break (see quillon-send --help)\n"},
        {{"--map", "COM1=/dev/ttyUSB0", "--unmap", "COM2"}, one_action},
        {{"--map", "COM1=/dev/ttyUSB0", "--map", "COM2=/dev/ttyUSB1"}, one_action},
        {{"--map", "COM1=/dev/ttyUSB0", "--list"}, one_action},
        {{"--unmap", "COM1", "--dry-run"}, one_action},
        {{"--unmap", "COM1", "--preview"}, one_action},
        {{"--map", "COM1=/dev/ttyUSB0", "Hello"}, one_action},
        {{"--preview", "-b", "1200", "Hi"},
         "quillon-send: --preview sends nothing: it goes with TEXT or standard input, and --raw "
         "(not with --port, --baud, --device, --dry-run or --list) (see quillon-send --help)\n"},
    };
    for (const auto& row : refused) {
        const process_result r = run(row.args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.err, row.message);
    }
    EXPECT_FALSE(std::filesystem::exists(file())) << "a refused edit wrote the file";

    std::filesystem::create_directories(home_ + "/quillon");
    std::ofstream(file()) << "# ports\nCOM2 = tcp://displaypi\n";
    const process_result r = run({"-p", "2", "x"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quillon-send: COM2: " + file() +
                         ":2: 'tcp://displaypi' needs a host and a port from 1 to 65535 "
                         "(tcp://HOST:PORT)\n");
}

// What an edit tells beside doing it, and a ports file that is no file never hangs a send.
TEST_F(ports_file, edits_say_what_else_matters_and_a_fifo_fails_its_ports_at_once) {
    pseudo_terminal pty;
    const struct {
        std::vector<std::string> args;
        std::map<std::string, std::string> env;
        int exit_code;
        std::string out;
        std::string err;
    } table[] = {
        {{"--unmap", "COM2"}, {}, 0, "COM2 has no line in " + file() + ": nothing removed\n", ""},
        {{"--map", "COM2=/dev/ttyUSB77"},
         {},
         0,
         "COM2 = /dev/ttyUSB77 in " + file() + "\n",
         "quillon-send: note: /dev/ttyUSB77 does not exist now; the line waits for it\n"},
        {{"--map", "COM2=/dev/ttyUSB77 charset=a02"},
         {},
         0,
         "COM2 = /dev/ttyUSB77 charset=a02 in " + file() + "\n",
         "quillon-send: note: /dev/ttyUSB77 does not exist now; the line waits for it\n"},
        {{"--map", "COM3=" + pty.path()},
         {{"QUILLON_COM3", "/dev/ttyS4"}},
         0,
         "COM3 = " + pty.path() + " in " + file() + "\n",
         "quillon-send: note: QUILLON_COM3 is set and comes first: programs run with it send COM3 "
         "elsewhere\n"},
        {{"--map", "COM1=/dev/ttyUSB0"},
         {{"XDG_CONFIG_HOME", "relative"}, {"HOME", ""}},
         1,
         "",
         "quillon-send: cannot map COM1: there is no ports file of your own, because neither "
         "XDG_CONFIG_HOME nor HOME names an absolute folder\n"},
    };
    for (const auto& row : table) {
        auto env = env_;
        for (const auto& [name, value] : row.env) env[name] = value;
        std::vector<std::string> args = row.args;
        args.insert(args.begin(), program);
        const process_result r = run_process(args, "", env);
        EXPECT_EQ(r.exit_code, row.exit_code) << r.err;
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
    }
    EXPECT_EQ(read_file(file()), "COM2 = /dev/ttyUSB77 charset=a02\nCOM3 = " + pty.path() + "\n");

    std::ofstream(file(), std::ios::app) << "COM9 = /dev/ttyUSB9\n";
    EXPECT_NE(run({"--list"})
                  .out.find("\nLines that map no port:\n  " + file() +
                            ":3: 'COM9' is not one of COM1 to COM8\n"),
              std::string::npos);

    std::filesystem::remove(file());
    ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
    const process_result sent = run({"-p", "2", "x"});
    EXPECT_EQ(sent.exit_code, 1);
    EXPECT_EQ(sent.err, "quillon-send: COM2: " + file() + " is a FIFO, not a regular file\n");
    const process_result listed = run({"--list"});
    EXPECT_EQ(listed.exit_code, 0);
    EXPECT_NE(listed.out.find("COM8  -  (" + file() + ")  COM8: " + file() +
                              " is a FIFO, not a regular file\n"),
              std::string::npos)
        << listed.out;
}

// An edit never writes a file every reader would then refuse.
TEST_F(ports_file, an_edit_that_would_pass_1_mib_fails_and_changes_nothing) {
    const std::string full = std::string(1024 * 1024 - 20, '#') + "\n";
    write_file(file(), full);
    const process_result r = run({"--map", "COM1=/dev/ttyUSB0"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quillon-send: the edit would make " + file() +
                         " larger than 1 MiB, which no reader takes; it was left as it is\n");
    EXPECT_EQ(read_file(file()), full);
    EXPECT_EQ(run({"--map", "COM1=/dev/tty0"}).exit_code, 0) << "one byte less fits";
}

// A file the user may not read is never replaced by an edit: run as another uid.
TEST_F(ports_file, an_unreadable_file_is_left_as_it_is) {
    if (const std::string why = other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    std::filesystem::permissions(home_, std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    std::filesystem::create_directories(home_ + "/quillon");
    std::ofstream(file()) << "# mine\nCOM2 = /dev/ttyACM0\n";
    ASSERT_EQ(chown((home_ + "/quillon").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(file().c_str(), 65534, 65534), 0);
    std::filesystem::permissions(file(), std::filesystem::perms::none);
    const process_result r =
        run_process(as_other_user({program, "--map", "COM1=/dev/ttyUSB0"}), "", env_);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "quillon-send: " + file() +
                         " cannot be read (Permission denied); it was left as it is\n");
    std::filesystem::permissions(file(), std::filesystem::perms::owner_read);
    EXPECT_EQ(read_file(file()), "# mine\nCOM2 = /dev/ttyACM0\n");
}

// Root with a user's HOME (sudo -E) changes nothing of the user's: no file in the user's folder,
// no file behind the user's link, no folder made in the user's. And a lock that a killed root
// edit left (root's, 0600, that the user cannot open) does not lock the user out.
TEST_F(ports_file, root_edits_nothing_of_another_users_and_no_lock_outlives_an_edit) {
    if (const std::string why = other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    namespace fs = std::filesystem;
    fs::permissions(home_, fs::perms::others_exec, fs::perm_options::add);
    // Three users' configuration folders: a file, a link to root's file, no quillon folder.
    const std::string secret = home_ + "/secret";
    write_file(secret, "root's only\n");
    write_file(home_ + "/file/quillon/ports.conf", "COM2 = /dev/ttyACM0\n");
    fs::create_directories(home_ + "/link/quillon");
    fs::create_directories(home_ + "/none");
    fs::create_symlink(secret, home_ + "/link/quillon/ports.conf");
    for (const char* path : {"/file/quillon", "/file/quillon/ports.conf", "/link/quillon",
                             "/link/quillon/ports.conf", "/none"}) {
        ASSERT_EQ(lchown((home_ + path).c_str(), 65534, 65534), 0) << path;
    }
    const std::string why =
        " belongs to uid 65534 (run the edit as that user; with sudo, sudo -H "
        "edits root's own ports file, and " +
        home_ + "/no-system/quillon/ports.conf is the system's, for every user)\n";
    const std::pair<std::string, std::string> table[] = {
        {"/file", "it and its folder"},
        {"/link", "the symbolic link " + home_ + "/link/quillon/ports.conf"},
        {"/none", "its folder " + home_ + "/none"},
    };
    for (const auto& [config_home, what] : table) {
        auto env = env_;
        env["XDG_CONFIG_HOME"] = home_ + config_home;
        const process_result r = run_process({program, "--map", "COM1=/dev/ttyUSB0"}, "", env);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, "quillon-send: refusing to edit " + home_ + config_home +
                             "/quillon/ports.conf as uid 0: " + what + why);
    }
    EXPECT_EQ(read_file(secret), "root's only\n");
    EXPECT_EQ(read_file(home_ + "/file/quillon/ports.conf"), "COM2 = /dev/ttyACM0\n");
    EXPECT_FALSE(fs::exists(home_ + "/none/quillon"));

    const std::string folder = home_ + "/file/quillon";
    write_file(folder + "/ports.conf.lock", "");
    fs::permissions(folder + "/ports.conf.lock", fs::perms::owner_read | fs::perms::owner_write);
    auto env = env_;
    env["XDG_CONFIG_HOME"] = home_ + "/file";
    const process_result user =
        run_process(as_other_user({program, "--map", "COM1=/dev/ttyUSB0"}), "", env);
    EXPECT_EQ(user.exit_code, 0) << user.err;
    EXPECT_EQ(read_file(folder + "/ports.conf"), "COM2 = /dev/ttyACM0\nCOM1 = /dev/ttyUSB0\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "a lock or a temporary file outlived the edit";
}

TEST(help, explains_tags_and_exit_codes) {
    const process_result r = send({"--help"});
    EXPECT_EQ(r.exit_code, 0);
    for (const char* expected :
         {"<13>", "<254,1>", "<CLEAR_SCREEN>", "<LMA_LINE2>", "<A>", "<_5>", "<\\abc>",
          "Exit codes", "QUILLON_COMn", "--version", "rfc2217://HOST:PORT", "tcp://HOST:PORT"}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
    }
}

// Unknown names are told once each on standard error, with the nearest known name; the bytes
// stay as the tag language gives them (an unknown name gives none) and --quiet says nothing.
TEST(warnings, name_each_unknown_tag_once_and_leave_the_bytes_alone) {
    const std::string typo = "quillon-send: unknown tag <LMA_LINE_2>: did you mean LMA_LINE2?\n";
    const struct {
        std::vector<std::string> args;
        std::string input, out, err;
    } table[] = {
        {{"--dry-run", "<LMA_LINE_2>Hi<lma_line_2>"}, "", "Hi", typo},
        {{"--dry-run"}, "<LMA_LINE_2>Hi<lma_line_2>", "Hi", typo},
        {{"--dry-run", "<13,Xyzzy_Plugh>"},
         "",
         "\r",
         "quillon-send: unknown tag <Xyzzy_Plugh>: no such name (quillon-send --tags lists "
         "them)\n"},
        {{"--dry-run", "--quiet", "<LMA_LINE_2>Hi"}, "", "Hi", ""},
        {{"--dry-run", "--raw", "<LMA_LINE_2>"}, "", "<LMA_LINE_2>", ""},
        // A name with "-" or a blank: no tag, so text, and told.
        {{"--dry-run"},
         "<LMA-LINE3>",
         "<LMA-LINE3>",
         "quillon-send: <LMA-LINE3> is sent as text, not as a tag: did you mean <LMA_LINE3>?\n"},
        {{"--preview=16x2", "<LMA_LINE_2>Hi"},
         "",
         "┌────────────────┐\n│Hi              │\n│                │\n└────────────────┘\n",
         typo},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, row.input);
        EXPECT_EQ(r.out, row.out) << row.args.back();
        EXPECT_EQ(r.err.substr(0, row.err.size()), row.err) << row.args.back();
    }
    EXPECT_NE(send({"<LMA_LINE_2>Hi"}).err.find(typo), std::string::npos) << "a real send warns";
}

// With --module, each name meant for another kind of module is told once (a preview shows the
// module instead); the bytes stay as they are.
TEST(warnings, name_each_tag_of_another_family_once) {
    const std::string line2 = "quillon-send: tag <LMA_LINE2> is for hd44780 modules, not text\n";
    const struct {
        std::vector<std::string> args;
        std::string input, out, err;
    } table[] = {
        {{"--dry-run", "--module", "text", "<LMA_LINE2>a<lma_line2,CLS><LINE>"},
         "",
         "\xfe\xc0"
         "a\xfe\xc0\x0c\x1bL",
         line2 + "quillon-send: tag <LINE> is for graphic and graphic-layers modules, not text\n"},
        {{"--dry-run", "--module=hd44780"},
         "<CLS><13>",
         "\x0c\r",
         "quillon-send: tag <CLS> is for text, text-vfd, graphic and graphic-layers modules, not "
         "hd44780\n"},
        {{"--dry-run", "--module", "graphic", "<HOME,DEFINE_CHAR,CR>"},
         "",
         "\x01\x1b"
         "D\r",
         ""},
        {{"--dry-run", "--module", "text-vfd", "<DEFINE_CHAR><VFD_OFF>"},
         "",
         "\x1b"
         "D\x0f",
         ""},
        {{"--dry-run", "--module", "text", "-q", "<LMA_LINE2>"}, "", "\xfe\xc0", ""},
        {{"--dry-run", "<CLS><LMA_LINE2>"}, "", "\x0c\xfe\xc0", ""},
        {{"--preview=16x2", "--module", "text", "<LINE>"},
         "",
         "┌────────────────┐\n│                │\n│                │\n└────────────────┘\n",
         ""},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, row.input);
        EXPECT_EQ(r.out, row.out) << row.args.back();
        EXPECT_EQ(r.err, row.err) << row.args.back();
    }
    EXPECT_EQ(send({"--module", "text", "<LMA_LINE2>"}).err.substr(0, line2.size()), line2)
        << "a real send warns";
}

// Text beyond ASCII in the module's own codes; a missing character is "?" and named.
TEST(charset, converts_text_to_rom_codes_and_names_what_is_missing) {
    const std::string backslash =
        "quillon-send: \\ and ~ are not in the A00 ROM: sent as typed, they show as ¥ and →\n";
    const struct {
        std::vector<std::string> args;
        std::string input, out, err;
    } table[] = {
        // Raw: sent as UTF-8, and told once, with the way to the module's own characters.
        {{"--dry-run", "Grün 25°C"},
         "",
         "Gr\xc3\xbcn 25\xc2\xb0"
         "C",
         "quillon-send: 'ü' (U+00FC) is sent as the 2 bytes of its UTF-8, which a module shows "
         "as 2 characters of its own ROM: try --charset a00 or a02\n"},
        {{"--dry-run", "--quiet", "°"}, "", "\xc2\xb0", ""},
        {{"--dry-run", "--charset", "a00", "<LMA_CLS>Grün 25°C"},
         "",
         "\xfe\x01\xfe\x80Gr\xf5n 25\xdf"
         "C",
         ""},
        {{"--dry-run", "--charset=a02"},
         "Grün 25°C",
         "Gr\xfcn 25\xb0"
         "C",
         ""},
        {{"--dry-run", "--charset=a00", "5 €"},
         "",
         "5 ?",
         "quillon-send: '€' (U+20AC) is not in the A00 ROM: sent as ?\n"},
        {{"--preview=16x2", "--charset", "a00", "Grün"},
         "",
         "┌────────────────┐\n│Grün            │\n│                │\n└────────────────┘\n",
         ""},
        // A00 shows \ and ~ as ¥ and →: told once, not for a tag's backslash, not on A02.
        {{"--dry-run", "--charset=a00", "C:\\~<\\abc>\\"}, "", "C:\\~ABC\\", backslash},
        {{"--dry-run", "--charset=a00", "--raw", "<\\x>"}, "", "<\\x>", backslash},
        {{"--dry-run", "--charset=a00", "<\\abc>"}, "", "ABC", ""},
        {{"--dry-run", "--charset=a00", "--quiet", "~"}, "", "~", ""},
        {{"--dry-run", "--charset=a02", "\\~"}, "", "\\~", ""},
        {{"--dry-run", "--charset=a01", "x"},
         "",
         "",
         "quillon-send: --charset: give raw, a00 or a02, not 'a01' (see quillon-send --help)\n"},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, row.input);
        EXPECT_EQ(r.out, row.out) << row.args.back();
        EXPECT_EQ(r.err, row.err) << row.args.back();
    }
}

// --strict: any warning ends the run with exit code 2, before a byte is written or sent, and it
// says why even with --quiet; a text without warnings goes as without --strict.
TEST(strict, a_warning_stops_the_run_before_anything_goes_out) {
    const std::string refused =
        "quillon-send: nothing written: --strict refuses a text with warnings\n";
    const struct {
        std::vector<std::string> args;
        std::string input, err;
    } table[] = {
        {{"--dry-run", "--strict", "<LMA_LINE_2>Hi"},
         "",
         "quillon-send: unknown tag <LMA_LINE_2>: did you mean LMA_LINE2?\n" + refused},
        {{"--dry-run", "--strict", "--quiet"},
         "Hi<clear screen>",
         "quillon-send: <clear screen> is sent as text, not as a tag: did you mean "
         "<CLEAR_SCREEN>?\n" +
             refused},
        {{"--dry-run", "--strict", "--charset=a00", "5 €"},
         "",
         "quillon-send: '€' (U+20AC) is not in the A00 ROM: sent as ?\n" + refused},
    };
    for (const auto& row : table) {
        const process_result r = send(row.args, row.input);
        EXPECT_EQ(r.exit_code, 2) << row.args.back();
        EXPECT_EQ(r.out, "") << row.args.back();
        EXPECT_EQ(r.err, row.err) << row.args.back();
    }
    EXPECT_EQ(send({"--dry-run", "--strict", "<LMA_CLS>ok"}).out, "\xfe\x01\xfe\x80ok");

    pseudo_terminal pty;
    const process_result r = send({"--strict", "-p", "2", "Grün"}, "", {{2, pty.path()}});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("nothing sent: --strict"), std::string::npos) << r.err;
    pollfd readable{pty.master(), POLLIN, 0};
    EXPECT_EQ(poll(&readable, 1, 0), 0) << "bytes reached the port";
}

// One line per code 0x10-0xFF: the characters --charset converts to it, then its dots.
TEST(rom_sheet, lists_each_code_with_its_characters_and_dots) {
    const struct {
        const char* rom;
        std::string line;
    } table[] = {
        {"a00", "0x10 - ..... ..... ..... ..... ..... ..... ..... .....\n"},
        {"a00", "\n0x5C U+005C+U+00A5 #...# .#.#. ##### ..#.. ##### ..#.. ..#.. .....\n"},
        {"a00", "\n0xDF U+00B0+U+FF9F ###.. #.#.. ###.. ..... ..... ..... ..... .....\n"},
        {"a00", "\n0xE7 - ..... ..... .#### #...# #...# #...# .#### ....#\n"},
        {"a02", "0x10 U+25B6 ..... .#... .##.. .###. .#### .###. .##.. .#...\n"},
        {"a02", "\n0x17 U+21B2+U+21B5 ..... ....# ....# ..#.# .#..# ##### .#... ..#..\n"},
        {"a02", "\n0xA0 U+2016 ..... ##.## ##.## ##.## ##.## ##.## ##.## ##.##\n"},
        {"a02", "\n0xFF U+00FF ..... .#.#. ..... #...# #...# .#### ....# .###.\n"},
    };
    for (const auto& row : table) {
        const process_result r = send({"--rom-sheet", row.rom});
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 240);
        EXPECT_NE(r.out.find(row.line), std::string::npos) << row.line;
    }
    EXPECT_EQ(send({"--rom-sheet=a01"}).exit_code, 2);
}

// The reference is every name of the table; docs/tags.md and the manual page hold it word for
// word between their markers.
TEST(tags, lists_every_name_and_the_docs_hold_the_same_list) {
    const process_result r = send({"--tags"});
    EXPECT_EQ(r.exit_code, 0);
    // The names in four groups, each with a heading; the escapes with two notes.
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 116 + 4 + 5 + 3 + 2 + 6 + 2);
    for (const char* line :
         {"\nLMA_CLS  254 1 254 128\n", "\nNUL  0\n", "\nLMB_LINE4  254 212\n",
          "\nZAP_BOTH_SETTINGS  27 89 67\n", "\n<_5>  69  ",
          "\n\nThe ASCII control codes, for every module:\nNUL  0\n",
          "\nfor family A (text, text-vfd) and family B (graphic, graphic-layers):\nHOME  1\n",
          "\n\nThe escape sequences, for family B (graphic, graphic-layers):\nEEPROM_TO_SCREEN",
          "\nEEPROM_TO_SCREEN, DEFINE_CHAR and TRANSFER_TO_EE are for family A (text, text-vfd) "
          "too.\nZAP_GRAPHICS_SETTINGS and ZAP_BOTH_SETTINGS send ESC Y, the bytes of "
          "LAYERS_GRAPHICS_OFF\nand LAYERS_BOTH_OFF, so a graphic module hides layers",
          "after byte 254, for family C (hd44780):\nLMA_CLS  254 1 254 128\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }
    // Between the markers, the lines inside the block that opens and closes round the list.
    for (const char* doc : {"/docs/tags.md", "/docs/man/quillon-send.1"}) {
        std::ifstream file(std::string(QUILLON_SOURCE_DIR) + doc);
        std::string text((std::istreambuf_iterator<char>(file)), {});
        text = text.substr(text.find('\n', text.find('\n', text.find("BEGIN TAG LIST")) + 1) + 1);
        text.resize(text.rfind('\n', text.rfind('\n', text.find("END TAG LIST")) - 1) + 1);
        for (auto at = text.find("\\e"); at != std::string::npos; at = text.find("\\e", at))
            text.replace(at, 2, "\\");  // roff writes a backslash as \e
        EXPECT_EQ(text, r.out) << doc;
    }
}

// The version is the project's, from the top CMakeLists: raise this line with it.
TEST(version, is_one_line_with_the_project_version_and_touches_no_port) {
    const process_result r = send({"--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "quillon-send 1.1\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(send({"--version=2"}).err,
              "quillon-send: --version takes no value (see quillon-send --help)\n");
}

}  // namespace
}  // namespace quillon::test
