// korvo names a path that names nothing in its own words, in every command that adds paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/cli_texts.h"
#include "playlist_test_util.h"
#include "test_support.h"

namespace korvo {
namespace {

// Runs a command and returns what it wrote to stdout and stderr.
std::string runAll(const std::string& command) {
    std::string out;
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST(KorvoMissingPath, EveryCommandThatAddsPathsSaysNoSuchFileOrFolder) {
    std::string korvo = std::string(KORVO_BUILD_DIR) + "/korvo";
    ASSERT_TRUE(test::fileExists(korvo)) << "build the korvo program first";
    std::string dir = test::scratchDir("KorvoMissingPath");
    std::string missing = dir + "/missing.mp3";
    std::string expected = test::formatted(cli_texts::kNoSuchFileOrFolder, missing);
    for (const std::string& command : {korvo + " list " + missing, korvo + " save-list " + dir + "/out.pls " + missing,
                                       korvo + " play --wav " + dir + "/out.wav " + missing}) {
        std::string out = runAll(command);
        EXPECT_NE(out.find(expected), std::string::npos) << command << "\n" << out;
        EXPECT_EQ(out.find("Error Adding Directory"), std::string::npos) << command << "\n" << out;
    }
}

} // namespace
} // namespace korvo
