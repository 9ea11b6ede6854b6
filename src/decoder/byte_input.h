#pragma once
#include <cstddef>
#include <cstdint>

namespace korvo {

// Where the frame reader takes its bytes from: a local file, the stream pipe, or memory.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    // Bytes read (0 at the end, -1 on an error). Streams may return fewer than asked.
    virtual int read(uint8_t* dst, int n) = 0;
    // Steps back n bytes; a stream cannot and does nothing.
    virtual void stepBack(int n) = 0;
    virtual bool isStream() const = 0;
};

// A byte buffer as input (tests, fuzzing).
class MemoryInput : public ByteInput {
public:
    MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int read(uint8_t* dst, int n) override {
        if (n <= 0 || pos_ >= size_) return 0;
        size_t k = size_ - pos_ < size_t(n) ? size_ - pos_ : size_t(n);
        for (size_t i = 0; i < k; ++i) dst[i] = data_[pos_ + i];
        pos_ += k;
        return int(k);
    }
    void stepBack(int n) override { pos_ = size_t(n) > pos_ ? 0 : pos_ - size_t(n); }
    bool isStream() const override { return false; }
    size_t position() const { return pos_; }
    void setPosition(size_t p) { pos_ = p > size_ ? size_ : p; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace korvo
