#include "PresetBarControl.h"

#include "EditorSession.h"
#include "ICanvas.h"
#include "UserPresetStore.h"

#include <algorithm>
#include <utility>

namespace kolmari {

using namespace lumen::canvas;

namespace {

constexpr float kArrowWidth = 56.0f;
constexpr float kGap = 6.0f;
constexpr float kCorner = 8.0f;
constexpr float kTextSize = 28.0f;

// A faint light glaze over the brushed metal: set apart from the darker panels of open menus.
const IColorARGB kFill{26, 255, 255, 255};
const IColorARGB kFrame{110, 214, 150, 60};
const IColorARGB kText{255, 236, 236, 232};
const IColorARGB kGold{255, 214, 150, 60};
const IColorARGB kAlert{255, 240, 110, 90};

// The preset submenu's text for the modified mark: a dot after the name, as editors mark unsaved
// documents.
constexpr const char* kModifiedMark = " \u2022";

} // namespace

PresetBarControl::PresetBarControl(const IRectF& bounds, lumen::EditorSession& session, lumen::UserPresetStore* store)
    : IControl(bounds), mSession(session), mStore(store) {
  mPrevious = IRectF(bounds.L, bounds.T, bounds.L + kArrowWidth, bounds.B);
  mNext = IRectF(bounds.R - kArrowWidth, bounds.T, bounds.R, bounds.B);
  mName = IRectF(mPrevious.R + kGap, bounds.T, mNext.L - kGap, bounds.B);
  mStyle.SetFont("Roboto-Regular");
  mStyle.size = kTextSize;
  mStyle.color = kText;
  mStyle.entryBackground = IColorARGB{240, 18, 18, 22};
  mStyle.entryForeground = kText;
  mStyle.align = ITextStyle::Centre;
  mStyle.valign = ITextStyle::Middle;
  SetTextEntryLength(100);
  SetTooltip("Presets");
}

double PresetBarControl::Now() const { return mUI ? mUI->NowMilliseconds() : 0.0; }

std::string PresetBarControl::ShownText() const {
  if (!mMessage.empty()) return mMessage;
  std::string text = mSession.LoadedName();
  if (mSession.Modified()) text += kModifiedMark;
  return text;
}

bool PresetBarControl::NeedsRedraw() {
  if (!mMessage.empty() && Now() >= mMessageUntil) mMessage.clear();
  // Settings the host set one by one (a project reloaded) may be a preset's.
  if (mSession.Modified()) mSession.Refresh();
  // The name and the mark follow every change, the host's automation included.
  if (ShownText() != mDrawn) MarkDirty(false);
  return IControl::NeedsRedraw();
}

void PresetBarControl::ShowMessage(std::string text) {
  mMessage = std::move(text);
  mMessageUntil = Now() + kMessageMs;
  MarkDirty(false);
}

void PresetBarControl::Draw(ICanvas& g) {
  mDrawn = ShownText();
  for (const IRectF* r : {&mPrevious, &mName, &mNext}) {
    g.FillRoundRect(kFill, *r, kCorner, &mBlend);
    g.DrawRoundRect(kFrame, *r, kCorner, &mBlend, 1.5f);
  }
  const float h = 0.22f * mRect.H();
  const float w = 0.18f * mRect.H();
  g.FillTriangle(kText, mPrevious.MW() + 0.5f * w, mPrevious.MH() - h, mPrevious.MW() + 0.5f * w, mPrevious.MH() + h,
                 mPrevious.MW() - 0.5f * w, mPrevious.MH(), &mBlend);
  g.FillTriangle(kText, mNext.MW() - 0.5f * w, mNext.MH() - h, mNext.MW() - 0.5f * w, mNext.MH() + h,
                 mNext.MW() + 0.5f * w, mNext.MH(), &mBlend);
  if (g.ControlInTextEntry() == this) return;
  ITextStyle style = mStyle;
  if (!mMessage.empty()) {
    style.color = kAlert;
    style.size = 0.8f * kTextSize;
  } else if (mSession.Modified()) {
    style.color = kGold;
  }
  const IRectF inner(mName.L + 12.0f, mName.T, mName.R - 12.0f, mName.B);
  g.DrawTextRun(style, mDrawn.c_str(), inner, &mBlend);
}

void PresetBarControl::OnMouseDown(float x, float y, const IMouseState& mod) {
  if (mod.right || !mUI) return;
  if (mPrevious.Contains(x, y)) {
    LoadPresetAt(mSession.Presets().Previous(mSession.LoadedPreset()));
  } else if (mNext.Contains(x, y)) {
    LoadPresetAt(mSession.Presets().Next(mSession.LoadedPreset()));
  } else if (mName.Contains(x, y)) {
    OpenPresetMenu();
  }
}

void PresetBarControl::OnMouseDoubleClick(float x, float y, const IMouseState& mod) {
  // Quick clicks on an arrow step through the presets, each click a step.
  if (!mName.Contains(x, y)) OnMouseDown(x, y, mod);
}

void PresetBarControl::LoadPresetAt(int index) {
  const lumen::PresetEntry* preset = mSession.Presets().At(index);
  if (!preset) return;
  if (preset->user && mStore) {
    // Read again: the file may have changed since the menu listed it.
    std::vector<double> values;
    std::string error;
    if (!mStore->Read(preset->path, values, error)) {
      std::string text = "\u201c";
      text += preset->name;
      text += "\u201d: ";
      text += error;
      ShowMessage(std::move(text));
      return;
    }
    const std::string name = preset->name;
    RescanUserPresets();
    index = mSession.Presets().Find(name, true);
    if (index < 0) return;
  } else if (!preset->error.empty()) {
    ShowMessage(preset->error);
    return;
  }
  mSession.LoadPreset(index);
  mMessage.clear();
  MarkDirty(false);
}

void PresetBarControl::RescanUserPresets() {
  if (mStore) mSession.SetUserPresets(mStore->Scan());
}

void PresetBarControl::OpenPresetMenu() {
  RescanUserPresets();
  mMenu.Clear();
  mMenu.SetTitle("Presets");
  mPresetItems.clear();
  mActions.clear();
  const lumen::PresetList& presets = mSession.Presets();

  auto addPreset = [&](IPopupMenu& submenu, int index) {
    const lumen::PresetEntry& p = *presets.At(index);
    int flags = index == mSession.LoadedPreset() ? IPopupMenu::kChecked : 0;
    submenu.AddItem(p.name, flags);
    mPresetItems[&submenu].push_back(index);
  };
  for (const std::string& category : presets.Categories()) {
    auto submenu = std::make_unique<IPopupMenu>(category);
    for (int i = 0; i < presets.FactoryCount(); ++i) {
      if (presets.At(i)->category == category) addPreset(*submenu, i);
    }
    mMenu.AddItem(category, 0, std::move(submenu));
    mActions.push_back(Action::None);
  }
  if (mStore) {
    auto submenu = std::make_unique<IPopupMenu>("User presets");
    for (int i = presets.FactoryCount(); i < presets.Count(); ++i) addPreset(*submenu, i);
    if (submenu->NItems() == 0) submenu->AddItem("(none saved yet)", IPopupMenu::kDisabled);
    mMenu.AddItem("User presets", 0, std::move(submenu));
    mActions.push_back(Action::None);
    mMenu.AddItem("Save preset\u2026");
    mActions.push_back(Action::SavePreset);
  }
  mMenu.AddSeparator();
  mActions.push_back(Action::None);
  mMenu.AddItem("Undo", mSession.History().CanUndo() ? 0 : IPopupMenu::kDisabled);
  mActions.push_back(Action::Undo);
  mMenu.AddItem("Redo", mSession.History().CanRedo() ? 0 : IPopupMenu::kDisabled);
  mActions.push_back(Action::Redo);
  mMenu.AddSeparator();
  mActions.push_back(Action::None);
  mMenu.AddItem(mSession.ActiveSlot() == lumen::ABSlots::A ? "Switch to B" : "Switch to A");
  mActions.push_back(Action::SwitchAB);
  mMenu.AddItem("Copy A to B");
  mActions.push_back(Action::CopyAToB);
  mUI->OpenMenu(*this, mMenu, mName, -1, false);
}

void PresetBarControl::OnMenuChoice(IPopupMenu* menu, int /*valueIndex*/) {
  if (!menu) return;
  const int chosen = menu->ChosenItemIdx();
  if (menu == &mConfirm) {
    const std::string name = std::exchange(mPendingName, {});
    if (chosen == 1) Save(name);
    return;
  }
  if (const auto it = mPresetItems.find(menu); it != mPresetItems.end()) {
    if (chosen >= 0 && static_cast<size_t>(chosen) < it->second.size()) LoadPresetAt(it->second[static_cast<size_t>(chosen)]);
    return;
  }
  if (menu != &mMenu || chosen < 0 || static_cast<size_t>(chosen) >= mActions.size()) return;
  switch (mActions[static_cast<size_t>(chosen)]) {
  case Action::SavePreset:
    if (mUI) mUI->OpenTextEditor(*this, mStyle, mName, "", -1);
    break;
  case Action::Undo: mSession.Undo(); break;
  case Action::Redo: mSession.Redo(); break;
  case Action::SwitchAB: mSession.SwitchAB(); break;
  case Action::CopyAToB: mSession.CopyAToB(); break;
  case Action::None: break;
  }
  MarkDirty(false);
}

void PresetBarControl::OnTextEdited(const char* text, int /*valueIndex*/) {
  MarkDirty(false);
  if (!mStore) return;
  std::string name = text ? text : "";
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return; // an empty entry saves nothing, as a cancel
  name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
  if (mStore->PathFor(name).empty()) {
    ShowMessage("A preset name cannot hold / \\ : * ? \" < > | or end in a dot.");
    return;
  }
  if (mStore->Exists(name)) {
    AskToOverwrite(name);
    return;
  }
  Save(name);
}

void PresetBarControl::AskToOverwrite(const std::string& name) {
  if (!mUI) return;
  mPendingName = name;
  mConfirm.Clear();
  std::string question = "Overwrite \u201c";
  question += name;
  question += "\u201d?";
  mConfirm.SetTitle(question);
  mConfirm.AddItem(question, IPopupMenu::kTitle);
  mConfirm.AddItem("Yes");
  mConfirm.AddItem("No");
  mUI->OpenMenu(*this, mConfirm, mName, -1, false);
}

void PresetBarControl::Save(const std::string& name) {
  if (!mStore) return;
  std::string error;
  if (!mStore->Save(name, error)) {
    std::string text = "Not saved: ";
    text += error;
    ShowMessage(std::move(text));
    return;
  }
  RescanUserPresets();
  mSession.MarkSavedAs(name);
  MarkDirty(false);
}

} // namespace kolmari
