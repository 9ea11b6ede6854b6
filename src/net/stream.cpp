// What the stream does alike on both sides, over the part of it each side keeps (Download).
#include "net/stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/download.h"
#include "net/net_texts.h"
#include "net/not_mpeg_types.h"
#include "net/station_list.h"
#include "platform/prompt.h"

namespace korvo {

namespace {

// value without leading and trailing blanks and line ends, into dst.
void copyTrimmed(const char* value, char* dst, size_t size) {
    while (*value == ' ' || *value == '\t') ++value;
    size_t len = std::strlen(value);
    while (len > 0 && std::strchr(" \t\r\n", value[len - 1])) --len;
    if (len >= size) len = size - 1;
    std::memcpy(dst, value, len);
    dst[len] = 0;
}

} // namespace

int HttpStream::read(uint8_t* dst, int n) {
    Download* d = download();
    if (!d) return -1;
    // Whole reads, so that a header read never ends the stream for arriving in pieces.
    int have = 0;
    while (have < n) {
        int got = d->pipe.read(dst + have, n - have);
        if (got < 0) {
            have = have > 0 ? have : -1;
            break;
        }
        if (got == 0) break;
        have += got;
        d->readBytes += got;    // counted at once: a read that waits for the rest has read this
    }
    // The first bytes tell what a stream is when no frame comes.
    for (int i = 0; i < have && d->headLen < int(sizeof d->head); ++i) d->head[d->headLen++] = dst[i];
    return have;
}

int HttpStream::transferFault(char* text, int size) const {
    Download* d = download();
    return d ? d->record.fault(text, size) : 0;
}

bool HttpStream::mayBeList() const {
    Download* d = download();
    return d && answerMayBeStationList(d->answer.contentType);
}

bool HttpStream::bodyIsList() const {
    Download* d = download();
    return d && d->listBody.load();
}

const char* HttpStream::stationName() const {
    Download* d = download();
    return d ? d->answer.stationName : "";
}

int HttpStream::nextTitle(char* title, int size) {
    Download* d = download();
    return d ? d->titles.pop(d->readBytes.load(), title, size) : 0;
}

void HttpStream::describeNotMpeg(const char* url, char* text, int size) const {
    Download* d = download();
    const char* kind = net_texts::kUnknownKind;
    char type[sizeof StreamAnswer::contentType];
    if (d) {
        const char* known = nullptr;
        for (int i = 0; i < kNotMpegMagicCount && !known; ++i) {
            const NotMpegMagic& m = kNotMpegMagics[i];
            if (d->headLen >= m.length && std::memcmp(d->head, m.bytes, size_t(m.length)) == 0) known = m.kind;
        }
        // An ADTS header: the sync word of MPEG audio, but layer bits no layer has.
        if (!known && d->headLen >= 2 && d->head[0] == 0xFF && (d->head[1] & 0xF6) == 0xF0) known = "AAC";
        if (known) {
            kind = known;
        } else if (d->answer.contentType[0]) {
            copyTrimmed(d->answer.contentType, type, sizeof type);
            type[std::strcspn(type, "; ")] = 0;
            if (type[0]) kind = type;
        }
    }
    formatNotMpeg(kind, url, text, size);
}

void formatNotMpeg(const char* kind, const char* url, char* text, int size) {
    if (size > 0) std::snprintf(text, size_t(size), net_texts::kNotMpeg, kind, url);
}

bool HttpStream::refuseNotMpeg(const char* url, const Download& d) {
    const char* type = notMpegContentType(d.answer.contentType);
    refusedAsNotMpeg_ = type != nullptr;
    if (!type) return false;
    char shown[sizeof StreamAnswer::contentType];
    copyTrimmed(d.answer.contentType, shown, sizeof shown);
    shown[std::strcspn(shown, "; ")] = 0;
    char text[kStreamErrorTextBytes];
    formatNotMpeg(shown, url, text, int(sizeof text));
    prompt().show(text, net_texts::kUrlErrorTitle, IconError);
    return true;
}

const char* notMpegContentType(const char* contentType) {
    return contentTypeIn(contentType, kNotMpegContentTypes, kNotMpegContentTypeCount);
}

void noteAnswerHeader(StreamAnswer& answer, const char* name, const char* value) {
    const size_t n = std::strlen(name);
    auto is = [&](const char* key) { return std::strlen(key) == n && sameNoCase(name, key, n); };
    if (is("content-type")) {
        copyTrimmed(value, answer.contentType, sizeof answer.contentType);
    } else if (is("icy-name")) {
        char raw[kIcyTitleBytes];
        copyTrimmed(value, raw, sizeof raw);
        // The same rule as a title's text: UTF-8 or Latin-1, no control characters.
        if (!icyText(reinterpret_cast<const uint8_t*>(raw), int(std::strlen(raw)), answer.stationName,
                     int(sizeof answer.stationName)))
            answer.stationName[0] = 0;
    } else if (is("icy-metaint")) {
        char* end = nullptr;
        const long v = std::strtol(value, &end, 10);
        // A block after every byte or after more than a megabyte is no station's.
        answer.metaint = end != value && v > 0 && v <= (1L << 20) ? int(v) : 0;
    }
}

void TitleQueue::push(int64_t offset, const char* title) {
    std::lock_guard<std::mutex> lock(m_);
    if (count_ == kCapacity) {
        first_ = (first_ + 1) % kCapacity;
        --count_;
    }
    Item& item = items_[(first_ + count_) % kCapacity];
    item.offset = offset;
    std::snprintf(item.title, sizeof item.title, "%s", title);
    ++count_;
}

int TitleQueue::pop(int64_t read, char* title, int size) {
    std::lock_guard<std::mutex> lock(m_);
    if (count_ == 0 || items_[first_].offset > read) return 0;
    if (size > 0) std::snprintf(title, size_t(size), "%s", items_[first_].title);
    first_ = (first_ + 1) % kCapacity;
    --count_;
    return 1;
}

void Download::onTitle(void* self, const char* title, int audioBefore) {
    auto* d = static_cast<Download*>(self);
    d->titles.push(d->delivered_ + audioBefore, title);
}

void Download::openSave(const char* url, const StreamSaving& saving) {
    listNamed_ = urlNamesStationList(url);
    save.open(url, saving);
}

void Download::deliver(const void* data, int n) {
    record.add(n);
    const auto* in = static_cast<const uint8_t*>(data);
    if (!bodySeen_ && n > 0) {
        bodySeen_ = true;
        if (answerIsStationList(answer.contentType, listNamed_, in, n)) {
            listBody.store(true);
            save.drop();
        }
    }
    // In pieces of the own buffer: the metadata leaves the audio no longer than it came.
    while (n > 0) {
        const int piece = n < int(sizeof audio_) ? n : int(sizeof audio_);
        const int audio = icy_.take(in, piece, audio_, &Download::onTitle, this);
        in += piece;
        n -= piece;
        if (audio <= 0) continue;
        pipe.write(audio_, audio);
        if (save.isOpen()) save.write(audio_, audio);
        delivered_ += audio;
    }
}

bool Download::stopThread(Thread& thread) {
    pipe.closeRead();
    postThreadMessage(thread.id(), kMsgQuit, 0, 0);
    if (thread.join(kDownloadStopWaitMs)) return true;
    thread.abandon(1);
    return false;
}

} // namespace korvo
