// Runs quillon-send as a real process: arguments, standard input, environment in; exit code,
// standard output and standard error out.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quillon::test {

struct process_result {
    int exit_code = -1;  // -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// The environment is the test's own plus the given variables (which win).
process_result run_process(const std::vector<std::string>& command, const std::string& input,
                           const std::map<std::string, std::string>& environment);

}  // namespace quillon::test
