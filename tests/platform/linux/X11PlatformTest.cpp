// The Linux platform layer's parts on their own: double clicks, key symbols, the scoped X error
// handler and the screen scale from Xft.dpi. The ones that need a server run inside xvfb-run (see
// CMakeLists.txt).
#include "ICanvasX11.h"
#include "IKeyCodes.h"
#include "VstPluginInstance.h"
#include "X11DoubleClick.h"
#include "X11KeyTranslation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// Xlib last: its macros (None, Bool, Status) would break the headers above.
#include "XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace lumen::canvas::test {
namespace {

TEST(X11DoubleClickTest, SecondPressOfTheSameButtonSoonAndNear) {
  X11DoubleClick clicks;
  EXPECT_FALSE(clicks.Press(1, 100, 100, 1000));
  EXPECT_TRUE(clicks.Press(1, 103, 97, 1300));
  // A third press starts over.
  EXPECT_FALSE(clicks.Press(1, 103, 97, 1400));
  // Too late, too far, another button: each press is a first one.
  EXPECT_FALSE(clicks.Press(1, 103, 97, 1900));
  EXPECT_FALSE(clicks.Press(1, 110, 97, 2000));
  EXPECT_FALSE(clicks.Press(3, 110, 97, 2100));
  EXPECT_TRUE(clicks.Press(3, 110, 97, 2200));
  // Across the wrap of the server's 32-bit millisecond clock.
  EXPECT_FALSE(clicks.Press(1, 5, 5, 0xFFFFFF00ul));
  EXPECT_TRUE(clicks.Press(1, 5, 5, 0x50ul));
  clicks.Press(1, 5, 5, 100);
  clicks.Reset();
  EXPECT_FALSE(clicks.Press(1, 5, 5, 150));
}

TEST(X11KeyTranslationTest, SymbolsGiveTheCoreKeyCodes) {
  EXPECT_EQ(KeyCodeFromKeySym(XK_a), kKeyA);
  EXPECT_EQ(KeyCodeFromKeySym(XK_A), kKeyA);
  EXPECT_EQ(KeyCodeFromKeySym(XK_z), kKeyA + 25);
  EXPECT_EQ(KeyCodeFromKeySym(XK_5), kKey0 + 5);
  EXPECT_EQ(KeyCodeFromKeySym(XK_KP_7), kKeyNumpad0 + 7);
  EXPECT_EQ(KeyCodeFromKeySym(XK_Return), kKeyReturn);
  EXPECT_EQ(KeyCodeFromKeySym(XK_KP_Enter), kKeyReturn);
  EXPECT_EQ(KeyCodeFromKeySym(XK_Escape), kKeyEscape);
  EXPECT_EQ(KeyCodeFromKeySym(XK_BackSpace), kKeyBackspace);
  EXPECT_EQ(KeyCodeFromKeySym(XK_Left), kKeyLeft);
  EXPECT_EQ(KeyCodeFromKeySym(XK_KP_Down), kKeyDown);
  EXPECT_EQ(KeyCodeFromKeySym(XK_F1), 0x70);
  EXPECT_EQ(KeyCodeFromKeySym(XK_F12), 0x7B);
  EXPECT_EQ(KeyCodeFromKeySym(XK_KP_Decimal), kKeyDecimal);
  EXPECT_EQ(KeyCodeFromKeySym(XK_eacute), 0);
  EXPECT_EQ(KeyCodeFromKeySym(NoSymbol), 0);
}

class X11ServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) GTEST_SKIP() << "no X display";
  }
  void TearDown() override {
    if (display != nullptr) XCloseDisplay(display);
  }
  Display* display = nullptr;
};

int gForwarded = 0;
int CountingHandler(Display*, XErrorEvent*) {
  ++gForwarded;
  return 0;
}

TEST_F(X11ServerTest, ErrorTrapCatchesItsDisplayAndLeavesOthersToTheirHandler) {
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const XErrorHandler before = XSetErrorHandler(&CountingHandler);
  {
    XErrorTrap trap(display);
    EXPECT_FALSE(trap.Failed());
    XMapWindow(display, 0x7ffff0); // no such window
    EXPECT_TRUE(trap.Failed());
    EXPECT_EQ(trap.LastError(), BadWindow);
    // The host's own connection still reaches the host's handler.
    XMapWindow(other, 0x7ffff0);
    XSync(other, False);
    EXPECT_EQ(gForwarded, 1);
  }
  // Restored afterwards.
  EXPECT_EQ(XSetErrorHandler(before), &CountingHandler);
  XCloseDisplay(other);
}

// Sets the server's resource string as xrdb does and reads the scale through a new connection.
float ScaleWithResources(Display* display, const std::string& resources) {
  const Window root = DefaultRootWindow(display);
  if (resources.empty()) {
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
  } else {
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
  }
  XSync(display, False);
  Display* fresh = XOpenDisplay(nullptr);
  const float scale = ICanvasX11::ScreenScaleOf(fresh);
  XCloseDisplay(fresh);
  return scale;
}

TEST_F(X11ServerTest, ScreenScaleFromXftDpiAndTheSizeHostsAreToldFirst) {
  EXPECT_EQ(ScaleWithResources(display, ""), 1.0f);
  EXPECT_EQ(ScaleWithResources(display, "Xft.dpi:\t96\n"), 1.0f);
  EXPECT_EQ(ScaleWithResources(display, "Xft.antialias:\t1\nXft.dpi:\t144\n"), 1.5f);
  EXPECT_EQ(ScaleWithResources(display, "Xft.dpi:\tlots\n"), 1.0f);
  EXPECT_EQ(ScaleWithResources(display, "Xft.dpi:\t100000\n"), 1.0f);

  // A host that sizes its window before opening the editor gets the editor's size on this screen.
  ScaleWithResources(display, "Xft.dpi:\t144\n");
  std::string error;
  auto plugin = kolmari::testhost::VstPluginInstance::Load(KOLMARI_BINARY, error);
  ASSERT_TRUE(plugin) << error;
  plugin->Open();
  const auto rect = plugin->EditorRect();
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->right, 1222); // int(1.5 x int(1630 x 0.5))
  EXPECT_EQ(rect->bottom, 757);
  plugin->Close();
  ScaleWithResources(display, "");
}

} // namespace
} // namespace lumen::canvas::test
