// The command line: what each option means, and every way of getting it wrong.
#include "CommandLine.h"
#include "ToolError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace kolmari::render {
namespace {

using Mode = RenderOptions::Mode;

RenderOptions Parse(std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> list(args);
  return CommandLine::Parse(list);
}

// The usage error's message for `args`; fails the test when they parse.
std::string ErrorFor(std::initializer_list<std::string_view> args) {
  try {
    Parse(args);
  } catch (const ToolError& e) {
    EXPECT_EQ(e.ExitCode(), 2);
    return e.what();
  }
  ADD_FAILURE() << "no error";
  return {};
}

TEST(CommandLine, RenderWithEveryOptionInBothSpellings) {
  const auto o = Parse({"--set", "Input Gain=80", "in.wav", "--set=wet=+12.5", "--block=64", "--double", "out.wav",
                        "--plugin", "/x/Other.so", "--state-in=a.state", "--state-out", "b.state"});
  EXPECT_EQ(o.mode, Mode::Render);
  EXPECT_EQ(o.input, "in.wav");
  EXPECT_EQ(o.output, "out.wav");
  ASSERT_EQ(o.assignments.size(), 2u);
  EXPECT_EQ(o.assignments[0].name, "Input Gain");
  EXPECT_EQ(o.assignments[0].value, 80.0);
  EXPECT_EQ(o.assignments[1].name, "wet");
  EXPECT_EQ(o.assignments[1].value, 12.5);
  EXPECT_EQ(o.assignments[1].text, "wet=+12.5");
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_TRUE(o.doublePrecision);
  EXPECT_EQ(o.plugin, "/x/Other.so");
  EXPECT_EQ(o.stateIn, "a.state");
  EXPECT_EQ(o.stateOut, "b.state");
}

TEST(CommandLine, DefaultsAndFileNamesAfterDoubleDash) {
  const auto o = Parse({"--", "-in.wav", "--out.wav"});
  EXPECT_EQ(o.input, "-in.wav");
  EXPECT_EQ(o.output, "--out.wav");
  EXPECT_EQ(o.blockSize, 512);
  EXPECT_FALSE(o.doublePrecision);
  EXPECT_TRUE(o.assignments.empty());
  EXPECT_EQ(o.plugin, ""); // the default plug-in
  EXPECT_EQ(o.stateIn, "");
  EXPECT_EQ(o.stateOut, "");
}

TEST(CommandLine, OtherModes) {
  EXPECT_EQ(Parse({"--list"}).mode, Mode::List);
  EXPECT_EQ(Parse({"in.wav", "--bogus", "-h"}).mode, Mode::Help); // help wins, even over errors after it
  EXPECT_EQ(Parse({"--list", "--version", "--bogus"}).mode, Mode::Version);
  EXPECT_EQ(Parse({"--version", "--help"}).mode, Mode::Help);
  EXPECT_EQ(Parse({"--", "--version", "out.wav"}).input, "--version"); // a file after "--"
  const auto demo = Parse({"--make-demo", "demo.wav", "--rate", "48000"});
  EXPECT_EQ(demo.mode, Mode::MakeDemo);
  EXPECT_EQ(demo.output, "demo.wav");
  EXPECT_EQ(demo.demoRate, 48000);
  EXPECT_EQ(Parse({"--make-demo=d.wav"}).demoRate, 44100);
  EXPECT_EQ(Parse({"--list", "--plugin", "p.so"}).plugin, "p.so");

  // Settings saved without rendering anything.
  const auto save = Parse({"--state-in", "a.state", "--set", "Wet=20", "--state-out", "b.state"});
  EXPECT_EQ(save.mode, Mode::SaveState);
  EXPECT_EQ(save.stateOut, "b.state");
  ASSERT_EQ(save.assignments.size(), 1u);
}

TEST(CommandLine, MalformedSetSaysWhatIsWrong) {
  EXPECT_EQ(ErrorFor({"--set", "Wet", "a", "b"}), "--set expects NAME=VALUE, got 'Wet'");
  EXPECT_NE(ErrorFor({"--set", "=5", "a", "b"}).find("the name is missing"), std::string::npos);
  for (std::string_view bad : {"Wet=", "Wet=abc", "Wet=1,5", "Wet=1.5.2", "Wet=5%", "Wet=nan", "Wet=inf", "Wet=0x10"}) {
    const std::string message = ErrorFor({"--set", bad, "a", "b"});
    EXPECT_NE(message.find("is not a number"), std::string::npos) << bad << ": " << message;
  }
  EXPECT_EQ(ErrorFor({"a", "b", "--set"}), "--set needs a value (see --help)");
}

TEST(CommandLine, BlockSizeAndRateMustBeWholeNumbersInRange) {
  EXPECT_EQ(Parse({"--block", "1", "a", "b"}).blockSize, 1);
  EXPECT_EQ(Parse({"--block", "65536", "a", "b"}).blockSize, 65536);
  for (std::string_view bad : {"0", "65537", "-4", "12.5", "x", "", "99999999999999999999"}) {
    EXPECT_EQ(ErrorFor({"--block", bad, "a", "b"}),
              "--block must be a whole number from 1 to 65536, not '" + std::string(bad) + "'");
  }
  EXPECT_NE(ErrorFor({"--make-demo", "d.wav", "--rate", "100"}).find("8000 to 384000"), std::string::npos);
}

TEST(CommandLine, SeedIsAnyThirtyTwoBitNumberForARender) {
  EXPECT_FALSE(Parse({"a", "b"}).seed);
  EXPECT_EQ(Parse({"--seed", "0", "a", "b"}).seed, 0u);
  EXPECT_EQ(Parse({"--seed=4294967295", "a", "b"}).seed, 4294967295u);
  for (std::string_view bad : {"-1", "4294967296", "1.5", "x", ""}) {
    EXPECT_EQ(ErrorFor({"--seed", bad, "a", "b"}),
              "--seed must be a whole number from 0 to 4294967295, not '" + std::string(bad) + "'");
  }
  EXPECT_EQ(ErrorFor({"--list", "--seed", "1"}), "--seed cannot be combined with --list");
  EXPECT_EQ(ErrorFor({"--state-out", "s", "--seed", "1"}), "--seed needs INPUT and OUTPUT files");
}

TEST(CommandLine, RejectsCombinationsThatMeanNothing) {
  EXPECT_EQ(ErrorFor({"in.wav"}), "expected INPUT and OUTPUT files (see --help)");
  EXPECT_EQ(ErrorFor({"a", "b", "c"}), "unexpected argument 'c' after INPUT and OUTPUT");
  EXPECT_EQ(ErrorFor({"--frobnicate", "a", "b"}), "unknown option '--frobnicate' (see --help)");
  EXPECT_EQ(ErrorFor({"--double=yes", "a", "b"}), "--double takes no value");
  EXPECT_EQ(ErrorFor({"--list", "a"}), "--list takes no INPUT or OUTPUT, got 'a'");
  EXPECT_EQ(ErrorFor({"--list", "--set", "Wet=1"}), "--set cannot be combined with --list");
  EXPECT_EQ(ErrorFor({"--make-demo", "d.wav", "--block", "64"}), "--block cannot be combined with --make-demo");
  EXPECT_EQ(ErrorFor({"--rate", "48000", "a", "b"}), "--rate only applies to --make-demo");
  EXPECT_EQ(ErrorFor({"--list", "--make-demo", "d.wav"}), "--list and --make-demo cannot be combined");
  EXPECT_EQ(ErrorFor({"--list", "--state-in", "s"}), "--state-in cannot be combined with --list");
  EXPECT_EQ(ErrorFor({"--make-demo", "d.wav", "--plugin", "p.so"}), "--plugin cannot be combined with --make-demo");
  EXPECT_EQ(ErrorFor({"--state-out", "s", "--double"}), "--double needs INPUT and OUTPUT files");
  EXPECT_EQ(ErrorFor({"--state-out", "s", "in.wav"}), "expected INPUT and OUTPUT files (see --help)");
  EXPECT_EQ(ErrorFor({"--state-out", "out.wav", "in.wav", "out.wav"}), "--state-out and OUTPUT name the same file");
  for (const char* option : {"--plugin=", "--state-in=", "--state-out="})
    EXPECT_EQ(ErrorFor({option, "a", "b"}), std::string(option, std::strlen(option) - 1) + " needs a file name");
  EXPECT_EQ(ErrorFor({"a", "b", "--plugin"}), "--plugin needs a value (see --help)");
}

TEST(CommandLine, PresetsAreListedAloneAndAppliedToARenderOrASavedState) {
  EXPECT_EQ(Parse({"--list-presets", "--plugin", "K.lv2"}).mode, Mode::ListPresets);
  const auto render = Parse({"--preset", "Warm Glue", "--set", "Wet=20", "a", "b"});
  EXPECT_EQ(render.mode, Mode::Render);
  EXPECT_EQ(render.preset, "Warm Glue");
  EXPECT_EQ(Parse({"--preset=my/file.fxp", "--state-out", "s"}).mode, Mode::SaveState);
  EXPECT_EQ(ErrorFor({"--preset=", "a", "b"}), "--preset needs a preset's name or an .fxp file");
  EXPECT_EQ(ErrorFor({"--list-presets", "--preset", "Default"}), "--preset cannot be combined with --list-presets");
  EXPECT_EQ(ErrorFor({"--list-presets", "a"}), "--list-presets takes no INPUT or OUTPUT, got 'a'");
  EXPECT_EQ(ErrorFor({"--list-presets", "--list"}), "--list-presets and --list cannot be combined");
  EXPECT_EQ(ErrorFor({"--list-presets=1"}), "--list-presets takes no value");
}

} // namespace
} // namespace kolmari::render
