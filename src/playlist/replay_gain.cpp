#include "replay_gain.h"

#include <cmath>

#include "apev2.h"
#include "decoder/vbr_header.h"
#include "first_frame.h"
#include "platform/file.h"
#include "playlist_texts.h"
#include "settings/settings.h"

namespace korvo {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// A decimal number without exponent, read the same in every locale. 1 with the value and
// the text after it.
int parseDecimal(const char*& p, double& value) {
    while (isSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    double v = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits) v = v * 10 + (*p - '0');
    if (*p == '.' || *p == ',') {
        ++p;
        double scale = 0.1;
        for (; *p >= '0' && *p <= '9'; ++p, ++digits, scale /= 10) v += (*p - '0') * scale;
    }
    if (digits == 0) return 0;
    value = negative ? -v : v;
    return 1;
}

bool restIsBlank(const char* p) {
    while (isSpace(*p)) ++p;
    return *p == 0;
}

void takeValue(const char* gainText, const char* peakText, GainSource source, GainValue& value) {
    double db = 0, peak = 0;
    if (value.source != GainSource::None || !parseGainText(gainText, db)) return;
    value.source = source;
    value.gainDb = db;
    value.peak = parsePeakText(peakText, peak) ? peak : 0;
}

} // namespace

int parseGainText(const char* text, double& db) {
    const char* p = text;
    double v = 0;
    if (!parseDecimal(p, v)) return 0;
    while (isSpace(*p)) ++p;
    if ((p[0] == 'd' || p[0] == 'D') && (p[1] == 'b' || p[1] == 'B')) p += 2;
    if (!restIsBlank(p) || v > kMaxGainDb || v < -kMaxGainDb) return 0;
    db = v;
    return 1;
}

int parsePeakText(const char* text, double& peak) {
    const char* p = text;
    double v = 0;
    if (!parseDecimal(p, v) || !restIsBlank(p) || v < 0) return 0;
    peak = v;
    return 1;
}

void takeGainTexts(const ReplayGainTexts& t, GainSource source, ReplayGainValues& values) {
    takeValue(t.text[kTrackGainItem], t.text[kTrackPeakItem], source, values.track);
    takeValue(t.text[kAlbumGainItem], t.text[kAlbumPeakItem], source, values.album);
}

void takeLameGains(const VbrHeader& vbr, ReplayGainValues& values) {
    auto take = [&](int set, int tenths, GainValue& value) {
        const double db = tenths / 10.0;
        if (!set || value.source != GainSource::None || db > kMaxGainDb || db < -kMaxGainDb) return;
        value.source = GainSource::Lame;
        value.gainDb = db;
        value.peak = vbr.lamePeak;
    };
    take(vbr.lameTrackGainSet, vbr.lameTrackGainTenths, values.track);
    take(vbr.lameAlbumGainSet, vbr.lameAlbumGainTenths, values.album);
}

int readReplayGain(File& file, ReplayGainValues& values) {
    values = ReplayGainValues{};
    FirstFrame first;
    const int found = readFirstFrame(file, first);
    if (found < 0) return 0;
    if (first.tagBytes > 0) {
        Id3v2Names names;
        ReplayGainTexts texts;
        readId3v2Names(file, names, &texts);
        takeGainTexts(texts, GainSource::Id3v2, values);
    }
    Apev2Tag ape;
    if (readApev2Tag(file, ape)) takeGainTexts(ape.gains, GainSource::Apev2, values);
    VbrHeader vbr;
    if (found == 1 && parseVbrHeader(first.header, first.body, first.bodySize, vbr)) takeLameGains(vbr, values);
    return values.track.source != GainSource::None || values.album.source != GainSource::None ? 1 : 0;
}

int readReplayGain(const char* path, ReplayGainValues& values) {
    values = ReplayGainValues{};
    File file;
    if (!file.open(path, File::ReadRegular)) return 0;
    return readReplayGain(file, values);
}

ReplayGainChoice replayGainChoiceFromSettings() {
    Settings& s = settings();
    ReplayGainChoice c;
    c.mode = sharedValue(s.ReplayGainMode);
    c.preampDb = sharedValue(s.ReplayGainPreamp);
    c.defaultDb = sharedValue(s.ReplayGainDefault);
    c.clip = sharedValue(s.ReplayGainClip);
    return c;
}

double replayGainFactor(const ReplayGainValues& values, const ReplayGainChoice& choice) {
    if (choice.mode != kReplayGainTrack && choice.mode != kReplayGainAlbum) return 1.0;
    const GainValue& value =
        choice.mode == kReplayGainAlbum && values.album.source != GainSource::None ? values.album : values.track;
    if (value.source == GainSource::None) return std::pow(10.0, choice.defaultDb / 20.0);
    double factor = std::pow(10.0, (value.gainDb + choice.preampDb) / 20.0);
    if (choice.clip && value.peak > 0 && factor * value.peak > 1.0) factor = 1.0 / value.peak;
    return factor;
}

double replayGainFactorOf(const char* path, bool stream, const ReplayGainChoice& choice) {
    if (choice.mode == kReplayGainOff) return 1.0;
    ReplayGainValues values;
    if (!stream) readReplayGain(path, values);
    return replayGainFactor(values, choice);
}

const char* gainSourceName(GainSource source) {
    switch (source) {
    case GainSource::Id3v2: return playlist_texts::kGainSourceId3v2;
    case GainSource::Apev2: return playlist_texts::kGainSourceApev2;
    case GainSource::Lame: return playlist_texts::kGainSourceLame;
    case GainSource::None: break;
    }
    return playlist_texts::kGainSourceNone;
}

} // namespace korvo
