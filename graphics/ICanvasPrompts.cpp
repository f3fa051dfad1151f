// Value prompts: a parameter menu for named values, a text entry otherwise, and applying the result.
#include "ICanvas.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "IParam.h"
#include "controls/ITextEntryControl.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumen::canvas {

void ICanvas::PromptForValue(IControl& control, const IRectF& bounds, int valueIndex) {
  const IParam* param = control.GetParam(valueIndex);
  if (!param) return;
  const auto type = param->Type();
  if (type == IParam::ParamType::Enum || (type == IParam::ParamType::Bool && param->NDisplayTexts() > 0)) {
    std::string current;
    param->FormatDisplay(param->Value(), false, current);
    mPromptMenu.Clear();
    mPromptMenu.SetTitle(param->Name());
    for (int i = 0; i < param->NDisplayTexts(); ++i) {
      const std::string text = param->FindDisplayText(static_cast<double>(i)).value_or(std::string());
      mPromptMenu.AddItem(text, text == current ? IPopupMenu::kChecked : 0);
    }
    OpenMenu(control, mPromptMenu, bounds, valueIndex, false);
    return;
  }
  std::string text;
  param->FormatDisplay(param->Value(), false, text);
  if (control.ShowParamLabel()) {
    // Appended piece by piece: GCC 12 at -O3 misreads a literal + temporary string as overlapping.
    text += ' ';
    text += param->DisplayLabel();
  }
  OpenTextEditor(control, control.GetTextStyle(), bounds, text.c_str(), valueIndex);
}

void ICanvas::OpenMenu(IControl& control, IPopupMenu& menu, const IRectF& bounds, int valueIndex, bool isContext) {
  // Remembered first: the gesture this control began stays open until the choice is made.
  mInPopupMenu = &control;
  mInPopupMenuIdx = valueIndex;
  mIsContextMenu = isContext;
  ReleaseCapturesAndShowCursor();
  if (mPopupMenuControl) return; // a drawn menu reports its choice later
  // Native menus return when closed; null means nothing was chosen, and the prompt ends either way.
  FinishMenuChoice(OpenPlatformMenu(menu, bounds));
}

void ICanvas::FinishMenuChoice(IPopupMenu* menu) {
  IControl* control = mInPopupMenu;
  if (!control) return;
  const int valueIndex = mInPopupMenuIdx;
  mInPopupMenu = nullptr;
  if (mIsContextMenu) {
    control->OnContextChoice(menu ? menu->ChosenItemIdx() : -1);
  } else {
    if (menu && menu->ChosenItemIdx() < 0) menu = nullptr;
    control->OnMenuChoice(menu, valueIndex);
  }
  SendEndEdits(*control);
  mInPopupMenuIdx = -1;
  mIsContextMenu = false;
}

void ICanvas::OpenTextEditor(IControl& control, const ITextStyle& style, const IRectF& bounds, const char* text,
                             int valueIndex) {
  // An entry still open for another control ends first, so its gesture closes.
  if (mInTextEntry && mInTextEntry != &control) CancelTextEdit();
  mInTextEntry = &control;
  mInTextEntryIdx = valueIndex;
  const IParam* param = control.GetParam(valueIndex);
  if (mTextEditor) {
    ITextStyle entryStyle = style;
    entryStyle.color = style.entryForeground;
    mTextEditor->SetRect(bounds);
    mTextEditor->SetTextStyle(entryStyle);
    mTextEditor->Begin(text ? text : "", param ? static_cast<int>(param->Type()) : -1, control.GetTextEntryLength());
    mTextEditor->MarkDirty(true);
  } else {
    OpenPlatformTextEdit(control.ParamIdx(valueIndex), style, bounds, control.GetTextEntryLength(), text ? text : "");
  }
  control.MarkDirty(false);
}

void ICanvas::FinishTextEdit(const char* text) {
  IControl* control = mInTextEntry;
  if (!control) return;
  const int valueIndex = mInTextEntryIdx;
  mInTextEntry = nullptr;
  mInTextEntryIdx = -1;
  const IParam* param = valueIndex >= 0 ? control->GetParam(valueIndex) : nullptr;
  if (param) {
    // Whatever the text says, only a finite value in 0 ... 1 reaches the parameter.
    const double normalized = param->NormalizeValue(param->ParseDisplay(text ? text : ""));
    if (std::isfinite(normalized)) control->ApplyUserValue(std::clamp(normalized, 0.0, 1.0), valueIndex);
  } else {
    control->OnTextEdited(text ? text : "", valueIndex);
  }
  SendEndEdits(*control);
}

void ICanvas::CancelTextEdit() {
  IControl* control = mInTextEntry;
  mInTextEntry = nullptr;
  mInTextEntryIdx = -1;
  if (control) SendEndEdits(*control);
}

} // namespace lumen::canvas
