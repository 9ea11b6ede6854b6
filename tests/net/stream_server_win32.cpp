// The test server under Wine: a Unix process started through Wine's start /unix, told its
// folders by their Unix paths; it writes its port into a file and ends when that file is
// removed, or after its lifetime.
#include "net/stream_server.h"

#include <windows.h>
#include <wincrypt.h>

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

// The server ends once its port file is gone (a request for /quit would not pass the
// certificate check of a server that is meant to fail it).
StreamServer::~StreamServer() {
    if (port_ > 0) DeleteFileA(portFile_.c_str());
}

bool StreamServer::start(const std::string& root, const std::string& certificate) {
    if (port_ > 0) return false;
    const std::string name = "stream_server_" + std::to_string(GetCurrentProcessId()) + "_" +
                             std::to_string(reinterpret_cast<uintptr_t>(this));
    scratchDir(name);
    const std::string unixDir = std::string(KORVO_BUILD_DIR) + "/scratch/" + name;
    logPath_ = nativePath(unixDir + "/log.txt");
    portFile_ = nativePath(unixDir + "/port.txt");
    std::string command = "start.exe /unix /usr/bin/python3 \"" + std::string(KORVO_SOURCE_DIR) +
                          "/tests/net/stream_server.py\" --root \"" + unixPath(root) + "\" --log \"" + unixDir +
                          "/log.txt\" --port-file \"" + unixDir + "/port.txt\" --lifetime 600";
    for (const std::string& a : tlsArguments(certificate)) command += " \"" + a + "\"";
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
        port_ = std::atoi(readAll(portFile_).c_str());
        if (port_ <= 0) Sleep(50);
    }
    return port_ > 0;
}

bool trustTestAuthority(bool trusted) {
    const std::vector<uint8_t> der = readFileBytes(mediaPath("tls/ca.der"));
    if (der.empty()) return false;
    if (trusted) return CertAddEncodedCertificateToSystemStoreA("ROOT", der.data(), DWORD(der.size())) != FALSE;
    // The user's own root store: Wine's system store "ROOT" says it deleted, and keeps it.
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    if (!store) return false;
    bool removed = false;
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), DWORD(der.size()));
    if (cert) {
        PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr);
        removed = found && CertDeleteCertificateFromStore(found);    // frees found
        CertFreeCertificateContext(cert);
    }
    CertCloseStore(store, 0);
    return removed;
}

} // namespace korvo::test
