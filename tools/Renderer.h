#pragma once

#include "LevelMeter.h"

#include <cstdint>
#include <functional>

namespace kolmari {
class Kolmari;
}

namespace kolmari::render {

class AudioReader;
class AudioWriter;

// Drives the plug-in the way a host does: rate, block size and channel layout first, then a reset,
// then the file in blocks of the chosen size through the 32-bit or the 64-bit path.
class Renderer {
public:
  struct Result {
    int64_t frames = 0;
    double processingSeconds = 0.0; // time spent inside the plug-in only, not in file I/O
    LevelMeter input;
    LevelMeter output;
  };

  // Called after every chunk with the frames done so far; returning false abandons the render.
  using Progress = std::function<bool(int64_t framesDone)>;

  Renderer(Kolmari& plugin, int blockSize, bool doublePrecision);

  Result Run(AudioReader& reader, AudioWriter& writer, const Progress& progress);

private:
  template <typename Sample>
  Result RunWith(AudioReader& reader, AudioWriter& writer, const Progress& progress);
  void Prepare(int sampleRate, int channels);

  Kolmari& mPlugin;
  int mBlockSize;
  bool mDoublePrecision;
};

} // namespace kolmari::render
