#pragma once
// What the two download threads (libcurl's and WinInet's) share.

namespace korvo {

// The stall limit in use (setStreamStallLimitMs).
unsigned streamStallLimitMs();

} // namespace korvo
