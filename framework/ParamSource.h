#pragma once

namespace lumen {

// Why a parameter changed; passed with every parameter notification.
enum class ParamSource : int {
  Reset = 0,
  Host = 1,
  Preset = 2,
  UI = 3,
  EditorDelegate = 4,
  Recompile = 5,
  Unknown = 6,
};

// The display name of a source ("Reset", "Host", "Preset", "UI", "Editor Delegate", "Recompile",
// "Unknown"); a value outside the enumeration reads as "Unknown".
constexpr const char* ParamSourceName(ParamSource source) {
  switch (source) {
    case ParamSource::Reset: return "Reset";
    case ParamSource::Host: return "Host";
    case ParamSource::Preset: return "Preset";
    case ParamSource::UI: return "UI";
    case ParamSource::EditorDelegate: return "Editor Delegate";
    case ParamSource::Recompile: return "Recompile";
    case ParamSource::Unknown: break;
  }
  return "Unknown";
}

} // namespace lumen
