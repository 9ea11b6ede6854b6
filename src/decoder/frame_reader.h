#pragma once
// Frame synchronisation, header parsing, frame bodies and the bit cursor over them.
#include <cstdint>
#include "byte_input.h"
#include "frame_header.h"
#include "platform/prompt.h"

namespace korvo {

class FrameReader {
public:
    static constexpr int kBufferSize = 2304;
    static constexpr int kMainDataRoom = 512;
    static constexpr int kBodyCapacity = kBufferSize - kMainDataRoom;   // 1792
    static constexpr int kScanLimit = 32768;
    // How far a network stream is searched for its first header (after a leading ID3v2
    // tag): a radio may start with junk, but one that gives none in this much is no MPEG audio.
    static constexpr int kStreamStartSearch = 65536;
    // How far a header is looked for where one is expected (a seek, a file's information):
    // a file with none there is not taken as this stream, or as audio at all.
    static constexpr int kSearchWindow = 16384;
    // The searches for a header take the input a block at a time.
    static constexpr int kSearchBlock = 16384;
    // Bytes read ahead and handed back: what a search block held after the header it found,
    // or a rejected candidate's body and the next header, plus the three header bytes that
    // follow its first.
    static constexpr int kLookAheadCapacity = kSearchBlock + kBodyCapacity + 4 + 3;

    FrameReader();

    void setInput(ByteInput* input) { input_ = input; }
    ByteInput* input() const { return input_; }

    // A stream that lost step is searched for to the end of the data, however far; between
    // blocks of that search the owner is asked whether to go on (a stop may be waiting).
    // Without a check the search goes on.
    using SearchCheck = bool (*)(void* context);
    void setSearchCheck(SearchCheck check, void* context) {
        searchCheck_ = check;
        searchContext_ = context;
    }

    // Who answers the reader's question (a header without a bitrate: resynchronise?). Without
    // one nobody is asked and the answer is no.
    void setPrompt(Prompt* prompt) { prompt_ = prompt; }

    void resetFrameReader();
    // 1 when a frame body is ready and the cursor stands at its first byte; 0 at the end.
    int readFrame(FrameHeader& h);

    // n from 0 to 17 bits, most significant first.
    uint32_t readBits(int n) {
        if (n == 0) return 0;
        const uint8_t* p = cursor_ <= limit_ ? cursor_ : zeros_;
        uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        v = ((v << bitIndex_) & 0xFFFFFFu) >> (24 - n);
        advance(n);
        return v;
    }
    // n from 0 to 9 bits, looking at two bytes.
    uint32_t readBitsShort(int n) {
        if (n == 0) return 0;
        const uint8_t* p = cursor_ <= limit_ ? cursor_ : zeros_;
        uint32_t v = (uint32_t(p[0]) << 8) | p[1];
        v = ((v << bitIndex_) & 0xFFFFu) >> (16 - n);
        advance(n);
        return v;
    }
    uint32_t readBit() {
        const uint8_t* p = cursor_ <= limit_ ? cursor_ : zeros_;
        uint32_t v = ((uint32_t(p[0]) << bitIndex_) & 0xFFu) >> 7;
        advance(1);
        return v;
    }
    // Layer III: moves the cursor backstep bytes before the end of the side information,
    // bringing those bytes over from the previous frame's body.
    void setMainDataPointer(int backstep);

    // Clears both body buffers and puts the cursor at the current body (after a seek).
    void clearBodies();
    // Forgets the bytes read ahead (the input was moved, by a seek).
    void dropLookAhead() { aheadStart_ = kLookAheadCapacity; }

    uint32_t currentHeader() const { return currentHeader_; }
    uint32_t lastHeader() const { return lastHeader_; }
    uint32_t firstHeader() const { return firstHeader_; }
    int bodySize() const { return bodySize_; }
    int previousBodySize() const { return previousBodySize_; }
    int sideInfoSize() const { return sideInfoSize_; }
    const uint8_t* body() const { return body_; }
    uint8_t* body() { return body_; }
    const uint8_t* cursor() const { return cursor_; }
    int bitIndex() const { return bitIndex_; }
    // Start and end (exclusive, padding included) of the buffer the current body lives in.
    const uint8_t* bufferStart() const { return body_ - kMainDataRoom; }
    const uint8_t* bufferEnd() const { return body_ - kMainDataRoom + kBufferSize; }
    // Moves the cursor within the current buffer (used by fast readers that take over the bits).
    void setCursor(const uint8_t* p, int bitIndex);

    static bool isValidHeader(uint32_t w);
    static bool matchesStream(uint32_t w, uint32_t reference) { return ((w ^ reference) & 0xFFFFFD00u) == 0; }
    // The fields that stay the same through a stream, even a VBR one: sync, version, layer
    // and sampling rate.
    static bool sameKind(uint32_t w, uint32_t reference) { return ((w ^ reference) & 0xFFFE0C00u) == 0; }
    // Frame length in bytes (header included) of a valid header word with a bitrate; 0 otherwise.
    static int frameLength(uint32_t w);

private:
    void advance(int n) {
        int b = bitIndex_ + n;
        cursor_ += b >> 3;
        bitIndex_ = b & 7;
    }
    // Reads through the look-ahead bytes first, then the input.
    int pull(uint8_t* dst, int n);
    // pull repeated until n bytes came or the input ended; the count that came.
    int pullWhole(uint8_t* dst, int n);
    // Hands bytes back to be read again; false when they do not fit.
    bool unread(const uint8_t* src, int n);
    void unreadWord(uint32_t word, int lastBytes);
    // A header found by resynchronisation starts decoding only when the next header of the
    // same kind follows at its length, or the data end there.
    bool confirmedByNext(uint32_t w);
    int read4(uint32_t& word);
    int skipId3v2(uint32_t& word);
    // A search block used up: true to start another (the stream is known and the owner lets
    // it go on), false to end the data here.
    bool searchOn(int& used);
    bool ownerLetsOn() const { return !searchCheck_ || searchCheck_(searchContext_); }
    int scan(uint32_t& word, int& steps);
    // Lost step: slides a window through the input to this stream's next header. 1 with
    // found set (or not, when the stream is not known yet: scan instead), 0 at the end.
    int slide(int& windows, bool& found);
    int parseAndSize(FrameHeader& h, int& result);
    int readBody();

    ByteInput* input_ = nullptr;
    SearchCheck searchCheck_ = nullptr;
    void* searchContext_ = nullptr;
    Prompt* prompt_ = nullptr;
    uint32_t currentHeader_ = 0;
    uint32_t lastHeader_ = 0;
    uint32_t firstHeader_ = 0;
    int bodySize_ = 0;
    int nextBodySize_ = 0;
    int previousBodySize_ = 0;
    int sideInfoSize_ = 0;
    int bufferIndex_ = 0;
    bool atStart_ = true;
    int startSearched_ = 0;    // scan steps spent before a stream's first header
    // Two body buffers plus zeroed slack so the three-byte look-ahead never leaves the array.
    alignas(16) uint8_t buffers_[2][kBufferSize + 8];
    uint8_t zeros_[8] = {};
    uint8_t* body_ = nullptr;
    uint8_t* previousBody_ = nullptr;
    const uint8_t* cursor_ = nullptr;
    const uint8_t* limit_ = nullptr;   // last position where a three-byte look-ahead stays in the buffer
    int bitIndex_ = 0;
    uint8_t ahead_[kLookAheadCapacity];
    int aheadStart_ = kLookAheadCapacity;     // the look-ahead bytes are ahead_[aheadStart_..]
    uint8_t probe_[kBodyCapacity + 4];
    uint8_t block_[kSearchBlock];
};

} // namespace korvo
