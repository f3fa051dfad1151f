// The chain compiled for processors with AVX2: the same source as the SSE2 form
// (KolmariChain.h), with the wider registers where the chain has independent work for them. Only
// IEEE operations without contraction, so the bits are those of the SSE2 form. Everything this
// file compiles lives in its own inline namespace (avx2), so none of it can be linked in place of
// the SSE2 code; the engine calls it only where the processor has AVX2.
#include "KolmariChain.h"

#ifndef __AVX2__
#error "compile this file with -mavx2"
#endif

namespace kolmari {

void ProcessPairWithAvx2(KolmariEngine& engine, KolmariChannel* const* channels, const double* const* inputs,
                         double* const* outputs, int frames, bool delta) {
  engine.ProcessLanes<lanes::Pair, lanes::Isa>(channels, inputs, outputs, frames, delta);
}

void ProcessOneWithAvx2(KolmariEngine& engine, KolmariChannel* const* channels, const double* const* inputs,
                        double* const* outputs, int frames, bool delta) {
  engine.ProcessLanes<double, lanes::Isa>(channels, inputs, outputs, frames, delta);
}

} // namespace kolmari
