// Whatever is not a serial device is refused before a byte is written: the bytes of a file
// stay as they were, nothing is created, and the error says what the path is.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "library/quillon.h"
#include "ports/port_control.h"
#include "testing/pty.h"
#include "testing/scratch.h"

namespace quillon::serial {
namespace {

using ports::close_current;
using ports::open_device;
using ports::open_port;
using ports::open_result;
using ports::send_bytes;
using serial::open_port;  // the device layer's, beside the port control's

namespace fs = std::filesystem;
using test::port_guard;

const std::string original = "notes that must survive\n";

std::string contents(const fs::path& path) { return test::read_file(path); }

// A folder of its own per test, removed afterwards with everything in it.
class scratch_folder : public ::testing::Test {
  protected:
    fs::path file_with_notes(const std::string& name) {
        test::write_file(dir_ / name, original);
        return dir_ / name;
    }
    test::scratch_folder scratch_{"quillon-not-a-device"};
    const fs::path& dir_ = scratch_.path();
};

enum class made { regular_file, fifo, socket, directory, block_device, dev_null };

struct refusal_case {
    const char* what;
    made kind;
    file_type found;
};
void PrintTo(const refusal_case& c, std::ostream* os) { *os << c.what; }

class refused_device : public scratch_folder, public ::testing::WithParamInterface<refusal_case> {
  protected:
    std::string make(made kind) {
        const fs::path path = dir_ / "port";
        switch (kind) {
            case made::regular_file:
                return file_with_notes("port");
            case made::fifo:
                EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
                return path;
            case made::socket: {
                listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
                sockaddr_un address{};
                address.sun_family = AF_UNIX;
                std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
                EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address),
                          0);
                return path;
            }
            case made::directory:
                fs::create_directory(path);
                return path;
            case made::block_device:
                // The loop device's numbers; making the node needs root, opening it is refused
                // before any open is tried.
                if (mknod(path.c_str(), S_IFBLK | 0600, makedev(7, 0)) != 0) return "";
                return path;
            case made::dev_null:
                return "/dev/null";
        }
        return "";
    }
    void TearDown() override {
        if (listener_ >= 0) close(listener_);
    }
    int listener_ = -1;
};

TEST_P(refused_device, by_path_and_through_a_com_mapping_before_any_write) {
    const std::string path = make(GetParam().kind);
    if (path.empty()) GTEST_SKIP() << "cannot make a device node here (needs root)";
    for (const bool mapped : {false, true}) {
        port_guard ports(mapped ? std::map<int, std::string>{{2, path}}
                                : std::map<int, std::string>{});
        const open_result r = mapped ? open_port(2, 9600) : open_device(path, 9600);
        EXPECT_FALSE(r.opened) << path;
        EXPECT_EQ(r.failure.number, error_number::not_a_serial_device);
        EXPECT_EQ(r.failure.kind, error_kind::not_a_serial_device);
        EXPECT_EQ(r.failure.found, GetParam().found);
        EXPECT_EQ(send_bytes("HELLO").number, error_number::no_such_record);
        close_current();
    }
    if (GetParam().kind == made::regular_file) {
        EXPECT_EQ(contents(path), original);
    }
}

INSTANTIATE_TEST_SUITE_P(
    kinds, refused_device,
    ::testing::Values(refusal_case{"regular file", made::regular_file, file_type::regular_file},
                      refusal_case{"FIFO without reader", made::fifo, file_type::fifo},
                      refusal_case{"socket", made::socket, file_type::socket},
                      refusal_case{"directory", made::directory, file_type::directory},
                      refusal_case{"block device", made::block_device, file_type::block_device},
                      refusal_case{"dev null", made::dev_null, file_type::character_device}),
    [](const auto& info) { return test::test_name(info.param.what); });

TEST(file_type_words, name_what_a_path_is) {
    const std::pair<file_type, const char*> table[] = {
        {file_type::regular_file, "a regular file"},
        {file_type::directory, "a directory"},
        {file_type::fifo, "a FIFO"},
        {file_type::socket, "a socket"},
        {file_type::block_device, "a block device"},
        {file_type::character_device, "a device that is not a terminal"},
    };
    for (const auto& [found, words] : table) EXPECT_EQ(describe(found), words);
}

TEST_F(scratch_folder, the_exported_open_refuses_a_file_mapped_to_a_com_port) {
    const fs::path notes = file_with_notes("notes.txt");
    port_guard ports({{1, notes}});
    EXPECT_EQ(SER_OPEN(1, 9600), 0);
    SER_RAWSEND_BV(SysAllocStringByteLen("HELLO", 5));
    SER_CLOSE();
    EXPECT_EQ(contents(notes), original);
}

// Cut at 255 bytes, this name would be another file that exists.
TEST_F(scratch_folder, a_name_longer_than_255_bytes_is_refused_never_shortened) {
    fs::path deep = dir_;
    while (deep.native().size() < 240) deep /= "aaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
    fs::create_directories(deep);
    const std::string name = (deep / std::string(400, 'n')).native();
    const std::string cut = name.substr(0, 255);
    std::ofstream(cut, std::ios::binary) << original;
    port_guard ports;
    const open_result r = open_device(name, 9600);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.failure.number, error_number::bad_device_name);
    EXPECT_EQ(r.failure.kind, error_kind::bad_name);
    EXPECT_EQ(contents(cut), original);
}

TEST_F(scratch_folder, a_missing_path_is_not_found_and_nothing_is_created) {
    port_guard ports;
    const fs::path missing = dir_ / "ttyMISSING";
    const open_result r = open_device(missing.native(), 9600);
    EXPECT_EQ(r.failure.kind, error_kind::not_found);
    EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace quillon::serial
