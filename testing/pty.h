// Real pseudo-terminals standing in for serial ports, and the environment that maps the
// library's COM1-COM8 onto them. Every test that opens a port maps all eight, so that no
// test can reach a real port (an unmapped COM1 is the machine's /dev/ttyS0).
#pragma once

#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace quillon::test {

using namespace std::chrono_literals;

class pseudo_terminal {
  public:
    pseudo_terminal();
    ~pseudo_terminal();
    pseudo_terminal(const pseudo_terminal&) = delete;
    pseudo_terminal& operator=(const pseudo_terminal&) = delete;

    // The slave's path, opened by the code under test the way a real port is opened.
    const std::string& path() const { return path_; }
    int master() const { return master_; }
    // One slave descriptor stays open, so that the master never sees a hang-up.
    int slave() const { return slave_; }
    termios slave_termios() const;
    void close_master();
    // Fills the buffer towards the master until it stays full, as a line nobody reads does.
    // Output processing is turned off first, as an open port has it.
    void fill_until_full();

    // Reads from the master until count bytes have arrived or the bound has passed.
    std::string read_master(std::size_t count, std::chrono::milliseconds bound = 10s);

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// Reads a master on its own thread for as long as it lives: a pty holds only 10-14 KB, so a
// test that sends more must drain it while the send is in progress. Without `keep` what
// arrives is thrown away, for a benchmark that only needs the line to flow.
class master_drain {
  public:
    explicit master_drain(int master, bool keep = true);
    ~master_drain();
    master_drain(const master_drain&) = delete;
    master_drain& operator=(const master_drain&) = delete;

    // Everything read once at least count bytes have arrived (or the bound has passed).
    std::string wait_for(std::size_t count, std::chrono::milliseconds bound = 10s);

  private:
    void run();
    int master_;
    bool keep_;
    int stop_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::string bytes_;
    std::thread reader_;
};

// Sets all eight QUILLON_COMn for its lifetime: the given ports to the given paths, every
// other one to a path that does not exist.
class port_guard {
  public:
    explicit port_guard(const std::map<int, std::string>& mapped = {});
    ~port_guard();
    port_guard(const port_guard&) = delete;
    port_guard& operator=(const port_guard&) = delete;

    static std::string missing_path(int port);
    // The same mapping as variables for a program run as a process.
    static std::map<std::string, std::string> environment(
        const std::map<int, std::string>& mapped = {});
};

// Bytes 0 to 255, each once, in order.
std::string all_byte_values();

// A test-case name made of a description: letters and digits kept, the rest "_".
std::string test_name(std::string_view what);

// Runs a command line through /bin/sh and returns its exit status (-1 when it did not exit).
int run_shell(const std::string& command, std::string* output = nullptr);

}  // namespace quillon::test
