#include "UserDataFolder.h"

#include <cstdlib>
#include <filesystem>

namespace lumen {

std::string UserDataFolder() {
#ifdef _WIN32
  // Read wide: a user name outside the ANSI code page is part of the path.
  const wchar_t* folder = _wgetenv(L"APPDATA");
  if (!folder || !*folder) return {};
  const std::u8string text = std::filesystem::path(folder).u8string();
  return std::string(text.begin(), text.end());
#else
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  std::string folder = home;
  folder += "/.local/share";
  return folder;
#endif
}

} // namespace lumen
