#pragma once

#include "../Lv2Ports.h"
#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"
#include "Lv2UiHost.h"
#include "Lv2UiPump.h"

#include <cstdint>
#include <vector>

namespace lumen {

// The LV2 binding, the UI half: the plug-in's editor in the host's X11 window, talking to the DSP
// half only through the host, so that it works where the host runs it in another process. A value
// the user sets in the editor becomes a port write in the port's own units (the "enabled" port
// holds the inverse of the bypass parameter); a port event from the host becomes the editor's value.
// Gestures reach the host through ui:touch where it gives it. Nothing here processes audio: the
// processor base is only there because the plug-in's class derives from it in every format.
//
// Threads: the host calls everything on its UI thread (instantiate, port_event, idle, cleanup), and
// the editor's pump is ticked from idle only.
class IEffectLV2UI : public IEffectAPIBase, public IEffectProcessor {
public:
  IEffectLV2UI(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectLV2UI() override;

  const Lv2PortLayout& Layout() const { return mLayout; }

  // Opens the editor in host.parent at the host's scale (where told) and tells the host its size
  // (ui:resize); returns the editor's X window, or null when it could not open.
  void* Open(const Lv2UiHost& host);
  // Closes the editor; the host calls nothing after this but the instance's destruction.
  void Close();

  // A port's value from the host. Only float values (format 0) of control inputs are taken; others
  // are ignored, as is a value that is no number, equals what the parameter holds already, or is
  // for a parameter the editor is in a gesture on (hosts echo the UI's writes a little later, and
  // an older value would pull a dragged knob back).
  void PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
  // The host's idle call: ticks the editor when its pump says so. Always 0 (the editor lives in the
  // host's window, which the host closes).
  int Idle();

  // A parameter's value as its port holds it (plain units, "enabled" inverted); NaN for an index
  // outside the list.
  float PortValue(int paramIndex) const;

  IEditorPump* EditorPump() override { return &mPump; }
  bool ResizeEditorWindow(int width, int height) override;
  void BeginParamGesture(int paramIndex) override;
  void EndParamGesture(int paramIndex) override;
  void AutomateParam(int paramIndex, double normalized) override;
  bool SendMidiToHost(const IMidiMessage&) override { return false; }

private:
  bool ValidParam(int index) const { return index >= 0 && index < mLayout.params; }
  uint32_t PortOf(int paramIndex) const { return mLayout.FirstControl() + static_cast<uint32_t>(paramIndex); }
  void Touch(int paramIndex, bool grabbed);

  Lv2PortLayout mLayout;
  Lv2UiHost mHost;
  Lv2UiPump mPump;
  // Which parameters the editor is in a gesture on.
  std::vector<bool> mInGesture;
};

// Made by the plug-in: one instance per instantiate call.
IEffectLV2UI* MakePlugin(const IInstanceInfo& info);

} // namespace lumen
