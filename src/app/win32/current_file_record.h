#pragma once
// The named shared record "CurrentPlayingFile" (261 bytes) through which other programs
// can see which file plays.
#include "app/win32/handles.h"

namespace korvo::win {

constexpr int kCurrentFileRecordSize = 261;

class CurrentFileRecord {
public:
    int create();     // 1 when the mapping and its view exist
    int release();    // always 1
    // Stores a zero-terminated path cut to 260 bytes (the 261st byte stays zero); nullptr
    // clears the record.
    void write(const char* path);
    bool isOpen() const { return static_cast<bool>(view_); }

private:
    KernelHandle mapping_;
    MappedView view_;
};

} // namespace korvo::win
