// Where COM1 to COM8 point: the ports file's lines, the order of the sources, the edits that
// --map and --unmap make (also by processes at once), files that cannot be read, the
// registrations of running displays and what another user can plant, and the serial devices
// that no port maps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "options/standard/display_options.h"
#include "ports/ports_file.h"
#include "ports/registration.h"
#include "ports/resolve.h"
#include "testing/process.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::ports {
namespace {

namespace fs = std::filesystem;

struct parse_case {
    const char* text;
    int port;
    const char* target;
    const char* problem;
    std::optional<std::string> charset = std::nullopt;
};

TEST(ports_file, each_line_gives_its_port_and_target_or_why_not) {
    const parse_case table[] = {
        {"COM1 = /dev/ttyUSB0", 1, "/dev/ttyUSB0", ""},
        {"  com2=tcp://displaypi:4000   # the shop window", 2, "tcp://displaypi:4000", ""},
        {"COM8 = rfc2217://[::1]:2217", 8, "rfc2217://[::1]:2217", ""},
        {"COM3 /dev/ttyS0", 3, "", "expected 'COMn = TARGET'"},
        {"COM9 = /dev/ttyS0", 0, "", "'COM9' is not one of COM1 to COM8"},
        {"COM4 = ttyUSB0", 4, "",
         "'ttyUSB0' is not an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT"},
        {"COM5 = tcp://displaypi", 5, "",
         "'tcp://displaypi' needs a host and a port from 1 to 65535 (tcp://HOST:PORT)"},
        {"COM6 = rfc2217://displaypi:70000", 6, "",
         "'rfc2217://displaypi:70000' needs a host and a port from 1 to 65535 "
         "(rfc2217://HOST:PORT)"},
        {"COM7 = telnet://displaypi:23", 7, "",
         "'telnet://displaypi:23' has an unknown scheme (tcp:// or rfc2217://)"},
        // udev keeps a "#" in by-id names; only one after white space starts a comment.
        {"COM1 = /dev/serial/by-id/usb-Acme_#3-if00 # till 3", 1,
         "/dev/serial/by-id/usb-Acme_#3-if00", ""},
        {"COM2 = \"/dev/odd name #2\"  # quoted", 2, "/dev/odd name #2", ""},
        {"COM2 = \"/dev/a\\\"b\\\\c\"", 2, "/dev/a\"b\\c", ""},
        {"COM2 = \"/dev/open", 2, "", "the quoted target has no closing quote"},
        {"COM2 = \"/dev/a\"b", 2, "", "text follows the quoted target"},
        {"COM2 = \"/dev/a\" b", 2, "",
         "'b' after the target is not a setting (KEY=VALUE, such as charset=a00)"},
        // Settings after the target; a bad one makes the whole line unusable.
        {"COM1 = /dev/ttyUSB0 charset=a00  # till", 1, "/dev/ttyUSB0", "", "a00"},
        {"COM2 = \"/dev/odd name\"\tcharset=raw", 2, "/dev/odd name", "", "raw"},
        {"COM3 = /dev/ttyS0 charset=a01", 3, "", "charset 'a01' is not raw, a00 or a02"},
        {"COM3 = /dev/ttyS0 baud=9600", 3, "",
         "unknown setting 'baud' (the settings are: charset)"},
        {"COM3 = /dev/ttyS0 charset=a00 charset=a02", 3, "", "charset is given twice"},
        {"COM3 = ttyS0 charset=a00", 3, "",
         "'ttyS0' is not an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT"},
        {"COM3 = /dev/tty\x1b[2J", 3, "",
         "'/dev/tty\\x1B[2J' holds a control character or a line break"},
        {"COM2 = COM2", 2, "",
         "'COM2' is not an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT"},
    };
    for (const parse_case& c : table) {
        const auto entries = parse_ports_file(std::string("# ports\n\n") + c.text + "\r\n");
        ASSERT_EQ(entries.size(), 1u) << c.text;
        EXPECT_EQ(entries[0].line, 3) << c.text;
        EXPECT_EQ(entries[0].port, c.port) << c.text;
        EXPECT_EQ(entries[0].target, c.target) << c.text;
        EXPECT_EQ(entries[0].problem, c.problem) << c.text;
        EXPECT_EQ(entries[0].settings.charset, c.charset) << c.text;
    }
    // The names a line takes are those the programs that convert text take.
    for (const std::string_view name : charset_names) {
        std::optional<display::rom> rom;
        EXPECT_TRUE(options::take_charset(name, rom)) << name;
    }
    // A byte-order mark is no part of the first line.
    const auto marked = parse_ports_file(
        "\xEF\xBB\xBF"
        "COM1 = /dev/ttyACM0\n");
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].target, "/dev/ttyACM0");
}

// A user folder, a system folder and a runtime folder of the test's own, and no QUILLON_COMn
// except those a test sets.
class mapping_sources : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.set("XDG_CONFIG_HOME", (root_ / "user").string());
        env_.set("QUILLON_SYSCONFDIR", (root_ / "system").string());
        fs::create_directories(root_ / "run");
        fs::permissions(root_ / "run", fs::perms::owner_all);
        env_.set("XDG_RUNTIME_DIR", (root_ / "run").string());
        for (int n = 1; n <= 8; ++n) env_.set("QUILLON_COM" + std::to_string(n), std::nullopt);
    }
    static void write(const fs::path& file, const std::string& text) {
        test::write_file(file, text);
    }
    fs::path user_file() const { return root_ / "user/quillon/ports.conf"; }
    fs::path system_file() const { return root_ / "system/quillon/ports.conf"; }
    static std::string read(const fs::path& file) { return test::read_file(file); }
    static std::optional<std::string> set_to(int port, const std::string& target) {
        edit_outcome edited = edit_ports_file(*user_ports_file(), port, target);
        if (edited.problem.empty()) return std::nullopt;
        return edited.problem;
    }
    test::scratch_folder scratch_{"quillon-ports"};
    const fs::path& root_ = scratch_.path();
    test::environment_override env_;
};

TEST_F(mapping_sources, the_first_source_that_names_a_port_wins_and_a_bad_line_never_falls_back) {
    test::pseudo_terminal display_line;
    write(user_file(), "COM1 = /dev/ttyUSB0\nCOM4 = ttyUSB9\nCOM6 = /dev/ttyACM0\n");
    write(system_file(), "COM2 = /dev/ttyACM1\nCOM4 = /dev/ttyS3\nCOM6 = /dev/ttyS5\n");
    env_.set("QUILLON_COM6", "/dev/pts/9");
    std::string why;
    const auto display = display_claim::make(7, display_line.path(), why);
    ASSERT_TRUE(display) << why;

    const struct {
        int port;
        const char* target;
        mapping_source source;
        int line;
    } table[] = {
        {1, "/dev/ttyUSB0", mapping_source::user_file, 1},
        {2, "/dev/ttyACM1", mapping_source::system_file, 1},
        {3, "/dev/ttyS2", mapping_source::built_in, 0},
        {6, "/dev/pts/9", mapping_source::environment, 0},
        {8, "/dev/ttyS7", mapping_source::built_in, 0},
    };
    for (const auto& row : table) {
        const port_mapping m = resolve_port(row.port);
        EXPECT_EQ(m.target, row.target) << "COM" << row.port;
        EXPECT_EQ(m.source, row.source) << "COM" << row.port;
        EXPECT_EQ(m.line, row.line) << "COM" << row.port;
        EXPECT_EQ(m.problem, "") << "COM" << row.port;
    }
    EXPECT_EQ(resolve_port(7).target, display_line.path());
    EXPECT_EQ(resolve_port(7).source, mapping_source::virtual_display);
    const port_mapping bad = resolve_port(4);
    EXPECT_EQ(bad.target, "");
    EXPECT_EQ(bad.problem, "COM4: " + user_file().string() +
                               ":2: 'ttyUSB9' is not an absolute device path, tcp://HOST:PORT or "
                               "rfc2217://HOST:PORT");

    // A variable is checked as a file line is: no relative path, no chain to another port.
    for (const char* value : {"COM2", "ttyUSB0"}) {
        env_.set("QUILLON_COM5", value);
        EXPECT_EQ(resolve_port(5).problem,
                  "COM5: QUILLON_COM5: '" + std::string(value) +
                      "' is not an absolute device path, tcp://HOST:PORT or rfc2217://HOST:PORT");
    }
    // Without a usable HOME or XDG_CONFIG_HOME there is no user file, and it is not read.
    env_.set("XDG_CONFIG_HOME", "relative/config");
    env_.set("HOME", std::nullopt);
    EXPECT_EQ(user_ports_file(), std::nullopt);
    EXPECT_EQ(resolve_port(1).target, "/dev/ttyS0");
}

TEST_F(mapping_sources, edits_keep_every_other_line_and_refuse_a_malformed_target) {
    write(user_file(),
          "# my display\nCOM2 = /dev/ttyUSB0   # the old adapter\n\nCOM3 = /dev/ttyS2\n");
    const struct {
        int port;
        std::optional<std::string> target;
        const char* text_after;
    } steps[] = {
        {2, "/dev/serial/by-id/usb-X_#1-if00-port0",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\nCOM3 = /dev/ttyS2\n"},
        {5, "rfc2217://displaypi:2217",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\nCOM3 = /dev/ttyS2\n"
         "COM5 = rfc2217://displaypi:2217\n"},
        {3, std::nullopt,
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\n"
         "COM5 = rfc2217://displaypi:2217\n"},
        {5, "\"/dev/my display #1\"",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\n"
         "COM5 = \"/dev/my display #1\"\n"},
        // A setting given replaces the line's, one left out is kept, an empty one goes.
        {5, "\"/dev/my display #1\" charset=a02",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\n"
         "COM5 = \"/dev/my display #1\" charset=a02\n"},
        {5, "/dev/ttyACM1",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\nCOM5 = /dev/ttyACM1 "
         "charset=a02\n"},
        {5, "/dev/ttyACM1 charset=",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\nCOM5 = /dev/ttyACM1\n"},
        {5, "\"/dev/my display #1\" charset=a00",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X_#1-if00-port0\n\nCOM5 = \"/dev/my display "
         "#1\" charset=a00\n"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(edit_ports_file(user_file().string(), step.port, step.target).problem, "");
        EXPECT_EQ(read(user_file()), step.text_after);
    }
    // What was written reads back exactly.
    EXPECT_EQ(resolve_port(2).target, "/dev/serial/by-id/usb-X_#1-if00-port0");
    EXPECT_EQ(resolve_port(5).target, "/dev/my display #1");
    EXPECT_EQ(resolve_port(5).settings.charset, "a00");

    const std::string before = read(user_file());
    for (const char* refused : {"ttyUSB0", "/dev/ttyUSB0\nCOM1 = /dev/ttyS9", "/dev/tty\tS0"}) {
        const edit_outcome edited = edit_ports_file(user_file().string(), 1, std::string(refused));
        EXPECT_TRUE(edited.refused_target) << refused;
        EXPECT_EQ(read(user_file()), before) << refused;
    }
    const fs::path folder = user_file().parent_path();
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // A killed edit's temporary file and lock go with the next edit; a file of another name, or
    // another user's, stays.
    const std::pair<const char*, bool> left[] = {{"ports.conf.edit-AbC123", false},
                                                 {"ports.conf.lock", false},
                                                 {"ports.conf.edit-AbC12", true},
                                                 {"ports.conf.backup", true},
                                                 {"ports.conf.edit-Zz9999", geteuid() == 0}};
    for (const auto& [name, stays] : left) write(folder / name, "COM1 = /dev/ttyS9\n");
    if (geteuid() == 0) {
        ASSERT_EQ(chown((folder / "ports.conf.edit-Zz9999").c_str(), 65534, 65534), 0);
    }
    EXPECT_EQ(set_to(3, "/dev/ttyS2"), std::nullopt);
    for (const auto& [name, stays] : left) EXPECT_EQ(fs::exists(folder / name), stays) << name;
}

TEST_F(mapping_sources, a_first_edit_makes_the_folder_and_the_file) {
    EXPECT_EQ(set_to(1, "/dev/ttyACM0"), std::nullopt);
    EXPECT_EQ(read(user_file()), "COM1 = /dev/ttyACM0\n");
    EXPECT_EQ(resolve_port(1).target, "/dev/ttyACM0");
}

// A link to the real file stays a link, and the file keeps its mode.
TEST_F(mapping_sources, an_edit_follows_a_link_and_keeps_the_mode) {
    const fs::path real = root_ / "dotfiles/ports.conf";
    write(real, "# shared\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_directories(user_file().parent_path());
    fs::create_symlink(real, user_file());
    EXPECT_EQ(set_to(2, "/dev/ttyUSB1"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(user_file()));
    EXPECT_EQ(read(real), "# shared\nCOM2 = /dev/ttyUSB1\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Whatever stands where the file should be, it is never read on and on nor replaced, and the
// ports it could map fail naming it: none falls back to the default device.
TEST_F(mapping_sources, a_file_that_cannot_be_read_fails_its_ports_and_is_never_replaced) {
    const std::string file = user_file().string();
    const struct {
        const char* what;
        std::function<void()> make;
        std::string problem;
    } table[] = {
        {"FIFO", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); },
         "is a FIFO, not a regular file"},
        {"folder", [&] { fs::create_directories(file); }, "is a directory, not a regular file"},
        {"endless device", [&] { fs::create_symlink("/dev/zero", file); },
         "is a character device, not a regular file"},
        {"over 1 MiB", [&] { write(file, std::string(1024 * 1024 + 1, '#')); },
         "is larger than 1 MiB"},
        {"zero byte", [&] { write(file, std::string("COM1 = /dev/ttyS1\n\0", 19)); },
         "holds a zero byte: it is no text file"},
    };
    for (const auto& row : table) {
        fs::remove_all(user_file().parent_path());
        fs::create_directories(user_file().parent_path());
        row.make();
        const auto kind = fs::symlink_status(file).type();
        const std::string text = kind == fs::file_type::regular ? read(file) : "";
        const port_mapping m = resolve_port(3);
        EXPECT_EQ(m.target, "") << row.what;
        EXPECT_EQ(m.problem, "COM3: " + file + " " + row.problem) << row.what;
        const edit_outcome edited = edit_ports_file(file, 1, std::string("/dev/ttyUSB0"));
        // Named by the file the edit would replace: a link's target.
        EXPECT_TRUE(edited.problem.ends_with(" " + row.problem + "; it was left as it is"))
            << edited.problem;
        EXPECT_EQ(fs::symlink_status(file).type(), kind) << row.what;
        if (kind == fs::file_type::regular) {
            EXPECT_EQ(read(file), text) << row.what;
        }
    }
}

// Eight processes edit eight ports at once, ten times over: every line survives.
TEST_F(mapping_sources, concurrent_edits_by_processes_lose_no_line) {
    write(user_file(), "# keep me\n");
    for (int round = 0; round < 10; ++round) {
        std::vector<pid_t> children;
        for (int port = 1; port <= 8; ++port) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const std::string target = "/dev/ttyUSB" + std::to_string(round * 8 + port);
                _exit(edit_ports_file(user_file().string(), port, target).problem.empty() ? 0 : 1);
            }
            children.push_back(child);
        }
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const auto entries = parse_ports_file(read(user_file()));
        ASSERT_EQ(entries.size(), 8u) << read(user_file());
        for (const auto& entry : entries) {
            EXPECT_EQ(entry.target, "/dev/ttyUSB" + std::to_string(round * 8 + entry.port));
        }
    }
    EXPECT_TRUE(read(user_file()).starts_with("# keep me\n"));
}

// /dev and /sys laid out in a folder: a by-id link and the device it names are one device,
// ttyS* counts only with a UART behind it, and a device a port maps is left out.
TEST_F(mapping_sources, lists_the_serial_devices_no_port_maps_stable_names_first) {
    const fs::path dev = root_ / "dev";
    for (const char* name :
         {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1"}) {
        write(dev / name, "");
    }
    fs::create_directories(dev / "serial/by-id");
    fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    write(root_ / "sys/class/tty/ttyS0/type", "4\n");
    write(root_ / "sys/class/tty/ttyS1/type", "0\n");
    env_.set("QUILLON_COM1", "/dev/ttyUSB1");
    EXPECT_EQ(
        unmapped_serial_devices(root_.string()),
        (std::vector<std::string>{"/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "/dev/ttyUSB2",
                                  "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0"}));
}

// Registrations are followed only when nobody else could have made them and their display
// still holds them. Without XDG_RUNTIME_DIR they live in ${TMPDIR}/quillon-UID, a name any
// user can take first under a shared folder.
TEST_F(mapping_sources, a_registration_is_followed_only_when_the_users_own_and_alive) {
    test::pseudo_terminal line;
    const fs::path folder = root_ / "run/quillon-displays";
    const fs::path file = folder / "COM3";
    const std::string own_line = std::to_string(getpid()) + " " + line.path() + "\n";
    std::string why;
    {
        auto claim = display_claim::make(3, line.path(), why);
        ASSERT_TRUE(claim) << why;
        EXPECT_EQ(claim->file(), file.string());
        EXPECT_EQ(read(file), own_line);
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_EQ(resolve_port(3).target, line.path());
        // While it runs, no second display takes the port.
        EXPECT_FALSE(display_claim::make(3, line.path(), why));
        EXPECT_EQ(why, "COM3 already has a virtual display running (quillon_ports_t, pid " +
                           std::to_string(getpid()) + ")");
    }
    EXPECT_FALSE(fs::exists(file));

    // Files no display holds, or that are not what a display writes, are not followed.
    const struct {
        const char* what;
        std::string text;
        fs::perms mode;
    } planted[] = {
        {"no display holds it (pid 1 answers kill with EPERM)", "1 " + line.path() + "\n",
         fs::perms::owner_read | fs::perms::owner_write},
        {"someone else may write it", own_line, fs::perms::owner_all | fs::perms::group_write},
        {"not a pseudo-terminal", std::to_string(getpid()) + " " + file.string() + "\n",
         fs::perms::owner_read | fs::perms::owner_write},
        {"too big", own_line + std::string(5000, ' '),
         fs::perms::owner_read | fs::perms::owner_write},
    };
    for (const auto& row : planted) {
        write(file, row.text);
        fs::permissions(file, row.mode);
        // Held by a lock as a live display holds it: only the file's own faults count.
        const int held = open(file.c_str(), O_RDONLY);
        const bool hold = row.text.starts_with(std::to_string(getpid()));
        if (hold) {
            ASSERT_EQ(flock(held, LOCK_EX), 0);
        }
        EXPECT_EQ(resolve_port(3).source, mapping_source::built_in) << row.what;
        close(held);
        fs::remove(file);
    }

    // A display that is killed, and not yet reaped, holds nothing: a zombie is no display.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto claim = display_claim::make(3, line.path(), why);
        if (claim) pause();
        _exit(1);
    }
    for (int i = 0; i < 500 && !fs::exists(file); ++i) usleep(10000);
    ASSERT_EQ(resolve_port(3).source, mapping_source::virtual_display);
    kill(child, SIGKILL);
    for (int i = 0; i < 500 && resolve_port(3).source != mapping_source::built_in; ++i) {
        usleep(10000);
    }
    EXPECT_EQ(resolve_port(3).source, mapping_source::built_in);
    waitpid(child, nullptr, 0);
    // The next display takes over the stale file.
    EXPECT_TRUE(display_claim::make(3, line.path(), why)) << why;

    if (const std::string why = test::other_user_missing(); !why.empty()) GTEST_SKIP() << why;
    // Another user made the fallback folder first, open to all, with a registration in it.
    env_.set("XDG_RUNTIME_DIR", std::nullopt);
    fs::permissions(root_, fs::perms::others_exec, fs::perm_options::add);
    const fs::path shared_tmp = root_ / "tmp";
    fs::create_directories(shared_tmp);
    fs::permissions(shared_tmp, fs::perms::all | fs::perms::sticky_bit);
    env_.set("TMPDIR", shared_tmp.string());
    const fs::path taken = shared_tmp / ("quillon-" + std::to_string(getuid()));
    const std::string plant = "mkdir -m 777 " + taken.string() + " " + taken.string() +
                              "/displays && echo \"1 " + line.path() + "\" > " + taken.string() +
                              "/displays/COM3";
    ASSERT_EQ(test::run_process(test::as_other_user({"/bin/sh", "-c", plant}), "", {}).exit_code,
              0);
    // A sender fails, naming the folder, rather than go to the port's real default device.
    EXPECT_EQ(resolve_port(3).problem,
              "COM3: " + taken.string() +
                  " belongs to uid 65534, not to this user: no virtual display there can be "
                  "trusted, so COM3 does not fall back to /dev/ttyS2 (set XDG_RUNTIME_DIR to a "
                  "private folder, or map the port)");
    EXPECT_FALSE(display_claim::make(3, line.path(), why));
    EXPECT_EQ(why, "cannot register COM3: " + taken.string() +
                       " belongs to uid 65534, not to this user; it is neither read nor written "
                       "(set XDG_RUNTIME_DIR to a private folder)");
}

// A display takes the port's lock before its registration: a stale registration that a sender
// holds a shared lock on at that moment is taken over all the same, and a second display for
// the port is refused whichever runtime folder it uses.
TEST_F(mapping_sources, one_port_has_one_display_whichever_runtime_folder_each_uses) {
    test::pseudo_terminal line;
    const fs::path stale = root_ / "run/quillon-displays/COM4";
    fs::create_directory(stale.parent_path());
    fs::permissions(stale.parent_path(), fs::perms::owner_all);
    write(stale, "1 " + line.path() + "\n");
    const int sender = open(stale.c_str(), O_RDONLY);
    ASSERT_EQ(flock(sender, LOCK_SH), 0);
    std::string why;
    std::optional<display_claim> first = display_claim::make(4, line.path(), why);
    close(sender);
    ASSERT_TRUE(first) << why;
    EXPECT_EQ(read(stale), std::to_string(getpid()) + " " + line.path() + "\n");

    env_.set("XDG_RUNTIME_DIR", std::nullopt);
    fs::create_directory(root_ / "tmp");
    fs::permissions(root_ / "tmp", fs::perms::owner_all);
    env_.set("TMPDIR", (root_ / "tmp").string());
    EXPECT_FALSE(display_claim::make(4, line.path(), why));
    EXPECT_EQ(why, "COM4 already has a virtual display running (quillon_ports_t, pid " +
                       std::to_string(getpid()) + ")");
    first.reset();
    const auto second = display_claim::make(4, line.path(), why);
    ASSERT_TRUE(second) << why;
    EXPECT_EQ(resolve_port(4).target, line.path());
}

// Displays started at once for one port, as processes: exactly one wins.
TEST_F(mapping_sources, of_displays_started_at_once_for_one_port_exactly_one_wins) {
    test::pseudo_terminal line;
    for (int round = 0; round < 5; ++round) {
        // results: each child's outcome; held: closed by the test once every child has tried, so
        // that the winner holds its claim until then.
        int results[2];
        int held[2];
        ASSERT_EQ(pipe(results), 0);
        ASSERT_EQ(pipe(held), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < 4; ++i) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                close(results[0]);
                close(held[1]);
                std::string why;
                auto claim = display_claim::make(5, line.path(), why);
                const char won = claim ? 'W' : 'L';
                // A cast to void does not silence warn_unused_result (fortified builds add it).
                if (::write(results[1], &won, 1) != 1) _exit(1);
                char end = 0;
                _exit(::read(held[0], &end, 1) < 0 ? 1 : 0);
            }
            children.push_back(child);
        }
        close(results[1]);
        close(held[0]);
        std::string outcomes;
        char c = 0;
        while (outcomes.size() < 4 && ::read(results[0], &c, 1) == 1) outcomes.push_back(c);
        close(held[1]);
        for (const pid_t child : children) waitpid(child, nullptr, 0);
        close(results[0]);
        EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), 'W'), 1) << outcomes;
    }
}

}  // namespace
}  // namespace quillon::ports
