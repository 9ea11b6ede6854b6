#include "first_frame.h"

#include "decoder/id3v2_extent.h"
#include "platform/file.h"

namespace korvo {

namespace {

// Reads a file forwards a byte at a time out of a small buffer.
class ByteScanner {
public:
    explicit ByteScanner(File& f) : file_(f) {}
    bool next(uint8_t& b) {
        if (pos_ == len_) {
            int n = file_.read(buf_, int(sizeof buf_));
            if (n <= 0) return false;
            len_ = n;
            pos_ = 0;
        }
        b = buf_[pos_++];
        return true;
    }

private:
    File& file_;
    uint8_t buf_[4096];
    int pos_ = 0;
    int len_ = 0;
};

// Finds the first frame header from the current position, within the search window;
// the first word may have any top bits, later words with sixteen leading ones are passed over.
bool findHeader(ByteScanner& in, uint32_t& word) {
    uint8_t b;
    word = 0;
    for (int i = 0; i < 4; ++i) {
        if (!in.next(b)) return false;
        word = (word << 8) | b;
    }
    if (FrameReader::isValidHeader(word)) return true;
    for (int searched = 0; searched < FrameReader::kSearchWindow && in.next(b); ++searched) {
        word = (word << 8) | b;
        if ((word >> 16) == 0xFFFFu) continue;
        if (FrameReader::isValidHeader(word)) return true;
    }
    return false;
}

} // namespace

int readFirstFrame(File& file, FirstFrame& frame) {
    frame.tagBytes = 0;
    frame.header = 0;
    frame.bodySize = 0;
    uint8_t head[kId3v2HeaderSize];
    if (file.seek(0, File::Begin) != 0) return -1;
    const int got = file.read(head, int(sizeof head));
    if (got < 4) return -1;
    Id3v2Extent tag;
    frame.tagBytes = parseId3v2Extent(head, got, tag) ? tag.totalSize() : 0;
    if (file.seek(frame.tagBytes, File::Begin) < 0) return 0;
    ByteScanner in(file);
    if (!findHeader(in, frame.header)) return 0;
    while (frame.bodySize < int(sizeof frame.body) && in.next(frame.body[frame.bodySize])) ++frame.bodySize;
    return 1;
}

} // namespace korvo
