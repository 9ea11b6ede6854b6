#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/file.h"

#include <algorithm>
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

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
    // Shards of one suite run at once: each has its own folders.
    const char* shard = std::getenv("GTEST_SHARD_INDEX");
    const std::string root = shard && *shard ? std::string("scratch-") + shard : std::string("scratch");
    std::filesystem::path p = std::filesystem::path(nativePath(KORVO_BUILD_DIR)) / root / name;
    std::error_code ec;
    std::filesystem::remove_all(p, ec);
    std::filesystem::create_directories(p, ec);
    return p.string();
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

std::vector<std::string> folderNames(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifndef _WIN32
FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r {};
    getrlimit(RLIMIT_FSIZE, &r);
    oldSoft_ = r.rlim_cur;
    r.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &r);
}

FileSizeLimit::~FileSizeLimit() {
    struct rlimit r {};
    getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = rlim_t(oldSoft_);
    setrlimit(RLIMIT_FSIZE, &r);
    std::signal(SIGXFSZ, oldHandler_);
}
#endif

} // namespace korvo::test
