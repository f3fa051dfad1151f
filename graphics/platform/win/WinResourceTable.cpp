#include "WinResourceTable.h"

#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace lumen::canvas {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

struct Search {
  std::string wanted; // lower-cased
  std::string found;  // lower-cased, without quotes
  bool matched = false;
};

BOOL CALLBACK MatchName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  if (IS_INTRESOURCE(name)) return TRUE; // numeric ids have no file name
  auto* search = reinterpret_cast<Search*>(param);
  const std::string_view stored(name);
  // The stored name carries quote characters at both ends; a name without them loses two of its
  // own letters here and so cannot match.
  if (stored.size() < 2) return TRUE;
  std::string inner = Lower(stored.substr(1, stored.size() - 2));
  if (inner != search->wanted) return TRUE;
  search->found = std::move(inner);
  search->matched = true;
  return FALSE;
}

} // namespace

ResourceLocation WinResourceTable::Find(const char* name, const char* type, std::string& path) const {
  path.clear();
  if (!name || !*name) return ResourceLocation::NotFound;
  if (mModule && type && *type) {
    Search search;
    search.wanted = Lower(name);
    const std::string upperType = Upper(type);
    EnumResourceNamesA(mModule, upperType.c_str(), MatchName, reinterpret_cast<LONG_PTR>(&search));
    if (search.matched) {
      path = '"';
      path += search.found;
      path += '"';
      if (path.size() > kMaxPath) path.resize(kMaxPath);
      return ResourceLocation::ModuleResource;
    }
  }
  if (PathFileExistsA(name)) {
    path = name;
    return ResourceLocation::AbsolutePath;
  }
  return ResourceLocation::NotFound;
}

std::span<const uint8_t> WinResourceTable::Bytes(const char* resourceName, const char* type) const {
  if (!mModule || !resourceName || !*resourceName || !type || !*type) return {};
  const std::string upperType = Upper(type);
  HRSRC info = FindResourceA(mModule, resourceName, upperType.c_str());
  if (!info) return {};
  const DWORD size = SizeofResource(mModule, info);
  if (size < kMinimumSize) return {};
  HGLOBAL handle = LoadResource(mModule, info);
  if (!handle) return {};
  const void* bytes = LockResource(handle);
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), size};
}

} // namespace lumen::canvas
