#include "decoder_thread.h"

namespace korvo {

// DecoderPriority 0..5: lowest, below normal, normal, above normal, highest, time critical.
const int kDecoderPriorityLevels[6] = {PriorityLowest, PriorityBelowNormal, PriorityNormal,
                                       PriorityAboveNormal, PriorityHighest, PriorityTimeCritical};

} // namespace korvo
