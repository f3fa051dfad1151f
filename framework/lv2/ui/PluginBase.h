#pragma once

// The base class a plug-in derives from when it is built as the user interface of an LV2 plug-in,
// and the record its constructor takes. Every binding folder has a header of this name; a plug-in
// target sees exactly one, so the plug-in's own sources never name a format.
#include "IEffectLV2UI.h"
#include "IInstanceInfo.h"

namespace lumen {

using PluginBase = IEffectLV2UI;

} // namespace lumen
