// Streams from the test server: over HTTP the player decodes exactly what it decodes from
// the file, ends cleanly on every failure, stops promptly, and saves what it received.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/korvo_run.h"
#include "net/icy_metadata.h"
#include "net/net_texts.h"
#include "net/stream.h"
#include "net/stream_server.h"
#include "net/stream_test_support.h"
#include "platform/prompt.h"
#include "platform/thread.h"
#include "playback/input.h"
#include "test_support.h"

namespace korvo {
namespace {

using Clock = std::chrono::steady_clock;

long elapsedMs(Clock::time_point since) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::string mediaDir() { return test::mediaPath("playback"); }

std::string media(const char* name) {
    std::string p = mediaDir() + "/" + name;
    EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/playback.sh makes it)";
    return p;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Where the samples of a WAV file begin (after the "data" chunk's header); 0 when none.
size_t wavDataOffset(const std::vector<uint8_t>& wav) {
    for (size_t i = 12; i + 8 <= wav.size() && i < 200; ++i)
        if (!std::memcmp(wav.data() + i, "data", 4)) return i + 8;
    return 0;
}

using test::readToEnd;

class StreamHttp : public test::StreamServerSuite {
protected:

    // korvo decode of a local file and of a URL; both must succeed.
    void expectSameDecode(const std::string& file, const std::string& streamPath) {
        std::string dir = test::scratchDir("stream_decode");
        std::string local = dir + "/local.wav", net = dir + "/net.wav";
        test::KorvoRun a = test::runKorvo({"decode", file, "-o", local}, 30000);
        ASSERT_EQ(a.exitCode, 0) << a.errors;
        test::KorvoRun b = test::runKorvo({"decode", url(streamPath), "-o", net}, 60000);
        ASSERT_EQ(b.exitCode, 0) << streamPath << ": " << b.errors;
        std::vector<uint8_t> x = test::readFileBytes(local), y = test::readFileBytes(net);
        ASSERT_GT(x.size(), 44u);
        EXPECT_TRUE(x == y) << streamPath << ": " << y.size() << " bytes against " << x.size();
    }
};

TEST_F(StreamHttp, DecodeOverHttpEqualsDecodeOfTheFile) {
    // Layer II and Layer III, all at once and at about their own bitrate.
    expectSameDecode(media("a44.mp2"), "/file/a44.mp2");
    expectSameDecode(media("a44.mp2"), "/file/a44.mp2?rate=30000");
    expectSameDecode(media("e44.mp3"), "/file/e44.mp3");
    expectSameDecode(media("e44.mp3"), "/file/e44.mp3?rate=20000");
    // The other ways a body arrives.
    expectSameDecode(media("e44.mp3"), "/redirect/e44.mp3");
    expectSameDecode(media("e44.mp3"), "/chunked/e44.mp3?rate=40000");
    expectSameDecode(media("a44.mp2"), "/icy/a44.mp2");
}

TEST_F(StreamHttp, InfoCountsTheFramesThatArrive) {
    std::string dir = test::scratchDir("stream_info");
    auto framesLine = [&](const std::string& what, const std::string& out) {
        test::KorvoRun run = test::runKorvo({"info", what}, 30000, out);
        EXPECT_EQ(run.exitCode, 0) << what << ": " << run.errors;
        std::vector<uint8_t> bytes = test::readFileBytes(out);
        std::string text(bytes.begin(), bytes.end());
        size_t at = text.find("\nframes: ");
        return at == std::string::npos ? std::string() : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    };
    std::string local = framesLine(media("e44.mp3"), dir + "/local.txt");
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(framesLine(url("/file/e44.mp3?rate=50000"), dir + "/net.txt"), local);
}

TEST_F(StreamHttp, RequestCarriesTheAgentAndTheAcceptHeader) {
    Input input;
    std::string u = url("/file/d22.mp2?agent=1");
    ASSERT_EQ(input.openInput(u.c_str()), 1);
    EXPECT_TRUE(input.isStream());
    readToEnd(input);
    input.closeInput();
    std::string requests = server_->requests();
    size_t at = requests.find("GET /file/d22.mp2?agent=1\n");
    ASSERT_NE(at, std::string::npos) << requests;
    std::string block = requests.substr(at, requests.find("\n\n", at) + 1 - at);
    EXPECT_NE(block.find(std::string("User-Agent: ") + net_texts::kUserAgent + "\n"), std::string::npos) << block;
    std::string accept = net_texts::kAcceptHeader;
    accept = accept.substr(0, accept.find('\r'));
    EXPECT_NE(block.find(accept + "\n"), std::string::npos) << block;
    std::string icy = net_texts::kIcyMetaDataHeader;
    EXPECT_NE(block.find(icy.substr(0, icy.find('\r')) + "\n"), std::string::npos) << block;
}

TEST_F(StreamHttp, EarlyCloseDecodesWhatArrivedAndIsReported) {
    std::string dir = test::scratchDir("stream_early_close");
    std::string full = dir + "/full.wav", part = dir + "/part.wav";
    ASSERT_EQ(test::runKorvo({"decode", media("e44.mp3"), "-o", full}, 30000).exitCode, 0);
    const std::string u = url("/file/e44.mp3?close=20000");
    char why[200];
    std::snprintf(why, sizeof why, net_texts::kTransferShort, 20000LL,
                  static_cast<long long>(test::readFileBytes(media("e44.mp3")).size()));
    const std::string report = u + ": " + why + "\n";
    test::KorvoRun run = test::runKorvo({"decode", u, "-o", part}, 30000);
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_NE(run.errors.find("korvo decode: " + report), std::string::npos) << run.errors;
    std::vector<uint8_t> a = test::readFileBytes(full), b = test::readFileBytes(part);
    const size_t data = wavDataOffset(a);
    ASSERT_GT(data, 0u);
    ASSERT_EQ(wavDataOffset(b), data);
    ASSERT_GT(b.size(), data + 10000u);
    ASSERT_LT(b.size(), a.size());
    EXPECT_TRUE(std::equal(b.begin() + long(data), b.end(), a.begin() + long(data)))
        << "the part that arrived decodes as in the file";
    // Played what arrived, then the next entry; the run fails all the same.
    test::KorvoRun play = test::runKorvo({"play", "--wav", dir + "/play.wav", u, url("/file/d22.mp2")}, 30000);
    EXPECT_EQ(play.exitCode, 1) << play.errors;
    EXPECT_NE(play.errors.find("korvo play: " + report), std::string::npos) << play.errors;
    EXPECT_NE(play.errors.find("[2/2]"), std::string::npos) << play.errors;
    EXPECT_EQ(test::readFileBytes(dir + "/play.wav").size(), b.size()) << "what arrived was played";
}

TEST_F(StreamHttp, FailuresEndWithAMessageAndExitCodeOne) {
    std::string out = test::scratchDir("stream_failures") + "/out.wav";
    struct Case {
        const char* path;
        const char* says;
    } cases[] = {{"/status/404", "404"}, {"/status/500", "500"}, {"/garbage", "This stream is not MPEG audio (text/html)"},
                 {"/icy-refused?code=401", "HTTP/0.9"}};    // only "ICY 200 OK" stands for an HTTP status
    for (const Case& c : cases) {
        test::KorvoRun run = test::runKorvo({"decode", url(c.path), "-o", out}, 30000);
        EXPECT_EQ(run.exitCode, 1) << c.path << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.says), std::string::npos) << c.path << ": " << run.errors;
    }
    // A refused connection, and the player goes on with the next entry.
    test::KorvoRun play = test::runKorvo({"play", "--wav", out, url("/status/404"), "http://127.0.0.1:1/none.mp3",
                                          url("/file/d22.mp2")}, 30000);
    EXPECT_EQ(play.exitCode, 1) << play.errors;
    EXPECT_NE(play.errors.find(net_texts::kUrlErrorTitle), std::string::npos) << play.errors;
    EXPECT_NE(play.errors.find("[3/3]"), std::string::npos) << play.errors;
    EXPECT_TRUE(test::fileExists(out));
}

TEST_F(StreamHttp, RefusedConnectionShowsATextUnderTheUrlTitle) {
    Input input;
    EXPECT_EQ(input.openInput("http://127.0.0.1:1/none.mp3"), 0);
    EXPECT_FALSE(input.isOpen());
    std::vector<std::string> shown = prompt_.messages();
    ASSERT_EQ(shown.size(), 1u);
    std::string title = std::string(net_texts::kUrlErrorTitle) + "|";
    EXPECT_EQ(shown[0].rfind(title, 0), 0u) << shown[0];
    EXPECT_GT(shown[0].size(), title.size()) << "the box has no text";
}

TEST_F(StreamHttp, StopDuringAStallReturnsWithinThreeSeconds) {
    Input input;
    std::string path = "/stall/e44.mp3?after=6000&secs=60&stop=1";
    ASSERT_EQ(input.openInput(url(path).c_str()), 1);
    uint8_t buf[6000];
    ASSERT_EQ(input.read(buf, 6000), 6000);
    Clock::time_point t = Clock::now();
    input.closeInput();
    EXPECT_LT(elapsedMs(t), 3000);
    EXPECT_TRUE(server_->waitForLog("closed " + path, 3000)) << server_->log();
}

TEST_F(StreamHttp, StopWhileThePipeIsFullReturnsAtOnce) {
    // Nobody reads an endless stream: the download thread blocks on the full pipe.
    Input input;
    std::string path = "/endless/a44.mp2?full=1";
    ASSERT_EQ(input.openInput(url(path).c_str()), 1);
    uint8_t buf[100];
    ASSERT_EQ(input.read(buf, 100), 100);
    sleepMs(500);
    Clock::time_point t = Clock::now();
    input.closeInput();
    EXPECT_LT(elapsedMs(t), 3000);
    EXPECT_TRUE(server_->waitForLog("closed " + path, 3000)) << server_->log();
}

TEST_F(StreamHttp, AStopThatOutlastsItsWaitStillEndsTheTransfer) {
    // The save file is a FIFO that holds little and is not read yet: the download thread
    // blocks in its save write (the pipe to the decoder has room) longer than the stop waits,
    // and is given up on (its queue, with the quit message, goes).
    std::string dir = test::scratchDir("stream_stop_fifo");
    std::string fifo = dir + "/a44.mp2";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    fcntl(fd, F_SETPIPE_SZ, 4096);
    const StreamSaving saving{true, dir.c_str()};
    Input input;
    const std::string path = "/endless/a44.mp2?fifo=1";
    ASSERT_EQ(input.openInput(url(path).c_str(), saving), 1);
    uint8_t buf[1000];
    ASSERT_EQ(input.read(buf, int(sizeof buf)), int(sizeof buf));
    sleepMs(300);
    Clock::time_point t = Clock::now();
    input.closeInput();
    EXPECT_GE(elapsedMs(t), long(kDownloadStopWaitMs) - 100) << "the save did not hold the download thread";
    EXPECT_EQ(server_->log().find("closed " + path), std::string::npos) << "nothing should have moved yet";

    // Drained slowly: the thread gets on, and must end the transfer instead of saving on.
    t = Clock::now();
    bool closed = false;
    while (!closed && elapsedMs(t) < 6000) {
        char drain[4096];
        (void)!read(fd, drain, sizeof drain);
        sleepMs(50);
        closed = server_->log().find("closed " + path) != std::string::npos;
    }
    const long ms = elapsedMs(t);
    close(fd);
    EXPECT_TRUE(closed) << "the server still sends after " << ms << " ms of draining";
    EXPECT_LT(ms, 3000);
}

TEST_F(StreamHttp, ASilentServerEndsTheStream) {
    setStreamStallLimitMs(1500);
    Input input;
    ASSERT_EQ(input.openInput(url("/stall/e44.mp3?after=5000&secs=60&silent=1").c_str()), 1);
    Clock::time_point t = Clock::now();
    std::vector<uint8_t> got = readToEnd(input);
    EXPECT_EQ(got.size(), 5000u);
    EXPECT_LT(elapsedMs(t), 10000) << "the stall did not end the stream";
    input.closeInput();
}

TEST_F(StreamHttp, AServerThatNeverAnswersFailsTheOpenWithAText) {
    setStreamStallLimitMs(1500);
    Input input;
    Clock::time_point t = Clock::now();
    EXPECT_EQ(input.openInput(url("/silent?secs=60").c_str()), 0);
    EXPECT_LT(elapsedMs(t), 10000);
    EXPECT_FALSE(input.isOpen());
    std::vector<std::string> shown = prompt_.messages();
    ASSERT_EQ(shown.size(), 1u);
    char text[128];
    std::snprintf(text, sizeof text, net_texts::kNoAnswer, 1u);
    EXPECT_EQ(shown[0], std::string(net_texts::kUrlErrorTitle) + "|" + text);
    EXPECT_TRUE(server_->waitForLog("closed /silent?secs=60", 3000)) << server_->log();
}

TEST_F(StreamHttp, SavedFileHoldsTheServedBytesAndReplacesAnOldOne) {
    std::string dir = test::scratchDir("stream_save");
    std::vector<uint8_t> served = test::readFileBytes(media("e44.mp3"));
    // An older, longer file of the same name is replaced from its first byte.
    writeBytes(dir + "/e44.mp3", std::vector<uint8_t>(served.size() + 5000, 0x55));
    const StreamSaving saving{true, dir.c_str()};
    Input input;
    ASSERT_EQ(input.openInput(url("/file/e44.mp3?rate=100000#part").c_str(), saving), 1);
    EXPECT_TRUE(readToEnd(input) == served);
    input.closeInput();
    EXPECT_TRUE(test::readFileBytes(dir + "/e44.mp3") == served);
    EXPECT_TRUE(prompt_.messages().empty());

    // korvo play --save-dir does the same.
    std::string other = test::scratchDir("stream_save_cli");
    test::KorvoRun run = test::runKorvo({"play", "--wav", other + "/out.wav", "--save-dir", other,
                                         url("/redirect/a44.mp2?x=1")}, 30000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(test::readFileBytes(other + "/a44.mp2") == test::readFileBytes(media("a44.mp2")));
}

TEST_F(StreamHttp, ACopyThatCannotBeWrittenLeavesTheOldFileAndSaysSo) {
    std::string dir = test::scratchDir("stream_save_full");
    const std::vector<uint8_t> old(100, 'o');
    writeBytes(dir + "/e44.mp3", old);
    const StreamSaving saving{true, dir.c_str()};
    {
        test::FileSizeLimit limit(20000);    // the disk is full after 20000 bytes
        Input input;
        ASSERT_EQ(input.openInput(url("/file/e44.mp3?full-disk=1").c_str(), saving), 1);
        EXPECT_TRUE(readToEnd(input) == test::readFileBytes(media("e44.mp3"))) << "the stream still plays";
        input.closeInput();
    }
    EXPECT_TRUE(test::readFileBytes(dir + "/e44.mp3") == old);
    EXPECT_EQ(test::folderNames(dir), std::vector<std::string>{"e44.mp3"});
    char text[600];
    std::snprintf(text, sizeof text, net_texts::kSaveFileNotKept, (dir + "/e44.mp3").c_str());
    EXPECT_EQ(prompt_.messages(), std::vector<std::string>{std::string(net_texts::kSaveFileTitle) + "|" + text});
}

TEST_F(StreamHttp, UnsafeOrEmptySaveNamesWriteNothingButPlayOn) {
    std::string base = test::scratchDir("stream_save_unsafe");
    std::string dir = base + "/in";
    std::filesystem::create_directories(dir);
    const StreamSaving saving{true, dir.c_str()};
    std::vector<uint8_t> served = test::readFileBytes(media("d22.mp2"));
    const char* paths[] = {"/named/?src=d22.mp2", "/named/a:b?src=d22.mp2", "/named/a%5Cb/CON?src=d22.mp2",
                           "/named/?src=d22.mp2&name=/x.mp2"};
    for (const char* p : paths) {
        prompt_.clear();
        Input input;
        ASSERT_EQ(input.openInput(url(p).c_str(), saving), 1) << p;
        EXPECT_TRUE(readToEnd(input) == served) << p << ": the stream still plays";
        input.closeInput();
        std::vector<std::string> shown = prompt_.messages();
        ASSERT_EQ(shown.size(), 1u) << p;
        EXPECT_EQ(shown[0], std::string(net_texts::kSaveFileTitle) + "|" + net_texts::kSaveFileFailed) << p;
    }
    // Nothing in the folder, nothing beside it.
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(base)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

// The titles the test station sends for a file of `audio` bytes (stream_server.py's
// radio_title, as the player shows them).
std::vector<std::string> radioTitles(size_t audio, size_t metaint, size_t change) {
    const size_t blocks = audio == 0 ? 0 : (audio - 1) / metaint;
    std::vector<std::string> titles;
    for (size_t b = 0; b < blocks; b += change) {
        const size_t k = b / change;
        std::string t = "Artist " + std::to_string(k) + " - It's song " + std::to_string(k);
        if (k % 3 != 0) t += " Caf\xC3\xA9";
        titles.push_back(t);
    }
    return titles;
}

const char kRadioName[] = "Korvo Test Radio";

std::string stationTitle(const std::string& title) {
    char text[1200];
    stationTitleText(kRadioName, title.c_str(), text, int(sizeof text));
    return text;
}

TEST_F(StreamHttp, RadioTitlesLeaveTheAudioAndArriveInOrder) {
    // Metadata every 8192 bytes; and a small interval with a title in every block, after an
    // "ICY 200 OK" status line.
    expectSameDecode(media("e44.mp3"), "/radio/e44.mp3?metaint=8192");
    expectSameDecode(media("a44.mp2"), "/radio/a44.mp2?metaint=1000&change=1&status=icy&rate=60000");

    std::string dir = test::scratchDir("stream_radio_save");
    const std::vector<uint8_t> served = test::readFileBytes(media("e44.mp3"));
    const StreamSaving saving{true, dir.c_str()};
    Input input;
    ASSERT_EQ(input.openInput(url("/radio/e44.mp3?metaint=8192&rate=200000").c_str(), saving), 1);
    EXPECT_STREQ(input.stationName(), kRadioName);
    // Titles are due only with their audio: none before the first block's 8192 bytes.
    char title[kIcyTitleBytes];
    uint8_t buf[8192];
    ASSERT_EQ(input.read(buf, 8191), 8191);
    EXPECT_EQ(input.nextStreamTitle(title, int(sizeof title)), 0);
    std::vector<uint8_t> got(buf, buf + 8191);
    std::vector<std::string> titles;
    for (int n; (n = input.read(buf, 777)) > 0;) {
        got.insert(got.end(), buf, buf + n);
        while (input.nextStreamTitle(title, int(sizeof title))) {
            titles.push_back(title);
            // At most one block of audio later than its place.
            EXPECT_LE(got.size(), 8192 * (titles.size() * 2 - 1) + 777) << title;
        }
    }
    input.closeInput();
    EXPECT_TRUE(got == served) << "the audio read: " << got.size() << " bytes of " << served.size();
    EXPECT_TRUE(test::readFileBytes(dir + "/e44.mp3") == served) << "the saved copy holds the audio alone";
    const std::vector<std::string> expected = radioTitles(served.size(), 8192, 2);
    ASSERT_GE(expected.size(), 3u);
    EXPECT_EQ(titles, expected);

    // korvo info names the station and its first title.
    test::KorvoRun info = test::runKorvo({"info", url("/radio/e44.mp3?metaint=8192")}, 30000, dir + "/info.txt");
    EXPECT_EQ(info.exitCode, 0) << info.errors;
    std::vector<uint8_t> text = test::readFileBytes(dir + "/info.txt");
    const std::string report(text.begin(), text.end());
    EXPECT_NE(report.find(std::string("station: ") + kRadioName + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("title: " + expected[0] + "\n"), std::string::npos) << report;
}

TEST_F(StreamHttp, PlayShowsTheStationAndEachTitle) {
    std::string dir = test::scratchDir("stream_radio_play");
    const std::vector<uint8_t> served = test::readFileBytes(media("a44.mp2"));
    test::KorvoRun run = test::runKorvo({"play", "--wav", dir + "/out.wav",
                                         url("/radio/a44.mp2?metaint=4096&change=1&rate=40000")}, 30000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    // The station's name first, then every title once, in order.
    std::vector<std::string> lines;
    size_t at = 0;
    while ((at = run.errors.find(kRadioName, at)) != std::string::npos) {
        const size_t end = run.errors.find('\n', at);
        lines.push_back(run.errors.substr(at, end - at));
        at = end;
    }
    std::vector<std::string> expected = {kRadioName};
    for (const std::string& t : radioTitles(served.size(), 4096, 1)) expected.push_back(stationTitle(t));
    // The station ends: it is tried once more, and answers that it has ended.
    expected.push_back(stationTitle(net_texts::kReconnecting));
    EXPECT_EQ(lines, expected) << run.errors;
    // The sound is the file's.
    std::string local = dir + "/local.wav";
    ASSERT_EQ(test::runKorvo({"decode", media("a44.mp2"), "-o", local}, 30000).exitCode, 0);
    EXPECT_TRUE(test::readFileBytes(dir + "/out.wav") == test::readFileBytes(local));
}

TEST_F(StreamHttp, AStreamThatIsNotMpegAudioEndsWithOneMessage) {
    std::string dir = test::scratchDir("stream_not_mpeg");
    const std::string aac = url("/typed/a44.mp2?type=audio/aacp");
    char text[600];
    formatNotMpeg("audio/aacp", aac.c_str(), text, int(sizeof text));
    const std::string message = std::string(net_texts::kUrlErrorTitle) + ": " + text + "\n";
    for (const char* command : {"decode", "play", "info"}) {
        std::vector<std::string> args = {command};
        if (std::string(command) == "play") args.insert(args.end(), {"--wav", dir + "/play.wav"});
        args.push_back(aac);
        if (std::string(command) == "decode") args.insert(args.end(), {"-o", dir + "/decode.wav"});
        Clock::time_point t = Clock::now();
        test::KorvoRun run = test::runKorvo(args, 30000);
        const long ms = elapsedMs(t);
        EXPECT_EQ(run.exitCode, 1) << command << ": " << run.errors;
        EXPECT_EQ(run.errors, message) << command;
        RecordProperty(std::string("aac_") + command + "_ms", int(ms));
        std::printf("korvo %s of an AAC station: exit after %ld ms\n", command, ms);
    }
    EXPECT_FALSE(test::fileExists(dir + "/decode.wav"));
    EXPECT_FALSE(test::fileExists(dir + "/play.wav"));

    // Typed as MPEG but no frame in its first 64 KB: named by its first bytes, or its type.
    for (const auto& [path, kind] : {std::pair<std::string, std::string>{"/garbage", "text/html"},
                                     {"/typed/a44.wav?type=audio/mpeg", "audio/mpeg"}}) {
        test::KorvoRun run = test::runKorvo({"decode", url(path), "-o", dir + "/x.wav"}, 30000);
        formatNotMpeg(kind.c_str(), url(path).c_str(), text, int(sizeof text));
        EXPECT_EQ(run.exitCode, 1) << path;
        EXPECT_EQ(run.errors, std::string(net_texts::kUrlErrorTitle) + ": " + text + "\n") << path;
    }
}

// korvo hands SSL_CERT_FILE to libcurl: naming the test authority, an HTTPS stream decodes as
// the file does; without it, the certificate is refused with libcurl's words and exit 1.
TEST(StreamHttps, KorvoDecodesWithTheAuthorityItIsGivenAndRefusesWithout) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(mediaDir(), "server")) << "the HTTPS test server did not start";
    const std::string dir = test::scratchDir("stream_https");
    ASSERT_EQ(test::runKorvo({"decode", media("e44.mp3"), "-o", dir + "/local.wav"}, 30000).exitCode, 0);
    ASSERT_TRUE(test::trustTestAuthority(true));
    test::KorvoRun trusted = test::runKorvo({"decode", server.url("/file/e44.mp3"), "-o", dir + "/net.wav"}, 30000);
    ASSERT_TRUE(test::trustTestAuthority(false));
    EXPECT_EQ(trusted.exitCode, 0) << trusted.errors;
    EXPECT_TRUE(test::readFileBytes(dir + "/net.wav") == test::readFileBytes(dir + "/local.wav"));

    test::KorvoRun refused = test::runKorvo({"decode", server.url("/file/e44.mp3?2"), "-o", dir + "/no.wav"}, 30000);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errors.rfind(std::string(net_texts::kUrlErrorTitle) + ": SSL certificate problem: ", 0), 0u)
        << refused.errors;
    EXPECT_FALSE(test::fileExists(dir + "/no.wav"));
}

// A station that goes away entirely: korvo waits out its five tries (23 s in all) and only
// then exits 1, naming the stream.
TEST_F(StreamHttp, KorvoFailsAGoneStationOnlyAfterItsTries) {
    const std::string dir = test::scratchDir("stream_gone_play");
    const std::string gone = "/drop/a44.mp2?every=16384&gone=1";
    const Clock::time_point t = Clock::now();
    test::KorvoRun run = test::runKorvo({"play", "--wav", dir + "/out.wav", url(gone)}, 60000);
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_GE(elapsedMs(t), 23000);
    EXPECT_NE(run.errors.find(url(gone) + ": "), std::string::npos) << run.errors;
    EXPECT_EQ(test::opens(server_->log(), gone), 6u) << server_->log();
}

// A station link plays its list's first entry that opens, whatever names the list a list: its
// type, its first line, or its URL's name; a list in a list is not followed.
TEST_F(StreamHttp, StationLinksPlayTheirFirstEntryThatOpens) {
    const std::string file = "%7C/file/a44.mp2";
    for (const std::string& link : {"/list/station.pls?form=pls&type=audio/x-scpls&entries=" + file,
                                    "/list/station?form=pls&entries=" + file,
                                    "/list/station?form=extm3u&type=audio/mpegurl&entries=" + file,
                                    "/list/station?form=extm3u&entries=" + file,
                                    "/list/station.m3u?form=m3u&entries=" + file,
                                    "/list/station.m3u?form=m3u&type=audio/x-mpegurl&entries=" + file,
                                    // Entries named by their path on the server.
                                    "/list/station.m3u?form=m3u&bare=1&entries=" + file,
                                    // A first entry that fails, one that is the list itself.
                                    "/list/s.pls?form=pls&entries=/status/404%7C/list/s.pls%7C" + file})
        expectSameDecode(media("a44.mp2"), link);
    // A list without a length is read once: its end is no station breaking off.
    const std::string chunked = "/list/c.pls?form=pls&chunked=1&entries=" + file;
    expectSameDecode(media("a44.mp2"), chunked);
    EXPECT_EQ(test::opens(server_->log(), chunked), 1u) << server_->log();

    // korvo play too, and its station name is the list's title for the entry.
    std::string dir = test::scratchDir("station_link");
    test::KorvoRun play = test::runKorvo({"play", "--wav", dir + "/play.wav", url("/list/s.pls?form=pls&entries=" + file)}, 30000);
    ASSERT_EQ(play.exitCode, 0) << play.errors;
    EXPECT_NE(play.errors.find("Station 1"), std::string::npos) << play.errors;
    ASSERT_EQ(test::runKorvo({"decode", media("a44.mp2"), "-o", dir + "/local.wav"}, 30000).exitCode, 0);
    EXPECT_TRUE(test::readFileBytes(dir + "/play.wav") == test::readFileBytes(dir + "/local.wav"));

    // A list names no local file: not by its path, nor as a file URL.
    const std::string local = media("a44.mp2");
    test::KorvoRun files = test::runKorvo({"decode", url("/list/f.m3u?form=m3u&bare=1&entries=file://" + local + "%7C" + local), "-o", dir + "/x.wav"}, 30000);
    EXPECT_EQ(files.exitCode, 1) << files.errors;

    // A list whose only entry is a list (itself) plays nothing.
    test::KorvoRun self = test::runKorvo({"decode", url("/list/self.pls?form=pls&entries=/list/self.pls"), "-o", dir + "/x.wav"}, 30000);
    EXPECT_EQ(self.exitCode, 1) << self.errors;
    EXPECT_FALSE(test::fileExists(dir + "/x.wav"));
}

TEST_F(StreamHttp, HlsListsAreRefusedWithOneMessage) {
    std::string dir = test::scratchDir("station_hls");
    for (const std::string& link : {url("/list/live.m3u8?form=hls&entries=/file/a44.mp2"),
                                    url("/list/live?form=hls&type=application/vnd.apple.mpegurl&entries=/file/a44.mp2")}) {
        char text[600];
        std::snprintf(text, sizeof text, net_texts::kHlsNotSupported, link.c_str());
        for (const char* command : {"decode", "play"}) {
            std::vector<std::string> args = {command};
            if (std::string(command) == "play") args.insert(args.end(), {"--wav", dir + "/play.wav"});
            args.push_back(link);
            if (std::string(command) == "decode") args.insert(args.end(), {"-o", dir + "/decode.wav"});
            test::KorvoRun run = test::runKorvo(args, 30000);
            EXPECT_EQ(run.exitCode, 1) << command << ": " << run.errors;
            EXPECT_EQ(run.errors, std::string(net_texts::kUrlErrorTitle) + ": " + text + "\n") << command;
        }
    }
}

// A refusal (an HLS list, a station of another format) is told once, and belongs to that
// open only: a file that then cannot be opened is not taken for a refused stream.
TEST_F(StreamHttp, ARefusalBelongsToItsOpenOnly) {
    Input input;
    for (const std::string& link : {url("/list/live.m3u8?form=hls&entries=/file/a44.mp2"),
                                    url("/typed/a44.mp2?type=audio/aacp")}) {
        prompt_.clear();
        EXPECT_EQ(input.openInput(link.c_str()), 0) << link;
        EXPECT_TRUE(input.refusedAsNotMpeg()) << link;
        EXPECT_EQ(prompt_.messages().size(), 1u) << link;
        EXPECT_EQ(input.openInput((mediaDir() + "/none.mp3").c_str()), 0);
        EXPECT_FALSE(input.refusedAsNotMpeg()) << "after " << link;
    }
}

// The list is read, never saved: a copy of the station's audio is.
TEST_F(StreamHttp, AStationLinkSavesTheStreamNotTheList) {
    std::string dir = test::scratchDir("station_save");
    test::KorvoRun run = test::runKorvo({"play", "--wav", dir + "/out.wav", "--save-dir", dir,
                                         url("/list/station.pls?form=pls&entries=/file/a44.mp2")}, 30000);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_FALSE(test::fileExists(dir + "/station.pls"));
    EXPECT_TRUE(test::readFileBytes(dir + "/a44.mp2") == test::readFileBytes(media("a44.mp2")));
}

} // namespace
} // namespace korvo
