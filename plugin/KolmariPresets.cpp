// Kolmari's factory presets.
#include "FactoryPreset.h"
#include "KolmariParams.h"

const std::vector<lumen::FactoryPreset>& lumen::PluginFactoryPresets() {
  // Values by parameter index: Bypass, React, Oversampling, Delta, Input Gain, Wet, Tame,
  // Output Gain, Bias.
  static const std::vector<FactoryPreset> presets{
      {"Utility", "Default", {0.0, 0.0, 0.0, 0.0, 32.0, 50.0, 0.5, 100.0, 0.5}},
  };
  return presets;
}
