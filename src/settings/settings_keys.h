#pragma once
// How each INI key maps to a field of Settings, and the orders in which they are read and written.
#include "settings/settings.h"

#include <cstddef>

namespace korvo {

enum class SettingKind {
    Int,         // "%d", read by the profile integer reader
    Unsigned,    // "%u" on write, so -1 is stored as 4294967295
    BufTime,     // float from text, "%02.02f"
    Bands,       // the twelve EqBand%02d floats, "%1.12f"
    ProgramDir,  // text whose default is the program's directory
    Text         // text with a fixed default
};

struct SettingKey {
    const char* name;            // the band key format for Bands
    SettingKind kind;
    size_t offset;               // of the field in Settings
    size_t size;                 // of the field in bytes (text capacity for texts)
    int intDefault;
    const char* textDefault;     // for BufTime, Bands and Text
};

extern const SettingKey* const* const kSettingsLoadOrder;
extern const size_t kSettingsLoadCount;
extern const SettingKey* const* const kSettingsSaveOrder;
extern const size_t kSettingsSaveCount;

} // namespace korvo
