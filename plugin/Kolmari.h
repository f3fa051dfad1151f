#pragma once

#include "IEffectVST2.h"
#include "KolmariEngine.h"

namespace kolmari {

// Parameter indices as the host, the state chunk and the editor know them.
enum EParam : int {
  kBypass = 0,
  kReact = 1,
  kOversampling = 2,
  kDelta = 3,
  kInputGain = 4,
  kWet = 5,
  kTame = 6,
  kOutputGain = 7,
  kBias = 8,
  kNumParams = 9,
};

// The drive-and-shape effect: its configuration, its nine parameters and its processing.
class Kolmari : public lumen::IEffectVST2 {
public:
  static constexpr int32_t kVersion = 0x00010105; // 1.1.5

  explicit Kolmari(const lumen::IInstanceInfo& info);
  ~Kolmari() override;

  static lumen::IEffectSettings Settings();

  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  void OnReset() override;
  void OnIdle() override;
  // Reproducible renders: the drift's generator seeded from the host's value (any thread).
  bool OnFixedSeed(std::optional<uint32_t> seed) override;

  KolmariEngine& Engine() { return mEngine; }
  const KolmariEngine& Engine() const { return mEngine; }

private:
  KolmariEngine mEngine;
};

} // namespace kolmari
