#include "PluginInstance.h"

#include "ClapPluginInstance.h"
#ifdef KOLMARI_TESTHOST_LV2
#include "Lv2PluginInstance.h"
#endif
#include "Vst3Module.h"
#include "Vst3PluginInstance.h"
#include "VstPluginInstance.h"

namespace kolmari::testhost {

bool IsClapPath(const std::string& path) {
  constexpr std::string_view kSuffix = ".clap";
  return path.size() >= kSuffix.size() && path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

std::unique_ptr<PluginInstance> OpenPluginInstance(const std::string& path, std::string& error) {
  if (IsClapPath(path)) return ClapPluginInstance::Load(path, error);
#ifdef KOLMARI_TESTHOST_LV2
  if (IsLv2Path(path)) return Lv2PluginInstance::Load(path, error);
#endif
  if (vst3host::Vst3Module::IsVst3Path(path)) return Vst3PluginInstance::Load(path, error);
  return VstPluginInstance::Load(path, error);
}

} // namespace kolmari::testhost
