// What the stream does alike on both sides, over the part of it each side keeps (Download).
#include "net/stream.h"

#include "net/download.h"

namespace korvo {

int HttpStream::read(uint8_t* dst, int n) {
    Download* d = download();
    if (!d) return -1;
    // Whole reads, so that a header read never ends the stream for arriving in pieces.
    int have = 0;
    while (have < n) {
        int got = d->pipe.read(dst + have, n - have);
        if (got < 0) return have > 0 ? have : -1;
        if (got == 0) break;
        have += got;
    }
    return have;
}

int HttpStream::transferFault(char* text, int size) const {
    Download* d = download();
    return d ? d->record.fault(text, size) : 0;
}

void Download::deliver(const void* data, int n) {
    pipe.write(data, n);
    if (save.isOpen()) save.write(data, n);
    record.add(n);
}

bool Download::stopThread(Thread& thread) {
    pipe.closeRead();
    postThreadMessage(thread.id(), kMsgQuit, 0, 0);
    if (thread.join(kDownloadStopWaitMs)) return true;
    thread.abandon(1);
    return false;
}

} // namespace korvo
