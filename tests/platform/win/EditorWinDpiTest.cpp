// The editor on a desktop at 150 % (144 DPI; the test runs with wine set to it): the size the host
// is told before the first open, the window it opens, the picture drawn at draw scale 0.5 x screen
// scale 1.5 against the Linux snapshot at 0.75, and the mouse mapped through both scales.
#include "EditorPicture.h"
#include "Kolmari.h"
#include "KolmariEditor.h"
#include "VstPluginInstance.h"
#include "WinTestWindow.h"

#include "VstEffectOpcodes.h"
#include "VstHostOpcodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kolmari::win::test {
namespace {

using namespace lumen::vst2;
using lumen::canvas::ICanvas;
using lumen::test::DifferingPixels;
using lumen::test::Picture;
using lumen::test::PointParam;
using lumen::test::ReadableCanvasWin;
using lumen::test::ReferencePicture;
using lumen::test::WinTestWindow;
using testhost::VstPluginInstance;
using namespace std::chrono_literals;

constexpr float kScreenScale = 1.5f;
// Whole pixels at draw scale 0.5 (815 x 505), then the screen scale, truncated as the surface does.
constexpr int kWidth = static_cast<int>(815 * kScreenScale);  // 1222
constexpr int kHeight = static_cast<int>(505 * kScreenScale); // 757
constexpr int kInputGain = 4;
// Input Gain's centre, point (260, 338), in window pixels at 0.5 x 1.5.
constexpr int kInputGainX = 195, kInputGainY = 253;

// The top-left width x height of a picture. The snapshot's size rounds (1223 x 758 at 0.75, its last
// column and row repeated) where the window's truncates: the pixels they share are compared.
Picture TopLeft(const Picture& picture, int width, int height) {
  if (picture.width < width || picture.height < height) return picture;
  Picture part{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    std::copy_n(&picture.rgba[static_cast<size_t>(y) * picture.width * 4], static_cast<size_t>(width) * 4,
                &part.rgba[static_cast<size_t>(y) * width * 4]);
  }
  return part;
}

// Without 144 DPI the cases would pass for the wrong reason or fail for one that is not theirs.
bool DesktopAt144Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi == 144;
}

TEST(EditorWinDpi, TheHostIsToldTheScaledSizeAndAKnobDragAtItsScaledPlaceIsOneGesture) {
  ASSERT_TRUE(DesktopAt144Dpi()) << "run with wine's LogPixels at 144";
  std::string error;
  auto plugin = VstPluginInstance::Load(KOLMARI_BINARY, error);
  ASSERT_TRUE(plugin) << error;
  plugin->StartUp(44100.0, 512);

  // Before the first open: the size the window will open at, so the host makes room for it once.
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right - rect->left, kWidth);
  EXPECT_EQ(rect->bottom - rect->top, kHeight);

  WinTestWindow host{kWidth, kHeight};
  plugin->Host().Recorder().Clear();
  ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, host.Handle()), 1);
  WinTestWindow::Pump(150ms);
  HWND editor = host.Editor();
  ASSERT_NE(editor, nullptr);
  RECT client{};
  ASSERT_TRUE(GetClientRect(editor, &client));
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  // The host's window already had that size: no resize request on the way.
  EXPECT_FALSE(plugin->Host().RequestedWindowSize());

  const float before = plugin->GetParameter(kInputGain);
  SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(kInputGainX, kInputGainY));
  WinTestWindow::Pump(20ms);
  for (int step = 1; step <= 4; ++step) {
    SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, PointParam(kInputGainX, kInputGainY - 15 * step));
    WinTestWindow::Pump(20ms);
  }
  SendMessageA(editor, WM_LBUTTONUP, 0, PointParam(kInputGainX, kInputGainY - 60));
  WinTestWindow::Pump(50ms);
  EXPECT_GT(plugin->GetParameter(kInputGain), before);
  const std::vector<int32_t> oneGesture{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
  EXPECT_EQ(plugin->Host().Recorder().EditGestureOf(kInputGain), oneGesture);
  EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST(EditorWinDpi, DrawsTheEditorAsTheLinuxSnapshotAtThreeQuarters) {
  ASSERT_TRUE(DesktopAt144Dpi()) << "run with wine's LogPixels at 144";
  Kolmari plugin{lumen::IInstanceInfo{}};
  kolmari::InstallEditor(plugin, [](lumen::ICanvasEditorDelegate& delegate, int w, int h, int fps, float scale) {
    return std::unique_ptr<ICanvas>(std::make_unique<ReadableCanvasWin>(&delegate, w, h, fps, scale));
  });
  WinTestWindow host{kWidth, kHeight};
  ASSERT_NE(plugin.OpenEditor(host.Handle()), nullptr);
  auto* ui = dynamic_cast<ReadableCanvasWin*>(plugin.Editor());
  ASSERT_NE(ui, nullptr);
  for (int i = 0; i < 200 && ui->FramesDrawn() == 0; ++i) WinTestWindow::Pump(10ms);
  WinTestWindow::Pump(100ms);
  EXPECT_EQ(ui->DrawScale(), 0.5f);
  EXPECT_EQ(ui->ScreenScale(), kScreenScale);

  const Picture drawn = ui->ReadMainFramebuffer();
  EXPECT_EQ(drawn.width, kWidth);
  EXPECT_EQ(drawn.height, kHeight);
  const std::string referencePath = ReferencePicture();
  if (referencePath.empty()) {
    plugin.CloseEditor();
    GTEST_SKIP() << "no reference snapshot (KOLMARI_REFERENCE_PNG) given";
  }
  const Picture reference = ui->LoadPng(referencePath);
  EXPECT_LE(reference.width - kWidth, 1) << "the snapshot is not at 0.75";
  EXPECT_LE(reference.height - kHeight, 1);
  const long differing = DifferingPixels(drawn, TopLeft(reference, kWidth, kHeight));
  std::printf("at 144 DPI, pixels differing from the Linux snapshot at 0.75: %ld of %d\n", differing,
              kWidth * kHeight);
  EXPECT_GE(differing, 0) << "sizes differ: " << reference.width << " x " << reference.height;
  EXPECT_LT(differing, kWidth * kHeight / 100);
  plugin.CloseEditor();
}

} // namespace
} // namespace kolmari::win::test
