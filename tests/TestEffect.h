#pragma once

// A plug-in on the host-API base that writes every notification it receives into a log, so that
// tests can check which calls happened and in which order.

#include "IEffectAPIBase.h"
#include "NumberText.h"

#include <string>
#include <utility>
#include <vector>

namespace lumen::test {

inline IEffectSettings TestSettings(int nParams, int nPresets, bool hasEditor) {
  IEffectSettings s;
  s.nParams = nParams;
  s.nPresets = nPresets;
  s.channelIO = "2-2";
  s.pluginName = "Test";
  s.productName = "Test Product";
  s.makerName = "Test Maker";
  s.version = 0x00020A03;
  s.hasEditor = hasEditor;
  s.editorWidth = 400;
  s.editorHeight = 300;
  s.minEditorWidth = 200;
  s.maxEditorWidth = 800;
  s.minEditorHeight = 150;
  s.maxEditorHeight = 600;
  return s;
}

class TestEffect : public IEffectAPIBase {
public:
  // Parameter i: range -50..50, step 0.5, default i.
  explicit TestEffect(int nParams = 9, int nPresets = 1, bool hasEditor = true)
      : IEffectAPIBase(TestSettings(nParams, nPresets, hasEditor), PluginApi::VST2) {
    for (int i = 0; i < nParams; ++i) GetParam(i)->Init(ParamName(i), i, -50.0, 50.0, 0.5);
  }

  using IEffectAPIBase::StartIdleTimer;

  void OnParamChange(int index, ParamSource source, int offset) override {
    Log("change " + std::to_string(index) + " " + ParamSourceName(source) + " " + std::to_string(offset));
    IEffectAPIBase::OnParamChange(index, source, offset);
  }
  void OnParamChangeInEditor(int index, ParamSource source) override {
    Log("editor " + std::to_string(index) + " " + ParamSourceName(source));
  }
  void OnMidiInEditor(const IMidiMessage& m) override { Log("midi " + std::to_string(m.status)); }
  void OnSysExInEditor(const ISysExMessage& m) override {
    Log("sysex " + std::to_string(m.size) + " " + std::to_string(m.size > 0 ? m.data[0] : -1));
  }
  bool OnMessage(int messageTag, int controlTag, int dataSize, const void*) override {
    Log("message " + std::to_string(messageTag) + " " + std::to_string(controlTag) + " " + std::to_string(dataSize));
    return true;
  }
  void OnEditorClosed() override { Log("closed"); }
  void OnPresetsChanged() override { Log("presets changed"); }
  void OnStateRestored() override {
    Log("state restored");
    IEffectAPIBase::OnStateRestored();
  }
  void OnIdle() override { Log("idle"); }
  void AdaptToHost() override { Log("adapt"); }
  void OnHostKnown() override { Log("host known"); }
  bool ResizeEditorWindow(int w, int h) override {
    Log("resize " + std::to_string(w) + "x" + std::to_string(h));
    return resizeResult;
  }
  void BeginParamGesture(int index) override { Log("begin " + std::to_string(index)); }
  void EndParamGesture(int index) override { Log("end " + std::to_string(index)); }
  void AutomateParam(int index, double normalized) override {
    Log("automate " + std::to_string(index) + " " + NumberText::Fixed(normalized, 3));
  }

  // "P0", "P1", ... Built by appending: GCC 12 at -O3 reports a false overlap (-Wrestrict) in
  // inlined prepending of a short literal to a temporary ("P" + std::to_string(i)).
  static std::string ParamName(int index) {
    std::string name = "P";
    name += std::to_string(index);
    return name;
  }

  // The log since the last call, which empties it.
  std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

  std::vector<std::string> log;
  bool resizeResult = false;

private:
  void Log(std::string line) { log.push_back(std::move(line)); }
};

} // namespace lumen::test
