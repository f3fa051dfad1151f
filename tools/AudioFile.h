#pragma once

#include "TempFile.h"

#include <cstdint>
#include <string>

struct sf_private_tag;

namespace kolmari::render {

struct AudioFormat {
  int sampleRate = 0;
  int channels = 0;
  int64_t frames = 0;
  std::string description; // e.g. "WAV (Microsoft), Signed 24 bit PCM"
  // The frames a WAV header promises when that is more than the file holds (`frames`, which is
  // what is read); 0 otherwise.
  int64_t promisedFrames = 0;

  double Seconds() const { return sampleRate > 0 ? static_cast<double>(frames) / sampleRate : 0.0; }
};

// Reads any file libsndfile understands, interleaved, as float or double samples (integer formats
// scaled to -1..1). Only mono and stereo files are accepted.
class AudioReader {
public:
  static constexpr int kMaxChannels = 2;

  explicit AudioReader(const std::string& path); // throws ToolError
  ~AudioReader();
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  const AudioFormat& Format() const { return mFormat; }

  // What reads the files, for the version text, e.g. "libsndfile-1.2.0".
  static std::string Library();

  // Up to `frames` frames; fewer only at the end of the file. Throws when the file cannot be
  // read to the length its header promises.
  int64_t Read(float* interleaved, int64_t frames);
  int64_t Read(double* interleaved, int64_t frames);

private:
  int64_t CheckRead(int64_t requested, int64_t got);

  std::string mPath;
  sf_private_tag* mFile = nullptr;
  AudioFormat mFormat;
  int64_t mFramesRead = 0;
};

// Writes a 32-bit float WAV file all or nothing: the samples go to a hidden temporary file in the
// output's folder, which Commit renames over the output. Destroying the writer before Commit
// removes the temporary file and leaves any existing output untouched.
class AudioWriter {
public:
  AudioWriter(const std::string& path, int sampleRate, int channels); // throws ToolError
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  void Write(const float* interleaved, int64_t frames);
  void Commit();

  static std::string FormatDescription() { return "WAV, 32-bit float"; }

private:
  [[noreturn]] void Fail(const std::string& reason);
  void Discard();

  TempFile mTemp;
  sf_private_tag* mFile = nullptr;
};

} // namespace kolmari::render
