// Text label, the surface's text editor and the value prompts that open it or a parameter menu.
#include "GraphicsTestSupport.h"
#include "IKeyCodes.h"
#include "controls/IKnobControlBase.h"
#include "controls/ITextControl.h"
#include "controls/ITextEntryControl.h"

#include <gmock/gmock.h>

#include <cstring>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

IKeyEvent Key(int code, const char* text = "", bool control = false, bool shift = false) {
  IKeyEvent k;
  k.keyCode = code;
  std::strncpy(k.text, text, sizeof(k.text) - 1);
  k.control = control;
  k.shift = shift;
  return k;
}

// A typed character: letters and digits carry their key code, punctuation only its text.
IKeyEvent Char(char c) {
  const char text[2] = {c, 0};
  return Key(std::isalnum(static_cast<unsigned char>(c)) ? std::toupper(static_cast<unsigned char>(c)) : 0, text);
}

// ---- ITextControl ----------------------------------------------------------------------------------------------

TEST_F(GraphicsFixture, ALabelSizesItselfToItsTextAroundItsCentre) {
  ITextStyle style;
  style.size = 20.0f;
  auto* label = new ITextControl({1480, 980, 1630, 1010}, "v1.1.5 x86-64 VST2", style, kColorTransparent, true);
  ui.AddControl(label);
  // 18 characters of 10 units, 20 high, around (1555, 995).
  EXPECT_EQ(label->GetRect(), IRectF(1465, 985, 1645, 1005));
  EXPECT_TRUE(label->IgnoreMouse());
  label->SetLabel("v2");
  EXPECT_EQ(label->GetRect(), IRectF(1545, 985, 1565, 1005));
  label->FormatLabel(3, "%s-%d", "abcdef", 7);
  EXPECT_EQ(label->GetLabel(), "abc");
  ui.DrawRegions({{0, 0, 1630, 1010}});
  ASSERT_EQ(ui.Ops("DrawText").size(), 1u);
  EXPECT_EQ(ui.Ops("DrawText")[0].bitmap, "abc");
}

// ---- ITextEntryControl -------------------------------------------------------------------------------------------

struct EntryFixture : GraphicsFixture {
  EntryFixture() {
    ui.CreateTextEditor();
    editor = ui.TextEditor();
    ui.AddControl(control);
    control->DisablePrompt(false);
  }
  void Open(int param, const char* text, int maxLength = 7) {
    control->BindParam(param);
    control->SetTextEntryLength(maxLength);
    ui.OpenTextEditor(*control, control->GetTextStyle(), {10, 10, 90, 30}, text, 0);
  }
  bool Type(const std::string& text) {
    bool any = false;
    for (const char c : text) any = ui.OnKeyDown(50, 20, Char(c)) || any;
    return any;
  }
  LoggingControl* control = new LoggingControl({0, 0, 100, 100}, -1);
  ITextEntryControl* editor = nullptr;
};

TEST_F(EntryFixture, ReturnCommitsTheTypedValueToTheParameter) {
  Open(TestDelegate::kInputGain, "32.00 %");
  EXPECT_TRUE(editor->IsEditing());
  EXPECT_EQ(editor->SelectionEnd(), 7); // all selected
  EXPECT_TRUE(Type("150"));
  EXPECT_EQ(editor->GetText(), "150");
  EXPECT_TRUE(ui.OnKeyDown(50, 20, Key(kKeyReturn)));
  EXPECT_FALSE(editor->IsEditing());
  EXPECT_NEAR(delegate.GetParam(TestDelegate::kInputGain)->Value(), 150.0, 1e-9);
  EXPECT_EQ(editor->GetRect(), IRectF());
  EXPECT_EQ(ui.ControlInTextEntry(), nullptr);
}

TEST_F(EntryFixture, EscapeCancelsWithoutApplying) {
  Open(TestDelegate::kInputGain, "32");
  Type("99");
  EXPECT_TRUE(ui.OnKeyDown(50, 20, Key(kKeyEscape)));
  EXPECT_FALSE(editor->IsEditing());
  EXPECT_TRUE(delegate.sent.empty());
  EXPECT_EQ(ui.ControlInTextEntry(), nullptr);
}

TEST_F(EntryFixture, AnIntegerEntryRefusesLettersAndADoubleEntryTakesAFullStop) {
  Open(TestDelegate::kOversampling, "1");
  EXPECT_FALSE(ui.OnKeyDown(50, 20, Char('a')));
  EXPECT_FALSE(ui.OnKeyDown(50, 20, Char('.')));
  EXPECT_EQ(editor->GetText(), "1");
  EXPECT_FALSE(ui.OnKeyDown(50, 20, Key(kKeyTab)));
  ui.OnKeyDown(50, 20, Key(kKeyEscape));

  Open(TestDelegate::kTame, "0");
  EXPECT_TRUE(Type("0.25"));
  EXPECT_EQ(editor->GetText(), "0.25");
  EXPECT_FALSE(ui.OnKeyDown(50, 20, Char('e'))); // no exponents: "1e999" cannot be typed
}

TEST_F(EntryFixture, TheTextNeverGrowsBeyondItsLimit) {
  Open(TestDelegate::kTame, "", 5);
  Type("123456789");
  EXPECT_EQ(editor->GetText(), "12345");
  // A long clipboard is cut to what fits, and what the filter refuses is dropped.
  ui.OnKeyDown(50, 20, Key('A', "", true));
  ui.clipboard = std::string(100000, '7') + "abc";
  EXPECT_TRUE(ui.OnKeyDown(50, 20, Key('V', "", true)));
  EXPECT_EQ(editor->GetText(), "77777");
  ui.OnKeyDown(50, 20, Key(kKeyEscape));

  // An initial text longer than the limit is kept, but cannot grow.
  Open(-1, "a long initial text", 4);
  EXPECT_EQ(editor->MaxLength(), 19);
  ui.OnKeyDown(50, 20, Key(kKeyEnd));
  EXPECT_FALSE(ui.OnKeyDown(50, 20, Char('x')));
}

TEST_F(EntryFixture, NonFiniteTextsNeverReachTheParameter) {
  for (const char* text : {"nan", "inf", "-inf", "1e999", "", "\xff\xfe"}) {
    Open(-1, "");
    control->BindParam(TestDelegate::kTame);
    // Typed as free text (the filter is per parameter type; here the worst case gets through).
    ui.FinishTextEdit(text);
    editor->Cancel();
  }
  EXPECT_TRUE(delegate.AllSentValuesSound());
}

TEST_F(EntryFixture, CaretMovesSelectsAndEditsLikeAnOrdinaryLineEditor) {
  Open(-1, "hello world", 32);
  ui.OnKeyDown(50, 20, Key(kKeyHome));
  EXPECT_EQ(editor->Cursor(), 0);
  ui.OnKeyDown(50, 20, Key(kKeyRight, "", true)); // word jump
  EXPECT_EQ(editor->Cursor(), 6);
  ui.OnKeyDown(50, 20, Key(kKeyEnd, "", false, true)); // select to the end
  EXPECT_EQ(editor->SelectionStart(), 6);
  EXPECT_EQ(editor->SelectionEnd(), 11);
  ui.OnKeyDown(50, 20, Key('X', "", true)); // cut
  EXPECT_EQ(ui.clipboard, "world");
  EXPECT_EQ(editor->GetText(), "hello ");
  ui.OnKeyDown(50, 20, Key(kKeyBackspace));
  ui.OnKeyDown(50, 20, Key(kKeyLeft));
  ui.OnKeyDown(50, 20, Key(kKeyDelete));
  EXPECT_EQ(editor->GetText(), "hell");
  ui.OnKeyDown(50, 20, Key('Z', "", true)); // undo the delete
  EXPECT_EQ(editor->GetText(), "hello");
  ui.OnKeyDown(50, 20, Key('Z', "", true, true)); // redo
  EXPECT_EQ(editor->GetText(), "hell");
  ui.OnKeyDown(50, 20, Key(kKeyHome));
  ui.OnKeyDown(50, 20, Key('V', "", true)); // paste
  EXPECT_EQ(editor->GetText(), "worldhell");
  ui.OnKeyDown(50, 20, Key('A', "", true));
  ui.OnKeyDown(50, 20, Key('C', "", true));
  EXPECT_EQ(ui.clipboard, "worldhell");
}

TEST_F(EntryFixture, ClickingPlacesTheCaretAndAClickOutsideCommits) {
  Open(TestDelegate::kTame, "0.5"); // 3 characters of 7 units centred on x = 50
  ui.OnMouseDown(Press(40, 20));
  EXPECT_EQ(editor->Cursor(), 0);
  ui.OnMouseDrag(Move(60, 20, 20, 0));
  ui.OnMouseUp(Press(60, 20));
  EXPECT_EQ(editor->SelectionEnd(), 3);
  ui.OnMouseDown(Press(5, 5));
  EXPECT_FALSE(editor->IsEditing());
  EXPECT_NEAR(delegate.GetParam(TestDelegate::kTame)->Value(), 0.5, 1e-9);
}

TEST_F(EntryFixture, TheRightButtonOffersCutCopyAndPaste) {
  Open(-1, "abc", 32);
  ui.menuChoice = 1; // Copy
  ui.OnMouseDown(Press(50, 20, Right()));
  ASSERT_EQ(ui.menusShown.size(), 1u);
  EXPECT_THAT(ui.menusShown[0], ElementsAre("Cut", "Copy", "Paste"));
  EXPECT_EQ(ui.clipboard, "abc");
  EXPECT_TRUE(editor->IsEditing());
}

TEST_F(EntryFixture, TheCaretBlinksOnceASecondAndRestartsFromItsOwnCallback) {
  Open(-1, "x", 32);
  ui.OnKeyDown(50, 20, Key(kKeyEnd)); // no selection, so the caret shows
  std::vector<bool> visible;
  for (int t = 0; t <= 2400; t += 300) {
    ui.now = t;
    IRectFList regions;
    ui.Tick(regions);
    visible.push_back(editor->CursorVisible());
  }
  // Started at 0: shown until 500 ms, hidden until 1000 ms, then the cycle starts again.
  EXPECT_THAT(visible, ElementsAre(true, true, false, false, true, true, false, false, true));
  ui.DrawRegions({{0, 0, 100, 100}});
}

// ---- Value prompts ------------------------------------------------------------------------------------------------

// A control whose left click asks for a value, so that the prompt runs inside a gesture.
class PromptingControl : public IControl {
public:
  using IControl::IControl;
  void Draw(ICanvas&) override {}
  void OnMouseDown(float, float, const IMouseState&) override { GetUI()->PromptForValue(*this, mRect, 0); }
};

struct PromptFixture : GraphicsFixture {
  PromptFixture() {
    ui.AddControl(control);
    control->DisablePrompt(false);
  }
  PromptingControl* control = new PromptingControl(IRectF(0, 0, 100, 100), TestDelegate::kOversampling);
};

TEST_F(PromptFixture, ANamedValueParameterPromptsWithAMenuWhoseChoiceAppliesWithinTheGesture) {
  delegate.GetParam(TestDelegate::kOversampling)->Set(2.0);
  ui.menuChoice = 3;
  ui.OnMouseDown(Press(50, 50));
  ASSERT_EQ(ui.menusShown.size(), 1u);
  EXPECT_THAT(ui.menusShown[0], ElementsAre("1x", "2x", "4x", "8x"));
  EXPECT_EQ(ui.menuChecked[0], 2);
  EXPECT_EQ(ui.PromptMenu().Title(), "Oversampling");
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kOversampling)->Value(), 3.0);
  ui.OnMouseUp(Press(50, 50));
  EXPECT_THAT(delegate.log, ElementsAre("begin 2", "set 2", "end 2"));
}

TEST_F(PromptFixture, AMenuClosedWithoutAChoiceChangesNothingButEndsTheGesture) {
  ui.menuChoice = -1;
  ui.OnMouseDown(Press(50, 50));
  ui.OnMouseUp(Press(50, 50));
  EXPECT_THAT(delegate.log, ElementsAre("begin 2", "end 2"));
}

TEST_F(PromptFixture, ANumberPromptGoesToThePlatformsEntryBoxAndHoldsTheGestureUntilItFinishes) {
  control->BindParam(TestDelegate::kWet);
  control->SetShowParamLabel(true);
  ui.OnMouseDown(Press(50, 50));
  ASSERT_EQ(ui.textEdits.size(), 1u);
  EXPECT_EQ(ui.textEdits[0], "5 7 50.00 %");
  ui.OnMouseUp(Press(50, 50));
  EXPECT_EQ(delegate.OpenGestures(), 1);
  ui.FinishTextEdit("75");
  EXPECT_NEAR(delegate.GetParam(TestDelegate::kWet)->Value(), 75.0, 1e-9);
  EXPECT_EQ(delegate.OpenGestures(), 0);
}

TEST_F(PromptFixture, ARightClickOnAParameterControlOnlyOffersItsContextMenu) {
  struct Knob : IKnobControlBase {
    using IKnobControlBase::IKnobControlBase;
    void Draw(ICanvas&) override {}
  };
  auto* knob = new Knob({200, 200, 300, 300}, TestDelegate::kWet);
  knob->DisablePrompt(false);
  ui.AddControl(knob);
  ui.OnMouseDown(Press(250, 250, Right()));
  ui.OnMouseUp(Press(250, 250, Right()));
  // The knob's own value menu, dismissed: no gesture, no value prompt.
  ASSERT_EQ(ui.menusShown.size(), 1u);
  EXPECT_EQ(ui.menusShown[0].size(), 2u);
  EXPECT_TRUE(delegate.log.empty());
  EXPECT_TRUE(ui.textEdits.empty());
  // A control that is no value control adds no items: nothing opens.
  ui.OnMouseDown(Press(50, 50, Right()));
  ui.OnMouseUp(Press(50, 50, Right()));
  EXPECT_EQ(ui.menusShown.size(), 1u);
  // Called directly, its right button asks for the value in a box centred on the control.
  knob->OnMouseDown(250, 250, Right());
  ASSERT_EQ(ui.textEdits.size(), 1u);
  knob->OnMouseUp(250, 250, Right());
  EXPECT_FALSE(ui.CursorHidden());
}

} // namespace
} // namespace lumen::test
