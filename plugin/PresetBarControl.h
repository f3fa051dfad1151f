#pragma once

#include "IControl.h"
#include "IPopupMenu.h"

#include <map>
#include <string>
#include <vector>

namespace lumen {
class EditorSession;
class UserPresetStore;
} // namespace lumen

namespace kolmari {

// The preset bar under the logo: the loaded preset's name (with a dot when the settings differ
// from it) between previous and next arrows. A click on the name opens the preset menu: the factory
// presets in a submenu per category, the user presets, "Save preset…", undo, redo and A/B. Menu
// choices may come back later through OnMenuChoice (a drawn menu) or at once (a native one); the
// menu lives in the control meanwhile.
//
// A message (a preset file that cannot be read, a failed save) shows in place of the name for a
// few seconds. User-interface thread only.
class PresetBarControl : public lumen::canvas::IControl {
public:
  static constexpr double kMessageMs = 5000.0;

  // store may be null: then there are no user presets.
  PresetBarControl(const lumen::canvas::IRectF& bounds, lumen::EditorSession& session, lumen::UserPresetStore* store);

  void Draw(lumen::canvas::ICanvas& g) override;
  void OnMouseDown(float x, float y, const lumen::canvas::IMouseState& mod) override;
  void OnMouseDoubleClick(float x, float y, const lumen::canvas::IMouseState& mod) override;
  void OnMenuChoice(lumen::canvas::IPopupMenu* menu, int valueIndex) override;
  void OnTextEdited(const char* text, int valueIndex) override;
  bool NeedsRedraw() override;

  // Shows text in place of the name for kMessageMs.
  void ShowMessage(std::string text);
  // The text the bar shows now: the message, or the name with " •" when modified.
  std::string ShownText() const;

  const lumen::canvas::IRectF& PreviousArrow() const { return mPrevious; }
  const lumen::canvas::IRectF& NextArrow() const { return mNext; }
  const lumen::canvas::IRectF& NameField() const { return mName; }

private:
  enum class Action { None, SavePreset, Undo, Redo, SwitchAB, CopyAToB };

  void OpenPresetMenu();
  void RescanUserPresets();
  void LoadPresetAt(int index);
  void Save(const std::string& name);
  void AskToOverwrite(const std::string& name);
  double Now() const;

  lumen::EditorSession& mSession;
  lumen::UserPresetStore* mStore;
  lumen::canvas::IRectF mPrevious, mNext, mName;
  lumen::canvas::IPopupMenu mMenu;
  lumen::canvas::IPopupMenu mConfirm;
  // Which preset each item of each preset submenu loads, and what the main menu's items do.
  std::map<const lumen::canvas::IPopupMenu*, std::vector<int>> mPresetItems;
  std::vector<Action> mActions;
  std::string mPendingName;
  std::string mMessage;
  double mMessageUntil = 0.0;
  std::string mDrawn;
};

} // namespace kolmari
