#pragma once
// The streaming tests' HTTP server (stream_server.py) on a free loopback port. Natively a
// child process that ends with the test process at the latest (it watches its stdin); under
// Wine a Unix process started through start /unix, ended by /quit or its lifetime.
#include <string>

namespace korvo::test {

class StreamServer {
public:
    StreamServer() = default;
    ~StreamServer();
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;

    // Serves the files of root; false when it did not come up within a few seconds.
    bool start(const std::string& root);
    int port() const { return port_; }
    // http://127.0.0.1:PORT/path
    std::string url(const std::string& path) const;
    // The server's log: "open PATH" and "closed PATH BYTES" lines.
    std::string log() const;
    // Waits until the log holds text; false after timeoutMs.
    bool waitForLog(const std::string& text, int timeoutMs) const;
    // The request headers it received, one block per request.
    std::string requests() const;

private:
    static std::string readAll(const std::string& path);

    int pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
    std::string logPath_;
};

} // namespace korvo::test
