// The library's two exported entry points. Everything else in the library is hidden.
#include "EntryExport.h"
#include "IEffectVST2.h"

#include "PluginInstanceMaker.h"

#include <memory>

namespace {

using lumen::vst2::AEffect;
using lumen::vst2::audioMasterCallback;

AEffect* CreateInstance(audioMasterCallback host) {
  std::unique_ptr<lumen::IEffectVST2> plugin = lumen::PluginInstanceMaker::Make<lumen::IEffectVST2>(
      [host] { return lumen::MakePlugin(lumen::IInstanceInfo{host}); });
  if (!plugin) return nullptr;
  AEffect* effect = plugin->Effect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  plugin.release(); // owned by the host now, until effClose
  return effect;
}

} // namespace

extern "C" KOLMARI_ENTRY_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
  return CreateInstance(host);
}

// Older hosts look the entry point up as "main". A C++ function cannot have that name, so the
// alias gets it as its assembler label.
extern "C" KOLMARI_ENTRY_EXPORT AEffect* VSTPluginMainAlias(audioMasterCallback host)
    __asm__("main");

AEffect* VSTPluginMainAlias(audioMasterCallback host) { return VSTPluginMain(host); }
