#pragma once

#include <string>

namespace kolmari::render {

// An output's temporary twin: a new, empty, hidden file (".NAME.XXXXXX") in the output's folder,
// with the permissions a new file there would get. Writing into it and renaming it over the output
// replaces the output all at once, and the rename never crosses file systems.
struct TempFile {
  int descriptor = -1;
  std::string path;
};

// Throws "cannot write 'output': ..." when output cannot be a file or its folder is not writable.
TempFile CreateTempBeside(const std::string& output);

} // namespace kolmari::render
