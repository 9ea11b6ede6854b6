#include "app/win32/current_file_record.h"

#include <cstring>

#include "app/win32/win_texts.h"

namespace korvo::win {

int CurrentFileRecord::create() {
    release();
    KernelHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_COMMIT, 0,
                                            kCurrentFileRecordSize, kCurrentFileRecordName));
    if (!mapping) return 0;
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view) return 0;
    mapping_ = std::move(mapping);
    view_.reset(view.release());
    return 1;
}

int CurrentFileRecord::release() {
    view_.reset();
    mapping_.reset();
    return 1;
}

void CurrentFileRecord::write(const char* path) {
    if (!view_) return;
    char* dst = static_cast<char*>(view_.get());
    std::memset(dst, 0, kCurrentFileRecordSize);
    if (!path) return;
    // up to 260 bytes; byte 260 stays zero
    size_t n = strnlen(path, kCurrentFileRecordSize - 1);;
    std::memcpy(dst, path, n);
}

} // namespace korvo::win
