// The module handle of the plug-in binary. Built straight into every plug-in binary (an object
// library), so that the DLL entry point below is the one the loader calls.
#include "PluginModule.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {
HINSTANCE gModule = nullptr;
} // namespace

// The loader calls this under its own lock: it only notes the module, whose resources the editor
// finds later. Thread notifications stay on: the statically linked runtimes clean up their
// thread-local data with them.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) gModule = module;
  return TRUE;
}

void* lumen::PluginModuleHandle() { return gModule; }
#else
void* lumen::PluginModuleHandle() { return nullptr; }
#endif
