// The Linux editor presents only what a frame changed: the window must then show exactly what a
// whole present shows. Runs the real Kolmari editor inside xvfb-run (see CMakeLists.txt).
#include "ICanvasX11.h"
#include "IControl.h"
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace lumen::canvas::test {
namespace {

class X11PartialPresentTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    host = X11HostWindow::Create(815, 505);
    ASSERT_TRUE(host);
    kolmari::InstallEditor(plugin, [](ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
      return std::unique_ptr<ICanvas>(std::make_unique<ICanvasX11>(&delegate, w, h, fps, scale));
    });
    ASSERT_NE(plugin.OpenEditor(host->Handle()), nullptr);
    ui = dynamic_cast<ICanvasX11*>(plugin.Editor());
    ASSERT_NE(ui, nullptr);
    for (int i = 0; i < 4; ++i) ui->Pump(true); // the whole first frames
  }
  void TearDown() override {
    if (ui != nullptr) plugin.CloseEditor();
    if (display != nullptr) XCloseDisplay(display);
  }

  // The editor window's pixels as the X server has them (what a user sees).
  std::vector<unsigned> Window() {
    XSync(display, False);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, ui->XWindow(), &attributes);
    XImage* image = XGetImage(display, ui->XWindow(), 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    std::vector<unsigned> pixels;
    if (image == nullptr) return pixels;
    for (int y = 0; y < attributes.height; ++y) {
      for (int x = 0; x < attributes.width; ++x) pixels.push_back(static_cast<unsigned>(XGetPixel(image, x, y)) & 0xFFFFFFu);
    }
    XDestroyImage(image);
    width = attributes.width;
    return pixels;
  }
  // Pixels that differ between two pictures of the window.
  static int Differing(const std::vector<unsigned>& a, const std::vector<unsigned>& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i] ? 1 : 0;
    return n;
  }
  IRectF KnobOf(int param) {
    IRectF rect;
    ui->ForEachControl([&](IControl& control) {
      if (control.ParamIdx() == param) rect = rect.Union(control.GetRect());
    });
    return rect;
  }

  Display* display = nullptr;
  std::unique_ptr<X11HostWindow> host;
  kolmari::Kolmari plugin{IInstanceInfo{}};
  ICanvasX11* ui = nullptr;
  int width = 0;
};

TEST_F(X11PartialPresentTest, ADragFrameShowsTheSamePixelsAsAWholePresentAndTouchesNothingElse) {
  if (!ui->PresentsParts()) GTEST_SKIP() << "the X server copies no parts of the back buffer";
  const std::vector<unsigned> before = Window();
  ASSERT_FALSE(before.empty());

  // Paint a mark into a corner far from the knob, behind the editor's back: a present of the
  // knob's parts leaves it, a whole present covers it.
  GC gc = XCreateGC(display, ui->XWindow(), 0, nullptr);
  XSetForeground(display, gc, 0xFF00FF);
  XFillRectangle(display, ui->XWindow(), gc, 700, 5, 10, 10);
  XFreeGC(display, gc);

  // A drag on "Input Gain", as a user turns it, and the frame it causes.
  const IRectF knob = KnobOf(kolmari::kInputGain);
  IMouseState left;
  left.left = true;
  ui->OnMouseDown({IMouseEvent{knob.MW(), knob.MH(), 0.0f, 0.0f, left}});
  ui->OnMouseDrag({IMouseEvent{knob.MW(), knob.MH() - 40.0f, 0.0f, -40.0f, left}});
  const int frames = ui->FramesDrawn();
  ui->Pump(true);
  ASSERT_EQ(ui->FramesDrawn(), frames + 1);
  const std::vector<unsigned> partial = Window();
  ASSERT_EQ(partial.size(), before.size());
  EXPECT_GT(Differing(before, partial), 100) << "the turned knob must show";
  EXPECT_EQ(partial[static_cast<std::size_t>(8 * width + 705)], 0xFF00FFu) << "only the changed parts are presented";

  // The same picture presented whole, as every frame was before: the same pixels but the mark.
  ui->SetPartialPresent(false);
  ui->ForEachControl([](IControl& control) { control.MarkDirty(false); });
  ui->Pump(true);
  const std::vector<unsigned> whole = Window();
  EXPECT_NE(whole[static_cast<std::size_t>(8 * width + 705)], 0xFF00FFu);
  std::vector<unsigned> partialWithoutMark = partial;
  for (int y = 5; y < 15; ++y) {
    for (int x = 700; x < 710; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * width + x);
      partialWithoutMark[i] = whole[i];
    }
  }
  EXPECT_EQ(Differing(partialWithoutMark, whole), 0);

  // Back to parts after a whole swap: the first frame is whole again (the swapped back buffer holds
  // nothing known), and later frames still match a whole present.
  ui->SetPartialPresent(true);
  ui->OnMouseDrag({IMouseEvent{knob.MW(), knob.MH() - 20.0f, 0.0f, 20.0f, left}});
  ui->Pump(true);
  ui->OnMouseDrag({IMouseEvent{knob.MW(), knob.MH() - 30.0f, 0.0f, -10.0f, left}});
  ui->Pump(true);
  ui->OnMouseUp({IMouseEvent{knob.MW(), knob.MH() - 30.0f, 0.0f, 0.0f, left}});
  const std::vector<unsigned> partialAgain = Window();
  ui->SetPartialPresent(false);
  ui->ForEachControl([](IControl& control) { control.MarkDirty(false); });
  ui->Pump(true);
  EXPECT_EQ(Differing(partialAgain, Window()), 0);
}

TEST_F(X11PartialPresentTest, AnIdleEditorDrawsNothing) {
  const int frames = ui->FramesDrawn();
  for (int i = 0; i < 10; ++i) ui->Pump(true);
  EXPECT_EQ(ui->FramesDrawn(), frames);
}

} // namespace
} // namespace lumen::canvas::test
