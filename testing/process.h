// Runs quillon-send as a real process: arguments, standard input, environment in; exit code,
// standard output and standard error out.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::test {

struct process_result {
    int exit_code = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// A value no environment variable can have: given for a variable, it removes it.
inline const std::string unset_variable(1, '\0');

// A real second local user, uid and gid 65534 with no groups (no account needed): the command
// run as that user through setpriv, and why a test cannot (not root, or no setpriv), else empty.
std::vector<std::string> as_other_user(std::vector<std::string> command);
std::string other_user_missing();

// The environment is the test's own plus the given variables (which win).
process_result run_process(const std::vector<std::string>& command, const std::string& input,
                           const std::map<std::string, std::string>& environment);

// A program left running with pipes to its standard input and output, for a test that talks to
// it while it runs. Standard error goes where the test's goes. The destructor ends the program
// (by its process id) if it is still running.
class running_process {
  public:
    running_process(const std::vector<std::string>& command,
                    const std::map<std::string, std::string>& environment);
    ~running_process();
    running_process(const running_process&) = delete;
    running_process& operator=(const running_process&) = delete;

    bool write_input(std::string_view bytes);
    void close_input();
    // What comes out, until `count` bytes have come, the output ends or nothing comes for
    // `timeout_ms`.
    std::string read_output(std::size_t count, int timeout_ms);
    // Closes the input and waits for the exit: its code, -1 when it did not exit normally.
    int wait();
    // The program's process id, for a test that signals it; -1 once it has been waited for.
    pid_t pid() const { return child_; }

  private:
    pid_t child_ = -1;
    int input_ = -1;
    int output_ = -1;
};

}  // namespace quillon::test
