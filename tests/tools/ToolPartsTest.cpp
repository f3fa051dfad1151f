// The tool's smaller parts: number text, level metering, the progress bar, the demo signal, the
// all-or-nothing output files, the state file, WAV header promises and file identities.
#include "AudioFile.h"
#include "DemoSignal.h"
#include "FileIdentity.h"
#include "LevelMeter.h"
#include "Numbers.h"
#include "ProgressBar.h"
#include "StateFile.h"
#include "SymbolicLink.h"
#include "ToolError.h"
#include "WavHeader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <limits>
#include <random>
#include <sstream>

namespace kolmari::render {
namespace {

TEST(Numbers, ParseWholeTextOnlyAndFormatShortest) {
  EXPECT_EQ(ParseNumber("80"), 80.0);
  EXPECT_EQ(ParseNumber(" 0.5 "), 0.5);
  EXPECT_EQ(ParseNumber("+1e2"), 100.0);
  for (const char* bad : {"", " ", "1,5", "1.5x", "+-1", "++1", "inf", "-nan", "1e999"}) EXPECT_FALSE(ParseNumber(bad)) << bad;
  EXPECT_EQ(ParseInteger("512"), 512);
  EXPECT_FALSE(ParseInteger("512.0"));

  EXPECT_EQ(FormatNumber(200.0), "200");
  EXPECT_EQ(FormatNumber(-0.0), "0");
  EXPECT_EQ(FormatFixed(-0.0001, 2), "0.00");
  EXPECT_EQ(FormatDecibels(0.5), "-6.02");
  EXPECT_EQ(FormatDecibels(0.0), "-inf");
}

TEST(LevelMeter, PeakAndRmsOfASineIgnoringNonFiniteSamples) {
  std::vector<float> sine(48000);
  for (size_t i = 0; i < sine.size(); ++i) sine[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 48000.0));
  sine[10] = std::numeric_limits<float>::quiet_NaN();
  LevelMeter meter;
  meter.Add(sine.data(), sine.size());
  EXPECT_NEAR(meter.Peak(), 0.5, 1e-6);
  EXPECT_NEAR(meter.Rms(), 0.5 / std::sqrt(2.0), 1e-4);
}

TEST(ProgressBar, StaysHiddenForShortRendersAndErasesItself) {
  using namespace std::chrono_literals;
  const auto start = ProgressBar::Clock::time_point{};
  std::ostringstream out;
  ProgressBar bar(out, true, 1s, start);
  bar.Update(50, 100, start + 900ms);
  EXPECT_EQ(out.str(), "");
  bar.Update(50, 100, start + 1100ms);
  EXPECT_EQ(out.str(), "\rrendering [" + std::string(20, '#') + std::string(20, '.') + "]  50%");
  const size_t length = out.str().size();
  bar.Update(50, 100, start + 1200ms); // same percentage: no redraw
  EXPECT_EQ(out.str().size(), length);
  bar.Finish();
  EXPECT_EQ(out.str().back(), '\r');
}

TEST(DemoSignal, FiveSecondsOfStereoJustUnderFullScaleAndRepeatable) {
  const auto a = DemoSignal::Generate(44100);
  ASSERT_EQ(a.size(), 5u * 44100u * 2u);
  LevelMeter meter;
  meter.Add(a.data(), a.size());
  EXPECT_NEAR(meter.Peak(), DemoSignal::kPeak, 1e-6);
  EXPECT_EQ(a, DemoSignal::Generate(44100));

  // Left and right differ (noise and partials), and the loud passage from 3 s on holds the peak.
  EXPECT_NE(a[2 * 60000], a[2 * 60000 + 1]);
  LevelMeter before, loud;
  before.Add(a.data(), 2 * 3 * 44100);
  loud.Add(a.data() + 2 * 3 * 44100, 2 * 44100 + 2 * 44100 / 2);
  EXPECT_EQ(loud.Peak(), meter.Peak());
  EXPECT_LT(before.Peak(), 0.7 * meter.Peak());
}

// A new, empty folder of its own under the temporary folder.
std::filesystem::path NewScratchFolder(const std::string& prefix) {
  std::random_device device;
  for (;;) {
    const auto dir = std::filesystem::temp_directory_path() / (prefix + std::to_string(device()));
    if (std::filesystem::create_directory(dir)) return dir;
  }
}

TEST(AudioWriter, ReplacesTheOutputOnlyOnCommit) {
  namespace fs = std::filesystem;
  const fs::path dir = NewScratchFolder("kolmari-writer-");
  const std::string path = (dir / "out.wav").string();
  const float frames[4] = {0.25f, -0.5f, 1.5f, -2.0f};
  {
    AudioWriter writer(path, 48000, 2);
    writer.Write(frames, 2);
    EXPECT_FALSE(fs::exists(path));
  } // abandoned
  EXPECT_TRUE(fs::is_empty(dir));

  {
    AudioWriter writer(path, 48000, 2);
    writer.Write(frames, 2);
    writer.Commit();
  }
  {
    // Closed before the folder is removed: Windows deletes no file that is open.
    AudioReader reader(path);
    EXPECT_EQ(reader.Format().frames, 2);
    EXPECT_EQ(reader.Format().channels, 2);
    float back[4] = {};
    EXPECT_EQ(reader.Read(back, 4), 2);
    EXPECT_EQ(std::vector<float>(back, back + 4), std::vector<float>(frames, frames + 4)); // no clipping above 1
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

// A scratch folder of its own for each test below.
class StateFileTest : public ::testing::Test {
protected:
  void SetUp() override { dir = NewScratchFolder("kolmari-state-"); }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string Path(const char* name) const { return (dir / name).string(); }

  std::string ReadError(const std::string& path) {
    try {
      StateFile::Read(path);
    } catch (const ToolError& e) {
      return e.what();
    }
    ADD_FAILURE() << "no error";
    return {};
  }

  std::filesystem::path dir;
};

TEST_F(StateFileTest, ReadsEveryByteAndRefusesWhatCannotBeSettings) {
  const std::vector<uint8_t> bytes{0, 1, 0xFF, 0, '\n', 0x1A, 0};
  {
    std::ofstream out(Path("good"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  EXPECT_EQ(StateFile::Read(Path("good")), bytes);

  { std::ofstream(Path("empty")); }
  { std::ofstream(Path("huge")); }
  std::filesystem::resize_file(Path("huge"), StateFile::kMaxBytes + 1); // sparse: costs nothing
  EXPECT_EQ(ReadError(Path("missing")), "cannot read state '" + Path("missing") + "': no such file");
  EXPECT_EQ(ReadError(dir.string()), "cannot read state '" + dir.string() + "': it is a directory");
  EXPECT_EQ(ReadError(Path("empty")), "cannot read state '" + Path("empty") + "': the file is empty");
  EXPECT_NE(ReadError(Path("huge")).find("more than plug-in settings take"), std::string::npos);
}

TEST_F(StateFileTest, WriterReplacesTheFileOnlyOnCommit) {
  { std::ofstream(Path("s.state")) << "old"; }
  const std::vector<uint8_t> bytes{'n', 'e', 'w', 0};
  {
    StateFileWriter abandoned(Path("s.state"), bytes);
  }
  EXPECT_EQ(StateFile::Read(Path("s.state")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

  StateFileWriter writer(Path("s.state"), bytes);
  writer.Commit();
  EXPECT_EQ(StateFile::Read(Path("s.state")), bytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

// The same scratch folder, for the tool's other file helpers.
class ToolFilesTest : public StateFileTest {};

// The data chunk's promise is found past other chunks (odd-sized ones padded), and the marks of
// an unknown length promise nothing.
TEST_F(ToolFilesTest, WavHeaderPromiseIsTheDataChunkOverTheBlockSize) {
  const auto little = [](uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const auto wav = [&](uint32_t dataSize) {
    std::string fmt = little(1, 2) + little(2, 2) + little(44100, 4) + little(44100 * 6, 4) + little(6, 2) + little(24, 2);
    std::string body = "WAVE";
    body += "fmt " + little(16, 4) + fmt;
    body += "LIST" + little(3, 4) + "abc" + std::string(1, '\0'); // odd size, one byte of padding
    body += "data" + little(dataSize, 4) + std::string(60, '\0');
    return "RIFF" + little(static_cast<uint32_t>(body.size()), 4) + body;
  };
  const auto promised = [&](const std::string& bytes) {
    std::ofstream(Path("h.wav"), std::ios::binary | std::ios::trunc) << bytes;
    return WavHeader::PromisedFrames(Path("h.wav"));
  };
  EXPECT_EQ(promised(wav(6000)), 1000);
  EXPECT_EQ(promised(wav(6005)), 1000); // a partial frame is no frame
  EXPECT_FALSE(promised(wav(0xFFFFFFFFu)));
  EXPECT_FALSE(promised(wav(0)));
  EXPECT_FALSE(promised("RIFX" + wav(6000).substr(4)));
  EXPECT_FALSE(promised(wav(6000).substr(0, 30))); // ends inside the format chunk
  EXPECT_FALSE(WavHeader::PromisedFrames(Path("missing.wav")));
}

// Two spellings of one path, a link and its target, a hard link, and a link to a file still to be
// written are each one file; two new files are two, and so are two existing ones. (Symbolic links
// need privileges on Windows, so there only the rest is tried.)
TEST_F(ToolFilesTest, FileIdentityFollowsWhatPathsName) {
  namespace fs = std::filesystem;
  { std::ofstream(Path("a")) << "a"; }
  { std::ofstream(Path("b")) << "b"; }
  fs::create_directory(dir / "sub");
  fs::create_hard_link(Path("a"), dir / "hard");
  const auto same = [](const std::string& x, const std::string& y) { return FileIdentity::Of(x) == FileIdentity::Of(y); };
  EXPECT_TRUE(same(Path("a"), dir.string() + "/sub/../a"));
  EXPECT_TRUE(same(Path("a"), Path("hard")));
  EXPECT_FALSE(same(Path("a"), Path("b")));
  EXPECT_FALSE(same(Path("sub"), Path("a")));
  EXPECT_FALSE(same(Path("new1"), Path("new2")));
  EXPECT_FALSE(same(Path("a"), Path("new1")));
#ifndef _WIN32
  fs::create_symlink(Path("a"), dir / "link");
  fs::create_symlink("sub/new", dir / "dangling");
  EXPECT_TRUE(same(Path("a"), Path("link")));
  EXPECT_TRUE(same(Path("dangling"), dir.string() + "/./sub/new"));
  EXPECT_EQ(SymbolicLink::FinalTarget(Path("dangling")), (dir / "sub/new").string());
#endif
}

} // namespace
} // namespace kolmari::render
