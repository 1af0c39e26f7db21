#include "app/vector_state.h"

namespace vantrel {

#if defined(__x86_64__) || defined(__i386__)

namespace {

__attribute__((target("avx"))) void zeroUpper() {
    __builtin_ia32_vzeroupper();
}

} // namespace

void clearUpperVectorState() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) {
        zeroUpper();
    }
}

#else

void clearUpperVectorState() {}

#endif

} // namespace vantrel
