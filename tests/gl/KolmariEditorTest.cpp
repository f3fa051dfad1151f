// Kolmari's editor drawn offscreen through its factory and layout: its size at each scale, and what
// the parameters do to the pixels of the knobs, the lamp, the switches and the buttons.

#include "IBitmapControl.h"
#include "IValueReadoutControl.h"
#include "ICanvasOffscreen.h"
#include "Kolmari.h"
#include "KolmariEditor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace lumen::canvas;
using kolmari::Kolmari;

namespace {

class KolmariEditor : public ::testing::Test {
protected:
  void SetUp() override {
    plugin = std::make_unique<Kolmari>(lumen::IInstanceInfo{});
    kolmari::InstallEditor(*plugin, [](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
      return std::unique_ptr<ICanvas>(std::make_unique<ICanvasOffscreen>(&delegate, w, h, fps, scale));
    });
  }
  void TearDown() override { plugin->CloseEditor(); }

  ICanvasOffscreen& Open(float scale = 0.5f) {
    void* window = plugin->OpenEditor(nullptr);
    auto* ui = dynamic_cast<ICanvasOffscreen*>(plugin->Editor());
    if (window == nullptr || ui == nullptr) {
      ADD_FAILURE() << "the editor does not open: " << (ui ? ui->LastError() : "no surface");
      throw std::runtime_error("no editor");
    }
    if (scale != ui->DrawScale()) ui->ResizeSurface(kolmari::kEditorWidth, kolmari::kEditorHeight, scale);
    EXPECT_TRUE(ui->DrawFullFrame());
    ui->DrawDirty(); // settles the controls that start dirty
    return *ui;
  }

  // The parameter's value as the host would send it, then one display tick.
  void SetFromHost(ICanvasOffscreen& ui, int param, double normalized) {
    plugin->DeliverParamValue(param, normalized, true);
    ui.DrawDirty();
  }

  std::unique_ptr<Kolmari> plugin;
};

// Rectangles of the design, in pixels at draw scale 1.
constexpr IRectF kInputGainShadow(137, 286, 389, 533);
constexpr IRectF kInputGainBody(137, 206, 383, 452);
constexpr IRectF kInputGainOverlay(126, 192, 394, 486);
constexpr IRectF kLamp(824, 0, 1630, 935);
constexpr IRectF kFlipper(1339, 354, 1405, 505);
constexpr IRectF kDelta(1525, 790, 1613, 882);
constexpr IRectF kOversampling(1525, 890, 1613, 982);
// The preset bar's name field, which marks settings that differ from the loaded preset.
constexpr IRectF kPresetName(541, 372, 1089, 430);

bool SamePixel(const IPixelImage& a, const IPixelImage& b, int x, int y) {
  return std::memcmp(&a.rgba[(static_cast<size_t>(y) * a.width + x) * 4], &b.rgba[(static_cast<size_t>(y) * b.width + x) * 4], 4) == 0;
}

int ChangedPixels(const IPixelImage& a, const IPixelImage& b, const IRectF& r) {
  int n = 0;
  for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x)
      if (!SamePixel(a, b, x, y)) ++n;
  return n;
}

// Centre of the brightest pixels (the pointer) inside r, relative to r's centre.
std::pair<double, double> PointerOffset(const IPixelImage& image, const IRectF& r) {
  double sx = 0, sy = 0, n = 0;
  for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x) {
      const IPixelImage::Pixel p = image.At(x, y);
      if (p.r + p.g + p.b > 600) sx += x, sy += y, n += 1;
    }
  if (n == 0) return {0, 0};
  return {sx / n - r.MW(), sy / n - r.MH()};
}

} // namespace

TEST_F(KolmariEditor, IsTheDesignSizeAtEveryScale)
{
  for (float scale : {0.25f, 0.5f, 1.0f}) {
    ICanvasOffscreen& ui = Open(scale);
    EXPECT_EQ(ui.Width(), 1630);
    EXPECT_EQ(ui.Height(), 1010);
    const IPixelImage image = ui.ReadWindow();
    EXPECT_EQ(image.width, static_cast<int>(1630 * scale)) << scale;
    EXPECT_EQ(image.height, static_cast<int>(1010 * scale)) << scale;
    plugin->CloseEditor();
  }
}

TEST_F(KolmariEditor, LaysOutItsControlsOnceWithTheBackgroundFirst)
{
  ICanvasOffscreen& ui = Open();
  // The version label, eighteen controls, the preset bar, the A/B buttons and the background.
  ASSERT_EQ(ui.ControlCount(), 22);
  EXPECT_NE(dynamic_cast<IBitmapControl*>(ui.GetControl(0)), nullptr);
  EXPECT_NE(ui.ResizeGrip(), nullptr);
  kolmari::LayoutEditor(ui, "again");
  EXPECT_EQ(ui.ControlCount(), 22);
  EXPECT_EQ(ui.BitmapCacheSize(), 10); // ten pictures, each decoded once
}

TEST_F(KolmariEditor, InputGainTurnsOnlyTheUpperLeftKnob)
{
  ICanvasOffscreen& ui = Open(1.0f);
  const IPixelImage before = ui.ReadMainFramebuffer();
  SetFromHost(ui, kolmari::kInputGain, 0.9);
  const IPixelImage after = ui.ReadMainFramebuffer();

  EXPECT_GT(ChangedPixels(before, after, kInputGainBody), 500);
  const IRectF stack = kInputGainShadow.Union(kInputGainBody).Union(kInputGainOverlay).Grown(1.0f);
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      if (!SamePixel(before, after, x, y)) {
        ASSERT_TRUE(stack.Contains(float(x), float(y)) || kPresetName.Contains(float(x), float(y))) << x << "," << y;
      }
    }
  }
}

TEST_F(KolmariEditor, ThePointerFollowsTheValueToBothEnds)
{
  ICanvasOffscreen& ui = Open(1.0f);
  SetFromHost(ui, kolmari::kInputGain, 0.0);
  const auto [x0, y0] = PointerOffset(ui.ReadMainFramebuffer(), kInputGainBody);
  SetFromHost(ui, kolmari::kInputGain, 1.0);
  const auto [x1, y1] = PointerOffset(ui.ReadMainFramebuffer(), kInputGainBody);
  // 130 degrees either side of twelve o'clock: lower left at the minimum, lower right at the maximum.
  EXPECT_LT(x0, -20.0);
  EXPECT_GT(y0, 5.0);
  EXPECT_GT(x1, 20.0);
  EXPECT_GT(y1, 5.0);
  EXPECT_NEAR(x0, -x1, 12.0);
}

TEST_F(KolmariEditor, BypassSwitchesTheLampAndTheFlipper)
{
  ICanvasOffscreen& ui = Open(1.0f);
  const IPixelImage active = ui.ReadMainFramebuffer();
  SetFromHost(ui, kolmari::kBypass, 1.0);
  const IPixelImage bypassed = ui.ReadMainFramebuffer();
  EXPECT_GT(ChangedPixels(active, bypassed, kLamp), 1000);
  EXPECT_GT(ChangedPixels(active, bypassed, kFlipper), 300);
  SetFromHost(ui, kolmari::kBypass, 0.0);
  EXPECT_EQ(ChangedPixels(active, ui.ReadMainFramebuffer(), IRectF(0, 0, 1630, 1010)), 0);
}

TEST_F(KolmariEditor, OversamplingShowsFourDifferentFrames)
{
  ICanvasOffscreen& ui = Open(1.0f);
  std::vector<IPixelImage> frames;
  for (int choice = 0; choice < 4; ++choice) {
    SetFromHost(ui, kolmari::kOversampling, choice / 3.0);
    frames.push_back(ui.ReadMainFramebuffer());
  }
  for (size_t a = 0; a < frames.size(); ++a)
    for (size_t b = a + 1; b < frames.size(); ++b)
      EXPECT_GT(ChangedPixels(frames[a], frames[b], kOversampling), 100) << a << " vs " << b;
}

TEST_F(KolmariEditor, AHiddenControlLeavesTheBackgroundShowing)
{
  ICanvasOffscreen& ui = Open(1.0f);
  IControl* delta = nullptr;
  ui.ForEachListedControl([&](IControl& c) {
    if (c.ParamIdx(0) == kolmari::kDelta) delta = &c;
  });
  ASSERT_NE(delta, nullptr);
  const IPixelImage shown = ui.ReadMainFramebuffer();
  delta->SetHidden(true);
  ui.DrawDirty();
  const IPixelImage hidden = ui.ReadMainFramebuffer();
  EXPECT_GT(ChangedPixels(shown, hidden, kDelta), 500);

  // What shows there now is the background picture alone.
  kolmari::Kolmari other{lumen::IInstanceInfo{}};
  ICanvasOffscreen plain(&other, 1630, 1010, 60, 1.0f);
  plain.SetResourceTable(&kolmari::EditorResources());
  ASSERT_NE(plain.OpenEditorWindow(nullptr), nullptr);
  plain.SetBackground(plain.FetchBitmap("Kolmaribackground.jpg", 1, false, 1));
  ASSERT_TRUE(plain.DrawFullFrame());
  EXPECT_EQ(ChangedPixels(plain.ReadMainFramebuffer(), hidden, kDelta), 0);
}

// At draw scale 1 the opaque background is copied into place instead of drawn through NanoVG. The
// pixels must be the ones NanoVG draws, everywhere (no flip, no shift, no frame's edge), after a
// partial redraw over a full frame too, and the window must show them as they are.
TEST_F(KolmariEditor, TheBackgroundCopiedAtScaleOneIsThePictureNanoVGDraws)
{
  ICanvasOffscreen& ui = Open(1.0f);
  SetFromHost(ui, kolmari::kInputGain, 0.9);
  const IPixelImage copied = ui.ReadMainFramebuffer();
  const IPixelImage window = ui.ReadWindow();
  ASSERT_EQ(copied.width, 1630);
  ASSERT_EQ(copied.height, 1010);
  EXPECT_EQ(window.rgba, copied.rgba);

  // A weight just under one keeps the background out of the copy: NanoVG draws it.
  IControl* background = ui.GetControl(0);
  ASSERT_NE(background, nullptr);
  background->SetBlend({IBlendMode::SourceOver, 0.999f});
  ASSERT_TRUE(ui.DrawFullFrame());
  const IPixelImage drawn = ui.ReadMainFramebuffer();
  ASSERT_EQ(drawn.rgba.size(), copied.rgba.size());
  int differing = 0;
  std::string first;
  for (int y = 0; y < copied.height; ++y) {
    for (int x = 0; x < copied.width; ++x) {
      const IPixelImage::Pixel a = copied.At(x, y), b = drawn.At(x, y);
      if (std::abs(a.r - b.r) > 2 || std::abs(a.g - b.g) > 2 || std::abs(a.b - b.b) > 2 || std::abs(a.a - b.a) > 2) {
        if (differing++ == 0) first = std::to_string(x) + "," + std::to_string(y);
      }
    }
  }
  EXPECT_EQ(differing, 0) << "first at " << first;
}

// The value readout of the Output Gain knob: drawn below the knob's overlay and nowhere else, at
// the same place in design units at every scale, and gone without a trace when it hides.
TEST_F(KolmariEditor, TheReadoutDrawsOnlyBelowItsKnobAtEveryScaleAndLeavesNothingBehind)
{
  constexpr IRectF kOutputGainOverlay(882, 590, 1150, 884);
  for (float scale : {1.0f, 0.5f}) {
    ICanvasOffscreen& ui = Open(scale);
    const IPixelImage before = ui.ReadMainFramebuffer();
    IControl* knob = nullptr;
    for (int i = ui.ControlCount() - 1; i >= 0 && !knob; --i) {
      if (ui.GetControl(i)->ParamIdx(0) == kolmari::kOutputGain) knob = ui.GetControl(i);
    }
    ASSERT_NE(knob, nullptr);
    ui.ShowValueReadout(*knob);
    ui.DrawDirty();
    const IPixelImage shown = ui.ReadMainFramebuffer();
    ASSERT_NE(ui.ValueReadout(), nullptr);
    EXPECT_EQ(ui.ValueReadout()->Text(), "Output Gain 100 %");
    // Below the overlay, at most 60 units down, within the knob's width.
    const IRectF below(kOutputGainOverlay.L * scale, kOutputGainOverlay.B * scale, kOutputGainOverlay.R * scale,
                       (kOutputGainOverlay.B + 60.0f) * scale);
    EXPECT_GT(ChangedPixels(before, shown, below), static_cast<int>(1500 * scale * scale));
    EXPECT_EQ(ChangedPixels(before, shown, IRectF(0, 0, float(shown.width), float(shown.height))),
              ChangedPixels(before, shown, below.Grown(1.0f)));
    ui.ValueReadout()->Forget(knob);
    ui.DrawDirty();
    EXPECT_EQ(ChangedPixels(before, ui.ReadMainFramebuffer(), IRectF(0, 0, float(shown.width), float(shown.height))), 0);
    plugin->CloseEditor();
  }
}
