#include "IParam.h"

#include "NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cmath>
#include <locale>
#include <stdexcept>
#include <string>
#include <tuple>

using lumen::IParam;

namespace {

// A range -10..10 with step 0.01: precision 2, wide enough for signed values.
void InitWide(IParam& p, int32_t flags = IParam::NoFlags) {
  p.Init("Wide", 0.0, -10.0, 10.0, 0.01, "dB");
  p.SetFlags(flags);
}

std::string Format(const IParam& p, double value, bool normalized = false, bool useTexts = true) {
  std::string out;
  p.FormatDisplay(value, normalized, out, useTexts);
  return out;
}

} // namespace

TEST(IParam, FreshParameterDefaults) {
  IParam p;
  EXPECT_EQ(p.Type(), IParam::ParamType::None);
  EXPECT_EQ(std::tuple(p.Unit(), p.DisplayPrecision(), p.Flags(), p.NDisplayTexts()), std::tuple(21, 0, 0, 0));
  EXPECT_EQ(std::tuple(p.Value(), p.Min(), p.Max(), p.Step(), p.Default()), std::tuple(0.0, 0.0, 1.0, 1.0, 0.0));
  EXPECT_EQ(std::string(p.Name()) + p.Label() + p.Group(), "");
  EXPECT_EQ(p.GetShape().DisplayKind(), IParam::ShapeLinear().DisplayKind());
}

TEST(IParam, InitSetsIdentityRangeAndValue) {
  IParam p;
  p.SetFlags(IParam::Stepped);
  p.Init("Drive", 7.0, 0.0, 5.0, 0.5, "dB", "Input");
  EXPECT_EQ(p.Type(), IParam::ParamType::Double);
  EXPECT_EQ(std::tuple(std::string(p.Name()), std::string(p.Label()), std::string(p.Group())),
            std::tuple("Drive", "dB", "Input"));
  EXPECT_EQ(p.Flags(), 0) << "Init resets flags";
  EXPECT_EQ(p.Default(), 7.0);
  EXPECT_EQ(p.Value(), 5.0) << "default is clamped into the range";

  IParam flat; // max never narrower than one step
  flat.Init("Flat", 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(flat.Max(), 1.0);

  IParam typed; // a type chosen before Init survives it; long texts are cut to 31 bytes
  typed.SetType(IParam::ParamType::Bool);
  typed.Init(std::string(40, 'n'), 1.0, 0.0, 1.0, 1.0, std::string(40, 'l'));
  EXPECT_EQ(typed.Type(), IParam::ParamType::Bool);
  EXPECT_EQ(std::string(typed.Name()), std::string(31, 'n'));
  EXPECT_EQ(std::string(typed.Label()), std::string(31, 'l'));

  // Display precision: how often the step must be multiplied by 10 to become whole, at most 6.
  const std::pair<double, int> precisions[] = {{1.0, 0}, {0.1, 1}, {0.01, 2}, {0.5, 1}, {0.25, 2}, {1e-9, 6}};
  for (const auto& [step, precision] : precisions) {
    p.Init("P", 0.0, 0.0, 10.0, step);
    EXPECT_EQ(p.DisplayPrecision(), precision) << "step " << step;
  }
}

TEST(IParam, ShapeIsClonedFromPrototype) {
  struct CountingShape : IParam::ShapeLinear {
    int* attaches;
    explicit CountingShape(int* a) : attaches(a) {}
    std::unique_ptr<Shape> Clone() const override { return std::make_unique<CountingShape>(*this); }
    void Attach(const IParam&) override { ++*attaches; }
    int DisplayKind() const override { return 7; }
  };
  int attaches = 0;
  IParam p;
  p.Init("S", 0.0, 0.0, 1.0, 0.1, "", "", CountingShape(&attaches)); // the prototype dies here
  EXPECT_EQ(p.GetShape().DisplayKind(), 7);
  EXPECT_DOUBLE_EQ(p.NormalizeValue(0.3), 0.3);
  EXPECT_EQ(attaches, 1);
}

TEST(IParam, SteppedConstrainRoundsHalfAwayFromZeroThenClamps) {
  IParam p;
  p.Init("Step", 0.37, -1.0, 1.0, 0.1);
  EXPECT_DOUBLE_EQ(p.Value(), 0.37) << "not stepped until the flag is set";
  p.SetFlags(IParam::Stepped);
  p.Set(p.Default());
  EXPECT_DOUBLE_EQ(p.Value(), 0.4);
  EXPECT_DOUBLE_EQ(p.Constrain(0.35), 0.4);
  EXPECT_DOUBLE_EQ(p.Constrain(-0.35), -0.4);
  EXPECT_DOUBLE_EQ(p.Constrain(0.34), 0.3);
  EXPECT_DOUBLE_EQ(p.Constrain(0.7), 0.7) << "whole multiples stay put";
  EXPECT_EQ(p.Constrain(1.26), 1.0);
  EXPECT_EQ(p.Constrain(-7.0), -1.0);

  IParam coarse; // exact binary midpoints
  coarse.Init("Coarse", 0.0, -10.0, 10.0, 1.0);
  coarse.SetFlags(IParam::Stepped);
  EXPECT_EQ(coarse.Constrain(2.5), 3.0);
  EXPECT_EQ(coarse.Constrain(-2.5), -3.0);
  EXPECT_EQ(coarse.Constrain(2.4999), 2.0);
}

TEST(IParam, NormalizeAndDenormalize) {
  IParam p;
  p.Init("Freq", 0.0, 20.0, 120.0, 1.0);
  EXPECT_DOUBLE_EQ(p.NormalizeValue(70.0), 0.5);
  EXPECT_EQ(p.NormalizeValue(500.0), 1.0);
  EXPECT_EQ(p.NormalizeValue(-500.0), 0.0);
  EXPECT_DOUBLE_EQ(p.DenormalizeValue(0.25), 45.0);
  EXPECT_EQ(p.DenormalizeValue(1.5), 120.0) << "mapped, then clamped";
  EXPECT_EQ(p.DenormalizeValue(-0.5), 20.0);
  p.SetFromNormalized(0.75);
  EXPECT_DOUBLE_EQ(p.Value(), 95.0);
  EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.75);
}

TEST(IParam, FormatDisplayNumbers) {
  constexpr int32_t kSigned = IParam::SignedDisplay, kNegated = IParam::NegatedDisplay;
  const struct {
    double step;
    int32_t flags;
    double value;
    const char* text;
  } cases[] = {
      {1.0, 0, 2.5, "3"},           {1.0, 0, -2.5, "-3"},          {1.0, 0, -0.0, "0"},
      {1.0, kSigned, 3.0, "3"},     {0.1, kNegated, 2.5, "-2.5"},  {0.1, kNegated, 0.0, "0.0"},
      {0.01, kSigned, 3.0, "+3.00"}, {0.01, kSigned, 0.0, "0.00"}, {0.01, kSigned, -0.0, "0.00"},
      {0.01, kSigned, -3.0, "-3.00"}, {0.01, kSigned | kNegated, 3.0, "-3.00"},
      {0.01, kSigned | kNegated, -3.0, "+3.00"}, {0.01, kSigned | kNegated, 0.0, "0.00"},
  };
  for (const auto& c : cases) {
    IParam p;
    p.Init("P", 0.0, -10.0, 10.0, c.step);
    p.SetFlags(c.flags);
    EXPECT_EQ(Format(p, c.value), c.text) << c.value << " step " << c.step << " flags " << c.flags;
  }
  IParam p;
  InitWide(p, kSigned | kNegated);
  EXPECT_EQ(Format(p, 0.75, true), "-5.00") << "normalised values are denormalised first";
  EXPECT_LE(Format(p, 1e40).size(), 32u);
}

TEST(IParam, FormatDisplayTextsAndFunction) {
  IParam p;
  InitWide(p);
  p.AddDisplayText(1.0, "One");
  p.AddDisplayText(2.0, "");
  p.AddDisplayText(3.0, "");
  p.AddDisplayText(3.0, "Three");
  p.AddDisplayText(1.0, "Uno");
  p.AddDisplayText(5.0, "Five");
  EXPECT_EQ(p.NDisplayTexts(), 6);
  EXPECT_EQ(Format(p, 1.0), "One") << "first matching entry";
  EXPECT_EQ(Format(p, 1.0, false, false), "1.00");
  EXPECT_EQ(Format(p, 2.0), "2.00") << "an empty text falls through to the number";
  EXPECT_EQ(Format(p, 3.0), "3.00") << "the first equal entry decides, even with an empty text";
  EXPECT_EQ(Format(p, 1.0000001), "1.00") << "exact match only";
  EXPECT_EQ(Format(p, 0.75, true), "Five");

  EXPECT_EQ(p.FindDisplayText(1.0), "One");
  EXPECT_EQ(p.FindDisplayText(2.0), "");
  EXPECT_FALSE(p.FindDisplayText(4.0).has_value());

  IParam f;
  f.Init("F", 0.0, 0.0, 100.0, 1.0, "", "", IParam::ShapeLinear(),
         [](double v, std::string& out) { out = "fn " + lumen::NumberText::Fixed(v, 1); });
  f.SetFlags(IParam::NegatedDisplay);
  f.AddDisplayText(50.0, "Half");
  EXPECT_EQ(Format(f, 0.5, true), "fn 50.0");
}

TEST(IParam, DisplayLabelHidesUnitBehindNamedWholeValues) {
  IParam p;
  InitWide(p);
  p.AddDisplayText(1.0, "One");
  p.AddDisplayText(2.0, "");
  p.AddDisplayText(-1.0, "Minus one");
  const std::pair<double, const char*> cases[] = {
      {1.0, ""}, {1.7, ""}, {2.0, "dB"}, {3.0, "dB"}, {-1.5, ""}, {0.5, "dB"}};
  for (const auto& [value, label] : cases) {
    p.Set(value);
    EXPECT_EQ(p.DisplayLabel(), label) << value;
  }
}

TEST(IParam, ParseDisplay) {
  IParam wide;
  InitWide(wide);
  EXPECT_DOUBLE_EQ(wide.ParseDisplay(" -2.5 dB"), -2.5);
  EXPECT_EQ(wide.ParseDisplay("99"), 10.0);
  EXPECT_EQ(wide.ParseDisplay("nan"), 0.0);
  wide.SetFlags(IParam::NegatedDisplay | IParam::Stepped);
  EXPECT_DOUBLE_EQ(wide.ParseDisplay("-2.504"), 2.5);
  wide.AddDisplayText(42.0, "Max");
  EXPECT_EQ(wide.ParseDisplay("Max"), 42.0) << "table values are returned as they are";
  EXPECT_DOUBLE_EQ(wide.ParseDisplay("1.5"), -1.5) << "unmatched text still parses as a number";

  IParam floor;
  floor.Init("Floor", 12.0, 10.0, 20.0, 0.1);
  EXPECT_EQ(floor.ParseDisplay("loud"), 10.0);

  IParam onOff;
  onOff.SetType(IParam::ParamType::Bool);
  onOff.Init("Switch", 0.0, 1.0, 3.0, 1.0);
  onOff.AddDisplayText(1.0, "Off");
  onOff.AddDisplayText(3.0, "On");
  EXPECT_EQ(onOff.ParseDisplay("On"), 3.0);
  EXPECT_EQ(onOff.ParseDisplay("on"), 0.0) << "unmatched Bool text is 0, not clamped";
  EXPECT_EQ(onOff.ParseDisplay("2"), 0.0);

  IParam choice;
  choice.SetType(IParam::ParamType::Enum);
  choice.Init("Choice", 0.0, 0.0, 4.0, 1.0);
  EXPECT_EQ(choice.ParseDisplay("3"), 0.0);
}

TEST(IParam, FormattingAndParsingIgnoreTheLocale) {
  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  const std::locale savedCpp;
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR", "de_DE.utf8", "fr_FR.utf8", "de-DE", "German_Germany.1252"}) {
    if (std::setlocale(LC_ALL, name)) {
      found = name;
      break;
    }
  }
#ifndef _WIN32
  if (!found) {
    // Machines often carry no locale but C; build a German one privately (glibc looks in LOCPATH).
    char dir[] = "/tmp/kolmari-locale-XXXXXX";
    if (mkdtemp(dir) != nullptr) {
      const std::string command =
          std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
      if (std::system(command.c_str()) == 0 && setenv("LOCPATH", dir, 1) == 0 &&
          std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        found = "de_DE.UTF-8";
      }
    }
  }
#endif
  if (!found) GTEST_SKIP() << "no decimal-comma locale available";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  // Some C++ libraries (MinGW's) know no named locales beside the C library's.
  try {
    std::locale::global(std::locale(found));
  } catch (const std::runtime_error&) {
  }

  IParam p;
  p.Init("Mix", 50.0, 0.0, 100.0, 0.01);
  const std::string text = Format(p, 50.0);
  const double parsed = p.ParseDisplay("0.5");
  const double parsedRaw = lumen::NumberText::ParseLeadingDouble("0.5");

  std::locale::global(savedCpp);
  std::setlocale(LC_ALL, savedC.c_str());
  EXPECT_EQ(text, "50.00");
  EXPECT_EQ(parsed, 0.5);
  EXPECT_EQ(parsedRaw, 0.5);
}
