#include "PluginInstance.h"

#include "ClapPluginInstance.h"
#include "VstPluginInstance.h"

namespace kolmari::testhost {

bool IsClapPath(const std::string& path) {
  constexpr std::string_view kSuffix = ".clap";
  return path.size() >= kSuffix.size() && path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

std::unique_ptr<PluginInstance> OpenPluginInstance(const std::string& path, std::string& error) {
  if (IsClapPath(path)) return ClapPluginInstance::Load(path, error);
  return VstPluginInstance::Load(path, error);
}

} // namespace kolmari::testhost
