#include "UserDataFolder.h"

#include <cstdlib>

namespace lumen {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

} // namespace

std::string UserDataFolder() {
#ifdef _WIN32
  // The environment block the C runtime keeps is in the ANSI code page; folder names beyond it are
  // rare enough for presets.
  return Env("APPDATA");
#else
  std::string folder = Env("XDG_DATA_HOME");
  if (!folder.empty() && folder.front() == '/') return folder;
  folder = Env("HOME");
  if (folder.empty()) return {};
  folder += "/.local/share";
  return folder;
#endif
}

} // namespace lumen
