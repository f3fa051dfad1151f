#include "WinTextEntry.h"

#include "WinText.h"

namespace lumen::canvas {

namespace {

// The longest initial text an entry starts with, in UTF-16 units with the terminator; a longer one
// (no value display is that long) opens the entry empty.
constexpr std::size_t kMaxInitialUnits = 32;
// The most UTF-16 units a committed entry hands back.
constexpr int kMaxCommittedUnits = 256;

COLORREF ToColorRef(const IColorARGB& c) {
  return RGB(c.R & 0xFF, c.G & 0xFF, c.B & 0xFF);
}

} // namespace

WinTextEntry::WinTextEntry(Options options) : mOptions(std::move(options)) {}

std::unique_ptr<WinTextEntry> WinTextEntry::Open(Options options) {
  if (!options.parent) return nullptr;
  std::unique_ptr<WinTextEntry> entry(new WinTextEntry(std::move(options)));
  const Options& o = entry->mOptions;
  const float t = o.scale;
  const IRectF& r = o.bounds;

  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | ES_MULTILINE | ES_AUTOHSCROLL;
  style |= o.style.align == ITextStyle::Near ? ES_LEFT : o.style.align == ITextStyle::Far ? ES_RIGHT : ES_CENTER;

  std::wstring text = Utf8ToWide(o.text);
  if (text.size() + 1 > kMaxInitialUnits) text.clear();

  const int x = static_cast<int>(r.L * t);
  const int y = static_cast<int>(r.T * t);
  const int w = static_cast<int>((r.R - r.L) * t) + 1;
  const int h = static_cast<int>((r.B - r.T) * t) + 1;
  entry->mPixels = RECT{x, y, x + w, y + h};
  entry->mEdit = CreateWindowExW(0, L"EDIT", text.c_str(), style, x, y, w, h, o.parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), o.module, nullptr);
  if (!entry->mEdit) return nullptr;

  LOGFONTA description{};
  if (o.font) {
    description = *o.font;
  } else {
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  }
  description.lfHeight = static_cast<LONG>(t * o.style.size);
  entry->mFont = CreateFontIndirectA(&description);

  if (o.maxLength > 0) SendMessageW(entry->mEdit, EM_LIMITTEXT, static_cast<WPARAM>(o.maxLength), 0);
  if (entry->mFont) SendMessageW(entry->mEdit, WM_SETFONT, reinterpret_cast<WPARAM>(entry->mFont), 0);
  SendMessageW(entry->mEdit, EM_SETSEL, 0, -1);
  if (o.style.valign == ITextStyle::Middle) {
    // Centres the line vertically in the control.
    const float height = (r.B - r.T) * t;
    RECT text_area{0, static_cast<int>((height - t * o.style.size) * 0.5f), static_cast<int>((r.R - r.L) * t) + 1,
                   static_cast<int>(height) + 1};
    SendMessageW(entry->mEdit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text_area));
  }
  // Subclassed before the focus moves, so the focus message already reaches this procedure.
  SetWindowLongPtrW(entry->mEdit, GWLP_USERDATA, kMarker);
  entry->mOldProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(entry->mEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinTextEntry::Procedure)));
  SetPropW(entry->mEdit, L"LumenTextEntry", entry.get());
  SetFocus(entry->mEdit);
  return entry;
}

WinTextEntry::~WinTextEntry() {
  // The control is gone already when its parent window was destroyed first.
  if (mEdit && IsWindow(mEdit)) {
    if (mOldProcedure) SetWindowLongPtrW(mEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mOldProcedure));
    RemovePropW(mEdit, L"LumenTextEntry");
    SetWindowLongPtrW(mEdit, GWLP_USERDATA, 0);
    DestroyWindow(mEdit);
  }
  if (mFont) DeleteObject(mFont);
}

WinTextEntry* WinTextEntry::FromWindow(HWND edit) {
  if (!edit || GetWindowLongPtrW(edit, GWLP_USERDATA) != kMarker) return nullptr;
  return static_cast<WinTextEntry*>(GetPropW(edit, L"LumenTextEntry"));
}

bool WinTextEntry::Accepts(wchar_t c) const {
  if (c == L'\b') return true;
  switch (mOptions.paramType) {
  case 1: // bool
  case 2: // int
  case 3: // enum
    return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-';
  case 4: // double
    return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
  default: return true;
  }
}

LRESULT CALLBACK WinTextEntry::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WinTextEntry* entry = FromWindow(window);
  if (!entry || !entry->mOldProcedure) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC old = entry->mOldProcedure;
  switch (message) {
  case WM_SETFOCUS: entry->mState = State::Editing; break;
  case WM_KILLFOCUS: entry->mState = State::Commit; break;
  case WM_GETDLGCODE: {
    LRESULT code = CallWindowProcW(old, window, message, wParam, lParam);
    const auto* query = reinterpret_cast<const MSG*>(lParam);
    if (query && query->message == WM_KEYDOWN && query->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
    return code;
  }
  case WM_KEYDOWN:
    // Tab leaves the entry as moving the focus away would.
    if (wParam == VK_RETURN || wParam == VK_TAB) {
      entry->mState = State::Commit;
      return 0;
    }
    if (wParam == VK_ESCAPE) {
      entry->mState = State::Cancel;
      return 0;
    }
    break;
  case WM_CHAR:
    // Return, Tab and Escape arrive here too after their key-down; the multi-line control would
    // insert a line break or a tab into the value.
    if (wParam == L'\r' || wParam == L'\n' || wParam == L'\t' || wParam == 27) return 0;
    if (!entry->Accepts(static_cast<wchar_t>(wParam))) return 0;
    break;
  case WM_COMMAND:
    if (HIWORD(wParam) == 1) {
      entry->mState = State::Commit;
      return 0;
    }
    break;
  default: break;
  }
  return CallWindowProcW(old, window, message, wParam, lParam);
}

WinTextEntry::TickResult WinTextEntry::Finish() {
  const State state = mState;
  if (state == State::None) return TickResult::Idle;
  mState = State::None;
  if (state == State::Cancel) {
    if (mOptions.onCancel) mOptions.onCancel();
    return TickResult::Ended;
  }
  if (state == State::Commit) {
    wchar_t buffer[kMaxCommittedUnits + 1] = {};
    const LRESULT units =
        SendMessageW(mEdit, WM_GETTEXT, static_cast<WPARAM>(kMaxCommittedUnits + 1), reinterpret_cast<LPARAM>(buffer));
    const std::size_t length = units > 0 ? static_cast<std::size_t>(units) : 0;
    const std::string text = WideToUtf8(std::wstring_view(buffer, length > kMaxCommittedUnits ? kMaxCommittedUnits : length));
    if (mOptions.onCommit) mOptions.onCommit(text);
    return TickResult::Ended;
  }
  return TickResult::Kept;
}

HBRUSH WinTextEntry::PrepareColors(HDC dc) const {
  SetBkColor(dc, ToColorRef(mOptions.style.entryBackground));
  SetTextColor(dc, ToColorRef(mOptions.style.entryForeground));
  SetDCBrushColor(dc, ToColorRef(mOptions.style.entryBackground));
  SetBkMode(dc, OPAQUE);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

} // namespace lumen::canvas
