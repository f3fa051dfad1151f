#include "WinClipboard.h"

#include "TestWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using lumen::canvas::WinClipboard;

TEST(WinClipboard, NonAsciiTextMakesTheRoundTrip) {
  TestWindow owner;
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x8E\x9A 0.5 dB";
  ASSERT_TRUE(WinClipboard::WriteText(owner.Handle(), text));
  std::string read = "stale";
  EXPECT_TRUE(WinClipboard::ReadText(read));
  EXPECT_EQ(read, text);
}

TEST(WinClipboard, AnEmptyTextEmptiesTheClipboardAndReportsFalse) {
  TestWindow owner;
  ASSERT_TRUE(WinClipboard::WriteText(owner.Handle(), "something"));
  EXPECT_FALSE(WinClipboard::WriteText(owner.Handle(), ""));
  std::string read = "stale";
  EXPECT_FALSE(WinClipboard::ReadText(read));
  EXPECT_EQ(read, "");
}

TEST(WinClipboard, AClipboardHeldElsewhereReportsFalse) {
  TestWindow owner;
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    const BOOL held = OpenClipboard(nullptr);
    SetEvent(opened);
    WaitForSingleObject(release, 5000);
    if (held) CloseClipboard();
  });
  WaitForSingleObject(opened, 5000);
  EXPECT_FALSE(WinClipboard::WriteText(owner.Handle(), "blocked"));
  SetEvent(release);
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);
  EXPECT_TRUE(WinClipboard::WriteText(owner.Handle(), "free again"));
}

TEST(WinClipboard, TextWithoutTerminatorIsReadWithinItsBlock) {
  TestWindow owner;
  ASSERT_TRUE(OpenClipboard(owner.Handle()));
  EmptyClipboard();
  // Four units and no terminator, as a careless program may leave it.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
  ASSERT_NE(block, nullptr);
  std::memcpy(GlobalLock(block), L"abcd", 4 * sizeof(wchar_t));
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  CloseClipboard();

  std::string read;
  EXPECT_TRUE(WinClipboard::ReadText(read));
  // The system may keep the last unit for a terminator of its own; nothing past the block is read.
  EXPECT_GE(read.size(), 3u);
  EXPECT_LE(read.size(), 4u);
  EXPECT_EQ(std::string("abcd").substr(0, read.size()), read);
}

TEST(WinClipboard, OtherFormatsReadAsNoText) {
  TestWindow owner;
  ASSERT_TRUE(OpenClipboard(owner.Handle()));
  EmptyClipboard();
  const UINT format = RegisterClipboardFormatW(L"LumenTestFormat");
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(SetClipboardData(format, block), nullptr);
  CloseClipboard();
  std::string read = "stale";
  EXPECT_FALSE(WinClipboard::ReadText(read));
  EXPECT_EQ(read, "");
}
