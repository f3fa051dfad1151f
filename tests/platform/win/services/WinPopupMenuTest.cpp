#include "WinPopupMenu.h"

#include "TestWindow.h"

#include <gtest/gtest.h>

#include <string>

using lumen::canvas::IPopupMenu;
using lumen::canvas::WinPopupMenu;

namespace {

std::string ShownText(HMENU menu, int position) {
  char text[256] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
  return text;
}

MENUITEMINFOA Info(HMENU menu, int position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
  GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
  return info;
}

// Keys the open menu's modal loop reads from this thread's queue once it runs.
const UINT* gKeys = nullptr;
void CALLBACK PressKeys(HWND owner, UINT, UINT_PTR timer, DWORD) {
  KillTimer(owner, timer);
  if (!gKeys) {
    EndMenu();
    return;
  }
  for (const UINT* key = gKeys; *key; ++key) {
    PostMessageA(owner, WM_KEYDOWN, *key, 0);
    PostMessageA(owner, WM_KEYUP, *key, 0);
  }
}

IPopupMenu* TrackWithKeys(WinPopupMenu& shown, HWND owner, const UINT* keys) {
  gKeys = keys;
  SetTimer(owner, 1, 50, PressKeys);
  return shown.Track(owner, 10, 10);
}

} // namespace

TEST(WinPopupMenu, ItemsShowTheirNumbersAmpersandsAndStates) {
  IPopupMenu menu;
  menu.SetPrefix(2);
  for (int i = 1; i <= 8; ++i) menu.AddItem("item " + std::to_string(i));
  menu.AddItem("Salt & Pepper", IPopupMenu::kChecked);
  menu.AddItem("off", IPopupMenu::kDisabled);
  menu.AddSeparator();
  menu.AddItem("A very long item text that goes on and on past the fifty-character cut");
  WinPopupMenu shown(menu);
  HMENU handle = shown.Handle();
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(GetMenuItemCount(handle), 12);

  // The ampersand is doubled in the item and so shows itself.
  EXPECT_EQ(ShownText(handle, 8), "09: Salt && Pepper");
  EXPECT_EQ(ShownText(handle, 0), "01: item 1");
  EXPECT_EQ(ShownText(handle, 11).size(), 50u);
  EXPECT_EQ(Info(handle, 0).wID, 1u); // 0 stays free for "nothing chosen"
  EXPECT_EQ(Info(handle, 11).wID, 12u);
  EXPECT_TRUE(Info(handle, 8).fState & MFS_CHECKED);
  EXPECT_TRUE(Info(handle, 9).fState & MFS_GRAYED);
  EXPECT_TRUE(Info(handle, 10).fType & MFT_SEPARATOR);
}

TEST(WinPopupMenu, ColumnBreaksOnlyInShortMenus) {
  IPopupMenu thirty;
  thirty.SetItemsPerColumn(10);
  for (int i = 0; i < 30; ++i) thirty.AddItem("x");
  WinPopupMenu shownThirty(thirty);
  for (int i = 0; i < 30; ++i) {
    const bool broken = (Info(shownThirty.Handle(), i).fType & MFT_MENUBARBREAK) != 0;
    EXPECT_EQ(broken, i == 10 || i == 20) << i;
  }

  IPopupMenu many;
  many.SetItemsPerColumn(10);
  for (int i = 0; i < 200; ++i) many.AddItem("x");
  WinPopupMenu shownMany(many);
  for (int i = 0; i < 200; ++i) EXPECT_FALSE(Info(shownMany.Handle(), i).fType & MFT_MENUBARBREAK) << i;
}

TEST(WinPopupMenu, SubmenusTakeTheFollowingIds) {
  IPopupMenu top;
  top.AddItem("a");
  auto sub = std::make_unique<IPopupMenu>();
  sub->AddItem("s1");
  sub->AddItem("s2");
  IPopupMenu* subMenu = sub.get();
  top.AddItem("more", 0, std::move(sub));
  top.AddItem("c");
  WinPopupMenu shown(top);
  const MENUITEMINFOA more = Info(shown.Handle(), 1);
  ASSERT_NE(more.hSubMenu, nullptr);
  EXPECT_EQ(Info(more.hSubMenu, 0).wID, 4u);
  EXPECT_EQ(ShownText(more.hSubMenu, 1), "s2");

  int index = -1;
  EXPECT_EQ(shown.Resolve(3, index), &top);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(shown.Resolve(5, index), subMenu);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(shown.Resolve(0, index), nullptr);
  EXPECT_EQ(shown.Resolve(6, index), nullptr);
  EXPECT_EQ(index, -1);
}

TEST(WinPopupMenu, ADismissedMenuChoosesNothing) {
  TestWindow owner;
  ASSERT_NE(owner.Handle(), nullptr);
  IPopupMenu menu;
  menu.AddItem("first");
  menu.AddItem("second");
  int completions = 0;
  menu.completion = [&](IPopupMenu&) { ++completions; };
  WinPopupMenu shown(menu);
  EXPECT_EQ(TrackWithKeys(shown, owner.Handle(), nullptr), nullptr);
  EXPECT_EQ(menu.ChosenItemIdx(), -1);
  EXPECT_EQ(completions, 0);
}

TEST(WinPopupMenu, ShownBelowItsAnchorAndChosenFromASubmenu) {
  TestWindow owner;
  IPopupMenu top;
  top.AddItem("a");
  auto sub = std::make_unique<IPopupMenu>();
  sub->AddItem("s1");
  sub->AddItem("s2");
  IPopupMenu* subMenu = sub.get();
  int completions = 0;
  subMenu->completion = [&](IPopupMenu& chosen) { completions += &chosen == subMenu; };
  top.AddItem("more", 0, std::move(sub));
  // Down to "more", open it, down to its second item, choose.
  static const UINT keys[] = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN, 0};
  gKeys = keys;
  SetTimer(owner.Handle(), 1, 50, PressKeys);
  ValidateRect(owner.Handle(), nullptr);
  IPopupMenu* chosen = WinPopupMenu::Show(top, owner.Handle(), lumen::canvas::IRectF(10, 10, 50, 30), 1.5f);
  EXPECT_EQ(chosen, subMenu);
  EXPECT_EQ(subMenu->ChosenItemIdx(), 1);
  EXPECT_EQ(top.ChosenItemIdx(), -1);
  EXPECT_EQ(completions, 1);
  RECT dirty{};
  EXPECT_TRUE(GetUpdateRect(owner.Handle(), &dirty, FALSE)); // repainted after the menu
}
