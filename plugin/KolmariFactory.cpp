// The one instance the VST 2.4 entry point makes per call.
#include "Kolmari.h"

lumen::IEffectVST2* lumen::MakePlugin(const IInstanceInfo& info) { return new kolmari::Kolmari(info); }
