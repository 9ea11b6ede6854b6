#pragma once
// Layer I decoding.

namespace korvo {

class Decoder;

// Decodes the Layer I frame the decoder's reader holds; appends 12 slots of PCM. Returns 1.
int decodeLayer1(Decoder& decoder);

} // namespace korvo
