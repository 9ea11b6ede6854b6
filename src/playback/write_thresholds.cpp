#include "decoder_thread.h"

namespace korvo {

// Bytes of PCM gathered before each driver write, by sampling index. 16000 Hz is 6114,
// not 6144, on purpose: it keeps the block sizes the player has always written.
const int kWriteThresholdBytes[9] = {16384, 20480, 12288, 8192, 10240, 6114, 3072, 4096, 2048};

} // namespace korvo
