#pragma once

#include "IControl.h"
#include "IPopupMenu.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace lumen::canvas {

// The surface's own single-line text editor, placed over a control when a value is typed in. It has
// a caret that blinks once a second while editing, a selection, cut/copy/paste through the platform
// clipboard, Home/End, arrows, word jumps (Control+Left/Right), Backspace/Delete, undo/redo; Return
// commits, Escape cancels. Typed and pasted characters pass a filter by the parameter's type and the
// text never grows beyond its length limit.
class ITextEntryControl : public IControl {
public:
  // No text grows beyond this, whatever the prompting control asks for.
  static constexpr int kMaxLength = 256;
  static constexpr int kBlinkPeriodMs = 1000;
  static constexpr int kUndoDepth = 64;

  ITextEntryControl();

  void OnMouseDown(float x, float y, const IMouseState& mod) override;
  void OnMouseUp(float x, float y, const IMouseState& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseState& mod) override;
  void OnMouseDoubleClick(float x, float y, const IMouseState& mod) override;
  bool OnKeyDown(float x, float y, const IKeyEvent& key) override;
  void OnMenuChoice(IPopupMenu* menu, int valueIndex) override;
  void Draw(ICanvas& g) override;
  void FinishAnimation() override;

  // Starts editing text (selected whole) for a parameter of the given type (-1: any text) with a
  // length limit; an initial text longer than the limit is kept but cannot grow.
  void Begin(const std::string& utf8Text, int paramType, int maxLength);
  // Ends editing and hands the text to the surface (FinishTextEdit).
  void Commit();
  // Ends editing without applying anything.
  void Cancel();
  // The blink action the surface installs: shows the caret and starts a one-second animation.
  void StartBlink();

  bool IsEditing() const { return mEditing; }
  bool CursorVisible() const { return mCursorVisible; }
  std::string GetText() const; // UTF-8
  int Cursor() const { return mCursor; }
  int SelectionStart() const { return std::min(mSelStart, mSelEnd); }
  int SelectionEnd() const { return std::max(mSelStart, mSelEnd); }
  bool HasSelection() const { return mSelStart != mSelEnd; }
  int MaxLength() const { return mMaxLength; }

  // Whether a character may be typed for a parameter type (-1: any printable character).
  static bool CharAllowed(char32_t c, int paramType);

private:
  struct Snapshot {
    std::u32string text;
    int cursor;
    int selStart;
    int selEnd;
  };

  bool InsertText(const std::u32string& text);
  bool DeleteSelection();
  void SelectAll();
  void MoveCursor(int to, bool extend);
  int WordLeft(int from) const;
  int WordRight(int from) const;
  int CharIndexAt(float x);
  void RecomputeWidths();
  float TextStartX();
  float CursorX(int index);
  void PushUndo();
  // Moves one snapshot from one history to the other, keeping the current state in the other.
  bool StepHistory(std::vector<Snapshot>& from, std::vector<Snapshot>& to);
  bool Undo();
  bool Redo();
  bool Copy();
  bool Paste();
  bool Cut();
  void Close();

  bool mEditing = false;
  bool mCursorVisible = false;
  bool mMouseDown = false;
  std::u32string mText;
  std::vector<float> mWidths;
  int mCursor = 0;
  int mSelStart = 0;
  int mSelEnd = 0;
  int mParamType = -1;
  int mMaxLength = kMaxLength;
  std::vector<Snapshot> mUndo;
  std::vector<Snapshot> mRedo;
  std::unique_ptr<IPopupMenu> mEditMenu;
};

} // namespace lumen::canvas
