#pragma once
// The ReplayGain values of a file, from the first of its tags that holds each: ID3v2 TXXX
// frames, an APEv2 tag, lame's header in the first frame.
#include <cstdint>

#include "id3v2.h"

namespace korvo {

class File;
struct VbrHeader;

enum class GainSource { None, Id3v2, Apev2, Lame };

// A gain and the peak from the same source.
struct GainValue {
    GainSource source = GainSource::None;   // None: no usable gain was found
    double gainDb = 0;
    double peak = 0;                         // linear, 1.0 = full scale; 0 when not given
};

struct ReplayGainValues {
    GainValue track;
    GainValue album;
};

// Gains beyond this are errors, not values.
inline constexpr double kMaxGainDb = 51.0;

// "-7.23 dB", "+1.5 dB", "3": 1 with the dB value, 0 for anything else (also beyond 51 dB).
int parseGainText(const char* text, double& db);
// "0.988525": 1 with the linear peak, 0 for anything else (also a negative peak).
int parsePeakText(const char* text, double& peak);

// Takes the track and album values out of texts when a gain there is usable and neither
// is set yet.
void takeGainTexts(const ReplayGainTexts& texts, GainSource source, ReplayGainValues& values);
// The same from lame's header fields.
void takeLameGains(const VbrHeader& vbr, ReplayGainValues& values);

// Reads all three sources of a file. 1 when at least one value was found.
int readReplayGain(File& file, ReplayGainValues& values);
int readReplayGain(const char* path, ReplayGainValues& values);

// What the player makes of the values, from its settings.
struct ReplayGainChoice {
    int mode = 0;            // kReplayGainOff, kReplayGainTrack, kReplayGainAlbum
    double preampDb = 0;     // added to a file's own gain
    double defaultDb = 0;    // the gain of a file without one (the preamp is not added)
    int clip = 1;            // the factor never takes a known peak past full scale
};

// The settings' choice, read through the hand-over to the decoder thread.
ReplayGainChoice replayGainChoiceFromSettings();
// The factor on the samples of a file with these values: 1 with the mode off.
double replayGainFactor(const ReplayGainValues& values, const ReplayGainChoice& choice);
// The same for the file at path, its tags read only when the mode is on. A stream has no
// tags to read and takes the default gain.
double replayGainFactorOf(const char* path, bool stream, const ReplayGainChoice& choice);

// The source's name for reports: "ID3v2", "APEv2", "LAME", "none".
const char* gainSourceName(GainSource source);

} // namespace korvo
