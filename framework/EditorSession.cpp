#include "EditorSession.h"

#include "IEffectAPIBase.h"
#include "IParam.h"

#include <cmath>
#include <utility>

namespace lumen {

EditorSession::EditorSession(IEffectAPIBase& plugin) : mPlugin(plugin) {}

void EditorSession::OnEditorGestureBegin(int index) {
  const IParam* param = mPlugin.GetParam(index);
  if (param && !mApplying) mHistory.BeginGesture(index, param->Value());
}

void EditorSession::OnEditorValueSet(int index, double before) {
  const IParam* param = mPlugin.GetParam(index);
  if (param && !mApplying) mHistory.NoteChange(index, before, param->Value());
}

void EditorSession::OnEditorGestureEnd(int index) {
  const IParam* param = mPlugin.GetParam(index);
  if (param && !mApplying) mHistory.EndGesture(index, param->Value());
}

void EditorSession::OnStateRestored() {
  if (!mApplying) Rematch();
}

std::vector<double> EditorSession::CurrentValues() const {
  std::vector<double> values(static_cast<size_t>(mPlugin.NParams()));
  for (int i = 0; i < mPlugin.NParams(); ++i) values[static_cast<size_t>(i)] = mPlugin.GetParam(i)->Value();
  return values;
}

std::vector<double> EditorSession::AsParamsHold(const std::vector<double>& values) const {
  std::vector<double> held(static_cast<size_t>(mPlugin.NParams()));
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    const IParam& param = *mPlugin.GetParam(i);
    const size_t k = static_cast<size_t>(i);
    held[k] = param.Constrain(k < values.size() && std::isfinite(values[k]) ? values[k] : param.Default());
  }
  return held;
}

int EditorSession::Apply(const std::vector<double>& values) {
  const std::vector<double> target = AsParamsHold(values);
  const bool wasApplying = std::exchange(mApplying, true);
  int changed = 0;
  for (int i = 0; i < mPlugin.NParams(); ++i) {
    IParam& param = *mPlugin.GetParam(i);
    const double value = target[static_cast<size_t>(i)];
    if (param.Value() == value) continue;
    ++changed;
    mPlugin.BeginParamGestureFromEditor(i);
    mPlugin.SetParamFromEditor(i, param.NormalizeValue(value));
    // The way through 0..1 may round; the parameter holds the value itself, so that the settings
    // equal the preset (or the undone step) exactly.
    if (param.Value() != value) {
      param.Set(value);
      mPlugin.OnParamChange(i, ParamSource::UI, -1);
    }
    mPlugin.DeliverParamValue(i, value, false);
    mPlugin.EndParamGestureFromEditor(i);
  }
  mApplying = wasApplying;
  return changed;
}

bool EditorSession::ApplyAsStep(const std::vector<double>& values, bool abSwitch) {
  const std::vector<double> before = CurrentValues();
  const std::vector<double> target = AsParamsHold(values);
  HistoryStep step;
  step.abSwitch = abSwitch;
  for (size_t i = 0; i < before.size(); ++i) {
    if (before[i] != target[i]) step.changes.push_back(ParamChange{static_cast<int>(i), before[i], target[i]});
  }
  if (step.empty() || mHistory.GestureOpen()) return false;
  Apply(target);
  mHistory.Record(std::move(step));
  return true;
}

void EditorSession::SetFactoryPresets(const std::vector<FactoryPreset>& presets) {
  std::vector<PresetEntry> entries;
  entries.reserve(presets.size());
  for (const FactoryPreset& p : presets) {
    PresetEntry entry;
    entry.category = p.category;
    entry.name = p.name;
    entry.values = AsParamsHold(p.values);
    entries.push_back(std::move(entry));
  }
  mPresets.SetFactory(std::move(entries));
  Rematch();
}

void EditorSession::SetUserPresets(std::vector<PresetEntry> presets) {
  for (PresetEntry& p : presets) {
    if (p.error.empty()) p.values = AsParamsHold(p.values);
  }
  // The loaded preset's index moves with the list; it is found again by what it is.
  const PresetEntry* loaded = mPresets.At(mLoaded);
  const bool loadedUser = loaded && loaded->user;
  mPresets.SetUser(std::move(presets));
  if (loaded) mLoaded = mPresets.Find(mLoadedName, loadedUser);
  Rematch();
}

bool EditorSession::LoadPreset(int index) {
  const PresetEntry* preset = mPresets.At(index);
  if (!preset || !preset->error.empty() || mHistory.GestureOpen()) return false;
  // A preset equal to the settings still becomes the loaded one (its name shows), without a step.
  ApplyAsStep(preset->values);
  SetLoaded(index);
  mPlugin.ModifyCurrentPreset(preset->name.c_str());
  mPlugin.InformHostOfPresetChange();
  return true;
}

void EditorSession::SetLoaded(int index) {
  const PresetEntry* preset = mPresets.At(index);
  if (!preset) return;
  mLoaded = index;
  mLoadedName = preset->name;
  mLoadedValues = preset->values;
}

void EditorSession::MarkSavedAs(const std::string& name) {
  mLoaded = mPresets.Find(name, true);
  mLoadedName = name;
  mLoadedValues = CurrentValues();
  mPlugin.ModifyCurrentPreset(name.c_str());
  mPlugin.InformHostOfPresetChange();
}

bool EditorSession::SameSettings(const std::vector<double>& a, const std::vector<double>& b) const {
  if (a.size() != b.size() || a.size() != static_cast<size_t>(mPlugin.NParams())) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const IParam& param = *mPlugin.GetParam(static_cast<int>(i));
    if (static_cast<float>(param.NormalizeValue(a[i])) != static_cast<float>(param.NormalizeValue(b[i]))) return false;
  }
  return true;
}

bool EditorSession::Modified() const { return !SameSettings(mLoadedValues, CurrentValues()); }

void EditorSession::Rematch() {
  const std::vector<double> current = CurrentValues();
  if (SameSettings(current, mLoadedValues)) return;
  int match = -1;
  for (int i = 0; i < mPresets.Count() && match < 0; ++i) {
    const PresetEntry& p = *mPresets.At(i);
    if (p.error.empty() && SameSettings(current, p.values)) match = i;
  }
  if (match >= 0) {
    SetLoaded(match);
  } else if (mLoadedValues.empty() && mPresets.Count() > 0) {
    // Nothing loaded yet and no preset equal: the settings are a change of the first preset.
    SetLoaded(0);
  }
}

bool EditorSession::SwitchAB() {
  if (mHistory.GestureOpen()) return false;
  const std::vector<double> other = mAB.Switch(CurrentValues());
  ApplyAsStep(other, true);
  Rematch();
  return true;
}

bool EditorSession::CopyAToB() {
  if (mHistory.GestureOpen()) return false;
  const auto values = mAB.CopyAToB(CurrentValues());
  if (!values) return true;
  ApplyAsStep(*values);
  Rematch();
  return true;
}

void EditorSession::ApplyHistoryStep(const HistoryStep& step, bool forward) {
  std::vector<double> values = CurrentValues();
  // The slots switch with the step: the one left keeps the settings it is left with.
  if (step.abSwitch) mAB.Switch(values);
  for (const ParamChange& c : step.changes) {
    if (c.index >= 0 && static_cast<size_t>(c.index) < values.size())
      values[static_cast<size_t>(c.index)] = forward ? c.after : c.before;
  }
  Apply(values);
  Rematch();
}

bool EditorSession::Undo() {
  const HistoryStep step = mHistory.TakeUndo();
  if (step.empty()) return false;
  ApplyHistoryStep(step, false);
  return true;
}

bool EditorSession::Redo() {
  const HistoryStep step = mHistory.TakeRedo();
  if (step.empty()) return false;
  ApplyHistoryStep(step, true);
  return true;
}

} // namespace lumen
