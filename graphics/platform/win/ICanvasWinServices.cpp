// The editor's platform services on Windows, each handed to its own class: pointer, tooltip, value
// entry, menus, dialogs, clipboard, shell, module resources and fonts.
#include "ICanvasWin.h"

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "IParam.h"
#include "WinClipboard.h"
#include "WinDialogs.h"
#include "WinFonts.h"
#include "WinPopupMenu.h"
#include "WinResourceTable.h"
#include "WinShell.h"
#include "WinTextEntry.h"
#include "WinTooltip.h"

namespace lumen::canvas {

// ---- Pointer and tooltip ----------------------------------------------------------------------------------------

void ICanvasWin::GetMousePosition(float& x, float& y) const {
  POINT p{};
  GetCursorPos(&p);
  if (mWindow != nullptr) ScreenToClient(mWindow, &p);
  const float s = TotalScale();
  x = static_cast<float>(p.x) / s;
  y = static_cast<float>(p.y) / s;
}

void ICanvasWin::HidePointer(bool hide, bool lock) {
  mCursors.Hide(mWindow, hide, lock, LastMouseX(), LastMouseY(), TotalScale());
}

void ICanvasWin::MovePointer(float x, float y) {
  if (mWindow == nullptr) return;
  if (mCursors.Move(mWindow, x, y, TotalScale())) SetLastMousePosition(x, y);
}

int ICanvasWin::SetPointerKind(int kind) {
  const int previous = ICanvas::SetPointerKind(kind);
  if (!CursorHidden()) mCursors.SetKind(kind);
  return previous;
}

void ICanvasWin::ShowTooltipFor(int index) {
  if (!mTooltip) return;
  const IControl* control = GetControl(index);
  mTooltip->Show(control != nullptr ? control->GetTooltip().c_str() : "");
  mTooltipShown = mTooltip->Shown();
}

void ICanvasWin::HideTooltip() {
  if (mTooltip) mTooltip->Hide();
  mTooltipShown = false;
}

// ---- Prompts ------------------------------------------------------------------------------------------------------

void ICanvasWin::OpenPlatformTextEdit(int paramIdx, const ITextStyle& style, const IRectF& bounds, int maxLength,
                                      const char* text) {
  mTextEntry.reset();
  WinTextEntry::Options options;
  options.parent = mWindow;
  options.module = mModule;
  if (ICanvasEditorDelegate* delegate = GetDelegate(); delegate != nullptr && paramIdx >= 0) {
    if (const IParam* param = delegate->GetParam(paramIdx)) options.paramType = static_cast<int>(param->Type());
  }
  options.style = style;
  options.bounds = bounds;
  options.scale = TotalScale();
  options.maxLength = maxLength;
  options.text = text != nullptr ? text : "";
  LOGFONTA font{};
  if (WinFonts::CachedSystemFont(style.font, font)) options.font = &font;
  options.onCommit = [this](const std::string& value) { FinishTextEdit(value.c_str()); };
  options.onCancel = [this] { CancelTextEdit(); };
  if (mWindow != nullptr) mTextEntry = WinTextEntry::Open(std::move(options));
  // Without an edit box the prompt ends at once, so its gesture closes.
  if (!mTextEntry) CancelTextEdit();
}

void ICanvasWin::AbortTextEntry() {
  if (!mTextEntry) return;
  mTextEntry.reset();
  CancelTextEdit();
}

HWND ICanvasWin::TextEntryWindow() const { return mTextEntry ? mTextEntry->Handle() : nullptr; }

IPopupMenu* ICanvasWin::OpenPlatformMenu(IPopupMenu& menu, const IRectF& bounds) {
  if (mWindow == nullptr) return nullptr;
  return WinPopupMenu::Show(menu, mWindow, bounds, TotalScale());
}

// ---- Dialogs, clipboard, shell --------------------------------------------------------------------------------------

bool ICanvasWin::ReadClipboardText(std::string& text) { return WinClipboard::ReadText(text); }

bool ICanvasWin::WriteClipboardText(const std::string& text) { return WinClipboard::WriteText(DialogOwner(), text); }

void ICanvasWin::ReleaseMouseForDialog() {
  // The dialog's own message loop takes the mouse: the release of a press held now would never
  // reach the editor, leaving a knob turning (and the host's gesture open) behind the dialog.
  if (mPressed) EndPress(LastMouseX(), LastMouseY(), IMouseState{});
  DropCaptures();
}

HWND ICanvasWin::DialogOwner() {
  // A dialog owned by the host's top-level window stays in front of it and blocks it like the
  // host's own dialogs; a child window cannot own one.
  if (HWND top = mHostWindow.Find(mParent)) return top;
  return mWindow;
}

int ICanvasWin::ShowAlert(const char* text, const char* caption, int type, std::function<void(int)> completion) {
  ReleaseMouseForDialog();
  const int result = WinDialogs::ShowAlert(DialogOwner(), text, caption, type);
  if (completion) completion(result);
  return result;
}

void ICanvasWin::PickFile(std::string& fileName, std::string& directory, int action, const char* extensions) {
  ReleaseMouseForDialog();
  if (mWindow == nullptr) {
    fileName.clear();
    return;
  }
  WinDialogs::PickFile(DialogOwner(), fileName, directory, action, extensions);
}

void ICanvasWin::PickDirectory(std::string& directory) {
  ReleaseMouseForDialog();
  if (mWindow == nullptr) {
    directory.clear();
    return;
  }
  WinDialogs::PickDirectory(DialogOwner(), directory);
}

bool ICanvasWin::PickColor(IColorARGB& color, const char* prompt, std::function<void(const IColorARGB&)> completion) {
  ReleaseMouseForDialog();
  if (mWindow == nullptr) return false;
  const bool chosen = WinDialogs::PickColor(DialogOwner(), color, prompt);
  if (chosen && completion) completion(color);
  return chosen;
}

bool ICanvasWin::OpenWebAddress(const char* url, const char* windowTitle, const char* confirmText,
                                const char* errorText) {
  return WinShell::OpenWebAddress(mWindow, url, windowTitle, confirmText, errorText);
}

bool ICanvasWin::RevealPathInExplorer(const char* path, bool select) { return WinShell::RevealPath(path, select); }

// ---- Resources and fonts ------------------------------------------------------------------------------------------------

ResourceLocation ICanvasWin::FindResourceLocation(const char* name, const char* type, std::string& path) {
  const ResourceLocation found = WinResourceTable(mModule).Find(name, type, path);
  if (found != ResourceLocation::NotFound) return found;
  // A program without module resources (tools, tests) still has the surface's table.
  return ICanvas::FindResourceLocation(name, type, path);
}

std::span<const uint8_t> ICanvasWin::LoadResourceBytes(const char* name, const char* type) {
  const std::span<const uint8_t> bytes = WinResourceTable(mModule).Bytes(name, type);
  if (!bytes.empty()) return bytes;
  return ICanvas::LoadResourceBytes(name, type);
}

std::unique_ptr<PlatformFont> ICanvasWin::LoadSystemFont(const char* fontId, const char* family, int style) {
  return WinFonts::LoadSystem(fontId, family, style);
}

std::unique_ptr<PlatformFont> ICanvasWin::LoadFontFromMemory(const char* fontId, const void* data, int dataSize) {
  if (data == nullptr || dataSize <= 0) return nullptr;
  return WinFonts::LoadFromMemory(fontId, data, dataSize);
}

std::unique_ptr<PlatformFont> ICanvasWin::LoadFontFromResource(const char* fontId, const char* fileNameOrResourceName) {
  if (std::unique_ptr<WinFont> font = WinFonts::LoadFromResource(fontId, fileNameOrResourceName, WinResourceTable(mModule))) {
    return font;
  }
  return ICanvasNanoVG::LoadFontFromResource(fontId, fileNameOrResourceName);
}

void ICanvasWin::CacheSystemFont(const char* fontId, PlatformFont& font) { WinFonts::CacheSystemFont(fontId, font); }

} // namespace lumen::canvas
