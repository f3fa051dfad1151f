#pragma once

#include <string>

namespace kolmari::render {

// Where a path leads when its last part is a symbolic link, also when the link's target does not
// exist yet: writing "through" a link means writing to this file, as other tools do.
class SymbolicLink {
public:
  // The path itself when it is no link; otherwise the link's target, followed link by link (a
  // relative target counts from the link's folder). A loop of links, or one that cannot be read,
  // ends the search at the last path reached.
  static std::string FinalTarget(const std::string& path);
};

} // namespace kolmari::render
