// kolmari-snapshot as a user runs it: the picture it writes, and the one-line errors it gives
// for a bad scale, an unknown parameter (also one to hover), a value out of range and an unwritable path.

#include "SnapshotApp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using kolmari::snapshot::SnapshotMain;

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

ToolRun Snapshot(const std::vector<std::string>& args)
{
  std::ostringstream out, err;
  ToolRun run;
  run.status = SnapshotMain(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// Width and height from a PNG file's header.
std::pair<int, int> PngSize(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  unsigned char header[24] = {};
  file.read(reinterpret_cast<char*>(header), sizeof(header));
  const auto be32 = [&](int at) { return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3]; };
  return {be32(16), be32(20)};
}

class SnapshotTool : public ::testing::Test {
protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("kolmari-snapshot-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  std::filesystem::path dir;
};

} // namespace

TEST_F(SnapshotTool, WritesTheEditorAtTheScaleRounded)
{
  for (auto [scale, w, h] : {std::tuple{"0.5", 815, 505}, {"0.333", 543, 336}}) {
    const std::string out = Path("editor.png");
    const ToolRun run = Snapshot({"--scale", scale, "--set", "input gain=80", "--set", "Bypass=1", "--hover", "wet", out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(std::to_string(w) + " x " + std::to_string(h)), std::string::npos) << run.out;
    EXPECT_EQ(PngSize(out), std::make_pair(w, h)) << scale;
  }
}

TEST_F(SnapshotTool, RefusesWhatItCannotUseWithOneLineAndNoFile)
{
  const std::string out = Path("never.png");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const std::vector<Case> cases{
      {{"--scale", "2", out}, 2, "--scale 2: the scale must be a number from 0.25 to 1"},
      {{"--scale", "half", out}, 2, "the scale must be a number"},
      {{"--set", "Loudness=3", out}, 2, "unknown parameter 'Loudness'"},
      {{"--set", "Wet=150", out}, 2, "Wet=150 is outside"},
      {{"--set", "Wet", out}, 2, "expected NAME=VALUE"},
      {{"--hover", "Loudness", out}, 2, "unknown parameter 'Loudness'"},
      {{out, "--hover"}, 2, "--hover needs a value"},
      {{"--menu", "Loudness", out}, 2, "unknown parameter 'Loudness'"},
      {{out, "--menu"}, 2, "--menu needs a value"},
      {{"--state-in", Path("missing.state"), out}, 1, "missing.state"},
      {{}, 2, "no output file given"},
      {{Path("no/such/folder/editor.png")}, 1, "cannot write"},
      {{"--preset", "crunch", out}, 2, "no factory preset is called 'crunch'"},
      {{"--preset", Path("missing.fxp"), out}, 1, "missing.fxp"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Snapshot(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err.rfind("kolmari-snapshot: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_F(SnapshotTool, DrawsAFactoryPresetDifferentlyFromTheDefaults)
{
  const auto bytes = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  };
  ASSERT_EQ(Snapshot({"--scale", "0.25", Path("default.png")}).status, 0);
  ASSERT_EQ(Snapshot({"--scale", "0.25", "--preset", "Default", Path("preset-default.png")}).status, 0);
  const ToolRun run = Snapshot({"--scale", "0.25", "--preset", "Fuzz Wall", Path("fuzz.png")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(bytes(Path("default.png")), bytes(Path("preset-default.png")));
  EXPECT_NE(bytes(Path("default.png")), bytes(Path("fuzz.png")));
}
