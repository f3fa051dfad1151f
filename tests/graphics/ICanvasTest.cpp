// The drawing surface: control list, dirty regions and their reduction, drawing per region, scaling,
// path transforms, clipping, layers, rotated text and teardown.
#include "GraphicsTestSupport.h"
#include "ISharedCaches.h"
#include "controls/IBitmapControl.h"
#include "controls/ICornerResizerControl.h"
#include "controls/ITextEntryControl.h"

#include <gmock/gmock.h>

#include <random>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

LoggingControl* Add(TestCanvas& ui, const IRectF& r, const std::string& name, std::vector<std::string>* log = nullptr,
                    int param = -1) {
  auto* c = new LoggingControl(r, param, log);
  c->name = name;
  ui.AddControl(c);
  return c;
}

TEST_F(GraphicsFixture, AttachingCallsTheSetupHooksInOrderAndTheBackgroundGoesFirst) {
  std::vector<std::string> log;
  LoggingControl* a = Add(ui, {0, 0, 10, 10}, "a", &log);
  EXPECT_THAT(log, ElementsAre("setup a", "bounds a", "scale a", "added a"));
  EXPECT_EQ(a->GetUI(), &ui);
  EXPECT_EQ(a->GetDelegate(), &delegate);

  ui.pictures["bg.png"] = {1630, 1012};
  ui.SetBackground(ui.FetchBitmap("bg.png", 1, false, 1));
  ASSERT_EQ(ui.ControlCount(), 2);
  EXPECT_EQ(ui.GetControl(1), a);
  EXPECT_EQ(ui.GetControl(0)->GetRect(), IRectF(0, 0, 1630, 1012));
  EXPECT_EQ(ui.IndexOf(a), 1);
  EXPECT_EQ(ui.GetControl(2), nullptr);
}

TEST_F(GraphicsFixture, ForEachControlVisitsTheListThenTheSpecialControls) {
  Add(ui, {0, 0, 10, 10}, "a");
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Scale, true);
  ui.CreateTextEditor();
  std::vector<IControl*> seen;
  ui.ForEachControl([&](IControl& c) { seen.push_back(&c); });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], ui.GetControl(0));
  EXPECT_EQ(seen[1], static_cast<IControl*>(ui.ResizeGrip()));
  EXPECT_EQ(seen[2], static_cast<IControl*>(ui.TextEditor()));

  // A second grip is refused (and deleted, which a leak check would notice otherwise).
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 10, 10}, 5), ResizeMode::Size, false);
  EXPECT_EQ(ui.GetResizeMode(), ResizeMode::Scale);
}

TEST_F(GraphicsFixture, TaggedControlsAreFoundByTag) {
  auto* c = new LoggingControl({0, 0, 1, 1});
  ui.AddControl(c, 7);
  EXPECT_EQ(ui.ControlWithTag(7), c);
  EXPECT_EQ(ui.ControlWithTag(8), nullptr);
  ui.RemoveAllControls();
  EXPECT_EQ(ui.ControlWithTag(7), nullptr);
  EXPECT_EQ(ui.ControlCount(), 0);
}

// ---- Dirty regions -----------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, DirtyControlsContributeTheirRectanglesGrownByThreeQuarters) {
  Add(ui, {10, 20, 30, 40}, "a");
  LoggingControl* b = Add(ui, {100, 100, 110, 110}, "b");
  IRectFList regions;
  ASSERT_TRUE(ui.Tick(regions));
  EXPECT_THAT(regions, ElementsAre(IRectF(9.25f, 19.25f, 30.75f, 40.75f), IRectF(99.25f, 99.25f, 110.75f, 110.75f)));

  regions.clear();
  EXPECT_FALSE(ui.Tick(regions)); // clean after the tick
  b->SetValue(0.3);
  b->MarkDirty(false);
  ASSERT_TRUE(ui.CollectDirtyRegions(regions));
  EXPECT_THAT(regions, ElementsAre(IRectF(99.25f, 99.25f, 110.75f, 110.75f)));
}

TEST_F(GraphicsFixture, AnAnimationThatDirtiesAControlBeforeItIsRedrawnInTheSameTick) {
  LoggingControl* first = Add(ui, {10, 20, 30, 40}, "first");
  LoggingControl* animated = Add(ui, {100, 100, 110, 110}, "animated");
  IRectFList regions;
  ui.Tick(regions);
  // The later control's animation dirties the earlier one, as a lamp following a switch would.
  int runs = 0;
  animated->SetAnimation([&](IControl* self) {
    ++runs;
    first->MarkDirty(false);
    self->FinishAnimation();
  }, 100);
  regions.clear();
  ASSERT_TRUE(ui.Tick(regions));
  EXPECT_EQ(runs, 1);
  EXPECT_THAT(regions, ElementsAre(IRectF(9.25f, 19.25f, 30.75f, 40.75f), IRectF(99.25f, 99.25f, 110.75f, 110.75f)));
  regions.clear();
  EXPECT_FALSE(ui.Tick(regions)) << "nothing left dirty, nothing animating";
}

TEST(RegionReduction, DropsRectanglesInsideOthersAndTrimsWholeSideOverlaps) {
  EXPECT_THAT(ICanvas::ReduceRegions({{0, 0, 10, 10}, {2, 2, 5, 5}, {0, 0, 10, 10}}), ElementsAre(IRectF(0, 0, 10, 10)));
  // The second spans the first's whole width and covers its lower part: that strip is cut off.
  EXPECT_THAT(ICanvas::ReduceRegions({{0, 0, 10, 10}, {-5, 6, 20, 30}}),
              ElementsAre(IRectF(0, 0, 10, 6), IRectF(-5, 6, 20, 30)));
  // Whole height on the left side.
  EXPECT_THAT(ICanvas::ReduceRegions({{0, 0, 10, 10}, {-5, -1, 4, 11}}),
              ElementsAre(IRectF(4, 0, 10, 10), IRectF(-5, -1, 4, 11)));
  // A corner overlap spans no whole side and stays.
  EXPECT_THAT(ICanvas::ReduceRegions({{0, 0, 10, 10}, {5, 5, 15, 15}}),
              ElementsAre(IRectF(0, 0, 10, 10), IRectF(5, 5, 15, 15)));
}

TEST(RegionReduction, TheReducedListCoversEveryInputRectangleOnRandomLists) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> coordinate(0, 40);
  std::uniform_int_distribution<int> count(1, 12);
  for (int trial = 0; trial < 400; ++trial) {
    IRectFList input;
    const int n = count(random);
    for (int i = 0; i < n; ++i) {
      const int l = coordinate(random), t = coordinate(random);
      const int w = 1 + coordinate(random) / 2, h = 1 + coordinate(random) / 2;
      input.push_back(IRectF(float(l), float(t), float(l + w), float(t + h)));
    }
    const IRectFList reduced = ICanvas::ReduceRegions(input);
    ASSERT_LE(reduced.size(), input.size());
    // Sample the centre of every unit cell: inside some input <=> inside some output.
    for (int y = 0; y < 62; ++y) {
      for (int x = 0; x < 62; ++x) {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        const auto in = [&](const IRectFList& list) {
          return std::any_of(list.begin(), list.end(), [&](const IRectF& r) { return r.Contains(px, py); });
        };
        ASSERT_EQ(in(input), in(reduced)) << "trial " << trial << " at " << px << "," << py;
      }
    }
    for (const IRectF& r : reduced) ASSERT_FALSE(r.HasNoArea());
  }
}

// ---- Drawing -------------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, EachRegionDrawsTheControlsItTouchesInListOrderClippedToTheirPaddedRectangles) {
  Add(ui, {0, 0, 100, 100}, "a");
  Add(ui, {10, 10, 20, 20}, "b");
  Add(ui, {60, 60, 70, 70}, "c");
  ui.SetSingleRegionDrawing(false);
  ui.DrawRegions({{0, 0, 30, 30}});
  const auto clips = ui.Ops("SetClip");
  // Draw scale 0.5: alignment to whole pixels of 2 units.
  ASSERT_EQ(clips.size(), 2u);
  EXPECT_EQ(clips[0].rect, IRectF(0, 0, 30, 30));
  EXPECT_EQ(clips[1].rect, IRectF(8, 8, 22, 22));
  EXPECT_EQ(ui.ops.front().op, "StartFrame");
  EXPECT_EQ(ui.ops.back().op, "FinishFrame");
  // Each fill happened under its control's clip.
  const auto fills = ui.Ops("FillPath");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[1].clip, IRectF(8, 8, 22, 22));
}

TEST_F(GraphicsFixture, ARegionInsideAnotherIsNotDrawnTwiceAndSingleRegionModeDrawsTheUnion) {
  Add(ui, {0, 0, 100, 100}, "a");
  ui.DrawRegions({{0, 0, 50, 50}, {10, 10, 20, 20}});
  EXPECT_EQ(ui.Ops("FillPath").size(), 1u);

  ui.ops.clear();
  ui.SetSingleRegionDrawing(true);
  ui.DrawRegions({{0, 0, 10, 10}, {40, 40, 51, 51}});
  const auto clips = ui.Ops("SetClip");
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0].rect, IRectF(0, 0, 52, 52));

  ui.ops.clear();
  ui.DrawRegions({});
  EXPECT_TRUE(ui.ops.empty());
}

TEST_F(GraphicsFixture, AHiddenBackgroundIsStillDrawnAndOtherHiddenControlsAreNot) {
  LoggingControl* background = Add(ui, {0, 0, 100, 100}, "bg");
  LoggingControl* other = Add(ui, {10, 10, 20, 20}, "x");
  background->SetHidden(true);
  other->SetHidden(true);
  ui.DrawRegions({{0, 0, 100, 100}});
  EXPECT_EQ(ui.Ops("FillPath").size(), 1u);
  EXPECT_EQ(ui.Ops("SetClip")[0].rect, IRectF(0, 0, 100, 100));
}

TEST_F(GraphicsFixture, AControlOutsideEveryRegionIsNotDrawn) {
  Add(ui, {500, 500, 510, 510}, "far");
  ui.DrawRegions({{0, 0, 100, 100}});
  EXPECT_TRUE(ui.Ops("FillPath").empty());
}

// ---- Scaling -------------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, ResizeSurfaceClampsToTheDelegateLimitsAndTheScaleRange) {
  EXPECT_FLOAT_EQ(ui.MinDrawScale(), 0.25f);
  EXPECT_FLOAT_EQ(ui.MaxDrawScale(), 1.0f);
  ui.ResizeSurface(5000, 10, 0.01f);
  EXPECT_EQ(ui.Width(), 1630);
  EXPECT_EQ(ui.Height(), 250);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.25f);
  ui.ResizeSurface(1630, 1010, 7.0f);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 1.0f);
  ASSERT_FALSE(delegate.resizeRequests.empty());
  EXPECT_EQ(delegate.resizeRequests.back(), std::make_pair(1630, 1010));
  EXPECT_EQ(delegate.layouts, 0); // no layout on resize unless asked
}

// Records whether the editor asked the host for its window size.
struct AskingDelegate : TestDelegate {
  bool EditorResizeRequest(int width, int height, bool needsPlatformResize) override {
    askedHost.push_back(needsPlatformResize);
    return TestDelegate::EditorResizeRequest(width, height, needsPlatformResize);
  }
  std::vector<bool> askedHost;
};

TEST(FollowParentSizeTest, ScaleModeTakesTheLargestScaleThatFitsAndNeverAsksTheHostBack) {
  AskingDelegate delegate;
  TestCanvas ui(&delegate); // 1630 x 1010 at 0.5, scales 0.25 ... 1.0
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Scale, false);
  ui.FollowParentSize(1222, 2000); // the width decides
  EXPECT_NEAR(ui.DrawScale(), 0.75f, 1e-3f);
  ASSERT_FALSE(delegate.resizeRequests.empty());
  EXPECT_EQ(delegate.resizeRequests.back(), std::make_pair(1222, 757));
  EXPECT_TRUE(ui.platformResizes.back()) << "the window follows a parent that has resized";
  ui.FollowParentSize(5000, 5000);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 1.0f);
  ui.FollowParentSize(10, 10); // smaller than the editor can be: its smallest, clipped by the host
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.25f);
  EXPECT_EQ(delegate.askedHost, (std::vector<bool>{false, false, false}));

  // A window the editor fills already (exactly, or with less than a pixel to spare) changes nothing,
  // and nonsense sizes are ignored.
  ui.ResizeSurface(1630, 1010, 0.5f);
  const size_t requests = delegate.resizeRequests.size();
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{815, 505}, {815, 506}, {816, 505}, {0, 505}, {-5, 3}})
    ui.FollowParentSize(w, h);
  EXPECT_EQ(delegate.resizeRequests.size(), requests);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.5f);
}

TEST(FollowParentSizeTest, SizeModeFillsTheWindowAtTheSameScaleWithinTheSizeLimits) {
  AskingDelegate delegate;
  TestCanvas ui(&delegate);
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 10, 10}, 5), ResizeMode::Size, false);
  ui.FollowParentSize(400, 200);
  EXPECT_EQ(ui.Width(), 800);
  EXPECT_EQ(ui.Height(), 400);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.5f);
  ui.FollowParentSize(4000, 100); // the delegate's limits: 400 ... 1630 by 250 ... 1010
  EXPECT_EQ(ui.Width(), 1630);
  EXPECT_EQ(ui.Height(), 250);
  EXPECT_EQ(delegate.askedHost, (std::vector<bool>{false, false}));
}

TEST_F(GraphicsFixture, ResizeSurfaceWithTheCurrentValuesChangesNothingAndCallsNoControl) {
  std::vector<std::string> log;
  Add(ui, {0, 0, 10, 10}, "a", &log);
  log.clear();
  ui.ResizeSurface(1630, 1010, 0.5f);
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(delegate.resizeRequests.empty());
  EXPECT_EQ(ui.drawTargetResizes, 0);
}

TEST_F(GraphicsFixture, AScaleThatIsNoPositiveNumberKeepsTheCurrentScale) {
  ui.ResizeSurface(1630, 1010, std::nanf(""));
  ui.ResizeSurface(1630, 1010, 0.0f);
  ui.ResizeSurface(1630, 1010, -1.0f);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.5f);
  ui.ApplyScreenScale(0.0f);
  ui.ApplyScreenScale(std::nanf(""));
  EXPECT_FLOAT_EQ(ui.ScreenScale(), 1.0f);
}

TEST_F(GraphicsFixture, ResizingRescalesTheGripAndRunsTheLayoutWhenAsked) {
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Scale, true);
  EXPECT_EQ(ui.ResizeGrip()->GetRect(), IRectF(1590, 970, 1630, 1010)); // 20 pixels at scale 0.5
  ui.ResizeSurface(1630, 1010, 1.0f);
  EXPECT_EQ(ui.ResizeGrip()->GetRect(), IRectF(1610, 990, 1630, 1010));
  EXPECT_EQ(delegate.layouts, 1);
  EXPECT_EQ(ui.drawTargetResizes, 1);
}

TEST_F(GraphicsFixture, ApplyScreenScaleRequestsTheWindowSizeAndRescalesEveryControl) {
  std::vector<std::string> log;
  Add(ui, {0, 0, 10, 10}, "a", &log);
  log.clear();
  ui.ApplyScreenScale(2.0f);
  EXPECT_FLOAT_EQ(ui.TotalScale(), 1.0f);
  EXPECT_THAT(log, ElementsAre("scale a"));
  ASSERT_EQ(delegate.resizeRequests.size(), 1u);
  EXPECT_EQ(delegate.resizeRequests[0], std::make_pair(815, 505)); // platform window scale 1
  EXPECT_THAT(ui.platformResizes, ElementsAre(true));
}

// ---- Path transform, clipping, layers, text ------------------------------------------------------------------

TEST_F(GraphicsFixture, TheTransformStackSavesAndRestoresAndAnEmptyRestoreDoesNothing) {
  ui.PathTransformTranslate(10, 20);
  ui.PathTransformSave();
  ui.PathTransformRotate(90);
  ui.PathTransformScale(2);
  double x = 1, y = 0;
  ui.CurrentTransform().TransformPoint(x, y);
  EXPECT_NEAR(x, 10.0, 1e-9);
  EXPECT_NEAR(y, 22.0, 1e-9);
  ui.PathTransformRestore();
  EXPECT_EQ(ui.currentTransform, (IMatrix{1, 0, 0, 1, 10, 20}));
  ui.PathTransformRestore();
  EXPECT_EQ(ui.currentTransform, (IMatrix{1, 0, 0, 1, 10, 20}));
  ui.PathTransformReset();
  EXPECT_EQ(ui.currentTransform, IMatrix());
}

TEST_F(GraphicsFixture, ClipToIntersectsWithTheRegionAndIsAppliedWithoutTheTransform) {
  auto* c = new LoggingControl({0, 0, 100, 100});
  ui.AddControl(c);
  ui.DrawRegions({{0, 0, 50, 50}});
  ui.PathTransformTranslate(5, 5);
  ui.ClipTo({20, 20, 80, 80});
  EXPECT_EQ(ui.currentClip, IRectF(20, 20, 50, 50));
  EXPECT_EQ(ui.currentTransform, (IMatrix{1, 0, 0, 1, 5, 5}));
  EXPECT_EQ(ui.Ops("SetClip").back().transform, IMatrix());
  ui.ClipTo({});
  EXPECT_EQ(ui.currentClip, IRectF(0, 0, 50, 50));
}

TEST_F(GraphicsFixture, LayersAreAlignedSizedInPixelsAndHandedBackOnEnd) {
  ui.StartLayer(nullptr, {0.3f, 0.3f, 10.1f, 20.9f});
  ASSERT_FALSE(ui.LayerStackEmpty());
  const IDrawLayer* layer = ui.TopLayer();
  EXPECT_EQ(layer->bounds, IRectF(0, 0, 12, 22)); // whole pixels at scale 0.5
  EXPECT_EQ(layer->bitmap->Width(), 6);
  EXPECT_EQ(layer->bitmap->Height(), 11);
  EXPECT_EQ(ui.currentClip, layer->bounds);
  std::unique_ptr<IDrawLayer> ended = ui.EndLayer();
  EXPECT_EQ(ended.get(), layer);
  EXPECT_TRUE(ui.LayerStackEmpty());
  EXPECT_THAT(ui.layerBinds, ElementsAre("layer", "main"));
  EXPECT_EQ(ui.EndLayer(), nullptr);
}

TEST_F(GraphicsFixture, RotatedTextIsPlacedByTheBoundingBoxOfItsRotation) {
  ITextStyle style;
  style.angle = 90.0f;
  style.align = ITextStyle::Near;
  style.valign = ITextStyle::Top;
  IRectF bounds(0, 0, 40, 10);
  float x = 0, y = 0;
  ui.CalculateTextRotation(style, {100, 100, 200, 200}, bounds, x, y);
  EXPECT_NEAR(bounds.L, -10.0f, 1e-4);
  EXPECT_NEAR(bounds.B, 40.0f, 1e-4);
  EXPECT_NEAR(x, 110.0f, 1e-4);
  EXPECT_NEAR(y, 100.0f, 1e-4);

  style.angle = 0.0f;
  x = y = 7;
  ui.CalculateTextRotation(style, {100, 100, 200, 200}, bounds, x, y);
  EXPECT_EQ(x, 7);
}

TEST_F(GraphicsFixture, ShapesAreBuiltFromPathOperations) {
  ui.FillRect(kColorRed, {1, 2, 3, 4});
  EXPECT_EQ(ui.ops[0].op, "ClearPath");
  EXPECT_EQ(ui.Ops("LineTo").size(), 3u);
  EXPECT_EQ(ui.Ops("FillPath")[0].color, kColorRed);
  ui.ops.clear();
  ui.DrawGrid(kColorBlack, {0, 0, 100, 100}, 0.0f, 25.0f); // a zero step draws no lines that way
  EXPECT_EQ(ui.Ops("StrokePath").size(), 3u);
  ui.ops.clear();
  ui.DrawDottedLine(kColorBlack, 0, 0, 10, 0, nullptr, 1, 2); // 5 segments: 3 dashes
  EXPECT_EQ(ui.Ops("LineTo").size(), 2u);
}

TEST(SurfaceScale, AZeroOrNonFiniteInitialDrawScaleBecomesOne) {
  TestDelegate delegate;
  TestCanvas zero(&delegate, 1630, 1010, 0.0f);
  EXPECT_FLOAT_EQ(zero.DrawScale(), 1.0f);
  EXPECT_FLOAT_EQ(zero.MinDrawScale(), 0.5f);
  zero.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Scale, false);
  EXPECT_EQ(zero.ResizeGrip()->GetRect(), IRectF(1610, 990, 1630, 1010));
}

TEST(SharedCaches, SurfacesCountThemselvesAndTheLastOneEmptiesTheCaches) {
  const int before = ISharedCaches::Instance().Users();
  {
    TestDelegate delegate;
    TestCanvas a(&delegate);
    TestCanvas b(&delegate);
    EXPECT_EQ(ISharedCaches::Instance().Users(), before + 2);
    ISharedCaches::Instance().StoreVector("doc", std::make_shared<IVectorDocument>());
  }
  EXPECT_EQ(ISharedCaches::Instance().Users(), before);
  if (before == 0) {
    EXPECT_EQ(ISharedCaches::Instance().FindVector("doc"), nullptr);
  }
}

TEST_F(GraphicsFixture, APerformanceDisplayGetsTheTimeOfEveryFrameInARingOfAHundred) {
  ui.SetPerformanceDisplay(std::make_unique<LoggingControl>(IRectF(0, 0, 10, 10)));
  ui.now = 1000.0;
  ui.DrawRegions({{0, 0, 10, 10}});
  ui.now = 1016.0;
  ui.DrawRegions({{0, 0, 10, 10}});
  EXPECT_EQ(ui.FrameTimeIndex(), 2);
  EXPECT_NEAR(ui.FrameTimes()[2], 0.016, 1e-9);
  EXPECT_EQ(ui.ControlAt(5, 5), ui.PerformanceDisplay());
}

// ---- Teardown ------------------------------------------------------------------------------------------

TEST(SurfaceTeardown, ReleaseBeforeDestructionEndsGesturesAndShowsTheCursorWhileThePlatformLives) {
  TestDelegate delegate;
  std::vector<std::string> cursor;
  {
    TestCanvas ui(&delegate);
    auto* knob = new LoggingControl({0, 0, 100, 100}, TestDelegate::kTame);
    ui.AddControl(knob);
    ui.OnMouseDown(Press(50, 50));
    ui.HideCursor(true, true);
    ASSERT_EQ(ui.systemCursorHidden, 1);
    ui.RemoveAllControls();
    EXPECT_EQ(ui.systemCursorHidden, 0);
    cursor = ui.cursorCalls;
  }
  EXPECT_EQ(delegate.OpenGestures(), 0);
  EXPECT_THAT(cursor, ElementsAre("hide lock", "show lock"));
}

TEST(SurfaceTeardown, TheCoreDestructorCallsNoPlatformOperation) {
  // Without the platform's release, the core deletes the controls on its own; a call into the
  // (by then destroyed) platform part would be a pure-virtual call and abort the test.
  TestDelegate delegate;
  auto ui = std::make_unique<TestCanvas>(&delegate);
  ui->releaseOnDestruction = false;
  ui->AddControl(new LoggingControl({0, 0, 100, 100}, TestDelegate::kTame));
  ui->OnMouseDown(Press(5, 5));
  ui->HideCursor(true, true);
  ui.reset();
  SUCCEED();
}

} // namespace
} // namespace lumen::test
