#include "playback_support.h"

#include <chrono>
#include <memory>

#include "decoder/byte_input.h"
#include "decoder/decoder.h"
#include "test_support.h"

namespace korvo::test {

void ListPlayer::start(long threadId) {
    std::lock_guard<std::mutex> lock(m_);
    threadId_ = threadId;
    next_ = 1;
    postPlayFile(files_[0].c_str(), threadId_);
}

void ListPlayer::notify(uint32_t message) {
    std::lock_guard<std::mutex> lock(m_);
    if (message == DNM_STARTED) {
        ++started_;
        return;
    }
    if (message != DNM_ENDED) return;
    if (next_ < int(files_.size())) {
        postPlayFile(files_[next_++].c_str(), threadId_);
    } else {
        postReleaseAudio(threadId_);
        done_ = true;
        cv_.notify_all();
    }
}

bool ListPlayer::waitDone(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return done_; });
}

int ListPlayer::started() {
    std::lock_guard<std::mutex> lock(m_);
    return started_;
}

std::vector<uint8_t> decodeInRow(const std::vector<std::string>& paths, bool eightBit) {
    if (eightBit) Synthesis::buildEightBitTable();
    auto dec = std::make_unique<Decoder>();
    std::vector<uint8_t> out;
    for (const auto& p : paths) {
        std::vector<uint8_t> bytes = readFileBytes(p);
        MemoryInput in(bytes.data(), bytes.size());
        dec->startFile(&in, eightBit);
        PcmBuffer& pcm = dec->pcm();
        while (dec->readFrame()) {
            dec->decodeFrame();
            out.insert(out.end(), pcm.data, pcm.data + pcm.fill);
            pcm.fill = 0;
        }
    }
    return out;
}

bool ListPlayback::start() {
    DecoderThreadSetup setup;
    setup.listener = &player;
    id_ = startDecoderThread(setup, thread_);
    if (id_ == -1) return false;
    player.start(id_);
    return true;
}

} // namespace korvo::test
