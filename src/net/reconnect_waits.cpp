#include "net/stream.h"

namespace korvo {

const int kReconnectWaitUnits[kReconnectTries] = {1, 2, 4, 8, 8};

} // namespace korvo
