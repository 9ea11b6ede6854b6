#pragma once
// What the streaming tests share: a prompt that records its boxes from any thread, reading
// an input to its end, and a suite with the test server over the playback media.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "net/stream.h"
#include "net/stream_server.h"
#include "platform/prompt.h"
#include "playback/input.h"
#include "test_support.h"

namespace korvo::test {

struct StreamPrompt : Prompt {
    void show(const char* text, const char* title, PromptIcon) override {
        std::lock_guard<std::mutex> lock(m);
        shown.push_back(std::string(title) + "|" + text);
    }
    int askYesNo(const char*, const char*, PromptIcon) override { return 0; }
    std::vector<std::string> messages() {
        std::lock_guard<std::mutex> lock(m);
        return shown;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m);
        shown.clear();
    }
    std::mutex m;
    std::vector<std::string> shown;
};

// Everything the input gives until its end.
inline std::vector<uint8_t> readToEnd(Input& input) {
    std::vector<uint8_t> all;
    uint8_t buf[3000];
    for (int n; (n = input.read(buf, int(sizeof buf))) > 0;) all.insert(all.end(), buf, buf + n);
    return all;
}

// How often the server's log says it was asked for path.
inline size_t opens(const std::string& log, const std::string& path) {
    size_t n = 0;
    for (size_t at = 0; (at = log.find("open " + path + "\n", at)) != std::string::npos; ++at) ++n;
    return n;
}

// One server for the suite; every test starts with the prompt recording.
class StreamServerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new StreamServer;
        if (!server_->start(mediaPath("playback"))) {
            delete server_;
            server_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(server_, nullptr) << "the test server did not start";
        setPrompt(&prompt_);
    }
    void TearDown() override {
        setPrompt(nullptr);
        setStreamStallLimitMs(kStreamStallLimitMs);
        setStreamReconnectUnitMs(kReconnectUnitMs);
    }
    std::string url(const std::string& path) { return server_->url(path); }

    static inline StreamServer* server_ = nullptr;
    StreamPrompt prompt_;
};

} // namespace korvo::test
