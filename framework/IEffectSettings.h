#pragma once

#include <cstdint>

namespace lumen {

// The configuration a plug-in's constructor hands to the framework, in this field order.
struct IEffectSettings {
  int32_t nParams = 0;
  int32_t nPresets = 0;
  const char* channelIO = "";  // accepted layouts, for example "1-1 2-2"
  const char* pluginName = "";
  const char* productName = "";
  const char* makerName = "";
  int32_t version = 0;         // major * 65536 + minor * 256 + fix
  int32_t uniqueId = 0;        // four-character code, first character in the most significant byte
  int32_t makerId = 0;
  int32_t latency = 0;         // samples
  bool doesMidiIn = false;
  bool doesMidiOut = false;
  bool doesMPE = false;
  bool usesStateChunks = false;
  int32_t plugType = 0;        // 0 effect, 1 instrument
  bool hasEditor = false;
  int32_t editorWidth = 0;
  int32_t editorHeight = 0;
  int32_t minEditorWidth = 0;
  int32_t maxEditorWidth = 0;
  int32_t minEditorHeight = 0;
  int32_t maxEditorHeight = 0;
  bool editorFlag = false;     // kept for hosts' sake; nothing reads it
  const char* identifier = "";  // reverse-domain id, for formats that name plug-ins so
  const char* features = "";    // space-separated categories a host files the plug-in under
};

// The plug-in's configuration without an instance, for a binding that describes the plug-in before
// any instance exists. Defined by the plug-in.
IEffectSettings PluginSettings();

// Packs a four-character code with its first character in the most significant byte.
constexpr int32_t FourCharCode(const char (&code)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(code[3])));
}

} // namespace lumen
