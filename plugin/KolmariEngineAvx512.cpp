// The chain compiled for processors with AVX-512 (F, VL and DQ): the same source and the same
// four-lane types as the AVX2 form, but with the thirty-two vector registers AVX-512 brings, so
// that the chain keeps its state in registers instead of reloading it from memory every sample.
// Only IEEE operations without contraction, so the bits are those of the SSE2 form. Everything this
// file compiles lives in its own inline namespace (avx512); the engine calls it only where the
// processor has AVX-512.
#include "KolmariChain.h"

#ifndef __AVX512VL__
#error "compile this file with -mavx512f -mavx512vl -mavx512dq"
#endif

namespace kolmari {

void ProcessPairWithAvx512(KolmariEngine& engine, KolmariChannel* const* channels, const double* const* inputs,
                           double* const* outputs, int frames, bool delta) {
  engine.ProcessLanes<lanes::Pair, lanes::Isa>(channels, inputs, outputs, frames, delta);
}

void ProcessOneWithAvx512(KolmariEngine& engine, KolmariChannel* const* channels, const double* const* inputs,
                          double* const* outputs, int frames, bool delta) {
  engine.ProcessLanes<double, lanes::Isa>(channels, inputs, outputs, frames, delta);
}

} // namespace kolmari
