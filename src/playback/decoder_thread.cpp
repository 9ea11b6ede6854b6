#include "decoder_thread.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

#include "settings/settings.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "decoder/frame_tables.h"
#include "input.h"
#include "net/icy_metadata.h"
#include "net/net_texts.h"
#include "output_driver.h"
#include "platform/prompt.h"
#include "playback_texts.h"
#include "playlist/replay_gain.h"

namespace korvo {

namespace {

// The one pending path of DTM_PLAY_FILE; a second post before the thread took the first
// overwrites it, and both messages then play the latest path. Written and copied under
// the lock, so the thread never takes a torn path.
char gSharedPath[kPathCapacity];
std::atomic_flag gSharedPathLock = ATOMIC_FLAG_INIT;

struct SharedPathLock {
    SharedPathLock() {
        while (gSharedPathLock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~SharedPathLock() { gSharedPathLock.clear(std::memory_order_release); }
};

std::atomic<int> gWriteThreshold{16384};

// Written by the decoder thread, copied by the user interface without a lock; a copy may
// mix fields of two updates.
struct SharedStatus {
    std::atomic<int32_t> playing{0};
    std::atomic<int32_t> sampleRate{0};
    std::atomic<int32_t> layer{0};
    std::atomic<int32_t> bitrateKbps{0};
    std::atomic<int32_t> infoValid{0};
    std::atomic<int32_t> percent{0};
    std::atomic<int32_t> totalMs{0};
} gStatus;

// The thread's stack: the decoder's state lives on the heap, so the Windows program keeps
// its small stack; elsewhere the thread gets room for the C library and the sanitizers.
#ifdef _WIN32
constexpr unsigned kStackSize = 16384;
#else
constexpr unsigned kStackSize = 1u << 20;
#endif

class DecoderThread;

// The decoder thread's own prompt: its messages and questions go to the front end, which
// shows them on its own thread; the decoder thread never waits in a box of its own.
class ListenerPrompt : public Prompt {
public:
    explicit ListenerPrompt(DecoderThread& owner) : owner_(owner) {}
    void show(const char* text, const char* title, PromptIcon icon) override;
    int askYesNo(const char* text, const char* title, PromptIcon icon) override;

private:
    DecoderThread& owner_;
};

class DecoderThread {
public:
    explicit DecoderThread(const DecoderThreadSetup& setup) : setup_(setup), prompt_(*this) {}

    unsigned run();
    std::atomic<int> ready{0};

    void showMessage(const char* text, const char* title, PromptIcon icon);
    int ask(const char* text, const char* title, PromptIcon icon);

private:
    enum class Outcome { Ended, Stopped, Failed, Quit };
    // Messages that arrived while a question waited for its answer, in order.
    static constexpr int kDeferredLimit = 64;

    // The next message: a deferred one first, then the queue (waiting when wait is set).
    // 0 when there is none (only without waiting).
    int nextMessage(ThreadMessage& msg, bool wait);
    void defer(const ThreadMessage& msg);
    bool deferredHoldsEnd() const;
    // Whether a stop or quit waits behind the current message (the queue is read into the
    // deferred ones as far as they have room). A play request it supersedes is dropped: it
    // would open the file, tell the window and end before its first frame, and a burst of
    // Play and Stop would leave the thread working through them long after the last one.
    bool endQueued();
    // The frame reader's long search after lost step goes on while no stop or quit waits.
    static bool searchGoesOn(void* self) { return !static_cast<DecoderThread*>(self)->endQueued(); }
    static void onReconnect(void* self, int waiting) {
        auto* t = static_cast<DecoderThread*>(self);
        if (t->setup_.listener) t->setup_.listener->streamReconnecting(waiting != 0);
    }
    // A message while playing: true when it ends the file, with the outcome.
    bool playingMessage(const ThreadMessage& msg, Outcome& outcome);
    void takeSharedPath();

    void applyPriority(int value);
    void releaseAudio(int reset);
    // false when WM_QUIT arrived while playing.
    bool playFile();
    Outcome frameLoop();
    bool configure(const FrameHeader& h);
    void seek(int percent);
    // false when the jump reached the end of the file.
    bool seekBy(int deltaMs);
    // Goes on from frame, as near as the input finds it, with the queued sound dropped; the
    // caller sets the played time. 0 when the input could not go there (nothing changed).
    int jumpTo(int64_t frame);
    int64_t samplesPerFrame() const;
    // The start of a frame in milliseconds, at the current header's rate.
    int64_t frameMs(int64_t frame) const;
    void notify(uint32_t message) {
        if (setup_.listener) setup_.listener->notify(message);
    }
    void shutdown();
    // The stream's song titles whose audio has been read, to the listener in order.
    void reportTitles();
    // A stopped file's end: the device flushed and closed, the PCM below the threshold dropped.
    void discardOutput();
    // Closes with reset for a change of format. The previous file's tail below the
    // threshold goes to the old output first: it must not open the next format's output.
    void closeOutput();

    DecoderThreadSetup setup_;
    ListenerPrompt prompt_;
    ThreadMessage deferred_[kDeferredLimit];
    int deferredCount_ = 0;
    int question_ = 0;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Input> input_;
    char path_[kPathCapacity] = {};
    int system_ = 0;
    int eqVolume_ = 0;
    int priority_ = 0;
    int eightBitSetting_ = 0;
    int openRate_ = 0;
    int eightBit_ = 0;
    int64_t frames_ = 0;
    int64_t totalFrames_ = 0;
    int writeThreshold_ = 16384;
};

void DecoderThread::applyPriority(int value) {
    priority_ = value;
    setCurrentThreadPriority(threadPriorityFor(value));
}

void DecoderThread::releaseAudio(int reset) {
    OutputDriver& out = outputDriver();
    // The last file's tail below the threshold still belongs to it: hand it over before
    // the queued audio plays out, or the list would end up to one threshold short.
    PcmBuffer& pcm = decoder_->pcm();
    if (!reset && out.isOpen() && pcm.fill > 0) out.write(pcm.fill, pcm.data);
    out.close(reset);
    if (!out.shutdown()) prompt().show(texts::kShutdownError, texts::kErrorTitle, IconError);
    openRate_ = 0;
    decoder_->pcm().fill = 0;
}

void DecoderThread::closeOutput() {
    OutputDriver& out = outputDriver();
    PcmBuffer& pcm = decoder_->pcm();
    if (out.isOpen() && pcm.fill > 0) out.write(pcm.fill, pcm.data);
    pcm.fill = 0;
    out.close(1);
    openRate_ = 0;
}

void ListenerPrompt::show(const char* text, const char* title, PromptIcon icon) { owner_.showMessage(text, title, icon); }

int ListenerPrompt::askYesNo(const char* text, const char* title, PromptIcon icon) { return owner_.ask(text, title, icon); }

// Takes the thread's own prompt away while the front end is called, so that a front end
// which shows the text through the prompt reaches the process prompt and not this one.
struct WithoutThreadPrompt {
    explicit WithoutThreadPrompt(Prompt* restore) : restore_(restore) { setThreadPrompt(nullptr); }
    ~WithoutThreadPrompt() { setThreadPrompt(restore_); }
    Prompt* restore_;
};

void DecoderThread::showMessage(const char* text, const char* title, PromptIcon icon) {
    WithoutThreadPrompt plain(&prompt_);
    if (setup_.listener) setup_.listener->showMessage(text, title, icon);
    else prompt().show(text, title, icon);
}

int DecoderThread::ask(const char* text, const char* title, PromptIcon icon) {
    const int question = ++question_;
    {
        WithoutThreadPrompt plain(&prompt_);
        if (!setup_.listener) return prompt().askYesNo(text, title, icon);
        setup_.listener->ask(question, text, title, icon, currentThreadId());
    }
    // The queue is read on while the answer is awaited: a stop or quit ends the wait as a
    // "no" and is acted on after it; everything else waits its turn.
    for (;;) {
        ThreadMessage msg;
        getThreadMessage(msg);
        if (msg.message == DTM_ANSWER) {
            if (int(msg.wParam) == question) return msg.lParam ? 1 : 0;
            continue;    // the answer to an earlier question
        }
        defer(msg);
        if (msg.message == DTM_STOP || msg.message == kMsgQuit) return 0;
    }
}

void DecoderThread::defer(const ThreadMessage& msg) {
    const bool ends = msg.message == DTM_STOP || msg.message == kMsgQuit;
    // The last place is kept for the stop or quit that ends the wait.
    if (deferredCount_ >= kDeferredLimit - (ends ? 0 : 1)) return;
    deferred_[deferredCount_++] = msg;
}

bool DecoderThread::endQueued() {
    ThreadMessage msg;
    while (deferredCount_ < kDeferredLimit - 1 && peekThreadMessage(msg)) deferred_[deferredCount_++] = msg;
    return deferredHoldsEnd();
}

bool DecoderThread::deferredHoldsEnd() const {
    for (int i = 0; i < deferredCount_; ++i)
        if (deferred_[i].message == DTM_STOP || deferred_[i].message == kMsgQuit) return true;
    return false;
}

int DecoderThread::nextMessage(ThreadMessage& msg, bool wait) {
    if (deferredCount_ > 0) {
        msg = deferred_[0];
        for (int i = 1; i < deferredCount_; ++i) deferred_[i - 1] = deferred_[i];
        --deferredCount_;
        return 1;
    }
    if (wait) {
        getThreadMessage(msg);
        return 1;
    }
    return peekThreadMessage(msg);
}

void DecoderThread::takeSharedPath() {
    SharedPathLock lock;
    std::memcpy(path_, gSharedPath, sizeof path_);
    path_[kPathCapacity - 1] = 0;
}

unsigned DecoderThread::run() {
    ensureThreadQueue();
    setThreadPrompt(&prompt_);
    Settings& s = settings();
    applyPriority(sharedValue(s.DecoderPriority));
    system_ = sharedValue(s.AudioOutputSystem);
    selectOutputDriver(system_);
    eqVolume_ = sharedValue(s.EqVolume);
    outputDriver().setVolume(eqVolume_ * 4);
    eightBitSetting_ = sharedValue(s.AudioOutput8Bit);
    decoder_ = std::make_unique<Decoder>();     // its PCM buffer lives as long as the thread
    decoder_->reader().setSearchCheck(&DecoderThread::searchGoesOn, this);
    decoder_->reader().setPrompt(&prompt_);
    input_ = std::make_unique<Input>();
    input_->setStreamNotice(&DecoderThread::onReconnect, this);
    path_[0] = 0;
    ready.store(1);

    ThreadMessage msg;
    while (nextMessage(msg, true) && msg.message != kMsgQuit) {
        switch (msg.message) {
        case DTM_PLAY_FILE:
            if (msg.lParam) takeSharedPath();
            [[fallthrough]];
        case DTM_PLAY:
            if (endQueued()) {
                discardOutput();   // what its stop would have done: the previous file's tail goes
                break;
            }
            if (!playFile()) {
                shutdown();
                return 1;
            }
            break;
        case DTM_RELEASE_AUDIO:
            releaseAudio(int(msg.lParam));
            break;
        case DTM_PRIORITY_CHANGED: {
            int p = sharedValue(s.DecoderPriority);
            if (p != priority_) applyPriority(p);
            break;
        }
        default:
            break;    // stop, seek and anything else mean nothing while idle
        }
    }
    shutdown();
    return 1;
}

void DecoderThread::shutdown() {
    input_->closeInput();
    OutputDriver& out = outputDriver();
    if (out.isOpen()) out.close(1);
    out.shutdown();
    decoder_.reset();
    input_.reset();
    setThreadPrompt(nullptr);
}

bool DecoderThread::playFile() {
    Settings& s = settings();
    eightBit_ = 0;
    frames_ = 0;
    totalFrames_ = 0;

    int system = sharedValue(s.AudioOutputSystem);
    if (system != system_) {
        closeOutput();
        system_ = system;
        selectOutputDriver(system_);
        openRate_ = 0;
    }
    OutputDriver& out = outputDriver();
    if (!out.init()) {
        // Nothing to tell the user beyond the driver's own word, but the caller must not
        // wait for this file.
        notify(DNM_FAILED);
        return true;
    }
    int volume = sharedValue(s.EqVolume);
    if (volume != eqVolume_) {
        eqVolume_ = volume;
        out.setVolume(eqVolume_ * 4);
    }
    int eightBitSetting = sharedValue(s.AudioOutput8Bit);
    if (eightBitSetting) {
        Synthesis::buildEightBitTable();
        eightBit_ = 1;
    }
    if (eightBitSetting != eightBitSetting_) {
        // The open output has the other sample width: reopen at the first frame.
        closeOutput();
        openRate_ = 0;
        eightBitSetting_ = eightBitSetting;
    }

    // The saving settings as they stand now go with the stream; the download reads no settings.
    char saveFolder[kSettingsDirSize];
    copySharedText(s.InternetDLDir, saveFolder, sizeof saveFolder);
    const StreamSaving saving{sharedValue(s.DownloadOption) == 1, saveFolder};
    if (!input_->openInput(path_, saving)) {
        // A stream refused for its type has said so in its one message.
        if (input_->refusedAsNotMpeg()) {
            notify(DNM_FAILED);
            return true;
        }
        char text[kPathCapacity + 64];
        std::snprintf(text, sizeof text, texts::kCouldNotOpenFile, path_);
        prompt().show(text, texts::kDecoderErrorTitle, IconError);
        notify(DNM_FAILED);
        return true;
    }

    out.setPlayedTime(0);
    gStatus.totalMs.store(0);
    notify(DNM_STARTED);
    if (input_->isStream() && input_->stationName()[0] && setup_.listener)
        setup_.listener->streamTitle(input_->stationName(), "");
    decoder_->options.gapless = sharedValue(s.GaplessPlayback);
    decoder_->options.gainFactor = replayGainFactorOf(path_, input_->isStream(), replayGainChoiceFromSettings());
    decoder_->startFile(input_.get(), eightBit_ != 0);

    Outcome outcome = frameLoop();

    char fault[kStreamErrorTextBytes];
    const bool transferFault = outcome == Outcome::Ended && input_->transferFault(fault, int(sizeof fault));
    // A stream that ended without a single frame is something else: it says what, once, and
    // fails like a file that cannot be played.
    if (outcome == Outcome::Ended && frames_ == 0 && input_->isStream() && !transferFault) {
        char text[kStreamErrorTextBytes];
        input_->describeNotMpeg(path_, text, int(sizeof text));
        prompt().show(text, net_texts::kUrlErrorTitle, IconError);
        outcome = Outcome::Failed;
    }
    input_->closeInput();
    gStatus.percent.store(100);
    gStatus.playing.store(0);
    if (outcome == Outcome::Quit) return false;
    if (outcome == Outcome::Stopped || outcome == Outcome::Failed) {
        sleepMs(10);
        discardOutput();
        if (outcome == Outcome::Failed) notify(DNM_FAILED);
    } else {
        // The output stays open and the PCM below the threshold stays in the buffer, so
        // the next file of this rate continues without a gap.
        decoder_->endFile();
        if (transferFault && setup_.listener) setup_.listener->transferFault(path_, fault);
        notify(DNM_ENDED);
    }
    return true;
}

void DecoderThread::reportTitles() {
    char title[kIcyTitleBytes];
    while (input_->nextStreamTitle(title, int(sizeof title)))
        if (setup_.listener) setup_.listener->streamTitle(input_->stationName(), title);
}

void DecoderThread::discardOutput() {
    OutputDriver& out = outputDriver();
    out.flush();
    decoder_->pcm().fill = 0;
    if (out.isOpen()) out.close(1);
    openRate_ = 0;
}

bool DecoderThread::configure(const FrameHeader& h) {
    totalFrames_ = input_->totalFrames(h);
    gStatus.layer.store(h.layer);
    gStatus.bitrateKbps.store(frameBitrateKbps(h));
    gStatus.infoValid.store(1);
    gStatus.playing.store(1);
    int index = (h.samplingIndex >= 0 && h.samplingIndex < 9) ? h.samplingIndex : 0;
    writeThreshold_ = kWriteThresholdBytes[index];
    if (eightBit_) writeThreshold_ /= 2;
    gWriteThreshold.store(writeThreshold_);
    int rate = frameSampleRate(h);
    const int64_t samples = h.layer == 1 ? 384 : h.layer == 3 && h.lsf ? 576 : 1152;
    const int64_t totalMs = rate > 0 ? totalFrames_ * samples * 1000 / rate : 0;
    gStatus.totalMs.store(totalMs > INT32_MAX ? INT32_MAX : int32_t(totalMs));

    OutputDriver& out = outputDriver();
    bool needOpen = !out.isOpen();
    if (!needOpen && rate != openRate_) {
        closeOutput();
        needOpen = true;
    }
    if (needOpen) {
        if (!out.open(rate, 2, eightBit_)) return false;
        openRate_ = rate;
        out.setVolume(eqVolume_ * 4);
    }
    gStatus.sampleRate.store(openRate_);
    return true;
}

DecoderThread::Outcome DecoderThread::frameLoop() {
    Settings& s = settings();
    OutputDriver& out = outputDriver();
    Decoder& dec = *decoder_;
    PcmBuffer& pcm = dec.pcm();
    bool first = true;
    Outcome outcome = Outcome::Ended;
    for (;;) {
        // Everything queued counts before the next frame. Taken one a frame, a backlog of
        // requests (a user hammering Play and Stop) outgrows the thread: each stopped play
        // would still open the device, and the last Play would sound only minutes later.
        ThreadMessage msg;
        while (nextMessage(msg, false))
            if (playingMessage(msg, outcome)) return outcome;
        if (!dec.readFrame()) {
            // A stop or quit that ended a question, or one that ended a stream's wait to
            // reconnect: it, and what came before it, count now.
            while (endQueued()) {
                nextMessage(msg, false);
                if (playingMessage(msg, outcome)) return outcome;
            }
            return Outcome::Ended;
        }
        FrameHeader& h = dec.header();
        if (first) {
            const VbrHeader& vbr = dec.vbrHeader();
            input_->setVbrHeader(vbr.present ? &vbr : nullptr);
        }
        if (first || h.headerChanged) {
            if (!configure(h)) return Outcome::Failed;
            first = false;
        }
        dec.options.mappingMode = sharedValue(s.MappingMode);
        dec.options.eqEnabled = sharedValue(s.EqEnabled);
        dec.options.eqLineGains = setup_.eqLineGains ? setup_.eqLineGains : eqLineGains();
        dec.decodeFrame();
        if (input_->isStream()) reportTitles();

        const int ready = dec.writableBytes();
        if (ready >= writeThreshold_) {
            int n = out.write(ready, pcm.data);
            // A failed write (the WAV file's) is no byte count: the driver has told the
            // user, and the file ends as if stopped.
            if (n < 0) return Outcome::Failed;
            pcm.consume(n < ready ? n : ready);
        }

        int volume = sharedValue(s.EqVolume);
        if (volume != eqVolume_) {
            eqVolume_ = volume;
            out.setVolume(eqVolume_ * 4);
        }
        int priority = sharedValue(s.DecoderPriority);
        if (priority != priority_) applyPriority(priority);

        // The count is an estimate (a VBR file's, from the current bitrate): never past 100.
        double share = totalFrames_ > 0 ? double(frames_) / double(totalFrames_) * 100.0 : 0.0;
        gStatus.percent.store(share > 100.0 ? 100 : int(share));
        ++frames_;
    }
}

bool DecoderThread::playingMessage(const ThreadMessage& msg, Outcome& outcome) {
    if (msg.message == kMsgQuit) {
        outcome = Outcome::Quit;
        return true;
    }
    if (msg.message == DTM_STOP) {
        outcome = Outcome::Stopped;
        return true;
    }
    if (msg.message == DTM_SEEK_PERCENT) seek(int(msg.lParam));
    if (msg.message == DTM_SEEK_BY && !seekBy(int(msg.lParam))) {
        outcome = Outcome::Ended;
        return true;
    }
    // anything else (a play request among them) is dropped while playing
    return false;
}

void DecoderThread::seek(int percent) {
    FrameHeader& h = decoder_->header();
    // In single precision throughout, as the percentages have always been turned into frames.
    int64_t frame = int64_t(float(totalFrames_) * float(percent) * 0.01f);
    if (jumpTo(frame)) outputDriver().setPlayedTime(input_->playedMs(h, frame));
}

int DecoderThread::jumpTo(int64_t frame) {
    if (!input_->seekToFrame(decoder_->reader(), decoder_->header(), frame)) return 0;
    PcmBuffer& pcm = decoder_->pcm();
    std::memset(pcm.data, 0, size_t(writeThreshold_));
    pcm.fill = 0;
    OutputDriver& out = outputDriver();
    out.flush();
    decoder_->seeked();
    frames_ = frame;
    return 1;
}

int64_t DecoderThread::samplesPerFrame() const {
    const FrameHeader& h = decoder_->header();
    return h.layer == 1 ? 384 : h.layer == 3 && h.lsf ? 576 : 1152;
}

int64_t DecoderThread::frameMs(int64_t frame) const {
    const int rate = frameSampleRate(decoder_->header());
    return rate > 0 ? frame * samplesPerFrame() * 1000 / rate : 0;
}

bool DecoderThread::seekBy(int deltaMs) {
    const int rate = frameSampleRate(decoder_->header());
    if (totalFrames_ <= 0 || rate <= 0) return true;   // a stream: no place to go to
    // From what is heard; an output that keeps no time (the WAV file) has only the read position.
    int64_t heardMs = outputDriver().getPlayedTime();
    if (heardMs <= 0) heardMs = frameMs(frames_);
    int64_t targetMs = heardMs + deltaMs;
    if (targetMs < 0) targetMs = 0;
    const int64_t frame = targetMs * rate / (samplesPerFrame() * 1000);
    // The input finds no frame in the last few of the file: that far is the end.
    constexpr int64_t kUnreachableTail = 8;
    if (frame < totalFrames_ && jumpTo(frame)) {
        outputDriver().setPlayedTime(frameMs(frame));
        return true;
    }
    if (frame < totalFrames_ - kUnreachableTail) return true;   // the input lost its way: stay
    // The end: what is queued goes, and the file ends as if it had played out.
    decoder_->pcm().fill = 0;
    outputDriver().flush();
    frames_ = totalFrames_;
    return false;
}

unsigned threadMain(void* param) {
    std::unique_ptr<DecoderThread> self(static_cast<DecoderThread*>(param));
    return self->run();
}

} // namespace

int threadPriorityFor(int decoderPriority) {
    if (decoderPriority < 0 || decoderPriority > 5) return PriorityNormal;
    return kDecoderPriorityLevels[decoderPriority];
}

long startDecoderThread(const DecoderThreadSetup& setup, Thread& thread) {
    auto* worker = new DecoderThread(setup);
    std::atomic<int>* ready = &worker->ready;
    long id = thread.start(&threadMain, worker, kStackSize);
    if (id == -1) {
        delete worker;
        return -1;
    }
    // Posts made right after the start must find the thread's queue.
    while (!ready->load() && thread.running()) sleepMs(1);
    return id;
}

void stopDecoderThread(long threadId, Thread& thread, unsigned waitMs) {
    postThreadMessage(threadId, kMsgQuit, 0, 0);
    interruptStreamReconnect();
    if (!thread.join(waitMs)) thread.abandon(unsigned(-1));
}

int DecoderListener::postAnswer(int question, int yes, long threadId) {
    return postThreadMessage(threadId, DTM_ANSWER, uintptr_t(question), yes ? 1 : 0);
}

int postPlayFile(const char* path, long threadId) {
    if (!path) return postThreadMessage(threadId, DTM_PLAY, 0, 0);
    SharedPathLock lock;
    std::strncpy(gSharedPath, path, kPathCapacity - 1);
    gSharedPath[kPathCapacity - 1] = 0;
    return postThreadMessage(threadId, DTM_PLAY_FILE, 0, reinterpret_cast<intptr_t>(gSharedPath));
}

// The thread may be waiting on a stream's pipe for a reconnect, deaf to its queue: that wait
// ends too.
int postStop(long threadId) {
    const int posted = postThreadMessage(threadId, DTM_STOP, 0, 0);
    interruptStreamReconnect();
    return posted;
}

int postReleaseAudio(long threadId) { return postThreadMessage(threadId, DTM_RELEASE_AUDIO, 0, 0); }

int postSeekPercent(int percent, long threadId) { return postThreadMessage(threadId, DTM_SEEK_PERCENT, 0, percent); }

int postSeekBy(int deltaMs, long threadId) { return postThreadMessage(threadId, DTM_SEEK_BY, 0, deltaMs); }

int postPriorityChanged(long threadId) { return postThreadMessage(threadId, DTM_PRIORITY_CHANGED, 0, 0); }

void getDecoderStatus(DecoderStatus& dst) {
    dst.playing = gStatus.playing.load(std::memory_order_relaxed);
    dst.sampleRate = gStatus.sampleRate.load(std::memory_order_relaxed);
    dst.layer = uint8_t(gStatus.layer.load(std::memory_order_relaxed));
    dst.bitrateKbps = uint16_t(gStatus.bitrateKbps.load(std::memory_order_relaxed));
    dst.infoValid = gStatus.infoValid.load(std::memory_order_relaxed);
    dst.percent = gStatus.percent.load(std::memory_order_relaxed);
    dst.totalMs = gStatus.totalMs.load(std::memory_order_relaxed);
}

int currentWriteThreshold() { return gWriteThreshold.load(std::memory_order_relaxed); }

} // namespace korvo
