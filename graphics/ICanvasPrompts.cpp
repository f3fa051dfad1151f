// Value prompts: a parameter menu for named values, a text entry otherwise, and applying the result.
#include "ICanvas.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "IParam.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace lumen::canvas {

namespace {

// "80.00" -> "80", "80.50" -> "80.5", "-0.500" -> "-0.5"; a text without a decimal point, or
// with anything but digits after it, is left as it is.
std::string WithoutTrailingZeros(std::string number) {
  const size_t point = number.find('.');
  if (point == std::string::npos) return number;
  if (number.find_first_not_of("0123456789", point + 1) != std::string::npos) return number;
  size_t end = number.find_last_not_of('0');
  if (end == point) --end;
  number.erase(end + 1);
  return number;
}

// The typed-value entry: a box over the control's centre, in logical units, and its text size.
constexpr float kEntryWidth = 200.0f;
constexpr float kEntryHeight = 48.0f;
constexpr float kEntryTextSize = 30.0f;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// The real value a typed text means: one of the parameter's display texts, or a whole number,
// optionally followed by the parameter's label ("80", "80 %", "80%"). Nothing for a text that is no
// value or a value outside the parameter's range: a typing mistake must not move the parameter.
std::optional<double> ParseEnteredValue(const IParam& param, std::string_view text) {
  text = Trimmed(text);
  if (param.NDisplayTexts() > 0) {
    // Display texts name whole values; they are found through the values that have them.
    int tries = 0;
    for (double v = param.Min(); v <= param.Max() && tries < 4096; v += std::max(param.Step(), 1.0), ++tries) {
      const auto shown = param.FindDisplayText(v);
      if (shown && !shown->empty() && text == *shown) return v;
    }
  }
  const std::string_view label = Trimmed(param.Label());
  if (!label.empty() && text.size() > label.size() && text.substr(text.size() - label.size()) == label)
    text = Trimmed(text.substr(0, text.size() - label.size()));
  if (text.empty() || text.size() > 64) return std::nullopt;
  const std::string copy(text);
  errno = 0;
  char* end = nullptr;
  double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || errno != 0 || !std::isfinite(value)) return std::nullopt;
  if (param.Flags() & IParam::NegatedDisplay) value = -value;
  if (value < param.Min() || value > param.Max()) return std::nullopt;
  return param.Constrain(value);
}

} // namespace

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
  CloseOpenMenu();
  // Remembered first: the gesture this control began stays open until the choice is made.
  mInPopupMenu = &control;
  mInPopupMenuIdx = valueIndex;
  mIsContextMenu = isContext;
  ReleaseCapturesAndShowCursor();
  ShowMenu(menu, bounds);
}

void ICanvas::OpenMenu(IPopupMenu& menu, const IRectF& bounds, MenuChoiceFunction done) {
  CloseOpenMenu();
  mMenuChoice = std::move(done);
  ReleaseCapturesAndShowCursor();
  ShowMenu(menu, bounds);
}

bool ICanvas::MenuIsOpen() const { return mPopupMenuControl && mPopupMenuControl->IsOpen(); }

void ICanvas::CloseOpenMenu() {
  if (MenuIsOpen()) mPopupMenuControl->Dismiss();
}

void ICanvas::ShowMenu(IPopupMenu& menu, const IRectF& bounds) {
  if (!mPopupMenuControl && DrawsMenus()) SetPopupMenuControl(std::make_unique<IPopupMenuControl>());
  if (mPopupMenuControl) {
    // Drawn: opening returns at once, the choice comes with a later click or key.
    mPopupMenuControl->Open(menu, bounds, [this](IPopupMenu* chosen) { FinishMenuChoice(chosen); });
    return;
  }
  // Native menus return when closed; null means nothing was chosen, and the prompt ends either way.
  FinishMenuChoice(OpenPlatformMenu(menu, bounds));
}

void ICanvas::FinishMenuChoice(IPopupMenu* menu) {
  if (mMenuChoice) {
    // Moved out first: the function may open the next menu.
    const MenuChoiceFunction done = std::move(mMenuChoice);
    mMenuChoice = nullptr;
    const int index = menu ? menu->ChosenItemIdx() : -1;
    if (index < 0) done(nullptr, -1);
    else done(menu, index);
    return;
  }
  IControl* control = mInPopupMenu;
  if (!control) return;
  const int valueIndex = mInPopupMenuIdx;
  mInPopupMenu = nullptr;
  if (mIsContextMenu) {
    const int index = menu ? menu->ChosenItemIdx() : -1;
    control->OnContextChoice(index >= 0 ? menu : nullptr, index);
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
    // A text that is no value in range changes nothing; a value the parameter already has is no
    // change for the host either.
    const std::optional<double> real = ParseEnteredValue(*param, text ? text : "");
    const double normalized = real ? param->NormalizeValue(*real) : 0.0;
    if (real && std::isfinite(normalized) && normalized != control->GetValue(valueIndex)) {
      ChangeAsGesture(*control, [&] { control->ApplyUserValue(std::clamp(normalized, 0.0, 1.0), valueIndex); });
    }
  } else {
    control->OnTextEdited(text ? text : "", valueIndex);
  }
  SendEndEdits(*control);
}

void ICanvas::PromptForTypedValue(IControl& control, int valueIndex) {
  const IParam* param = control.GetParam(valueIndex);
  if (!param) return;
  std::string text;
  param->FormatDisplay(param->Value(), false, text);
  const IRectF& r = control.GetRect();
  const float w = std::min(kEntryWidth, static_cast<float>(mWidth));
  const float h = std::min(kEntryHeight, static_cast<float>(mHeight));
  const float left = std::clamp(r.MW() - 0.5f * w, 0.0f, std::max(0.0f, static_cast<float>(mWidth) - w));
  const float top = std::clamp(r.MH() - 0.5f * h, 0.0f, std::max(0.0f, static_cast<float>(mHeight) - h));
  ITextStyle style = control.GetTextStyle();
  style.size = kEntryTextSize;
  // The colours of the value readout beneath: a dark box with light text over the artwork.
  style.entryBackground = IColorARGB{240, 18, 18, 22};
  style.entryForeground = IColorARGB{255, 236, 236, 232};
  style.align = ITextStyle::Centre;
  style.valign = ITextStyle::Middle;
  OpenTextEditor(control, style, IRectF(left, top, left + w, top + h), text.c_str(), valueIndex);
}

void ICanvas::ChangeAsGesture(IControl& control, const std::function<void()>& change) {
  const bool open = mOpenGestures.count(&control) > 0;
  if (!open) SendBeginEdits(control);
  change();
  if (!open) SendEndEdits(control);
  EngageReadout(&control);
  ReleaseReadout();
}

std::string ICanvas::DisplayText(int paramIdx, double value) const {
  const IParam* param = mDelegate && paramIdx >= 0 ? mDelegate->GetParam(paramIdx) : nullptr;
  if (!param) return {};
  if (mValueNamer) {
    std::string named = mValueNamer(paramIdx, value);
    if (!named.empty()) return named;
  }
  std::string text;
  param->FormatDisplay(value, false, text);
  // The label goes with numbers only: a display text names the value by itself.
  const auto shown = param->FindDisplayText(value);
  if (shown && !shown->empty()) return text;
  text = WithoutTrailingZeros(std::move(text));
  if (param->Label()[0] != '\0') {
    text += ' ';
    text += param->Label();
  }
  return text;
}

std::string ICanvas::ValueText(int paramIdx) const {
  const IParam* param = mDelegate && paramIdx >= 0 ? mDelegate->GetParam(paramIdx) : nullptr;
  if (!param) return {};
  std::string text = param->Name();
  text += ' ';
  text += DisplayText(paramIdx, param->Value());
  return text;
}

void ICanvas::CancelTextEdit() {
  IControl* control = mInTextEntry;
  mInTextEntry = nullptr;
  mInTextEntryIdx = -1;
  if (control) SendEndEdits(*control);
}

} // namespace lumen::canvas
