// korvo play: plays files in a row through the decoder thread, to the sound server or into
// WAV files, with a progress line and a few keys.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "commands.h"
#include "decode_options.h"
#include "mpris.h"
#include "decoder/equalizer.h"
#include "platform/dir_search.h"
#include "platform/file.h"
#include "net/icy_metadata.h"
#include "net/net_texts.h"
#include "playlist/path_rules.h"
#include "playlist/playlist.h"
#include "playback/decoder_thread.h"
#include "playback/output_driver.h"
#include "playback/playback_texts.h"

namespace korvo::cli {
namespace {

constexpr char kNoServer[] =
    "korvo: no sound server could be reached (PulseAudio); use --wav OUT.wav to write the sound into files\n";
constexpr char kKeys[] = "keys: space pause/resume, n next, p previous, q quit, left/right seek 5%\n";
// After the last entry the release lets the queued sound play out; the sound server holds
// at most about half a second of it, so this wait is never the one that ends the program.
constexpr unsigned kDrainWaitMs = 10000;

// Progress lines and terminal control codes only go to a terminal.
bool gTerminal = false;

// out.wav, out-2.wav, out-3.wav, ... one per change of sample rate.
struct WavNames {
    std::string base;
    int count = 0;
    const std::vector<std::string>* inputs = nullptr;
    std::atomic<bool> refused{false};   // a name was one of the files played
};

// Whether the sound would go into one of the files played; says so.
bool refuseInput(const char* output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (!sameFile(output, input.c_str())) continue;
        std::fprintf(stderr, gTerminal ? "\r\033[Kkorvo play: " : "korvo play: ");
        std::fprintf(stderr, texts::kWavOutputIsInput, output);
        std::fprintf(stderr, "\n");
        return true;
    }
    return false;
}

int nextWavName(char* path, int size, int rate, void* context) {
    auto* names = static_cast<WavNames*>(context);
    std::string name = names->base;
    if (++names->count > 1) {
        size_t dot = name.rfind('.');
        size_t slash = name.rfind('/');
        std::string suffix = "-" + std::to_string(names->count);
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += suffix;
        else name.insert(dot, suffix);
    }
    if (int(name.size()) >= size) return 0;
    if (names->inputs && refuseInput(name.c_str(), *names->inputs)) {
        names->refused.store(true);
        return 0;
    }
    std::snprintf(path, size_t(size), "%s", name.c_str());
    std::fprintf(stderr, gTerminal ? "\r\033[Kwriting %s (%d Hz)\n" : "writing %s (%d Hz)\n", path, rate);
    return 1;
}

// The files a path gives (a playlist's or a folder's entries), expanded as the player's own
// list expands them. A path that names nothing is reported by the list and sets missing.
std::vector<std::string> listedFiles(const std::string& path, bool* missing) {
    Playlist list;
    list.setPrompt(&prompt());
    list.setReadFileInfo(0);
    list.setMissingPathFormat(cli_texts::kNoSuchFileOrFolder);
    const char* p = path.c_str();
    const bool url = containsUrlMarker(p);
    if (!url && !pathInfo(p).exists && missing) *missing = true;
    list.addPath(url ? Playlist::AddUrl : Playlist::AddOrdinary, p);
    std::vector<std::string> files;
    for (const PlaylistEntry* e = list.head(); e; e = e->next) files.push_back(e->path);
    return files;
}

// The front end: follows the notifications the way the main window does. The keys and the
// desktop's bus reach it through the same operations.
class Player : public DecoderListener, public MprisPlayer {
public:
    // listed: the entries in the order given, files: as they play (shuffled or not). driver:
    // the output the settings choose, called here directly: the process-wide table is copied
    // anew by the decoder thread at each file.
    Player(std::vector<std::string> listed, std::vector<std::string> files, bool repeat, bool shuffled,
           const OutputDriver& driver)
        : listed_(std::move(listed)), files_(std::move(files)), repeat_(repeat), shuffled_(shuffled), driver_(driver) {}

    // Told of every change it shows.
    void setBus(MprisService* bus) { bus_ = bus; }

    void start(long threadId) {
        std::lock_guard<std::mutex> lock(m_);
        threadId_ = threadId;   // the bus thread may be asking already
        pending_ = 0;
        postPlayFile(files_[0].c_str(), threadId_);
    }

    // With raw keys the key loop is the one reader of the terminal, and answers questions.
    void answerByKeys(bool on) { answerByKeys_ = on; }
    void ask(int question, const char* text, const char* title, PromptIcon icon, long threadId) override {
        if (!answerByKeys_) {
            DecoderListener::ask(question, text, title, icon, threadId);
            return;
        }
        std::lock_guard<std::mutex> lock(m_);
        question_ = question;
        questionThread_ = threadId;
        std::snprintf(questionText_, sizeof questionText_, "%s: %s", title, text);
    }
    // The open question's text; empty when none is open.
    std::string openQuestion() {
        std::lock_guard<std::mutex> lock(m_);
        return question_ ? questionText_ : "";
    }
    // Sends the answer to the open question; false when none is open.
    bool answer(int yes) {
        std::lock_guard<std::mutex> lock(m_);
        if (!question_) return false;
        postAnswer(question_, yes, questionThread_);
        question_ = 0;
        return true;
    }

    void notify(uint32_t message) override {
        std::lock_guard<std::mutex> lock(m_);
        if (message == DNM_STARTED) {
            current_ = pending_;
            ++started_;
            told();
            nowPlaying_.clear();
            station_.clear();
            title_.clear();
            std::fprintf(stderr, gTerminal ? "\r\033[K[%d/%d] %s\n" : "[%d/%d] %s\n", current_ + 1,
                         int(files_.size()), files_[current_].c_str());
            return;
        }
        if (message == DNM_FAILED) {
            // The user has been told; go on with the next entry, and end when every entry
            // failed in a row (a repeated list of nothing playable must not spin for ever).
            current_ = pending_;
            failed_ = true;
            if (++failedInRow_ >= int(files_.size()) && repeat_) {
                postReleaseAudio(threadId_);
                done_.store(true);
                told();
                return;
            }
        } else if (message == DNM_ENDED) {
            failedInRow_ = 0;
        } else {
            return;
        }
        int next = current_ + 1;
        if (next >= int(files_.size())) {
            if (!repeat_) {
                postReleaseAudio(threadId_);
                done_.store(true);
                told();
                return;
            }
            next = 0;
        }
        pending_ = next;
        postPlayFile(files_[next].c_str(), threadId_);
    }

    // The entry played what arrived; the run still fails.
    void transferFault(const char* path, const char* why) override {
        std::lock_guard<std::mutex> lock(m_);
        failed_ = true;
        std::fprintf(stderr, gTerminal ? "\r\033[Kkorvo play: %s: %s\n" : "korvo play: %s: %s\n", path, why);
    }

    // A station's song: shown once as it changes, then on the status line.
    void streamTitle(const char* station, const char* title) override {
        std::lock_guard<std::mutex> lock(m_);
        station_ = station;
        title_ = title;
        show(title);
        told();
    }
    // "station — reconnecting…" while a live stream waits, then its song again.
    void streamReconnecting(bool waiting) override {
        std::lock_guard<std::mutex> lock(m_);
        show(waiting ? net_texts::kReconnecting : title_.c_str());
    }
    std::string nowPlaying() {
        std::lock_guard<std::mutex> lock(m_);
        return nowPlaying_;
    }

    // A new file while one plays: resume a paused output and drop its queue first.
    void jump(int delta) {
        std::lock_guard<std::mutex> lock(m_);
        int n = int(files_.size());
        playAt(((current_ + delta) % n + n) % n);
    }

    void togglePause() {
        std::lock_guard<std::mutex> lock(m_);
        if (stopped_) playAt(current_);
        else setPaused(!paused_);
    }

    void quit() override {
        std::lock_guard<std::mutex> lock(m_);
        question_ = 0;   // the stop ends the decoder thread's wait for it
        stopForNewAction();
        postStop(threadId_);
        postReleaseAudio(threadId_);
        quit_.store(true);
        done_.store(true);
        told();
    }

    // Left and right: a jump by a share of the file.
    void seekPercent(int delta) {
        std::lock_guard<std::mutex> lock(m_);
        if (stopped_) return;
        DecoderStatus st;
        getDecoderStatus(st);
        const int percent = std::clamp(st.percent + delta, 0, 100);
        postSeekPercent(percent, threadId_);
        seeked(int64_t(st.totalMs) * percent / 100);
    }

    // What the desktop's bus asks for.
    MprisState state() override {
        MprisState st;
        DecoderStatus decoder;
        getDecoderStatus(decoder);
        std::lock_guard<std::mutex> lock(m_);
        st.status = done_.load() || stopped_ ? MprisStatus::Stopped : paused_ ? MprisStatus::Paused : MprisStatus::Playing;
        st.loop = repeat_;
        st.shuffle = shuffled_;
        st.volume = sharedValue(settings().EqVolume);
        st.track = started_;
        if (started_ > 0) st.path = files_[current_];
        st.lengthMs = started_ > 0 ? decoder.totalMs : 0;
        st.station = station_;
        st.song = title_;
        st.seeks = seeks_;
        st.seekTargetMs = seekTargetMs_;
        return st;
    }
    int64_t positionMs() override { return driver_.getPlayedTime(); }
    void next() override { jump(1); }
    void previous() override { jump(-1); }
    void pause() override {
        std::lock_guard<std::mutex> lock(m_);
        if (!stopped_) setPaused(true);
    }
    void play() override {
        std::lock_guard<std::mutex> lock(m_);
        if (stopped_) playAt(current_);
        else setPaused(false);
    }
    void playPause() override { togglePause(); }
    // The queued sound is dropped; play starts the entry again.
    void stop() override {
        std::lock_guard<std::mutex> lock(m_);
        if (stopped_) return;
        postStop(threadId_);
        resumeAndFlush();
        paused_ = false;
        stopped_ = true;
        told();
    }
    void seekBy(int64_t deltaMs) override {
        std::lock_guard<std::mutex> lock(m_);
        if (stopped_) return;
        DecoderStatus st;
        getDecoderStatus(st);
        const int64_t delta = std::clamp<int64_t>(deltaMs, INT32_MIN, INT32_MAX);
        postSeekBy(int(delta), threadId_);
        seeked(std::clamp<int64_t>(positionMs() + delta, 0, st.totalMs));
    }
    void setVolume(int volume) override {
        setSharedValue(settings().EqVolume, std::clamp(volume, 0, 15));
        told();
    }
    void setLoop(bool on) override {
        std::lock_guard<std::mutex> lock(m_);
        repeat_ = on;
        told();
    }
    // On: the current entry first, the rest in a random order; off: the order given, from
    // the current entry on.
    void setShuffle(bool on) override {
        std::lock_guard<std::mutex> lock(m_);
        if (on == shuffled_) return;
        // The file playing and the one asked for stay themselves in the new order.
        const std::string playing = files_[current_], coming = files_[pending_];
        if (on) {
            std::swap(files_[current_], files_[0]);
            std::shuffle(files_.begin() + 1, files_.end(), std::mt19937(std::random_device{}()));
        } else {
            files_ = listed_;
        }
        current_ = indexOf(playing);
        pending_ = indexOf(coming);
        shuffled_ = on;
        told();
    }
    void openPath(const std::string& path) override {
        std::vector<std::string> added = listedFiles(path, nullptr);
        std::lock_guard<std::mutex> lock(m_);
        if (added.empty() || done_.load()) return;
        const int first = int(files_.size());
        listed_.insert(listed_.end(), added.begin(), added.end());
        files_.insert(files_.end(), added.begin(), added.end());
        playAt(first);
    }

    bool done() const { return done_.load(); }
    // q ended the list: what was queued is dropped, nothing is left to drain.
    bool quitByUser() const { return quit_.load(); }
    bool anyFailed() {
        std::lock_guard<std::mutex> lock(m_);
        return failed_;
    }
    bool paused() {
        std::lock_guard<std::mutex> lock(m_);
        return paused_;
    }

private:
    // Under m_.
    void show(const char* title) {
        char text[2 * kIcyTitleBytes + 8];
        stationTitleText(station_.c_str(), title, text, int(sizeof text));
        if (text == nowPlaying_) return;
        nowPlaying_ = text;
        // A stream without name or title back from a reconnect: nothing to show.
        if (text[0]) std::fprintf(stderr, gTerminal ? "\r\033[K%s\n" : "%s\n", text);
    }
    void playAt(int target) {
        stopForNewAction();
        stopped_ = false;
        pending_ = target;
        postStop(threadId_);
        postPlayFile(files_[target].c_str(), threadId_);
        told();
    }
    void setPaused(bool on) {
        if (on == paused_) return;
        if (!on) {
            driver_.resume();
            paused_ = false;
        } else if (driver_.pause()) {
            paused_ = true;
        }
        told();
    }
    int indexOf(const std::string& path) const {
        return int(std::find(files_.begin(), files_.end(), path) - files_.begin());
    }
    void seeked(int64_t targetMs) {
        ++seeks_;
        seekTargetMs_ = targetMs;
        told();
    }
    void resumeAndFlush() {
        driver_.resume();
        driver_.flush();
    }
    void told() {
        if (bus_) MprisService::changed();
    }
    void stopForNewAction() {
        if (paused_) {
            resumeAndFlush();
            paused_ = false;
        }
    }

    std::mutex m_;
    std::vector<std::string> listed_;
    std::vector<std::string> files_;
    bool repeat_;
    bool shuffled_;
    bool stopped_ = false;
    int64_t started_ = 0;
    int64_t seeks_ = 0;
    int64_t seekTargetMs_ = 0;
    MprisService* bus_ = nullptr;
    const OutputDriver& driver_;
    long threadId_ = -1;
    int current_ = 0;
    int pending_ = 0;
    bool paused_ = false;
    bool failed_ = false;
    int failedInRow_ = 0;
    std::atomic<bool> done_{false};
    std::atomic<bool> quit_{false};
    bool answerByKeys_ = false;
    int question_ = 0;
    long questionThread_ = -1;
    char questionText_[256] = {};
    std::string nowPlaying_;
    std::string station_, title_;
};

// y and n answer an open question; q still quits, other keys wait for the answer.
void questionKey(Player& player, char c) {
    if (c == 'y' || c == 'Y') player.answer(1);
    else if (c == 'n' || c == 'N') player.answer(0);
    else if (c == 'q') player.quit();
}

// Raw keys from the terminal while playing; restored on every way out.
class RawTerminal {
public:
    RawTerminal() {
        if (!isatty(0) || tcgetattr(0, &saved_) != 0) return;
        termios raw = saved_;
        raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        active_ = tcsetattr(0, TCSANOW, &raw) == 0;
    }
    ~RawTerminal() {
        if (active_) tcsetattr(0, TCSANOW, &saved_);
    }
    bool active() const { return active_; }

private:
    termios saved_{};
    bool active_ = false;
};

struct PlayJob {
    std::vector<std::string> paths;
    std::string wav;
    std::string saveDir;
    bool eightBit = false, repeat = false, shuffle = false, noGapless = false, noMpris = false;
    int mapping = 2, volume = 15;
    std::string eq;
    GainOptions gain;
};
PlayJob job;

void define(CLI::App& c) {
    c.add_option("PATH", job.paths, "files, playlist files (PLS, M3U), folders or URLs, played in a row")->required();
    c.add_option("--wav", job.wav, "write the sound into WAV files (OUT.wav, OUT-2.wav, ... at each change of sample rate)")->type_name("OUT.wav");
    c.add_option("--save-dir", job.saveDir, "also save each stream into this folder")->check(atMostChars(kSettingsDirSize - 1))->type_name("DIR");
    c.add_flag("--8bit", job.eightBit, "unsigned 8-bit samples instead of 16-bit");
    c.add_option("--eq", job.eq, "equalizer gains of the twelve bands (Layer III)")->check(eqGains())->type_name("G0,..,G11");
    c.add_option("--mapping", job.mapping, "Layer III mapping scheme")->capture_default_str()->check(wholeNumberIn(1, 4))->type_name("N");
    c.add_option("--volume", job.volume, "equalizer volume")->capture_default_str()->check(wholeNumberIn(0, 15))->type_name("N");
    c.add_flag("--repeat", job.repeat, "start again after the last entry");
    c.add_flag("--shuffle", job.shuffle, "play the entries in a random order");
    c.add_flag("--no-gapless", job.noGapless, "play every frame as it is: no encoder delay or padding trimmed");
    c.add_flag("--no-mpris", job.noMpris, "stay off the desktop's session bus (MPRIS): no media keys or now-playing panel");
    addGainOptions(c, job.gain);
}

int run() {
    std::vector<std::string> files;
    const char* wav = job.wav.empty() ? nullptr : job.wav.c_str();
    const char* saveDir = job.saveDir.empty() ? nullptr : job.saveDir.c_str();
    const bool eightBit = job.eightBit, repeat = job.repeat, shuffle = job.shuffle;
    const int mapping = job.mapping, volume = job.volume;
    const bool eq = !job.eq.empty();
    float bands[kEqBandCount] = {};
    if (eq) parseEqGains(job.eq.c_str(), bands);
    bool missing = false;
    for (const std::string& path : job.paths) {
        std::vector<std::string> added = listedFiles(path, &missing);
        files.insert(files.end(), added.begin(), added.end());
    }
    if (files.empty()) {
        std::fprintf(stderr, "korvo play: nothing to play\n");
        return 1;
    }
    const std::vector<std::string> listed = files;
    if (shuffle) std::shuffle(files.begin(), files.end(), std::mt19937(std::random_device{}()));

    loadSettings();
    Settings& s = settings();
    s.AudioOutputSystem = wav ? kOutputWavFile : kOutputSoundDevice;
    s.AudioOutput8Bit = eightBit ? 1 : 0;
    s.MappingMode = mapping;
    s.EqVolume = volume;
    s.EqEnabled = eq ? 1 : 0;
    s.GaplessPlayback = job.noGapless ? 0 : 1;
    s.ReplayGainMode = job.gain.modeValue();
    s.ReplayGainPreamp = job.gain.preampDb;
    if (saveDir) {
        // Streams are saved there as the player's "Play and Save" does.
        s.DownloadOption = 1;
        std::snprintf(s.InternetDLDir, sizeof s.InternetDLDir, "%s", saveDir);
    }
    if (eq) {
        for (int b = 0; b < kEqBandCount; ++b) s.EqBand[b] = bands[b];
        buildEqLineGains(s.EqBand);
    }

    gTerminal = isatty(2);
    WavNames names;
    if (wav) {
        if (refuseInput(wav, files)) return kExitUsage;
        names.base = wav;
        names.inputs = &files;
        setWavFileNameHook(&nextWavName, &names);
    } else if (!soundDeviceDriver().init()) {
        std::fputs(kNoServer, stderr);
        return 1;
    }

    Player player(listed, files, repeat, shuffle, wav ? wavFileDriver() : soundDeviceDriver());
    MprisService bus;
    if (!job.noMpris && bus.start(player)) player.setBus(&bus);
    DecoderThreadSetup setup;
    setup.listener = &player;
    Thread thread;
    long id = startDecoderThread(setup, thread);
    if (id == -1) {
        std::fprintf(stderr, "korvo play: could not start the decoder thread\n");
        return 1;
    }
    RawTerminal term;
    const bool progress = gTerminal;
    if (term.active()) std::fputs(kKeys, stderr);
    player.answerByKeys(term.active());
    player.start(id);
    std::string shownQuestion;

    while (!player.done()) {
        pollfd pfd{0, POLLIN, 0};
        int ready = term.active() ? poll(&pfd, 1, 250) : (usleep(250 * 1000), 0);
        if (ready > 0) {
            char keys[8];
            int n = int(read(0, keys, sizeof keys));
            for (int k = 0; k < n; ++k) {
                char c = keys[k];
                if (!player.openQuestion().empty()) questionKey(player, c);
                else if (c == ' ') player.togglePause();
                else if (c == 'n') player.jump(1);
                else if (c == 'p') player.jump(-1);
                else if (c == 'q') player.quit();
                else if (c == 27 && k + 2 < n && keys[k + 1] == '[' && (keys[k + 2] == 'C' || keys[k + 2] == 'D')) {
                    player.seekPercent(keys[k + 2] == 'C' ? 5 : -5);
                    k += 2;
                }
            }
        }
        const std::string question = player.openQuestion();
        if (!question.empty()) {
            // On the status line while it is open; without one, once.
            if (progress) std::fprintf(stderr, "\r\033[K%s [y/n] ", question.c_str());
            else if (question != shownQuestion) std::fprintf(stderr, "%s [y/n]\n", question.c_str());
            shownQuestion = question;
            continue;
        }
        shownQuestion.clear();
        DecoderStatus st;
        getDecoderStatus(st);
        if (st.playing && progress) {
            const std::string song = player.nowPlaying();
            std::fprintf(stderr, "\r\033[K  %3d%%  %d Hz  layer %d  %d kbit/s%s%s%s", st.percent, st.sampleRate,
                         st.layer, st.bitrateKbps, player.paused() ? "  [paused]" : "", song.empty() ? "" : "  ",
                         song.c_str());
        }
    }
    stopDecoderThread(id, thread, player.quitByUser() ? kDecoderStopWaitMs : kDrainWaitMs);
    bus.stop();
    if (progress) std::fputs("\r\033[K", stderr);
    setWavFileNameHook(nullptr, nullptr);
    if (names.refused.load()) return kExitUsage;
    return missing || player.anyFailed() ? 1 : 0;
}

Registrar reg({"play", "plays files, playlists, folders and URLs to the sound server or into WAV files", &define, &run});

} // namespace
} // namespace korvo::cli
