#include "wav_writer.h"

#include <cstring>

namespace korvo {

namespace {

void put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t((v >> 8) & 0xFF);
}

void put32(uint8_t* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

int writeAll(File& f, const uint8_t* p, int n) { return f.write(p, n) == n ? 1 : 0; }

} // namespace

WavWriter::WavWriter() : buffer_(new uint8_t[kBufferSize]) {}

WavWriter::~WavWriter() {
    close();
    delete[] buffer_;
}

void WavWriter::formatRecord(uint8_t* dst, int rate, int channels, bool eightBit) {
    const int bits = eightBit ? 8 : 16;
    const int align = channels * bits / 8;
    put16(dst, 1);
    put16(dst + 2, uint32_t(channels));
    put32(dst + 4, uint32_t(rate));
    put32(dst + 8, uint32_t(rate) * uint32_t(align));
    put16(dst + 12, uint32_t(align));
    put16(dst + 14, uint32_t(bits));
    put16(dst + 16, 0);
}

int WavWriter::open(const char* path, int rate, int channels, bool eightBit) {
    close();
    if (!path || std::strlen(path) >= size_t(kPathCapacity)) return 0;
    if (!out_.open(path)) return 0;
    out_.releaseHandle();
    if (!file_.open(out_.temporaryPath(), File::ReadWrite)) {
        out_.abandon();
        return 0;
    }
    dataBytes_ = 0;
    used_ = 0;
    failed_ = false;

    uint8_t h[kHeaderSize];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 0);   // fixed on close
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, "fmt ", 4);
    put32(h + 16, kFormatSize);
    formatRecord(h + 20, rate, channels, eightBit);
    std::memcpy(h + 38, "data", 4);
    put32(h + 42, 0);   // fixed on close
    if (!writeAll(file_, h, kHeaderSize)) {
        discard();
        return 0;
    }
    return 1;
}

int WavWriter::flushBuffer() {
    if (used_ == 0) return 1;
    int ok = writeAll(file_, buffer_, used_);
    used_ = 0;
    if (!ok) failed_ = true;
    return ok;
}

int WavWriter::write(const uint8_t* bytes, int n) {
    if (n <= 0) return n;
    if (!isOpen() || failed_ || dataBytes_ + n > kMaxDataBytes) return -1;
    int done = 0;
    while (done < n) {
        if (used_ == kBufferSize && !flushBuffer()) return -1;
        int k = n - done < kBufferSize - used_ ? n - done : kBufferSize - used_;
        std::memcpy(buffer_ + used_, bytes + done, size_t(k));
        used_ += k;
        done += k;
    }
    dataBytes_ += n;
    return n;
}

int WavWriter::close() {
    if (!isOpen()) return 0;
    int ok = flushBuffer();
    int64_t data = dataBytes_;
    if (data & 1) {
        // RIFF chunks are padded to an even length (only an odd 8-bit mono file needs it).
        const uint8_t pad = 0;
        if (!writeAll(file_, &pad, 1)) ok = 0;
    }
    uint8_t size[4];
    put32(size, uint32_t(data));
    if (file_.seek(42, File::Begin) != 42 || !writeAll(file_, size, 4)) ok = 0;
    put32(size, uint32_t(kHeaderSize - 8 + data + (data & 1)));
    if (file_.seek(4, File::Begin) != 4 || !writeAll(file_, size, 4)) ok = 0;
    file_.close();
    if (ok && !failed_) return out_.commit();
    out_.abandon();
    return 0;
}

void WavWriter::discard() {
    if (!isOpen()) return;
    file_.close();
    out_.abandon();
    used_ = 0;
    dataBytes_ = 0;
}

} // namespace korvo
