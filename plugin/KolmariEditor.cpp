#include "KolmariEditor.h"

#include "EmbeddedResources.h"
#include "ABControl.h"
#include "EditorSession.h"
#include "IBitmapControl.h"
#include "IBitmapKnobControl.h"
#include "IBitmapRotaterControl.h"
#include "IBitmapSwitchControl.h"
#include "ICanvas.h"
#include "ICornerResizerControl.h"
#include "IEffectAPIBase.h"
#include "IParam.h"
#include "ITextControl.h"
#include "IKeyCodes.h"
#include "KolmariParams.h"
#include "PresetBarControl.h"
#include "ProgramFile.h"
#include "UserPresetStore.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace kolmari {

using namespace lumen::canvas;

namespace {

// The pictures in the order the layout fetches them, with their frame counts (frames stacked
// vertically).
struct Picture {
  const char* name;
  int frames;
};
constexpr std::array<Picture, 10> kPictures{{
    {"ledOn.png", 2},
    {"LiukuAnim.png", 2},
    {"Nuppi.png", 1},
    {"Kolmaribackground.jpg", 1},
    {"NupikkaVarjo.png", 1},
    {"NuppiOverlay.png", 1},
    {"BIASNUPPI.png", 1},
    {"FlipperAnim.png", 2},
    {"Oversampling.png", 4},
    {"Delta.png", 2},
}};
// Named apart from the parameters (kDelta, kOversampling) that share their words.
enum PictureIndex { kPicLed, kPicSlide, kPicKnob, kPicBackground, kPicKnobShadow, kPicKnobOverlay, kPicBiasKnob, kPicFlipper, kPicOversampling, kPicDelta };

enum class Kind { Knob, Rotater, Switch };
struct Placement {
  Kind kind;
  float x, y;
  PictureIndex picture;
  int param;
};
// Attach order is drawing order: each big knob is a shadow, a body and an overlay on one
// parameter; the overlay, on top, takes the mouse.
constexpr std::array<Placement, 18> kControls{{
    {Kind::Knob, 824, 0, kPicLed, kBypass},
    {Kind::Rotater, 558, 630, kPicBiasKnob, kBias},
    {Kind::Switch, 516, 752, kPicSlide, kReact},
    {Kind::Switch, 1339, 354, kPicFlipper, kBypass},
    {Kind::Rotater, 137, 286, kPicKnobShadow, kInputGain},
    {Kind::Rotater, 137, 683, kPicKnobShadow, kTame},
    {Kind::Rotater, 891, 683, kPicKnobShadow, kOutputGain},
    {Kind::Rotater, 1246, 683, kPicKnobShadow, kWet},
    {Kind::Rotater, 137, 206, kPicKnob, kInputGain},
    {Kind::Rotater, 137, 603, kPicKnob, kTame},
    {Kind::Rotater, 891, 603, kPicKnob, kOutputGain},
    {Kind::Rotater, 1246, 603, kPicKnob, kWet},
    {Kind::Knob, 126, 192, kPicKnobOverlay, kInputGain},
    {Kind::Knob, 126, 590, kPicKnobOverlay, kTame},
    {Kind::Knob, 882, 590, kPicKnobOverlay, kOutputGain},
    {Kind::Knob, 1237, 590, kPicKnobOverlay, kWet},
    {Kind::Switch, 1525, 790, kPicDelta, kDelta},
    {Kind::Switch, 1525, 890, kPicOversampling, kOversampling},
}};

// The build's embedded files as the surface's table: names without the quote characters the
// module-resource convention wraps them in.
struct ResourceTableHolder {
  std::vector<std::string> names;
  std::vector<IEmbeddedResource> entries;
  IResourceTable table;
  ResourceTableHolder() {
    for (const EmbeddedResource& r : EmbeddedResources()) {
      std::string_view name(r.name);
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
      names.emplace_back(name);
    }
    const auto resources = EmbeddedResources();
    for (std::size_t i = 0; i < resources.size(); ++i) {
      entries.push_back({names[i].c_str(), resources[i].type, resources[i].data, resources[i].size});
    }
    table = IResourceTable(entries);
  }
};

// The switches' states as their pictures label them; the parameters themselves show plain numbers
// (the engine truncates them to whole states).
std::string SwitchStateName(int paramIdx, double value)
{
  const int state = static_cast<int>(value);
  switch (paramIdx) {
  case kBypass:
  case kReact:
  case kDelta: return state >= 1 ? "On" : "Off";
  case kOversampling: {
    static constexpr std::array<const char*, 4> kFactors{"1\u00d7", "2\u00d7", "4\u00d7", "8\u00d7"};
    return state >= 0 && state < 4 ? kFactors[static_cast<std::size_t>(state)] : "";
  }
  default: return {};
  }
}

} // namespace

const IResourceTable& EditorResources()
{
  static const ResourceTableHolder holder;
  return holder.table;
}

std::string VersionLabel(int32_t packedVersion, const char* apiName)
{
  char label[101];
  std::snprintf(label, sizeof(label), "%s %s %s", lumen::IEffectAPIBase::VersionText(packedVersion).c_str(), "x86-64",
                apiName != nullptr ? apiName : "");
  return label;
}

std::unique_ptr<ICanvas> MakeEditorSurface(lumen::ICanvasEditorDelegate& delegate, const SurfaceMaker& makeSurface)
{
  if (!makeSurface) return nullptr;
  std::unique_ptr<ICanvas> ui = makeSurface(delegate, kEditorWidth, kEditorHeight, kEditorFPS, kEditorInitialScale);
  if (ui) ui->SetResourceTable(&EditorResources());
  return ui;
}

namespace {

// The preset bar and the A/B buttons, in the free space under the logo, centred on it.
constexpr float kLogoCentreX = 815.0f;
const IRectF kPresetBar(kLogoCentreX - 330.0f, 372.0f, kLogoCentreX + 330.0f, 430.0f);
const IRectF kABRow(kLogoCentreX - 166.0f, 446.0f, kLogoCentreX + 166.0f, 490.0f);

// Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo. Hosts may keep these keys for themselves: the
// preset menu has the same commands.
bool UndoKeys(lumen::EditorSession& session, const lumen::IKeyEvent& key, bool isUp)
{
  if (!key.control || key.alt) return false;
  const bool undo = key.keyCode == kKeyA + ('Z' - 'A') && !key.shift;
  const bool redo = (key.keyCode == kKeyA + ('Z' - 'A') && key.shift) || (key.keyCode == kKeyA + ('Y' - 'A') && !key.shift);
  if (!undo && !redo) return false;
  if (!isUp) {
    if (undo) session.Undo();
    else session.Redo();
  }
  return true;
}

// The editor's controls for the presets, A/B and undo.
void LayoutPresetControls(ICanvas& ui, lumen::EditorSession& session, lumen::UserPresetStore* store)
{
  if (session.Presets().Count() == 0) session.SetFactoryPresets(lumen::PluginFactoryPresets());
  // Read now, not only when the menu opens: a project reloaded with a user preset's settings shows
  // its name.
  if (store) session.SetUserPresets(store->Scan());
  ui.AddControl(new PresetBarControl(kPresetBar, session, store));
  ui.AddControl(new ABControl(kABRow, session));
  ui.SetKeyHandler([&session](const lumen::IKeyEvent& key, bool isUp) { return UndoKeys(session, key, isUp); });
}

} // namespace

void LayoutEditor(ICanvas& ui, const std::string& versionLabel, lumen::EditorSession* session,
                  lumen::UserPresetStore* store)
{
  if (ui.ControlCount() > 0) return;

  ui.EnableTooltips(true);
  ui.EnableMouseOver(true);
  const IRectF bounds(0, 0, static_cast<float>(ui.Width()), static_cast<float>(ui.Height()));
  ui.AttachResizeGrip(new ICornerResizerControl(bounds, 20.0f), ResizeMode::Scale, true);
  ui.CreateTextEditor();
  ui.AddFont("Roboto-Regular", "Roboto-Regular.ttf");

  ITextStyle labelStyle;
  labelStyle.SetFont("Roboto-Regular");
  labelStyle.size = 20.0f;
  labelStyle.color = kColorWhite;
  labelStyle.entryBackground = kColorWhite;
  labelStyle.entryForeground = kColorBlack;
  labelStyle.align = ITextStyle::Centre;
  labelStyle.valign = ITextStyle::Middle;
  // Under the oversampling factors, right-aligned with them and as far from the bottom edge as the
  // artwork's labels are from theirs; the switch beside it keeps the corner.
  labelStyle.align = ITextStyle::Far;
  ui.AddControl(new ITextControl(IRectF(bounds.R - 430, bounds.B - 40, bounds.R - 114, bounds.B - 16), versionLabel.c_str(),
                                 labelStyle, kColorTransparent, false));

  ITextStyle readoutStyle;
  readoutStyle.SetFont("Roboto-Regular");
  readoutStyle.size = 26.0f;
  ui.EnableValueReadout(readoutStyle);
  ui.SetValueNamer(SwitchStateName);

  // The pictures exist at scale 1 only; asking for 2 finds and caches them at 1.
  std::array<IBitmapHandle, kPictures.size()> pictures;
  for (std::size_t i = 0; i < kPictures.size(); ++i) pictures[i] = ui.FetchBitmap(kPictures[i].name, kPictures[i].frames, false, 2);

  for (const Placement& c : kControls) {
    const IBitmapHandle& picture = pictures[c.picture];
    const IRectF r(c.x, c.y, c.x + static_cast<float>(picture.FrameWidth()), c.y + static_cast<float>(picture.FrameHeight()));
    switch (c.kind) {
    case Kind::Knob: {
      IControl* knob = ui.AddControl(new IBitmapKnobControl(r, picture, c.param));
      // The lamp spans the whole right-hand panel: a readout wherever the pointer rests there would
      // only get in the way; the flipper shows the bypass state.
      if (c.picture == kPicLed) knob->SetShowsReadout(false);
      break;
    }
    case Kind::Rotater: ui.AddControl(new IBitmapRotaterControl(r, picture, c.param)); break;
    case Kind::Switch: ui.AddControl(new IBitmapSwitchControl(r, picture, c.param)); break;
    }
  }

  if (session) LayoutPresetControls(ui, *session, store);

  ui.SetBackground(ui.FetchBitmap("Kolmaribackground.jpg", 1, false, 0));

  // A new editor shows the parameters as they are now, not the controls' defaults.
  ui.ForEachListedControl([](IControl& control) {
    for (int k = 0; k < control.NValues(); ++k) {
      if (const lumen::IParam* param = control.GetParam(k)) control.SetValue(param->GetNormalized(), k);
    }
  });
}

void InstallEditor(lumen::IEffectAPIBase& plugin, SurfaceMaker makeSurface)
{
  plugin.SetEditorFactory([&plugin, makeSurface = std::move(makeSurface)] { return MakeEditorSurface(plugin, makeSurface); });
  const std::string label = VersionLabel(kPackedVersion, plugin.ApiName());
  lumen::ProgramFileOwner owner;
  owner.fxID = plugin.UniqueId();
  owner.fxVersion = plugin.Version();
  owner.numParams = plugin.NParams();
  auto store = std::make_shared<lumen::UserPresetStore>(plugin, owner,
                                                        lumen::UserPresetStore::DefaultFolder("Lumenfold", "Kolmari"));
  plugin.SetLayoutFunction([label, &plugin, store](ICanvas& ui) { LayoutEditor(ui, label, &plugin.Session(), store.get()); });
}

} // namespace kolmari
