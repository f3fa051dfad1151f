// The Linux editor surface on its own (no plug-in around it): what losing the keyboard does to a
// text entry in progress and to an open menu. Runs inside xvfb-run (see CMakeLists.txt).
#include "GraphicsTestSupport.h"
#include "ICanvasX11.h"
#include "IPopupMenuControl.h"
#include "ITextEntryControl.h"
#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace lumen::canvas::test {
namespace {

using lumen::test::LoggingControl;
using lumen::test::TestDelegate;

class X11EditorFocusTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    host = X11HostWindow::Create(400, 250);
    ASSERT_TRUE(host);
  }
  void TearDown() override {
    if (display != nullptr) XCloseDisplay(display);
  }
  // Gives another client's focus change time to arrive, then lets the editor read it.
  void Pump(ICanvasX11& ui) {
    for (int i = 0; i < 10; ++i) {
      ui.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  void FocusOn(unsigned long window) {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
  }

  Display* display = nullptr;
  std::unique_ptr<X11HostWindow> host;
};

TEST_F(X11EditorFocusTest, LosingTheKeyboardCommitsATextEntryButAKeyboardGrabDoesNot) {
  TestDelegate delegate;
  ICanvasX11 ui(&delegate, 400, 250, 60, 1.0f);
  ASSERT_NE(ui.OpenEditorWindow(host->Handle()), nullptr) << ui.LastError();
  ui.CreateTextEditor();
  IControl* knob = ui.AddControl(new LoggingControl(IRectF(10, 10, 110, 60), TestDelegate::kInputGain));
  FocusOn(ui.XWindow()); // as after a click into the editor
  Pump(ui);
  // A click on the control begins its gesture and prompts; the prompt holds the gesture open.
  ui.OnMouseDown(lumen::test::Press(50, 30));
  ui.OpenTextEditor(*knob, knob->GetTextStyle(), knob->GetRect(), "50", 0);
  ui.OnMouseUp(lumen::test::Press(50, 30));
  ASSERT_TRUE(ui.TextEditor()->IsEditing());
  ASSERT_EQ(delegate.OpenGestures(), 1);

  // A grab of the keyboard (another client's menu) is passing: the entry stays open.
  ASSERT_EQ(XGrabKeyboard(display, host->Id(), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  XSync(display, False);
  Pump(ui);
  EXPECT_TRUE(ui.TextEditor()->IsEditing());
  XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  Pump(ui);
  EXPECT_TRUE(ui.TextEditor()->IsEditing());

  // Another window takes the keyboard: what was typed counts, and the prompt's gesture closes.
  FocusOn(host->Id());
  Pump(ui);
  EXPECT_FALSE(ui.TextEditor()->IsEditing());
  EXPECT_NE(std::find(delegate.log.begin(), delegate.log.end(), "set 4"), delegate.log.end());
  ASSERT_FALSE(delegate.log.empty());
  EXPECT_EQ(delegate.log.back(), "end 4");
  EXPECT_NEAR(delegate.GetParam(TestDelegate::kInputGain)->Value(), 50.0, 1e-6);
  ui.CloseEditorWindow();
}

TEST_F(X11EditorFocusTest, AMenuOpensAtOnceAndLosingTheKeyboardClosesItWithoutAChoice) {
  TestDelegate delegate;
  ICanvasX11 ui(&delegate, 400, 250, 60, 1.0f);
  ASSERT_NE(ui.OpenEditorWindow(host->Handle()), nullptr) << ui.LastError();
  ASSERT_TRUE(ui.DrawsMenus());
  FocusOn(ui.XWindow());
  Pump(ui);
  IPopupMenu menu;
  menu.AddItem("One");
  menu.AddItem("Two");
  std::vector<int> choices;
  ui.OpenMenu(menu, IRectF(20, 20, 20, 20), [&](IPopupMenu*, int index) { choices.push_back(index); });
  // Returned at once, open, drawn by the editor's own frames.
  ASSERT_TRUE(ui.MenuIsOpen());
  const int frames = ui.FramesDrawn();
  Pump(ui);
  EXPECT_GT(ui.FramesDrawn(), frames);
  EXPECT_TRUE(ui.MenuIsOpen());
  EXPECT_TRUE(choices.empty());

  FocusOn(host->Id());
  Pump(ui);
  EXPECT_FALSE(ui.MenuIsOpen());
  EXPECT_EQ(choices, std::vector<int>{-1});
  ui.CloseEditorWindow();
}

} // namespace
} // namespace lumen::canvas::test
