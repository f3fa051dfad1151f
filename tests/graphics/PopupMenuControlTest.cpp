// The menu the editor draws itself: where its panels go, how pointer, wheel and keys move through
// it and its submenus, and how its choice reaches the control or function that opened it later,
// through the surface's ordinary input calls.
#include "GraphicsTestSupport.h"
#include "IKeyCodes.h"
#include "IPopupMenuControl.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

// The value menu of the oversampling switch, with a disabled row.
void FillValueMenu(IPopupMenu& menu) {
  menu.AddItem("1x", IPopupMenu::kChecked);
  menu.AddItem("2x");
  menu.AddItem("4x", IPopupMenu::kDisabled);
  menu.AddItem("8x");
}

// A preset menu: a title, a separator and two categories as submenus.
std::unique_ptr<IPopupMenu> PresetMenu() {
  auto menu = std::make_unique<IPopupMenu>();
  menu->AddItem("Presets", IPopupMenu::kTitle);
  menu->AddItem("Default", IPopupMenu::kChecked);
  menu->AddSeparator();
  auto colour = std::make_unique<IPopupMenu>("Colour");
  colour->AddItem("Warm glue");
  colour->AddItem("Tape \u00e4\u00e4ni \u2013 soft"); // UTF-8 throughout
  menu->AddItem("Colour", 0, std::move(colour));
  auto fuzz = std::make_unique<IPopupMenu>("Fuzz");
  fuzz->AddItem("Fuzz wall");
  fuzz->AddItem("Broken", IPopupMenu::kDisabled);
  fuzz->AddItem("Gated");
  menu->AddItem("Fuzz", 0, std::move(fuzz));
  menu->AddItem("Save preset\u2026");
  return menu;
}

IKeyEvent Key(int code) {
  IKeyEvent key;
  key.keyCode = code;
  return key;
}

struct Centre {
  float x, y;
};
Centre Middle(const IRectF& r) { return {0.5f * (r.L + r.R), 0.5f * (r.T + r.B)}; }

struct MenuFixture : GraphicsFixture {
  MenuFixture() { ui.drawnMenus = true; }

  // Opens menu at anchor through the surface, recording what arrives.
  void Open(IPopupMenu& menu, const IRectF& anchor) {
    ui.OpenMenu(menu, anchor, [this](IPopupMenu* m, int index) { choices.emplace_back(m, index); });
  }
  IPopupMenuControl& Menu() { return *ui.PopupMenuControl(); }
  void ClickRow(int depth, int row) {
    const Centre c = Middle(Menu().RowRect(depth, row));
    ui.OnMouseHover(c.x, c.y, IMouseState());
    ui.OnMouseDown(Press(c.x, c.y));
    ui.OnMouseUp(Press(c.x, c.y));
  }
  void HoverRow(int depth, int row) {
    const Centre c = Middle(Menu().RowRect(depth, row));
    ui.OnMouseHover(c.x, c.y, IMouseState());
  }
  void Keys(std::initializer_list<int> codes) {
    for (const int code : codes) {
      ui.OnKeyDown(5, 5, Key(code));
      ui.OnKeyUp(5, 5, Key(code));
    }
  }

  std::vector<std::pair<IPopupMenu*, int>> choices;
};

// ---- Layout -------------------------------------------------------------------------------------------------

TEST_F(MenuFixture, PanelsOpenBelowTheirAnchorAndStayInsideTheEditor) {
  IPopupMenu menu;
  FillValueMenu(menu);
  Open(menu, IRectF(100, 100, 100, 100));
  ASSERT_TRUE(ui.MenuIsOpen());
  const IRectF below = Menu().LevelAt(0).panel;
  EXPECT_FLOAT_EQ(below.L, 100.0f);
  EXPECT_FLOAT_EQ(below.T, 100.0f);
  // Rows stack without gaps, each a row high, inside the panel.
  for (int r = 0; r < 4; ++r) {
    EXPECT_NEAR(Menu().RowRect(0, r).H(), Menu().RowHeight(), 1e-3);
    EXPECT_TRUE(below.Contains(Menu().RowRect(0, r)));
  }
  Menu().Dismiss();

  // Near the bottom it opens above its anchor; near the right edge it shifts left.
  Open(menu, IRectF(1500, 900, 1620, 1000));
  const IRectF above = Menu().LevelAt(0).panel;
  EXPECT_FLOAT_EQ(above.B, 900.0f);
  EXPECT_LE(above.R, 1630.0f);
  EXPECT_GE(above.W(), 120.0f); // never narrower than what opened it
  Menu().Dismiss();

  // Neither above nor below fits a tall anchor: the panel shifts to the bottom edge.
  Open(menu, IRectF(10, 50, 60, 1000));
  EXPECT_FLOAT_EQ(Menu().LevelAt(0).panel.B, 1010.0f);
}

TEST_F(MenuFixture, SubmenusOpenBesideTheirRowAndFlipLeftAtTheRightEdge) {
  auto menu = PresetMenu();
  Open(*menu, IRectF(100, 100, 100, 100));
  HoverRow(0, 3); // Colour
  ASSERT_EQ(Menu().Depth(), 2);
  const IRectF parent = Menu().LevelAt(0).panel;
  const IRectF sub = Menu().LevelAt(1).panel;
  EXPECT_GT(sub.L, parent.R - 0.5f * Menu().TextSize());
  EXPECT_NEAR(Menu().RowRect(1, 0).T, Menu().RowRect(0, 3).T, 1e-3);
  Menu().Dismiss();

  Open(*menu, IRectF(1560, 100, 1560, 100));
  HoverRow(0, 4); // Fuzz
  ASSERT_EQ(Menu().Depth(), 2);
  EXPECT_LE(Menu().LevelAt(1).panel.R, Menu().LevelAt(0).panel.L + 0.5f * Menu().TextSize());
  EXPECT_GE(Menu().LevelAt(1).panel.L, 0.0f);
}

TEST_F(MenuFixture, AMenuTallerThanTheEditorShowsWhatFitsAndScrollsWithWheelAndKeys) {
  IPopupMenu menu;
  for (int i = 0; i < 60; ++i) menu.AddItem("Item " + std::to_string(i));
  Open(menu, IRectF(10, 10, 10, 10));
  const IPopupMenuControl::Level& level = Menu().LevelAt(0);
  EXPECT_FLOAT_EQ(level.panel.T, 0.0f);
  EXPECT_FLOAT_EQ(level.panel.B, 1010.0f);
  ASSERT_GT(level.MaxScroll(), 0.0f);

  ui.OnMouseWheel(50, 500, IMouseState(), -1.0f); // down one notch
  EXPECT_NEAR(level.scroll, 3.0f * Menu().RowHeight(), 1e-3);
  ui.OnMouseWheel(50, 500, IMouseState(), 100.0f); // far up: stops at the top
  EXPECT_FLOAT_EQ(level.scroll, 0.0f);
  ui.OnMouseWheel(50, 500, IMouseState(), -100.0f);
  EXPECT_FLOAT_EQ(level.scroll, level.MaxScroll());
  // A row clicked after scrolling is the one shown there.
  ClickRow(0, 59);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].second, 59);

  // Up from nothing goes to the last row and brings it into view; Down wraps to the first.
  Open(menu, IRectF(10, 10, 10, 10));
  Keys({kKeyUp});
  EXPECT_EQ(Menu().LevelAt(0).highlighted, 59);
  EXPECT_FLOAT_EQ(Menu().LevelAt(0).scroll, Menu().LevelAt(0).MaxScroll());
  Keys({kKeyDown});
  EXPECT_EQ(Menu().LevelAt(0).highlighted, 0);
  EXPECT_FLOAT_EQ(Menu().LevelAt(0).scroll, 0.0f);
}

TEST_F(MenuFixture, TextKeepsAReadableSizeAtEveryDrawScale) {
  IPopupMenu menu;
  FillValueMenu(menu);
  Open(menu, IRectF(10, 10, 10, 10));
  EXPECT_FLOAT_EQ(Menu().TextSize(), 26.0f); // the style's size: 13 pixels at draw scale 0.5
  // Resizing closes the menu (its panels' places are stale) and nothing is chosen.
  ui.ResizeSurface(1630, 1010, 0.25f);
  EXPECT_FALSE(ui.MenuIsOpen());
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].first, nullptr);
  Open(menu, IRectF(10, 10, 10, 10));
  EXPECT_FLOAT_EQ(Menu().TextSize() * ui.DrawScale(), IPopupMenuControl::kMinTextPixels);
}

// ---- Pointer --------------------------------------------------------------------------------------------------

TEST_F(MenuFixture, ThePointerHighlightsOpensSubmenusAndChoosesOnlyWhatCanBeChosen) {
  auto menu = PresetMenu();
  IPopupMenu* fuzz = menu->GetItem(4)->submenu.get();
  int completions = 0;
  fuzz->completion = [&](IPopupMenu& chosen) { completions += &chosen == fuzz; };
  Open(*menu, IRectF(100, 100, 100, 100));

  HoverRow(0, 1);
  EXPECT_EQ(Menu().LevelAt(0).highlighted, 1);
  // The title, the separator and a disabled row are never chosen.
  ClickRow(0, 0);
  ClickRow(0, 2);
  EXPECT_TRUE(ui.MenuIsOpen());
  HoverRow(0, 3);
  EXPECT_EQ(Menu().LevelAt(1).menu, menu->GetItem(3)->submenu.get());
  HoverRow(0, 4); // another category replaces the open one
  ASSERT_EQ(Menu().Depth(), 2);
  EXPECT_EQ(Menu().LevelAt(1).menu, fuzz);
  ClickRow(1, 1);
  EXPECT_TRUE(ui.MenuIsOpen());
  EXPECT_TRUE(choices.empty());
  ClickRow(1, 2);
  EXPECT_FALSE(ui.MenuIsOpen());
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].first, fuzz);
  EXPECT_EQ(choices[0].second, 2);
  EXPECT_EQ(fuzz->ChosenItemIdx(), 2);
  EXPECT_EQ(completions, 1);

  // A click outside every panel closes it with no choice; so does Escape on the last level.
  Open(*menu, IRectF(100, 100, 100, 100));
  ui.OnMouseDown(Press(1500, 900));
  ui.OnMouseUp(Press(1500, 900));
  EXPECT_FALSE(ui.MenuIsOpen());
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1], std::make_pair(static_cast<IPopupMenu*>(nullptr), -1));
  EXPECT_EQ(completions, 1);
}

TEST_F(MenuFixture, WhileOpenTheControlsBeneathHearNeitherPointerNorKeys) {
  ui.AddControl(new LoggingControl(IRectF(0, 0, 1630, 1010))); // the background, which keys skip
  auto* below = new LoggingControl(IRectF(0, 0, 1630, 1010), TestDelegate::kWet);
  below->takesKeys = true;
  ui.AddControl(below);
  IPopupMenu menu;
  FillValueMenu(menu);
  Open(menu, IRectF(100, 100, 100, 100));
  below->events.clear();
  const Centre c = Middle(Menu().RowRect(0, 2));
  ui.OnMouseDown(Press(c.x, c.y)); // the disabled row
  ui.OnMouseUp(Press(c.x, c.y));
  ui.OnMouseWheel(c.x, c.y, IMouseState(), 1.0f);
  EXPECT_TRUE(ui.OnKeyDown(c.x, c.y, Key(kKeyA)));
  EXPECT_TRUE(ui.OnKeyDown(1600, 1000, Key(kKeyUp)));
  EXPECT_TRUE(below->events.empty());
  EXPECT_TRUE(delegate.log.empty());
  // Closed, the keys reach the controls again.
  Keys({kKeyEscape});
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_TRUE(ui.OnKeyDown(c.x, c.y, Key(kKeyA)));
  EXPECT_THAT(below->events, ElementsAre("key c"));
}

// ---- Keys -------------------------------------------------------------------------------------------------------

TEST_F(MenuFixture, KeysWalkPastDisabledRowsIntoAndOutOfSubmenusAndEscapeClosesOneLevel) {
  IPopupMenu values;
  FillValueMenu(values);
  Open(values, IRectF(100, 100, 100, 100));
  Keys({kKeyDown, kKeyDown, kKeyDown}); // 1x -> 2x -> 8x
  EXPECT_EQ(Menu().LevelAt(0).highlighted, 3);
  Keys({kKeyReturn});
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0], std::make_pair(&values, 3));

  auto menu = PresetMenu();
  Open(*menu, IRectF(100, 100, 100, 100));
  Keys({kKeyDown}); // the title is skipped: Default
  EXPECT_EQ(Menu().LevelAt(0).highlighted, 1);
  Keys({kKeyDown, kKeyRight}); // Colour, opened with its first row lit
  ASSERT_EQ(Menu().Depth(), 2);
  EXPECT_EQ(Menu().LevelAt(1).highlighted, 0);
  Keys({kKeyLeft});
  EXPECT_EQ(Menu().Depth(), 1);
  Keys({kKeyDown, kKeySpace}); // Space opens Fuzz like Right
  ASSERT_EQ(Menu().Depth(), 2);
  Keys({kKeyEscape}); // one level
  EXPECT_EQ(Menu().Depth(), 1);
  EXPECT_TRUE(ui.MenuIsOpen());
  Keys({kKeyRight, kKeyDown, kKeySpace}); // Fuzz wall -> (Broken skipped) Gated
  ASSERT_EQ(choices.size(), 2u);
  EXPECT_EQ(choices[1], std::make_pair(menu->GetItem(4)->submenu.get(), 2));

  Open(*menu, IRectF(100, 100, 100, 100));
  Keys({kKeyReturn}); // nothing lit: nothing happens
  EXPECT_TRUE(ui.MenuIsOpen());
  Keys({kKeyEscape});
  EXPECT_FALSE(ui.MenuIsOpen());
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[2].first, nullptr);
}

// ---- With the surface ---------------------------------------------------------------------------------------------

// A control whose left click asks for its value, as the oversampling switch's right button does.
class AskingControl : public IControl {
public:
  using IControl::IControl;
  void Draw(ICanvas& g) override { g.FillRect(kColorBlack, mRect); }
  void OnMouseDown(float, float, const IMouseState&) override { GetUI()->PromptForValue(*this, mRect, 0); }
};

TEST_F(MenuFixture, AValueMenuReturnsAtOnceAndItsChoiceArrivesLaterWithinTheGesture) {
  auto* control = new AskingControl(IRectF(1400, 850, 1500, 950), TestDelegate::kOversampling);
  control->DisablePrompt(false);
  ui.AddControl(control);
  ui.OnMouseDown(Press(1450, 900));
  ui.OnMouseUp(Press(1450, 900));
  // Opened and returned: no native menu, nothing chosen, the gesture held open for the choice.
  ASSERT_TRUE(ui.MenuIsOpen());
  EXPECT_TRUE(ui.menusShown.empty());
  EXPECT_EQ(ui.ControlInPopupMenu(), control);
  EXPECT_THAT(delegate.log, ElementsAre("begin 2"));
  // Meanwhile the surface keeps ticking and drawing, the menu on top of the controls.
  IRectFList regions;
  EXPECT_TRUE(ui.Tick(regions));
  ui.DrawRegions(regions);
  const auto texts = ui.Ops("DrawText");
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].bitmap, "1x");
  EXPECT_EQ(texts[3].bitmap, "8x");

  const IRectF panel = Menu().LevelAt(0).panel;
  ClickRow(0, 3);
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kOversampling)->Value(), 3.0);
  EXPECT_THAT(delegate.log, ElementsAre("begin 2", "set 2", "end 2"));
  EXPECT_EQ(ui.ControlInPopupMenu(), nullptr);
  // The next frame draws what the menu covered again.
  regions.clear();
  EXPECT_TRUE(ui.Tick(regions));
  EXPECT_TRUE(std::any_of(regions.begin(), regions.end(), [&](const IRectF& r) { return r.Contains(panel); }));

  // Dismissed: nothing changes but the gesture ends.
  delegate.log.clear();
  ui.OnMouseDown(Press(1450, 900));
  Keys({kKeyEscape});
  EXPECT_THAT(delegate.log, ElementsAre("begin 2", "end 2"));
}

TEST_F(MenuFixture, ARightClickMenuChoiceOpensTheTypedEntryAndANewMenuEndsTheOneBefore) {
  auto* knob = new LoggingControl(IRectF(200, 200, 300, 300), TestDelegate::kWet);
  knob->SetValueControl(true);
  ui.AddControl(knob);
  ui.OnMouseDown(Press(250, 250, Right()));
  ui.OnMouseUp(Press(250, 250, Right()));
  ASSERT_TRUE(ui.MenuIsOpen());
  ClickRow(0, 0); // Type a value…
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_EQ(ui.ControlInTextEntry(), knob);
  EXPECT_EQ(ui.textEdits.size(), 1u);
  ui.CancelTextEdit();

  // A menu opened by a function while the control's is open: the control's ends with no choice.
  ui.OnMouseDown(Press(250, 250, Right()));
  IPopupMenu other;
  other.AddItem("Only");
  Open(other, IRectF(10, 10, 10, 10));
  EXPECT_EQ(ui.ControlInPopupMenu(), nullptr);
  EXPECT_EQ(delegate.OpenGestures(), 0);
  ClickRow(0, 0);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0], std::make_pair(&other, 0));
  EXPECT_TRUE(delegate.sent.empty());
}

TEST_F(MenuFixture, ASwitchsContextMenuNamesItsStatesInASubmenuAndAStatePickedIsOneGesture) {
  auto* selector = new LoggingControl(IRectF(200, 200, 300, 300), TestDelegate::kOversampling);
  selector->SetValueControl(true);
  ui.AddControl(selector);
  ui.SetValueNamer([](int, double v) { return std::to_string(1 << static_cast<int>(v)) + "\u00d7"; });
  delegate.GetParam(TestDelegate::kOversampling)->Set(1.0);
  selector->SetValue(1.0 / 3.0);
  ui.OnMouseDown(Press(250, 250, Right()));
  ui.OnMouseUp(Press(250, 250, Right()));
  ASSERT_TRUE(ui.MenuIsOpen());
  const IPopupMenu& menu = *Menu().LevelAt(0).menu;
  ASSERT_EQ(menu.NItems(), 4);
  EXPECT_TRUE(menu.GetItem(2)->flags & IPopupMenu::kSeparator);
  const IPopupMenu* states = menu.GetItem(3)->submenu.get();
  ASSERT_NE(states, nullptr);
  EXPECT_EQ(menu.GetItem(3)->text, "Oversampling");
  ASSERT_EQ(states->NItems(), 4);
  EXPECT_EQ(states->GetItem(3)->text, "8\u00d7");
  EXPECT_TRUE(states->GetItem(1)->Checked());
  EXPECT_FALSE(states->GetItem(0)->Checked());

  Keys({kKeyDown, kKeyDown, kKeyDown, kKeyRight, kKeyDown, kKeyDown, kKeyReturn}); // into the states: 4×
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_DOUBLE_EQ(delegate.GetParam(TestDelegate::kOversampling)->Value(), 2.0);
  EXPECT_THAT(delegate.log, ElementsAre("begin 2", "set 2", "end 2"));
  // A parameter of many steps has no such submenu.
  auto* knob = new LoggingControl(IRectF(400, 200, 500, 300), TestDelegate::kWet);
  knob->SetValueControl(true);
  ui.AddControl(knob);
  ui.OnMouseDown(Press(450, 250, Right()));
  EXPECT_EQ(Menu().LevelAt(0).menu->NItems(), 2);
}

TEST_F(MenuFixture, AnEmptyMenuChoosesNothingAndDeletedControlsTakeAPendingChoiceWithThem) {
  IPopupMenu empty;
  Open(empty, IRectF(10, 10, 10, 10));
  EXPECT_FALSE(ui.MenuIsOpen());
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0].first, nullptr);

  IPopupMenu menu;
  FillValueMenu(menu);
  Open(menu, IRectF(10, 10, 10, 10));
  ui.RemoveAllControls();
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_EQ(choices.size(), 1u); // never heard: its owner may be gone
  // The next menu makes a new control.
  Open(menu, IRectF(10, 10, 10, 10));
  EXPECT_TRUE(ui.MenuIsOpen());
}

TEST_F(MenuFixture, ANativeMenuStillAnswersAtOnceWhereTheSurfaceDrawsNone) {
  ui.drawnMenus = false;
  ui.menuChoice = 1;
  auto menu = PresetMenu();
  Open(*menu, IRectF(10, 10, 10, 10));
  EXPECT_EQ(ui.PopupMenuControl(), nullptr);
  ASSERT_EQ(choices.size(), 1u);
  EXPECT_EQ(choices[0], std::make_pair(menu.get(), 1));
}

// ---- Drawing ------------------------------------------------------------------------------------------------------

TEST_F(MenuFixture, DrawnInTheEditorsColoursWithMarksArrowsAndUtf8Text) {
  auto menu = PresetMenu();
  Open(*menu, IRectF(100, 100, 100, 100));
  HoverRow(0, 3);
  HoverRow(1, 1);
  ui.ops.clear();
  Menu().Draw(ui);
  std::vector<std::string> texts;
  for (const DrawOp& op : ui.Ops("DrawText")) texts.push_back(op.bitmap);
  EXPECT_THAT(texts, ElementsAre("Presets", "Default", "Colour", "Fuzz", "Save preset\u2026", "Warm glue",
                                 "Tape \u00e4\u00e4ni \u2013 soft"));
  // The lit row's text is dark on the amber highlight; the title is dimmer than the rest.
  const auto ops = ui.Ops("DrawText");
  EXPECT_EQ(ops[6].color, (IColorARGB{255, 20, 18, 16}));
  EXPECT_NE(ops[0].color, ops[1].color);
  const auto fills = ui.Ops("FillPath");
  EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const DrawOp& op) { return op.color == IColorARGB{255, 222, 142, 48}; }));
  // Text keeps inside its panel: the check column and the arrow column stay clear.
  for (const DrawOp& op : ops) {
    EXPECT_TRUE(Menu().LevelAt(0).panel.Contains(op.rect) || Menu().LevelAt(1).panel.Contains(op.rect)) << op.bitmap;
  }
  // Numbered rows show their number.
  IPopupMenu numbered;
  numbered.SetPrefix(2);
  numbered.AddItem("A");
  numbered.AddItem("B");
  EXPECT_EQ(IPopupMenuControl::RowText(numbered, 1), "02: B");
}

} // namespace
} // namespace lumen::test
