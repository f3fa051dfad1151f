#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kolmari::render {

// What a RIFF WAVE file's header says about its length. The audio library quietly reads only the
// frames a file really holds when its header promises more (a copy cut short, a recording that
// was never finished); this lets the tool say so.
class WavHeader {
public:
  // The frames the data chunk's size promises (its size over the format's block size); nothing for
  // a file that is no RIFF WAVE file, whose header cannot be read, or whose data size is the
  // "unknown length" mark that streaming writers leave (0 or 0xFFFFFFFF).
  static std::optional<int64_t> PromisedFrames(const std::string& path);
};

} // namespace kolmari::render
