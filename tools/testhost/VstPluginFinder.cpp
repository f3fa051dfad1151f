#include "VstPluginFinder.h"

#include <cstdlib>
#include <sstream>
#include <system_error>

namespace kolmari::testhost {

namespace {

#ifdef _WIN32
constexpr char kListSeparator = ';';
#else
constexpr char kListSeparator = ':';
#endif

void AddPathList(const char* variable, std::vector<std::filesystem::path>& folders) {
  const char* value = std::getenv(variable);
  if (!value) return;
  std::stringstream list(value);
  std::string folder;
  while (std::getline(list, folder, kListSeparator))
    if (!folder.empty()) folders.emplace_back(folder);
}

} // namespace

#ifdef _WIN32
std::vector<std::filesystem::path> VstPluginFinder::SearchFolders() {
  std::vector<std::filesystem::path> folders;
  AddPathList("VST_PATH", folders);
  for (const char* variable : {"ProgramFiles", "CommonProgramFiles"}) {
    const char* base = std::getenv(variable);
    if (!base || !*base) continue;
    const std::filesystem::path root(base);
    if (std::string(variable) == "ProgramFiles") {
      folders.push_back(root / "VSTPlugins");
      folders.push_back(root / "Steinberg" / "VSTPlugins");
    } else {
      folders.push_back(root / "VST2");
      folders.push_back(root / "Steinberg" / "VST2");
    }
  }
  return folders;
}
#else
std::vector<std::filesystem::path> VstPluginFinder::SearchFolders() {
  std::vector<std::filesystem::path> folders;
  AddPathList("LXVST_PATH", folders);
  AddPathList("VST_PATH", folders);
  if (const char* home = std::getenv("HOME"); home && *home) {
    folders.emplace_back(std::filesystem::path(home) / ".lxvst");
    folders.emplace_back(std::filesystem::path(home) / ".vst");
  }
  for (const char* folder : {"/usr/local/lib/lxvst", "/usr/local/lib/vst", "/usr/lib/lxvst", "/usr/lib/vst"})
    folders.emplace_back(folder);
  return folders;
}
#endif

std::optional<std::filesystem::path> VstPluginFinder::Find(const std::string& relativePath) {
  if (relativePath.empty()) return std::nullopt;
  for (const auto& folder : SearchFolders()) {
    std::error_code error;
    const auto candidate = folder / relativePath;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return std::nullopt;
}

} // namespace kolmari::testhost
