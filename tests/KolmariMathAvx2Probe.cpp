#include "KolmariMathAvx2Probe.h"

#ifndef __AVX2__
#error "compile this file with -mavx2"
#endif

namespace kolmari::test {

void EvaluateWithQuad(MathFunction f, const double* in, double* out, int n) {
  for (int i = 0; i + 4 <= n; i += 4) {
    const lanes::Quad x = _mm256_loadu_pd(in + i);
    const lanes::Quad y = Evaluate(f, x);
    _mm256_storeu_pd(out + i, y.v);
  }
}

} // namespace kolmari::test
