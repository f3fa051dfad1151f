#pragma once

// What the fuzz targets share: a Kolmari instance driven only through its effect record, as a host
// drives it, and the checks that must hold after anything a host or a file did to it. A failed
// check prints what failed and aborts, which libFuzzer reports as a crash with the input saved.

#include "Kolmari.h"
#include "VstInterface.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kolmari::fuzz {

using Bytes = std::vector<uint8_t>;

[[noreturn]] inline void Fail(const char* what, long long detail = 0) {
  std::fprintf(stderr, "fuzz check failed: %s (%lld)\n", what, detail);
  std::abort();
}

inline void Require(bool condition, const char* what, long long detail = 0) {
  if (!condition) Fail(what, detail);
}

// A plug-in instance as the entry point makes it, owned the way a host owns it: the effect record is
// all it is used through, and effClose ends it.
class Instance {
public:
  static constexpr float kSampleRate = 44100.0f;
  static constexpr int kBlockSize = 512;

  explicit Instance(lumen::vst2::audioMasterCallback host = nullptr) {
    lumen::IInstanceInfo info;
    info.hostCallback = host;
    mPlugin = new Kolmari(info);
    mPlugin->FillEmptyPresets();
    // A fixed drift draw, so that a saved input replays exactly.
    mPlugin->Engine().SetFixedDraw(0x80000000u);
    mEffect = mPlugin->Effect();
  }
  ~Instance() { Dispatch(lumen::vst2::effClose); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // effOpen and the calls every host makes before it plays anything.
  void Start() {
    using namespace lumen::vst2;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, kSampleRate);
    Dispatch(effSetBlockSize, 0, kBlockSize);
    Dispatch(effMainsChanged, 0, 1);
  }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
  }

  // The chunk the plug-in hands out, copied as a host copies it; empty when it hands out none.
  Bytes GetChunk(bool program) {
    void* data = nullptr;
    const intptr_t size = Dispatch(lumen::vst2::effGetChunk, program ? 1 : 0, 0, &data);
    Require(size >= 0, "a chunk size is never negative", size);
    if (size == 0) return {};
    Require(data != nullptr, "a chunk of non-zero size has data", size);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return Bytes(bytes, bytes + size);
  }

  // Hands the plug-in a copy of the bytes in a buffer of exactly their size (never a null pointer,
  // even for no bytes), so that reading past them is caught.
  intptr_t SetChunk(const uint8_t* bytes, size_t size, bool program) {
    Bytes copy(bytes, bytes + size);
    copy.reserve(1);
    const intptr_t result =
        Dispatch(lumen::vst2::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(size), copy.data());
    Require(result == 0 || result == 1, "effSetChunk answers 0 or 1", result);
    return result;
  }
  intptr_t SetChunk(const Bytes& bytes, bool program) { return SetChunk(bytes.data(), bytes.size(), program); }

  lumen::vst2::AEffect* Effect() { return mEffect; }
  Kolmari& Plugin() { return *mPlugin; }

private:
  Kolmari* mPlugin = nullptr; // deleted by effClose
  lumen::vst2::AEffect* mEffect = nullptr;
};

// Every parameter holds a finite value inside its range, and the host reads a normalised value in
// [0, 1] for it.
inline void RequireParametersInRange(Instance& instance) {
  Kolmari& plugin = instance.Plugin();
  lumen::vst2::AEffect* effect = instance.Effect();
  for (int i = 0; i < plugin.NParams(); ++i) {
    const lumen::IParam* param = plugin.GetParam(i);
    const double v = param->Value();
    Require(std::isfinite(v), "parameter value is finite", i);
    Require(v >= param->Min() && v <= param->Max(), "parameter value lies in its range", i);
    const float normalized = effect->getParameter(effect, i);
    Require(std::isfinite(normalized) && normalized >= 0.0f && normalized <= 1.0f,
            "getParameter answers a value in [0, 1]", i);
  }
}

// A stereo sine for the inputs.
inline void FillTestSignal(std::vector<float>& channel, int frames, float amplitude, int phase) {
  channel.resize(static_cast<size_t>(frames));
  for (int f = 0; f < frames; ++f) {
    channel[static_cast<size_t>(f)] = amplitude * static_cast<float>(std::sin(0.07 * (f + phase)));
  }
}

// A short block through the 32-bit and the 64-bit replacing calls: every output sample is finite.
inline void RequireFiniteBlock(Instance& instance, int frames = 64) {
  lumen::vst2::AEffect* effect = instance.Effect();
  const int inputs = effect->numInputs;
  const int outputs = effect->numOutputs;
  std::vector<std::vector<float>> in(static_cast<size_t>(inputs)), out(static_cast<size_t>(outputs));
  std::vector<float*> inPtr, outPtr;
  for (int c = 0; c < inputs; ++c) {
    FillTestSignal(in[static_cast<size_t>(c)], frames, 0.5f, c * 10);
    inPtr.push_back(in[static_cast<size_t>(c)].data());
  }
  for (int c = 0; c < outputs; ++c) {
    out[static_cast<size_t>(c)].assign(static_cast<size_t>(frames), 0.0f);
    outPtr.push_back(out[static_cast<size_t>(c)].data());
  }
  effect->processReplacing(effect, inPtr.data(), outPtr.data(), frames);
  for (const auto& channel : out) {
    for (float s : channel) Require(std::isfinite(s), "32-bit output is finite");
  }

  std::vector<std::vector<double>> in64(static_cast<size_t>(inputs)), out64(static_cast<size_t>(outputs));
  std::vector<double*> inPtr64, outPtr64;
  for (int c = 0; c < inputs; ++c) {
    for (float s : in[static_cast<size_t>(c)]) in64[static_cast<size_t>(c)].push_back(s);
    inPtr64.push_back(in64[static_cast<size_t>(c)].data());
  }
  for (int c = 0; c < outputs; ++c) {
    out64[static_cast<size_t>(c)].assign(static_cast<size_t>(frames), 0.0);
    outPtr64.push_back(out64[static_cast<size_t>(c)].data());
  }
  effect->processDoubleReplacing(effect, inPtr64.data(), outPtr64.data(), frames);
  for (const auto& channel : out64) {
    for (double s : channel) Require(std::isfinite(s), "64-bit output is finite");
  }
}

} // namespace kolmari::fuzz
