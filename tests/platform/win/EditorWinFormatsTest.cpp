// The editor of each Windows binary, Kolmari.dll (VST 2.4), Kolmari.clap and the Kolmari.vst3
// bundle, opened by the test host in a window of its own the way Windows hosts of that format do
// it: the size it announces and opens at, the picture it presents against the Linux snapshot, the
// sizes the host sets and the grip asks for, and closing. The VST 2.4 editor's input and leaks are
// EditorWinDllTest's; the protocol details of each format are checked here where Windows differs
// from Linux (the window API each speaks, and parents that are no window).
#include "HostedEditor.h"

#include "ClapPluginInstance.h"
#include "Vst3Module.h"

#include "ext/gui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace kolmari::win::test {
namespace {

using lumen::test::DifferingPixels;
using lumen::test::Picture;
using lumen::test::PointParam;
using lumen::test::ReferencePicture;
using lumen::test::WinTestWindow;
using namespace std::chrono_literals;

// The editor at its first draw scale, 0.5, and at 1.0, the logical size.
constexpr EditorSize kOpenSize{815, 505};
constexpr EditorSize kFullSize{1630, 1010};
// The resize grip's corner in window pixels at draw scale 0.5.
constexpr int kGripX = 810, kGripY = 500;

class EditorWinFormat : public ::testing::TestWithParam<Format> {
protected:
  void SetUp() override {
    std::string error;
    editor = HostedEditor::Load(GetParam(), error);
    ASSERT_TRUE(editor) << error;
    ASSERT_TRUE(PresentedFrames::Watch(editor->Module(), error)) << error;
  }
  void TearDown() override {
    editor.reset();
    WinTestWindow::Pump(0ms);
  }

  // Opens the editor in the host's window and waits for its first frame.
  HWND Open(WinTestWindow& host) {
    const int frames = PresentedFrames::Count();
    EXPECT_TRUE(editor->Open(host.Handle()));
    for (int i = 0; i < 300 && PresentedFrames::Count() == frames; ++i) editor->Pump(10ms);
    EXPECT_GT(PresentedFrames::Count(), frames) << "no frame presented";
    editor->Pump(50ms);
    HWND window = host.Editor();
    EXPECT_NE(window, nullptr);
    return window;
  }

  static EditorSize ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
  }

  // The whole editor presented again, kept for a person to look at and compared with the Linux
  // snapshot named by the variable. Anti-aliasing may differ along edges; the picture itself may not.
  void ExpectPictureAsOnLinux(HWND window, EditorSize size, const char* referenceVariable) {
    const Picture drawn = PresentedFrames::Repaint(*editor, window);
    ASSERT_EQ(drawn.width, size.width) << "the frame presented";
    ASSERT_EQ(drawn.height, size.height);
    const std::string name = std::string("editor-") + FormatName(GetParam()) + "-" + std::to_string(size.width);
    const std::string kept = KeepPicture(name, drawn);
    const std::string referencePath = ReferencePicture(referenceVariable);
    if (referencePath.empty()) GTEST_SKIP() << "no reference snapshot (" << referenceVariable << ") given";
    const Picture reference = ReadPng(referencePath);
    ASSERT_EQ(reference.width, size.width) << referencePath;
    ASSERT_EQ(reference.height, size.height) << referencePath;
    const long differing = DifferingPixels(drawn, reference);
    std::printf("%s at %d x %d: %ld of %d pixels differ from the Linux snapshot%s%s\n", FormatName(GetParam()),
                size.width, size.height, differing, size.width * size.height, kept.empty() ? "" : "; kept as ",
                kept.c_str());
    EXPECT_LT(differing, size.width * size.height / 100) << "compare " << kept << " with " << referencePath;
  }

  std::unique_ptr<HostedEditor> editor;
};

std::string ParamName(const ::testing::TestParamInfo<Format>& format) { return FormatName(format.param); }

TEST_P(EditorWinFormat, OpensAtTheAnnouncedSizeDrawsAsOnLinuxAndClosesWithItsWindow) {
  const auto announced = editor->Size();
  ASSERT_TRUE(announced);
  EXPECT_EQ(*announced, kOpenSize);
  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  HWND window = Open(host);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClientSize(window), kOpenSize);
  ExpectPictureAsOnLinux(window, kOpenSize, "KOLMARI_REFERENCE_PNG");

  EXPECT_TRUE(editor->Close());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(host.Editor(), nullptr);
  // Opened again in the same window, it draws again.
  window = Open(host);
  EXPECT_EQ(ClientSize(window), kOpenSize);
  EXPECT_TRUE(editor->Close());
  EXPECT_EQ(host.Editor(), nullptr);
}

// The preset bar under the logo, clicked as a user does: the next arrow loads the next factory
// preset, the previous arrow goes back to the first and the editor looks as it
// did. Each format's host hears the change through its own path; here the picture shows it.
TEST_P(EditorWinFormat, ThePresetBarArrowsStepToTheNextPresetAndBack) {
  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  HWND window = Open(host);
  ASSERT_NE(window, nullptr);
  const Picture first = PresentedFrames::Repaint(*editor, window);
  const auto click = [&](int x, int y) {
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
    SendMessageA(window, WM_LBUTTONUP, 0, PointParam(x, y));
    editor->Pump(100ms);
  };
  click(558, 200); // the next arrow
  const Picture next = PresentedFrames::Repaint(*editor, window);
  // Its name shows, and what it changes (the second preset only oversamples: the switch's frame).
  EXPECT_GT(DifferingPixels(first, next), 300) << "the next preset shows";
  click(256, 200); // the previous arrow
  const Picture back = PresentedFrames::Repaint(*editor, window);
  EXPECT_LT(DifferingPixels(first, back), kOpenSize.width * kOpenSize.height / 100);
  EXPECT_TRUE(editor->Close());
}

INSTANTIATE_TEST_SUITE_P(AllFormats, EditorWinFormat, ::testing::Values(Format::Vst2, Format::Clap, Format::Vst3),
                         ParamName);

// Hosts of the two formats that let them size the editor.
class EditorWinHostSized : public EditorWinFormat {};

TEST_P(EditorWinHostSized, TheHostSizesTheEditorWithinItsShapeAndItDrawsAtTheNewScale) {
  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  HWND window = Open(host);
  ASSERT_NE(window, nullptr);
  // A size wider than the editor's shape: the height decides.
  const auto adjusted = editor->AdjustSize({kFullSize.width + 70, kFullSize.height});
  ASSERT_TRUE(adjusted);
  EXPECT_EQ(*adjusted, kFullSize);
  // The host sizes its window, then tells the editor.
  host.Resize(adjusted->width, adjusted->height);
  ASSERT_TRUE(editor->SetSize(*adjusted));
  editor->Pump(50ms);
  EXPECT_EQ(ClientSize(window), kFullSize);
  EXPECT_EQ(editor->Size(), kFullSize);
  ExpectPictureAsOnLinux(window, kFullSize, "KOLMARI_REFERENCE_PNG_FULL");

  // Below the smallest size: the smallest.
  EXPECT_EQ(editor->AdjustSize({100, 60}), kOpenSize);
  EXPECT_TRUE(editor->Close());
}

TEST_P(EditorWinHostSized, TheGripResizesTheEditorAndTellsTheHost) {
  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  HWND window = Open(host);
  ASSERT_NE(window, nullptr);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(kGripX, kGripY));
  for (int step = 1; step <= 5; ++step) {
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, PointParam(kGripX + 20 * step, kGripY + 20 * step));
    editor->Pump(20ms);
  }
  SendMessageA(window, WM_LBUTTONUP, 0, PointParam(kGripX + 100, kGripY + 100));
  editor->Pump(50ms);
  const auto requested = editor->RequestedSize();
  ASSERT_TRUE(requested) << "the host was not asked";
  EXPECT_GT(requested->width, kOpenSize.width);
  EXPECT_GT(requested->height, kOpenSize.height);
  EXPECT_EQ(ClientSize(window), *requested);
  EXPECT_EQ(editor->Size(), *requested);
  const Picture drawn = PresentedFrames::Repaint(*editor, window);
  EXPECT_EQ(drawn.width, requested->width);
  EXPECT_EQ(drawn.height, requested->height);
  EXPECT_TRUE(editor->Close());
}

INSTANTIATE_TEST_SUITE_P(HostSized, EditorWinHostSized, ::testing::Values(Format::Clap, Format::Vst3),
                         ParamName);

// A window that existed once: a handle a host may still hold after closing it.
HWND DestroyedWindow() {
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  return gone;
}

TEST(EditorWinClap, SpeaksWin32EmbeddingOnlyAndRefusesParentsThatAreNoWindow) {
  std::string error;
  auto plugin = testhost::ClapPluginInstance::Load(KOLMARI_CLAP_BINARY, error);
  ASSERT_TRUE(plugin) << error;
  const auto* gui = plugin->ExtensionAs<clap_plugin_gui_t>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  const clap_plugin_t* p = plugin->Plugin();
  EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
  EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, true));
  EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
  const char* api = nullptr;
  bool floating = true;
  ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
  EXPECT_STREQ(api, CLAP_WINDOW_API_WIN32);
  EXPECT_FALSE(floating);
  EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, false));
  ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_WIN32, false));

  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  clap_window_t window{};
  window.api = CLAP_WINDOW_API_X11;
  window.win32 = host.Handle();
  EXPECT_FALSE(gui->set_parent(p, &window)) << "another API's window";
  window.api = CLAP_WINDOW_API_WIN32;
  window.win32 = nullptr;
  EXPECT_FALSE(gui->set_parent(p, &window));
  window.win32 = DestroyedWindow();
  EXPECT_FALSE(gui->set_parent(p, &window));
  EXPECT_FALSE(gui->show(p)) << "nothing to show";
  // The refusals left nothing behind: the next parent gets the editor.
  window.win32 = host.Handle();
  EXPECT_TRUE(gui->set_parent(p, &window));
  WinTestWindow::Pump(50ms);
  EXPECT_NE(host.Editor(), nullptr);
  gui->destroy(p);
  EXPECT_EQ(host.Editor(), nullptr);
}

TEST(EditorWinVst3, SpeaksHwndEmbeddingOnlyAndRefusesParentsThatAreNoWindow) {
  auto vst3 = std::make_shared<vst3host::Vst3Module>(KOLMARI_VST3_BUNDLE);
  vst3host::Vst3Plugin plugin{vst3};
  auto** view = plugin.ControllerMethods().create_view(plugin.Controller(), "editor");
  ASSERT_NE(view, nullptr);
  auto& calls = lumen::vst3::Methods<v3_plugin_view_cpp>(view).view;
  EXPECT_EQ(calls.is_platform_type_supported(view, V3_VIEW_PLATFORM_TYPE_HWND), V3_TRUE);
  EXPECT_NE(calls.is_platform_type_supported(view, V3_VIEW_PLATFORM_TYPE_X11), V3_TRUE);
  WinTestWindow host{kOpenSize.width, kOpenSize.height};
  EXPECT_NE(calls.attached(view, host.Handle(), V3_VIEW_PLATFORM_TYPE_X11), V3_OK) << "another platform's window";
  EXPECT_NE(calls.attached(view, nullptr, V3_VIEW_PLATFORM_TYPE_HWND), V3_OK);
  EXPECT_NE(calls.attached(view, DestroyedWindow(), V3_VIEW_PLATFORM_TYPE_HWND), V3_OK);
  EXPECT_NE(calls.removed(view), V3_OK) << "nothing attached";
  ASSERT_EQ(calls.attached(view, host.Handle(), V3_VIEW_PLATFORM_TYPE_HWND), V3_OK);
  EXPECT_NE(calls.attached(view, host.Handle(), V3_VIEW_PLATFORM_TYPE_HWND), V3_OK) << "attached once only";
  WinTestWindow::Pump(50ms);
  EXPECT_NE(host.Editor(), nullptr);
  EXPECT_EQ(calls.removed(view), V3_OK);
  EXPECT_EQ(host.Editor(), nullptr);
  EXPECT_EQ(lumen::vst3::Unref(view), 0u);
}

} // namespace
} // namespace kolmari::win::test
