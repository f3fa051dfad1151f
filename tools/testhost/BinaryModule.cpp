#include "BinaryModule.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "SharedObjectCheck.h"

#include <dlfcn.h>
#include <link.h>
#endif

#include <cstring>
#include <utility>

namespace kolmari::testhost::binary {

#ifdef _WIN32

void* OpenBinary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}

// GetProcAddress searches the module's own export table only.
void* FindOwnSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void CloseBinary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

#else

void* OpenBinary(const std::string& path, std::string& error) {
  // The loader maps what it finds: a truncated or foreign file must be turned away before it.
  if (const auto problem = SharedObjectCheck::Problem(path)) {
    error = path + ": " + *problem;
    return nullptr;
  }
  // RTLD_LOCAL keeps the plug-in's symbols out of the global scope, as hosts do: two plug-ins
  // built on the same toolkit must not resolve into each other.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* message = dlerror();
    error = message ? message : "cannot load " + path;
  }
  return handle;
}

// dlsym on a handle also searches the libraries the binary depends on. A plug-in that exports
// only VSTPluginMain must not be taken to export "main" because some dependency does, so the
// symbol has to lie in the binary itself.
void* FindOwnSymbol(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  if (!symbol) return nullptr;
  link_map* map = nullptr;
  Dl_info info{};
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || dladdr(symbol, &info) == 0 || !info.dli_fname)
    return nullptr;
  return std::strcmp(info.dli_fname, map->l_name) == 0 ? symbol : nullptr;
}

void CloseBinary(void* handle) { dlclose(handle); }

#endif


} // namespace kolmari::testhost::binary
