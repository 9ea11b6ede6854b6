#pragma once
// A RIFF/WAVE file of PCM: "fmt " chunk of 18 bytes, then "data"; the sizes are written
// when the file is closed. Written through the platform file layer, so every system
// produces the same bytes, and beside a file of the same name, which it replaces only when
// complete.
#include <cstdint>

#include "platform/file.h"

namespace korvo {

class WavWriter {
public:
    static constexpr int kHeaderSize = 46;          // RIFF header, "fmt " chunk, "data" header
    static constexpr int kFormatSize = 18;
    static constexpr int kBufferSize = 65536;
    // The sizes must fit their 32-bit fields.
    static constexpr int64_t kMaxDataBytes = 0xFFFFFFFFLL - kHeaderSize;

    WavWriter();
    ~WavWriter();                                   // closes (fixing the sizes) if still open
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates the file (beside one that is there) and writes its headers; 1 on success. On
    // failure nothing stays open and nothing is left behind.
    int open(const char* path, int rate, int channels, bool eightBit);
    // Appends n bytes of PCM: returns n (a count of 0 or less unchanged, nothing written),
    // or -1 when the file cannot take them.
    int write(const uint8_t* bytes, int n);
    // Writes the sizes, closes the file and puts it in place: 1 when every step succeeded, 0
    // otherwise (or when nothing was open; a file that was there then keeps its bytes). The
    // writer is closed afterwards in any case.
    int close();
    // Closes and drops the file (a failed job must not leave a half-written file); a file that
    // was there keeps its bytes.
    void discard();

    bool isOpen() const { return file_.isOpen(); }
    int64_t dataBytes() const { return dataBytes_; }

    // The 18-byte format record: tag 1, channels, rate, bytes per second, block alignment,
    // bits per sample, extra size 0.
    static void formatRecord(uint8_t* dst, int rate, int channels, bool eightBit);

private:
    int flushBuffer();

    ReplacingFile out_;
    File file_;   // the temporary file, opened by its path: the sizes are written back into it
    int64_t dataBytes_ = 0;
    int used_ = 0;
    bool failed_ = false;
    uint8_t* buffer_;
};

} // namespace korvo
