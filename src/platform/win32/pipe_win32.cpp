#include "platform/pipe.h"

#include <windows.h>

namespace korvo {

namespace {

struct PipeEnds {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
};

PipeEnds* ends(void* p) { return static_cast<PipeEnds*>(p); }

} // namespace

Pipe::~Pipe() {
    closeRead();
    closeWrite();
    delete ends(impl_);
}

int Pipe::create(unsigned capacity) {
    if (impl_) return 0;
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, nullptr, capacity)) return 0;
    impl_ = new PipeEnds{r, w};
    return 1;
}

int Pipe::read(void* dst, int n) {
    PipeEnds* e = ends(impl_);
    if (!e || !e->readEnd || n < 0) return -1;
    DWORD got = 0;
    if (!ReadFile(e->readEnd, dst, static_cast<DWORD>(n), &got, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return static_cast<int>(got);
}

int Pipe::write(const void* src, int n) {
    PipeEnds* e = ends(impl_);
    if (!e || !e->writeEnd || n < 0) return -1;
    DWORD put = 0;
    if (!WriteFile(e->writeEnd, src, static_cast<DWORD>(n), &put, nullptr)) return -1;
    return static_cast<int>(put);
}

void Pipe::closeRead() {
    PipeEnds* e = ends(impl_);
    if (e && e->readEnd) {
        CloseHandle(e->readEnd);
        e->readEnd = nullptr;
    }
}

void Pipe::closeWrite() {
    PipeEnds* e = ends(impl_);
    if (e && e->writeEnd) {
        CloseHandle(e->writeEnd);
        e->writeEnd = nullptr;
    }
}

} // namespace korvo
