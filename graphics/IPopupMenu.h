#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumen::canvas {

// A menu the surface asks the platform to show: items with flags and optional submenus. The
// platform writes the chosen item back and calls the completion function, if any.
class IPopupMenu {
public:
  enum ItemFlags : int { kDisabled = 1, kTitle = 2, kChecked = 4, kSeparator = 8 };

  struct Item {
    std::string text;
    int flags = 0;
    std::unique_ptr<IPopupMenu> submenu;
    bool Checked() const { return (flags & kChecked) != 0; }
  };

  explicit IPopupMenu(std::string title = {}) : mTitle(std::move(title)) {}

  Item& AddItem(std::string text, int flags = 0, std::unique_ptr<IPopupMenu> submenu = nullptr) {
    mItems.push_back(Item{std::move(text), flags, std::move(submenu)});
    return mItems.back();
  }
  void AddSeparator() { AddItem({}, kSeparator); }
  void Clear() {
    mItems.clear();
    mChosen = -1;
  }

  int NItems() const { return static_cast<int>(mItems.size()); }
  // Null for an index outside the menu.
  const Item* GetItem(int i) const { return i >= 0 && i < NItems() ? &mItems[static_cast<size_t>(i)] : nullptr; }
  Item* GetItem(int i) { return i >= 0 && i < NItems() ? &mItems[static_cast<size_t>(i)] : nullptr; }

  const std::string& Title() const { return mTitle; }
  void SetTitle(std::string title) { mTitle = std::move(title); }
  int ChosenItemIdx() const { return mChosen; }
  void SetChosenItemIdx(int i) { mChosen = i; }
  // Numbering of the shown items: 0 none, 1 "1: ", 2 "01: ", 3 "001: ".
  int Prefix() const { return mPrefix; }
  void SetPrefix(int prefix) { mPrefix = prefix; }
  int ItemsPerColumn() const { return mItemsPerColumn; }
  void SetItemsPerColumn(int n) { mItemsPerColumn = n; }

  std::function<void(IPopupMenu&)> completion;

private:
  std::string mTitle;
  std::vector<Item> mItems;
  int mChosen = -1;
  int mPrefix = 0;
  int mItemsPerColumn = 0;
};

} // namespace lumen::canvas
