// Streams from the test server on both sides (natively, and under Wine through WinInet): how a
// transfer ended is known after its end, a stream fetched again never destroys the complete
// copy saved before, a stream that stalls after its headers stops promptly, again and again,
// HTTPS verifies the server's certificate, and a live stream that breaks off reconnects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "net/icy_metadata.h"
#include "net/net_texts.h"
#include "net/stream.h"
#include "net/stream_server.h"
#include "net/stream_test_support.h"
#include "platform/thread.h"
#include "playback/input.h"
#include "test_support.h"

namespace korvo {
namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

long elapsedMs(Clock::time_point since) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class StreamOverHttp : public test::StreamServerSuite {
protected:
    Bytes served(const char* name) {
        Bytes b = test::readFileBytes(test::mediaPath(std::string("playback/") + name));
        EXPECT_FALSE(b.empty()) << name << " is missing (tests/media/playback.sh makes it)";
        return b;
    }
    // Opens path, reads it to its end and closes it; what arrived.
    Bytes fetch(const std::string& path) {
        Input input;
        EXPECT_EQ(input.openInput(url(path).c_str(), saving_), 1) << path;
        Bytes got = test::readToEnd(input);
        input.closeInput();
        return got;
    }
    StreamSaving saving_;
};

TEST_F(StreamOverHttp, ATransferThatBreaksOffIsKnownOnceItHasEnded) {
    const Bytes whole = served("e44.mp3");
    char why[kStreamErrorTextBytes] = {};
    struct Case {
        std::string path;
        size_t arrives;
        bool fault;
    } cases[] = {{"/file/e44.mp3?whole=1", whole.size(), false},
                 {"/chunked/e44.mp3", whole.size(), false},    // no length announced
                 {"/file/e44.mp3?close=20000", 20000, true}};
    for (const Case& c : cases) {
        Input input;
        ASSERT_EQ(input.openInput(url(c.path).c_str()), 1) << c.path;
        const Bytes got = test::readToEnd(input);
        EXPECT_TRUE(got.size() == c.arrives && std::equal(got.begin(), got.end(), whole.begin())) << c.path;
        EXPECT_EQ(input.transferFault(why, int(sizeof why)), c.fault ? 1 : 0) << c.path << ": " << why;
        if (c.fault) {
            char expected[kStreamErrorTextBytes];
            std::snprintf(expected, sizeof expected, net_texts::kTransferShort, 20000LL, static_cast<long long>(whole.size()));
            EXPECT_STREQ(why, expected);
        }
        input.closeInput();
    }
    // A stall ends the stream and is reported as such; before the end nothing is known.
    setStreamStallLimitMs(1000);
    Input input;
    ASSERT_EQ(input.openInput(url("/stall/e44.mp3?after=4096&secs=30&silent=1").c_str()), 1);
    uint8_t buf[1000];
    ASSERT_EQ(input.read(buf, 1000), 1000);
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 0);
    EXPECT_EQ(test::readToEnd(input).size(), 4096u - 1000u);
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 1);
    input.closeInput();
    EXPECT_TRUE(prompt_.messages().empty());
}

TEST_F(StreamOverHttp, AStreamFetchedAgainKeepsTheCompleteCopyAndSavesAShorterOneBeside) {
    const std::string dir = test::scratchDir("stream_fetched_again");
    saving_ = {true, dir.c_str()};
    const Bytes whole = served("e44.mp3");
    auto saved = [&](const char* name) { return test::readFileBytes(dir + kPathSeparator + name); };
    auto head = [&](size_t n) { return Bytes(whole.begin(), whole.begin() + long(n)); };

    EXPECT_EQ(fetch("/file/e44.mp3?first=1"), whole);
    EXPECT_EQ(saved("e44.mp3"), whole);
    // Fetched again, it breaks off: the complete copy stays, the new one goes beside it.
    EXPECT_EQ(fetch("/file/e44.mp3?close=20000"), head(20000));
    EXPECT_EQ(saved("e44.mp3"), whole);
    EXPECT_EQ(saved("e44 (2).mp3"), head(20000));
    EXPECT_EQ(fetch("/file/e44.mp3?close=30000"), head(30000));
    EXPECT_EQ(saved("e44 (3).mp3"), head(30000));
    // Complete again: it takes the place of its name; the other copies stay.
    EXPECT_EQ(fetch("/file/e44.mp3?last=1"), whole);
    EXPECT_EQ(saved("e44.mp3"), whole);
    EXPECT_EQ(test::folderNames(dir), (std::vector<std::string>{"e44 (2).mp3", "e44 (3).mp3", "e44.mp3"}));

    // A copy that broke off but is longer than the old file replaces it.
    ASSERT_TRUE(test::writeFileBytes(dir + kPathSeparator + "short.mp3", Bytes(100, 'x')));
    EXPECT_EQ(fetch("/named/short.mp3?src=e44.mp3&close=20000"), head(20000));
    EXPECT_EQ(saved("short.mp3"), head(20000));
    EXPECT_EQ(test::folderNames(dir).size(), 4u) << "no temporary file is left";
    EXPECT_TRUE(prompt_.messages().empty());
}

#ifdef _WIN32
// A read that waits for a silent server must not hold the stop: the download thread looks at
// its queue while it waits, so no stop ends in terminating it inside WinInet (which could
// leave WinInet's locks held and hang the next open).
TEST_F(StreamOverHttp, TenStopsDuringAStallAfterTheHeadersEachEndWithinThreeSeconds) {
    for (int i = 0; i < 10; ++i) {
        const Clock::time_point started = Clock::now();
        Input input;
        const std::string path = "/stall/e44.mp3?after=0&secs=60&cycle=" + std::to_string(i);
        ASSERT_EQ(input.openInput(url(path).c_str()), 1) << i;
        sleepMs(150);    // the download thread waits in its first read
        const Clock::time_point stop = Clock::now();
        input.closeInput();
        const Clock::time_point end = Clock::now();
        // The thread ended by itself: the stop did not wait for the deadline of the last resort.
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(end - stop).count(), long(kDownloadStopWaitMs))
            << "cycle " << i << ": the download thread had to be terminated";
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(end - started).count(), 3000) << "cycle " << i;
    }
    // WinInet still serves the next stream whole, and one that stalls midway comes whole too.
    EXPECT_EQ(fetch("/file/d22.mp2?after-stops=1"), served("d22.mp2"));
    EXPECT_EQ(fetch("/stall/e44.mp3?after=6000&secs=1"), served("e44.mp3"));
}
#endif

// A station asked for titles, with an HTTP status line and with "ICY 200 OK" (which WinInet
// takes for an answer without headers): the reader gets the audio alone, the copy too, and
// the titles come in order with the station's name.
TEST_F(StreamOverHttp, ARadioStationGivesItsAudioAloneAndItsTitles) {
    const Bytes file = served("a44.mp2");
    for (const char* status : {"http", "icy"}) {
        const std::string dir = test::scratchDir(std::string("stream_radio_") + status);
        saving_ = StreamSaving{true, dir.c_str()};
        Input input;
        const std::string path = std::string("/radio/a44.mp2?metaint=8192&change=1&status=") + status;
        ASSERT_EQ(input.openInput(url(path).c_str(), saving_), 1) << path;
        EXPECT_STREQ(input.stationName(), "Korvo Test Radio") << status;
        Bytes got;
        std::vector<std::string> titles;
        uint8_t buf[1500];
        char title[kIcyTitleBytes];
        for (int n; (n = input.read(buf, int(sizeof buf))) > 0;) {
            got.insert(got.end(), buf, buf + n);
            while (input.nextStreamTitle(title, int(sizeof title))) titles.push_back(title);
        }
        input.closeInput();
        EXPECT_TRUE(got == file) << status << ": " << got.size() << " bytes of " << file.size();
        EXPECT_TRUE(test::readFileBytes(dir + "/a44.mp2") == file) << status;
        const size_t blocks = (file.size() - 1) / 8192;
        ASSERT_EQ(titles.size(), blocks) << status;
        EXPECT_EQ(titles.front(), "Artist 0 - It's song 0") << status;
        EXPECT_EQ(titles[1], "Artist 1 - It's song 1 Caf\xC3\xA9") << status << ": Latin-1 read as such";
        EXPECT_EQ(titles[2], "Artist 2 - It's song 2 Caf\xC3\xA9") << status << ": UTF-8 kept";
    }
    EXPECT_TRUE(prompt_.messages().empty());
}

// A station of another format is refused at its answer, with one message, and saves nothing.
TEST_F(StreamOverHttp, AnAacStationIsRefusedWithOneMessage) {
    const std::string dir = test::scratchDir("stream_aac");
    saving_ = StreamSaving{true, dir.c_str()};
    Input input;
    const std::string u = url("/typed/a44.mp2?type=audio/aacp");
    EXPECT_EQ(input.openInput(u.c_str(), saving_), 0);
    EXPECT_TRUE(input.refusedAsNotMpeg());
    EXPECT_FALSE(input.isOpen());
    char text[600];
    formatNotMpeg("audio/aacp", u.c_str(), text, int(sizeof text));
    EXPECT_EQ(prompt_.messages(), std::vector<std::string>{std::string(net_texts::kUrlErrorTitle) + "|" + text});
    EXPECT_TRUE(test::folderNames(dir).empty());
    // The next open is no refusal.
    EXPECT_EQ(input.openInput(url("/file/d22.mp2").c_str()), 1);
    EXPECT_FALSE(input.refusedAsNotMpeg());
    input.closeInput();
}

// HTTPS from two servers on the test authority's certificates: one it signed, one nobody vouches
// for. The authority is trusted the platform's way for the suite.
class StreamOverHttps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        trusted_ = test::trustTestAuthority(true);
        for (auto* server : {&signed_, &unknown_}) *server = new test::StreamServer;
        if (!signed_->start(test::mediaPath("playback"), "server") || !unknown_->start(test::mediaPath("playback"), "unknown"))
            TearDownTestSuite();
    }
    static void TearDownTestSuite() {
        if (trusted_) test::trustTestAuthority(false);
        trusted_ = false;
        for (auto* server : {&signed_, &unknown_}) {
            delete *server;
            *server = nullptr;
        }
    }
    void SetUp() override {
        ASSERT_TRUE(trusted_) << "the test authority (tests/media/tls.sh) could not be trusted";
        ASSERT_TRUE(signed_ && unknown_) << "the HTTPS test servers did not start";
        setPrompt(&prompt_);
    }
    void TearDown() override { setPrompt(nullptr); }

    // The one box of a refused open: under the URL's title, the library's text about the
    // certificate.
    void expectRefusedCertificate(const std::string& u) {
        Input input;
        EXPECT_EQ(input.openInput(u.c_str()), 0) << u;
        EXPECT_FALSE(input.isOpen());
        const std::vector<std::string> shown = prompt_.messages();
        ASSERT_EQ(shown.size(), 1u) << u;
        const std::string title = std::string(net_texts::kUrlErrorTitle) + "|";
        EXPECT_EQ(shown[0].rfind(title, 0), 0u) << shown[0];
        std::string text = shown[0].substr(title.size());
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_NE(text.find("certificate"), std::string::npos) << shown[0];
        std::printf("refused certificate: %s\n", shown[0].c_str());
        prompt_.clear();
    }

    static inline bool trusted_ = false;
    static inline test::StreamServer* signed_ = nullptr;
    static inline test::StreamServer* unknown_ = nullptr;
    test::StreamPrompt prompt_;
};

TEST_F(StreamOverHttps, AVerifiedServerStreamsWholeAndAnUnknownCertificateIsRefused) {
    const Bytes file = test::readFileBytes(test::mediaPath("playback/e44.mp3"));
    ASSERT_FALSE(file.empty());
    Input input;
    ASSERT_EQ(input.openInput(signed_->url("/file/e44.mp3?rate=200000").c_str()), 1);
    EXPECT_TRUE(test::readToEnd(input) == file);
    char why[kStreamErrorTextBytes] = {};
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 0) << why;
    input.closeInput();
    // A station over TLS, "ICY 200 OK" and all: its audio alone and its name.
    const Bytes mp2 = test::readFileBytes(test::mediaPath("playback/a44.mp2"));
    ASSERT_EQ(input.openInput(signed_->url("/radio/a44.mp2?metaint=8192&status=icy").c_str()), 1);
    EXPECT_STREQ(input.stationName(), "Korvo Test Radio");
    EXPECT_TRUE(test::readToEnd(input) == mp2);
    input.closeInput();
    EXPECT_TRUE(prompt_.messages().empty());

    expectRefusedCertificate(unknown_->url("/file/e44.mp3"));
    EXPECT_EQ(unknown_->log().find("open /file"), std::string::npos) << "a request went to the unknown server";
#ifndef _WIN32
    // libcurl refuses within the handshake (WinInet under Wine checks once it is done).
    EXPECT_TRUE(unknown_->waitForLog("tls refused", 5000)) << unknown_->log();
    // Without SSL_CERT_FILE the system's authorities alone are asked, and none of them signed it.
    ASSERT_TRUE(test::trustTestAuthority(false));
    expectRefusedCertificate(signed_->url("/file/e44.mp3?untrusted=1"));
    ASSERT_TRUE(test::trustTestAuthority(true));
#endif
}

// A live station that drops every 12 KB plays on over three drops: the reader gets every
// connection's audio in order, byte for byte as sent, the copy is one file, and the station's
// empty answer at last ends it cleanly. A stream with a length that breaks off is not tried again.
TEST_F(StreamOverHttp, ALiveStreamReconnectsAfterEachDropAndOneWithALengthDoesNot) {
    setStreamReconnectUnitMs(50);
    const std::string dir = test::scratchDir("stream_drop_save");
    const Bytes served = this->served("e44.mp3");
    ASSERT_GT(served.size(), 3u * 12288);
    const std::string path = "/drop/e44.mp3?every=12288";
    Input input;
    ASSERT_EQ(input.openInput(url(path).c_str(), StreamSaving{true, dir.c_str()}), 1);
    EXPECT_TRUE(test::readToEnd(input) == served);
    char why[kStreamErrorTextBytes];
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 0) << why;
    input.closeInput();
    EXPECT_EQ(test::opens(server_->log(), path), 5u) << server_->log();    // four with audio, one that ends
    EXPECT_EQ(test::folderNames(dir), std::vector<std::string>{"e44.mp3"});
    EXPECT_TRUE(test::readFileBytes(dir + "/e44.mp3") == served);

    // With a title block after every 5000 bytes, counted afresh on each connection: the
    // reader still gets the audio alone, and the titles.
    ASSERT_EQ(input.openInput(url("/drop/e44.mp3?every=12288&metaint=5000").c_str()), 1);
    EXPECT_TRUE(test::readToEnd(input) == served);
    char title[kIcyTitleBytes];
    EXPECT_EQ(input.nextStreamTitle(title, int(sizeof title)), 1);
    input.closeInput();

    const std::string cut = "/file/e44.mp3?close=16384&drop=1";
    ASSERT_EQ(input.openInput(url(cut).c_str()), 1);
    EXPECT_EQ(test::readToEnd(input).size(), 16384u);
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 1);
    input.closeInput();
    EXPECT_EQ(test::opens(server_->log(), cut), 1u);
}

// A station that goes away entirely is tried five times, after waits of 1, 2, 4, 8 and 8
// units; only then is the transfer a failure.
TEST_F(StreamOverHttp, AStationThatIsGoneFailsOnlyAfterFiveTries) {
    setStreamReconnectUnitMs(40);
    const std::string path = "/drop/e44.mp3?every=16384&gone=1";
    Input input;
    ASSERT_EQ(input.openInput(url(path).c_str()), 1);
    const Clock::time_point t = Clock::now();
    EXPECT_EQ(test::readToEnd(input).size(), 16384u);
    EXPECT_GE(elapsedMs(t), 23 * 40);
    char why[kStreamErrorTextBytes];
    EXPECT_EQ(input.transferFault(why, int(sizeof why)), 1);
    input.closeInput();
    EXPECT_EQ(test::opens(server_->log(), path), 6u) << server_->log();
}

// A stop while a live stream waits to reconnect ends the wait at once.
TEST_F(StreamOverHttp, StopDuringTheReconnectWaitReturnsAtOnce) {
    setStreamReconnectUnitMs(20000);
    const std::string path = "/drop/e44.mp3?every=16384&stop=1";
    Input input;
    ASSERT_EQ(input.openInput(url(path).c_str()), 1);
    uint8_t buf[16384];
    ASSERT_EQ(input.read(buf, int(sizeof buf)), int(sizeof buf));
    ASSERT_TRUE(server_->waitForLog("closed " + path + " 16384", 5000));
    sleepMs(200);
    const Clock::time_point t = Clock::now();
    input.closeInput();
    EXPECT_LT(elapsedMs(t), 1000);
    EXPECT_EQ(test::opens(server_->log(), path), 1u);
}

} // namespace
} // namespace korvo
