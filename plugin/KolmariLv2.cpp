// The plug-in built as LV2, its DSP half: the instance the entry point makes (no editor: the binary
// links no window system or GL) and what LV2 shows that the parameters do not say.
#include "Kolmari.h"
#include "Lv2Ports.h"

#include <array>
#include <cmath>

lumen::IEffectSettings lumen::PluginSettings() { return kolmari::Kolmari::Settings(); }

lumen::PluginBase* lumen::MakePlugin(const IInstanceInfo& info) { return new kolmari::Kolmari(info); }

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
