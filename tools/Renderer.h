#pragma once

#include "LevelMeter.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kolmari::testhost {
class PluginInstance;
}

namespace kolmari::render {

class AudioReader;
class AudioWriter;

// Drives a loaded plug-in the way an offline host does: sample rate, block size, speaker
// arrangement and the offline process level first, then processing switched on, then the file in
// blocks of the chosen size through processReplacing or processDoubleReplacing.
//
// A mono file goes into the first input. The plug-in runs as mono if it takes a one-channel
// speaker arrangement; otherwise its further inputs get silence and its further outputs are dropped.
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

  Renderer(testhost::PluginInstance& plugin, int blockSize, bool doublePrecision);

  // Throws a ToolError when the plug-in cannot render a file of this many channels, or not with
  // the chosen precision. Nothing is sent to the plug-in.
  void Check(int channels) const;

  // Sets the plug-in up for the file and switches processing on; Run does this itself if needed.
  void Prepare(int sampleRate, int channels);
  // How the file's channels meet the plug-in's, for the report: "stereo", "mono (...)".
  const std::string& Layout() const { return mLayout; }

  Result Run(AudioReader& reader, AudioWriter& writer, const Progress& progress);

private:
  template <typename Sample>
  Result RunWith(AudioReader& reader, AudioWriter& writer, const Progress& progress);

  testhost::PluginInstance& mPlugin;
  int mBlockSize;
  bool mDoublePrecision;
  bool mPrepared = false;
  std::string mLayout;
};

} // namespace kolmari::render
