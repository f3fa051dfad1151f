// What a producer does to a value besides dragging: the readout that shows it, the right-click menu
// (type a value, reset to the default), Control+click and the keys, each one gesture for the host;
// and the mends around gestures, text entries, resize limits and menu choices.
#include "GraphicsTestSupport.h"
#include "TestControls.h"
#include "IKeyCodes.h"
#include "controls/IKnobControlBase.h"
#include "controls/ISwitchControlBase.h"
#include "controls/ITextEntryControl.h"
#include "controls/IValueReadoutControl.h"

#include <gmock/gmock.h>

#include <cstring>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

IKeyEvent Key(int code, const char* text = "") {
  IKeyEvent k;
  k.keyCode = code;
  std::strncpy(k.text, text, sizeof(k.text) - 1);
  return k;
}

IKeyEvent Char(char c) {
  const char text[2] = {c, 0};
  const unsigned char u = static_cast<unsigned char>(c);
  return Key(std::isdigit(u) ? c : (std::isalpha(u) ? std::toupper(u) : 0), text);
}

IMouseState ControlKey() {
  IMouseState m = Left();
  m.control = true;
  return m;
}

struct ValueFixture : GraphicsFixture {
  ValueFixture() {
    ui.AddControl(new LoggingControl({0, 0, 1630, 1010})); // the background
    ui.EnableMouseOver(true);
    ui.CreateTextEditor();
    ITextStyle style;
    style.size = 20.0f;
    ui.EnableValueReadout(style);
    readout = ui.ValueReadout();
    ui.AddControl(knob);
    ui.AddControl(toggle);
    delegate.GetParam(TestDelegate::kOutputGain)->Set(100.0);
    knob->SetValue(delegate.GetParam(TestDelegate::kOutputGain)->GetNormalized());
  }
  double OutputGain() const { return delegate.GetParam(TestDelegate::kOutputGain)->Value(); }
  IRectFList TickAt(double milliseconds) {
    ui.now = milliseconds;
    IRectFList regions;
    ui.Tick(regions);
    return regions;
  }
  bool Type(const std::string& text) {
    bool any = false;
    for (const char c : text) any = ui.OnKeyDown(500, 500, Char(c)) || any;
    return any;
  }
  // Right-click on the knob and pick an item of its menu.
  void Choose(int item) {
    ui.menuChoice = item;
    ui.OnMouseDown(Press(500, 500, Right()));
    ui.OnMouseUp(Press(500, 500, Right()));
  }

  TestKnob* knob = new TestKnob({400, 400, 600, 600}, TestDelegate::kOutputGain);
  TestSwitch* toggle = new TestSwitch({1500, 900, 1600, 990}, TestDelegate::kDelta);
  IValueReadoutControl* readout = nullptr;
};

// ---- Readout ----------------------------------------------------------------------------------------------------

TEST_F(ValueFixture, TheReadoutAppearsAfterRestingBelowTheKnobAndFadesASecondAfterLeaving) {
  ui.now = 0.0;
  ui.OnMouseHover(500, 500, IMouseState());
  TickAt(300.0);
  EXPECT_FALSE(readout->Showing());
  const IRectFList shown = TickAt(420.0);
  ASSERT_TRUE(readout->Showing());
  EXPECT_EQ(readout->Text(), "Output Gain 100 %");
  const IRectF plate = readout->Plate();
  EXPECT_GE(plate.T, 600.0f) << "below the knob, clear of its pointer";
  EXPECT_NEAR(plate.MW(), 500.0f, 0.5f);
  EXPECT_FALSE(shown.empty());

  // Resting longer redraws nothing.
  EXPECT_TRUE(TickAt(900.0).empty());
  ui.now = 1000.0;
  ui.OnMouseHover(50, 50, IMouseState()); // onto the background
  TickAt(1900.0);
  EXPECT_EQ(readout->Opacity(), 1.0f);
  TickAt(2100.0);
  EXPECT_GT(readout->Opacity(), 0.0f);
  EXPECT_LT(readout->Opacity(), 1.0f);
  const IRectFList gone = TickAt(2300.0);
  EXPECT_FALSE(readout->Showing());
  ASSERT_FALSE(gone.empty());
  EXPECT_TRUE(gone.back().Contains(plate)) << "the area it covered is drawn again";
  ui.DrawRegions(gone);
  EXPECT_THAT(ui.Ops("DrawText"), IsEmpty());
}

TEST_F(ValueFixture, APressShowsTheReadoutAtOnceAndItFollowsTheDragLive) {
  ui.now = 0.0;
  ui.OnMouseHover(500, 500, IMouseState());
  ui.OnMouseDown(Press(500, 500));
  EXPECT_TRUE(ui.IsCaptured(knob));
  EXPECT_EQ(readout->Target(), knob);
  EXPECT_TRUE(readout->Showing());
  TickAt(16.0);
  ASSERT_TRUE(readout->Showing());
  ui.OnMouseDrag(Move(500, 500, 0, -200));
  TickAt(32.0);
  EXPECT_NE(readout->Text(), "Output Gain 100 %");
  // The value as the host would show it, without the zeros that end its decimals.
  const std::string text = readout->Text();
  ASSERT_TRUE(text.starts_with("Output Gain ") && text.ends_with(" %")) << text;
  const std::string number = text.substr(12, text.size() - 14);
  if (number.find('.') != std::string::npos) {
    EXPECT_NE(number.back(), '0') << text;
  }
  EXPECT_NEAR(std::stod(number), OutputGain(), 0.005) << text;
  ui.DrawRegions({{0, 0, 1630, 1010}});
  ASSERT_EQ(ui.Ops("DrawText").size(), 1u);
  EXPECT_EQ(ui.Ops("DrawText")[0].bitmap, readout->Text());
  // Released with the pointer still on it: it stays.
  ui.OnMouseUp(Press(500, 500));
  TickAt(5000.0);
  EXPECT_TRUE(readout->Showing());
}

TEST_F(ValueFixture, TheHostChangingAHoveredValueShowsItAtOnceAndTheWheelToo) {
  ui.now = 0.0;
  ui.OnMouseHover(500, 500, IMouseState());
  TickAt(100.0);
  EXPECT_FALSE(readout->Showing());
  delegate.GetParam(TestDelegate::kOutputGain)->Set(60.0);
  TickAt(116.0);
  ASSERT_TRUE(readout->Showing());
  EXPECT_EQ(readout->Text(), "Output Gain 60 %");

  // On the switch: a wheel turn shows it without waiting; its value is a plain number here.
  ui.now = 200.0;
  ui.OnMouseHover(1550, 950, IMouseState());
  EXPECT_FALSE(readout->Showing()) << "another control's readout goes at once";
  ui.OnMouseWheel(1550, 950, IMouseState(), 1.0f);
  EXPECT_TRUE(readout->Showing());
}

TEST_F(ValueFixture, TheReadoutStaysInsideTheEditorBesideAControlWithNoRoomBelow) {
  ui.ShowValueReadout(*toggle);
  const IRectF plate = readout->Plate();
  EXPECT_EQ(readout->Text(), "Switch3 0");
  EXPECT_TRUE(IRectF(0, 0, 1630, 1010).Contains(plate));
  EXPECT_FALSE(plate.Intersects(toggle->GetRect()));
  // A namer gives the states the names their pictures carry.
  ui.SetValueNamer([](int, double v) { return std::string(v >= 1.0 ? "On" : "Off"); });
  ui.ShowValueReadout(*toggle);
  EXPECT_EQ(readout->Text(), "Switch3 Off");
}

// ---- Value menu and typed values -------------------------------------------------------------------------------

TEST_F(ValueFixture, TheEditorShowsNumbersWithoutTheZerosThatEndTheirDecimals) {
  EXPECT_EQ(ui.DisplayText(TestDelegate::kOutputGain, 80.0), "80 %");
  EXPECT_EQ(ui.DisplayText(TestDelegate::kOutputGain, 80.5), "80.5 %");
  EXPECT_EQ(ui.DisplayText(TestDelegate::kOutputGain, 100.25), "100.25 %");
  EXPECT_EQ(ui.DisplayText(TestDelegate::kOutputGain, 0.0), "0 %");
  EXPECT_EQ(ui.DisplayText(TestDelegate::kOutputGain, 10.0), "10 %") << "only zeros after the point go";
}

TEST_F(ValueFixture, TheRightClickMenuOffersTypingAndTheRealDefaultAndResetsAsOneGesture) {
  delegate.GetParam(TestDelegate::kOutputGain)->Set(40.0);
  knob->SetValue(delegate.GetParam(TestDelegate::kOutputGain)->GetNormalized());
  Choose(1);
  ASSERT_EQ(ui.menusShown.size(), 1u);
  EXPECT_THAT(ui.menusShown[0], ElementsAre("Type a value\u2026", "Reset to default (100 %)"));
  EXPECT_DOUBLE_EQ(OutputGain(), 100.0);
  EXPECT_THAT(delegate.log, ElementsAre("begin 7", "set 7", "end 7"));

  delegate.log.clear();
  Choose(-1); // dismissed
  EXPECT_THAT(delegate.log, IsEmpty());
  EXPECT_FALSE(ui.TextEditor()->IsEditing());
}

TEST_F(ValueFixture, ATypedValueCommitsAsOneGestureAndBadTextOrEscapeChangesNothing) {
  ITextEntryControl& entry = *ui.TextEditor();
  Choose(0);
  ASSERT_TRUE(entry.IsEditing());
  EXPECT_EQ(entry.GetText(), "100.00");
  EXPECT_EQ(entry.SelectionStart(), 0);
  EXPECT_EQ(entry.SelectionEnd(), 6);
  EXPECT_TRUE(entry.GetRect().Contains(500, 500)) << "over the knob";
  EXPECT_TRUE(Type("80"));
  EXPECT_TRUE(ui.OnKeyDown(500, 500, Key(kKeyReturn)));
  EXPECT_DOUBLE_EQ(OutputGain(), 80.0);
  EXPECT_THAT(delegate.log, ElementsAre("begin 7", "set 7", "end 7"));

  // Letters cannot be typed into a number; Return then keeps the value it showed.
  delegate.log.clear();
  Choose(0);
  EXPECT_FALSE(Type("abc"));
  ui.OnKeyDown(500, 500, Key(kKeyReturn));
  // Out of range, and Escape.
  Choose(0);
  Type("130");
  ui.OnKeyDown(500, 500, Key(kKeyReturn));
  Choose(0);
  Type("20");
  ui.OnKeyDown(500, 500, Key(kKeyEscape));
  EXPECT_FALSE(entry.IsEditing());
  EXPECT_DOUBLE_EQ(OutputGain(), 80.0);
  EXPECT_THAT(delegate.log, IsEmpty());
}

TEST_F(ValueFixture, OnlyAWholeValueInRangeIsTakenWithOrWithoutTheLabel) {
  const auto typed = [&](const char* text) {
    ui.OpenTextEditor(*knob, knob->GetTextStyle(), {0, 0, 10, 10}, "", 0);
    ui.FinishTextEdit(text);
    return OutputGain();
  };
  for (const char* bad : {"abc", "", "  ", "80abc", "130", "-5", "nan", "inf", "1e999", "120.5"}) {
    EXPECT_DOUBLE_EQ(typed(bad), 100.0) << bad;
  }
  EXPECT_THAT(delegate.log, IsEmpty());
  EXPECT_DOUBLE_EQ(typed(" 80 % "), 80.0);
  EXPECT_DOUBLE_EQ(typed("70%"), 70.0);
  EXPECT_DOUBLE_EQ(typed("120"), 120.0);
  EXPECT_DOUBLE_EQ(typed("0"), 0.0);
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

TEST_F(ValueFixture, ControlClickResetsAsOneGestureButAControlDragStaysTheFineDrag) {
  delegate.GetParam(TestDelegate::kOutputGain)->Set(30.0);
  knob->SetValue(delegate.GetParam(TestDelegate::kOutputGain)->GetNormalized());
  ui.OnMouseDown(Press(500, 500, ControlKey()));
  ui.OnMouseUp(Press(500, 500, ControlKey()));
  EXPECT_DOUBLE_EQ(OutputGain(), 100.0);
  EXPECT_THAT(delegate.log, ElementsAre("begin 7", "set 7", "end 7"));

  delegate.log.clear();
  ui.OnMouseDown(Press(500, 500, ControlKey()));
  ui.OnMouseDrag(Move(500, 500, 0, 80, ControlKey())); // 80 units down at gearing 40 over 200 units
  ui.OnMouseUp(Press(500, 500, ControlKey()));
  EXPECT_NEAR(OutputGain(), 100.0 - 0.01 * 120.0, 1e-6);

  // A switch takes Control+click for its default too, instead of advancing.
  delegate.GetParam(TestDelegate::kDelta)->Set(1.0);
  toggle->SetValue(1.0);
  ui.OnMouseDown(Press(1550, 950, ControlKey()));
  ui.OnMouseUp(Press(1550, 950, ControlKey()));
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kDelta)->Value(), 0.0);
}

TEST_F(ValueFixture, ArrowsAndPageKeysStepTheControlUnderThePointerEachAsAGesture) {
  int handled = 0;
  ui.SetKeyHandler([&](const IKeyEvent&, bool) { return ++handled, false; });
  EXPECT_TRUE(ui.OnKeyDown(500, 500, Key(kKeyUp)));
  EXPECT_NEAR(OutputGain(), 101.2, 1e-9);
  EXPECT_TRUE(ui.OnKeyDown(500, 500, Key(kKeyPageDown)));
  EXPECT_NEAR(OutputGain(), 101.2 - 12.0, 1e-9);
  EXPECT_TRUE(ui.OnKeyUp(500, 500, Key(kKeyPageDown)));
  EXPECT_THAT(delegate.log, ElementsAre("begin 7", "set 7", "end 7", "begin 7", "set 7", "end 7"));
  // A switch moves a whole state; the background passes the key on.
  EXPECT_TRUE(ui.OnKeyDown(1550, 950, Key(kKeyRight)));
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kDelta)->Value(), 1.0);
  EXPECT_FALSE(ui.OnKeyDown(50, 50, Key(kKeyUp)));
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

// ---- Mends --------------------------------------------------------------------------------------------------------

TEST_F(ValueFixture, AResizeDuringAHeldKnobEndsItsGesture) {
  ui.OnMouseDown(Press(500, 500));
  ui.OnMouseDrag(Move(500, 500, 0, -20));
  ui.ResizeSurface(1630, 1010, 0.75f);
  EXPECT_EQ(delegate.OpenGestures(), 0);
  EXPECT_FALSE(ui.IsCaptured(knob));
  EXPECT_FALSE(ui.CursorHidden());
  const double after = OutputGain();
  ui.OnMouseDrag(Move(500, 500, 0, -20));
  ui.OnMouseUp(Press(500, 500));
  EXPECT_DOUBLE_EQ(OutputGain(), after) << "the knob no longer follows the pointer";
  EXPECT_EQ(delegate.OpenGestures(), 0);
}

TEST_F(ValueFixture, ASecondTextEntryCancelsTheFirstAndItsGesture) {
  auto* other = new TestKnob({800, 400, 1000, 600}, TestDelegate::kWet);
  ui.AddControl(other);
  // The first entry is held inside a press's gesture, as a prompt from a click is.
  ui.OnMouseDown(Press(500, 500));
  ui.OpenTextEditor(*knob, knob->GetTextStyle(), {400, 400, 600, 450}, "100", 0);
  ui.OnMouseUp(Press(500, 500));
  EXPECT_EQ(delegate.OpenGestures(), 1);
  ui.OpenTextEditor(*other, other->GetTextStyle(), {800, 400, 1000, 450}, "50", 0);
  EXPECT_EQ(delegate.OpenGestures(), 0);
  EXPECT_EQ(ui.ControlInTextEntry(), other);
  ui.FinishTextEdit("75");
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kWet)->Value(), 75.0);
  EXPECT_DOUBLE_EQ(OutputGain(), 100.0);
  EXPECT_EQ(delegate.OpenGestures(), 0);
}

TEST_F(ValueFixture, InvertedResizeLimitsAreSurvived) {
  delegate.SetEditorSizeLimits(1200, 600, 900, 300); // each minimum above its maximum
  ui.ResizeSurface(100, 5000, 0.5f);
  EXPECT_EQ(ui.Width(), 1200);
  EXPECT_EQ(ui.Height(), 900);
  ui.ResizeSurface(3000, 100, 0.5f);
  EXPECT_EQ(ui.Width(), 1200);
  EXPECT_EQ(ui.Height(), 900);
}

TEST_F(ValueFixture, AMenuChoiceIsNormalisedByTheParameterThatPromptedIt) {
  LoggingControl pair({0, 0, 10, 10}, {TestDelegate::kWet, TestDelegate::kOversampling});
  pair.SetDelegate(&delegate);
  pair.SetUI(&ui);
  pair.DisablePrompt(false);
  IPopupMenu menu;
  for (const char* item : {"1x", "2x", "4x", "8x"}) menu.AddItem(item);
  menu.SetChosenItemIdx(2);
  pair.OnMenuChoice(&menu, 1);
  // Value 1 is the selector's (0 ... 3): item 2 is two thirds, not 2 % of the percentage's range.
  EXPECT_DOUBLE_EQ(pair.GetValue(1), 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(pair.GetValue(0), 0.0);
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kOversampling)->Value(), 2.0);
}

} // namespace
} // namespace lumen::test
