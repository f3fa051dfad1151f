#pragma once

// The processing chain's per-sample loop (KolmariEngine::ProcessLanes), shared by the translation
// units that compile it: KolmariEngine.cpp for SSE2, KolmariEngineAvx2.cpp for processors with
// AVX2 and KolmariEngineAvx512.cpp for those with AVX-512; the engine picks the widest once at
// load. All give the same bits. Include only from those files.

#include "KolmariEngine.h"
#include "KolmariMath.h"
#include "KolmariShaperLanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolmari {
inline namespace KOLMARI_ISA {
namespace chain {

inline constexpr double kEps = KolmariEngine::kEpsilon;
inline constexpr double kGolden = 0.6180339887498949;
inline constexpr double kGoldenRest = 0.3819660112501051;

// Largest input magnitude the shaping path takes in. Far above any real signal; it keeps every
// intermediate value finite even for the largest doubles a host might hand over.
inline constexpr double kInputLimit = 1e15;

using lanes::Clamp01;


// Whether [a, a + n) and [b, b + n) share a sample.
inline bool Overlap(const double* a, const double* b, int n) {
  if (!a || !b) return false;
  const auto x = reinterpret_cast<uintptr_t>(a);
  const auto y = reinterpret_cast<uintptr_t>(b);
  const uintptr_t bytes = static_cast<uintptr_t>(n) * sizeof(double);
  return x < y + bytes && y < x + bytes;
}

// Moving state between the channels' records and the values the chain works on: one channel
// (double) or two (lanes::Pair, lane 0 the first channel).
template <class V> struct LaneIO;

template <> struct LaneIO<double> {
  static constexpr int kLanes = 1;
  static double Load(double first, double) { return first; }
  static void Store(double v, double& first, double&) { first = v; }
  static double Input(const double* const* in, int s) { return in[0] ? in[0][s] : 0.0; }
  static void Output(double v, double* const* out, int s) { out[0][s] = v; }
};

#ifdef KOLMARI_HAVE_PAIR
template <> struct LaneIO<lanes::Pair> {
  static constexpr int kLanes = 2;
  static lanes::Pair Load(double first, double second) { return lanes::Pair::FromLanes(first, second); }
  static void Store(lanes::Pair v, double& first, double& second) {
    _mm_storel_pd(&first, v.v);
    _mm_storeh_pd(&second, v.v);
  }
  static lanes::Pair Input(const double* const* in, int s) {
    return lanes::Pair::FromLanes(in[0] ? in[0][s] : 0.0, in[1] ? in[1][s] : 0.0);
  }
  static void Output(lanes::Pair v, double* const* out, int s) {
    _mm_storel_pd(out[0] + s, v.v);
    _mm_storeh_pd(out[1] + s, v.v);
  }
};
#endif

// Several substeps of V side by side in the widest lane type the unit has: four lanes where it has
// them, else two. Load and Store move kSubsteps consecutive V values of an array.
template <class V> struct Wide {
  using Type = V;
  static constexpr int kSubsteps = 1;
};
#ifdef KOLMARI_HAVE_QUAD
template <> struct Wide<double> {
  using Type = lanes::Quad;
  static constexpr int kSubsteps = 4;
  static Type Load(const double* p) { return _mm256_loadu_pd(p); }
  static void Store(double* p, Type v) { _mm256_storeu_pd(p, v.v); }
};
template <> struct Wide<lanes::Pair> {
  using Type = lanes::Quad;
  static constexpr int kSubsteps = 2;
  static Type Load(const lanes::Pair* p) { return _mm256_loadu_pd(reinterpret_cast<const double*>(p)); }
  static void Store(lanes::Pair* p, Type v) { _mm256_storeu_pd(reinterpret_cast<double*>(p), v.v); }
};
#elif defined(KOLMARI_HAVE_PAIR)
template <> struct Wide<double> {
  using Type = lanes::Pair;
  static constexpr int kSubsteps = 2;
  static Type Load(const double* p) { return _mm_loadu_pd(p); }
  static void Store(double* p, Type v) { _mm_storeu_pd(p, v.v); }
};
#endif

} // namespace chain
} // namespace KOLMARI_ISA

template <class V, class Isa>
void KolmariEngine::ProcessLanes(KolmariChannel* const* channels, const double* const* inputs, double* const* outputs,
                                 int frames, bool delta) {
  // Without oversampling each sample has one substep: its own copy of the loop, with none of the
  // bookkeeping for several.
  if (mOversamplingFactor == 1) {
    ProcessLanesWith<V, Isa, 1>(channels, inputs, outputs, frames, delta);
  } else {
    ProcessLanesWith<V, Isa, 0>(channels, inputs, outputs, frames, delta);
  }
}

template <class V, class Isa, int kFixedSubsteps>
void KolmariEngine::ProcessLanesWith(KolmariChannel* const* channels, const double* const* inputs,
                                     double* const* outputs, int frames, bool delta) {
  using namespace chain;
  using IO = LaneIO<V>;
  using lanes::Abs;
  using lanes::Flush;
  using lanes::Gt;
  using lanes::Lt;
  using lanes::Select;
  KolmariChannel& c0 = *channels[0];
  KolmariChannel& c1 = *channels[IO::kLanes - 1];

  // With the substeps fixed, so is the factor (1 substep: 1), and the arithmetic with it folds away.
  const int F = kFixedSubsteps > 0 ? kFixedSubsteps : mOversamplingFactor;
  const double factor = static_cast<double>(F);
  // F is a power of two, so multiplying by its reciprocal is exactly the division.
  const double perSubstep = 1.0 / factor;
  const double D = mDriftDivisor;
  const double cw = Clamp01(mWetFraction);
  const double levelCompensation = 1.0 - 0.33810717055349726 * static_cast<double>(mInputFraction);
  const double trim = static_cast<double>(mOutputTrim);
  const BiquadCoefficients& lp = mLowpass;
  const double closeness = mAdaaCloseness;
  const int react = mReactOn;
  const double bias = mBiasOffset;
  const double drive = mDrive;
  const double tameLimit = mTameLimit;
  const double tameBlend = mTameBlend;
  const double outputScale = mOutputScale;

  // The history taps depend on the rate factor only.
  const int tap = std::max(0, static_cast<int>(mRateFactor - 1.0));
  const int d2 = 2 * tap;
  const int d1 = d2 < 1 ? 1 : tap;
  const auto i1 = static_cast<size_t>(d1);
  const auto i2 = static_cast<size_t>(d2);
  static_assert(KolmariChannel::kReadDepth >= 6, "the taps reach slot 6 at the highest rate factor");

  // The channels' state, held here for the block and written back at its end.
  constexpr int kSlots = 13;
  V state[kSlots], gain[kSlots], feedback[kSlots];
  for (size_t i = 0; i < kSlots; ++i) {
    state[i] = IO::Load(c0.smoothState[i], c1.smoothState[i]);
    gain[i] = IO::Load(c0.smoothGain[i], c1.smoothGain[i]);
    feedback[i] = IO::Load(c0.smoothFeedback[i], c1.smoothFeedback[i]);
  }
  constexpr size_t kDepth = KolmariChannel::kReadDepth + 1;
  V stage[kDepth], outputHistory[kDepth], shaper[kDepth];
  for (size_t i = 0; i < kDepth; ++i) {
    stage[i] = IO::Load(c0.stageHistory[i], c1.stageHistory[i]);
    outputHistory[i] = IO::Load(c0.outputHistory[i], c1.outputHistory[i]);
    shaper[i] = IO::Load(c0.shaperHistory[i], c1.shaperHistory[i]);
  }
#define KOLMARI_LOAD(field) V field = IO::Load(c0.field, c1.field)
  KOLMARI_LOAD(previousInput);
  KOLMARI_LOAD(decimationSum);
  KOLMARI_LOAD(workSample);
  KOLMARI_LOAD(previousOutput);
  KOLMARI_LOAD(feedbackSample);
  KOLMARI_LOAD(deviation);
  KOLMARI_LOAD(reactThreshold);
  KOLMARI_LOAD(outputFeedback);
  KOLMARI_LOAD(dcState);
  KOLMARI_LOAD(dcGain);
  KOLMARI_LOAD(dcFeedback);
  KOLMARI_LOAD(biquadState1);
  KOLMARI_LOAD(biquadState2);
#undef KOLMARI_LOAD
  V adaaInput5 = IO::Load(c0.adaaLastInput[5], c1.adaaLastInput[5]);
  V adaaIntegral5 = IO::Load(c0.adaaLastIntegral[5], c1.adaaLastIntegral[5]);
  V adaaInput6 = IO::Load(c0.adaaLastInput[6], c1.adaaLastInput[6]);
  V adaaIntegral6 = IO::Load(c0.adaaLastIntegral[6], c1.adaaLastIntegral[6]);

  // One-pole update of slot i; returns the new state.
  const auto smooth = [&](size_t i, V input) {
    state[i] = feedback[i] * state[i] + gain[i] * input;
    return state[i];
  };
  // The same, but the state moves on only in the selected lanes.
  const auto smoothWhere = [&](size_t i, lanes::Mask<V> active, V input) {
    const V next = feedback[i] * state[i] + gain[i] * input;
    state[i] = Select(active, next, state[i]);
    return next;
  };

  // The first shaper and what feeds it (the upsampler, slots 0 to 2, the shaper history) depend on
  // nothing that the later stages compute, so they run ahead for a chunk of frames; the later
  // stages then take their results. Each state still sees its updates in the same order, so the
  // results are the same, and the processor can overlap the two halves' long latencies.
  constexpr int kChunk = 16;
  constexpr int kMaxSubsteps = 8;
  const int substeps = kFixedSubsteps > 0 ? kFixedSubsteps : std::min(F, kMaxSubsteps); // F is 1, 2, 4 or 8
  V mixed[kChunk * kMaxSubsteps];
  V dryOf[kChunk];
  V upsampled[kChunk * kMaxSubsteps], driven[kChunk * kMaxSubsteps], magnitude[kChunk * kMaxSubsteps];
  V logCosh[kChunk * kMaxSubsteps];
  V lastInputOf[kChunk * kMaxSubsteps], lastIntegralOf[kChunk * kMaxSubsteps], shapedMagnitudeOf[kChunk * kMaxSubsteps];
  // Reading ahead is safe when each output is its input's own buffer or apart from it; a partial
  // overlap (which no host hands over) goes frame by frame as the inputs would be read otherwise.
  int chunk = kChunk;
  for (int lane = 0; lane < IO::kLanes; ++lane) {
    if (inputs[lane] != outputs[lane] && Overlap(inputs[lane], outputs[lane], frames)) chunk = 1;
  }

  for (int start = 0; start < frames; start += chunk) {
    const int count = std::min(chunk, frames - start);

    // The upsampler for the chunk: walks from each previous input towards the current one.
    // Index j * substeps + k: frame j, substep k.
    bool belowKnee = true;
    for (int j = 0; j < count; ++j) {
      // Read the input once: the output may be the same buffer.
      const V raw = IO::Input(inputs, start + j);

      // A non-finite sample (a host glitch) is taken as silence, and absurdly large ones are
      // limited, so that no filter state or history can turn non-finite.
      const V dry = Select(lanes::IsFinite(raw), raw, V(0.0));
      dryOf[j] = dry;
      const V x = Flush(lanes::Clamp(dry, -kInputLimit, kInputLimit));
      const V xin = x + kEps;
      for (int k = 0; k < substeps; ++k) {
        const int at = j * substeps + k;
        const V increment = smooth(0, xin - previousInput) * perSubstep + kEps;
        upsampled[at] = Flush(previousInput + static_cast<double>(k) * increment);
        driven[at] = upsampled[at] * drive;
        magnitude[at] = lanes::Abs(driven[at]);
        belowKnee = belowKnee && lanes::Every(shapers::BelowKnee(driven[at]));
      }
      previousInput = xin;
    }
    const int total = count * substeps;
    workSample = driven[total - 1];

    // The first shaper. Below its knee, in every lane and substep of the chunk, it has no
    // envelope reaction, and its ln cosh values depend on nothing but the driven samples: they are
    // computed together, ahead of the rest.
    if (belowKnee) shapers::LogCoshOfMany(magnitude, logCosh, total);

    // The stages as steps, so that they can be run in two orders below.
    const auto firstShaperFrame = [&]() __attribute__((always_inline)) {
      // Only the slots the taps can reach move on.
      for (size_t i = kDepth - 1; i > 0; --i) shaper[i] = shaper[i - 1];
    };
    // One substep of the first shaper where the chunk reaches above its knee (below it, the whole
    // chunk goes side by side further down).
    const auto firstShaperStep = [&](int j, int k) __attribute__((always_inline)) {
      const int at = j * substeps + k;
      const V s1 = smooth(1, shaper[i1]);
      const V s2 = smooth(2, shaper[i2]);
      const V y1 = shapers::FirstShaper(driven[at], s1, s2, adaaInput5, adaaIntegral5, shaper[0], D, closeness);
      mixed[at] = cw * (y1 * levelCompensation) + (1.0 - cw) * upsampled[at];
    };
    V smoothed3[kMaxSubsteps], smoothed4[kMaxSubsteps], smoothed5[kMaxSubsteps], deviationOf[kMaxSubsteps];
    V smoothedDeviation[kMaxSubsteps], thresholdOf[kMaxSubsteps] = {};
    V leakyOf[kMaxSubsteps], heldThresholdOf[kMaxSubsteps], limitOf[kMaxSubsteps], shaperInputOf[kMaxSubsteps];
    V shapedOf[kMaxSubsteps], nearOf[kMaxSubsteps], edgeOf[kMaxSubsteps];
    // Whether the prelude has run the whole sample's substeps (the stage-history blend side by side
    // as well); its steps then have nothing left to do.
    bool frameDone = false;
    // The bias at its first two places: where e leans the bias's way, w moves towards `toward` by
    // the bias's amount.
    const auto leanWithBias = [&](auto w, auto toward, auto e) __attribute__((always_inline)) {
      if (bias > 0.0) {
        const double cb = Clamp01(1.0 - bias);
        w = Select(Gt(e, 0.0), cb * w + (1.0 - cb) * toward, w);
      }
      if (bias < 0.0) {
        const double cb = Clamp01(1.0 + bias);
        w = Select(Lt(e, 0.0), cb * w + (1.0 - cb) * toward, w);
      }
      return w;
    };
    // From the slope gate to the second shaper's input: given what the prelude computed ahead, a
    // substep's values here depend on no other substep's, so several substeps go side by side (T
    // is V or a wider type holding several substeps of V). Lane by lane the bits are V's.
    const auto shaperInput = [&](auto m, auto p, auto st3, auto st4, auto st5, auto dev, auto devS, auto held,
                                 auto t) __attribute__((always_inline)) {
      using T = decltype(m);
      // Slope gate.
      const T slope = Abs(st4 - st5);
      const T ratio = Clamp01(Abs(dev) / (slope + kEps));
      T w0 = ratio * p + (1.0 - ratio) * m;
      if (react == 1) w0 = Select(Gt(Abs(dev), held), ratio * w0 + (1.0 - ratio) * m, w0);

      w0 = kGolden * w0 + kGoldenRest * m;

      // Slew limit.
      const T g = Clamp01((devS - t) / ((t + tameLimit) / kPhi - t + kEps));
      const auto rising = Gt(dev, t);
      const auto limited = lanes::Or(rising, Gt(-dev, t));
      if (lanes::Any(limited)) {
        const T target = Select(rising, st3 + t, st3 - t);
        T limitedW0 = g * target + (1.0 - g) * w0;
        if (react == 1) {
          const T q = (1.0 - g) * m + g * limitedW0;
          limitedW0 = kGolden * q + kGoldenRest * m;
        }
        w0 = Select(limited, limitedW0, w0);
      }

      // Closeness correction.
      const T a = Abs(w0 - m);
      const T b = Abs(w0 - st4);
      const T cc = Clamp01(1.0 - Abs(a - b));
      w0 = Select(Gt(a, b), cc * w0 + (1.0 - cc) * m, w0);

      // Bias, first place.
      const T e2 = w0 - st4;
      w0 = leanWithBias(w0, m, e2);
      w0 = w0 - e2 / (D + kEps);
      return T(tameBlend * w0 + (1.0 - tameBlend) * m);
    };
    const auto laterStagesFrame = [&](int j) __attribute__((always_inline)) {
      for (size_t i = kDepth - 1; i > 0; --i) {
        stage[i] = stage[i - 1];
        outputHistory[i] = outputHistory[i - 1];
      }

      reactThreshold = decimationSum = deviation = V(kEps);

      // Slots 3, 4, 5 and 7 smooth values that stay fixed through the sample's substeps (the
      // previous outputs) or come from the first shaper (m), so they and React's thresholds, an
      // 8th power each, are computed ahead; the powers together, four at a time with AVX2.
      for (int k = 0; k < substeps; ++k) {
        smoothed3[k] = smooth(3, previousOutput);
        smoothed4[k] = smooth(4, outputHistory[i1]);
        smoothed5[k] = smooth(5, outputHistory[i2]);
        deviationOf[k] = mixed[j * substeps + k] - smoothed3[k];
        smoothedDeviation[k] = smooth(7, (deviationOf[k] + 1.0) * 0.5);
        if (react == 1) {
          const V cs = Clamp01(smoothedDeviation[k]);
          thresholdOf[k] = 1.0 - ((1.0 - cs) * 0.91213574841 + cs * 0.58223574541);
        }
      }
      if (react == 1) shapers::PowerOfMany<8>(thresholdOf, thresholdOf, substeps);

      // Slot 6, the leaky average against the last substep's result, depends on nothing else:
      // its chain runs ahead too. React's threshold as each substep finds it (held over from the
      // one before, reset every sample) and as it sets it.
      for (int k = 0; k < substeps; ++k) {
        const V m = mixed[j * substeps + k];
        const V st6 = smooth(6, feedbackSample);
        leakyOf[k] = m - (m - st6) / (D + kEps);
        feedbackSample = Flush(leakyOf[k]);
        heldThresholdOf[k] = react == 1 && k > 0 ? thresholdOf[k - 1] : V(kEps);
        limitOf[k] = react == 1 ? thresholdOf[k] : V(kEps);
      }
      deviation = deviationOf[substeps - 1];
      reactThreshold = limitOf[substeps - 1];

      using WideV = Wide<V>;
      int k = 0;
      if constexpr (WideV::kSubsteps > 1) {
        for (; k + WideV::kSubsteps <= substeps; k += WideV::kSubsteps) {
          const auto z = shaperInput(WideV::Load(mixed + j * substeps + k), WideV::Load(leakyOf + k),
                                     WideV::Load(smoothed3 + k), WideV::Load(smoothed4 + k), WideV::Load(smoothed5 + k),
                                     WideV::Load(deviationOf + k), WideV::Load(smoothedDeviation + k),
                                     WideV::Load(heldThresholdOf + k), WideV::Load(limitOf + k));
          WideV::Store(shaperInputOf + k, z);
        }
      }
      for (; k < substeps; ++k) {
        shaperInputOf[k] = shaperInput(mixed[j * substeps + k], leakyOf[k], smoothed3[k], smoothed4[k], smoothed5[k],
                                       deviationOf[k], smoothedDeviation[k], heldThresholdOf[k], limitOf[k]);
      }

      // Without React, with the near stage tap live in every lane and the second shaper below its
      // threshold in every substep, a substep's blend needs from the substeps before only slots 8
      // and 10, whose chains run first; the blend itself then goes side by side, and slots 9 and
      // 11 and the decimation follow in order.
      frameDone = false;
      if constexpr (WideV::kSubsteps > 1) {
        if (react != 0 || substeps < WideV::kSubsteps || !lanes::Every(lanes::NotZero(stage[i1]))) return;
        using W = typename WideV::Type;
        for (k = 0; k < substeps; k += WideV::kSubsteps) {
          const W x = WideV::Load(shaperInputOf + k) * outputScale;
          if (lanes::Any(shapers::OverSecondThreshold(x))) return;
          WideV::Store(shapedOf + k, shapers::SecondShaperKnee(x, lanes::Abs(x)));
        }
        for (k = 0; k < substeps; ++k) {
          nearOf[k] = smooth(8, stage[i1]);
          edgeOf[k] = smooth(10, shapedOf[k] - nearOf[k]);
        }
        for (k = 0; k < substeps; k += WideV::kSubsteps) {
          const W y2 = WideV::Load(shapedOf + k);
          const W h1 = WideV::Load(nearOf + k);
          const W eS = WideV::Load(edgeOf + k);
          const W cg = Clamp01(1.0 - y2 / (eS + kEps));
          W w1 = (1.0 - cg) * y2 + cg * h1;
          w1 = leanWithBias(0.2 * w1 + 0.8 * y2, y2, eS);
          WideV::Store(shapedOf + k, w1);
        }
        for (k = 0; k < substeps; ++k) {
          const auto live2 = lanes::NotZero(stage[i2]);
          const V h2 = Select(live2, smoothWhere(9, live2, stage[i2]), stage[1]);
          smooth(11, nearOf[k] - h2);
          stage[0] = shapedOf[k];
          decimationSum = decimationSum + shapedOf[k] * perSubstep;
        }
        frameDone = true;
      }
    };
    const auto laterStagesStep = [&](int k) __attribute__((always_inline)) {
      if (frameDone) return;
      const V z = shaperInputOf[k];
      const V y2 = shapers::SecondShaper(z * outputScale, adaaInput6, adaaIntegral6, closeness);

      // Stage-history blend.
      const auto live1 = lanes::NotZero(stage[i1]);
      const V h1 = Select(live1, smoothWhere(8, live1, stage[i1]), stage[0]);
      const auto live2 = lanes::NotZero(stage[i2]);
      const V h2 = Select(live2, smoothWhere(9, live2, stage[i2]), stage[1]);
      const V eS = smooth(10, y2 - h1);
      const V sS = smooth(11, h1 - h2);
      const V cg = Clamp01(1.0 - y2 / (eS + kEps));
      V w1 = y2;
      if (react == 0) {
        w1 = (1.0 - cg) * w1 + cg * h1;
      } else if (react == 1) {
        w1 = Select(Gt(eS, sS), (1.0 - cg) * w1 + cg * h1, w1);
        w1 = Select(Gt(-eS, sS), (1.0 - cg) * w1 + cg * h1, w1);
      }
      w1 = 0.2 * w1 + 0.8 * y2;

      // Bias, second place.
      w1 = leanWithBias(w1, y2, eS);

      stage[0] = w1;
      decimationSum = decimationSum + w1 * perSubstep;
    };
    const auto outputStages = [&](int j) __attribute__((always_inline)) {
      const int s = start + j;
      const V dry = dryOf[j];

      // Boxcar decimation.
      V out = trim * decimationSum;
      outputHistory[0] = Flush(out);
      previousOutput = Flush(out);

      // Output scale (attenuation only) and output smoother.
      const V o1 = outputScale < 1.0 ? outputScale * out : out;
      const V st12 = smooth(12, o1 - outputFeedback);
      const V o2 = o1 - st12 / (D + kEps);
      outputFeedback = Flush(o2);

      // Bias, third place (weaker).
      if (bias > 0.0) {
        const double cb = Clamp01(1.0 - 0.8 * bias);
        out = Select(Gt(st12, 0.0), cb * o2 + (1.0 - cb) * o1, o2);
      } else if (bias < 0.0) {
        const double cb = Clamp01(1.0 + 0.8 * bias);
        out = Select(Lt(st12, 0.0), cb * o2 + (1.0 - cb) * o1, o2);
      } else {
        out = o2;
      }

      // DC blocker.
      dcState = dcFeedback * dcState + dcGain * out;
      out = out - dcState;

      // Output lowpass, transposed direct form II.
      const V y = lp.b0 * out + biquadState1;
      biquadState1 = lp.b1 * out - lp.a1 * y + biquadState2;
      biquadState2 = lp.b2 * out - lp.a2 * y;

      V result = shapers::SoftClip(y);

      if (mWetFraction < 0.82) {
        const double cw2 = Clamp01(mWetFraction / 0.82);
        result = cw2 * result + (1.0 - cw2) * dry;
      }
      if (delta) result = result - dry;
      // Tails of tiny values (the floors above, a muted output) can end below the smallest normal
      // double; a host must never get those, in either audio path.
      IO::Output(Flush(result), outputs, s);
    };

    if (belowKnee) {
      // The first shaper for the whole chunk, then the later stages. Below the knee its memory
      // holds only the last magnitude and its ln cosh, known ahead for every substep: the
      // substeps go side by side, and the envelope slots (1 and 2) and the shaper history, which
      // only follow its results, move on after.
      using WideV = Wide<V>;
      lastInputOf[0] = adaaInput5;
      lastIntegralOf[0] = adaaIntegral5;
      for (int at = 1; at < total; ++at) {
        lastInputOf[at] = magnitude[at - 1] + kEps;
        lastIntegralOf[at] = logCosh[at - 1] + kEps;
      }
      const auto shapeBelowKnee = [&](auto x, auto lc, auto lastInput, auto lastIntegral, auto up, auto& shaped) {
        const auto y1 = shapers::FirstShaperBelowKnee(x, lc, lastInput, lastIntegral, shaped, closeness);
        return decltype(y1)(cw * (y1 * levelCompensation) + (1.0 - cw) * up);
      };
      int at = 0;
      if constexpr (WideV::kSubsteps > 1) {
        for (; at + WideV::kSubsteps <= total; at += WideV::kSubsteps) {
          typename WideV::Type shaped;
          WideV::Store(mixed + at, shapeBelowKnee(WideV::Load(driven + at), WideV::Load(logCosh + at),
                                                  WideV::Load(lastInputOf + at), WideV::Load(lastIntegralOf + at),
                                                  WideV::Load(upsampled + at), shaped));
          WideV::Store(shapedMagnitudeOf + at, shaped);
        }
      }
      for (; at < total; ++at) {
        mixed[at] = shapeBelowKnee(driven[at], logCosh[at], lastInputOf[at], lastIntegralOf[at], upsampled[at],
                                   shapedMagnitudeOf[at]);
      }
      adaaInput5 = magnitude[total - 1] + kEps;
      adaaIntegral5 = logCosh[total - 1] + kEps;
      for (int j = 0; j < count; ++j) {
        firstShaperFrame();
        for (int k = 0; k < substeps; ++k) {
          smooth(1, shaper[i1]);
          smooth(2, shaper[i2]);
          shaper[0] = shapedMagnitudeOf[j * substeps + k];
        }
      }
      for (int j = 0; j < count; ++j) {
        laterStagesFrame(j);
        for (int k = 0; k < substeps; ++k) laterStagesStep(k);
        outputStages(j);
      }
    } else {
      // Above the knee the first shaper is a long chain of dependent steps: each substep waits for
      // the one before. Frame j's later stages, which do not feed it, run between its steps for
      // frame j + 1, so that the processor works on them while the chain waits.
      for (int j = -1; j < count; ++j) {
        const bool next = j + 1 < count;
        const bool current = j >= 0;
        if (next) firstShaperFrame();
        if (current) laterStagesFrame(j);
        for (int k = 0; k < substeps; ++k) {
          if (next) firstShaperStep(j + 1, k);
          if (current) laterStagesStep(k);
        }
        if (current) outputStages(j);
      }
    }
  }

  for (size_t i = 0; i < kSlots; ++i) IO::Store(state[i], c0.smoothState[i], c1.smoothState[i]);
  for (size_t i = 0; i < kDepth; ++i) {
    IO::Store(stage[i], c0.stageHistory[i], c1.stageHistory[i]);
    IO::Store(outputHistory[i], c0.outputHistory[i], c1.outputHistory[i]);
    IO::Store(shaper[i], c0.shaperHistory[i], c1.shaperHistory[i]);
  }
#define KOLMARI_STORE(field) IO::Store(field, c0.field, c1.field)
  KOLMARI_STORE(previousInput);
  KOLMARI_STORE(decimationSum);
  KOLMARI_STORE(workSample);
  KOLMARI_STORE(previousOutput);
  KOLMARI_STORE(feedbackSample);
  KOLMARI_STORE(deviation);
  KOLMARI_STORE(reactThreshold);
  KOLMARI_STORE(outputFeedback);
  KOLMARI_STORE(dcState);
  KOLMARI_STORE(biquadState1);
  KOLMARI_STORE(biquadState2);
#undef KOLMARI_STORE
  IO::Store(adaaInput5, c0.adaaLastInput[5], c1.adaaLastInput[5]);
  IO::Store(adaaIntegral5, c0.adaaLastIntegral[5], c1.adaaLastIntegral[5]);
  IO::Store(adaaInput6, c0.adaaLastInput[6], c1.adaaLastInput[6]);
  IO::Store(adaaIntegral6, c0.adaaLastIntegral[6], c1.adaaLastIntegral[6]);
}

} // namespace kolmari
