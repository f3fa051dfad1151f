#pragma once

// Where Linux hosts look for VST 2.4 plug-ins, and the search for one binary there: the folders of
// LXVST_PATH and VST_PATH (colon-separated), then ~/.lxvst, ~/.vst, /usr/local/lib/lxvst,
// /usr/local/lib/vst, /usr/lib/lxvst and /usr/lib/vst.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

class VstPluginFinder {
public:
  static std::vector<std::filesystem::path> SearchFolders();

  // The first existing regular file named relativePath (e.g. "lsp-plugins/limiter-stereo.so")
  // below a search folder.
  static std::optional<std::filesystem::path> Find(const std::string& relativePath);
};

} // namespace kolmari::testhost
