// Kolmari's editor in a Win32 child window, opened in-process on the Windows surface: the picture
// read back from the main framebuffer against the Linux offscreen snapshot, the display tick and its
// fallbacks, and how opening fails and recovers. (OpenGL drawn into a child window is not on wine's
// X screen, so the picture is read from inside.)
#include "NanoVGGL.h"

#include "EditorPicture.h"
#include "ICanvasWin.h"
#include "IControl.h"
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "WinDisplayTicker.h"
#include "WinFonts.h"
#include "WinMouseMessage.h"
#include "WinTestWindow.h"
#include "WinUpdateRegion.h"
#include "WinWindowClass.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kolmari::win::test {
namespace {

using namespace lumen::canvas;
using lumen::test::DifferingPixels;
using lumen::test::Picture;
using lumen::test::PointParam;
using lumen::test::ReadableCanvasWin;
using lumen::test::ReferencePicture;
using lumen::test::WinTestWindow;
using namespace std::chrono_literals;

constexpr int kWidth = 815; // the editor at its first draw scale, 0.5
constexpr int kHeight = 505;

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*) { return nullptr; }

class EditorWinSurface : public ::testing::Test {
protected:
  void SetUp() override {
    plugin = std::make_unique<Kolmari>(lumen::IInstanceInfo{});
    kolmari::InstallEditor(*plugin, [this](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
      auto surface = std::make_unique<ReadableCanvasWin>(&delegate, w, h, fps, scale);
      if (failThreads) surface->SetTickThreadStarterForTesting(&NoThread);
      if (forceThread) surface->SetTickThreadStarterForTesting(nullptr);
      return std::unique_ptr<ICanvas>(std::move(surface));
    });
  }
  void TearDown() override {
    plugin->CloseEditor();
    WinTestWindow::Pump(0ms);
  }

  ReadableCanvasWin* Open() {
    void* window = plugin->OpenEditor(host.Handle());
    auto* ui = dynamic_cast<ReadableCanvasWin*>(plugin->Editor());
    if (window == nullptr || ui == nullptr) {
      ADD_FAILURE() << "the editor does not open: " << (ui ? ui->LastError() : "no surface");
      return nullptr;
    }
    // Until the first frames are drawn: the ticks come from the window's own messages.
    for (int i = 0; i < 200 && ui->FramesDrawn() == 0; ++i) WinTestWindow::Pump(10ms);
    WinTestWindow::Pump(100ms);
    return ui;
  }

  WinTestWindow host{kWidth, kHeight};
  std::unique_ptr<Kolmari> plugin;
  bool failThreads = false;
  bool forceThread = false; // the vertical-blank thread even where the system is too old for it
};

TEST_F(EditorWinSurface, DrawsTheEditorAsTheLinuxSnapshotShowsIt) {
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  RECT client{};
  ASSERT_TRUE(GetClientRect(host.Editor(), &client));
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  EXPECT_GT(ui->FramesDrawn(), 0);

  const Picture drawn = ui->ReadMainFramebuffer();
  ASSERT_EQ(drawn.width, kWidth);
  ASSERT_EQ(drawn.height, kHeight);
  const std::string referencePath = ReferencePicture();
  if (referencePath.empty()) GTEST_SKIP() << "no reference snapshot (KOLMARI_REFERENCE_PNG) given";
  const Picture reference = ui->LoadPng(referencePath);
  ASSERT_EQ(reference.width, kWidth) << referencePath;
  const long differing = DifferingPixels(drawn, reference);
  ASSERT_GE(differing, 0);
  RecordProperty("differing_pixels", static_cast<int>(differing));
  std::printf("pixels differing from the Linux snapshot: %ld of %d\n", differing, kWidth * kHeight);
  // Anti-aliasing may differ along edges; the picture itself may not.
  EXPECT_LT(differing, kWidth * kHeight / 100);

  // A picture that is not the editor is told apart: the check can fail.
  Picture black = reference;
  std::fill(black.rgba.begin(), black.rgba.end(), uint8_t{0});
  EXPECT_GT(DifferingPixels(drawn, black), kWidth * kHeight / 4);
}

TEST_F(EditorWinSurface, ATickThreadThatCannotStartLeavesTheTimerTicking) {
  failThreads = true;
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  EXPECT_FALSE(ui->TicksFromVerticalBlank());
  EXPECT_GT(ui->FramesDrawn(), 0);
  // A value from the host shows: ticks go on.
  const int before = ui->FramesDrawn();
  plugin->DeliverParamValue(4, 1.0, true);
  WinTestWindow::Pump(200ms);
  EXPECT_GT(ui->FramesDrawn(), before);
}

TEST_F(EditorWinSurface, TheVerticalBlankThreadDrawsTheEditorAndEndsWithEachClose) {
  forceThread = true;
  for (int round = 0; round < 3; ++round) {
    ReadableCanvasWin* ui = Open();
    ASSERT_NE(ui, nullptr);
    EXPECT_TRUE(ui->TicksFromVerticalBlank());
    EXPECT_GT(ui->FramesDrawn(), 0);
    const int before = ui->FramesDrawn();
    plugin->DeliverParamValue(4, round == 1 ? 0.2 : 0.8, true);
    WinTestWindow::Pump(200ms);
    EXPECT_GT(ui->FramesDrawn(), before);
    plugin->CloseEditor();
  }
}

TEST_F(EditorWinSurface, AFailedOpenLeavesNothingAndTheNextOpenWorks) {
  const int classes = WinWindowClass::Count();
  // A parent that no longer exists: the window cannot be created.
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(plugin->OpenEditor(gone), nullptr);
  EXPECT_EQ(WinWindowClass::Count(), classes);
  ASSERT_NE(plugin->Editor(), nullptr);
  if (classes == 0) {
    WNDCLASSA info{};
    const auto module = static_cast<HINSTANCE>(plugin->Editor()->ModuleHandle());
    EXPECT_FALSE(GetClassInfoA(module, WinWindowClass::kName, &info)) << "the class went with the failure";
  }
  EXPECT_EQ(plugin->OpenEditor(nullptr), nullptr);

  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(WinWindowClass::Count(), classes + 1);
  plugin->CloseEditor();
  EXPECT_EQ(WinWindowClass::Count(), classes);
}

TEST_F(EditorWinSurface, ReopeningKeepsSizeAndPositionAndOneWindow) {
  ASSERT_NE(Open(), nullptr);
  HWND first = host.Editor();
  SetWindowPos(first, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_NE(plugin->OpenEditor(host.Handle()), nullptr);
  HWND second = host.Editor();
  EXPECT_EQ(FindWindowExA(host.Handle(), second, "LumenWndClass", nullptr), nullptr) << "one editor window";
  RECT parent{};
  RECT r{};
  GetWindowRect(host.Handle(), &parent);
  GetWindowRect(second, &r);
  POINT origin{r.left, r.top};
  ScreenToClient(host.Handle(), &origin);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, 4);
  EXPECT_EQ(r.right - r.left, kWidth);
  EXPECT_EQ(WinWindowClass::Count(), 1);
}

TEST_F(EditorWinSurface, TheHostDestroyingItsWindowFirstClosesTheEditorCleanly) {
  ASSERT_NE(Open(), nullptr);
  auto* ui = dynamic_cast<ReadableCanvasWin*>(plugin->Editor());
  DestroyWindow(host.Handle());
  EXPECT_FALSE(ui->EditorWindowIsOpen());
  EXPECT_EQ(WinWindowClass::Count(), 0);
  plugin->CloseEditor(); // the host's close comes after: nothing left to do

  // The next host window gets an editor again (the class is there for it).
  WinTestWindow again(kWidth, kHeight);
  EXPECT_NE(plugin->OpenEditor(again.Handle()), nullptr);
  EXPECT_NE(again.Editor(), nullptr);
  plugin->CloseEditor();
}

// A control that keeps what is dropped on it.
class DropTarget : public IControl {
public:
  explicit DropTarget(const IRectF& bounds) : IControl(bounds) {}
  void Draw(ICanvas&) override {}
  void OnFileDrop(const char* path) override { dropped.push_back(path); }
  std::vector<std::string> dropped;
};

// What the shell hands a window when files are dropped on it: one ANSI path at a client point.
HDROP MakeDrop(const std::string& path, POINT point) {
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->pt = point;
  files->fNC = FALSE;
  files->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.data(), path.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST_F(EditorWinSurface, FileDropsFindTheControlAtTheScaledPointAndAreAlwaysFinished) {
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  // At draw scale 0.5, window pixel (100, 100) is point (200, 200).
  auto* target = new DropTarget(IRectF(190, 190, 210, 210));
  ui->AddControl(target);
  HWND editor = host.Editor();

  HDROP drop = MakeDrop("C:\\samples\\kick.wav", POINT{100, 100});
  SendMessageA(editor, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  ASSERT_EQ(target->dropped.size(), 1u);
  EXPECT_EQ(target->dropped[0], "C:\\samples\\kick.wav");
  EXPECT_EQ(GlobalSize(drop), 0u) << "the drop is finished (its memory freed)";

  // Longer than any fixed buffer: handed on whole.
  const std::string longPath = "C:\\" + std::string(3000, 'a') + ".wav";
  SendMessageA(editor, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(longPath, POINT{100, 100})), 0);
  ASSERT_EQ(target->dropped.size(), 2u);
  EXPECT_EQ(target->dropped[1], longPath);

  // Outside every control: nothing happens, and the drop is still finished.
  drop = MakeDrop("C:\\x.wav", POINT{-50, -50});
  SendMessageA(editor, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(target->dropped.size(), 2u);
  EXPECT_EQ(GlobalSize(drop), 0u);
}

TEST_F(EditorWinSurface, AValueEntryEndsOnTheWheelOrAClickBesideItAndTheTicksGoOn) {
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  HWND editor = host.Editor();
  ui->OpenPlatformTextEdit(4, ITextStyle{}, IRectF(100, 100, 300, 140), 10, "1.0");
  HWND edit = ui->TextEntryWindow();
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(IsChild(editor, edit));
  WinTestWindow::Pump(100ms); // past its first ticks: no longer just opened
  RECT r{};
  GetWindowRect(editor, &r);
  SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), PointParam(r.left + 10, r.top + 10));
  WinTestWindow::Pump(150ms);
  EXPECT_EQ(ui->TextEntryWindow(), nullptr) << "the wheel cancels";
  EXPECT_FALSE(IsWindow(edit));

  ui->OpenPlatformTextEdit(4, ITextStyle{}, IRectF(100, 100, 300, 140), 10, "1.0");
  ASSERT_NE(ui->TextEntryWindow(), nullptr);
  WinTestWindow::Pump(100ms);
  SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(600, 400));
  SendMessageA(editor, WM_LBUTTONUP, 0, PointParam(600, 400));
  WinTestWindow::Pump(150ms);
  EXPECT_EQ(ui->TextEntryWindow(), nullptr) << "a click beside it ends it";
  EXPECT_NE(GetCapture(), editor) << "the click was the entry's, not a press on a control";
  const int frames = ui->FramesDrawn();
  plugin->DeliverParamValue(4, 0.9, true);
  WinTestWindow::Pump(150ms);
  EXPECT_GT(ui->FramesDrawn(), frames);
}

// ---- Dialogs and fonts ----------------------------------------------------------------------------------

// What a dialog found: when its first window was made, whether the press still held and who had
// the mouse (the system would end the press itself a little later, when the dialog takes the
// mouse); when it was up, its owner and who had the mouse.
struct DialogSeen {
  ICanvas* editor = nullptr;
  bool created = false;
  bool heldAtCreation = false;
  HWND captureAtCreation = nullptr;
  bool seen = false;
  HWND owner = nullptr;
  HWND capture = nullptr;
  int waits = 0;
};
DialogSeen gDialog;

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && !gDialog.created) {
    gDialog.created = true;
    gDialog.heldAtCreation = gDialog.editor != nullptr && gDialog.editor->CapturedControl() != nullptr;
    gDialog.captureAtCreation = GetCapture();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Runs inside the dialog's own message loop: notes what it sees and cancels the dialog.
void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) {
    // Never a dialog: end the modal loop rather than hang the test.
    if (++gDialog.waits > 200) {
      KillTimer(nullptr, timer);
      PostQuitMessage(0);
    }
    return;
  }
  KillTimer(nullptr, timer);
  gDialog.seen = true;
  gDialog.owner = GetWindow(dialog, GW_OWNER);
  gDialog.capture = GetCapture();
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(EditorWinSurface, DialogsEndAPressFirstAndBelongToTheHostsTopLevelWindow) {
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  HWND editor = host.Editor();
  IRectF knob;
  ui->ForEachControl([&](IControl& control) {
    if (knob.Empty() && control.ParamIdx() == kInputGain) knob = control.GetRect();
  });
  const float t = ui->TotalScale();
  const LPARAM at = PointParam(static_cast<int>(knob.MW() * t), static_cast<int>(knob.MH() * t));

  const std::vector<std::pair<const char*, std::function<void()>>> dialogs = {
      {"alert", [&] { EXPECT_EQ(ui->ShowAlert("Text", "Caption", MB_OKCANCEL), IDCANCEL); }},
      {"colour", [&] {
         IColorARGB color{255, 10, 20, 30};
         EXPECT_FALSE(ui->PickColor(color, "Colour"));
       }},
      {"file", [&] {
         std::string name = "x.wav";
         std::string folder;
         ui->PickFile(name, folder, 0, "wav");
         EXPECT_EQ(name, "");
       }},
      {"folder", [&] {
         std::string folder = "C:\\";
         ui->PickDirectory(folder);
         EXPECT_EQ(folder, "");
       }},
  };
  for (const auto& [name, open] : dialogs) {
    SCOPED_TRACE(name);
    // A knob held down, as when the dialog comes from a control's action.
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ASSERT_NE(ui->CapturedControl(), nullptr);
    ASSERT_EQ(GetCapture(), editor);
    gDialog = {};
    gDialog.editor = ui;
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SetTimer(nullptr, 0, 50, CancelDialog);
    open();
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(gDialog.created);
    EXPECT_FALSE(gDialog.heldAtCreation) << "the press was still held when the dialog came";
    EXPECT_NE(gDialog.captureAtCreation, editor);
    EXPECT_TRUE(gDialog.seen);
    EXPECT_EQ(gDialog.owner, host.Handle());
    EXPECT_NE(gDialog.capture, editor) << "the editor still held the mouse";
    EXPECT_EQ(ui->CapturedControl(), nullptr) << "the press did not end";
    EXPECT_FALSE(ui->CursorHidden());
    WinTestWindow::Pump(50ms);
  }
}

TEST_F(EditorWinSurface, TheFontComesFromTheModuleThroughGdiAsInTheDll) {
  ReadableCanvasWin* ui = Open();
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->fontsFromMemory, 0) << "the layout's font went through the generic loader";
  EXPECT_GE(WinFonts::InstalledCount(), 1);
  const std::unique_ptr<PlatformFont> font = ui->LoadFontFromResource("Roboto-Again", "roboto-regular.TTF");
  const auto* gdi = dynamic_cast<const WinFont*>(font.get());
  ASSERT_NE(gdi, nullptr);
  EXPECT_NE(gdi->Handle(), nullptr);
  EXPECT_TRUE(gdi->FontData().IsValid());
  EXPECT_EQ(ui->fontsFromMemory, 0);
  EXPECT_EQ(ui->LoadFontFromResource("Nothing", "no-such-font.ttf"), nullptr);
}

// ---- The display tick ----------------------------------------------------------------------------------

// A thread started suspended, so the test decides when it runs.
HANDLE gSuspended = nullptr;
HANDLE StartSuspended(LPTHREAD_START_ROUTINE routine, void* argument) {
  HANDLE thread = CreateThread(nullptr, 0, routine, argument, CREATE_SUSPENDED, nullptr);
  DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &gSuspended, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return thread;
}

TEST(WinDisplayTicker, NoTickReachesTheWindowAfterStopEvenFromALateThread) {
  WinTestWindow window(50, 50);
  {
    WinDisplayTicker ticker(true, &StartSuspended);
    ticker.Start(window.Handle(), 60);
    ASSERT_TRUE(ticker.UsesVerticalBlank());
    // Not a tick of the current count: stale.
    EXPECT_FALSE(ticker.AcceptTick(7));
    EXPECT_TRUE(ticker.AcceptTick(0));
    // The thread has not ended when the wait gives up.
    ticker.Stop(0);
    EXPECT_FALSE(ticker.ThreadRunning());
  }
  // Now it runs, after its editor stopped (and here even the ticker is gone).
  ResumeThread(gSuspended);
  EXPECT_EQ(WaitForSingleObject(gSuspended, 5000), WAIT_OBJECT_0);
  CloseHandle(gSuspended);
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, window.Handle(), WinDisplayTicker::kTickMessage, WinDisplayTicker::kTickMessage, PM_REMOVE));
}

TEST(WinDisplayTicker, TheVerticalBlankThreadTicksAndEnds) {
  WinTestWindow window(50, 50);
  WinDisplayTicker ticker(true);
  ticker.Start(window.Handle(), 60);
  ASSERT_TRUE(ticker.ThreadRunning());
  MSG message{};
  bool ticked = false;
  const DWORD start = GetTickCount();
  while (!ticked && GetTickCount() - start < 3000) {
    if (PeekMessageA(&message, window.Handle(), WinDisplayTicker::kTickMessage, WinDisplayTicker::kTickMessage, PM_REMOVE))
      ticked = true;
    else
      Sleep(5);
  }
  EXPECT_TRUE(ticked);
  ticker.Stop();
  EXPECT_FALSE(ticker.ThreadRunning());
  WinTestWindow::Pump(50ms);
  while (PeekMessageA(&message, window.Handle(), WinDisplayTicker::kTickMessage, WinDisplayTicker::kTickMessage, PM_REMOVE)) {}
  Sleep(50);
  EXPECT_FALSE(PeekMessageA(&message, window.Handle(), WinDisplayTicker::kTickMessage, WinDisplayTicker::kTickMessage, PM_REMOVE));
}

// ---- Messages ------------------------------------------------------------------------------------------

TEST(WinMouseMessage, WheelNotchesAndTouchMarks) {
  EXPECT_EQ(WheelNotches(MAKEWPARAM(0, 60)), 0);
  EXPECT_EQ(WheelNotches(MAKEWPARAM(0, static_cast<WORD>(-240))), -2);

  EXPECT_TRUE(IsPenOrTouch(static_cast<LPARAM>(0xFF515780)));
  EXPECT_TRUE(IsTouch(static_cast<LPARAM>(0xFF515780)));
  EXPECT_TRUE(IsPenOrTouch(static_cast<LPARAM>(0xFF515700)));
  EXPECT_FALSE(IsTouch(static_cast<LPARAM>(0xFF515700))) << "a pen is a mouse";
  EXPECT_FALSE(IsPenOrTouch(0));
  EXPECT_FALSE(IsTouch(static_cast<LPARAM>(0x12345680)));
}

TEST(WinUpdateRegion, RectanglesOrTheBoundingBoxWhenTheyDoNotFit) {
  HRGN region = CreateRectRgn(0, 0, 10, 10);
  HRGN other = CreateRectRgn(20, 20, 30, 30);
  CombineRgn(region, region, other, RGN_OR);
  std::vector<RECT> rects = UpdateRegionRectangles(region);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].right, 10);
  EXPECT_EQ(rects[1].left, 20);

  // A diagonal staircase of 100 separate squares: more than 1024 bytes of region data.
  for (int i = 2; i < 100; ++i) {
    HRGN square = CreateRectRgn(i * 20, i * 20, i * 20 + 10, i * 20 + 10);
    CombineRgn(region, region, square, RGN_OR);
    DeleteObject(square);
  }
  ASSERT_GT(GetRegionData(region, 0, nullptr), kMaxRegionData);
  rects = UpdateRegionRectangles(region);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].left, 0);
  EXPECT_EQ(rects[0].bottom, 99 * 20 + 10);

  HRGN empty = CreateRectRgn(0, 0, 0, 0);
  EXPECT_TRUE(UpdateRegionRectangles(empty).empty());
  DeleteObject(empty);
  DeleteObject(other);
  DeleteObject(region);
}

} // namespace
} // namespace kolmari::win::test
