#pragma once

#include <cstdint>

namespace lumen {

// The plug-in interface a binding speaks to its host.
enum class PluginApi : int32_t { VST2 = 0, VST3 = 1, AU = 2, AUv3 = 3, AAX = 4, APP = 5, WAM = 6, WEB = 7, CLAP = 8, LV2 = 9 };

// "VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP", "LV2"; the empty string for any other
// value.
constexpr const char* ApiName(PluginApi api) {
  switch (api) {
    case PluginApi::VST2: return "VST2";
    case PluginApi::VST3: return "VST3";
    case PluginApi::AU: return "AU";
    case PluginApi::AUv3: return "AUv3";
    case PluginApi::AAX: return "AAX";
    case PluginApi::APP: return "APP";
    case PluginApi::WAM: return "WAM";
    case PluginApi::WEB: return "WEB";
    case PluginApi::CLAP: return "CLAP";
    case PluginApi::LV2: return "LV2";
  }
  return "";
}

} // namespace lumen
