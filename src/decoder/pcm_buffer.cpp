#include "pcm_buffer.h"

#include <cstring>

namespace korvo {

void PcmBuffer::consume(int n) {
    if (n <= 0) return;
    if (n >= fill) {
        fill = 0;
        return;
    }
    std::memmove(data, data + n, size_t(fill - n));
    fill -= n;
}

} // namespace korvo
