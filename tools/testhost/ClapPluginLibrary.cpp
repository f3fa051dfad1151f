#include "ClapPluginLibrary.h"

#include "BinaryModule.h"

#include <cstring>

namespace kolmari::testhost {

std::shared_ptr<ClapPluginLibrary> ClapPluginLibrary::Load(const std::string& path, std::string& error) {
  error.clear();
  void* handle = binary::OpenBinary(path, error);
  if (!handle) return nullptr;
  const auto* entry = static_cast<const clap_plugin_entry_t*>(binary::FindOwnSymbol(handle, "clap_entry"));
  const auto fail = [&](const std::string& message) -> std::shared_ptr<ClapPluginLibrary> {
    binary::CloseBinary(handle);
    error = path + ": " + message;
    return nullptr;
  };
  if (!entry) return fail("exports no clap_entry");
  if (!clap_version_is_compatible(entry->clap_version)) return fail("its CLAP version is not one this host speaks");
  if (!entry->init || !entry->deinit || !entry->get_factory) return fail("its clap_entry lacks a function");
  if (!entry->init(path.c_str())) return fail("clap_entry.init refused");
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  if (!factory || !factory->get_plugin_count || !factory->get_plugin_descriptor || !factory->create_plugin) {
    entry->deinit();
    return fail("has no plug-in factory");
  }
  std::shared_ptr<ClapPluginLibrary> library(new ClapPluginLibrary());
  library->mPath = path;
  library->mHandle = handle;
  library->mEntry = entry;
  library->mFactory = factory;
  return library;
}

ClapPluginLibrary::~ClapPluginLibrary() {
  if (mEntry) mEntry->deinit();
  if (mHandle) binary::CloseBinary(mHandle);
}

} // namespace kolmari::testhost
