// The bridge's settings: the command line over a settings file, each refusal in one line.
#include "bridge/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/scratch.h"

namespace quillon::bridge {
namespace {

using test::scratch_folder;

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
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{}, "no display given (--display NAME=PORT)"},
        {{"--display", "counter"}, "--display: give NAME=PORT[@BAUD][,CHARSET], not 'counter'"},
        {{"--display", "a=COM1@2400,a01"},
         "--display: the character set must be raw, a00 or a02, not 'a01'"},
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
                         (folder / "pw").string() + "\n");
    test::write_file(folder / "pw", "s3cret\nignored\n");
    chmod((folder / "pw").c_str(), 0600);
    const loaded_settings loaded =
        load_settings({"--config", (folder / "bridge.conf").string(), "--display",
                       "counter=/dev/pts/9@4800,a02", "--display", "pole=tcp://h:7000,raw"});
    ASSERT_EQ(loaded.error, "");
    const settings& s = loaded.chosen;
    EXPECT_EQ(s.broker, (broker_address{true, "::1", 9883}));
    EXPECT_EQ(s.displays,
              (std::vector<display_setting>{{"counter", "/dev/pts/9", 4800, display::rom::a02},
                                            {"pole", "tcp://h:7000", 9600, std::nullopt}}));
    EXPECT_FALSE(s.discovery);
    EXPECT_EQ(loaded.password, "s3cret");
    EXPECT_EQ(s.prefix, "quillon");
    EXPECT_EQ(s.client_id, default_client_id());
}

}  // namespace
}  // namespace quillon::bridge
