#pragma once

// The engine's maths in four-lane form, compiled for AVX2 in a file of its own
// (KolmariMathAvx2Probe.cpp), so that the tests can compare it with the narrower forms. Call only
// where KolmariEngine::IsaAvailable(KolmariEngine::ChainIsa::Avx2).

namespace kolmari::test {

enum class MathFunction { Tanh, LogCosh, Expm1, Exp, Pow8 };

// out[i] = f(in[i]) for i < n, n a multiple of 4, four at a time.
void EvaluateWithQuad(MathFunction f, const double* in, double* out, int n);

} // namespace kolmari::test
