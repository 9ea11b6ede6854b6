#pragma once
// The decoder thread: reads, decodes and outputs one file at a time, commanded by thread
// messages and reporting back through a notification the front end implements.
#include <cstdint>

#include "platform/prompt.h"
#include "platform/thread.h"

namespace korvo {

// Thread messages to the decoder thread.
constexpr uint32_t DTM_PLAY = 0x8100;
constexpr uint32_t DTM_PLAY_FILE = 0x8101;
constexpr uint32_t DTM_STOP = 0x8102;
constexpr uint32_t DTM_RELEASE_AUDIO = 0x8103;
constexpr uint32_t DTM_SEEK_PERCENT = 0x8104;
constexpr uint32_t DTM_PRIORITY_CHANGED = 0x8105;
// The user's answer to a question the thread asked (wParam: question number, lParam: 1 yes, 0 no).
constexpr uint32_t DTM_ANSWER = 0x8106;
// Jump by a time from what is heard now (lParam: signed milliseconds). Before the start is
// the start; at or past the end the file ends as if it had played out.
constexpr uint32_t DTM_SEEK_BY = 0x8107;

// Notifications from the decoder thread.
constexpr uint32_t DNM_ENDED = 0x8200;
constexpr uint32_t DNM_STARTED = 0x8201;
// A file could not be played (its input or the output could not be opened, a write
// failed); the user has been told. Not sent for a stop.
constexpr uint32_t DNM_FAILED = 0x8202;

// The front end's side of the notifications. Called on the decoder thread, which waits
// until notify returns (the Windows program sends the message to its main window); the
// handler must not wait for the decoder thread.
class DecoderListener {
public:
    virtual ~DecoderListener() = default;
    virtual void notify(uint32_t message) = 0;
    // A message for the user, from the decoder thread. Must not wait for the user (the
    // Windows program posts it to its user interface thread); the default shows it through
    // the process prompt.
    virtual void showMessage(const char* text, const char* title, PromptIcon icon) {
        prompt().show(text, title, icon);
    }
    // A question for the user. The answer goes back with postAnswer(question, yes, threadId),
    // now or later; meanwhile the thread keeps reading its queue, and a stop or quit ends the
    // wait as a "no". The default asks the process prompt at once.
    virtual void ask(int question, const char* text, const char* title, PromptIcon icon, long threadId) {
        postAnswer(question, prompt().askYesNo(text, title, icon), threadId);
    }
    static int postAnswer(int question, int yes, long threadId);
    // A stream that ended by itself, but short of its announced length or with a transfer
    // error; its file then ends as any other (DNM_ENDED follows). The player says nothing
    // and plays what arrived.
    virtual void transferFault(const char* /*path*/, const char* /*why*/) {}
    // A radio station's name and song title (UTF-8), shown where the entry's name shows:
    // once after DNM_STARTED with the title empty when the station has a name, then at each
    // new title as its song begins to be read. Must not wait for the decoder thread.
    virtual void streamTitle(const char* /*station*/, const char* /*title*/) {}
    // A live stream broke off and waits to reconnect (true; "reconnecting…" shows in place of
    // the song), or plays again (false; the song shows again). Called on the download
    // thread; must not wait for the decoder thread.
    virtual void streamReconnecting(bool /*waiting*/) {}
};

struct DecoderStatus {
    int32_t playing = 0;
    int32_t sampleRate = 0;
    uint8_t layer = 0;
    uint16_t bitrateKbps = 0;
    int32_t infoValid = 0;
    int32_t percent = 0;
    int32_t totalMs = 0;   // the file's length; 0 when unknown (a stream)
};

// What the thread needs besides the settings record.
struct DecoderThreadSetup {
    DecoderListener* listener = nullptr;
    const float* eqLineGains = nullptr;     // 576 gains kept by the equalizer, or none
};

// Starts the thread; returns its identifier, or -1. thread receives the handle.
long startDecoderThread(const DecoderThreadSetup& setup, Thread& thread);
// Posts the quit message and waits up to waitMs; a thread that does not end is given up.
constexpr unsigned kDecoderStopWaitMs = 3000;
void stopDecoderThread(long threadId, Thread& thread, unsigned waitMs = kDecoderStopWaitMs);

// Each post returns 1, or 0 when the message could not be posted.
int postPlayFile(const char* path, long threadId);    // nullptr: play the current path again
int postStop(long threadId);
int postReleaseAudio(long threadId);
int postSeekPercent(int percent, long threadId);
int postSeekBy(int deltaMs, long threadId);
int postPriorityChanged(long threadId);

void getDecoderStatus(DecoderStatus& dst);

// The threshold in bytes at which the thread hands its PCM to the driver; the sound
// device driver derives its poll interval from it.
int currentWriteThreshold();

// Per sampling index (44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000 Hz).
extern const int kWriteThresholdBytes[9];
// DecoderPriority 0..5 to thread priorities.
extern const int kDecoderPriorityLevels[6];
int threadPriorityFor(int decoderPriority);

} // namespace korvo
