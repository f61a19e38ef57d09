#include "testing/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace quillon::test {
namespace {

// The test's own environment with the given variables added (they win) or removed, as
// NAME=value strings.
std::vector<std::string> merged_environment(const std::map<std::string, std::string>& environment) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const auto equals = entry.find('=');
        if (equals != std::string::npos) merged[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    for (const auto& [name, value] : environment) {
        if (value == unset_variable) {
            merged.erase(name);
        } else {
            merged[name] = value;
        }
    }
    std::vector<std::string> strings;
    for (const auto& [name, value] : merged) strings.push_back(name + "=" + value);
    return strings;
}

// Starts the command with the given descriptors as its standard streams (-1 keeps the test's
// own) and the merged environment; the child's ends of the pipes close on exec.
pid_t spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int in, int out, int err) {
    std::vector<std::string> env_strings = merged_environment(environment);
    std::vector<char*> envp;
    for (auto& s : env_strings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command;
    std::vector<char*> argv;
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int targets[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
        const int given[] = {in, out, err};
        for (int i = 0; i < 3; ++i) {
            if (given[i] >= 0) dup2(given[i], targets[i]);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return child;
}

}  // namespace

std::vector<std::string> as_other_user(std::vector<std::string> command) {
    command.insert(command.begin(),
                   {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    return command;
}

std::string other_user_missing() {
    if (geteuid() != 0) return "needs root to act as another user";
    return access("/usr/bin/setpriv", X_OK) == 0 ? "" : "setpriv is not installed";
}

process_result run_process(const std::vector<std::string>& command, const std::string& input,
                           const std::map<std::string, std::string>& environment) {
    int in[2];
    int out[2];
    int err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    const pid_t child = spawn(command, environment, in[0], out[1], err[1]);
    close(in[0]);
    close(out[1]);
    close(err[1]);

    // Feed standard input and collect both outputs together, so that no pipe fills up.
    process_result result;
    std::size_t fed = 0;
    int to_child = in[1];
    if (input.empty()) {
        close(to_child);
        to_child = -1;
    } else {
        // A blocking write to a pipe waits until every byte is taken; a program that writes
        // output while it reads would then wait for us to read, and we for it.
        fcntl(to_child, F_SETFL, fcntl(to_child, F_GETFL) | O_NONBLOCK);
    }
    int open_outputs = 2;
    signal(SIGPIPE, SIG_IGN);  // the child may leave without reading all of its input
    while (open_outputs > 0 || to_child >= 0) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {to_child, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                (i == 0 ? out[0] : err[0]) = -1;
                --open_outputs;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
        }
        if (to_child >= 0 && fds[2].revents != 0) {
            const ssize_t n = write(to_child, input.data() + fed, input.size() - fed);
            if (n > 0) fed += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || fed == input.size()) {
                close(to_child);
                to_child = -1;
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

running_process::running_process(const std::vector<std::string>& command,
                                 const std::map<std::string, std::string>& environment) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    child_ = spawn(command, environment, in[0], out[1], -1);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = out[0];
    signal(SIGPIPE, SIG_IGN);  // the program may leave without reading all of its input
}

running_process::~running_process() {
    close_input();
    if (output_ >= 0) close(output_);
    if (child_ > 0 && waitpid(child_, nullptr, WNOHANG) == 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
}

bool running_process::write_input(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(input_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void running_process::close_input() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::string running_process::read_output(std::size_t count, int timeout_ms) {
    std::string got;
    while (got.size() < count) {
        pollfd ready{output_, POLLIN, 0};
        if (poll(&ready, 1, timeout_ms) <= 0) break;  // the bound passed (or poll failed)
        char buffer[4096];
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

int running_process::wait() {
    close_input();
    int status = 0;
    if (waitpid(child_, &status, 0) != child_) return -1;
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quillon::test
