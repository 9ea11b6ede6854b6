// korvo's command line as a user meets it: help, version, and usage errors that exit with 2
// and name what was wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "korvo_run.h"
#include "korvo_version.h"
#include "test_support.h"

namespace korvo {
namespace {

struct Output {
    int exitCode;
    std::string out, errors;
};

Output korvo(const std::vector<std::string>& args) {
    std::string outPath = test::scratchDir("korvo_usage") + "/stdout.txt";
    test::KorvoRun run = test::runKorvo(args, 10000, outPath);
    std::vector<uint8_t> bytes = test::readFileBytes(outPath);
    return {run.exitCode, std::string(bytes.begin(), bytes.end()), run.errors};
}

TEST(KorvoCommandLine, HelpAndVersion) {
    Output version = korvo({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("korvo ") + KORVO_VERSION + "\n");

    // Every command and every option keeps the spelling scripts already use.
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"play", {"PATH", "--wav", "--save-dir", "--8bit", "--eq", "--mapping", "--volume", "--repeat", "--shuffle"}},
        {"decode", {"FILE", "-o", "--8bit", "--eq", "--mapping"}},
        {"bench", {"FILE", "--repeat"}},
        {"info", {"FILE", "--seek"}},
        {"list", {"PATH"}},
        {"tag", {"FILE", "--title", "--artist", "--album", "--year", "--comment", "--genre", "--wipe"}},
        {"save-list", {"OUT.pls", "PATH"}},
    };
    for (const std::string& ask : {"--help", "help"}) {
        Output help = korvo({ask});
        EXPECT_EQ(help.exitCode, 0) << ask;
        EXPECT_NE(help.out.find("Exit status"), std::string::npos) << help.out;
        for (const auto& [name, options] : commands) EXPECT_NE(help.out.find("  " + name + " "), std::string::npos) << name;
    }
    for (const auto& [name, options] : commands) {
        for (const std::vector<std::string>& ask : {std::vector<std::string>{name, "--help"}, {"help", name}}) {
            Output help = korvo(ask);
            EXPECT_EQ(help.exitCode, 0) << name;
            EXPECT_NE(help.out.find("Usage: korvo " + name), std::string::npos) << help.out;
            for (const std::string& option : options)
                EXPECT_NE(help.out.find(option), std::string::npos) << name << " " << option << "\n" << help.out;
        }
    }
    // Without a command the help goes to stderr, as a usage error.
    Output bare = korvo({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_NE(bare.errors.find("save-list"), std::string::npos) << bare.errors;
}

TEST(KorvoCommandLine, UsageErrorsExitWithTwoAndNameTheOptionAndItsRange) {
    const std::string longDir(400, 'd');
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> said;   // what stderr must hold
    };
    const Case cases[] = {
        {{"play", "--volume", "16", "a.mp3"}, {"korvo play", "--volume", "0 to 15"}},
        {{"play", "--volume", "loud", "a.mp3"}, {"--volume", "0 to 15"}},
        {{"play", "--mapping", "5", "a.mp3"}, {"--mapping", "1 to 4"}},
        {{"play", "--eq", "1,1,1", "a.mp3"}, {"--eq", "twelve gains 0.0 to 2.0"}},
        {{"play", "--save-dir", longDir, "a.mp3"}, {"--save-dir", "at most"}},
        {{"play", "--wav"}, {"--wav"}},
        {{"play"}, {"PATH"}},
        {{"decode", "--mapping", "0", "a.mp3", "-o", "x.wav"}, {"korvo decode", "--mapping", "1 to 4"}},
        {{"decode", "--eq", "1,1,1,1,1,1,1,1,1,1,1,2.5", "a.mp3", "-o", "x.wav"}, {"--eq", "0.0 to 2.0"}},
        {{"decode", "a.mp3"}, {"--output"}},
        {{"decode", "--frob", "a.mp3", "-o", "x.wav"}, {"--frob"}},
        {{"bench", "--repeat", "0", "a.mp3"}, {"--repeat", "1 to"}},
        {{"info", "--seek", "101", "a.mp3"}, {"--seek", "0 to 100"}},
        {{"info"}, {"FILE"}},
        {{"list"}, {"PATH"}},
        {{"save-list", "out.pls"}, {"PATH"}},
        {{"tag", "a.mp3", "--wipe", "--title", "T"}, {"--wipe", "--title"}},
        {{"tag"}, {"FILE"}},
        {{"frob"}, {"frob"}},
    };
    for (const Case& c : cases) {
        Output run = korvo(c.args);
        std::string what;
        for (const std::string& a : c.args) what += a.substr(0, 20) + " ";
        EXPECT_EQ(run.exitCode, 2) << what << "\n" << run.errors;
        EXPECT_TRUE(run.out.empty()) << what;
        for (const std::string& s : c.said) EXPECT_NE(run.errors.find(s), std::string::npos) << what << "\n" << run.errors;
    }
}

} // namespace
} // namespace korvo
