#include "ITextEntryControl.h"

#include "ICanvas.h"
#include "IKeyCodes.h"
#include "IParam.h"
#include "Utf8.h"

#include <cctype>
#include <cmath>
#include <cstring>


namespace lumen::canvas {

namespace {

bool IsWordChar(char32_t c) { return c == '_' || (c < 128 && std::isalnum(static_cast<int>(c))) || c >= 128; }

} // namespace

ITextEntryControl::ITextEntryControl() : IControl(IRectF()) {}

bool ITextEntryControl::CharAllowed(char32_t c, int paramType) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false; // control characters
  using T = IParam::ParamType;
  const bool digitsOnly = paramType == static_cast<int>(T::Bool) || paramType == static_cast<int>(T::Int) ||
                          paramType == static_cast<int>(T::Enum);
  const bool number = digitsOnly || paramType == static_cast<int>(T::Double);
  if (!number) return true;
  if ((c >= '0' && c <= '9') || c == '+' || c == '-') return true;
  return paramType == static_cast<int>(T::Double) && c == '.';
}

// ---- Editing session ------------------------------------------------------------------------------------

void ITextEntryControl::Begin(const std::string& utf8Text, int paramType, int maxLength) {
  mText = DecodeUtf8(utf8Text, kMaxLength);
  mParamType = paramType;
  mMaxLength = std::clamp(std::max(maxLength, static_cast<int>(mText.size())), 1, kMaxLength);
  mUndo.clear();
  mRedo.clear();
  mEditing = true;
  SelectAll();
  RecomputeWidths();
}

void ITextEntryControl::Close() {
  mEditing = false;
  mCursorVisible = false;
  mMouseDown = false;
  mAnimation = nullptr;
  mText.clear();
  mWidths.clear();
  mCursor = mSelStart = mSelEnd = 0;
  SetRect(IRectF());
}

void ITextEntryControl::Commit() {
  if (!mEditing) return;
  const std::string text = GetText();
  Close();
  if (mUI) {
    mUI->FinishTextEdit(text.c_str());
    mUI->ForEachControl([](IControl& c) { c.MarkDirty(false); });
  }
}

void ITextEntryControl::Cancel() {
  if (!mEditing) return;
  Close();
  if (mUI) {
    mUI->CancelTextEdit();
    mUI->ForEachControl([](IControl& c) { c.MarkDirty(false); });
  }
}

std::string ITextEntryControl::GetText() const { return EncodeUtf8(mText); }

// ---- Caret blink ----------------------------------------------------------------------------------------

void ITextEntryControl::StartBlink() {
  if (!mEditing) return;
  mCursorVisible = true;
  SetAnimation(
      [](IControl* c) {
        auto& self = static_cast<ITextEntryControl&>(*c);
        const double progress = self.GetAnimationProgress();
        if (progress > 0.5 && self.mCursorVisible) {
          self.mCursorVisible = false;
          self.MarkDirty(false);
        }
        if (progress > 1.0) self.FinishAnimation();
      },
      kBlinkPeriodMs);
}

void ITextEntryControl::FinishAnimation() {
  IControl::FinishAnimation();
  // Triggers the blink action again, which starts the next cycle (from inside the running callback,
  // which is why the surface runs a copy of it).
  if (mEditing) MarkDirty(true);
}

// ---- Text operations ------------------------------------------------------------------------------------

void ITextEntryControl::PushUndo() {
  mUndo.push_back({mText, mCursor, mSelStart, mSelEnd});
  if (mUndo.size() > static_cast<size_t>(kUndoDepth)) mUndo.erase(mUndo.begin());
  mRedo.clear();
}

bool ITextEntryControl::StepHistory(std::vector<Snapshot>& from, std::vector<Snapshot>& to) {
  if (from.empty()) return false;
  to.push_back({mText, mCursor, mSelStart, mSelEnd});
  const Snapshot s = from.back();
  from.pop_back();
  mText = s.text;
  mCursor = s.cursor;
  mSelStart = s.selStart;
  mSelEnd = s.selEnd;
  RecomputeWidths();
  return true;
}

bool ITextEntryControl::Undo() { return StepHistory(mUndo, mRedo); }
bool ITextEntryControl::Redo() { return StepHistory(mRedo, mUndo); }

bool ITextEntryControl::DeleteSelection() {
  if (!HasSelection()) return false;
  const int from = SelectionStart();
  mText.erase(static_cast<size_t>(from), static_cast<size_t>(SelectionEnd() - from));
  mCursor = mSelStart = mSelEnd = from;
  return true;
}

bool ITextEntryControl::InsertText(const std::u32string& text) {
  std::u32string accepted;
  for (const char32_t c : text) {
    if (CharAllowed(c, mParamType)) accepted.push_back(c);
  }
  // Only what fits under the length limit goes in (the selection it replaces makes room).
  const size_t kept = mText.size() - static_cast<size_t>(SelectionEnd() - SelectionStart());
  const size_t room = kept < static_cast<size_t>(mMaxLength) ? static_cast<size_t>(mMaxLength) - kept : 0;
  if (accepted.size() > room) accepted.resize(room);
  if (accepted.empty()) return false;
  PushUndo();
  DeleteSelection();
  mText.insert(static_cast<size_t>(mCursor), accepted);
  mCursor += static_cast<int>(accepted.size());
  mSelStart = mSelEnd = mCursor;
  RecomputeWidths();
  return true;
}

void ITextEntryControl::SelectAll() {
  mSelStart = 0;
  mSelEnd = static_cast<int>(mText.size());
  mCursor = mSelEnd;
}

void ITextEntryControl::MoveCursor(int to, bool extend) {
  to = std::clamp(to, 0, static_cast<int>(mText.size()));
  if (extend) {
    if (!HasSelection()) mSelStart = mCursor;
    mSelEnd = to;
  } else {
    mSelStart = mSelEnd = to;
  }
  mCursor = to;
}

int ITextEntryControl::WordLeft(int from) const {
  int i = from;
  while (i > 0 && !IsWordChar(mText[static_cast<size_t>(i - 1)])) --i;
  while (i > 0 && IsWordChar(mText[static_cast<size_t>(i - 1)])) --i;
  return i;
}

int ITextEntryControl::WordRight(int from) const {
  const int n = static_cast<int>(mText.size());
  int i = from;
  while (i < n && IsWordChar(mText[static_cast<size_t>(i)])) ++i;
  while (i < n && !IsWordChar(mText[static_cast<size_t>(i)])) ++i;
  return i;
}

bool ITextEntryControl::Copy() {
  if (!HasSelection() || !mUI) return false;
  const auto from = static_cast<size_t>(SelectionStart());
  mUI->WriteClipboardText(EncodeUtf8(std::u32string_view(mText).substr(from, static_cast<size_t>(SelectionEnd()) - from)));
  return false; // the text itself did not change
}

bool ITextEntryControl::Cut() {
  if (!HasSelection()) return false;
  Copy();
  PushUndo();
  DeleteSelection();
  RecomputeWidths();
  return true;
}

bool ITextEntryControl::Paste() {
  if (!mUI) return false;
  std::string clip;
  if (!mUI->ReadClipboardText(clip)) return false;
  // Only as much of the clipboard is read as could ever fit.
  return InsertText(DecodeUtf8(clip, kMaxLength));
}

// ---- Geometry -------------------------------------------------------------------------------------------

void ITextEntryControl::RecomputeWidths() {
  mWidths.assign(mText.size(), 0.0f);
  if (!mUI) return;
  for (size_t i = 0; i < mText.size(); ++i) {
    IRectF r;
    const std::string ch = EncodeUtf8(std::u32string_view(&mText[i], 1));
    const float w = mUI->MeasureTextBox(mStyle, ch.c_str(), r);
    mWidths[i] = std::isfinite(w) && w > 0.0f ? w : 0.0f;
  }
}

float ITextEntryControl::TextStartX() {
  float total = 0.0f;
  for (const float w : mWidths) total += w;
  switch (mStyle.align) {
  case ITextStyle::Near: return mRect.L;
  case ITextStyle::Far: return mRect.R - total;
  default: return mRect.MW() - 0.5f * total;
  }
}

float ITextEntryControl::CursorX(int index) {
  float x = TextStartX();
  for (int i = 0; i < index && i < static_cast<int>(mWidths.size()); ++i) x += mWidths[static_cast<size_t>(i)];
  return x;
}

int ITextEntryControl::CharIndexAt(float x) {
  float left = TextStartX();
  for (size_t i = 0; i < mWidths.size(); ++i) {
    if (x < left + 0.5f * mWidths[i]) return static_cast<int>(i);
    left += mWidths[i];
  }
  return static_cast<int>(mText.size());
}

// ---- Input ----------------------------------------------------------------------------------------------

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseState& mod) {
  if (!mEditing) return;
  if (!mRect.Contains(x, y)) {
    Commit();
    return;
  }
  if (mod.right) {
    mEditMenu = std::make_unique<IPopupMenu>();
    mEditMenu->AddItem("Cut");
    mEditMenu->AddItem("Copy");
    mEditMenu->AddItem("Paste");
    if (mUI) mUI->OpenMenu(*this, *mEditMenu, IRectF(x, y, x, y), 0, false);
    return;
  }
  mMouseDown = true;
  const int index = CharIndexAt(x);
  const bool changed = index != mCursor || HasSelection();
  MoveCursor(index, false);
  if (changed) MarkDirty(false);
}

void ITextEntryControl::OnMouseDrag(float x, float, float, float, const IMouseState&) {
  if (!mEditing || !mMouseDown) return;
  const int index = CharIndexAt(x);
  if (index == mSelEnd) return;
  mSelEnd = index;
  mCursor = index;
  MarkDirty(false);
}

void ITextEntryControl::OnMouseUp(float x, float, const IMouseState&) {
  if (!mEditing || !mMouseDown) return;
  mMouseDown = false;
  const int index = CharIndexAt(x);
  if (index != mSelEnd) {
    mSelEnd = index;
    mCursor = index;
    MarkDirty(false);
  }
  MarkDirty(true);
}

void ITextEntryControl::OnMouseDoubleClick(float, float, const IMouseState&) {
  if (!mEditing) return;
  SelectAll();
  MarkDirty(false);
}

void ITextEntryControl::OnMenuChoice(IPopupMenu* menu, int) {
  if (!menu || !mEditing) return;
  bool changed = false;
  switch (menu->ChosenItemIdx()) {
  case 0: changed = Cut(); break;
  case 1: changed = Copy(); break;
  case 2: changed = Paste(); break;
  default: break;
  }
  if (changed) MarkDirty(true);
}

bool ITextEntryControl::OnKeyDown(float, float, const IKeyEvent& key) {
  if (!mEditing) return false;
  const Snapshot before{mText, mCursor, mSelStart, mSelEnd};
  const int n = static_cast<int>(mText.size());
  bool handled = true;

  if (key.control && key.keyCode >= kKeyA && key.keyCode <= kKeyA + 25) {
    switch (key.keyCode - kKeyA + 'A') {
    case 'A': SelectAll(); break;
    case 'C': Copy(); break;
    case 'V': Paste(); break;
    case 'X': Cut(); break;
    case 'Z': key.shift ? Redo() : Undo(); break;
    default: handled = false; break;
    }
  } else {
    switch (key.keyCode) {
    case kKeyReturn: Commit(); return true;
    case kKeyEscape: Cancel(); return true;
    case kKeyTab: return false;
    case kKeyBackspace:
      if (HasSelection()) {
        PushUndo();
        DeleteSelection();
      } else if (mCursor > 0) {
        PushUndo();
        const int from = key.control ? WordLeft(mCursor) : mCursor - 1;
        mText.erase(static_cast<size_t>(from), static_cast<size_t>(mCursor - from));
        MoveCursor(from, false);
      }
      RecomputeWidths();
      break;
    case kKeyDelete:
      if (HasSelection()) {
        PushUndo();
        DeleteSelection();
      } else if (mCursor < n) {
        PushUndo();
        const int to = key.control ? WordRight(mCursor) : mCursor + 1;
        mText.erase(static_cast<size_t>(mCursor), static_cast<size_t>(to - mCursor));
        mSelStart = mSelEnd = mCursor;
      }
      RecomputeWidths();
      break;
    case kKeyHome:
    case kKeyPageUp:
    case kKeyUp: MoveCursor(0, key.shift); break;
    case kKeyEnd:
    case kKeyPageDown:
    case kKeyDown: MoveCursor(n, key.shift); break;
    case kKeyLeft:
      if (!key.shift && HasSelection() && !key.control) MoveCursor(SelectionStart(), false);
      else MoveCursor(key.control ? WordLeft(mCursor) : mCursor - 1, key.shift);
      break;
    case kKeyRight:
      if (!key.shift && HasSelection() && !key.control) MoveCursor(SelectionEnd(), false);
      else MoveCursor(key.control ? WordRight(mCursor) : mCursor + 1, key.shift);
      break;
    default: {
      // A printable key: its character, filtered by the parameter's type.
      const std::u32string typed = DecodeUtf8(std::string_view(key.text, strnlen(key.text, sizeof(key.text))));
      handled = !typed.empty() && InsertText(typed);
      break;
    }
    }
  }
  const bool changed = mText != before.text || mCursor != before.cursor || mSelStart != before.selStart ||
                       mSelEnd != before.selEnd;
  if (!changed) return handled && key.control; // a copy changes nothing but was the key's job
  MarkDirty(false);
  return true;
}

// ---- Drawing --------------------------------------------------------------------------------------------

void ITextEntryControl::Draw(ICanvas& g) {
  g.FillRect(mStyle.entryBackground, mRect);
  const float size = mStyle.size;
  float rowTop = mRect.MH() - 0.5f * size;
  if (mStyle.valign == ITextStyle::Top) rowTop = mRect.T;
  else if (mStyle.valign == ITextStyle::Bottom) rowTop = mRect.B - size;
  const float bandTop = rowTop + 0.1f * size;
  const float bandBottom = rowTop + size - 0.1f * size;
  if (HasSelection()) {
    const IBlendMode faint{IBlendMode::SourceOver, 0.2f};
    g.FillRect(mStyle.entryForeground, IRectF(CursorX(SelectionStart()), bandTop, CursorX(SelectionEnd()), bandBottom),
               &faint);
  }
  const std::string text = GetText();
  if (!text.empty()) g.DrawTextRun(mStyle, text.c_str(), mRect);
  if (mCursorVisible && !HasSelection()) {
    const float x = CursorX(mCursor);
    g.FillRect(mStyle.entryForeground, IRectF(std::round(x - 1.0f), bandTop, std::round(x), bandBottom));
  }
}

} // namespace lumen::canvas
