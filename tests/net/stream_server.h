#pragma once
// The streaming tests' HTTP server (stream_server.py) on a free loopback port. Natively a
// child process that ends with the test process at the latest (it watches its stdin); under
// Wine a Unix process started through start /unix, ended by the removal of its port file or
// its lifetime.
#include <string>
#include <vector>

namespace korvo::test {

class StreamServer {
public:
    StreamServer() = default;
    ~StreamServer();
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;

    // Serves the files of root; false when it did not come up within a few seconds. Given the
    // name of a certificate of tests/media/tls.sh ("server", "unknown"), it serves HTTPS with it.
    bool start(const std::string& root, const std::string& certificate = "");
    int port() const { return port_; }
    // http://127.0.0.1:PORT/path (https:// when serving HTTPS)
    std::string url(const std::string& path) const;
    // The server's log: "open PATH" and "closed PATH BYTES" lines.
    std::string log() const;
    // Waits until the log holds text; false after timeoutMs.
    bool waitForLog(const std::string& text, int timeoutMs) const;
    // The request headers it received, one block per request.
    std::string requests() const;

private:
    static std::string readAll(const std::string& path);
    // The server's arguments for HTTPS with that certificate (Unix paths), or none.
    std::vector<std::string> tlsArguments(const std::string& certificate);

    int pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
    bool tls_ = false;
    std::string logPath_;
    std::string portFile_;    // under Wine
};

// Trusts the test authority of tests/media/tls.sh the platform's way, or no longer: natively
// SSL_CERT_FILE names it, on Windows it is in the user's root store. False when it could not.
bool trustTestAuthority(bool trusted);

} // namespace korvo::test
