#pragma once
// korvo play on the desktop's session bus (MPRIS 2): media keys, now-playing panels and
// playerctl reach the player through it. The bus has a thread of its own, so that a slow
// or stuck client never holds playback, and the player's loop keeps its own pace.
#include <cstdint>
#include <string>

namespace korvo::cli {

inline constexpr char kMprisIdentity[] = "LUMEN KORVO 2000";
inline constexpr char kMprisDesktopEntry[] = "korvo";
inline constexpr char kMprisBusName[] = "org.mpris.MediaPlayer2.korvo";
inline constexpr char kMprisObjectPath[] = "/org/mpris/MediaPlayer2";
// Track ids are object paths below the player's: one per file started.
inline constexpr char kMprisTrackPrefix[] = "/org/korvo/track/";

enum class MprisStatus { Stopped, Playing, Paused };

// What the player shows, as one copy taken under its lock.
struct MprisState {
    MprisStatus status = MprisStatus::Stopped;
    bool loop = false;
    bool shuffle = false;
    int volume = 15;              // 0..15
    int64_t track = 0;            // counts the files started; 0 before the first
    std::string path;             // the file or URL playing
    int64_t lengthMs = 0;         // 0 while unknown, and for a stream
    std::string station, song;    // a stream's names as heard
    int64_t seeks = 0;            // counts the jumps asked for
    int64_t seekTargetMs = 0;     // where the last one went
};

// The player's side. Called on the bus thread; every operation returns at once (they post
// to the decoder thread as the keys do).
class MprisPlayer {
public:
    virtual ~MprisPlayer() = default;
    virtual MprisState state() = 0;
    virtual int64_t positionMs() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    virtual void pause() = 0;
    virtual void play() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void quit() = 0;
    virtual void seekBy(int64_t deltaMs) = 0;
    virtual void setVolume(int volume) = 0;
    virtual void setLoop(bool on) = 0;
    virtual void setShuffle(bool on) = 0;
    // Adds a file or URL at the end of the list and plays it.
    virtual void openPath(const std::string& path) = 0;
};

// The bus object while the player runs. Without a session bus or its library it stays
// silent and start returns 0; the player plays as before.
class MprisService {
public:
    MprisService() = default;
    ~MprisService() { stop(); }
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    int start(MprisPlayer& player);
    // Makes the bus thread look at the player's state now rather than at its next round.
    // Safe from any thread at any time, the service running or not.
    static void changed();
    void stop();

    struct Impl;

private:
    Impl* impl_ = nullptr;
};

// A file:// URI's path (percent escapes undone), or an http(s) URL as it is; empty for
// anything else.
std::string pathOfUri(const std::string& uri);
// The file:// URI of a path (made absolute), or a URL as it is.
std::string uriOfPath(const std::string& path);

} // namespace korvo::cli
