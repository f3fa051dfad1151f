#include "KolmariMathAvx2Probe.h"

#include "KolmariMath.h"

#ifndef __AVX2__
#error "compile this file with -mavx2"
#endif

namespace kolmari::test {

void EvaluateWithQuad(MathFunction f, const double* in, double* out, int n) {
  for (int i = 0; i + 4 <= n; i += 4) {
    const lanes::Quad x = _mm256_loadu_pd(in + i);
    lanes::Quad y;
    switch (f) {
      case MathFunction::Tanh: y = math::Tanh(x); break;
      case MathFunction::LogCosh: y = math::LogCosh(x); break;
      case MathFunction::Expm1: y = math::Expm1(x); break;
      case MathFunction::Exp: y = math::Exp(x); break;
      case MathFunction::Pow8: y = math::PowInt<8>(x); break;
    }
    _mm256_storeu_pd(out + i, y.v);
  }
}

} // namespace kolmari::test
