#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/file.h"

namespace korvo::test {

std::string nativePath(const std::string& unixPath) {
#ifdef _WIN32
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
#else
    return unixPath;
#endif
}

std::string vectorPath(const std::string& sub) { return nativePath(std::string(KORVO_SHARED_DIR) + "/vectors/" + sub); }

std::string mediaPath(const std::string& name) { return nativePath(std::string(KORVO_SOURCE_DIR) + "/build/media/" + name); }

// Through the program's own file functions: the library's narrow paths on Windows take
// another code page than the program's UTF-8.
bool fileExists(const std::string& path) { return pathInfo(path.c_str()).exists; }

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string scratchDir(const std::string& name) {
    std::filesystem::path p = std::filesystem::path(nativePath(KORVO_BUILD_DIR)) / "scratch" / name;
    std::error_code ec;
    std::filesystem::remove_all(p, ec);
    std::filesystem::create_directories(p, ec);
    return p.string();
}

} // namespace korvo::test
