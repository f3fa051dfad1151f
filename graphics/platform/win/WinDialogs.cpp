#include "WinDialogs.h"

#include "WinText.h"

#include <commdlg.h>
#include <ole2.h>
#include <shlobj.h>

#include <sstream>

namespace lumen::canvas {

namespace {

// The file dialogs' buffers, in UTF-16 units including the terminator.
constexpr std::size_t kPathUnits = 260;
constexpr std::size_t kFileUnits = 259;
constexpr std::size_t kMaxPattern = 255;
constexpr std::size_t kMaxDefaultExtension = 15;

// Shared by every editor of the process; dialogs are modal on the user-interface thread.
COLORREF gCustomColors[16];

UINT_PTR CALLBACK ColorHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG && lParam) {
    const auto* chooser = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    const auto* prompt = reinterpret_cast<const char*>(chooser->lCustData);
    if (prompt && *prompt) {
      SetWindowTextA(dialog, prompt);
      static const UINT setColor = RegisterWindowMessageA("commdlg_SetRGBColor");
      SendMessageA(dialog, setColor, 0, static_cast<LPARAM>(chooser->rgbResult));
    }
  }
  return 0;
}

} // namespace

std::wstring WinDialogs::FileFilter(const char* extensions, std::wstring& defaultExtension) {
  defaultExtension.clear();
  std::wstring pattern;
  std::istringstream words(extensions ? extensions : "");
  std::string extension;
  while (words >> extension) {
    const std::wstring wide = Utf8ToWide(extension);
    if (defaultExtension.empty()) defaultExtension = wide.substr(0, kMaxDefaultExtension);
    if (!pattern.empty()) pattern += L';';
    pattern += L"*.";
    pattern += wide;
  }
  if (pattern.size() > kMaxPattern) pattern.resize(kMaxPattern);
  if (pattern.empty()) return {};
  std::wstring filter;
  filter += pattern;
  filter += L'\0';
  filter += pattern;
  filter += L'\0';
  filter += L'\0';
  return filter;
}

void WinDialogs::PickFile(HWND owner, std::string& fileName, std::string& directory, int action,
                          const char* extensions) {
  if (!owner) {
    fileName.clear();
    return;
  }
  // The file buffer holds the starting name, and the dialog writes the chosen path into it with
  // its terminator: a name that does not fit is not used.
  wchar_t file[kFileUnits] = {};
  const std::wstring initialName = Utf8ToWide(fileName);
  if (initialName.size() < kFileUnits) initialName.copy(file, initialName.size());
  std::wstring initialDirectory = Utf8ToWide(directory);
  if (initialDirectory.size() >= kPathUnits) initialDirectory.clear();

  std::wstring defaultExtension;
  const std::wstring filter = FileFilter(extensions, defaultExtension);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFile = file;
  dialog.nMaxFile = static_cast<DWORD>(kFileUnits);
  dialog.lpstrInitialDir = initialDirectory.empty() ? nullptr : initialDirectory.c_str();
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
  BOOL accepted;
  if (action == 1) {
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    accepted = GetSaveFileNameW(&dialog);
  } else {
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    accepted = GetOpenFileNameW(&dialog);
  }
  if (!accepted) {
    fileName.clear();
    return;
  }
  file[kFileUnits - 1] = L'\0';
  const std::wstring chosen(file);
  fileName = WideToUtf8(chosen);
  // The drive and folder: everything up to the file name's offset.
  if (dialog.nFileOffset > 0 && dialog.nFileOffset <= chosen.size()) {
    directory = WideToUtf8(std::wstring_view(chosen).substr(0, dialog.nFileOffset));
  }
}

void WinDialogs::PickDirectory(HWND owner, std::string& directory) {
  const HRESULT ole = OleInitialize(nullptr);
  BROWSEINFOA browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = "Choose a Directory";
  browse.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  directory.clear();
  if (LPITEMIDLIST chosen = SHBrowseForFolderA(&browse)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path)) {
      path[MAX_PATH - 1] = '\0';
      directory = path;
      directory += '\\';
    }
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
}

bool WinDialogs::PickColor(HWND owner, IColorARGB& color, const char* prompt) {
  if (!owner) return false;
  CHOOSECOLORA chooser{};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = owner;
  chooser.rgbResult = RGB(color.R & 0xFF, color.G & 0xFF, color.B & 0xFF);
  chooser.lpCustColors = gCustomColors;
  chooser.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR;
  chooser.lCustData = reinterpret_cast<LPARAM>(prompt);
  chooser.lpfnHook = ColorHook;
  if (!ChooseColorA(&chooser)) return false;
  color.R = GetRValue(chooser.rgbResult);
  color.G = GetGValue(chooser.rgbResult);
  color.B = GetBValue(chooser.rgbResult);
  return true;
}

int WinDialogs::ShowAlert(HWND owner, const char* text, const char* caption, int type) {
  return MessageBoxA(owner, text ? text : "", caption ? caption : "", static_cast<UINT>(type));
}

// ---- WinHostWindow -----------------------------------------------------------------------------------------------

namespace {

struct ClassSearch {
  const std::string* className;
  HWND found = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ClassSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  char name[128] = {};
  GetClassNameA(window, name, sizeof(name));
  if (*search->className != name) return TRUE;
  search->found = window;
  return FALSE;
}

} // namespace

HWND WinHostWindow::Find(HWND parent) {
  if (mWindow && IsWindow(mWindow)) return mWindow;
  mWindow = nullptr;
  if (parent) {
    HWND top = parent;
    while (HWND up = GetParent(top)) top = up;
    char name[128] = {};
    GetClassNameA(top, name, sizeof(name));
    mClassName = name;
    mWindow = top;
  } else if (!mClassName.empty()) {
    ClassSearch search{&mClassName};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    mWindow = search.found;
  }
  return mWindow;
}

} // namespace lumen::canvas
