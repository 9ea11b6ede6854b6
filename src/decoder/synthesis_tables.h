#pragma once
// Fixed data of the polyphase synthesis filterbank.

namespace korvo {

// 1 / (2 cos(pi (2i + 1) / 2N)) for N = 32, 16, 8, 4, 2, in that order: the constants
// of the fast 32-point transform, one stage per N.
extern const double kSynthesisCosines[31];

// The synthesis window D[0..511] of ISO/IEC 11172-3 (Table 3-B.3) scaled by 32768.
struct SynthesisWindowD {
    double d[512];
};
extern const SynthesisWindowD kSynthesisWindowD;

// The window arranged for the ring of stored transform values: rows are indexed by
// 16 - ring position + column (each of the 16 rows stored twice, so a slot's columns
// run contiguously), entries by the stored value's row. `front` forms samples 0..16,
// `back` samples 31..17 (entry r gives sample 32 - r).
struct SynthesisWindow {
    static constexpr int kFrontRows = 18;   // 17 used, one of padding
    static constexpr int kBackRows = 16;    // 1..15 used
    // Rows of the front and the ring's columns are 160 bytes apart: from a 32-byte aligned
    // start no 32-byte load crosses a cache line.
    static constexpr int kStride = 20;
    alignas(32) double front[32][kStride];
    alignas(32) double back[32][kBackRows];
};
extern const SynthesisWindow kSynthesisWindow;

} // namespace korvo
