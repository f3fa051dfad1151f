// The editor delegate: notification order, routing of values, messages, MIDI and keys into the
// editor, the editor's life cycle with its remembered size, and the editor state.
#include "FakeCanvas.h"
#include "TestEffect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Received = std::vector<std::pair<int, double>>;

// An effect whose editor factory hands out FakeCanvas surfaces and remembers the last one.
struct EditorFixture : ::testing::Test {
  EditorFixture() {
    effect.SetEditorFactory([this] {
      auto surface = std::make_unique<FakeCanvas>(400, 300, 1.0f);
      made.push_back(surface.get());
      ++surfacesMade;
      return surface;
    });
  }

  FakeCanvas& Open() {
    effect.OpenEditor(&parent);
    return *made.back();
  }

  TestEffect effect;
  std::vector<FakeCanvas*> made; // pointers stay valid only while the editor is open
  int surfacesMade = 0;
  int parent = 0;
};

TEST(ParamSourceTest, DisplayNames) {
  EXPECT_STREQ(ParamSourceName(ParamSource::Reset), "Reset");
  EXPECT_STREQ(ParamSourceName(ParamSource::Host), "Host");
  EXPECT_STREQ(ParamSourceName(ParamSource::Preset), "Preset");
  EXPECT_STREQ(ParamSourceName(ParamSource::UI), "UI");
  EXPECT_STREQ(ParamSourceName(ParamSource::EditorDelegate), "Editor Delegate");
  EXPECT_STREQ(ParamSourceName(ParamSource::Recompile), "Recompile");
  EXPECT_STREQ(ParamSourceName(ParamSource::Unknown), "Unknown");
  EXPECT_STREQ(ParamSourceName(static_cast<ParamSource>(42)), "Unknown");
}

TEST(EditorDelegate, NotifyAllParamsReportsEachParameterThenItsEditorUpdate) {
  TestEffect effect;
  effect.NotifyAllParams(ParamSource::Preset);
  const auto log = effect.TakeLog();
  ASSERT_EQ(log.size(), 18u);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(log[2 * i], "change " + std::to_string(i) + " Preset -1");
    EXPECT_EQ(log[2 * i + 1], "editor " + std::to_string(i) + " Preset");
  }
}

TEST(EditorDelegate, DeliverParamValueWithoutEditorStillReachesTheEditorHook) {
  TestEffect effect;
  effect.DeliverParamValue(3, 0.25, true);
  effect.DeliverParamValue(9, 0.25, true); // no such parameter
  effect.DeliverParamValue(-1, 0.25, true);
  EXPECT_THAT(effect.TakeLog(), ElementsAre("editor 3 Editor Delegate"));
}

TEST_F(EditorFixture, ParamValueReachesEveryLinkOfThatParameterAsItsLinkNumber) {
  FakeCanvas& surface = Open();
  FakeControl& both = surface.Add({2, 5});
  FakeControl& five = surface.Add({5});
  FakeControl& other = surface.Add({1, -1});
  FakeControl& twice = surface.Add({5, 3, 5});
  effect.TakeLog();

  effect.DeliverParamValue(5, 25.0, false); // real 25 in -50..50 is 0.75 normalised
  EXPECT_EQ(both.received, (Received{{1, 0.75}}));
  EXPECT_EQ(five.received, (Received{{0, 0.75}}));
  EXPECT_THAT(other.received, IsEmpty());
  EXPECT_EQ(twice.received, (Received{{0, 0.75}, {2, 0.75}}));
  EXPECT_THAT(effect.TakeLog(), ElementsAre("editor 5 Editor Delegate"));

  effect.DeliverParamValue(2, 0.1, true); // already normalised: passed on as it is
  EXPECT_EQ(both.received.back(), std::make_pair(0, 0.1));
}

TEST_F(EditorFixture, StateRestoredSendsEveryNormalisedValueToTheEditor) {
  FakeCanvas& surface = Open();
  FakeControl& control = surface.Add({0, 8});
  effect.GetParam(8)->Set(-50.0);
  effect.OnStateRestored();
  EXPECT_EQ(control.received, (Received{{0, 0.5}, {1, 0.0}}));

  control.received.clear();
  effect.OnEditorOpened();
  EXPECT_EQ(control.received, (Received{{0, 0.5}, {1, 0.0}}));
}

TEST_F(EditorFixture, FirstOpenUsesTheSurfaceAsMadeAndReopenUsesTheRememberedSize) {
  void* window = effect.OpenEditor(&parent);
  EXPECT_EQ(window, &made.back()->windowHandle);
  EXPECT_EQ(made.back()->openedIn, &parent);
  EXPECT_EQ(made.back()->resizes, 0);

  // Opening again while open keeps the surface.
  effect.OpenEditor(&parent);
  EXPECT_EQ(surfacesMade, 1);

  made.back()->ResizeSurface(1200, 800, 1.5f);
  effect.CloseEditor();
  EXPECT_EQ(effect.Editor(), nullptr);
  EXPECT_EQ(effect.RememberedWidth(), 1200);
  EXPECT_EQ(effect.RememberedHeight(), 800);
  EXPECT_FLOAT_EQ(effect.RememberedScale(), 1.5f);

  FakeCanvas& reopened = Open();
  EXPECT_EQ(surfacesMade, 2);
  EXPECT_EQ(reopened.Width(), 1200);
  EXPECT_EQ(reopened.Height(), 800);
  EXPECT_FLOAT_EQ(reopened.DrawScale(), 1.5f);
}

TEST(EditorDelegate, PlannedSizeIsTheWindowTheEditorOpensAtWithoutMakingOne) {
  TestEffect effect;
  int made = 0;
  FakeCanvas* open = nullptr;
  effect.SetEditorFactory([&] {
    ++made;
    auto surface = std::make_unique<FakeCanvas>(1630, 1010, 0.5f);
    surface->expectedScreenScale = 1.5f;
    open = surface.get();
    return surface;
  });
  int w = 0, h = 0;
  // Whole pixels at the draw scale first, then the screen's scale: int(1.5 x 815), int(1.5 x 505).
  ASSERT_TRUE(effect.PlannedEditorSize(w, h));
  EXPECT_EQ(w, 1222);
  EXPECT_EQ(h, 757);
  EXPECT_EQ(effect.Editor(), nullptr) << "asking keeps no editor";
  EXPECT_EQ(open->resizes, 0);

  int parent = 0;
  effect.OpenEditor(&parent);
  const int madeWhileOpen = made;
  open->ResizeSurface(1630, 1010, 0.25f);
  ASSERT_TRUE(effect.PlannedEditorSize(w, h));
  EXPECT_EQ(made, madeWhileOpen) << "an open editor answers for itself";
  EXPECT_EQ(w, 407); // with the screen scale it opened with (the fake's stays 1)
  effect.CloseEditor();
  // After a close, the size and scale it comes back at.
  ASSERT_TRUE(effect.PlannedEditorSize(w, h));
  EXPECT_EQ(w, 610);
  EXPECT_EQ(h, 378);

  TestEffect without;
  EXPECT_FALSE(without.PlannedEditorSize(w, h));
}

// Hosts may tell their content scale before the editor exists (CLAP's set_scale before set_parent,
// VST3's scale before attached): it decides the planned size and wins over the screen's once open.
TEST(EditorDelegate, TheHostsScaleToldBeforeOpeningIsKept) {
  TestEffect effect;
  FakeCanvas* open = nullptr;
  effect.SetEditorFactory([&] {
    auto surface = std::make_unique<FakeCanvas>(1630, 1010, 0.5f);
    open = surface.get();
    return surface;
  });
  effect.ApplyScreenScale(2.0f);
  effect.ApplyScreenScale(-1.0f); // no scale: ignored
  EXPECT_EQ(effect.HostScreenScale(), 2.0f);
  int w = 0, h = 0;
  ASSERT_TRUE(effect.EditorSizeForHost(w, h));
  EXPECT_EQ(w, 1630);
  EXPECT_EQ(h, 1010);
  int parent = 0;
  ASSERT_NE(effect.OpenEditor(&parent), nullptr);
  EXPECT_EQ(open->screenScale, 2.0f);
}

TEST_F(EditorFixture, HostIdleReachesOnlyAnOpenEditor) {
  effect.IdleEditor(); // nothing open: nothing happens
  FakeCanvas& surface = Open();
  effect.IdleEditor();
  effect.IdleEditor();
  EXPECT_EQ(surface.idles, 2);
}

TEST_F(EditorFixture, CloseDuringCloseDoesNothingAndCloseWithoutEditorOnlyNotifies) {
  FakeCanvas& surface = Open();
  int closes = 0;
  surface.onClose = [&] {
    closes = surface.closes;
    effect.CloseEditor(); // the window's teardown asks again
  };
  effect.TakeLog();
  effect.CloseEditor();
  EXPECT_EQ(closes, 1);
  EXPECT_THAT(effect.TakeLog(), ElementsAre("closed"));

  effect.CloseEditor();
  EXPECT_THAT(effect.TakeLog(), ElementsAre("closed"));
}

TEST(EditorDelegate, WithoutFactoryThereIsNoEditor) {
  TestEffect effect;
  int parent = 0;
  EXPECT_EQ(effect.OpenEditor(&parent), nullptr);
  EXPECT_EQ(effect.Editor(), nullptr);
  EXPECT_FALSE(effect.OnHostKeyDown(IKeyEvent{}));
  EXPECT_FALSE(effect.OnHostKeyUp(IKeyEvent{}));
  effect.DeliverControlValue(1, 0.5);
  effect.ApplyScreenScale(2.0f);
  effect.DeliverMidi(IMidiMessage{0, 0x90, 60, 100});
  EXPECT_THAT(effect.TakeLog(), ElementsAre("midi 144"));
}

TEST_F(EditorFixture, KeysGoToTheEditorAtTheMousePosition) {
  FakeCanvas& surface = Open();
  surface.mouseX = 12.0f;
  surface.mouseY = 34.0f;
  IKeyEvent key;
  key.text[0] = 'a';
  EXPECT_TRUE(effect.OnHostKeyDown(key));
  EXPECT_EQ(surface.lastKey, "down 12 34 a");
  surface.keyResult = false;
  EXPECT_FALSE(effect.OnHostKeyUp(key));
  EXPECT_EQ(surface.lastKey, "up 12 34 a");
}

TEST_F(EditorFixture, TaggedControlsTakeValuesAndMessagesAndMidiGoesToControlsThatWantIt) {
  FakeCanvas& surface = Open();
  FakeControl& tagged = surface.Add({4, 6}, false, 7);
  FakeControl& meter = surface.Add({}, true);
  FakeControl& quiet = surface.Add({}, false);
  effect.TakeLog();

  effect.DeliverControlValue(7, 0.3);
  effect.DeliverControlValue(8, 0.3); // no control has this tag
  EXPECT_EQ(tagged.received, (Received{{0, 0.3}}));

  effect.DeliverControlMessage(7, 99, 0, nullptr);
  effect.DeliverControlMessage(8, 98, 0, nullptr);
  EXPECT_THAT(tagged.messages, ElementsAre(99));

  effect.DeliverMidi(IMidiMessage{0, 0x80, 60, 0});
  EXPECT_THAT(meter.midi, ElementsAre(0x80));
  EXPECT_THAT(quiet.midi, IsEmpty());
  EXPECT_THAT(effect.TakeLog(), ElementsAre("midi 128"));

  effect.ApplyScreenScale(2.0f);
  EXPECT_FLOAT_EQ(surface.screenScale, 2.0f);
}

TEST_F(EditorFixture, EditorStateHoldsSizeAndScaleOfTheOpenOrLastEditor) {
  IStateBuffer closed;
  EXPECT_TRUE(effect.SerializeEditorState(closed));
  ASSERT_EQ(closed.Length(), 12);

  FakeCanvas& surface = Open();
  surface.ResizeSurface(640, 480, 0.75f);
  IStateBuffer open;
  EXPECT_TRUE(effect.SerializeEditorState(open));
  int32_t width = 0, height = 0;
  float scale = 0.0f;
  int pos = open.GetValue(width, 0);
  pos = open.GetValue(height, pos);
  pos = open.GetValue(scale, pos);
  EXPECT_EQ(pos, 12);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_FLOAT_EQ(scale, 0.75f);

  effect.CloseEditor();
  IStateBuffer remembered;
  effect.SerializeEditorState(remembered);
  EXPECT_EQ(std::vector<uint8_t>(remembered.Data(), remembered.Data() + 12),
            std::vector<uint8_t>(open.Data(), open.Data() + 12));
}

TEST_F(EditorFixture, ReadingEditorStateResizesAnOpenEditorOnlyWhenAllThreeValuesArePresent) {
  IStateBuffer full;
  full.PutValue(int32_t{500});
  full.PutValue(int32_t{350});
  full.PutValue(1.25f);
  IStateBuffer cut;
  cut.PutValue(int32_t{600});
  cut.PutValue(int32_t{450});

  // Without an editor the values are remembered; a cut state remembers a zero scale.
  EXPECT_EQ(effect.UnserializeEditorState(full, 0), 12);
  EXPECT_EQ(effect.RememberedWidth(), 500);
  EXPECT_EQ(effect.UnserializeEditorState(cut, 0), -1);
  EXPECT_EQ(effect.RememberedWidth(), 600);
  EXPECT_EQ(effect.RememberedHeight(), 450);
  EXPECT_EQ(effect.RememberedScale(), 0.0f);

  // A zero scale means no resize on open, and a cut state does not resize an open editor.
  FakeCanvas& surface = Open();
  EXPECT_EQ(surface.resizes, 0);
  EXPECT_EQ(effect.UnserializeEditorState(cut, 0), -1);
  EXPECT_EQ(surface.resizes, 0);
  EXPECT_EQ(effect.UnserializeEditorState(full, 0), 12);
  EXPECT_EQ(surface.Width(), 500);
  EXPECT_EQ(surface.Height(), 350);
  EXPECT_FLOAT_EQ(surface.DrawScale(), 1.25f);
  EXPECT_EQ(effect.UnserializeEditorState(full, -1), -1);
}

TEST_F(EditorFixture, LayoutFunctionRunsOnTheSurfaceWhenSet) {
  FakeCanvas& surface = Open();
  effect.LayoutEditor(surface); // no layout function: nothing happens
  effect.SetLayoutFunction([](canvas::ICanvas& c) { static_cast<FakeCanvas&>(c).Add({0}); });
  effect.LayoutEditor(surface);
  EXPECT_EQ(surface.controls.size(), 1u);
}

// The root delegate on its own: no editor, messages go to OnMessage.
class BareDelegate : public IEditorDelegate {
public:
  explicit BareDelegate(int nParams = 2) : IEditorDelegate(nParams) {}
  void BeginParamGestureFromEditor(int) override {}
  void EndParamGestureFromEditor(int) override {}
  bool OnMessage(int messageTag, int controlTag, int dataSize, const void*) override {
    calls.push_back({messageTag, controlTag, dataSize});
    return false;
  }
  void OnParamChangeInEditor(int index, ParamSource source) override {
    calls.push_back({index, static_cast<int>(source), -9});
  }
  std::vector<std::vector<int>> calls;
};

TEST(EditorDelegateRoot, RoutesMessagesToOnMessageAndOpensNoEditor) {
  BareDelegate delegate;
  EXPECT_EQ(BareDelegate(-3).NParams(), 0);
  EXPECT_EQ(delegate.OpenEditor(nullptr), nullptr); // reports both values as if opened
  delegate.DeliverControlMessage(5, 6, 7, nullptr);
  delegate.DeliverEditorMessage(8, 9, nullptr);
  delegate.SetParamFromEditor(1, 1.0);
  delegate.SetParamFromEditor(2, 1.0);
  EXPECT_THAT(delegate.calls, ElementsAre(std::vector<int>{0, 4, -9}, std::vector<int>{1, 4, -9},
                                          std::vector<int>{6, 5, 7}, std::vector<int>{8, -1, 9},
                                          std::vector<int>{1, 3, -9}));
  EXPECT_EQ(delegate.GetParam(1)->Value(), 1.0);
  EXPECT_EQ(delegate.UnserializeEditorState(IStateBuffer{}, 3), 3);
}

} // namespace
} // namespace lumen::test
