// The bridge's settings: the command line over a settings file, each refusal in one line.
#include "bridge/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/scratch.h"

namespace quillon::bridge {
namespace {

using test::scratch_folder;

display_setting line(std::string name, std::string port, int baud,
                     std::optional<display::rom> charset,
                     display::profile module = display::profile::hd44780,
                     display::display_size size = {16, 2}) {
    display_setting d;
    d.name = std::move(name);
    d.port = std::move(port);
    d.baud = baud;
    d.charset = charset;
    d.module = module;
    d.size = size;
    return d;
}

TEST(bridge_settings, refuses_with_one_line_naming_what_is_wrong) {
    scratch_folder folder;
    test::write_file(folder / "bad.conf", "# displays\ndisplay counter=COM1\nbrokr mqtt://x\n");
    test::write_file(folder / "open.pw", "secret\n");
    chmod((folder / "open.pw").c_str(), 0644);
    const std::string bad = (folder / "bad.conf").string();
    const std::string pw = (folder / "open.pw").string();
    const std::string fifo = (folder / "fifo").string();
    mkfifo(fifo.c_str(), 0600);
    const std::string no_ca = (folder / "none.pem").string();
    const std::string screens_20x4 = (folder / "s.yaml").string();
    test::write_file(screens_20x4,
                     "screens:\n  - name: m\n    lines:\n      - big: \"12\"\n"
                     "      - \"x\"\n");
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{}, "no display given (--display NAME=PORT)"},
        {{"--display", "counter"},
         "--display: give NAME=PORT[@BAUD][,CHARSET][,MODULE[:SIZE]], not 'counter'"},
        {{"--display", "a=COM1@2400,a01"},
         "--display: after the port give a character set (raw, a00 or a02) or a module (hd44780, "
         "text, text-vfd, graphic or graphic-layers), not 'a01'"},
        {{"--display", "a=COM1,a01,text"},
         "--display: the character set must be raw, a00 or a02, not 'a01'"},
        {{"--display", "a=COM1,a00,lcd:20x4"},
         "--display: the module must be hd44780, text, text-vfd, graphic or graphic-layers, not "
         "'lcd'"},
        {{"--display", "a=COM1,text:16x4"},
         "--display: the size of text must be 16x2, 20x2, 20x4 or 40x4, not '16x4'"},
        {{"--display", "a=COM1,a00,text,raw"},
         "--display: too many parts after the port in "
         "'a=COM1,a00,text,raw'"},
        {{"--display", "a=COM1", "--screens", "b=s.yaml"},
         "screens for b, which is no display (--display b=PORT)"},
        {{"--display", "a=COM1", "--screens", "a=" + no_ca},
         "--screens a: cannot read " + no_ca + ": No such file or directory"},
        {{"--display", "a=COM1", "--screens", "a=" + screens_20x4},
         screens_20x4 + ":5: screen \"m\": this line would end on row 3 of a glass of 2 (hd44780 "
                        "16x2)"},
        {{"--alert-ttl", "0"}, "--alert-ttl: give a number of seconds from 1 to 86400, not '0'"},
        {{"--display", "a/b=COM1"},
         "--display: a display's name takes letters, digits, _ and - (at most 64), not 'a/b'"},
        {{"--display", "a=COM1@300"},
         "--display: the baud rate must be 1200, 2400, 4800 or 9600, not '300'"},
        {{"--broker", "http://x", "--display", "a=COM1"},
         "--broker: give mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not 'http://x'"},
        {{"--broker=mqtt://h:0"}, "--broker: the port must be a number from 1 to 65535, not '0'"},
        {{"--prefix", "a/#"},
         "--prefix: a topic prefix without + or #, not starting or ending in /"},
        {{"--no-discovery=1"}, "--no-discovery takes no value"},
        {{"--display"}, "--display needs a value"},
        {{"--cafile", "ca.pem", "--display", "a=COM1"},
         "--cafile, --cert and --key go with an mqtts:// broker"},
        {{"--config", bad}, bad + ":3: unknown setting 'brokr'"},
        {{"--display", "a=COM1", "--username", "u", "--password-file", pw},
         pw + " may be read or changed by others (mode 644); allow only its owner: chmod 600 " +
             pw},
        // Settings that could never work: a second display on a port (the first holds it), a
        // prefix under the broker's own $ topics.
        {{"--display", "a=COM1", "--display", "b=/dev/pts/../pts/7", "--display", "c=/dev/pts/7"},
         "displays b and c are both on /dev/pts/7 (/dev/pts/../pts/7 and /dev/pts/7); give each "
         "display a port of its own"},
        {{"--display", "a=tcp://Host:7000", "--display", "b=tcp://host:7000"},
         "displays a and b are both on tcp://host:7000 (tcp://Host:7000 and tcp://host:7000); "
         "give each display a port of its own"},
        {{"--display", "a=COM1", "--display", "b=/nonexistent/quillon-test/COM1@1200"},
         "displays a and b are both on /nonexistent/quillon-test/COM1 (COM1 and "
         "/nonexistent/quillon-test/COM1); give each display a port of its own"},
        {{"--prefix", "$SYS/quillon"},
         "--prefix: a topic prefix may not start with $, not '$SYS/quillon'"},
        // Files that would block the open, or never end, are refused at once and named.
        {{"--display", "a=COM1", "--username", "u", "--password-file", fifo},
         fifo + " is not a regular file"},
        {{"--config", fifo}, fifo + " is a FIFO, not a regular file"},
        {{"--broker", "mqtts://h", "--display", "a=COM1", "--cafile", no_ca},
         "--cafile: cannot read " + no_ca + ": No such file or directory"},
        {{"--broker", "mqtts://h", "--display", "a=COM1", "--cert", fifo, "--key", pw},
         "--cert: " + fifo + " is a FIFO, not a regular file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load_settings(c.arguments).error, c.error) << c.arguments.size();
    }
}

TEST(bridge_settings, take_the_command_line_over_the_file) {
    scratch_folder folder;
    test::write_file(folder / "bridge.conf",
                     "broker = mqtts://[::1]:9883\ndisplay counter=COM1@1200\nno-discovery\n"
                     "username till\npassword-file " +
                         (folder / "pw").string() +
                         "\ndisplay lcd=COM3,a00,hd44780:20x4\n"
                         "screens lcd=lcd.yaml\nmessage-ttl 4\n");
    test::write_file(folder / "pw", "s3cret\nignored\n");
    test::write_file(folder / "lcd.yaml",
                     "screens:\n  - name: clock\n    lines: [\"{time:%H}\"]\n"
                     "  - name: temp\n    lines: [\"-\"]\n");
    chmod((folder / "pw").c_str(), 0600);
    const loaded_settings loaded =
        load_settings({"--config", (folder / "bridge.conf").string(), "--display",
                       "counter=/dev/pts/9@4800,a02", "--display", "pole=tcp://h:7000,raw"});
    ASSERT_EQ(loaded.error, "");
    const settings& s = loaded.chosen;
    EXPECT_EQ(s.broker, (broker_address{true, "::1", 9883}));
    ASSERT_EQ(s.displays.size(), 3u);
    EXPECT_TRUE(same_line(s.displays[0], line("counter", "/dev/pts/9", 4800, display::rom::a02)));
    // Screens from the settings file's folder, checked against the module named.
    EXPECT_TRUE(same_line(s.displays[1], line("lcd", "COM3", 9600, display::rom::a00,
                                              display::profile::hd44780, {20, 4})));
    EXPECT_EQ(s.displays[1].screens_file, (folder / "lcd.yaml").string());
    EXPECT_EQ(s.displays[1].screen_names, (std::vector<std::string>{"clock", "temp"}));
    EXPECT_TRUE(same_line(s.displays[2], line("pole", "tcp://h:7000", 9600, std::nullopt)));
    EXPECT_EQ(s.message_ttl, std::chrono::seconds(4));
    // The example that is installed beside the documentation is a file the bridge takes.
    const loaded_settings example =
        load_settings({"--config", (folder / "bridge.conf").string(), "--screens",
                       "lcd=" QUILLON_SOURCE_DIR "/docs/screens.example.yaml"});
    ASSERT_EQ(example.error, "");
    EXPECT_EQ(example.chosen.displays[1].screen_names,
              (std::vector<std::string>{"main", "clock", "night"}));
    EXPECT_EQ(s.alert_ttl, std::chrono::seconds(10));
    EXPECT_FALSE(s.discovery);
    EXPECT_EQ(loaded.password, "s3cret");
    EXPECT_EQ(s.prefix, "quillon");
    EXPECT_EQ(s.client_id, default_client_id());
}

}  // namespace
}  // namespace quillon::bridge
