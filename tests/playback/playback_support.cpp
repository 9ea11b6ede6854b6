#include "playback_support.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
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

std::vector<uint8_t> decodeInRow(const std::vector<std::string>& paths, bool eightBit, bool gapless) {
    if (eightBit) Synthesis::buildEightBitTable();
    auto dec = std::make_unique<Decoder>();
    dec->options.gapless = gapless ? 1 : 0;
    std::vector<uint8_t> out;
    PcmBuffer& pcm = dec->pcm();
    auto take = [&](int n) {
        out.insert(out.end(), pcm.data, pcm.data + n);
        pcm.consume(n);
    };
    for (const auto& p : paths) {
        std::vector<uint8_t> bytes = readFileBytes(p);
        MemoryInput in(bytes.data(), bytes.size());
        dec->startFile(&in, eightBit);
        while (dec->readFrame()) {
            dec->decodeFrame();
            take(dec->writableBytes());
        }
        dec->endFile();
    }
    take(pcm.fill);
    return out;
}

bool writeWithFreeFormatFrame(const std::string& src, int frame, const std::string& dst) {
    std::vector<uint8_t> bytes = readFileBytes(src);
    size_t at = 0;
    for (int i = 0; i < frame; ++i) {
        if (at + 4 > bytes.size()) return false;
        uint32_t w = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        int length = FrameReader::frameLength(w);
        if (length <= 0) return false;
        at += size_t(length);
    }
    if (at + 4 > bytes.size()) return false;
    bytes[at + 2] &= 0x0F;
    std::ofstream(dst, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return true;
}

int64_t writeLargeSparseFile(const std::string& src, const std::string& path) {
    std::vector<uint8_t> mp3 = readFileBytes(src);
    if (mp3.empty()) return -1;
    const double frameBytes = 417.96;
    const int64_t middle = int64_t(frameBytes * double(int64_t(double(kLargeFileSize) / frameBytes) / 2)) - 2000;
    {
        std::fstream out(path, std::ios::binary | std::ios::out | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
        out.seekp(std::streamoff(middle));
        out.write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
        if (!out) return -1;
    }
    std::error_code ec;
    std::filesystem::resize_file(path, uintmax_t(kLargeFileSize), ec);
    return ec ? -1 : middle;
}

bool writeSparseCopies(const std::string& src, const std::string& path, int64_t size, const std::vector<int64_t>& at) {
    std::vector<uint8_t> bytes = readFileBytes(src);
    if (bytes.empty()) return false;
    {
        std::fstream out(path, std::ios::binary | std::ios::out | std::ios::trunc);
        for (int64_t offset : at) {
            out.seekp(std::streamoff(offset));
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        if (!out) return false;
    }
    std::error_code ec;
    std::filesystem::resize_file(path, uintmax_t(size), ec);
    return !ec;
}

int64_t seekEstimate(int64_t size, double frameBytes, int percent) {
    int64_t total = int64_t(double(size) / frameBytes);
    int64_t frame = int64_t(float(total) * float(percent) * 0.01f);
    return int64_t(frameBytes * double(frame));
}

bool ListPlayback::start() {
    DecoderThreadSetup setup;
    setup.listener = &player;
    id_ = startDecoderThread(setup, thread_);
    if (id_ == -1) return false;
    player.start(id_);
    return true;
}

std::vector<int16_t> samplesOf(const uint8_t* bytes, size_t size) {
    std::vector<int16_t> v(size / 2);
    for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return v;
}

namespace {
double snrDb(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from, size_t to) {
    double signal = 0, noise = 0;
    for (size_t i = from; i < to && i < a.size() && i < b.size(); ++i) {
        signal += double(b[i]) * b[i];
        noise += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    }
    return noise == 0 ? 200.0 : 10.0 * std::log10(signal / noise);
}
} // namespace

JoinError compareJoins(const std::vector<int16_t>& pieces, const std::vector<int16_t>& whole,
                       const std::vector<size_t>& joins) {
    JoinError e;
    e.overallDb = snrDb(pieces, whole, 0, whole.size());
    e.worstJoinDb = 200.0;
    for (size_t j : joins) {
        const size_t at = 2 * j;    // stereo pairs
        e.worstJoinDb = std::min(e.worstJoinDb, snrDb(pieces, whole, at < 4096 ? 0 : at - 4096, at + 4096));
    }
    return e;
}

std::vector<std::string> albumPieces() {
    return {mediaPath("gapless/album1.mp3"), mediaPath("gapless/album2.mp3"), mediaPath("gapless/album3.mp3")};
}

std::string albumWhole() { return mediaPath("gapless/album.mp3"); }

} // namespace korvo::test
