#include "WinShell.h"

#include "WinText.h"

#include <shellapi.h>
#include <wininet.h>

namespace lumen::canvas {

namespace {

// The longest address or argument list handed to the shell, in UTF-16 units.
constexpr std::size_t kMaxShellUnits = 4096;

std::wstring Bounded(const std::string& text) {
  std::wstring wide = Utf8ToWide(text);
  if (wide.size() >= kMaxShellUnits) wide.clear();
  return wide;
}

bool ShellAccepted(HINSTANCE result) {
  return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

bool WinShell::OpenWebAddress(HWND owner, const char* url, const char* windowTitle, const char* confirmText,
                              const char* errorText) {
  const char* title = windowTitle ? windowTitle : "";
  if (confirmText && MessageBoxA(owner, confirmText, title, MB_YESNO) != IDYES) return false;
  DWORD state = 0;
  if (url && InternetGetConnectedState(&state, 0)) {
    const std::wstring address = Bounded(url);
    if (!address.empty() &&
        ShellAccepted(ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL))) {
      return true;
    }
  }
  if (errorText) MessageBoxA(owner, errorText, title, MB_OK);
  return false;
}

std::string WinShell::RevealArguments(const std::string& path, bool select) {
  std::string arguments;
  if (select) arguments = "/select,";
  arguments += '"';
  arguments += path;
  arguments += '\\';
  arguments += '"';
  return arguments;
}

bool WinShell::RevealPath(const char* path, bool select) {
  if (!path || !*path) return false;
  wchar_t system[kMaxShellUnits] = {};
  const UINT length = GetSystemDirectoryW(system, static_cast<UINT>(kMaxShellUnits));
  std::wstring directory;
  if (length > 0 && length < kMaxShellUnits) {
    directory.assign(system, length);
    directory += L'\\';
  }
  const std::wstring arguments = Bounded(RevealArguments(path, select));
  if (arguments.empty()) return false;
  return ShellAccepted(ShellExecuteW(nullptr, L"open", L"explorer.exe", arguments.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
}

} // namespace lumen::canvas
