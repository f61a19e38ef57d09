// Where COM1 to COM8 point: the ports file's lines, the order of the sources, the edits that
// --map and --unmap make, and the serial devices that no port maps.
#include "serial/port_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "serial/tests/support/scratch.h"

namespace quillon::serial {
namespace {

namespace fs = std::filesystem;

struct parse_case {
    const char* text;
    int port;
    const char* target;
    const char* problem;
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
    };
    for (const parse_case& c : table) {
        const auto entries = parse_ports_file(std::string("# ports\n\n") + c.text + "\n");
        ASSERT_EQ(entries.size(), 1u) << c.text;
        EXPECT_EQ(entries[0].line, 3) << c.text;
        EXPECT_EQ(entries[0].port, c.port) << c.text;
        EXPECT_EQ(entries[0].target, c.target) << c.text;
        EXPECT_EQ(entries[0].problem, c.problem) << c.text;
    }
}

// A user folder, a system folder and a runtime folder of the test's own, and no QUILLON_COMn
// except those a test sets.
class mapping_sources : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.set("XDG_CONFIG_HOME", (root_ / "user").string());
        env_.set("QUILLON_SYSCONFDIR", (root_ / "system").string());
        env_.set("XDG_RUNTIME_DIR", (root_ / "run").string());
        for (int n = 1; n <= 8; ++n) env_.set("QUILLON_COM" + std::to_string(n), std::nullopt);
    }
    static void write(const fs::path& file, const std::string& text) {
        test::write_file(file, text);
    }
    fs::path user_file() const { return root_ / "user/quillon/ports.conf"; }
    fs::path system_file() const { return root_ / "system/quillon/ports.conf"; }
    static std::string read(const fs::path& file) { return test::read_file(file); }
    test::scratch_folder scratch_{"quillon-port-map"};
    const fs::path& root_ = scratch_.path();
    test::environment_override env_;
};

TEST_F(mapping_sources, the_first_source_that_names_a_port_wins_and_a_bad_line_never_falls_back) {
    write(user_file(), "COM1 = /dev/ttyUSB0\nCOM4 = ttyUSB9\nCOM6 = /dev/ttyACM0\n");
    write(system_file(), "COM2 = /dev/ttyACM1\nCOM4 = /dev/ttyS3\nCOM6 = /dev/ttyS5\n");
    env_.set("QUILLON_COM6", "/dev/pts/9");
    write(root_ / "run/quillon-displays/COM7", std::to_string(getpid()) + " /dev/pts/7\n");
    // A registration whose display has ended is no mapping.
    write(root_ / "run/quillon-displays/COM8", "999999999 /dev/pts/8\n");

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
        {7, "/dev/pts/7", mapping_source::virtual_display, 0},
        {8, "/dev/ttyS7", mapping_source::built_in, 0},
    };
    for (const auto& row : table) {
        const port_mapping m = resolve_port(row.port);
        EXPECT_EQ(m.target, row.target) << "COM" << row.port;
        EXPECT_EQ(m.source, row.source) << "COM" << row.port;
        EXPECT_EQ(m.line, row.line) << "COM" << row.port;
        EXPECT_EQ(m.problem, "") << "COM" << row.port;
    }
    const port_mapping bad = resolve_port(4);
    EXPECT_EQ(bad.target, "");
    EXPECT_EQ(bad.problem, "COM4: " + user_file().string() +
                               ":2: 'ttyUSB9' is not an absolute device path, tcp://HOST:PORT or "
                               "rfc2217://HOST:PORT");
}

TEST_F(mapping_sources, edits_keep_every_other_line_and_refuse_a_malformed_target) {
    write(user_file(),
          "# my display\nCOM2 = /dev/ttyUSB0   # the old adapter\n\nCOM3 = /dev/ttyS2\n");
    const struct {
        int port;
        std::optional<std::string> target;
        const char* text_after;
    } steps[] = {
        {2, "/dev/serial/by-id/usb-X-if00-port0",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X-if00-port0\n\nCOM3 = /dev/ttyS2\n"},
        {5, "rfc2217://displaypi:2217",
         "# my display\nCOM2 = /dev/serial/by-id/usb-X-if00-port0\n\nCOM3 = /dev/ttyS2\n"
         "COM5 = rfc2217://displaypi:2217\n"},
        {3, std::nullopt,
         "# my display\nCOM2 = /dev/serial/by-id/usb-X-if00-port0\n\n"
         "COM5 = rfc2217://displaypi:2217\n"},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(edit_ports_file(user_file().string(), step.port, step.target), std::nullopt);
        EXPECT_EQ(read(user_file()), step.text_after);
    }
    const std::string before = read(user_file());
    EXPECT_NE(edit_ports_file(user_file().string(), 1, std::string("ttyUSB0")), std::nullopt);
    EXPECT_EQ(read(user_file()), before);
    EXPECT_FALSE(fs::exists(user_file().string() + ".new"));
}

TEST_F(mapping_sources, a_first_edit_makes_the_folder_and_the_file) {
    EXPECT_EQ(edit_ports_file(user_file().string(), 1, std::string("/dev/ttyACM0")), std::nullopt);
    EXPECT_EQ(read(user_file()), "COM1 = /dev/ttyACM0\n");
    EXPECT_EQ(resolve_port(1).target, "/dev/ttyACM0");
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

}  // namespace
}  // namespace quillon::serial
