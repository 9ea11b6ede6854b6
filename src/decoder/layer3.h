#pragma once
// Layer III decoding (MPEG-1, MPEG-2 LSF, MPEG-2.5).

namespace korvo {

class Decoder;

class Layer3Decoder {
public:
    Layer3Decoder();
    ~Layer3Decoder();
    // Builds the process-wide Layer III tables (once; later calls do nothing).
    static void initLayer3Tables();
    // Decodes the frame whose body the decoder's reader holds, appending PCM; returns 1.
    int decodeLayer3Frame(Decoder& decoder);
};

} // namespace korvo
