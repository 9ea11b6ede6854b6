// A Layer III frame from its side information to PCM, granule by granule; the steps are in
// the layer3_*.cpp files beside it.
#include "layer3.h"

#include <algorithm>
#include <cstring>

#include "decoder.h"
#include "equalizer.h"
#include "layer3_internal.h"

namespace korvo {

Layer3Decoder::Layer3Decoder() : s_(std::make_unique<State>()) { initLayer3Tables(); }
Layer3Decoder::~Layer3Decoder() = default;

int Layer3Decoder::decodeLayer3Frame(Decoder& d) {
    lastDecoded_ = decodeFrame(d);
    return 1;
}

int Layer3Decoder::decodeFrame(Decoder& d) {
    State& st = *s_;
    const FrameHeader& h = d.header();
    FrameReader& rd = d.reader();
    const int channels = h.channels == 1 ? 1 : 2;
    const int lsf = h.lsf;
    const int sfi = std::clamp(int(h.samplingIndex), 0, 8);
    const int ms = (h.mode == 1 && (h.modeExtension & 2)) ? 1 : 0;
    const int is = (h.mode == 1 && (h.modeExtension & 1)) ? 1 : 0;
    const int channelSelect = channels == 1 ? 0 : h.channelSelect;
    const int gainOffset = channelSelect == 3 ? 4 : 0;
    const int granules = lsf ? 1 : 2;

    SideInfo si;
    if (!readLayer3SideInfo(rd, channels, lsf, sfi, ms, gainOffset, si)) return 0;

    rd.setMainDataPointer(int(si.mainDataBegin));
    const uint8_t* base = rd.bufferStart();
    size_t size = size_t(rd.bufferEnd() - base) + 8;
    st.bits.init(base, size, size_t(rd.cursor() - base) * 8 + size_t(rd.bitIndex()));

    Synthesis& syn = d.synthesis();
    PcmBuffer& pcm = d.pcm();
    const int outChannels = (channels == 2 && channelSelect == -1) ? 2 : 1;

    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleInfo& gi = si.granules[ch][gr];
            size_t startPos = st.bits.pos;
            int part2 = lsf ? st.readScaleFactorsLsf(ch, gi, ch == 1 && is, 0) : st.readScaleFactors(ch, gi);
            (void)part2;
            size_t endPos = startPos + size_t(gi.part23Length);
            int qEnd = 0, forced = -1;
            if (st.decodeHuffman(gi, endPos, qEnd, forced)) return 0;
            st.bits.pos = endPos;
            st.requantise(ch, gi, sfi, lsf, qEnd, forced);
        }
        GranuleInfo& g0 = si.granules[0][gr];
        if (channels == 2) {
            GranuleInfo& g1 = si.granules[1][gr];
            if (ms) {
                int lines = 18 * std::max(g0.activeSubbands, g1.activeSubbands);
                st.middleSide(std::min(lines, 576));
            }
            if (is) st.intensityStereo(g1, sfi, lsf, ms, d.options.mappingMode);
            if (ms || is || channelSelect == 3) {
                int a = std::max(g0.activeSubbands, g1.activeSubbands);
                g0.activeSubbands = g1.activeSubbands = a;
            }
            if (channelSelect == 1 || channelSelect == 3) {
                int lines = std::min(18 * g1.activeSubbands, 576);
                if (channelSelect == 1) std::memcpy(st.spectrum[0], st.spectrum[1], sizeof(double) * size_t(lines));
                else for (int i = 0; i < lines; ++i) st.spectrum[0][i] += st.spectrum[1][i];
                g0.activeSubbands = std::max(g0.activeSubbands, g1.activeSubbands);
                if (channelSelect == 1) { g0.blockType = g1.blockType; g0.mixedBlockFlag = g1.mixedBlockFlag; }
            }
        }
        if (d.options.eqEnabled && d.options.eqLineGains) applyEq(st.spectrum, d.options.eqLineGains);
        for (int ch = 0; ch < outChannels; ++ch) {
            const GranuleInfo& gi = si.granules[ch][gr];
            st.antialias(ch, gi);
            st.hybrid(ch, gi);
        }
        uint8_t* out = pcm.data + pcm.fill;
        if (outChannels == 1) {
            syn.synthSlots(st.timeSamples[0], 18, 0, true, out, h.pcmBytesPerBlock);
        } else {
            syn.synthSlots(st.timeSamples[0], 18, 0, false, out, h.pcmBytesPerBlock);
            syn.synthSlots(st.timeSamples[1], 18, 1, false, out, h.pcmBytesPerBlock);
        }
        pcm.fill += 18 * h.pcmBytesPerBlock;
    }
    return 1;
}

} // namespace korvo
