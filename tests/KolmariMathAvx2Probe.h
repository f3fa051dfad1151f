#pragma once

// The engine's maths in four-lane form, compiled for AVX2 in a file of its own
// (KolmariMathAvx2Probe.cpp), so that the tests can compare it with the narrower forms. Call only
// where KolmariEngine::IsaAvailable(KolmariEngine::ChainIsa::Avx2).

#include "KolmariMath.h"

namespace kolmari::test {

enum class MathFunction { Tanh, LogCosh, Expm1, Exp, Pow8 };

// f(x) in whichever lane type V the including file has. Local to each file (unnamed namespace):
// the files compile the maths for different instruction sets, so their instances must not merge.
namespace {
template <class V> V Evaluate(MathFunction f, V x) {
  switch (f) {
    case MathFunction::Tanh: return math::Tanh(x);
    case MathFunction::LogCosh: return math::LogCosh(x);
    case MathFunction::Expm1: return math::Expm1(x);
    case MathFunction::Exp: return math::Exp(x);
    case MathFunction::Pow8: return math::PowInt<8>(x);
  }
  return V(0.0);
}
} // namespace

// out[i] = f(in[i]) for i < n, n a multiple of 4, four at a time.
void EvaluateWithQuad(MathFunction f, const double* in, double* out, int n);

} // namespace kolmari::test
