#pragma once

#include "KolmariEngine.h"
#include "KolmariParams.h"
// The binding this build of the plug-in is for: its base class lumen::PluginBase and the record
// lumen::IInstanceInfo that the binding's entry point hands to the constructor.
#include "PluginBase.h"

namespace kolmari {

// The drive-and-shape effect: its configuration, its nine parameters and its processing.
class Kolmari : public lumen::PluginBase {
public:
  static constexpr int32_t kVersion = kPackedVersion;

  explicit Kolmari(const lumen::IInstanceInfo& info);
  ~Kolmari() override;

  static lumen::IEffectSettings Settings();

  void ProcessBlock(double** inputs, double** outputs, int frames) override;
  void OnReset() override;
  void OnClearState() override;
  void OnIdle() override;
  // Reproducible renders: the drift's generator seeded from the host's value (any thread).
  bool OnFixedSeed(std::optional<uint32_t> seed) override;

  KolmariEngine& Engine() { return mEngine; }
  const KolmariEngine& Engine() const { return mEngine; }

private:
  // "1-1 2-2": never more than two output records.
  static constexpr int kMaxOutputs = 2;
  KolmariEngine mEngine;
};

} // namespace kolmari
