#pragma once

// Non-interleaved audio for one process call: a number of channels of equal length and the array
// of channel pointers the interface passes. The pointer array always has at least one entry, so a
// plug-in with no channels in one direction still receives a valid array.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kolmari::testhost {

template <typename Sample>
class AudioBuffers {
public:
  AudioBuffers(int32_t channels, int32_t frames, Sample value = Sample(0))
      : mFrames(std::max(frames, 0)),
        mData(static_cast<size_t>(std::max(channels, 0)), std::vector<Sample>(static_cast<size_t>(mFrames), value)),
        mPointers(std::max<size_t>(mData.size(), 1), nullptr) {
    for (size_t c = 0; c < mData.size(); ++c) mPointers[c] = mData[c].data();
  }

  // Copies stay valid on their own: the pointer array of a copy points into the copy.
  AudioBuffers(const AudioBuffers& other)
      : mFrames(other.mFrames), mData(other.mData), mPointers(std::max<size_t>(mData.size(), 1), nullptr) {
    Repoint();
  }
  AudioBuffers& operator=(const AudioBuffers& other) {
    mFrames = other.mFrames;
    mData = other.mData;
    mPointers.assign(std::max<size_t>(mData.size(), 1), nullptr);
    Repoint();
    return *this;
  }
  // Moving keeps the channel storage where it is, so the moved pointer array stays right.
  AudioBuffers(AudioBuffers&&) noexcept = default;
  AudioBuffers& operator=(AudioBuffers&&) noexcept = default;

  int32_t Channels() const { return static_cast<int32_t>(mData.size()); }
  int32_t Frames() const { return mFrames; }
  Sample** Pointers() { return mPointers.data(); }

  std::vector<Sample>& Channel(int32_t c) { return mData.at(static_cast<size_t>(c)); }
  const std::vector<Sample>& Channel(int32_t c) const { return mData.at(static_cast<size_t>(c)); }

  void Fill(Sample value) {
    for (auto& channel : mData) std::fill(channel.begin(), channel.end(), value);
  }

  bool AllFinite() const {
    return std::all_of(mData.begin(), mData.end(), [](const std::vector<Sample>& channel) {
      return std::all_of(channel.begin(), channel.end(), [](Sample s) { return std::isfinite(s); });
    });
  }

  Sample PeakAbs() const {
    Sample peak = Sample(0);
    for (const auto& channel : mData)
      for (Sample s : channel) peak = std::max(peak, static_cast<Sample>(std::fabs(s)));
    return peak;
  }

private:
  void Repoint() {
    for (size_t c = 0; c < mData.size(); ++c) mPointers[c] = mData[c].data();
  }

  int32_t mFrames = 0;
  std::vector<std::vector<Sample>> mData;
  std::vector<Sample*> mPointers;
};

} // namespace kolmari::testhost
