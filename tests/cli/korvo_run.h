#pragma once
// Runs the korvo program as a process, as a user would from a script.
#include <string>
#include <vector>

namespace korvo::test {

struct KorvoRun {
    int exitCode = -1;      // -1: did not end in time (and was killed)
    std::string errors;     // what it wrote to stderr
};

// korvo ARGS..., stdin from /dev/null, stdout discarded (or into stdoutPath), stderr into a
// file; waits at most timeoutMs.
KorvoRun runKorvo(const std::vector<std::string>& args, int timeoutMs, const std::string& stdoutPath = "");

} // namespace korvo::test
