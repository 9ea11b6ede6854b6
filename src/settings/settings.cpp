#include "settings/settings.h"

#include "settings/settings_keys.h"
#include "platform/file.h"
#include "platform/profile.h"

#include <atomic>
#include <cfloat>
#include <mutex>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korvo {

namespace {

// The band and buffer-time texts are read into a buffer of this size.
constexpr size_t kNumberTextSize = 256;
// Room for the widest "%1.12f" of a float (39 integer digits) and more.
constexpr size_t kNumberOutSize = 64;
// Volume levels above this are read as kEqVolumeFallback.
constexpr int kEqVolumeMax = 15;
constexpr int kEqVolumeFallback = 14;

Settings g_settings;

template <typename T>
T& field(Settings& s, const SettingKey& key, size_t index = 0) {
    return reinterpret_cast<T*>(reinterpret_cast<char*>(&s) + key.offset)[index];
}

// Decimal text to float: blanks, sign, digits, point, digits, exponent, and nothing else
// (no hexadecimal, "inf" or "nan", which the two platforms' converters treat differently).
// Text that is no number gives 0.
float parseDecimal(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    while (*p >= '0' && *p <= '9') ++p, digits = true;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p, digits = true;
    }
    if (!digits) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') ++e;
            p = e;
        }
    }
    char number[kNumberTextSize];
    size_t n = static_cast<size_t>(p - start);
    if (n >= sizeof number) n = sizeof number - 1;
    std::memcpy(number, start, n);
    number[n] = '\0';
    double d = std::strtod(number, nullptr);
    // Out of float range saturates instead of being an undefined conversion.
    if (d > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (d < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

// Without a usable path every key takes its default (the system would pick another file).
int readInt(const char* key, int def, const char* path) {
    return path ? profileGetInt(kSettingsSection, key, def, path) : def;
}

void readText(const char* key, const char* def, char* out, size_t outSize, const char* path) {
    if (path) profileGetString(kSettingsSection, key, def, out, outSize, path);
    else std::snprintf(out, outSize, "%s", def);
}

float readFloat(const char* key, const char* def, const char* path) {
    char text[kNumberTextSize];
    readText(key, def, text, sizeof text, path);
    return parseDecimal(text);
}

int writeFloat(const char* key, const char* format, float value, const char* path) {
    char text[kNumberOutSize];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return profileWriteString(kSettingsSection, key, text, path);
}

void bandKey(char* out, size_t outSize, int band) { std::snprintf(out, outSize, kKeyEqBandFormat, band); }

void loadKey(Settings& s, const SettingKey& key, const char* path) {
    switch (key.kind) {
    case SettingKind::Int:
    case SettingKind::Unsigned:
        field<int>(s, key) = readInt(key.name, key.intDefault, path);
        if (key.offset == offsetof(Settings, EqVolume) && s.EqVolume > kEqVolumeMax) s.EqVolume = kEqVolumeFallback;
        break;
    case SettingKind::BufTime:
        field<float>(s, key) = readFloat(key.name, key.textDefault, path);
        break;
    case SettingKind::Bands:
        for (int band = 0; band < kEqBandCount; ++band) {
            char name[24];
            bandKey(name, sizeof name, band);
            field<float>(s, key, static_cast<size_t>(band)) = readFloat(name, key.textDefault, path);
        }
        break;
    case SettingKind::ProgramDir:
        readText(key.name, programDirectory(), &field<char>(s, key), key.size, path);
        break;
    case SettingKind::Text:
        readText(key.name, key.textDefault, &field<char>(s, key), key.size, path);
        break;
    }
}

// 1 when the key (every band of a band key) was written.
int saveKey(Settings& s, const SettingKey& key, const char* path) {
    char text[kNumberOutSize];
    switch (key.kind) {
    case SettingKind::Int:
        std::snprintf(text, sizeof text, "%d", field<int>(s, key));
        return profileWriteString(kSettingsSection, key.name, text, path);
    case SettingKind::Unsigned:
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(field<int>(s, key)));
        return profileWriteString(kSettingsSection, key.name, text, path);
    case SettingKind::BufTime:
        return writeFloat(key.name, "%02.02f", field<float>(s, key), path);
    case SettingKind::Bands:
        for (int band = 0; band < kEqBandCount; ++band) {
            char name[24];
            bandKey(name, sizeof name, band);
            if (!writeFloat(name, "%1.12f", field<float>(s, key, static_cast<size_t>(band)), path)) return 0;
        }
        return 1;
    case SettingKind::ProgramDir:
    case SettingKind::Text: {
        // A copy, cut at the field's end: the decoder thread may be reading the field.
        char t[kSettingsDirSize > kSettingsTextSize ? kSettingsDirSize : kSettingsTextSize];
        copySharedText(&field<char>(s, key), key.size, t, sizeof t);
        return profileWriteString(kSettingsSection, key.name, t, path);
    }
    }
    return 0;
}

int clampInt(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// A hand-edited or damaged file may hold anything; values that index tables or drive the
// sound are brought into their ranges here, once, so no reader has to check them.
void bringIntoRange(Settings& s) {
    // Only the sound device and the WAV file exist; anything else is the sound device.
    if (s.AudioOutputSystem != 0 && s.AudioOutputSystem != 1) s.AudioOutputSystem = 0;
    // Below -1 names no device; a number past the last device is left to the sound side,
    // which alone knows how many there are.
    if (s.WinMMOutputDev < -1) s.WinMMOutputDev = -1;
    s.EqVolume = clampInt(s.EqVolume, 0, kEqVolumeMax);
    s.DecoderPriority = clampInt(s.DecoderPriority, kDecoderPriorityMin, kDecoderPriorityMax);
    s.MappingMode = clampInt(s.MappingMode, kMappingModeMin, kMappingModeMax);
    s.DownloadOption = clampInt(s.DownloadOption, 0, 1);
    s.MinimizeLocation = clampInt(s.MinimizeLocation, 0, 1);
    // An unknown mode plays the file as it is.
    if (s.ReplayGainMode < kReplayGainOff || s.ReplayGainMode > kReplayGainAlbum) s.ReplayGainMode = kReplayGainOff;
    if (s.DisplayMode < kDisplayModeName || s.DisplayMode >= kDisplayModeCount) s.DisplayMode = kDisplayModeName;
    s.ReplayGainPreamp = clampInt(s.ReplayGainPreamp, kReplayGainDbMin, kReplayGainDbMax);
    s.ReplayGainDefault = clampInt(s.ReplayGainDefault, kReplayGainDbMin, kReplayGainDbMax);
    for (float& gain : s.EqBand) {
        if (!(gain >= kEqGainMin)) gain = kEqGainMin;   // also what is no number at all
        if (gain > kEqGainMax) gain = kEqGainMax;
    }
}

} // namespace

Settings& settings() { return g_settings; }

namespace {
std::mutex& sharedTextLock() {
    static std::mutex m;
    return m;
}
} // namespace

int sharedValue(const int& field) {
    return std::atomic_ref<int>(const_cast<int&>(field)).load(std::memory_order_relaxed);
}

void setSharedValue(int& field, int value) { std::atomic_ref<int>(field).store(value, std::memory_order_relaxed); }

void copySharedText(const char* field, size_t fieldSize, char* out, size_t outSize) {
    if (outSize == 0) return;
    std::lock_guard<std::mutex> lock(sharedTextLock());
    size_t n = strnlen(field, fieldSize);
    if (n >= outSize) n = outSize - 1;
    std::memcpy(out, field, n);
    out[n] = 0;
}

void setSharedText(char* field, size_t fieldSize, const char* text) {
    if (fieldSize == 0) return;
    std::lock_guard<std::mutex> lock(sharedTextLock());
    std::snprintf(field, fieldSize, "%s", text ? text : "");
}

int settingsPath(char* out, size_t outSize) {
    int n = std::snprintf(out, outSize, "%s%s", programDirectory(), kSettingsFileName);
    return n > 0 && static_cast<size_t>(n) < outSize ? 1 : 0;
}

int loadSettings() {
    char path[kSettingsPathSize];
    const char* file = settingsPath(path, sizeof path) ? path : nullptr;
    for (size_t i = 0; i < kSettingsLoadCount; ++i) loadKey(g_settings, *kSettingsLoadOrder[i], file);
    bringIntoRange(g_settings);
    return 1;
}

int saveSettings() {
    char path[kSettingsPathSize];
    if (!settingsPath(path, sizeof path)) return 0;
    // The keys go into a copy of the old file, so that the keys and sections of others stay,
    // and the copy takes its place only when every key is in.
    ReplacingFile out;
    if (!out.open(path, true)) return 0;
    out.releaseHandle();
    for (size_t i = 0; i < kSettingsSaveCount; ++i)
        if (!saveKey(g_settings, *kSettingsSaveOrder[i], out.temporaryPath())) return 0;
    profileFlush(out.temporaryPath());
    return out.commit();
}

} // namespace korvo
