// quillon-bridge as a process against a real mosquitto, with pseudo-terminals as displays.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <list>
#include <sstream>

#include "bridge/tests/bridge_fixture.h"
#include "testing/pty.h"
#include "testing/ser2net.h"

namespace quillon::test {
namespace {

TEST_F(bridge_run, writes_exact_bytes_from_send_and_raw_in_order) {
    const struct {
        std::string topic, payload, bytes;
    } cases[] = {
        {"quillon/counter/send", "Hi<13><254,1>", "Hi\r\xfe\x01"},
        {"quillon/counter/send", "<LMA_LINE2>x", "\xfe\xc0x"},
        {"quillon/counter/send", "\xff\xfe<0>", std::string("\xff\xfe\0", 3)},  // not UTF-8
        {"quillon/counter/raw", "<13>", "<13>"},
        {"quillon/counter/raw", all_byte_values(), all_byte_values()},
        {"quillon/nobody/raw", "ignored", ""},
    };
    auto bridge = start();
    std::string expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(probe->publish(c.topic, c.payload));
        expected += c.bytes;
    }
    EXPECT_EQ(counter_bytes.wait_for(expected.size()), expected);
}

// "Grün 25°C" reaches an A00 module as its own ü (0xF5) and ° (0xDF); € is not in the ROM, and
// ~ shows as an arrow.
TEST_F(bridge_run, a_display_with_a_character_set_gets_the_rom_codes) {
    auto bridge = start({"--display", "counter=COM1,a00"}, {}, false);  // counter given again
    ASSERT_TRUE(bridge->wait_for_log("serving", 2));
    ASSERT_TRUE(probe->publish("quillon/counter/send", "Grün 25°C<LMA_LINE2>5€~"));
    ASSERT_TRUE(probe->publish("quillon/counter/raw", "ü"));
    EXPECT_EQ(counter_bytes.wait_for(16),
              "Gr\xf5n 25\xdf"
              "C\xfe\xc0"
              "5?~\xc3\xbc");
    EXPECT_TRUE(bridge->wait_for_log("counter: '€' (U+20AC) is not in the A00 ROM: sent as ?", 1));
    EXPECT_TRUE(bridge->wait_for_log("counter: \\ and ~ are not in the A00 ROM: sent as typed", 1));
    EXPECT_EQ(last("quillon/counter/error", 1),
              "a message on quillon/counter/send: '€' (U+20AC) is not in the A00 ROM: sent as ?");
}

// Unknown names and broken tags are logged and told on the error topic; the bytes go as the tag
// language makes them.
TEST_F(bridge_run, tells_unknown_and_broken_tags_on_the_error_topic) {
    auto bridge = start();
    ASSERT_TRUE(probe->publish("quillon/pole/send", "<LMA_LINE_2>x<LMA-LINE3>"));
    EXPECT_EQ(pole_bytes.wait_for(12), "x<LMA-LINE3>");
    EXPECT_EQ(last("quillon/pole/error", 1),
              "a message on quillon/pole/send: unknown tag <LMA_LINE_2>: did you mean LMA_LINE2?");
    EXPECT_EQ(last("quillon/pole/error", 2),
              "a message on quillon/pole/send: <LMA-LINE3> is sent as text, not as a tag: did you "
              "mean <LMA_LINE3>?");
    EXPECT_TRUE(bridge->wait_for_log("pole: unknown tag <LMA_LINE_2>", 1));
}

// A publisher chooses the text: 15,000 characters the ROM lacks and 25 unknown names give 20
// lines of each and a count, not one line each (a 60 KB message logged 19,999 lines before).
TEST_F(bridge_run, names_at_most_twenty_of_what_a_message_lost) {
    auto bridge = start({"--display", "counter=COM1,a00"}, {}, false);  // counter given again
    ASSERT_TRUE(bridge->wait_for_log("serving", 2));
    std::string text;
    for (char32_t c = 0x20000; c < 0x20000 + 15000; ++c) {  // 4 bytes of UTF-8 each
        text += {'\xF0', static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                 static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    for (int i = 0; i < 25; ++i) text += "<N" + std::to_string(i) + ">";
    ASSERT_TRUE(probe->publish("quillon/counter/send", text));
    EXPECT_EQ(counter_bytes.wait_for(15000), std::string(15000, '?'));
    const std::string on = "a message on quillon/counter/send: ";
    // Twenty of each named, in order, then a count: 42 lines, however long the message.
    EXPECT_EQ(last("quillon/counter/error", 1),
              on + "unknown tag <N0>: no such name (quillon-send --tags lists them)");
    EXPECT_EQ(last("quillon/counter/error", 21), on + "and 5 more unknown or broken tags");
    EXPECT_EQ(last("quillon/counter/error", 22),
              on + "'\xF0\xA0\x80\x80' (U+20000) is not in the A00 ROM: sent as ?");
    EXPECT_EQ(last("quillon/counter/error", 42),
              on + "and 14980 more characters not in the A00 ROM, each sent as ?");
    ASSERT_TRUE(bridge->wait_for_log("each sent as ?"));
    const std::string& log = bridge->output();
    std::size_t lines = 0;  // of what the message lost: the display's other lines aside
    for (auto at = log.find("\ncounter: "); at != std::string::npos;
         at = log.find("\ncounter: ", at + 1)) {
        const std::string line = log.substr(at + 1, log.find('\n', at + 1) - at - 1);
        lines += line.find("tag") != std::string::npos || line.find("ROM") != std::string::npos;
    }
    EXPECT_EQ(lines, 42u) << log;
}

TEST_F(bridge_run, status_is_retained_online_and_offline_by_will_and_by_clean_stop) {
    auto bridge = start();
    EXPECT_EQ(last(status, 1), "online");
    const auto retained = mqtt_probe(broker->port(), {status}).wait_for(status, 1);
    ASSERT_EQ(retained.size(), 1u);
    EXPECT_TRUE(retained[0].retain);
    kill(bridge->process().pid(), SIGKILL);
    EXPECT_EQ(last(status, 2), "offline");
    bridge = start();
    EXPECT_EQ(last(status, 3), "online");
    kill(bridge->process().pid(), SIGTERM);
    EXPECT_EQ(bridge->process().wait(), 0);
    EXPECT_EQ(last(status, 4), "offline");
}

// Every entity asks for the id Home Assistant's examples use, and is available while the bridge
// and the display's port are; the screen select comes with screens only, and is removed when a
// display has none.
TEST_F(bridge_run, announces_each_display_to_home_assistant) {
    auto bridge = start();
    const std::string common = R"("availability":[{"topic":"quillon/bridge/till/status"},{"topic":)"
                               R"("quillon/counter/availability"}],"availability_mode":"all",)";
    const std::string device =
        R"("device":{"identifiers":["till"],"manufacturer":"Quillon","model":"quillon-bridge",)"
        R"("name":"Quillon bridge till","sw_version":"1.1"},)";
    const std::string available = R"("payload_available":"online","payload_not_available":)"
                                  R"("offline","qos":1,)";
    EXPECT_EQ(last("homeassistant/notify/till/counter/config", 1),
              "{" + common + R"("command_topic":"quillon/counter/send",)" +
                  R"("default_entity_id":"notify.quillon_bridge_till_counter",)" + device +
                  R"("name":"counter",)" + available +
                  R"("retain":false,"unique_id":"till_counter"})");
    EXPECT_EQ(last("homeassistant/switch/till/counter_backlight/config", 1),
              "{" + common + R"("command_topic":"quillon/counter/backlight",)" +
                  R"("default_entity_id":"switch.quillon_bridge_till_counter_backlight",)" +
                  device + R"("name":"counter backlight",)" + available +
                  R"("state_topic":"quillon/counter/state","unique_id":"till_counter_backlight",)"
                  R"("value_template":"{{ 'ON' if value_json.backlight else 'OFF' }}"})");
    const struct {
        std::string topic, holds;
    } others[] = {
        {"homeassistant/text/till/counter_alert/config",
         R"("command_topic":"quillon/counter/alert","default_entity_id":"text.quillon_bridge_till_counter_alert")"},
        {"homeassistant/sensor/till/counter_state/config",
         R"("json_attributes_topic":"quillon/counter/state",)"},
        {"homeassistant/select/till/counter_screen/config", ""},
    };
    for (const auto& o : others) {
        const std::string config = last(o.topic, 1);
        EXPECT_NE(config.find(o.holds), std::string::npos) << o.topic << ": " << config;
        EXPECT_EQ(config.empty(), o.holds.empty()) << o.topic;
    }
}

// Each display is available while its port opens: one whose device is missing is offline
// until the device appears, and every display goes offline by its will when the bridge dies.
TEST_F(bridge_run, each_display_is_available_while_its_port_opens) {
    scratch_folder folder;
    const std::string later = (folder / "later").string();
    auto bridge = start({"--display", "late=COM3"}, {{3, later}});
    EXPECT_EQ(last("quillon/counter/availability", 1), "online");
    EXPECT_EQ(last("quillon/late/availability", 1), "offline");
    pseudo_terminal plugged;
    std::filesystem::create_symlink(plugged.path(), later);
    EXPECT_EQ(last("quillon/late/availability", 2), "online");
    kill(bridge->process().pid(), SIGKILL);
    EXPECT_EQ(last("quillon/counter/availability", 2), "offline");
    EXPECT_EQ(last("quillon/late/availability", 3), "offline");
}

// 20 KB for a display at 1200 baud that nobody reads, under way once bytes wait in the pty.
std::string stuck_write(bridge_process& bridge, pseudo_terminal& stuck, mqtt_probe& probe) {
    std::string message;
    for (int i = 0; i < 2000; ++i) message += "message" + std::to_string(i % 10) + "..";
    message += "END";
    EXPECT_TRUE(probe.publish("quillon/stuck/raw", message));
    pollfd waiting{stuck.master(), POLLIN, 0};
    EXPECT_EQ(poll(&waiting, 1, 10000), 1) << bridge.output();
    return message;
}

// A stop never waits on a stuck display: the write in progress is cancelled, and its message,
// handed back to the broker unacknowledged, comes again whole at the next start.
TEST_F(bridge_run, stops_at_once_with_a_display_stuck_and_gets_its_message_again) {
    auto stuck = std::make_unique<pseudo_terminal>();
    const std::map<int, std::string> ports{{3, stuck->path()}};
    auto bridge = start({"--display", "stuck=COM3@1200"}, ports);
    const std::string message = stuck_write(*bridge, *stuck, *probe);
    const auto asked = std::chrono::steady_clock::now();
    kill(bridge->process().pid(), SIGTERM);
    EXPECT_EQ(bridge->process().wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);  // 168 s before; see the report
    master_drain stuck_bytes(stuck->master());
    bridge = start({"--display", "stuck=COM3@1200"}, ports);
    std::string got;
    for (std::size_t want = message.size(); !got.ends_with(message) && want < 3 * message.size();
         want = got.size() + 1) {
        got = stuck_bytes.wait_for(want);
    }
    EXPECT_TRUE(got.ends_with(message)) << got.size();
}

// A reload does not wait on a stuck display, and leaves alone a display whose settings did not
// change: counter serves on (one "serving" line), and so does pole, whose screens (a value's
// subscription beside its topics') change; stuck, given a new rate, starts anew.
TEST_F(bridge_run, a_reload_passes_a_stuck_display_by) {
    scratch_folder folder;
    const std::string config = (folder / "bridge.conf").string();
    const std::string screens = (folder / "pole.yaml").string();
    write_file(config, "display stuck=COM3@1200\n");
    write_file(screens, "screens:\n  - name: m\n    lines: [\"{value:shop/a}\"]\n");
    pseudo_terminal stuck;
    auto bridge =
        start({"--config", config, "--screens", "pole=" + screens}, {{3, stuck.path()}}, false);
    ASSERT_TRUE(bridge->wait_for_log("serving", 3));
    stuck_write(*bridge, stuck, *probe);
    write_file(config, "display stuck=COM3@2400\n");
    write_file(screens, "screens:\n  - name: m\n    lines: [\"{value:shop/b}\"]\n");
    kill(bridge->process().pid(), SIGHUP);
    // The status connection is made again once the changed displays were stopped.
    ASSERT_TRUE(bridge->wait_for_log("till: connected", 2)) << bridge->output();
    ASSERT_TRUE(probe->publish("quillon/counter/send", "after"));
    EXPECT_EQ(counter_bytes.wait_for(5), "after");
    const std::string& log = bridge->output();
    EXPECT_EQ(log.find("counter: serving"), log.rfind("counter: serving")) << log;
    EXPECT_EQ(log.find("pole: serving"), log.rfind("pole: serving")) << log;
    // A settings file replaced by a FIFO is refused at the next reload, and SIGTERM still
    // ends the bridge (it waited on the FIFO for ever, its signals blocked).
    std::filesystem::remove(config);
    ASSERT_EQ(mkfifo(config.c_str(), 0600), 0);
    kill(bridge->process().pid(), SIGHUP);
    kill(bridge->process().pid(), SIGTERM);
    EXPECT_EQ(bridge->process().wait(), 0);
}

TEST_F(bridge_run, a_failing_or_stalled_display_holds_up_no_other) {
    pseudo_terminal stalled;  // nobody reads it
    stalled.fill_until_full();
    auto bridge =
        start({"--display", "gone=COM3", "--display", "stuck=COM4"}, {{4, stalled.path()}});
    ASSERT_TRUE(probe->publish("quillon/stuck/raw", "waits"));
    ASSERT_TRUE(probe->publish("quillon/gone/send", "lost"));
    ASSERT_TRUE(probe->publish("quillon/counter/send", "ok"));
    EXPECT_EQ(counter_bytes.wait_for(2), "ok");
    EXPECT_TRUE(probe->wait_for("quillon/stuck/error", 1, 0ms).empty());  // still writing
    EXPECT_EQ(last("quillon/gone/error", 1),
              "a message on quillon/gone/send was not written: COM3 not found: "
              "/nonexistent/quillon-test/COM3 does not exist; set QUILLON_COM3 to the port's "
              "device (e.g. QUILLON_COM3=/dev/ttyUSB0)");
    EXPECT_EQ(last("quillon/stuck/error", 1),
              "a message on quillon/stuck/raw was not written: writing to COM4 (" + stalled.path() +
                  ") timed out: the port did not take the bytes in the time they need at its "
                  "rate (is the device connected and reading?)");
}

TEST_F(bridge_run, refuses_a_message_over_the_size_limit) {
    auto bridge = start({"--max-payload", "8"});
    ASSERT_TRUE(probe->publish("quillon/pole/raw", "123456789"));
    ASSERT_TRUE(probe->publish("quillon/pole/raw", "12345678"));
    EXPECT_EQ(pole_bytes.wait_for(8), "12345678");
    EXPECT_EQ(last("quillon/pole/error", 1),
              "a message of 9 bytes on quillon/pole/raw was refused: the limit is 8 bytes "
              "(--max-payload)");
}

// The broker never sends more than --max-payload (Maximum-Packet-Size): 200 MB to each of 8
// displays leave the bridge's peak memory small (5.7 to 396 MB for one before), and the next
// messages come. The large ones go at QoS 0: see connection_options::idle_refresh.
TEST_F(bridge_run, no_publisher_sets_its_memory) {
    std::array<pseudo_terminal, 6> more;
    std::list<master_drain> drains;
    std::vector<std::string> displays;
    std::map<int, std::string> ports;
    for (int i = 0; i < 6; ++i) {
        drains.emplace_back(more[i].master());
        displays.insert(displays.end(),
                        {"--display", "d" + std::to_string(i) + "=COM" + std::to_string(i + 3)});
        ports.emplace(i + 3, more[i].path());
    }
    auto bridge = start(displays, ports);
    const long started = peak_resident_kib(bridge->process().pid());  // about 6 MB; more in asan
    const std::string huge(200 * 1024 * 1024, 'x');
    mqtt_probe publisher(broker->port(), {});  // subscribed to nothing, so it is sent nothing
    for (const char* name : {"counter", "pole", "d0", "d1", "d2", "d3", "d4", "d5"}) {
        ASSERT_TRUE(publisher.publish("quillon/" + std::string(name) + "/raw", huge, false, 0));
        ASSERT_TRUE(publisher.publish("quillon/" + std::string(name) + "/raw", "ok"));
    }
    EXPECT_EQ(counter_bytes.wait_for(2), "ok");
    EXPECT_EQ(pole_bytes.wait_for(2), "ok");
    for (auto& drain : drains) EXPECT_EQ(drain.wait_for(2), "ok");
    EXPECT_LT(peak_resident_kib(bridge->process().pid()), started + 14 * 1024);
}

// A broker of MQTT 3.1.1 refuses a version-5 CONNECT with its own CONNACK (return code 1): the
// bridge says at start that the size limit then works only once a message has arrived.
TEST(bridge_start, says_when_the_broker_speaks_only_mqtt_3_1_1) {
    local_peer old_broker([](int connection, int stop) {
        if (readable_before(connection, stop, 10000)) {  // the CONNECT
            EXPECT_EQ(write(connection, "\x20\x02\x00\x01", 4), 4);
        }
        readable_before(stop, stop, 10000);
    });
    bridge_process bridge({"--broker", "mqtt://127.0.0.1:" + std::to_string(old_broker.port()),
                           "--display", "counter=COM1"},
                          {});
    EXPECT_TRUE(
        bridge.wait_for_log("speaks only MQTT 3.1.1: messages over --max-payload are "
                            "refused only once they have reached the bridge"));
}

// A CA and a certificate for 127.0.0.1 signed by it, and a second CA that signed nothing here.
struct test_certificates {
    scratch_folder folder{"quillon-tls"};
    std::string path(const char* name) const { return (folder / name).string(); }
    test_certificates() {
        const std::string key =
            "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
            "-nodes -days 2 -subj /CN=";
        write_file(folder / "san", "subjectAltName=IP:127.0.0.1\n");
        EXPECT_EQ(run_shell("cd " + folder.path().string() + " && " + key +
                            "ca -x509 -keyout ca.key -out ca.pem && " + key +
                            "other -x509 -keyout other.key -out other.pem && " + key +
                            "127.0.0.1 -keyout server.key -out server.csr && openssl x509 -req "
                            "-days 2 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
                            "-extfile san -out server.pem"),
                  0);
    }
};

// Each way a connect fails is said in the first log line, not "no connection; retrying".
TEST(bridge_start, says_why_it_cannot_connect) {
    const test_certificates tls;
    scratch_folder folder;
    const std::string passwords = (folder / "passwords").string();
    ASSERT_EQ(run_shell("mosquitto_passwd -b -c " + passwords + " till right 2>/dev/null"), 0);
    const std::string wrong = (folder / "wrong.pw").string();
    write_file(wrong, "wrong\n");
    chmod(wrong.c_str(), 0600);
    // Two sockets on free ports: one bound, not listening (refused); one listening with its
    // queue full, so that the kernel drops the SYNs of a connect (a broker that drops them).
    sockaddr_in address[2];
    std::vector<int> sockets;
    for (sockaddr_in& a : address) {
        a = {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        auto* any = reinterpret_cast<sockaddr*>(&a);
        socklen_t size = sizeof a;
        sockets.push_back(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        ASSERT_EQ(bind(sockets.back(), any, size), 0);
        getsockname(sockets.back(), any, &size);
    }
    listen(sockets[1], 0);
    for (int i = 0; i < 3; ++i) {
        sockets.push_back(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        connect(sockets.back(), reinterpret_cast<sockaddr*>(&address[1]), sizeof address[1]);
    }
    const std::string secured = "allow_anonymous false\npassword_file " + passwords + "\n";
    const std::string tls_listener = "cafile " + tls.path("ca.pem") + "\ncertfile " +
                                     tls.path("server.pem") + "\nkeyfile " +
                                     tls.path("server.key") + "\nallow_anonymous true\n";
    const std::string refused = "the broker refused the connection: not authorized (CONNACK 135)";
    const std::string unverified = "TLS: certificate verify failed (not signed by ";
    const struct {
        std::string broker_settings, scheme, more, said;  // no settings: no broker
        int socket = 0;  // without a broker, which of the two sockets
    } cases[] = {
        // mosquitto (2.0.11) says the same of a wrong password as of none
        {secured, "mqtt://", "--username till --password-file " + wrong, refused},
        {secured, "mqtt://", "", refused},
        {"", "mqtt://", "", "connection refused"},
        {"", "mqtt://", "", "no answer within 10 s", 1},
        {tls_listener, "mqtts://", "--cafile " + tls.path("other.pem"),
         unverified + "--cafile " + tls.path("other.pem") + ", or not for 127.0.0.1)"},
        {tls_listener, "mqtts://", "",
         unverified + "an authority of the system's, /etc/ssl/certs, or not for 127.0.0.1)"},
        {tls_listener, "mqtt://", "",
         "the broker closed the connection without answering (a TLS port? mqtts:// connects "
         "with TLS)"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<test_broker> broker;
        if (!c.broker_settings.empty())
            broker = std::make_unique<test_broker>(0, c.broker_settings);
        const std::string where =
            "127.0.0.1:" +
            std::to_string(broker ? broker->port() : ntohs(address[c.socket].sin_port));
        std::vector<std::string> arguments{"--broker", c.scheme + where, "--client-id",
                                           "till",     "--display",      "counter=COM1"};
        for (std::istringstream more(c.more); more >> arguments.emplace_back();) {
        }
        arguments.pop_back();  // the word that the end of the stream did not fill
        bridge_process bridge(arguments, {});
        EXPECT_TRUE(
            bridge.wait_for_log(": no connection to " + where + ": " + c.said + "; retrying"))
            << bridge.output();
    }
    test_broker secure(0, tls_listener);
    EXPECT_TRUE(bridge_process({"--broker", "mqtts://127.0.0.1:" + std::to_string(secure.port()),
                                "--cafile", tls.path("ca.pem"), "--display", "a=COM1"},
                               {})
                    .wait_for_log("serving"));
    bridge_process unknown({"--broker", "mqtt://quillon-test.invalid", "--display", "a=COM1"}, {});
    EXPECT_TRUE(unknown.wait_for_log(
        "no connection to quillon-test.invalid:1883: cannot resolve quillon-test.invalid"))
        << unknown.output();
    // Once it can, it says why it could not, retained on its error topic.
    const int port = ntohs(address[0].sin_port);
    bridge_process late({"--broker", "mqtt://127.0.0.1:" + std::to_string(port), "--client-id",
                         "till", "--display", "counter=COM1"},
                        {});
    ASSERT_TRUE(late.wait_for_log("connection refused; retrying", 2)) << late.output();
    close(std::exchange(sockets[0], -1));
    test_broker reachable(port);
    const auto said =
        mqtt_probe(port, {"quillon/bridge/till/error"}).wait_for("quillon/bridge/till/error", 1);
    ASSERT_EQ(said.size(), 1u) << late.output();
    EXPECT_EQ(said[0].payload, "connected after failing: connection refused");
    for (const int fd : sockets) close(fd);
}

TEST_F(bridge_run, delivers_what_was_published_while_it_was_away) {
    auto bridge = start();
    kill(bridge->process().pid(), SIGTERM);
    ASSERT_EQ(bridge->process().wait(), 0);
    for (const char* text : {"one", "two", "three"}) probe->publish("quillon/pole/send", text);
    bridge = start();
    EXPECT_EQ(pole_bytes.wait_for(11), "onetwothree");
}

TEST_F(bridge_run, loses_at_most_one_message_per_display_when_killed_in_a_burst) {
    const auto burst = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            char text[16];  // room for any int: the compiler cannot see i stays below 1000
            std::snprintf(text, sizeof text, "%03d;", i);
            probe->publish("quillon/counter/raw", text);
            probe->publish("quillon/pole/raw", text);
        }
    };
    auto bridge = start();  // the sessions exist from now on
    kill(bridge->process().pid(), SIGTERM);
    ASSERT_EQ(bridge->process().wait(), 0);
    burst(0, 300);  // waiting at the broker
    bridge = start({}, {}, false);
    counter_bytes.wait_for(4);  // the first message is out: the rest are on their way
    kill(bridge->process().pid(), SIGKILL);
    bridge->process().wait();
    bridge = start();
    for (master_drain* display : {&counter_bytes, &pole_bytes}) {
        // 299 messages when one was lost; more when the one in progress came again.
        std::string got;
        for (std::size_t want = 4 * 299; want <= 4 * 305 && !got.ends_with("299;"); want += 4) {
            got = display->wait_for(want);
        }
        ASSERT_TRUE(got.ends_with("299;")) << got;
        int missing = 0;
        int next = 0;
        for (std::size_t at = 0; at + 4 <= got.size(); at += 4) {
            const int n = std::stoi(got.substr(at, 3));
            ASSERT_GE(n, next - 1)
                << "out of order at " << at << ": " << got;  // again the one in progress
            missing += std::max(0, n - next);
            next = std::max(next, n + 1);
        }
        EXPECT_LE(missing, 1);
    }
}

TEST_F(bridge_run, subscribes_again_after_a_broker_restart) {
    auto bridge = start();
    const int port = broker->port();
    probe.reset();
    broker.reset();
    broker = std::make_unique<test_broker>(port);
    probe = std::make_unique<mqtt_probe>(port);
    ASSERT_TRUE(bridge->wait_for_log("serving", 4));
    ASSERT_TRUE(probe->publish("quillon/counter/send", "back"));
    EXPECT_EQ(counter_bytes.wait_for(4), "back");
}

}  // namespace
}  // namespace quillon::test
