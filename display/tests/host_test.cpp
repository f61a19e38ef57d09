// What serves a port: the layout of the glass in pixels, the command line, the pseudo-terminal
// (a real one, opened by path as a sender opens a port) and the registration in the ports
// mapping (in a runtime folder of the test's own).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "display/glass_layout.h"
#include "display/host/options.h"
#include "display/host/served_display.h"
#include "display/host/virtual_port.h"
#include "ports/registration.h"
#include "ports/resolve.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::display {
namespace {

namespace fs = std::filesystem;

TEST(glass_layout, cells_and_dots_in_pixels) {
    const glass_layout four(character_grid({20, 4}), 4);
    EXPECT_EQ(four.width(), 607);
    EXPECT_EQ(four.height(), 212);
    EXPECT_EQ(four.cell(0, 0), (pixel_rect{16, 16, 24, 39}));
    EXPECT_EQ(four.cell(1, 2), (pixel_rect{74, 63, 24, 39}));
    EXPECT_EQ(four.cell(3, 19), (pixel_rect{567, 157, 24, 39}));
    EXPECT_EQ(four.dot_rect(1, 2, 7, 4), (pixel_rect{94, 98, 4, 4}));
    EXPECT_EQ(four.dot_rect(0, 0, 0, 1), (pixel_rect{21, 16, 4, 4}));

    const glass_layout wide(character_grid({40, 2}), 3);
    EXPECT_EQ(wide.width(), 940);
    EXPECT_EQ(wide.height(), 92);
    EXPECT_EQ(wide.cell(1, 39), (pixel_rect{909, 49, 19, 31}));

    EXPECT_EQ(glass_layout::fitting(character_grid({20, 4}), 607, 212).dot(), 4);
    EXPECT_EQ(glass_layout::fitting(character_grid({20, 4}), 606, 212).dot(), 3);
    EXPECT_EQ(glass_layout::fitting(character_grid({16, 2}), 10, 10).dot(), 1);

    // A new window's dots are 4 pixels on every size that fits the screen across.
    const struct {
        display_size size;
        int room, dot;
    } starts[] = {{{40, 2}, 1187, 4}, {{40, 2}, 1186, 3}, {{40, 2}, 939, 2},
                  {{40, 2}, 10, 1},   {{20, 4}, 1920, 4}, {{20, 4}, 500, 3}};
    for (const auto& row : starts) {
        EXPECT_EQ(default_dot(character_grid(row.size), row.room), row.dot)
            << row.size.columns << " " << row.room;
    }
}

TEST(options, values_and_refusals) {
    const auto chosen = parse_options(
        {"--port", "4", "--size=16x2", "--backlight", "vfd-cyan", "--baud=2400", "--text"});
    ASSERT_EQ(chosen.error, "");
    EXPECT_EQ(chosen.chosen.port, 4);
    EXPECT_EQ(chosen.chosen.size, (display_size{16, 2}));
    EXPECT_EQ(chosen.chosen.light, backlight::vfd_cyan);
    EXPECT_EQ(chosen.chosen.baud, 2400);
    EXPECT_TRUE(chosen.chosen.text);
    EXPECT_FALSE(chosen.chosen.no_window);

    // The module's own sizes and look, --size read whether it comes before --module or after.
    const struct {
        std::vector<std::string> arguments;
        profile module;
        display_size size;
        backlight light;
    } modules[] = {
        {{}, profile::hd44780, {20, 4}, backlight::yellow_green},
        {{"--size", "40x4", "--module", "text"}, profile::text, {40, 4}, backlight::yellow_green},
        {{"--module=text-vfd"}, profile::text_vfd, {20, 2}, backlight::vfd_cyan},
        {{"--module=graphic-layers", "--backlight=blue-white"},
         profile::graphic_layers,
         {128, 64},
         backlight::blue_white},
    };
    for (const auto& row : modules) {
        const options o = parse_options(row.arguments).chosen;
        EXPECT_EQ(o.module, row.module);
        EXPECT_EQ(o.size, row.size) << o.size.columns;
        EXPECT_EQ(o.light, row.light);
    }

    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } refused[] = {
        {{"--port", "9"}, "--port: give a number from 1 to 8, not '9'"},
        {{"--port"}, "--port needs a value"},
        {{"--size", "20x3"}, "--size: give 16x2, 20x2, 20x4, 16x4 or 40x2, not '20x3'"},
        {{"--backlight=red"}, "--backlight: give yellow-green, blue-white or vfd-cyan, not 'red'"},
        {{"--baud", "19200"}, "--baud: give 1200, 2400, 4800 or 9600, not '19200'"},
        {{"--text=yes"}, "--text takes no value"},
        {{"--no-window"}, "--no-window needs --text: nothing else would show the screen"},
        {{"COM1"}, "unexpected argument 'COM1'"},
        {{"--module", "lcd"},
         "--module: give hd44780, text, text-vfd, graphic or graphic-layers, not 'lcd'"},
        {{"--size=20x4", "--module=graphic"},
         "--size: give 120x32 for --module graphic, not '20x4'"},
        {{"--module=graphic", "--rom=a02"},
         "--rom is for character modules: a graphic module draws its own font"},
    };
    for (const auto& row : refused) EXPECT_EQ(parse_options(row.arguments).error, row.error);
}

TEST(virtual_port, takes_every_byte_a_sender_writes_and_reads_back_its_settings) {
    std::string why;
    auto port = virtual_port::open(4800, why);
    ASSERT_TRUE(port) << why;
    EXPECT_EQ(describe(port->settings()), "4800 8N1");

    // A sender opens the slave by its path and sets its own line, as a real port is used.
    const int sender = ::open(port->path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(sender, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(sender, &t), 0);
    cfsetospeed(&t, B2400);
    cfsetispeed(&t, B2400);
    t.c_cflag |= CRTSCTS;
    ASSERT_EQ(tcsetattr(sender, TCSANOW, &t), 0);
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    ASSERT_EQ(write(sender, all.data(), all.size()), 256);
    close(sender);  // the line stays up: the display keeps a slave open

    std::string got;
    char buffer[100];
    for (int tries = 0; tries < 1000 && got.size() < all.size(); ++tries) {
        got += port->read_waiting(buffer);
        if (got.size() < all.size()) usleep(1000);
    }
    EXPECT_EQ(got, all);
    EXPECT_EQ(describe(port->settings()), "2400 8N1 RTS/CTS");
    EXPECT_EQ(port->read_waiting(buffer), "");
}

TEST(sender_settings, the_status_line_warns_of_another_rate) {
    EXPECT_EQ(sender_status(false, {}, 9600), "waiting for a sender");
    EXPECT_EQ(sender_status(true, {9600, 8, 'N', 1, false, false}, 9600), "sender: 9600 8N1");
    EXPECT_EQ(sender_status(true, {1200, 8, 'E', 2, false, true}, 9600),
              "sender: 1200 8E2 XON/XOFF (the display listens at 9600 baud: a real module "
              "would show garbage)");
}

// A runtime and configuration folder of the test's own, and every QUILLON_COMn set to a path
// that does not exist except those a test frees.
class in_runtime_folder : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(root_ / "run");
        fs::permissions(root_ / "run", fs::perms::owner_all);
        set("XDG_RUNTIME_DIR", (root_ / "run").string());
        set("XDG_CONFIG_HOME", (root_ / "config").string());
        set("QUILLON_SYSCONFDIR", (root_ / "system").string());
        for (const auto& [name, value] : test::port_guard::environment()) set(name, value);
    }
    void set(const std::string& name, const std::optional<std::string>& value) {
        env_.set(name, value);
    }
    static std::string read(const fs::path& file) { return test::read_file(file); }
    test::scratch_folder scratch_{"quillon-display-test"};
    const fs::path& root_ = scratch_.path();
    test::environment_override env_;
};

TEST_F(in_runtime_folder, the_default_port_is_the_first_that_nothing_maps) {
    EXPECT_EQ(first_free_port(), 0);
    set("QUILLON_COM5", std::nullopt);
    set("QUILLON_COM7", std::nullopt);
    EXPECT_EQ(first_free_port(), 5);
    fs::create_directories(root_ / "config/quillon");
    std::ofstream(root_ / "config/quillon/ports.conf") << "COM5 = /dev/ttyUSB0\n";
    EXPECT_EQ(first_free_port(), 7);
    std::string why;
    const test::pseudo_terminal other_display;
    auto claim = ports::display_claim::make(7, other_display.path(), why);
    ASSERT_TRUE(claim) << why;
    EXPECT_EQ(first_free_port(), 0);

    // A port chosen by hand where a display already runs is refused; one in a file is noted.
    options o;
    o.port = 7;
    EXPECT_EQ(served_display::start(o).error,
              "COM7 already has a virtual display running (" + other_display.path() + ", " +
                  (root_ / "run/quillon-displays/COM7").string() + ")");
    o.port = 5;
    const auto started = served_display::start(o);
    ASSERT_TRUE(started.display) << started.error;
    EXPECT_EQ(started.notes,
              std::vector<std::string>{"COM5's line in " +
                                       (root_ / "config/quillon/ports.conf").string() +
                                       " is set aside while this display runs"});
    EXPECT_EQ(ports::resolve_port(5).target, started.display->path());
}

}  // namespace
}  // namespace quillon::display
