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

} // namespace korvo::test
