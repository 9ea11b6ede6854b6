#pragma once
// The playback engine's own texts.

namespace korvo::texts {

inline constexpr char kDecoderErrorTitle[] = "Decoder Error Message...";
inline constexpr char kCouldNotOpenFile[] = "Could not open file: %s";
inline constexpr char kErrorTitle[] = "Error...";
inline constexpr char kShutdownError[] = "KORVO: Error on Audio System Shutdown!";

inline constexpr char kBadDevice[] = "Bad Device";
inline constexpr char kUnknownError[] = "Unknown error";
inline constexpr char kWaveOutOpen[] = "waveOutOpen";
inline constexpr char kWaveOutPause[] = "waveOutPause";
inline constexpr char kWaveOutClose[] = "waveOutClose";

inline constexpr char kWavErrorTitle[] = "Wave file output error";
inline constexpr char kWavCouldNotOpen[] = "Could not open file.";
inline constexpr char kWavCouldNotWrite[] = "Could not write to file";
inline constexpr char kWavSetInfoFailed[] = "mmioSetInfo() failed!";
inline constexpr char kWavAscendDataFailed[] = "Ascend on data chunk failed!";
inline constexpr char kWavAscendRiffFailed[] = "Ascend on RIFF chunk failed!";
inline constexpr char kWavCloseFailed[] = "Could not close output file!";
inline constexpr char kWavSaveFilter[] = "Waveform Audio";
inline constexpr char kWavSavePattern[] = "*.wav";
inline constexpr char kWavDefaultExt[] = "WAV";
inline constexpr char kWavSaveTitle[] = "Save a WaveForm Audio File...";
// The sound would be written over a file it comes from (the path goes in).
inline constexpr char kWavOutputIsInput[] = "The sound cannot be written into %s: it comes from that file";

// The PulseAudio driver's error boxes.
inline constexpr char kPulseTitle[] = "PulseAudio";
inline constexpr char kPulseNoServer[] = "No sound server could be reached";
inline constexpr char kPulseDeviceName[] = "PulseAudio";

} // namespace korvo::texts
