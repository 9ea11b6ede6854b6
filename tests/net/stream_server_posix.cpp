#include "net/stream_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "test_support.h"

extern char** environ;

namespace korvo::test {

StreamServer::~StreamServer() {
    if (stdinFd_ >= 0) close(stdinFd_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        // It ends within its poll interval; a server that does not is killed.
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool StreamServer::start(const std::string& root, const std::string& certificate) {
    if (pid_ > 0) return false;
    logPath_ = scratchDir("stream_server_" + std::to_string(getpid()) + "_" +
                          std::to_string(reinterpret_cast<uintptr_t>(this))) + "/log.txt";
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    std::string script = std::string(KORVO_SOURCE_DIR) + "/tests/net/stream_server.py";
    std::vector<std::string> args = {"python3", script, "--root", root, "--log", logPath_, "--lifetime", "600"};
    for (const std::string& a : tlsArguments(certificate)) args.push_back(a);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, "python3", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (rc != 0) {
        close(out[0]);
        return false;
    }
    pid_ = pid;
    // The first line is the port.
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[64];
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, size_t(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
    return port_ > 0;
}

bool trustTestAuthority(bool trusted) {
    const std::string authority = mediaPath("tls/ca.pem");
    if (!trusted) return unsetenv("SSL_CERT_FILE") == 0;
    return fileExists(authority) && setenv("SSL_CERT_FILE", authority.c_str(), 1) == 0;
}

} // namespace korvo::test
