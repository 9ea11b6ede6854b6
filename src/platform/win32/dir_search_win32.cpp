#include "platform/dir_search.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/handles.h"

namespace korvo {

namespace {

struct SearchState {
    HANDLE handle;
    WIN32_FIND_DATAA data;
};

void fill(const WIN32_FIND_DATAA& data, DirEntry& entry) {
    entry.name = data.cFileName;
    entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

} // namespace

DirSearch::~DirSearch() { close(); }

int DirSearch::first(const char* pattern, DirEntry& entry) {
    close();
    if (!pattern || !*pattern) return 0;
    auto* state = new SearchState;
    state->handle = FindFirstFileA(pattern, &state->data);
    if (state->handle == INVALID_HANDLE_VALUE) {
        delete state;
        return 0;
    }
    impl_ = state;
    fill(state->data, entry);
    return 1;
}

int DirSearch::next(DirEntry& entry) {
    auto* state = static_cast<SearchState*>(impl_);
    if (!state || !FindNextFileA(state->handle, &state->data)) return 0;
    fill(state->data, entry);
    return 1;
}

void DirSearch::close() {
    auto* state = static_cast<SearchState*>(impl_);
    if (!state) return;
    FindClose(state->handle);
    delete state;
    impl_ = nullptr;
}

int folderIdentity(const char* path, FolderIdentity& out) {
    if (!path) return 0;
    // A folder opens only with backup semantics; a junction is followed to its target.
    win::KernelHandle folder(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder.get(), &info)) return 0;
    out.volume = info.dwVolumeSerialNumber;
    out.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return 1;
}

} // namespace korvo
