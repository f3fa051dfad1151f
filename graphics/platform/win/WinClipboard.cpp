#include "WinClipboard.h"

#include "WinText.h"

#include <cstring>
#include <cwchar>

namespace lumen::canvas {

bool WinClipboard::ReadText(std::string& text) {
  text.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return false;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      // Another program's memory: never read past its block, even without a terminator.
      const SIZE_T capacity = GlobalSize(data) / sizeof(wchar_t);
      text = WideToUtf8(std::wstring_view(wide, wcsnlen(wide, capacity)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return !text.empty();
}

bool WinClipboard::WriteText(HWND owner, const std::string& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  bool written = false;
  const std::wstring wide = Utf8ToWide(text);
  if (!wide.empty()) {
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* target = GlobalLock(memory)) {
        std::memcpy(target, wide.c_str(), bytes);
        GlobalUnlock(memory);
        // On success the clipboard owns the memory; otherwise it is still ours to free.
        written = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      }
      if (!written) GlobalFree(memory);
    }
  }
  CloseClipboard();
  return written;
}

} // namespace lumen::canvas
