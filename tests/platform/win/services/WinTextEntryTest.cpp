#include "WinTextEntry.h"

#include "TestWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using lumen::canvas::IRectF;
using lumen::canvas::WinTextEntry;
using State = WinTextEntry::State;
using TickResult = WinTextEntry::TickResult;

namespace {

class WinTextEntryTest : public ::testing::Test {
protected:
  std::unique_ptr<WinTextEntry> Open(int paramType, const std::string& text) {
    WinTextEntry::Options options;
    options.parent = window.Handle();
    options.module = GetModuleHandleW(nullptr);
    options.paramType = paramType;
    options.bounds = IRectF(10, 20, 110, 40);
    options.scale = 1.5f;
    options.maxLength = 20;
    options.text = text;
    options.onCommit = [this](const std::string& value) { committed.push_back(value); };
    options.onCancel = [this] { ++cancelled; };
    return WinTextEntry::Open(std::move(options));
  }

  static std::string Text(HWND edit) {
    wchar_t buffer[64] = {};
    GetWindowTextW(edit, buffer, 64);
    std::string narrow;
    for (const wchar_t* c = buffer; *c; ++c) narrow += static_cast<char>(*c);
    return narrow;
  }

  static void Type(HWND edit, const char* keys) {
    for (const char* c = keys; *c; ++c) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*c), 0);
  }

  TestWindow window;
  std::vector<std::string> committed;
  int cancelled = 0;
};

} // namespace

TEST_F(WinTextEntryTest, ReturnCommitsTheTypedTextAtTheNextTick) {
  auto entry = Open(4, "1.25");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(WinTextEntry::FromWindow(entry->Handle()), entry.get());
  RECT placed{};
  GetWindowRect(entry->Handle(), &placed);
  EXPECT_EQ(placed.right - placed.left, 151); // 100 points at 1.5, plus one pixel
  EXPECT_EQ(Text(entry->Handle()), "1.25");

  SendMessageW(entry->Handle(), WM_SETFOCUS, 0, 0);
  EXPECT_EQ(entry->GetState(), State::Editing);
  Type(entry->Handle(), "-2.5x"); // replaces the selected text; the letter is refused
  SendMessageW(entry->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(entry->GetState(), State::Commit);
  EXPECT_EQ(entry->Finish(), TickResult::Ended);
  ASSERT_EQ(committed.size(), 1u);
  EXPECT_EQ(committed[0], "-2.5");
  EXPECT_EQ(entry->GetState(), State::None);
  EXPECT_EQ(entry->Finish(), TickResult::Idle);
}

TEST_F(WinTextEntryTest, EscapeCancelsAndEditingOnlyEndsTheTick) {
  auto entry = Open(2, "7");
  ASSERT_NE(entry, nullptr);
  SendMessageW(entry->Handle(), WM_SETFOCUS, 0, 0);
  EXPECT_EQ(entry->Finish(), TickResult::Kept); // editing: nothing to hand back yet
  EXPECT_EQ(entry->GetState(), State::None);
  SendMessageW(entry->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(entry->Finish(), TickResult::Ended);
  EXPECT_EQ(cancelled, 1);
  EXPECT_TRUE(committed.empty());
}

TEST_F(WinTextEntryTest, LosingFocusOrTabCommits) {
  auto entry = Open(0, "abc");
  ASSERT_NE(entry, nullptr);
  SendMessageW(entry->Handle(), WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(entry->GetState(), State::Commit);
  EXPECT_EQ(entry->Finish(), TickResult::Ended);

  auto tabbed = Open(0, "");
  Type(tabbed->Handle(), "d\te\r");
  SendMessageW(tabbed->Handle(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(tabbed->Finish(), TickResult::Ended);
  EXPECT_EQ(committed, (std::vector<std::string>{"abc", "de"}));
}

TEST_F(WinTextEntryTest, CharactersAreFilteredByTheParameterType) {
  auto integer = Open(2, "");
  ASSERT_NE(integer, nullptr);
  Type(integer->Handle(), "+1a.2-");
  EXPECT_EQ(Text(integer->Handle()), "+12-");
  SendMessageW(integer->Handle(), WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Text(integer->Handle()), "+12");
  integer.reset();

  auto any = Open(0, "");
  ASSERT_NE(any, nullptr);
  Type(any->Handle(), "x.y");
  EXPECT_EQ(Text(any->Handle()), "x.y");
}

TEST_F(WinTextEntryTest, AnInitialTextTooLongOpensEmptyAndClosingRemovesTheControl) {
  auto entry = Open(0, std::string(32, '9'));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(Text(entry->Handle()), "");
  const HWND edit = entry->Handle();
  entry.reset();
  EXPECT_FALSE(IsWindow(edit));

  auto fits = Open(0, std::string(31, '9'));
  ASSERT_NE(fits, nullptr);
  EXPECT_EQ(Text(fits->Handle()).size(), 31u);
}
