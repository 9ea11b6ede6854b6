#include <gtest/gtest.h>

#include <string>

#include "app/chat_command.h"
#include "settings/settings_texts.h"

namespace korvo {
namespace {

std::string format(const char* templ, const char* name, size_t size = kChatCommandSize) {
    char out[kChatCommandSize + 8];
    formatChatCommand(templ, name, out, size);
    return out;
}

TEST(ChatCommand, NamePlacesAndPercentSigns) {
    EXPECT_EQ(format(kDefaultIRCCommand, "Song"), "/ame is listening to Song in LUMEN KORVO");
    EXPECT_EQ(format("%s and %s", "x"), "x and x");
    EXPECT_EQ(format("no name here", "x"), "no name here");
    EXPECT_EQ(format("100%% %s", "x"), "100% x");
    // seven places get the name; an eighth stays as typed
    EXPECT_EQ(format("%s%s%s%s%s%s%s%s", "ab"), "ababababababab%s");
}

TEST(ChatCommand, OtherConversionsAreText) {
    EXPECT_EQ(format("%d%n %x %s %", "Song"), "%d%n %x Song %");
    EXPECT_EQ(format("%5s|%-s|%S", "x"), "%5s|%-s|%S");
}

TEST(ChatCommand, CutToTheBuffer) {
    std::string longName(2000, 'n');
    std::string out = format("/me %s %s %s %s %s %s %s", longName.c_str());
    EXPECT_EQ(out.size(), kChatCommandSize - 1);
    EXPECT_EQ(out.substr(0, 5), "/me n");
    EXPECT_EQ(format("abcdef", "", 4), "abc");
}

// The client runs what it is given: a name must not end the command or start another.
TEST(ChatCommand, NameGoesInAsOneLine) {
    EXPECT_EQ(format("/me %s!", "Song\r\n/quit\tnow\x7f\x01."), "/me Song  /quit now  .!");
    EXPECT_EQ(format("/me %s", "a | b ; c $d \xC3\xA9"), "/me a | b ; c $d \xC3\xA9");
    EXPECT_EQ(format("%s", "line\n"), "line ");
    // the template is the user's own and stays as typed
    EXPECT_EQ(format("/me\t%s", "x"), "/me\tx");
}

TEST(ChatCommand, NameCutAt200BytesBetweenCharacters) {
    const std::string a199(199, 'a'), a200(200, 'a');
    EXPECT_EQ(format("[%s]", (a200 + "b").c_str()), "[" + a200 + "]");
    EXPECT_EQ(format("[%s]", (a199 + "\xC3\xA9").c_str()), "[" + a199 + "]");   // not half a character
    EXPECT_EQ(format("[%s]", (a199 + "b\xC3\xA9").c_str()), "[" + a199 + "b]");
    EXPECT_EQ(format("%s|%s", (a200 + "zzz").c_str()), a200 + "|" + a200);
}

} // namespace
} // namespace korvo
