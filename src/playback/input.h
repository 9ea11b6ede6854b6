#pragma once
// The decoder's input: a local file or the pipe of an HTTP stream, with the file-only
// services the player needs: length in frames, elapsed time, and seeking.
#include "decoder/byte_input.h"
#include "decoder/frame_reader.h"
#include "decoder/frame_header.h"
#include "decoder/vbr_header.h"
#include "net/icy_metadata.h"
#include "net/stream.h"
#include "platform/file.h"

namespace korvo {

class Input : public ByteInput {
public:
    // 1 on success; nothing is left open on failure. A URL's bytes are saved as saving says.
    int openInput(const char* path, const StreamSaving& saving = StreamSaving{});
    void closeInput();
    bool isOpen() const { return file_.isOpen() || stream_.isOpen(); }
    // A stream that met its end: 1 when its transfer ended short or failed (HttpStream).
    int transferFault(char* text, int size) const { return isStream_ ? stream_.transferFault(text, size) : 0; }
    // A stream's station name (empty when none), and its song titles as their audio is read.
    // A station link's entry without a name of its own is called as its list calls it.
    const char* stationName() const;
    int nextStreamTitle(char* title, int size) { return isStream_ ? stream_.nextTitle(title, size) : 0; }
    // A stream that gave no frame: the message that says what it is instead (HttpStream).
    void describeNotMpeg(const char* url, char* text, int size) const { stream_.describeNotMpeg(url, text, size); }
    // The last open failed on a stream that is surely no MPEG audio (or an HLS list); the
    // user was told.
    bool refusedAsNotMpeg() const { return refused_; }
    // Who hears when a stream waits to reconnect (HttpStream::setNotice).
    void setStreamNotice(StreamNotice notice, void* context) { stream_.setNotice(notice, context); }

    // The first frame's header, when the file has one (kept by the caller while the file
    // is open): counts, time and seeking then follow it instead of the bitrate estimates.
    void setVbrHeader(const VbrHeader* vbr) { vbr_ = vbr; }

    int64_t totalFrames(const FrameHeader& h);
    int64_t elapsedSeconds(const FrameHeader& h);
    // Played time at frame index `frame` after a seek: counted in frames with a header,
    // else the estimate at the file position.
    int64_t playedMs(const FrameHeader& h, int64_t frame);
    // Jumps to frame index F; reads two frames through the reader and clears its bodies.
    // The header must come within kSeekWindow bytes of the estimate; otherwise the position
    // stays where it was.
    int seekToFrame(FrameReader& reader, FrameHeader& h, int64_t frame);
    static constexpr int kSeekWindow = FrameReader::kSearchWindow;

    // ByteInput
    int read(uint8_t* dst, int n) override;
    void stepBack(int n) override;
    bool isStream() const override { return isStream_; }

    int64_t position() { return file_.position(); }
    // Where the last successful seekToFrame found its header.
    int64_t lastSeekOffset() const { return seekOffset_; }
    static double frameBytes(const FrameHeader& h);

    // A station link's list is followed one level deep: an entry that answers with a list
    // again is passed over. Of a long list, at most this many entries are tried, and none is
    // begun once this long has passed (the decoder thread hears no stop meanwhile).
    static constexpr int kStationEntriesTried = 16;
    static constexpr int kStationTryMs = 30000;

private:
    File file_;
    HttpStream stream_;
    bool isStream_ = false;
    // Opens url; a station list in its place plays its first entry that opens (station_link.cpp).
    int openUrl(const char* url, const StreamSaving& saving);
    // Opens one URL and, when it may be a list, reads the body's first bytes, which read gives
    // back first.
    int openStreamHead(const char* url, const StreamSaving& saving);
    uint8_t head_[16];
    int headLen_ = 0;
    int headPos_ = 0;
    bool refused_ = false;    // the last open: its stream was refused, and the user told why
    char listedName_[kIcyTitleBytes] = {};
    int64_t seekOffset_ = -1;
    const VbrHeader* vbr_ = nullptr;
    // Where the audio starts, after a leading ID3v2 tag: counts, times and seeks start
    // there. Read once per file.
    int64_t audioStart();
    int64_t audioStart_ = -1;
    int64_t estimatedOffset(const FrameHeader& h, int64_t frame);
    int64_t openSize_ = 0;   // a local file's size when it was opened: reads end there
    // The search window plus one whole frame and the header after it.
    uint8_t seekBytes_[kSeekWindow + FrameReader::kBodyCapacity + 8];
};

} // namespace korvo
