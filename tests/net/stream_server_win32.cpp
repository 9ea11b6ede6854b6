// The test server under Wine: a Unix process started through Wine's start /unix, told its
// folders by their Unix paths; it writes its port into a file and ends on /quit or after its
// lifetime.
#include "net/stream_server.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "test_support.h"

namespace korvo::test {

namespace {

// Z:\a\b (Wine's drive for the Unix root) as /a/b; a Unix path stays as it is.
std::string unixPath(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return path;
    std::string p = path.substr(2);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

} // namespace

StreamServer::~StreamServer() {
    if (port_ <= 0) return;
    HINTERNET net = InternetOpenA("korvo-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!net) return;
    HINTERNET quit = InternetOpenUrlA(net, url("/quit").c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    if (quit) InternetCloseHandle(quit);
    InternetCloseHandle(net);
}

bool StreamServer::start(const std::string& root) {
    if (port_ > 0) return false;
    const std::string name = "stream_server_" + std::to_string(GetCurrentProcessId()) + "_" +
                             std::to_string(reinterpret_cast<uintptr_t>(this));
    scratchDir(name);
    const std::string unixDir = std::string(KORVO_BUILD_DIR) + "/scratch/" + name;
    logPath_ = nativePath(unixDir + "/log.txt");
    const std::string portFile = nativePath(unixDir + "/port.txt");
    std::string command = "start.exe /unix /usr/bin/python3 \"" + std::string(KORVO_SOURCE_DIR) +
                          "/tests/net/stream_server.py\" --root \"" + unixPath(root) + "\" --log \"" + unixDir +
                          "/log.txt\" --port-file \"" + unixDir + "/port.txt\" --lifetime 600";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 400 && port_ <= 0; ++i) {
        port_ = std::atoi(readAll(portFile).c_str());
        if (port_ <= 0) Sleep(50);
    }
    return port_ > 0;
}

} // namespace korvo::test
