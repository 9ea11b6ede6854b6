#include "vector_path.h"

#include "dsp_avx2.h"

namespace korvo {

namespace {

int processorHasAvx2() {
#if KORVO_HAVE_AVX2_PATH
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
    return 0;
#endif
}

const int g_processorAvx2 = processorHasAvx2();
int g_forcedPlain = 0;

} // namespace

int vectorPathActive() { return g_processorAvx2 && !g_forcedPlain; }

void forcePlainPath(int on) { g_forcedPlain = on ? 1 : 0; }

} // namespace korvo
