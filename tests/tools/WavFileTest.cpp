// The WAV files of the build without libsndfile: every sample format it reads scales as libsndfile
// scales it, damaged files give the tool's error, and what it writes reads back exactly.
#include "AudioFile.h"
#include "ToolError.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kolmari::render {
namespace {

namespace fs = std::filesystem;

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A WAV file with the given format tag, channels and bits; extensible puts the tag in a sub-format.
std::string Wav(int format, int channels, int bits, const std::string& samples, bool extensible = false,
                uint32_t dataSizeOverride = 0) {
  std::string fmt;
  Put(fmt, extensible ? 0xFFFE : format, 2);
  Put(fmt, channels, 2);
  Put(fmt, 48000, 4);
  Put(fmt, 48000 * channels * bits / 8, 4);
  Put(fmt, channels * bits / 8, 2);
  Put(fmt, bits, 2);
  if (extensible) {
    Put(fmt, 22, 2);
    Put(fmt, bits, 2);
    Put(fmt, 0, 4);
    Put(fmt, format, 2);
    fmt += std::string(14, '\x01');
  }
  std::string body = "WAVE";
  body += "fmt ";
  Put(body, static_cast<uint32_t>(fmt.size()), 4);
  body += fmt;
  body += "LIST";  // a chunk the reader skips
  Put(body, 3, 4);
  body += std::string("abc\0", 4);  // odd size, padded
  body += "data";
  Put(body, dataSizeOverride ? dataSizeOverride : static_cast<uint32_t>(samples.size()), 4);
  body += samples;
  std::string file = "RIFF";
  Put(file, static_cast<uint32_t>(body.size()), 4);
  return file + body;
}

class WavFile : public ::testing::Test {
protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = fs::temp_directory_path() / ("kolmari-wav-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    mPaths.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (const auto& path : mPaths) fs::remove(path);
  }
  std::vector<fs::path> mPaths;
};

TEST_F(WavFile, IntegerAndFloatFormatsScaleAsLibsndfileDoes) {
  std::string s16, s24, s8, f64;
  Put(s16, 0x8000, 2);
  Put(s16, 0x4000, 2);
  Put(s24, 0x800000, 3);
  Put(s24, 0x7FFFFF, 3);
  s8 = std::string("\x00\xC0", 2);
  const double values[] = {-0.25, 1.5};
  f64.append(reinterpret_cast<const char*>(values), sizeof values);

  struct Case {
    std::string name, file;
    double expected[2];
  } cases[] = {
      {"16", Wav(1, 2, 16, s16), {-1.0, 0.5}},
      {"24x", Wav(1, 1, 24, s24, true), {-1.0, 8388607.0 / 8388608.0}},
      {"8", Wav(1, 1, 8, s8), {-1.0, 0.5}},
      {"f64", Wav(3, 2, 64, f64), {-0.25, 1.5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AudioReader reader(Write(c.name + ".wav", c.file));
    const int channels = reader.Format().channels;
    EXPECT_EQ(reader.Format().sampleRate, 48000);
    EXPECT_EQ(reader.Format().frames, 2 / channels);
    double out[2] = {9, 9};
    EXPECT_EQ(reader.Read(out, 8), 2 / channels);
    EXPECT_EQ(out[0], c.expected[0]);
    EXPECT_EQ(out[1], c.expected[1]);
    EXPECT_EQ(reader.Read(out, 8), 0);
  }
}

TEST_F(WavFile, DamagedOrUnsupportedFilesGiveAnErrorNotACrash) {
  std::string s16;
  Put(s16, 1, 2);
  const std::string bad[] = {
      "", "RIFF", "not a wave file at all", Wav(1, 3, 16, s16 + s16 + s16),  // three channels
      Wav(1, 1, 12, s16),                                                     // 12-bit samples
      Wav(2, 1, 16, s16),                                                     // ADPCM
      Wav(1, 1, 16, s16).substr(0, 30),                                       // cut inside the format
  };
  int i = 0;
  for (const auto& bytes : bad) {
    SCOPED_TRACE(i);
    EXPECT_THROW(AudioReader(Write("bad" + std::to_string(i++) + ".wav", bytes)), ToolError);
  }
  EXPECT_THROW(AudioReader((fs::temp_directory_path() / "kolmari-wav-missing.wav").string()), ToolError);

  // A data chunk that claims more than the file holds is read as far as it goes, and what it
  // promised is kept for the warning; the "unknown length" mark of streaming writers promises
  // nothing.
  AudioReader cut(Write("long.wav", Wav(1, 1, 16, s16, false, 1000)));
  EXPECT_EQ(cut.Format().frames, 1);
  EXPECT_EQ(cut.Format().promisedFrames, 500);
  AudioReader streamed(Write("streamed.wav", Wav(1, 1, 16, s16, false, 0xFFFFFFFFu)));
  EXPECT_EQ(streamed.Format().frames, 1);
  EXPECT_EQ(streamed.Format().promisedFrames, 0);
  AudioReader whole(Write("whole.wav", Wav(1, 1, 16, s16)));
  EXPECT_EQ(whole.Format().promisedFrames, 0);
}

TEST_F(WavFile, WrittenFloatFilesReadBackExactlyAndReplaceTheOutputOnlyOnCommit) {
  const std::string path = (fs::temp_directory_path() / "kolmari-wav-out.wav").string();
  mPaths.emplace_back(path);
  const float samples[] = {0.5f, -0.25f, 1e-30f, -1.5f, 0.0f, 0.125f};
  {
    AudioWriter writer(path, 44100, 2);
    writer.Write(samples, 3);
    writer.Commit();
  }
  {
    AudioWriter abandoned(path, 44100, 1);
    abandoned.Write(samples, 6);
  }  // destroyed before Commit: the first file stays
  AudioReader reader(path);
  EXPECT_EQ(reader.Format().channels, 2);
  EXPECT_EQ(reader.Format().sampleRate, 44100);
  ASSERT_EQ(reader.Format().frames, 3);
  float back[6] = {};
  EXPECT_EQ(reader.Read(back, 3), 3);
  EXPECT_EQ(std::memcmp(back, samples, sizeof samples), 0);
}

} // namespace
} // namespace kolmari::render
