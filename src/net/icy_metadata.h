#pragma once
// Radio song titles: a station asked for them puts a metadata block into the body after
// every `metaint` audio bytes (one length byte L, then L x 16 bytes of text). The reader
// takes the blocks out of the body in chunks of any size, so the audio comes out byte for
// byte as the station sent it, and hands on each new title.
#include <cstdint>

namespace korvo {

// A title's room in UTF-8, terminator included; longer titles are cut at a character.
constexpr int kIcyTitleBytes = 512;
// The longest block the length byte can announce.
constexpr int kIcyBlockBytes = 255 * 16;

class IcyReader {
public:
    // Receives every title that differs from the one before (UTF-8, never empty), with the
    // count of audio bytes this take had given out before it.
    using TitleSink = void (*)(void* context, const char* title, int audioBefore);

    // metaint 0 (or less): the body is audio alone and passes as it is.
    explicit IcyReader(int metaint = 0) { reset(metaint); }
    // Counts afresh from the next byte; the last title is kept.
    void reset(int metaint);
    bool active() const { return metaint_ > 0; }

    // Takes n body bytes; their audio goes to out (room for n bytes) and its count is
    // returned. Titles found on the way go to sink, in order.
    int take(const uint8_t* in, int n, uint8_t* out, TitleSink sink, void* context);
    // The last title handed on; empty before the first.
    const char* title() const { return title_; }

private:
    enum State { Audio, Length, Text };
    void finishBlock(TitleSink sink, void* context, int audioBefore);

    int metaint_ = 0;
    State state_ = Audio;
    int left_ = 0;    // audio bytes before the next length byte, or text bytes still to come
    int textLen_ = 0;
    uint8_t text_[kIcyBlockBytes];
    char title_[kIcyTitleBytes] = {};
};

// The StreamTitle of one metadata block's text (len bytes, zero padding allowed) as UTF-8
// in title (size bytes): the bytes as they are when they are valid UTF-8, else read as
// Latin-1; control characters become blanks. 1 when the block names a title that is not
// empty; otherwise 0 and title is left as it was.
int parseStreamTitle(const uint8_t* text, int len, char* title, int size);
// The same reading of len bytes of a station's text (its name) into out; 1 when anything
// other than blanks remains.
int icyText(const uint8_t* text, int len, char* out, int size);

// What shows where a station's entry name shows: "station — title", or whichever of the two
// is known. Empty when neither is.
void stationTitleText(const char* station, const char* title, char* text, int size);

} // namespace korvo
