#pragma once

// A long random life of one plug-in instance as hosts give it: every block new values for the
// parameters, and now and then a new sample rate and block size (with a reset), a new speaker
// arrangement, a program or bank chunk (saved earlier, or damaged), a program change, a bypass
// toggle, and input with bursts of NaN, infinities, huge and subnormal samples. Blocks go through
// all three audio calls, at the host's block size, shorter, empty or longer.
//
// After every block the output is checked: finite and free of subnormal numbers, or with Bypass on,
// the input itself. Everything is drawn from one generator seeded with the given value, so a run
// with the same seed does the same things in the same order.

#include "VstPluginInstance.h"

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace kolmari::soak {

class SoakScenario {
public:
  SoakScenario(testhost::VstPluginInstance& plugin, uint32_t seed);

  // Plays one step: whatever the dice decide, then one block. Returns what went wrong, or empty.
  std::string Step();

  // Brings the instance to the same situation every time (48 kHz, 512-frame blocks, stereo, the
  // parameters at their defaults) and plays a few blocks of it, so that memory can be compared
  // between calls.
  std::string Settle();

  // The last steps, oldest first, to show with a failure.
  const std::deque<std::string>& History() const { return mHistory; }

  int64_t Blocks() const { return mBlocks; }
  int64_t ChunkLoads() const { return mChunkLoads; }
  int64_t Resets() const { return mResets; }

private:
  enum class Call { Accumulating, Replacing, DoubleReplacing };

  void Note(std::string what);
  void AutomateParameters();
  void ToggleBypass();
  void Reset(double sampleRate, int32_t blockSize);
  void ChangeRateAndBlockSize();
  void ChangeSpeakerArrangement();
  void KeepChunk(bool program);
  void LoadChunk(bool program);
  void ChangeProgram();
  void LearnBypass();
  void FillInput(int32_t frames);
  std::string PlayBlock(int32_t frames, Call call);
  template <typename Sample>
  std::string CheckOutput(const std::vector<std::vector<Sample>>& in, const std::vector<std::vector<Sample>>& out,
                          int32_t frames, Call call) const;

  testhost::VstPluginInstance& mPlugin;
  std::mt19937 mRandom;
  std::deque<std::string> mHistory;
  std::string mStep;  // what this step did so far

  double mSampleRate = 48000.0;
  int32_t mBlockSize = 512;
  int32_t mInputs = 2;
  int32_t mOutputs = 2;
  bool mBypass = false;
  double mPhase = 0.0;
  double mLevel = 0.5;

  std::vector<std::vector<double>> mSignal;  // this block's input, per input channel
  std::vector<std::vector<uint8_t>> mPrograms;
  std::vector<std::vector<uint8_t>> mBanks;

  int64_t mBlocks = 0;
  int64_t mChunkLoads = 0;
  int64_t mResets = 0;
};

} // namespace kolmari::soak
