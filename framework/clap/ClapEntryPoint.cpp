// The library's one exported symbol, clap_entry, and the factory behind it. Everything else in the
// library is hidden.
#include "EntryExport.h"
#include "IEffectCLAP.h"
#include "PluginInstanceMaker.h"

#include "entry.h"
#include "plugin-factory.h"
#include "plugin-features.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The one descriptor, made from the plug-in's configuration on the first init and kept until the
// library is unloaded (hosts may hold the pointer after deinit).
struct Module {
  std::mutex mutex;
  int initCount = 0;
  bool described = false;
  std::string id;
  std::string name;
  std::string vendor;
  std::string version;
  std::vector<std::string> featureTexts;
  std::vector<const char*> features;
  clap_plugin_descriptor_t descriptor{};
};

Module& TheModule() {
  static Module module;
  return module;
}

std::string VersionText(int32_t packed) {
  return std::to_string((packed >> 16) & 0xFFFF) + "." + std::to_string((packed >> 8) & 0xFF) + "." +
         std::to_string(packed & 0xFF);
}

void Describe(Module& m) {
  if (m.described) return;
  const lumen::IEffectSettings s = lumen::PluginSettings();
  m.id = s.identifier;
  m.name = s.pluginName;
  m.vendor = s.makerName;
  m.version = VersionText(s.version);
  m.featureTexts.emplace_back(s.plugType == 1 ? CLAP_PLUGIN_FEATURE_INSTRUMENT : CLAP_PLUGIN_FEATURE_AUDIO_EFFECT);
  std::istringstream words(s.features ? s.features : "");
  for (std::string word; words >> word;) m.featureTexts.push_back(word);
  const int outputs = lumen::IEffectProcessor::ParseChannelIO(s.channelIO).maxOutputChannels;
  if (outputs == 2) m.featureTexts.emplace_back(CLAP_PLUGIN_FEATURE_STEREO);
  if (outputs == 1) m.featureTexts.emplace_back(CLAP_PLUGIN_FEATURE_MONO);
  for (const std::string& text : m.featureTexts) m.features.push_back(text.c_str());
  m.features.push_back(nullptr);

  m.descriptor.clap_version = CLAP_VERSION_INIT;
  m.descriptor.id = m.id.c_str();
  m.descriptor.name = m.name.c_str();
  m.descriptor.vendor = m.vendor.c_str();
  m.descriptor.url = "";
  m.descriptor.manual_url = "";
  m.descriptor.support_url = "";
  m.descriptor.version = m.version.c_str();
  m.descriptor.description = "";
  m.descriptor.features = m.features.data();
  m.described = true;
}

bool Initialized() {
  Module& m = TheModule();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.initCount > 0 && m.described;
}

uint32_t PluginCount(const clap_plugin_factory_t*) { return Initialized() ? 1 : 0; }

const clap_plugin_descriptor_t* PluginDescriptor(const clap_plugin_factory_t*, uint32_t index) {
  return index == 0 && Initialized() ? &TheModule().descriptor : nullptr;
}

const clap_plugin_t* CreatePlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* pluginId) {
  if (!host || !pluginId || !Initialized() || !clap_version_is_compatible(host->clap_version)) return nullptr;
  Module& m = TheModule();
  if (m.id != pluginId) return nullptr;
  // Nothing here calls the host: CLAP forbids it until init.
  std::unique_ptr<lumen::IEffectCLAP> plugin = lumen::PluginInstanceMaker::Make<lumen::IEffectCLAP>(
      [host, &m] { return lumen::MakePlugin(lumen::IInstanceInfo{host, &m.descriptor}); });
  if (!plugin) return nullptr;
  return plugin.release()->Plugin(); // owned by the host now, until destroy
}

const clap_plugin_factory_t kFactory{&PluginCount, &PluginDescriptor, &CreatePlugin};

bool EntryInit(const char*) {
  Module& m = TheModule();
  std::lock_guard<std::mutex> lock(m.mutex);
  try {
    Describe(m);
  } catch (...) {
    return false;
  }
  ++m.initCount;
  return true;
}

// Counted: a host that calls init twice must call deinit twice before the factory closes.
void EntryDeinit() {
  Module& m = TheModule();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (m.initCount > 0) --m.initCount;
}

const void* EntryFactory(const char* factoryId) {
  if (!factoryId || std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) != 0 || !Initialized()) return nullptr;
  return &kFactory;
}

} // namespace

extern "C" KOLMARI_ENTRY_EXPORT const clap_plugin_entry_t clap_entry{CLAP_VERSION_INIT, &EntryInit, &EntryDeinit,
                                                                     &EntryFactory};
