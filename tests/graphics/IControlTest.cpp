// Control bases: value binding and marking, siblings, knob drags and wheel, switch stepping, and the
// bitmap controls' frames and angles.
#include "GraphicsTestSupport.h"
#include "TestControls.h"
#include "controls/IBitmapControl.h"
#include "controls/IBitmapKnobControl.h"
#include "controls/IBitmapRotaterControl.h"
#include "controls/IBitmapSwitchControl.h"
#include "controls/IKnobControlBase.h"
#include "controls/ISwitchControlBase.h"

#include <gmock/gmock.h>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

// ---- IControl ------------------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, BindParamPastTheValuesIsRefusedWithoutThrowing) {
  auto* c = new LoggingControl({0, 0, 10, 10}, std::vector<int>{1, 2});
  ui.AddControl(c);
  EXPECT_TRUE(c->BindParam(5, 1));
  EXPECT_EQ(c->ParamIdx(1), 5);
  EXPECT_FALSE(c->BindParam(3, 2));
  EXPECT_FALSE(c->BindParam(3, -1));
  EXPECT_EQ(c->ParamIdx(2), -1);
  EXPECT_EQ(c->NValues(), 2);
}

TEST_F(GraphicsFixture, MarkDirtyClampsSendsToTheParameterAndMovesTheSiblings) {
  // The knob stack of the editor: shadow, body and overlay on one parameter.
  auto* shadow = new LoggingControl({0, 0, 10, 10}, TestDelegate::kInputGain);
  auto* body = new LoggingControl({0, 0, 10, 10}, TestDelegate::kInputGain);
  auto* overlay = new LoggingControl({0, 0, 10, 10}, TestDelegate::kInputGain);
  auto* other = new LoggingControl({0, 0, 10, 10}, TestDelegate::kWet);
  for (auto* c : {shadow, body, overlay, other}) ui.AddControl(c);
  int actions = 0;
  overlay->SetActionFunction([&](IControl*) { ++actions; });

  overlay->SetValue(1.7);
  overlay->MarkDirty(true);
  EXPECT_EQ(overlay->GetValue(), 1.0);
  EXPECT_THAT(delegate.sent, ElementsAre(std::make_pair(int(TestDelegate::kInputGain), 1.0)));
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kInputGain)->Value(), 200.0);
  EXPECT_EQ(shadow->GetValue(), 1.0);
  EXPECT_EQ(body->GetValue(), 1.0);
  EXPECT_EQ(other->GetValue(), 0.0);
  EXPECT_EQ(actions, 1);

  // A NaN that slipped into a value never reaches the parameter.
  overlay->SetValue(std::nan(""));
  overlay->MarkDirty(true);
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

TEST_F(GraphicsFixture, ReceiveValueMarksOnlyChangesAndIsIgnoredWhileDragged) {
  auto* c = new LoggingControl({0, 0, 10, 10}, TestDelegate::kTame);
  ui.AddControl(c);
  c->MarkClean();
  c->ReceiveValue(0.0);
  EXPECT_FALSE(c->IsDirty());
  c->ReceiveValue(0.25);
  EXPECT_TRUE(c->IsDirty());
  ui.OnMouseDown(Press(5, 5));
  c->ReceiveValue(0.75);
  EXPECT_EQ(c->GetValue(), 0.25);
  c->ReceiveValue(0.5, 3); // a value the control does not have
}

TEST_F(GraphicsFixture, ADoubleClickOnAControlWithSeveralValuesResetsThemAll) {
  auto* c = new LoggingControl({0, 0, 10, 10}, std::vector<int>{TestDelegate::kInputGain, TestDelegate::kOutputGain});
  ui.AddControl(c);
  c->OnMouseDoubleClick(1, 1, Left());
  EXPECT_DOUBLE_EQ(c->GetValue(0), 0.16);
  EXPECT_DOUBLE_EQ(c->GetValue(1), 100.0 / 120.0);
  EXPECT_EQ(delegate.sent.size(), 2u);
}

TEST_F(GraphicsFixture, SetValueFromPositionRoundsToThousandthsAndIgnoresAZeroSizedArea) {
  auto* c = new LoggingControl({0, 0, 10, 10}, TestDelegate::kTame);
  ui.AddControl(c);
  c->SetValueFromPosition(0, 2.3456f, 0, {0, 0, 10, 10});
  EXPECT_NEAR(c->GetValue(), 0.765, 1e-12);
  c->SetValueFromPosition(5, 5, 1, {5, 5, 5, 5});
  EXPECT_NEAR(c->GetValue(), 0.765, 1e-12);
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

TEST_F(GraphicsFixture, HitTestIsHalfOpenAndAnEmptyTargetIsNeverHit) {
  auto* c = new LoggingControl({10, 10, 20, 20});
  ui.AddControl(c);
  EXPECT_TRUE(c->HitTest(10, 10));
  EXPECT_FALSE(c->HitTest(20, 15));
  c->SetRect(IRectF());
  EXPECT_FALSE(c->HitTest(0, 0));
  c->SetOrigin(-5, 30);
  EXPECT_EQ(c->GetRect(), IRectF(0, 30, 0, 30));
}

TEST_F(GraphicsFixture, AnAnimationThatRestartsItselfFromItsCallbackRunsSafely) {
  auto* c = new LoggingControl({0, 0, 10, 10});
  ui.AddControl(c);
  int runs = 0;
  std::function<void(IControl*)> step = [&](IControl* self) {
    ++runs;
    if (runs < 3) self->SetAnimation(step, 100); // replaces the running callback
    else self->FinishAnimation();
  };
  c->SetAnimation(step, 100);
  for (int i = 0; i < 5; ++i) {
    IRectFList regions;
    ui.Tick(regions);
  }
  EXPECT_EQ(runs, 3);
  EXPECT_FALSE(c->GetAnimationFunction());
}

// ---- Knobs ---------------------------------------------------------------------------------------------------

struct KnobFixture : GraphicsFixture {
  KnobFixture() { ui.AddControl(knob); }
  void Drag(float dY, IMouseState m = Left()) {
    ui.OnMouseDrag(Move(50, 50, 0, dY, m));
  }
  TestKnob* knob = new TestKnob({0, 0, 100, 100}, TestDelegate::kTame);
};

TEST_F(KnobFixture, DraggingFourTimesTheHeightSweepsTheWholeRange) {
  ui.OnMouseDown(Press(50, 50));
  Drag(-200);
  EXPECT_NEAR(knob->GetValue(), 0.5, 1e-12);
  Drag(-200);
  EXPECT_NEAR(knob->GetValue(), 1.0, 1e-12);
  // Past the end the value stays at 1, and moving back starts at once.
  Drag(-100);
  Drag(40);
  EXPECT_NEAR(knob->GetValue(), 0.9, 1e-12);
  ui.OnMouseUp(Press(50, 50));
  EXPECT_THAT(ui.cursorCalls, ElementsAre("hide lock", "show lock"));
}

TEST_F(KnobFixture, ControlOrShiftDragsTenTimesFiner) {
  IMouseState fine = Left();
  fine.control = true;
  ui.OnMouseDown(Press(50, 50));
  Drag(-400, fine);
  EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);
}

TEST_F(KnobFixture, ZeroGearingOrAZeroHeightNeverGivesANonFiniteValue) {
  ui.OnMouseDown(Press(50, 50));
  knob->SetGearing(0.0);
  Drag(-10);
  knob->SetGearing(4.0);
  knob->SetTargetRect({50, 50, 50, 50});
  Drag(-10);
  Drag(std::numeric_limits<float>::infinity());
  EXPECT_EQ(knob->GetValue(), 0.0);
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

TEST_F(GraphicsFixture, AKnobOnASteppedParameterSnapsToItsGridAndItsWheelMovesOneStepPerNotch) {
  auto* knob = new TestKnob({0, 0, 100, 100}, TestDelegate::kOversampling);
  ui.AddControl(knob);
  ui.OnMouseDown(Press(50, 50));
  ui.OnMouseDrag(Move(50, 50, 0, -70)); // drag value 0.175 -> real 0.525 -> 1
  EXPECT_NEAR(knob->GetValue(), 1.0 / 3.0, 1e-12);
  ui.OnMouseUp(Press(50, 50));

  ui.OnMouseWheel(50, 50, {}, 0.3f); // any positive notch is one step
  EXPECT_NEAR(knob->GetValue(), 2.0 / 3.0, 1e-12);
  ui.OnMouseWheel(50, 50, {}, 0.0f);
  EXPECT_NEAR(knob->GetValue(), 2.0 / 3.0, 1e-12);
  ui.OnMouseWheel(50, 50, {}, -3.0f);
  EXPECT_NEAR(knob->GetValue(), 1.0 / 3.0, 1e-12);
}

TEST_F(KnobFixture, TheWheelMovesAHundredthPerNotchOrAThousandthFiner) {
  ui.OnMouseWheel(50, 50, {}, 3.0f);
  EXPECT_NEAR(knob->GetValue(), 0.03, 1e-12);
  IMouseState fine;
  fine.shift = true;
  ui.OnMouseWheel(50, 50, fine, -1.0f);
  EXPECT_NEAR(knob->GetValue(), 0.029, 1e-12);
  ui.OnMouseWheel(50, 50, {}, -100.0f);
  EXPECT_EQ(knob->GetValue(), 0.0);
}

// ---- Switches ------------------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, ATwoStateSwitchTogglesAndGoesFromHalfToZero) {
  auto* sw = new TestSwitch({0, 0, 10, 10}, TestDelegate::kBypass);
  ui.AddControl(sw);
  EXPECT_EQ(sw->NumStates(), 2);
  sw->ReceiveValue(0.5);
  ui.OnMouseDown(Press(5, 5));
  EXPECT_EQ(sw->GetValue(), 0.0);
  ui.OnMouseUp(Press(5, 5));
  ui.OnMouseDown(Press(5, 5));
  EXPECT_EQ(sw->GetValue(), 1.0);
}

TEST_F(GraphicsFixture, AFourStateSwitchStepsAThirdAndWrapsWithAFlagPerState) {
  auto* sw = new TestSwitch({0, 0, 10, 10}, TestDelegate::kOversampling);
  ui.AddControl(sw);
  ASSERT_EQ(sw->NumStates(), 4);
  sw->SetStateDisabled(3, true); // the fourth state has its own flag
  EXPECT_TRUE(sw->StateDisabled(3));
  EXPECT_FALSE(sw->StateDisabled(4));
  std::vector<int> states;
  for (int i = 0; i < 4; ++i) {
    sw->OnMouseDown(5, 5, Left());
    states.push_back(sw->SelectedState());
  }
  EXPECT_THAT(states, ElementsAre(1, 2, 3, 0));
}

// ---- Bitmap controls -----------------------------------------------------------------------------------------

struct BitmapFixture : GraphicsFixture {
  BitmapFixture() {
    ui.pictures["Oversampling.png"] = {88, 368};
    ui.pictures["ledOn.png"] = {806, 1870};
    ui.pictures["Nuppi.png"] = {246, 246};
    ui.pictures["strip.png"] = {300, 50};
  }
};

TEST(BitmapFrames, FrameArithmeticForVerticalAndHorizontalStrips) {
  TestBitmap picture(300, 50);
  const IBitmapHandle horizontal(&picture, 3, true, "h");
  EXPECT_EQ(horizontal.FrameWidth(), 100);
  EXPECT_EQ(horizontal.FrameHeight(), 50);
  int x = 0, y = 0;
  IBitmapBase::FrameOffset(horizontal, 3, x, y);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 0);
  const IBitmapHandle vertical(&picture, 5, false, "v");
  IBitmapBase::FrameOffset(vertical, 2, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 10);
  // A frame count of 0 counts as one frame.
  const IBitmapHandle none(&picture, 0, false, "n");
  EXPECT_EQ(none.N(), 1);
  EXPECT_EQ(IBitmapBase::FrameForValue(0, 0.7), 1);

  EXPECT_EQ(IBitmapBase::FrameForValue(2, 0.49), 1);
  EXPECT_EQ(IBitmapBase::FrameForValue(2, 0.5), 2);
  EXPECT_EQ(IBitmapBase::FrameForValue(4, 1.0009), 4);
  EXPECT_EQ(IBitmapBase::FrameForValue(4, std::nan("")), 1);
  EXPECT_EQ(IBitmapBase::FrameForValue(4, 1e300), 4);
}

TEST_F(BitmapFixture, AFilmStripKnobDrawsTheFrameOfItsValueCentredInItsRectangle) {
  auto* lamp = new IBitmapKnobControl({824, 0, 1630, 935}, ui.FetchBitmap("ledOn.png", 2, false, 2), TestDelegate::kBypass);
  ui.AddControl(lamp);
  EXPECT_EQ(lamp->GetRect(), IRectF(824, 0, 1630, 935));
  lamp->ReceiveValue(1.0);
  ui.DrawRegions({{0, 0, 1630, 1010}});
  const auto paints = ui.Ops("PaintBitmap");
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_EQ(paints[0].rect, IRectF(824, 0, 1630, 935));
  EXPECT_EQ(paints[0].srcY, 935);
  // Attachment fetched the picture again for the screen scale.
  EXPECT_EQ(ui.fetches.back(), "ledOn.png@1");
}

TEST_F(BitmapFixture, TheFrameIsCentredInTheRectangleGiven) {
  auto* knob = new IBitmapKnobControl({0, 0, 100, 200}, ui.FetchBitmap("Nuppi.png"), TestDelegate::kTame);
  EXPECT_EQ(knob->GetRect(), IRectF(-73, -23, 173, 223));
  delete knob;
}

TEST_F(BitmapFixture, ARotatingKnobTurnsAboutItsCentreThroughTwoHundredSixtyDegrees) {
  auto* knob = new IBitmapRotaterControl({137, 206, 383, 452}, ui.FetchBitmap("Nuppi.png"), TestDelegate::kInputGain);
  ui.AddControl(knob);
  knob->ReceiveValue(0.25);
  ui.DrawRegions({{0, 0, 1630, 1010}});
  const auto paints = ui.Ops("PaintBitmap");
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_NEAR(paints[0].angle, -65.0f, 1e-3);
  EXPECT_EQ(paints[0].rect, IRectF(-123, -123, 123, 123));
  EXPECT_NEAR(paints[0].transform.tx, 260.0, 1e-9);
  EXPECT_NEAR(paints[0].transform.ty, 329.0, 1e-9);
  EXPECT_DOUBLE_EQ(IBitmapRotaterControl::AngleForValue(0.0), -130.0);
  EXPECT_DOUBLE_EQ(IBitmapRotaterControl::AngleForValue(1.0), 130.0);
  EXPECT_DOUBLE_EQ(IBitmapRotaterControl::AngleForValue(std::nan("")), 0.0);
}

TEST_F(BitmapFixture, AOneFrameOverlayAlwaysDrawsItsFrameButStillMovesItsParameter) {
  auto* overlay = new IBitmapKnobControl({0, 0, 246, 246}, ui.FetchBitmap("Nuppi.png"), TestDelegate::kWet);
  ui.AddControl(overlay);
  ui.OnMouseDown(Press(100, 100));
  ui.OnMouseDrag(Move(100, 90, 0, -246));
  ui.OnMouseUp(Press(100, 90));
  EXPECT_NEAR(delegate.GetParam(TestDelegate::kWet)->GetNormalized(), 0.25, 1e-9);
  ui.DrawRegions({{0, 0, 300, 300}});
  EXPECT_EQ(ui.Ops("PaintBitmap")[0].srcY, 0);
}

TEST_F(BitmapFixture, AFourFrameSwitchStepsThroughItsFramesAndWraps) {
  auto* sw = new IBitmapSwitchControl({1525, 890, 1613, 982}, ui.FetchBitmap("Oversampling.png", 4), TestDelegate::kOversampling);
  ui.AddControl(sw);
  std::vector<double> values;
  for (int i = 0; i < 4; ++i) {
    ui.OnMouseDown(Press(1550, 900));
    ui.OnMouseUp(Press(1550, 900));
    values.push_back(sw->GetValue());
  }
  EXPECT_NEAR(values[0], 1.0 / 3.0, 1e-12);
  EXPECT_NEAR(values[2], 1.0, 1e-12);
  EXPECT_EQ(values[3], 0.0);
  EXPECT_EQ(delegate.OpenGestures(), 0);
  // A double-click counts as a click.
  ui.OnMouseDoubleClick(1550, 900, Left());
  ui.OnMouseUp(Press(1550, 900));
  EXPECT_NEAR(sw->GetValue(), 1.0 / 3.0, 1e-12);
}

TEST_F(BitmapFixture, ABitmapThatCannotBeFetchedAgainIsKept) {
  auto* c = new IBitmapControl({0, 0, 10, 10}, ui.FetchBitmap("strip.png", 3, true));
  ui.pictures.clear();
  ui.AddControl(c);
  EXPECT_TRUE(c->GetBitmap().IsValid());
}

} // namespace
} // namespace lumen::test
