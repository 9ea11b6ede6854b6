// The test server's log and addresses, alike on both sides.
#include "net/stream_server.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace korvo::test {

std::string StreamServer::readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string StreamServer::url(const std::string& path) const {
    return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

std::vector<std::string> StreamServer::tlsArguments(const std::string& certificate) {
    tls_ = !certificate.empty();
    if (!tls_) return {};
    const std::string base = std::string(KORVO_SOURCE_DIR) + "/build/media/tls/" + certificate;
    return {"--cert", base + ".pem", "--key", base + ".key"};
}

std::string StreamServer::log() const { return readAll(logPath_); }

std::string StreamServer::requests() const { return readAll(logPath_ + ".headers"); }

bool StreamServer::waitForLog(const std::string& text, int timeoutMs) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (log().find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace korvo::test
