// Kolmari.dll's editor opened by the test host the way Windows hosts do it: a top-level window of
// the host, effEditOpen, the host's message loop, and mouse messages sent to the editor's window.
#include "VstPluginInstance.h"
#include "WinTestWindow.h"

#include "VstEffectOpcodes.h"
#include "VstHostOpcodes.h"

#include <gtest/gtest.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kolmari::win::test {
namespace {

using namespace lumen::vst2;
using lumen::test::PointParam;
using lumen::test::WinTestWindow;
using testhost::VstPluginInstance;
using namespace std::chrono_literals;

constexpr int kWidth = 815; // at the editor's first draw scale, 0.5
constexpr int kHeight = 505;
constexpr int kInputGain = 4;
constexpr int kOutputGain = 7;
constexpr int kOutputGainX = 508, kOutputGainY = 368;
// Window pixels of the controls' centres at draw scale 0.5 (from the editor's layout).
constexpr int kInputGainX = 130, kInputGainY = 169;
constexpr int kGripX = 810, kGripY = 500;

const std::vector<int32_t> kOneGesture{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};

// The cursor's show count of this thread (shown at 0 and above), left as it was.
int CursorShowCount() {
  const int count = ShowCursor(TRUE);
  ShowCursor(FALSE);
  return count - 1;
}

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Windows of this thread: top-level ones and all their descendants.
int WindowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        EnumChildWindows(
            window, [](HWND, LPARAM inner) -> BOOL { return ++*reinterpret_cast<int*>(inner), TRUE; }, counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

struct Resources {
  DWORD gdi = 0;
  DWORD user = 0;
  DWORD handles = 0;
  int threads = 0;
  int windows = 0;
  size_t privateBytes = 0;
};

Resources CountResources() {
  Resources r;
  r.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  r.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  GetProcessHandleCount(GetCurrentProcess(), &r.handles);
  r.threads = ThreadsOfThisProcess();
  r.windows = WindowsOfThisThread();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
    r.privateBytes = std::max<size_t>(memory.PrivateUsage, memory.PagefileUsage); // wine fills only the latter
  return r;
}

class EditorWinDll : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    plugin = VstPluginInstance::Load(KOLMARI_BINARY, error);
    ASSERT_TRUE(plugin) << error;
    plugin->StartUp(44100.0, 512);
    ASSERT_NE(host.Handle(), nullptr);
  }
  void TearDown() override {
    if (plugin) plugin->Dispatch(effEditClose);
    WinTestWindow::Pump(0ms);
  }

  HWND OpenEditor() {
    EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host.Handle()), 1);
    WinTestWindow::Pump(150ms);
    HWND editor = host.Editor();
    EXPECT_NE(editor, nullptr);
    return editor;
  }

  // A press at (x, y), drags by (dx, dy) per step, and the release with upMessage.
  void Drag(HWND editor, UINT down, UINT up, WPARAM buttons, int x, int y, int dx, int dy, int steps) {
    SendMessageA(editor, down, buttons, PointParam(x, y));
    WinTestWindow::Pump(20ms);
    for (int step = 1; step <= steps; ++step) {
      SendMessageA(editor, WM_MOUSEMOVE, buttons, PointParam(x + dx * step, y + dy * step));
      WinTestWindow::Pump(20ms);
    }
    if (up != 0) SendMessageA(editor, up, 0, PointParam(x + dx * steps, y + dy * steps));
    WinTestWindow::Pump(50ms);
  }

  WinTestWindow host{kWidth, kHeight};
  std::unique_ptr<VstPluginInstance> plugin;
};

TEST_F(EditorWinDll, OpensAtTheAnnouncedSizeAndClosesOnEditClose) {
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right - rect->left, kWidth);
  EXPECT_EQ(rect->bottom - rect->top, kHeight);
  HWND editor = OpenEditor();
  RECT client{};
  ASSERT_TRUE(GetClientRect(editor, &client));
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(host.Editor(), nullptr);
}

TEST_F(EditorWinDll, AnEditOpenWithoutAWindowAnswersZero) {
  EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, nullptr), 0);
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, gone), 0);
  // The failures left the class and the count as they were: the next open works.
  OpenEditor();
}

TEST_F(EditorWinDll, DraggingAKnobIsOneGestureTheHostRecords) {
  HWND editor = OpenEditor();
  const float before = plugin->GetParameter(kInputGain);
  plugin->Host().Recorder().Clear();
  Drag(editor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kInputGainX, kInputGainY, 0, -15, 4);
  EXPECT_GT(plugin->GetParameter(kInputGain), before);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), kOneGesture);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_GE(CursorShowCount(), 0);
}

TEST_F(EditorWinDll, ADoubleClickResetsTheKnobAndItsReleaseEndsThePress) {
  HWND editor = OpenEditor();
  const float initial = plugin->GetParameter(kInputGain);
  Drag(editor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kInputGainX, kInputGainY, 0, -15, 4);
  ASSERT_NE(plugin->GetParameter(kInputGain), initial);
  SendMessageA(editor, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(kInputGainX, kInputGainY));
  WinTestWindow::Pump(20ms);
  EXPECT_EQ(GetCapture(), editor);
  SendMessageA(editor, WM_LBUTTONUP, 0, PointParam(kInputGainX, kInputGainY));
  WinTestWindow::Pump(50ms);
  EXPECT_EQ(plugin->GetParameter(kInputGain), initial);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EditorWinDll, MiddleButtonAndLostCaptureEndTheGesture) {
  HWND editor = OpenEditor();
  plugin->Host().Recorder().Clear();
  Drag(editor, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, kInputGainX, kInputGainY, 0, -10, 3);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), kOneGesture) << "the middle button's release";
  EXPECT_EQ(GetCapture(), nullptr);

  // Another window takes the mouse mid-drag (a dialog, the task switcher).
  plugin->Host().Recorder().Clear();
  Drag(editor, WM_LBUTTONDOWN, 0, MK_LBUTTON, kInputGainX, kInputGainY, 0, 10, 3);
  EXPECT_EQ(GetCapture(), editor);
  SetCapture(host.Handle());
  ReleaseCapture();
  WinTestWindow::Pump(50ms);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), kOneGesture) << "the lost capture";
  EXPECT_GE(CursorShowCount(), 0) << "the cursor is shown again";
  // The host's next movement with the button down is no drag of the knob.
  const float value = plugin->GetParameter(kInputGain);
  SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, PointParam(kInputGainX, kInputGainY - 60));
  WinTestWindow::Pump(30ms);
  EXPECT_EQ(plugin->GetParameter(kInputGain), value);
}

// Counts the keys the host's window receives.
int gHostKeys = 0;
WNDPROC gHostProcedure = nullptr;
LRESULT CALLBACK CountingHostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == 'Q') ++gHostKeys;
  return CallWindowProcA(gHostProcedure, window, message, wParam, lParam);
}

TEST_F(EditorWinDll, WheelTurnsByWholeNotchesAndUnusedKeysReachTheHost) {
  HWND editor = OpenEditor();
  RECT r{};
  GetWindowRect(editor, &r);
  const LPARAM at = PointParam(r.left + kOutputGainX, r.top + kOutputGainY); // the wheel's are screen points
  const float before = plugin->GetParameter(kOutputGain);
  SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), at);
  WinTestWindow::Pump(30ms);
  EXPECT_EQ(plugin->GetParameter(kOutputGain), before) << "half a notch is no notch";
  SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), at);
  WinTestWindow::Pump(30ms);
  EXPECT_GT(plugin->GetParameter(kOutputGain), before);

  gHostKeys = 0;
  gHostProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingHostProcedure)));
  SendMessageA(editor, WM_KEYDOWN, 'Q', 0x00100001); // scan code 0x10
  SetWindowLongPtrA(host.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gHostProcedure));
  EXPECT_EQ(gHostKeys, 1);
}

// Keys for the editor's menu, posted once its modal loop runs (a timer of this thread fires inside it).
HWND gMenuKeysTo = nullptr;
void CALLBACK PressMenuKeys(HWND window, UINT, UINT_PTR timer, DWORD) {
  KillTimer(window, timer);
  PostMessageA(gMenuKeysTo, WM_KEYDOWN, VK_DOWN, 0x01500001);
  PostMessageA(gMenuKeysTo, WM_KEYUP, VK_DOWN, 0xC1500001);
  PostMessageA(gMenuKeysTo, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageA(gMenuKeysTo, WM_KEYUP, VK_RETURN, 0xC01C0001);
}

void Key(HWND editor, UINT key, int scanCode) {
  SendMessageA(editor, WM_KEYDOWN, key, 0x00000001 | (static_cast<LPARAM>(scanCode) << 16));
  SendMessageA(editor, WM_KEYUP, key, 0xC0000001 | (static_cast<LPARAM>(scanCode) << 16));
  WinTestWindow::Pump(20ms);
}

// As on Linux: the right-click menu's first item opens the entry, 80 and Return set 80 % as one
// gesture; Control+click resets a knob.
TEST_F(EditorWinDll, AValueTypedThroughTheMenuAndAControlClickResetAsOnLinux) {
  HWND editor = OpenEditor();
  plugin->Host().Recorder().Clear();
  gMenuKeysTo = editor;
  SetTimer(editor, 77, 100, PressMenuKeys);
  SendMessageA(editor, WM_RBUTTONDOWN, MK_RBUTTON, PointParam(kOutputGainX, kOutputGainY));
  SendMessageA(editor, WM_RBUTTONUP, 0, PointParam(kOutputGainX, kOutputGainY));
  WinTestWindow::Pump(100ms);
  Key(editor, '8', 0x09);
  Key(editor, '0', 0x0B);
  Key(editor, VK_RETURN, 0x1C);
  EXPECT_NEAR(plugin->GetParameter(kOutputGain), 80.0f / 120.0f, 1e-6f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kOutputGain), kOneGesture);
  EXPECT_EQ(plugin->ParameterDisplay(kOutputGain), "80.00");

  plugin->Host().Recorder().Clear();
  SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, PointParam(kOutputGainX, kOutputGainY));
  WinTestWindow::Pump(20ms);
  SendMessageA(editor, WM_LBUTTONUP, MK_CONTROL, PointParam(kOutputGainX, kOutputGainY));
  WinTestWindow::Pump(50ms);
  EXPECT_NEAR(plugin->GetParameter(kOutputGain), 100.0f / 120.0f, 1e-6f);
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kOutputGain), kOneGesture);
}

TEST_F(EditorWinDll, TheGripRescalesAndTellsTheHost) {
  HWND editor = OpenEditor();
  Drag(editor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kGripX, kGripY, 20, 20, 5);
  const auto size = plugin->Host().RequestedWindowSize();
  ASSERT_TRUE(size);
  EXPECT_GT(size->first, kWidth);
  EXPECT_GT(size->second, kHeight);
  RECT client{};
  ASSERT_TRUE(GetClientRect(editor, &client));
  EXPECT_EQ(client.right, size->first);
  EXPECT_EQ(client.bottom, size->second);
  // The host said it resizes its window itself: the editor leaves it alone.
  RECT hostClient{};
  GetClientRect(host.Handle(), &hostClient);
  EXPECT_EQ(hostClient.right, kWidth);
}

TEST_F(EditorWinDll, AHostThatDoesNotResizeHasItsWindowGrownWithTheEditor) {
  plugin->Host().SetAcceptSizeWindow(false);
  HWND editor = OpenEditor();
  Drag(editor, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kGripX, kGripY, 20, 20, 5);
  RECT client{};
  ASSERT_TRUE(GetClientRect(editor, &client));
  EXPECT_GT(client.right, kWidth);
  RECT hostClient{};
  GetClientRect(host.Handle(), &hostClient);
  EXPECT_EQ(hostClient.right, client.right);
  EXPECT_EQ(hostClient.bottom, client.bottom);
}

TEST_F(EditorWinDll, OpeningAndClosingFiftyTimesLeaksNothing) {
  // The first opens load what stays loaded (OpenGL, the driver) and grow the heaps: counted after.
  OpenEditor();
  plugin->Dispatch(effEditClose);
  for (int i = 0; i < 10; ++i) {
    plugin->Dispatch(effEditOpen, 0, 0, host.Handle());
    WinTestWindow::Pump(5ms);
    plugin->Dispatch(effEditClose);
  }
  WinTestWindow::Pump(50ms);
  const Resources before = CountResources();
  int threadsWhileOpen = 0;
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host.Handle()), 1) << i;
    WinTestWindow::Pump(i % 10 == 0 ? 60ms : 5ms);
    if (i == 0) threadsWhileOpen = ThreadsOfThisProcess();
    ASSERT_EQ(plugin->Dispatch(effEditClose), 1) << i;
  }
  WinTestWindow::Pump(50ms);
  const Resources after = CountResources();
  std::printf("after 50 opens: GDI %lu -> %lu, USER %lu -> %lu, handles %lu -> %lu, threads %d -> %d (%d open), "
              "windows %d -> %d, private MB %.1f -> %.1f\n",
              before.gdi, after.gdi, before.user, after.user, before.handles, after.handles, before.threads,
              after.threads, threadsWhileOpen, before.windows, after.windows, before.privateBytes / 1e6,
              after.privateBytes / 1e6);
  EXPECT_EQ(after.gdi, before.gdi);
  EXPECT_EQ(after.user, before.user);
  EXPECT_LE(after.handles, before.handles + 2);
  EXPECT_EQ(after.threads, before.threads);
  EXPECT_EQ(after.windows, before.windows);
  // One editor holds several megabytes of pictures, framebuffers and textures; fifty left behind
  // would be hundreds. Below 1 MB an open stays within allocator slack and what the system keeps of
  // each private font installation (wine keeps about 0.3 MB of every one).
  EXPECT_LT(after.privateBytes, before.privateBytes + 50u * 1024 * 1024);
}

} // namespace
} // namespace kolmari::win::test
