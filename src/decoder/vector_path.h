#pragma once
// Choice between the plain code and the AVX2 code of the hot loops. Both do the same
// operations in the same order, so they give the same PCM; the plain one can be forced
// (tests compare the two, and the benchmark measures each).

namespace korvo {

// 1 when the AVX2 code runs: built for this target, the processor has it, and the plain
// code is not forced.
int vectorPathActive();
// Forces the plain code (1) or lets the processor decide again (0). Process-wide; set it
// before decoding starts, not while another thread decodes.
void forcePlainPath(int on);

} // namespace korvo
