// The module's exported entry points. Everything else in the binary is hidden.
#include "EntryExport.h"
#include "HostCallGuard.h"
#include "Vst3Factory.h"

#include <new>

extern "C" KOLMARI_ENTRY_EXPORT v3_plugin_factory** GetPluginFactory() {
  return lumen::GuardHostCall<v3_plugin_factory**>(nullptr, [] { return lumen::vst3::Vst3Factory::Create(); });
}

// Hosts call these around the module's life. Nothing needs doing: every object sets itself up
// when made and is gone when its last reference is.
#ifdef _WIN32
extern "C" KOLMARI_ENTRY_EXPORT bool InitDll() { return true; }
extern "C" KOLMARI_ENTRY_EXPORT bool ExitDll() { return true; }
#else
extern "C" KOLMARI_ENTRY_EXPORT bool ModuleEntry(void*) { return true; }
extern "C" KOLMARI_ENTRY_EXPORT bool ModuleExit() { return true; }
#endif
