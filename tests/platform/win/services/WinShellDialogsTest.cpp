#include "WinDialogs.h"
#include "WinShell.h"

#include "TestWindow.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumen::canvas;

TEST(WinShell, RevealArgumentsQuoteThePath) {
  EXPECT_EQ(WinShell::RevealArguments("C:\\a b\\c.wav", true), "/select,\"C:\\a b\\c.wav\\\"");
  EXPECT_EQ(WinShell::RevealArguments("C:\\dir", false), "\"C:\\dir\\\"");
  EXPECT_FALSE(WinShell::RevealPath("", true));
  EXPECT_FALSE(WinShell::RevealPath(nullptr, false));
}

TEST(WinDialogs, FileFiltersFromExtensions) {
  std::wstring defaultExtension;
  const std::wstring filter = WinDialogs::FileFilter("wav aif", defaultExtension);
  EXPECT_EQ(defaultExtension, L"wav");
  EXPECT_EQ(filter, std::wstring(L"*.wav;*.aif\0*.wav;*.aif\0", 25));
  EXPECT_TRUE(WinDialogs::FileFilter("  ", defaultExtension).empty());
  EXPECT_EQ(defaultExtension, L"");

  const std::string many = std::string(20, 'e') + " " + std::string(300, 'f');
  const std::wstring cut = WinDialogs::FileFilter(many.c_str(), defaultExtension);
  EXPECT_EQ(defaultExtension.size(), 15u);
  EXPECT_EQ(cut.find(L'\0'), 255u);
}

TEST(WinDialogs, WithoutAWindowNothingOpens) {
  std::string file = "x.wav";
  std::string directory = "C:\\";
  WinDialogs::PickFile(nullptr, file, directory, 0, "wav");
  EXPECT_EQ(file, "");
  EXPECT_EQ(directory, "C:\\");
  IColorARGB color{255, 1, 2, 3};
  EXPECT_FALSE(WinDialogs::PickColor(nullptr, color, "pick"));
  EXPECT_EQ(color, (IColorARGB{255, 1, 2, 3}));
}

namespace {

// Cancels the dialog this thread shows, once it is there.
void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  const DWORD thread = GetCurrentThreadId();
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770") return TRUE;
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return FALSE;
      },
      0);
  (void)timer;
}

} // namespace

TEST(WinDialogs, ANameLongerThanTheBufferOpensEmptyAndCancelEmptiesIt) {
  TestWindow owner;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelDialog);
  std::string file(400, 'n');
  std::string directory = "C:\\";
  WinDialogs::PickFile(owner.Handle(), file, directory, 1, "wav");
  KillTimer(nullptr, timer);
  EXPECT_EQ(file, "");
  EXPECT_EQ(directory, "C:\\");
}

TEST(WinHostWindow, FindsTheTopLevelWindowOnceAndByClassLater) {
  TestWindow top;
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, top.Handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  WinHostWindow host;
  EXPECT_EQ(host.Find(child), top.Handle());
  EXPECT_EQ(host.ClassName(), "LumenServiceTestWindow");

  WinHostWindow byClass;
  EXPECT_EQ(byClass.Find(nullptr), nullptr); // nothing remembered yet
  byClass.Find(child);
  EXPECT_EQ(byClass.Find(nullptr), top.Handle());
}
