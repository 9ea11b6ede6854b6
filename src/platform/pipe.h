#pragma once
// Anonymous pipes: a writer thread fills, a reader blocks until bytes arrive or the
// write end is closed.

namespace korvo {

class Pipe {
public:
    Pipe() = default;
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int create(unsigned capacity);      // 1 on success
    int read(void* dst, int n);         // bytes read; 0 when the write end is closed and empty; -1 error
    int write(const void* src, int n);  // bytes written; -1 when the read end is gone
    void closeRead();
    void closeWrite();

private:
    void* impl_ = nullptr;
};

} // namespace korvo
