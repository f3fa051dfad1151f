#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumen::vst3 {

// What a VST3 preset file holds for us: the class it is for (32 hex digits, the class id's four
// words in order), the component's state, and the optional XML description hosts show.
struct Vst3PresetContents {
  std::string classId;
  std::vector<uint8_t> componentState;
  std::string metaInfo;
};

// The VST3 preset file (.vstpreset): a 48-byte header ('VST3', format version 1, the class id as
// ASCII, the offset of the chunk list), the chunks' data, then the list ('List', a count, and per
// chunk its four-character id, offset and size; all little-endian). Kolmari's component is also
// its edit controller, so the component state ('Comp') is the whole state; 'Info' is the XML
// description. Pure bytes; used by the build (writing the factory presets) and by hosts' tests.
// Stateless; any thread but the audio thread.
class Vst3PresetFile {
public:
  static constexpr size_t kHeaderBytes = 48;
  static constexpr size_t kClassIdChars = 32;
  // Larger files are not a preset of an effect; refusing them keeps a wrong file from being read.
  static constexpr size_t kMaxFileBytes = 16u << 20;

  // The file, or no bytes when the class id is not 32 hex digits or the state is empty.
  static std::vector<uint8_t> Write(const std::string& classId, const std::vector<uint8_t>& componentState,
                                    const std::string& metaInfo);

  // The XML description: media type, plug-in name and category, and the preset's name and
  // category, with the characters XML reserves escaped.
  static std::string MetaInfo(const std::string& pluginName, const std::string& pluginCategory,
                              const std::string& presetName, const std::string& presetCategory);

  // Reads a file: false with a sentence in `error`, and `out` untouched, when it is not a VST3
  // preset, is truncated, its list or a chunk points outside it, or it has no component state.
  static bool Read(const uint8_t* data, size_t size, Vst3PresetContents& out, std::string& error);
};

} // namespace lumen::vst3
