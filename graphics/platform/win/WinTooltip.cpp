#include "WinTooltip.h"

#include "WinText.h"

#include <commctrl.h>

#include <string>

namespace lumen::canvas {

namespace {

constexpr int kMaxTipWidth = 250;

TOOLINFOW ToolOf(HWND editor) {
  TOOLINFOW tool{};
  // The record without the reserved pointer at its end, which older common controls reject.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = editor;
  tool.uId = reinterpret_cast<UINT_PTR>(editor);
  return tool;
}

} // namespace

std::unique_ptr<WinTooltip> WinTooltip::Create(HWND editor, HINSTANCE module) {
  if (!editor) return nullptr;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES};
  if (!InitCommonControlsEx(&controls)) return nullptr;
  HWND tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, editor, nullptr, module,
                                 nullptr);
  if (!tooltip) return nullptr;
  TOOLINFOW tool = ToolOf(editor);
  wchar_t empty[1] = {L'\0'};
  tool.lpszText = empty;
  if (!SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) ||
      !SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
    DestroyWindow(tooltip);
    return nullptr;
  }
  SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  return std::unique_ptr<WinTooltip>(new WinTooltip(editor, tooltip));
}

WinTooltip::~WinTooltip() {
  if (mTooltip) DestroyWindow(mTooltip);
}

void WinTooltip::Update(const char* text) {
  // The tip text is UTF-8 here; the control shows UTF-16.
  std::wstring wide = Utf8ToWide(text ? text : "");
  wide.push_back(L'\0');
  TOOLINFOW tool = ToolOf(mEditor);
  tool.lpszText = wide.data();
  SendMessageW(mTooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void WinTooltip::Show(const char* text) {
  if (!text || !*text) {
    Hide();
    return;
  }
  Update(text);
  mShown = true;
}

void WinTooltip::Hide() {
  Update(nullptr);
  mShown = false;
}

} // namespace lumen::canvas
