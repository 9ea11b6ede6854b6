#include "platform/pipe.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace korvo {

namespace {

// A socket pair instead of pipe(2): send with MSG_NOSIGNAL reports a gone reader as an
// error instead of raising SIGPIPE, the way WriteFile fails on a broken pipe.
struct PipeEnds {
    int readFd = -1;
    int writeFd = -1;
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
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    // Reading end is fds[0]; the unused directions are shut so each end is one-way.
    shutdown(fds[0], SHUT_WR);
    shutdown(fds[1], SHUT_RD);
    int size = static_cast<int>(capacity);
    if (size > 0) {
        setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    impl_ = new PipeEnds{fds[0], fds[1]};
    return 1;
}

int Pipe::read(void* dst, int n) {
    PipeEnds* e = ends(impl_);
    if (!e || e->readFd < 0 || n < 0) return -1;
    for (;;) {
        ssize_t r = ::recv(e->readFd, dst, static_cast<size_t>(n), 0);
        if (r >= 0) return static_cast<int>(r);
        if (errno != EINTR) return -1;
    }
}

int Pipe::write(const void* src, int n) {
    PipeEnds* e = ends(impl_);
    if (!e || e->writeFd < 0 || n < 0) return -1;
    const char* p = static_cast<const char*>(src);
    int done = 0;
    while (done < n) {
        ssize_t r = ::send(e->writeFd, p + done, static_cast<size_t>(n - done), MSG_NOSIGNAL);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<int>(r);
    }
    return done;
}

void Pipe::closeRead() {
    PipeEnds* e = ends(impl_);
    if (e && e->readFd >= 0) {
        ::close(e->readFd);
        e->readFd = -1;
    }
}

void Pipe::closeWrite() {
    PipeEnds* e = ends(impl_);
    if (e && e->writeFd >= 0) {
        ::close(e->writeFd);
        e->writeFd = -1;
    }
}

} // namespace korvo
