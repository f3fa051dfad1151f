#include "VstPluginFinder.h"

#include <cstdlib>
#include <sstream>
#include <system_error>

namespace kolmari::testhost {

namespace {

void AddPathList(const char* variable, std::vector<std::filesystem::path>& folders) {
  const char* value = std::getenv(variable);
  if (!value) return;
  std::stringstream list(value);
  std::string folder;
  while (std::getline(list, folder, ':'))
    if (!folder.empty()) folders.emplace_back(folder);
}

} // namespace

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
