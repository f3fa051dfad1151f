#pragma once

#include "ABSlots.h"
#include "EditorHistory.h"
#include "FactoryPreset.h"
#include "PresetList.h"

#include <string>
#include <vector>

namespace lumen {

class IEffectAPIBase;

// What the editor keeps for one plug-in instance beyond the parameters: the presets it offers and
// which one is loaded, the A/B settings, and the undo history. It lives as long as the plug-in, so
// it outlasts every editor window.
//
// Every change it makes reaches the host through the delegate's editor-to-host path, one gesture
// (begin, set, end) per parameter that changes, so each format hears it as it hears a control:
// VST2 automation between begin and end edit, CLAP gestures, VST3 performEdit, LV2 port writes.
// A preset load, an A/B switch, an undo and a redo are one history step each.
//
// The editor's own gestures reach it through the On... calls (the host-API base makes them);
// host automation does not, so it is never recorded. User-interface thread only.
class EditorSession {
public:
  explicit EditorSession(IEffectAPIBase& plugin);

  // ---- From the host-API base: the editor's gestures, and a restored state ----------------------
  void OnEditorGestureBegin(int index);
  // The editor set a parameter that held before.
  void OnEditorValueSet(int index, double before);
  void OnEditorGestureEnd(int index);
  // A state or program the host restored: names the preset the settings equal, if any.
  void OnStateRestored();
  // The same for values the host set one by one (hosts restore plug-ins without chunks so): keeps
  // the loaded preset when the settings equal it, else names the preset they equal, if any. The
  // editor asks while it shows the settings as changed.
  void Refresh() { Rematch(); }

  // ---- Presets ---------------------------------------------------------------------------------
  // The factory presets, taken as the parameters would hold them (missing values are the defaults).
  void SetFactoryPresets(const std::vector<FactoryPreset>& presets);
  // The user presets (values as read from their files), then the loaded preset is matched anew.
  void SetUserPresets(std::vector<PresetEntry> presets);
  const PresetList& Presets() const { return mPresets; }

  // Loads a preset as one step. The plug-in's preset slot takes its name (hosts that show the
  // program name show it). False for an index outside the list.
  bool LoadPreset(int index);
  // The loaded preset's index (-1 when it is no longer in the list), its name, and whether the
  // settings differ from it.
  int LoadedPreset() const { return mLoaded; }
  const std::string& LoadedName() const { return mLoadedName; }
  bool Modified() const;
  // Makes the present settings the loaded preset under that name (after saving them as one).
  void MarkSavedAs(const std::string& name);

  // ---- A/B ---------------------------------------------------------------------------------------
  // Switches to the other slot, as one step; false when there was nothing to do.
  bool SwitchAB();
  // See ABSlots::CopyAToB; with B active this changes the settings, as one step.
  bool CopyAToB();
  ABSlots::Slot ActiveSlot() const { return mAB.Active(); }

  // ---- Undo --------------------------------------------------------------------------------------
  bool Undo();
  bool Redo();
  const EditorHistory& History() const { return mHistory; }

  // ---- Values ------------------------------------------------------------------------------------
  // Every parameter's real value, by index.
  std::vector<double> CurrentValues() const;
  // values made what the parameters would hold: each stepped and clamped by its parameter, a
  // missing or non-finite one the parameter's default.
  std::vector<double> AsParamsHold(const std::vector<double>& values) const;
  // Sets the values as editor gestures, without recording them; returns how many changed.
  int Apply(const std::vector<double>& values);
  // Whether two settings are the same as hosts store them: every parameter's normalised value
  // equal as a 32-bit float (the precision of a VST2 host's parameters and of FxCk files; the
  // 64-bit chunk formats keep at least that). Settings of another size are never the same.
  bool SameSettings(const std::vector<double>& a, const std::vector<double>& b) const;

private:
  // Sets values as one recorded step; false when nothing changed.
  bool ApplyAsStep(const std::vector<double>& values, bool abSwitch = false);
  void ApplyHistoryStep(const HistoryStep& step, bool forward);
  // Keeps the loaded preset when the settings equal it; otherwise names the preset they equal, if any.
  void Rematch();
  void SetLoaded(int index);

  IEffectAPIBase& mPlugin;
  EditorHistory mHistory;
  ABSlots mAB;
  PresetList mPresets;
  int mLoaded = -1;
  std::string mLoadedName;
  std::vector<double> mLoadedValues;
  // Set while the session itself changes parameters: its own gestures are not recorded twice.
  bool mApplying = false;
};

} // namespace lumen
