#include "WinPopupMenu.h"

#include "WinText.h"

#include <cstdio>

namespace lumen::canvas {

namespace {

// Longer menus would need more columns than a screen has; they scroll instead.
constexpr int kMaxItemsForColumns = 160;
constexpr std::size_t kMaxNumberedText = 50;

} // namespace

std::string WinPopupMenu::ItemText(const std::string& text, int prefix, int j) {
  std::string shown;
  if (prefix >= 1 && prefix <= 3) {
    static const char* const formats[] = {"%1d: ", "%02d: ", "%03d: "};
    char number[16];
    std::snprintf(number, sizeof(number), formats[prefix - 1], j);
    shown = number;
    shown += text;
    if (shown.size() > kMaxNumberedText) shown.resize(kMaxNumberedText);
  } else {
    shown = text;
  }
  // A single ampersand would underline the next letter; doubled it shows itself.
  std::string escaped;
  escaped.reserve(shown.size());
  for (const char c : shown) {
    escaped += c;
    if (c == '&') escaped += '&';
  }
  return escaped;
}

WinPopupMenu::WinPopupMenu(IPopupMenu& menu) {
  UINT nextId = 1;
  mHandle = Build(menu, nextId);
}

WinPopupMenu::~WinPopupMenu() {
  if (mHandle) DestroyMenu(mHandle); // takes the attached submenus with it
}

HMENU WinPopupMenu::Build(IPopupMenu& menu, UINT& nextId) {
  HMENU handle = CreatePopupMenu();
  if (!handle) return nullptr;
  const int count = menu.NItems();
  const UINT firstId = nextId;
  mRanges.push_back({&menu, firstId});
  nextId += static_cast<UINT>(count);
  const int perColumn = menu.ItemsPerColumn();
  for (int i = 0; i < count; ++i) {
    IPopupMenu::Item* item = menu.GetItem(i);
    const UINT id = firstId + static_cast<UINT>(i);
    if (item->flags & IPopupMenu::kSeparator) {
      AppendMenuA(handle, MF_SEPARATOR, id, nullptr);
      continue;
    }
    const int j = i + 1;
    const std::string text = ItemText(item->text, menu.Prefix(), j);
    UINT flags = MF_STRING;
    if (count < kMaxItemsForColumns && perColumn > 0 && j > 1 && (j - 1) % perColumn == 0) flags |= MF_MENUBARBREAK;
    if (item->flags & IPopupMenu::kDisabled) flags |= MF_GRAYED;
    if (item->flags & IPopupMenu::kTitle) flags |= MF_DISABLED;
    if (item->flags & IPopupMenu::kChecked) flags |= MF_CHECKED;
    UINT_PTR idOrSubmenu = id;
    if (item->submenu) {
      HMENU submenu = Build(*item->submenu, nextId);
      if (!submenu) continue;
      flags |= MF_POPUP;
      idOrSubmenu = reinterpret_cast<UINT_PTR>(submenu);
    }
    // Item texts are UTF-8 ("Type a value…"); the ANSI call would show them in the local code page.
    AppendMenuW(handle, flags, idOrSubmenu, Utf8ToWide(text).c_str());
  }
  return handle;
}

IPopupMenu* WinPopupMenu::Resolve(UINT id, int& index) const {
  index = -1;
  if (id == 0) return nullptr;
  for (const Range& range : mRanges) {
    if (id >= range.firstId && id - range.firstId < static_cast<UINT>(range.menu->NItems())) {
      index = static_cast<int>(id - range.firstId);
      return range.menu;
    }
  }
  return nullptr;
}

IPopupMenu* WinPopupMenu::Track(HWND owner, int x, int y) {
  if (!mHandle) return nullptr;
  // The chosen id comes back as the result (0 when dismissed), so a command posted to the window
  // cannot be mistaken for a choice and a dismissal never reads as the first item.
  const UINT id = static_cast<UINT>(
      TrackPopupMenu(mHandle, TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner, nullptr));
  int index = -1;
  IPopupMenu* chosen = Resolve(id, index);
  if (!chosen) return nullptr;
  chosen->SetChosenItemIdx(index);
  if (chosen->completion) chosen->completion(*chosen);
  return chosen;
}

IPopupMenu* WinPopupMenu::Show(IPopupMenu& menu, HWND editor, const IRectF& anchor, float scale) {
  IPopupMenu* chosen = nullptr;
  {
    WinPopupMenu shown(menu);
    if (!shown.Handle()) return nullptr;
    POINT corner{static_cast<LONG>(anchor.L * scale), static_cast<LONG>(anchor.B * scale)};
    ClientToScreen(editor, &corner);
    chosen = shown.Track(editor, corner.x, corner.y);
  }
  // The menu may have covered controls that the editor only redraws when told.
  RECT client{};
  if (GetClientRect(editor, &client)) InvalidateRect(editor, &client, FALSE);
  return chosen;
}

} // namespace lumen::canvas
