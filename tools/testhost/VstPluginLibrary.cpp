#include "VstPluginLibrary.h"

#include "BinaryModule.h"

#include <utility>

namespace kolmari::testhost {

using binary::CloseBinary;
using binary::FindOwnSymbol;
using binary::OpenBinary;


std::shared_ptr<VstPluginLibrary> VstPluginLibrary::Load(const std::string& path, std::string& error) {
  error.clear();
  void* handle = OpenBinary(path, error);
  if (!handle) return nullptr;
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (void* symbol = FindOwnSymbol(handle, name)) {
      auto entry = reinterpret_cast<EntryPoint>(symbol);
      return std::shared_ptr<VstPluginLibrary>(new VstPluginLibrary(path, handle, entry, name));
    }
  }
  CloseBinary(handle);
  error = path + " exports neither VSTPluginMain nor main";
  return nullptr;
}

VstPluginLibrary::VstPluginLibrary(std::string path, void* handle, EntryPoint entry, std::string entryPointName)
    : mPath(std::move(path)), mHandle(handle), mEntry(entry), mEntryPointName(std::move(entryPointName)) {}

VstPluginLibrary::~VstPluginLibrary() {
  if (mHandle) CloseBinary(mHandle);
}

} // namespace kolmari::testhost
