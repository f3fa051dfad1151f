// What LV2 shows of the plug-in that its parameters do not say, shared by the DSP binary, the UI
// binary and the Turtle generator: the URIs and the labels of the oversampling choice.
#include "KolmariParams.h"
#include "Lv2Ports.h"

#include <array>
#include <cmath>

const char* lumen::Lv2PluginUri() { return "https://lumenfold.com/plugins/kolmari"; }

const char* lumen::Lv2LicenseUri() { return "https://lumenfold.com/plugins/kolmari/license"; }

bool lumen::Lv2ScalePointLabel(int paramIndex, double value, std::string& label) {
  // The oversampling choice is stored as 0..3 and shown as the factor, as the editor shows it.
  static constexpr std::array<const char*, 4> kFactors{"1\u00d7", "2\u00d7", "4\u00d7", "8\u00d7"};
  const long step = std::lround(value);
  if (paramIndex != kolmari::kOversampling || step < 0 || step >= static_cast<long>(kFactors.size())) return false;
  label = kFactors[static_cast<size_t>(step)];
  return true;
}
