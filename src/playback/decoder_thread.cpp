#include "decoder_thread.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/settings.h"
#include "decoder/decoder.h"
#include "decoder/equalizer.h"
#include "decoder/frame_tables.h"
#include "input.h"
#include "output_driver.h"
#include "platform/prompt.h"
#include "playback_texts.h"

namespace korvo {

namespace {

// The one pending path of DTM_PLAY_FILE; a second post before the thread took the first
// overwrites it, and both messages then play the latest path.
char gSharedPath[kPathSize];

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
} gStatus;

// The thread's stack: the decoder's state lives on the heap, so the Windows program keeps
// its small stack; elsewhere the thread gets room for the C library and the sanitizers.
#ifdef _WIN32
constexpr unsigned kStackSize = 16384;
#else
constexpr unsigned kStackSize = 1u << 20;
#endif

// Settings the thread polls; single aligned values written by the user interface thread.
int settingValue(const int& field) { return std::atomic_ref<int>(const_cast<int&>(field)).load(std::memory_order_relaxed); }

class DecoderThread {
public:
    explicit DecoderThread(const DecoderThreadSetup& setup) : setup_(setup) {}

    unsigned run();
    std::atomic<int> ready{0};

private:
    enum class Outcome { Ended, Stopped, Quit };

    void applyPriority(int value);
    void releaseAudio(int reset);
    // false when WM_QUIT arrived while playing.
    bool playFile();
    Outcome frameLoop();
    bool configure(const FrameHeader& h);
    void seek(int percent);
    void notify(uint32_t message) {
        if (setup_.listener) setup_.listener->notify(message);
    }
    void shutdown();
    // Closes with reset for a change of format. The previous file's tail below the
    // threshold goes to the old output first: it must not open the next format's output.
    void closeOutput();

    DecoderThreadSetup setup_;
    std::unique_ptr<Decoder> decoder_;
    std::unique_ptr<Input> input_;
    char path_[kPathSize] = {};
    int system_ = 0;
    int eqVolume_ = 0;
    int priority_ = 0;
    int eightBitSetting_ = 0;
    int openRate_ = 0;
    int eightBit_ = 0;
    int frames_ = 0;
    int totalFrames_ = 0;
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

unsigned DecoderThread::run() {
    ensureThreadQueue();
    Settings& s = settings();
    applyPriority(settingValue(s.DecoderPriority));
    system_ = settingValue(s.AudioOutputSystem);
    selectOutputDriver(system_);
    eqVolume_ = settingValue(s.EqVolume);
    outputDriver().setVolume(eqVolume_ * 4);
    eightBitSetting_ = settingValue(s.AudioOutput8Bit);
    decoder_ = std::make_unique<Decoder>();     // its PCM buffer lives as long as the thread
    input_ = std::make_unique<Input>();
    path_[0] = 0;
    ready.store(1);

    ThreadMessage msg;
    while (getThreadMessage(msg)) {
        switch (msg.message) {
        case DTM_PLAY_FILE: {
            const char* src = reinterpret_cast<const char*>(msg.lParam);
            if (src) {
                std::strncpy(path_, src, kPathSize - 1);
                path_[kPathSize - 1] = 0;
            }
            if (!playFile()) {
                shutdown();
                return 1;
            }
            break;
        }
        case DTM_PLAY:
            if (!playFile()) {
                shutdown();
                return 1;
            }
            break;
        case DTM_RELEASE_AUDIO:
            releaseAudio(int(msg.lParam));
            break;
        case DTM_PRIORITY_CHANGED: {
            int p = settingValue(s.DecoderPriority);
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
}

bool DecoderThread::playFile() {
    Settings& s = settings();
    eightBit_ = 0;
    frames_ = 0;
    totalFrames_ = 0;

    int system = settingValue(s.AudioOutputSystem);
    if (system != system_) {
        closeOutput();
        system_ = system;
        selectOutputDriver(system_);
        openRate_ = 0;
    }
    OutputDriver& out = outputDriver();
    if (!out.init()) return true;
    int volume = settingValue(s.EqVolume);
    if (volume != eqVolume_) {
        eqVolume_ = volume;
        out.setVolume(eqVolume_ * 4);
    }
    int eightBitSetting = settingValue(s.AudioOutput8Bit);
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

    if (!input_->openInput(path_)) {
        char text[kPathSize + 64];
        std::snprintf(text, sizeof text, texts::kCouldNotOpenFile, path_);
        prompt().show(text, texts::kDecoderErrorTitle, IconError);
        return true;
    }

    out.setPlayedTime(0);
    notify(DNM_STARTED);
    decoder_->startFile(input_.get(), eightBit_ != 0);

    Outcome outcome = frameLoop();

    input_->closeInput();
    gStatus.percent.store(100);
    gStatus.playing.store(0);
    if (outcome == Outcome::Quit) return false;
    if (outcome == Outcome::Stopped) {
        sleepMs(10);
        out.flush();
        decoder_->pcm().fill = 0;
        if (out.isOpen()) out.close(1);
        openRate_ = 0;
    } else {
        // The output stays open and the PCM below the threshold stays in the buffer, so
        // the next file of this rate continues without a gap.
        notify(DNM_ENDED);
    }
    return true;
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
    for (;;) {
        ThreadMessage msg;
        if (peekThreadMessage(msg)) {
            if (msg.message == kMsgQuit) return Outcome::Quit;
            if (msg.message == DTM_STOP) return Outcome::Stopped;
            if (msg.message == DTM_SEEK_PERCENT) seek(int(msg.lParam));
            // anything else (a play request among them) is dropped while playing
        }
        if (!dec.readFrame()) return Outcome::Ended;
        FrameHeader& h = dec.header();
        if (first || h.headerChanged) {
            if (!configure(h)) return Outcome::Stopped;
            first = false;
        }
        dec.options.mappingMode = settingValue(s.MappingMode);
        dec.options.eqEnabled = settingValue(s.EqEnabled);
        dec.options.eqLineGains = setup_.eqLineGains ? setup_.eqLineGains : eqLineGains();
        dec.decodeFrame();

        if (pcm.fill >= writeThreshold_) {
            int n = out.write(pcm.fill, pcm.data);
            // A failed write (the WAV file's) is no byte count: the driver has told the
            // user, and the file ends as if stopped.
            if (n < 0) return Outcome::Stopped;
            if (n < pcm.fill) pcm.consume(n);
            else pcm.fill = 0;
        }

        int volume = settingValue(s.EqVolume);
        if (volume != eqVolume_) {
            eqVolume_ = volume;
            out.setVolume(eqVolume_ * 4);
        }
        int priority = settingValue(s.DecoderPriority);
        if (priority != priority_) applyPriority(priority);

        gStatus.percent.store(totalFrames_ ? int(double(frames_) / totalFrames_ * 100.0) : 0);
        ++frames_;
    }
}

void DecoderThread::seek(int percent) {
    FrameHeader& h = decoder_->header();
    int frame = int(float(totalFrames_) * float(percent) * 0.01f);
    if (!input_->seekToFrame(decoder_->reader(), h, frame)) return;
    PcmBuffer& pcm = decoder_->pcm();
    std::memset(pcm.data, 0, size_t(writeThreshold_));
    pcm.fill = 0;
    OutputDriver& out = outputDriver();
    out.flush();
    out.setPlayedTime(input_->elapsedSeconds(h) * 1000);
    frames_ = frame;
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
    if (!thread.join(waitMs)) thread.abandon(unsigned(-1));
}

int DecoderListener::postAnswer(int question, int yes, long threadId) {
    return postThreadMessage(threadId, DTM_ANSWER, uintptr_t(question), yes ? 1 : 0);
}

int postPlayFile(const char* path, long threadId) {
    if (!path) {
        postThreadMessage(threadId, DTM_PLAY, 0, 0);
        return 1;
    }
    std::strncpy(gSharedPath, path, kPathSize - 1);
    gSharedPath[kPathSize - 1] = 0;
    postThreadMessage(threadId, DTM_PLAY_FILE, 0, reinterpret_cast<intptr_t>(gSharedPath));
    return 1;
}

int postStop(long threadId) {
    postThreadMessage(threadId, DTM_STOP, 0, 0);
    return 1;
}

int postReleaseAudio(long threadId) {
    postThreadMessage(threadId, DTM_RELEASE_AUDIO, 0, 0);
    return 1;
}

int postSeekPercent(int percent, long threadId) {
    postThreadMessage(threadId, DTM_SEEK_PERCENT, 0, percent);
    return 1;
}

int postPriorityChanged(long threadId) {
    postThreadMessage(threadId, DTM_PRIORITY_CHANGED, 0, 0);
    return 1;
}

void getDecoderStatus(DecoderStatus& dst) {
    dst.playing = gStatus.playing.load(std::memory_order_relaxed);
    dst.sampleRate = gStatus.sampleRate.load(std::memory_order_relaxed);
    dst.layer = uint8_t(gStatus.layer.load(std::memory_order_relaxed));
    dst.bitrateKbps = uint16_t(gStatus.bitrateKbps.load(std::memory_order_relaxed));
    dst.infoValid = gStatus.infoValid.load(std::memory_order_relaxed);
    dst.percent = gStatus.percent.load(std::memory_order_relaxed);
}

int currentWriteThreshold() { return gWriteThreshold.load(std::memory_order_relaxed); }

} // namespace korvo
