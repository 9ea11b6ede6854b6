// The MPRIS 2 object of korvo play, through sd-bus. The library is opened at run time, as
// the sound server's is: a machine without it, or without a session bus, plays as before.
// Everything that touches the bus runs on the bus thread; the player is reached only
// through MprisPlayer, whose operations post to the decoder thread and return.
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "mpris.h"
#include "platform/file.h"
#include "platform/shared_library.h"
#include "platform/thread.h"
#include "playlist/entry_info.h"
#include "playlist/path_rules.h"
#include "playlist/text_encoding.h"

namespace korvo::cli {

namespace {

#define KORVO_SDBUS_FUNCTIONS(X) \
    X(sd_bus_open_user) \
    X(sd_bus_request_name) \
    X(sd_bus_add_object_vtable) \
    X(sd_bus_process) \
    X(sd_bus_get_fd) \
    X(sd_bus_get_events) \
    X(sd_bus_get_timeout) \
    X(sd_bus_flush_close_unref) \
    X(sd_bus_emit_properties_changed_strv) \
    X(sd_bus_emit_signal) \
    X(sd_bus_message_append) \
    X(sd_bus_message_append_strv) \
    X(sd_bus_message_open_container) \
    X(sd_bus_message_close_container) \
    X(sd_bus_message_read) \
    X(sd_bus_reply_method_return) \
    X(sd_bus_error_set)

struct SdBusFunctions {
#define KORVO_SDBUS_MEMBER(name) decltype(&::name) name = nullptr;
    KORVO_SDBUS_FUNCTIONS(KORVO_SDBUS_MEMBER)
#undef KORVO_SDBUS_MEMBER
    const unsigned* vtableFormat = nullptr;
} lib;

int loadSdBus() {
    static const int loaded = [] {
        void* handle = openSharedLibrary("libsystemd.so.0");
        if (!handle) return 0;
        SdBusFunctions table;
        KORVO_SDBUS_FUNCTIONS(KORVO_LOAD_FUNCTION)
        // The vtable's first entry names the library's format by this symbol's address.
        table.vtableFormat = static_cast<const unsigned*>(sharedLibrarySymbol(handle, "sd_bus_object_vtable_format"));
        if (!table.vtableFormat) return 0;
        lib = table;
        return 1;
    }();
    return loaded;
}

constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
// Status changes the player does not announce (the end of a file) are seen within this.
constexpr int kLookMs = 200;
constexpr unsigned kThreadStopWaitMs = 3000;

const char* statusName(MprisStatus s) {
    return s == MprisStatus::Playing ? "Playing" : s == MprisStatus::Paused ? "Paused" : "Stopped";
}

// D-Bus takes UTF-8 only: a name that is not is taken as Latin-1.
std::string busText(const std::string& s) {
    if (isValidUtf8(s.c_str(), s.size())) return s;
    std::string out(s.size() * 2 + 1, '\0');
    latin1ToUtf8(s.c_str(), s.size(), out.data(), out.size());
    out.resize(std::strlen(out.c_str()));
    return out;
}

// What Metadata says about the file playing; read once per file.
struct Track {
    int64_t serial = -1;
    std::string id, title, artist, album, url;
    int64_t lengthUs = 0;
};

} // namespace

struct MprisService::Impl {
    MprisPlayer* player = nullptr;
    Thread thread;
    std::atomic<bool> quit{false};
    sd_bus* bus = nullptr;
    MprisState now;           // the player's state as last looked at
    MprisState told;          // as last announced
    bool toldAny = false;
    Track track;
    int64_t toldSeeks = 0;

    void look();
    void announce();
    void readTrack();
    void run();
};

namespace {

// One wake-up descriptor for the process, never closed: the decoder thread may call
// changed() up to its last moment.
int wakeFd() {
    static const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd;
}

using Impl = MprisService::Impl;
Impl* implOf(void* userdata) { return static_cast<Impl*>(userdata); }

int getIdentity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "s", kMprisIdentity);
}
int getDesktopEntry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "s", kMprisDesktopEntry);
}
int getTrue(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "b", 1);
}
int getFalse(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "b", 0);
}
int getUriSchemes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    static const char* const kSchemes[] = {"file", "http", "https", nullptr};
    return lib.sd_bus_message_append_strv(reply, const_cast<char**>(kSchemes));
}
int getMimeTypes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    static const char* const kTypes[] = {"audio/mpeg", nullptr};
    return lib.sd_bus_message_append_strv(reply, const_cast<char**>(kTypes));
}
int getRate(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "d", 1.0);
}

int getStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "s", statusName(implOf(u)->now.status));
}
int getLoop(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "s", implOf(u)->now.loop ? "Playlist" : "None");
}
int getShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "b", implOf(u)->now.shuffle ? 1 : 0);
}
int getVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "d", implOf(u)->now.volume / 15.0);
}
int getPosition(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    Impl* impl = implOf(u);
    const int64_t ms = impl->now.status == MprisStatus::Stopped ? 0 : impl->player->positionMs();
    return lib.sd_bus_message_append(reply, "x", int64_t(ms * 1000));
}
int getCanSeek(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    return lib.sd_bus_message_append(reply, "b", implOf(u)->now.lengthMs > 0 ? 1 : 0);
}

int appendText(sd_bus_message* reply, const char* key, const std::string& value) {
    if (value.empty()) return 0;
    return lib.sd_bus_message_append(reply, "{sv}", key, "s", value.c_str());
}

int getMetadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* u, sd_bus_error*) {
    Impl* impl = implOf(u);
    const Track& t = impl->track;
    int r = lib.sd_bus_message_open_container(reply, 'a', "{sv}");
    if (r < 0) return r;
    if (t.serial > 0) {
        if ((r = lib.sd_bus_message_append(reply, "{sv}", "mpris:trackid", "o", t.id.c_str())) < 0) return r;
        if (t.lengthUs > 0 && (r = lib.sd_bus_message_append(reply, "{sv}", "mpris:length", "x", t.lengthUs)) < 0) return r;
        if (!t.artist.empty() &&
            (r = lib.sd_bus_message_append(reply, "{sv}", "xesam:artist", "as", 1, t.artist.c_str())) < 0)
            return r;
        if ((r = appendText(reply, "xesam:title", t.title)) < 0) return r;
        if ((r = appendText(reply, "xesam:album", t.album)) < 0) return r;
        if ((r = appendText(reply, "xesam:url", t.url)) < 0) return r;
    }
    return lib.sd_bus_message_close_container(reply);
}

int setLoop(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* u, sd_bus_error* error) {
    const char* loop = nullptr;
    int r = lib.sd_bus_message_read(value, "s", &loop);
    if (r < 0) return r;
    // The player repeats the whole list or nothing.
    if (std::strcmp(loop, "None") && std::strcmp(loop, "Playlist"))
        return lib.sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "korvo repeats the whole list or nothing");
    implOf(u)->player->setLoop(std::strcmp(loop, "Playlist") == 0);
    return 1;
}
int setShuffle(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* u, sd_bus_error*) {
    int on = 0;
    int r = lib.sd_bus_message_read(value, "b", &on);
    if (r < 0) return r;
    implOf(u)->player->setShuffle(on != 0);
    return 1;
}
int setVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* u, sd_bus_error*) {
    double v = 0;
    int r = lib.sd_bus_message_read(value, "d", &v);
    if (r < 0) return r;
    if (!(v >= 0)) v = 0;   // NaN too
    if (v > 1) v = 1;
    implOf(u)->player->setVolume(int(std::lround(v * 15)));
    return 1;
}

int replied(sd_bus_message* m) { return lib.sd_bus_reply_method_return(m, ""); }

#define KORVO_MPRIS_COMMAND(Name, call)                                \
    int method##Name(sd_bus_message* m, void* u, sd_bus_error*) {     \
        implOf(u)->player->call();                                     \
        return replied(m);                                             \
    }
KORVO_MPRIS_COMMAND(Next, next)
KORVO_MPRIS_COMMAND(Previous, previous)
KORVO_MPRIS_COMMAND(Pause, pause)
KORVO_MPRIS_COMMAND(PlayPause, playPause)
KORVO_MPRIS_COMMAND(Stop, stop)
KORVO_MPRIS_COMMAND(Play, play)
KORVO_MPRIS_COMMAND(Quit, quit)
#undef KORVO_MPRIS_COMMAND

int methodRaise(sd_bus_message* m, void*, sd_bus_error*) { return replied(m); }

int methodSeek(sd_bus_message* m, void* u, sd_bus_error*) {
    int64_t offsetUs = 0;
    int r = lib.sd_bus_message_read(m, "x", &offsetUs);
    if (r < 0) return r;
    Impl* impl = implOf(u);
    if (impl->now.lengthMs > 0) impl->player->seekBy(offsetUs / 1000);
    return replied(m);
}

int methodSetPosition(sd_bus_message* m, void* u, sd_bus_error*) {
    const char* id = nullptr;
    int64_t us = 0;
    int r = lib.sd_bus_message_read(m, "ox", &id, &us);
    if (r < 0) return r;
    Impl* impl = implOf(u);
    // A position for another track, or outside this one, is ignored.
    const int64_t ms = us / 1000;
    if (impl->track.serial > 0 && impl->track.id == id && ms >= 0 && impl->now.lengthMs > 0 && ms <= impl->now.lengthMs)
        impl->player->seekBy(ms - impl->player->positionMs());
    return replied(m);
}

int methodOpenUri(sd_bus_message* m, void* u, sd_bus_error* error) {
    const char* uri = nullptr;
    int r = lib.sd_bus_message_read(m, "s", &uri);
    if (r < 0) return r;
    const std::string path = pathOfUri(uri);
    if (path.empty()) return lib.sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "korvo plays file, http and https URIs");
    implOf(u)->player->openPath(path);
    return replied(m);
}

constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;

// The first entry of each table is filled in once the library is open.
sd_bus_vtable rootTable[] = {
    {},
    SD_BUS_PROPERTY("Identity", "s", getIdentity, 0, kConst),
    SD_BUS_PROPERTY("DesktopEntry", "s", getDesktopEntry, 0, kConst),
    SD_BUS_PROPERTY("CanQuit", "b", getTrue, 0, kConst),
    SD_BUS_PROPERTY("CanRaise", "b", getFalse, 0, kConst),
    SD_BUS_PROPERTY("HasTrackList", "b", getFalse, 0, kConst),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", getUriSchemes, 0, kConst),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", getMimeTypes, 0, kConst),
    SD_BUS_METHOD("Raise", "", "", methodRaise, 0),
    SD_BUS_METHOD("Quit", "", "", methodQuit, 0),
    SD_BUS_VTABLE_END,
};

sd_bus_vtable playerTable[] = {
    {},
    SD_BUS_PROPERTY("PlaybackStatus", "s", getStatus, 0, kChanges),
    SD_BUS_WRITABLE_PROPERTY("LoopStatus", "s", getLoop, setLoop, 0, kChanges),
    SD_BUS_WRITABLE_PROPERTY("Shuffle", "b", getShuffle, setShuffle, 0, kChanges),
    SD_BUS_PROPERTY("Metadata", "a{sv}", getMetadata, 0, kChanges),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", getVolume, setVolume, 0, kChanges),
    SD_BUS_PROPERTY("Position", "x", getPosition, 0, 0),
    SD_BUS_PROPERTY("Rate", "d", getRate, 0, kConst),
    SD_BUS_PROPERTY("MinimumRate", "d", getRate, 0, kConst),
    SD_BUS_PROPERTY("MaximumRate", "d", getRate, 0, kConst),
    SD_BUS_PROPERTY("CanGoNext", "b", getTrue, 0, kConst),
    SD_BUS_PROPERTY("CanGoPrevious", "b", getTrue, 0, kConst),
    SD_BUS_PROPERTY("CanPlay", "b", getTrue, 0, kConst),
    SD_BUS_PROPERTY("CanPause", "b", getTrue, 0, kConst),
    SD_BUS_PROPERTY("CanSeek", "b", getCanSeek, 0, kChanges),
    SD_BUS_PROPERTY("CanControl", "b", getTrue, 0, kConst),
    SD_BUS_METHOD("Next", "", "", methodNext, 0),
    SD_BUS_METHOD("Previous", "", "", methodPrevious, 0),
    SD_BUS_METHOD("Pause", "", "", methodPause, 0),
    SD_BUS_METHOD("PlayPause", "", "", methodPlayPause, 0),
    SD_BUS_METHOD("Stop", "", "", methodStop, 0),
    SD_BUS_METHOD("Play", "", "", methodPlay, 0),
    SD_BUS_METHOD("Seek", "x", "", methodSeek, 0),
    SD_BUS_METHOD("SetPosition", "ox", "", methodSetPosition, 0),
    SD_BUS_METHOD("OpenUri", "s", "", methodOpenUri, 0),
    SD_BUS_SIGNAL("Seeked", "x", 0),
    SD_BUS_VTABLE_END,
};

void fillTableStart(sd_bus_vtable& start) {
    start = {};
    start.type = _SD_BUS_VTABLE_START;
    start.x.start.element_size = sizeof(sd_bus_vtable);
    start.x.start.features = _SD_BUS_VTABLE_PARAM_NAMES;
    start.x.start.vtable_format_reference = lib.vtableFormat;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

unsigned busThread(void* param) {
    static_cast<Impl*>(param)->run();
    return 0;
}

} // namespace

void MprisService::Impl::readTrack() {
    if (now.track == 0) {   // nothing started yet
        track = Track{};
        return;
    }
    if (now.track == track.serial && now.lengthMs * 1000 == track.lengthUs && !containsUrlMarker(now.path.c_str()))
        return;
    Track t;
    t.serial = now.track;
    t.id = kMprisTrackPrefix + std::to_string(now.track);
    t.url = busText(uriOfPath(now.path));
    t.lengthUs = now.lengthMs * 1000;
    if (containsUrlMarker(now.path.c_str())) {
        // A station: its song as the title, its name as the album.
        t.title = busText(now.song.empty() ? now.station : now.song);
        t.album = busText(now.station);
    } else if (now.track == track.serial) {
        t.title = track.title;
        t.artist = track.artist;
        t.album = track.album;
    } else {
        auto entry = std::make_unique<PlaylistEntry>();
        std::snprintf(entry->path, sizeof entry->path, "%s", now.path.c_str());
        readEntryInfo(*entry);
        EntryNames names = entryNames(*entry);
        t.title = names.title;
        t.artist = names.artist;
        t.album = names.album;
        if (t.title.empty()) {
            char title[kMaxPathLength];
            fileTitleOf(entry->path, title, int(sizeof title));
            t.title = busText(title);
        }
        if (t.lengthUs <= 0 && entry->playTimeMs > 0) t.lengthUs = int64_t(entry->playTimeMs) * 1000;
    }
    track = std::move(t);
}

void MprisService::Impl::look() { now = player->state(); }

void MprisService::Impl::announce() {
    const Track before = track;
    readTrack();
    const char* changed[8] = {};
    int n = 0;
    if (!toldAny || now.status != told.status) changed[n++] = "PlaybackStatus";
    if (!toldAny || now.loop != told.loop) changed[n++] = "LoopStatus";
    if (!toldAny || now.shuffle != told.shuffle) changed[n++] = "Shuffle";
    if (!toldAny || now.volume != told.volume) changed[n++] = "Volume";
    if (!toldAny || before.serial != track.serial || before.title != track.title || before.album != track.album ||
        before.lengthUs != track.lengthUs)
        changed[n++] = "Metadata";
    if (!toldAny || (now.lengthMs > 0) != (told.lengthMs > 0)) changed[n++] = "CanSeek";
    if (n > 0) lib.sd_bus_emit_properties_changed_strv(bus, kMprisObjectPath, kPlayerInterface, const_cast<char**>(changed));
    if (toldAny && now.seeks != told.seeks)
        lib.sd_bus_emit_signal(bus, kMprisObjectPath, kPlayerInterface, "Seeked", "x", int64_t(now.seekTargetMs * 1000));
    told = now;
    toldAny = true;
}

void MprisService::Impl::run() {
    if (lib.sd_bus_open_user(&bus) < 0) {
        bus = nullptr;
        return;
    }
    look();
    readTrack();
    // The vtables first, so that a client that sees the name finds the object.
    int r = lib.sd_bus_add_object_vtable(bus, nullptr, kMprisObjectPath, kRootInterface, rootTable, this);
    if (r >= 0) r = lib.sd_bus_add_object_vtable(bus, nullptr, kMprisObjectPath, kPlayerInterface, playerTable, this);
    if (r >= 0) {
        r = lib.sd_bus_request_name(bus, kMprisBusName, 0);
        if (r == -EEXIST) {
            const std::string instance = std::string(kMprisBusName) + ".instance" + std::to_string(getpid());
            r = lib.sd_bus_request_name(bus, instance.c_str(), 0);
        }
    }
    while (r >= 0 && !quit.load()) {
        while ((r = lib.sd_bus_process(bus, nullptr)) > 0) {}
        if (r < 0) break;   // the bus went away: the player plays on without it
        look();
        announce();   // queued: the poll below then waits for the bus to take them
        uint64_t dueUs = 0;
        int waitMs = kLookMs;
        if (lib.sd_bus_get_timeout(bus, &dueUs) > 0 && dueUs != UINT64_MAX) {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            const uint64_t nowUs = uint64_t(ts.tv_sec) * 1000000 + uint64_t(ts.tv_nsec) / 1000;
            const uint64_t leftMs = dueUs > nowUs ? (dueUs - nowUs + 999) / 1000 : 0;
            if (leftMs < uint64_t(waitMs)) waitMs = int(leftMs);
        }
        const int events = lib.sd_bus_get_events(bus);
        pollfd fds[2] = {{lib.sd_bus_get_fd(bus), short(events > 0 ? events : POLLIN), 0}, {wakeFd(), POLLIN, 0}};
        poll(fds, 2, waitMs);
        uint64_t count = 0;
        if (fds[1].revents & POLLIN) (void)!read(wakeFd(), &count, sizeof count);
    }
    lib.sd_bus_flush_close_unref(bus);
    bus = nullptr;
}

std::string pathOfUri(const std::string& uri) {
    constexpr char kFile[] = "file://";
    if (uri.compare(0, 7, "http://") == 0 || uri.compare(0, 8, "https://") == 0) return uri;
    if (uri.compare(0, sizeof kFile - 1, kFile) != 0) return "";
    // file:///path or file://localhost/path
    size_t start = uri.find('/', sizeof kFile - 1);
    if (start == std::string::npos) return "";
    const std::string host = uri.substr(sizeof kFile - 1, start - (sizeof kFile - 1));
    if (!host.empty() && host != "localhost") return "";
    std::string path;
    for (size_t i = start; i < uri.size(); ++i) {
        int hi, lo;
        if (uri[i] == '%' && i + 2 < uri.size() && (hi = hexDigit(uri[i + 1])) >= 0 && (lo = hexDigit(uri[i + 2])) >= 0) {
            path += char(hi * 16 + lo);
            i += 2;
        } else {
            path += uri[i];
        }
    }
    if (path.find('\0') != std::string::npos || path.size() >= kPathCapacity) return "";
    return path;
}

std::string uriOfPath(const std::string& path) {
    if (containsUrlMarker(path.c_str())) return path;
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char cwd[kPathCapacity];
        if (getcwd(cwd, sizeof cwd)) full = std::string(cwd) + "/" + full;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : full) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

int MprisService::start(MprisPlayer& player) {
    if (impl_ || !loadSdBus() || wakeFd() < 0) return 0;
    fillTableStart(rootTable[0]);
    fillTableStart(playerTable[0]);
    auto impl = std::make_unique<Impl>();
    impl->player = &player;
    if (impl->thread.start(&busThread, impl.get(), 0) == -1) return 0;
    impl_ = impl.release();
    return 1;
}

void MprisService::changed() {
    const uint64_t one = 1;
    (void)!write(wakeFd(), &one, sizeof one);
}

void MprisService::stop() {
    if (!impl_) return;
    impl_->quit.store(true);
    changed();
    // A thread held by a stuck bus is left behind with its record, never freed under it.
    if (!impl_->thread.join(kThreadStopWaitMs)) {
        impl_->thread.abandon(0);
        impl_ = nullptr;
        return;
    }
    delete impl_;
    impl_ = nullptr;
}

} // namespace korvo::cli
