// The plug-in built as LV2, its DSP half: the instance the entry point makes (no editor: the binary
// links no window system or GL). What LV2 shows that the parameters do not say is in
// KolmariLv2Data.cpp, which the UI binary shares.
#include "Kolmari.h"

lumen::IEffectSettings lumen::PluginSettings() { return kolmari::Kolmari::Settings(); }

lumen::PluginBase* lumen::MakePlugin(const IInstanceInfo& info) { return new kolmari::Kolmari(info); }
