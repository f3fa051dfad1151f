// Input dispatch: hit-test order, captures, mouse-over, wheel and keys, and the begin/end-edit
// bracketing the host sees for every gesture.
#include "GraphicsTestSupport.h"
#include "TestControls.h"
#include "IKeyCodes.h"
#include "controls/ICornerResizerControl.h"
#include "controls/IKnobControlBase.h"
#include "controls/ITextControl.h"

#include <gmock/gmock.h>

#include <array>
#include <utility>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct DispatchFixture : GraphicsFixture {
  DispatchFixture() {
    background = Make({0, 0, 1630, 1010}, "bg");
    lower = Make({0, 0, 100, 100}, "lower", TestDelegate::kTame);
    upper = Make({50, 50, 150, 150}, "upper", TestDelegate::kWet);
    log.clear();
  }
  // The controls log into this fixture's log, which goes before the surface does.
  ~DispatchFixture() override { ui.RemoveAllControls(); }
  LoggingControl* Make(const IRectF& r, const std::string& name, int param = -1) {
    auto* c = new LoggingControl(r, param, &log);
    c->name = name;
    ui.AddControl(c);
    return c;
  }
  std::vector<std::string> log;
  LoggingControl* background;
  LoggingControl* lower;
  LoggingControl* upper;
};

TEST_F(DispatchFixture, TheLastAttachedControlIsHitFirstAndTheBackgroundLast) {
  EXPECT_EQ(ui.ControlAt(75, 75), upper);
  EXPECT_EQ(ui.ControlAt(25, 25), lower);
  EXPECT_EQ(ui.ControlAt(500, 500), background);
  upper->SetHidden(true);
  EXPECT_EQ(ui.ControlAt(75, 75), lower);
  upper->SetHidden(false);
  upper->SetDisabled(true);
  EXPECT_EQ(ui.ControlAt(75, 75), lower);
  upper->SetMouseEventsWhenDisabled(true);
  EXPECT_EQ(ui.ControlAt(75, 75), upper);
}

TEST_F(DispatchFixture, AControlThatIgnoresTheMouseLetsTheOneBeneathBeHit) {
  auto* label = new ITextControl({40, 40, 60, 60}, "v1.1.5");
  ui.AddControl(label);
  EXPECT_EQ(ui.ControlAt(45, 45), lower);
}

TEST_F(DispatchFixture, MouseOverNeverLandsOnTheBackgroundAndNeedsTrackingOn) {
  EXPECT_FALSE(ui.OnMouseHover(25, 25, {}));
  ui.EnableMouseOver(true);
  EXPECT_TRUE(ui.OnMouseHover(25, 25, {}));
  EXPECT_EQ(ui.MouseOverControl(), lower);
  EXPECT_EQ(ui.MouseOverIndex(), 1);
  EXPECT_FALSE(ui.OnMouseHover(500, 500, {}));
  EXPECT_EQ(ui.MouseOverIndex(), -1);
  EXPECT_THAT(log, ElementsAre("over lower", "out lower"));
  // A press on the background reaches it.
  ui.OnMouseDown(Press(500, 500));
  EXPECT_EQ(log.back(), "down bg");
}

TEST_F(DispatchFixture, APressCapturesItsControlForEveryDragUntilRelease) {
  ui.OnMouseDown(Press(25, 25));
  ui.OnMouseDrag(Move(5000, -300, 10, 10)); // far outside the editor
  ui.OnMouseDrag(Move(5000, -300, 0, 0));   // no movement: nothing
  ui.OnMouseUp(Press(5000, -300));
  ui.OnMouseDrag(Move(25, 25, 1, 1)); // nothing captured any more
  EXPECT_THAT(log, ElementsAre("down lower", "drag lower", "up lower"));
  EXPECT_THAT(delegate.log, ElementsAre("begin 6", "end 6"));
  EXPECT_EQ(ui.CapturedControl(), nullptr);
  EXPECT_FLOAT_EQ(ui.MouseDownX(), 25.0f);
}

TEST_F(DispatchFixture, APointerDragMovesByTheDifferenceAndAFineDragReturnsToItsAnchor) {
  struct DragRecorder : LoggingControl {
    using LoggingControl::LoggingControl;
    void OnMouseDrag(float x, float y, float dX, float dY, const IMouseState&) override {
      drags.push_back({x, y, dX, dY});
    }
    std::vector<std::array<float, 4>> drags;
  };
  auto* knob = new DragRecorder({200, 200, 300, 300});
  ui.AddControl(knob);
  ui.SetLastMousePosition(250, 250);
  ui.OnMouseDown(Press(250, 250));
  ui.DragPointerTo(250, 250, Left(), false, 0, 0); // no movement: no drag
  ui.DragPointerTo(260, 245, Left(), false, 0, 0);
  EXPECT_FLOAT_EQ(ui.LastMouseX(), 260.0f);
  // Hidden and locked where the press was: the control sees the movement at the anchor, and the
  // pointer is put back there rather than following the hand to the screen's edge.
  ui.HideCursor(true, true);
  ui.DragPointerTo(262, 240, Left(), true, 250, 250);
  // Hidden but not locked: an ordinary drag.
  ui.DragPointerTo(265, 240, Left(), false, 250, 250);
  ui.OnMouseUp(Press(265, 240));
  ASSERT_EQ(knob->drags.size(), 3u);
  EXPECT_EQ(knob->drags[0], (std::array<float, 4>{260, 245, 10, -5}));
  EXPECT_EQ(knob->drags[1], (std::array<float, 4>{250, 250, 2, -5}));
  EXPECT_EQ(knob->drags[2], (std::array<float, 4>{265, 240, 5, -5}));
  ASSERT_EQ(ui.pointerMoves.size(), 1u);
  EXPECT_EQ(ui.pointerMoves[0], std::make_pair(250.0f, 250.0f));
}

TEST_F(DispatchFixture, ARightPressDuringALeftDragEndsTheGesture) {
  ui.OnMouseDown(Press(25, 25));
  IMouseState both = Left();
  both.right = true;
  ui.OnMouseDown(Press(30, 30, both));
  ui.OnMouseDrag(Move(40, 40, 5, 5));
  ui.OnMouseUp(Press(40, 40));
  EXPECT_THAT(log, ElementsAre("down lower", "up lower"));
  EXPECT_THAT(delegate.log, ElementsAre("begin 6", "end 6"));
}

TEST_F(DispatchFixture, DroppingCapturesEndsTheGestureAndShowsTheCursor) {
  auto* knob = new TestKnob({200, 200, 300, 300}, TestDelegate::kBias);
  ui.AddControl(knob);
  ui.OnMouseDown(Press(250, 250));
  EXPECT_TRUE(ui.CursorHidden());
  ui.DropCaptures();
  EXPECT_FALSE(ui.CursorHidden());
  EXPECT_FALSE(knob->MouseIsDown());
  EXPECT_EQ(delegate.OpenGestures(), 0);
  ui.OnMouseUp(Press(250, 250)); // the late release changes nothing
  EXPECT_THAT(delegate.log, ElementsAre("begin 8", "end 8"));
  EXPECT_THAT(ui.cursorCalls, ElementsAre("hide lock", "show lock"));
}

TEST_F(DispatchFixture, TheWheelReachesTheControlUnderThePointerInWholeNotches) {
  ui.OnMouseWheel(75, 75, {}, 3.0f);
  ui.OnMouseWheel(5000, 5000, {}, 1.0f);
  ui.OnMouseWheel(75, 75, {}, std::nanf(""));
  EXPECT_THAT(log, ElementsAre("wheel upper 3"));
}

TEST_F(DispatchFixture, ADoubleClickOnAKnobResetsItsParameterAsOneGesture) {
  auto* knob = new TestKnob({200, 200, 300, 300}, TestDelegate::kBias);
  ui.AddControl(knob);
  knob->SetValue(0.9);
  ui.OnMouseDoubleClick(250, 250, Left());
  EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
  EXPECT_THAT(delegate.log, ElementsAre("begin 8", "set 8", "end 8"));
  EXPECT_EQ(ui.CapturedControl(), nullptr);
}

TEST_F(DispatchFixture, KeysGoToTheControlUnderThePointerThenToTheKeyHandler) {
  std::vector<bool> handled;
  ui.SetKeyHandler([&](const IKeyEvent&, bool isUp) {
    handled.push_back(isUp);
    return true;
  });
  IKeyEvent key;
  key.keyCode = 'A';
  upper->takesKeys = true;
  EXPECT_TRUE(ui.OnKeyDown(75, 75, key));
  EXPECT_TRUE(handled.empty());
  EXPECT_TRUE(ui.OnKeyDown(500, 500, key)); // the background is never asked
  EXPECT_TRUE(ui.OnKeyUp(75, 75, key));
  EXPECT_THAT(handled, ElementsAre(false, true));
  EXPECT_THAT(log, ElementsAre("key upper"));
  ui.SetKeyHandler(nullptr);
  EXPECT_FALSE(ui.OnKeyDown(500, 500, key));
}

TEST_F(DispatchFixture, LeavingTheWindowRestoresTheArrowAndClearsMouseOver) {
  ui.EnableMouseOver(true);
  ui.SetPointerKind(kCursorSizeNWSE);
  ui.OnMouseHover(25, 25, {});
  ui.OnMouseLeave();
  EXPECT_EQ(ui.CursorKind(), kCursorArrow);
  EXPECT_EQ(ui.MouseOverControl(), nullptr);
  EXPECT_EQ(ui.MouseOverIndex(), -1);
}

TEST_F(DispatchFixture, WithMultiTouchASecondTouchCannotGrabAControlThatDoesNotWantIt) {
  ui.EnableMultiTouch(true);
  IMouseState first = Left();
  first.touchId = 1;
  IMouseState second = Left();
  second.touchId = 2;
  ui.OnMouseDown(Press(25, 25, first));
  ui.OnMouseDown(Press(25, 25, second));
  EXPECT_EQ(ui.CapturedControl(1), lower);
  EXPECT_EQ(ui.CapturedControl(2), nullptr);
  lower->SetWantsMultiTouch(true);
  ui.OnMouseDown(Press(25, 25, second));
  EXPECT_EQ(ui.CapturedControl(2), lower);
}

// ---- The corner grip ------------------------------------------------------------------------------------------

struct GripFixture : GraphicsFixture {
  GripFixture() { ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Scale, true); }
};

TEST_F(GripFixture, DraggingTheGripScalesTheEditorWithinAQuarterAndTheFullSize) {
  ui.OnMouseDown(Press(1600, 1000));
  ASSERT_TRUE(ui.ResizeInProgress());
  ui.OnMouseDrag(Move(800, 900, -800, -100)); // half the way in x: scale 0.25
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.25f);
  EXPECT_EQ(ui.Width(), 1630);
  ui.OnMouseDrag(Move(400, 300, -400, -600)); // below a quarter: clamped
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.25f);
  ui.OnMouseDrag(Move(6400, 4000, 0, 0)); // far beyond: clamped to the full size
  EXPECT_FLOAT_EQ(ui.DrawScale(), 1.0f);
  ui.OnMouseUp(Press(6400, 4000));
  EXPECT_FALSE(ui.ResizeInProgress());
  EXPECT_GE(delegate.layouts, 1);
}

TEST_F(GripFixture, ADoubleClickOnTheGripReturnsToTheFullScale) {
  ui.ResizeSurface(1630, 1010, 0.25f);
  ui.OnMouseDoubleClick(1620, 1000, Left());
  EXPECT_FLOAT_EQ(ui.DrawScale(), 1.0f);
}

TEST_F(GripFixture, HoveringTheGripShowsTheSizingCursorAndLeavingRestoresIt) {
  ui.SetPointerKind(kCursorHand);
  ui.OnMouseHover(1620, 1000, {});
  EXPECT_EQ(ui.CursorKind(), kCursorSizeNWSE);
  EXPECT_TRUE(ui.ResizeGrip()->MouseOverGrip());
  ui.OnMouseHover(10, 10, {});
  EXPECT_EQ(ui.CursorKind(), kCursorHand);
  EXPECT_FALSE(ui.ResizeGrip()->MouseOverGrip());
}

TEST_F(GripFixture, ADragWithoutAPositivePressPositionDoesNotScale) {
  ui.OnMouseDown(Press(0, 0));
  ui.SetResizeInProgress(true);
  ui.OnMouseDrag(Move(100, 100, 100, 100));
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.5f);
}

TEST(GripSizeMode, DraggingInSizeModeChangesTheLogicalSize) {
  TestDelegate delegate;
  TestCanvas ui(&delegate);
  ui.AttachResizeGrip(new ICornerResizerControl({0, 0, 1630, 1010}, 20), ResizeMode::Size, false);
  ui.OnMouseDown(Press(1620, 1000));
  ui.OnMouseDrag(Move(1200.7f, 800.2f, -400, -200));
  EXPECT_EQ(ui.Width(), 1200);
  EXPECT_EQ(ui.Height(), 800);
  EXPECT_FLOAT_EQ(ui.DrawScale(), 0.5f);
}

} // namespace
} // namespace lumen::test
