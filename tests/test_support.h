#pragma once
// Paths and small file helpers shared by the tests.
#include <cstdint>
#include <string>
#include <vector>

namespace korvo::test {

// A path in the form the platform's file functions take (Wine gets drive Z: paths).
std::string nativePath(const std::string& unixPath);
// ../shared/vectors/<sub>
std::string vectorPath(const std::string& sub);
// Generated test media (build/media, made by tests/media/*.sh before the suites run).
std::string mediaPath(const std::string& name);
bool fileExists(const std::string& path);
std::vector<uint8_t> readFileBytes(const std::string& path);
// A fresh scratch folder for this test (ends without a separator).
std::string scratchDir(const std::string& name);
// Writes bytes into a file (made or truncated); false when it could not.
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The names in a folder, sorted ("." and ".." left out).
std::vector<std::string> folderNames(const std::string& dir);

#ifndef _WIN32
// A limit on the size of files this process and the programs it starts may write, as
// `ulimit -f` sets it, with SIGXFSZ ignored so that a write past it fails instead of killing
// the process. Linux refuses any write that reaches past the limit, in place too: set it
// between the old size of a file and the new one. The old limit comes back at scope's end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t oldSoft_ = 0;
    void (*oldHandler_)(int) = nullptr;
};
#endif

} // namespace korvo::test
