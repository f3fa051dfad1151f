// The Linux editor on its delegate's pump: what it asks for on open and gives back on close, when
// its own GLib timeout runs instead, and that the descriptor it has watched is its X connection,
// which its ticks read until it is quiet (a host's loop reports a descriptor for as long as it is
// readable). Runs inside xvfb-run (see CMakeLists.txt).
#include "GraphicsTestSupport.h"
#include "ICanvasX11.h"
#include "IEditorPump.h"
#include "Timer.h"
#include "X11HostWindow.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace lumen::canvas::test {
namespace {

using lumen::test::TestDelegate;

// A host's services as the binding would offer them, granting what it is told to and noting every
// request and stop.
class FakePump : public IEditorPump {
public:
  bool StartTimer(uint32_t periodMs) override {
    log.push_back("timer " + std::to_string(periodMs));
    return givesTimer;
  }
  void StopTimer() override { log.push_back("stop timer"); }
  bool WatchDescriptor(int fd) override {
    log.push_back("watch");
    watched = fd;
    return givesWatch;
  }
  void StopWatching() override {
    // The descriptor must still be open: a host watching a closed one is told so on every turn.
    log.push_back(fcntl(watched, F_GETFD) != -1 ? "stop watching" : "stop watching a closed descriptor");
  }

  bool givesTimer = true;
  bool givesWatch = true;
  int watched = -1;
  std::vector<std::string> log;
};

class PumpDelegate : public TestDelegate {
public:
  PumpDelegate() {
    SetEditorFactory([this] { return std::make_unique<ICanvasX11>(this, 400, 250, 60, 1.0f); });
  }
  IEditorPump* EditorPump() override { return withPump ? &pump : nullptr; }

  FakePump pump;
  bool withPump = true;
};

class X11EditorPumpTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    host = X11HostWindow::Create(400, 250);
    ASSERT_TRUE(host);
  }
  ICanvasX11* Open(PumpDelegate& delegate) {
    EXPECT_NE(delegate.OpenEditor(host->Handle()), nullptr);
    return dynamic_cast<ICanvasX11*>(delegate.Editor());
  }

  std::unique_ptr<X11HostWindow> host;
};

// GLib's default context owned by this thread, as on the user-interface thread of a GTK host.
class GLibLoop {
public:
  GLibLoop() {
    void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (glib == nullptr) return;
    const auto contextDefault = reinterpret_cast<void* (*)()>(dlsym(glib, "g_main_context_default"));
    const auto acquire = reinterpret_cast<int (*)(void*)>(dlsym(glib, "g_main_context_acquire"));
    mRelease = reinterpret_cast<void (*)(void*)>(dlsym(glib, "g_main_context_release"));
    if (contextDefault == nullptr || acquire == nullptr || mRelease == nullptr) return;
    mContext = contextDefault();
    if (acquire(mContext) == 0) mContext = nullptr;
  }
  ~GLibLoop() {
    if (mContext != nullptr) mRelease(mContext);
  }
  bool Owned() const { return mContext != nullptr; }

private:
  void* mContext = nullptr;
  void (*mRelease)(void*) = nullptr;
};

TEST_F(X11EditorPumpTest, OpenAsksForATimerAndTheConnectionAndCloseGivesBothBackWhileItIsOpen) {
  PumpDelegate delegate;
  for (int cycle = 0; cycle < 3; ++cycle) {
    delegate.pump.log.clear();
    ICanvasX11* ui = Open(delegate);
    ASSERT_NE(ui, nullptr) << cycle;
    EXPECT_EQ(delegate.pump.log, (std::vector<std::string>{"timer 16", "watch"})) << cycle;
    struct stat info {};
    ASSERT_EQ(fstat(delegate.pump.watched, &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode)) << "the X connection";
    EXPECT_FALSE(ui->HasOwnTicker()) << "the host's timer ticks it";
    delegate.pump.log.clear();
    delegate.CloseEditor();
    EXPECT_EQ(delegate.pump.log, (std::vector<std::string>{"stop watching", "stop timer"})) << cycle;
  }
  // Only what was granted is given back.
  delegate.pump.givesTimer = false;
  delegate.pump.givesWatch = false;
  ASSERT_NE(Open(delegate), nullptr);
  delegate.pump.log.clear();
  delegate.CloseEditor();
  EXPECT_TRUE(delegate.pump.log.empty());
}

TEST_F(X11EditorPumpTest, ItsOwnGLibTimeoutTicksOnlyWhereThePumpGivesNoTimer) {
  GLibLoop loop;
  if (!loop.Owned()) GTEST_SKIP() << "no GLib";
  PumpDelegate delegate;
  ICanvasX11* ui = Open(delegate);
  ASSERT_NE(ui, nullptr);
  EXPECT_FALSE(ui->HasOwnTicker());
  delegate.CloseEditor();

  delegate.pump.givesTimer = false; // a host with a descriptor watch but no timer
  ui = Open(delegate);
  ASSERT_NE(ui, nullptr);
  EXPECT_TRUE(ui->HasOwnTicker());
  delegate.pump.log.clear();
  delegate.CloseEditor();
  EXPECT_EQ(delegate.pump.log, std::vector<std::string>{"stop watching"});

  delegate.withPump = false; // a binding without a pump (VST 2.4)
  ui = Open(delegate);
  ASSERT_NE(ui, nullptr);
  EXPECT_TRUE(ui->HasOwnTicker());
  delegate.CloseEditor();
}

TEST_F(X11EditorPumpTest, TheWatchedDescriptorIsReadUntilQuietAndEachTickFiresDueTimersOnce) {
  PumpDelegate delegate;
  ICanvasX11* ui = Open(delegate);
  ASSERT_NE(ui, nullptr);
  const auto readable = [&](int waitMs) {
    pollfd p{delegate.pump.watched, POLLIN, 0};
    return poll(&p, 1, waitMs) > 0;
  };
  // What a host's loop does: a tick whenever the descriptor is readable. The first frames and the
  // window's own events settle, and then the descriptor is quiet.
  const auto ticksUntilQuiet = [&] {
    for (int turn = 0; turn < 50; ++turn) {
      if (!readable(300)) return true;
      delegate.IdleEditor();
    }
    return false;
  };
  ASSERT_TRUE(ticksUntilQuiet());

  // The host resizes its window: the editor's connection hears of it, and the ticks the descriptor
  // causes read it (the editor follows the new size).
  host->Resize(800, 500);
  host->Sync();
  EXPECT_TRUE(readable(2000));
  ASSERT_TRUE(ticksUntilQuiet());
  host->Sync();
  int width = 0;
  int height = 0;
  ASSERT_TRUE(host->ChildSize(width, height));
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 500);

  // The framework's timers are fired once per tick, by the surface alone: a timer due at every
  // pump counts the pumps.
  int fired = 0;
  auto everyPump = Timer::Make([&](Timer&) { ++fired; }, 0);
  delegate.IdleEditor();
  EXPECT_EQ(fired, 1);
  everyPump.reset();
  delegate.CloseEditor();
}

} // namespace
} // namespace lumen::canvas::test
