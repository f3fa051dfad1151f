// The editor's platform services on Windows: pointer, prompts, dialogs, clipboard, shell and fonts.
#include "ICanvasWin.h"

#include "IControl.h"
#include "IFontInfo.h"

#include <cmath>
#include <vector>

namespace lumen::canvas {

namespace {

// A font's bytes as the backend registers them.
class MemoryFont : public PlatformFont {
public:
  explicit MemoryFont(IFontData data) : PlatformFont(false), mData(std::move(data)) {}
  IFontData FontData() const override { return mData; }

private:
  IFontData mData;
};

// The face of a font file to use: the first one that names its style; -1 when none is usable.
int ChooseFace(const std::vector<uint8_t>& bytes) {
  for (int face = 0; face < 256; ++face) {
    const IFontInfo info = IFontInfo::Parse(bytes, face);
    if (!info.valid) return -1;
    if (!info.style.empty()) return face;
  }
  return -1;
}

} // namespace

// ---- Pointer ------------------------------------------------------------------------------------------------------

void ICanvasWin::GetMousePosition(float& x, float& y) const {
  POINT p{};
  GetCursorPos(&p);
  if (mWindow != nullptr) ScreenToClient(mWindow, &p);
  const float s = TotalScale();
  x = static_cast<float>(p.x) / s;
  y = static_cast<float>(p.y) / s;
}

void ICanvasWin::HidePointer(bool hide, bool lock) {
  if (hide) {
    mPointerLocked = lock;
    mHiddenX = LastMouseX();
    mHiddenY = LastMouseY();
    while (ShowCursor(FALSE) >= 0) {}
  } else {
    if (mPointerLocked) MovePointer(mHiddenX, mHiddenY);
    mPointerLocked = false;
    while (ShowCursor(TRUE) < 0) {}
  }
}

void ICanvasWin::MovePointer(float x, float y) {
  if (mWindow == nullptr) return;
  const float s = TotalScale();
  POINT p{static_cast<LONG>(std::lround(x * s)), static_cast<LONG>(std::lround(y * s))};
  ClientToScreen(mWindow, &p);
  SetCursorPos(p.x, p.y);
  SetLastMousePosition(x, y);
}

int ICanvasWin::SetPointerKind(int kind) {
  const int previous = ICanvas::SetPointerKind(kind);
  if (!CursorHidden()) SetCursor(LoadCursor(nullptr, IDC_ARROW));
  return previous;
}

void ICanvasWin::ShowTooltipFor(int index) {
  (void)index;
  mTooltipShown = false;
}

void ICanvasWin::HideTooltip() { mTooltipShown = false; }

// ---- Prompts ------------------------------------------------------------------------------------------------------

void ICanvasWin::OpenPlatformTextEdit(int /*paramIdx*/, const ITextStyle& /*style*/, const IRectF& /*bounds*/,
                                      int /*maxLength*/, const char* /*text*/) {
  // Without an edit box of the platform the prompt ends at once, so its gesture closes.
  CancelTextEdit();
}

void ICanvasWin::AbortTextEntry() { CancelTextEdit(); }

IPopupMenu* ICanvasWin::OpenPlatformMenu(IPopupMenu& /*menu*/, const IRectF& /*bounds*/) { return nullptr; }

// ---- Dialogs, clipboard, shell --------------------------------------------------------------------------------------

bool ICanvasWin::ReadClipboardText(std::string& text) {
  text.clear();
  return false;
}

bool ICanvasWin::WriteClipboardText(const std::string& /*text*/) { return false; }

int ICanvasWin::ShowAlert(const char* /*text*/, const char* /*caption*/, int /*type*/, std::function<void(int)> completion) {
  if (completion) completion(0);
  return 0;
}

void ICanvasWin::PickFile(std::string& fileName, std::string& /*directory*/, int /*action*/, const char* /*extensions*/) {
  fileName.clear();
}

void ICanvasWin::PickDirectory(std::string& directory) { directory.clear(); }

bool ICanvasWin::PickColor(IColorARGB& /*color*/, const char* /*prompt*/, std::function<void(const IColorARGB&)> /*completion*/) {
  return false;
}

bool ICanvasWin::OpenWebAddress(const char* /*url*/, const char* /*windowTitle*/, const char* /*confirmText*/,
                                const char* /*errorText*/) {
  return false;
}

bool ICanvasWin::RevealPathInExplorer(const char* /*path*/, bool /*select*/) { return false; }

// ---- Fonts ------------------------------------------------------------------------------------------------------------

std::unique_ptr<PlatformFont> ICanvasWin::LoadSystemFont(const char* /*fontId*/, const char* /*family*/, int /*style*/) {
  return nullptr; // the editor brings its own font
}

std::unique_ptr<PlatformFont> ICanvasWin::LoadFontFromMemory(const char* /*fontId*/, const void* data, int dataSize) {
  if (data == nullptr || dataSize <= 0) return nullptr;
  IFontData font;
  const auto* bytes = static_cast<const uint8_t*>(data);
  font.bytes.assign(bytes, bytes + dataSize);
  font.faceIndex = ChooseFace(font.bytes);
  if (font.faceIndex < 0) return nullptr;
  const IFontInfo info = IFontInfo::Parse(font.bytes, font.faceIndex);
  font.family = info.family;
  font.style = info.style;
  return std::make_unique<MemoryFont>(std::move(font));
}

void ICanvasWin::CacheSystemFont(const char* /*fontId*/, PlatformFont& /*font*/) {}

} // namespace lumen::canvas
