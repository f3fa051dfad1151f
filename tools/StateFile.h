#pragma once

#include "TempFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kolmari::render {

// A plug-in's settings as it hands them out (a program chunk), kept in a file byte for byte.
class StateFile {
public:
  // Chunks larger than this are not settings of an effect; refusing them keeps a wrong file
  // argument (an audio file, say) from being read whole.
  static constexpr uintmax_t kMaxBytes = 16u << 20;

  // The whole file. Throws a ToolError for a missing, unreadable, empty or oversized file.
  static std::vector<uint8_t> Read(const std::string& path);
};

// Writes a state file all or nothing: the bytes go to a hidden temporary file beside it at once,
// Commit renames that over the file, and destroying the writer before Commit removes it again.
class StateFileWriter {
public:
  StateFileWriter(const std::string& path, const std::vector<uint8_t>& bytes); // throws ToolError

  void Commit() { mTemp.Commit(); }

private:
  TempFile mTemp;
};

} // namespace kolmari::render
