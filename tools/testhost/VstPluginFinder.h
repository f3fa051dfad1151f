#pragma once

// Where hosts look for VST 2.4 plug-ins, and the search for one binary there. On Linux: the folders
// of LXVST_PATH and VST_PATH (colon-separated), then ~/.lxvst, ~/.vst, /usr/local/lib/lxvst,
// /usr/local/lib/vst, /usr/lib/lxvst and /usr/lib/vst. On Windows: the folders of VST_PATH
// (semicolon-separated), then Program Files\VSTPlugins, Program Files\Steinberg\VSTPlugins,
// Common Files\VST2 and Common Files\Steinberg\VST2.

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
