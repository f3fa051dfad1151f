#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumen {

// Who a program file is for: the plug-in's four-character ID, its packed version and its
// parameter count. Files for another ID are refused.
struct ProgramFileOwner {
  int32_t fxID = 0;
  int32_t fxVersion = 0;
  int numParams = 0;
};

// One program as a file holds it: its name, and either the plug-in's own chunk bytes (chunk form)
// or one normalised value (0..1) per parameter, in parameter order (value form).
struct ProgramFileContents {
  std::string name;
  bool hasChunk = false;
  std::vector<uint8_t> chunk;  // when hasChunk
  std::vector<double> values;  // otherwise: numParams normalised values
  int32_t fxVersion = 0;       // the version of the plug-in that wrote it
};

// The program file every VST2 host reads and writes (.fxp): a big-endian header ('CcnK', size,
// form, format version, plug-in ID and version, parameter count, a 28-byte name), then either the
// plug-in's chunk ('FPCh') or one float per parameter ('FxCk'). Pure bytes in and out; no format
// binding is needed, so any format's editor or tool can save and load these files.
// Stateless; safe from any thread, never from the audio thread (it allocates).
class ProgramFile {
public:
  // Bytes before a form's payload: magic, size, form, version, ID, version, count, name.
  static constexpr size_t kHeaderBytes = 7 * 4 + 28;
  // The name field's size, terminating zero included.
  static constexpr size_t kNameBytes = 28;
  // Larger files are not a program of an effect; refusing them keeps a wrong file from being read.
  static constexpr size_t kMaxFileBytes = 16u << 20;

  // The chunk form of one program: name (cut to 27 bytes at a character boundary) and chunk.
  // Returns no bytes for an empty or oversized chunk.
  static std::vector<uint8_t> WriteChunkForm(const ProgramFileOwner& owner, const std::string& name,
                                             const std::vector<uint8_t>& chunk);
  // The value form: one normalised value per parameter (values.size() must be owner.numParams,
  // each within 0..1; otherwise no bytes).
  static std::vector<uint8_t> WriteValueForm(const ProgramFileOwner& owner, const std::string& name,
                                             const std::vector<double>& values);

  // Reads either form. A file that is truncated, oversized, not a program file, a bank, made for
  // another plug-in, or holds a wrong parameter count or values outside 0..1 gives false and a
  // sentence for the user in `error`; `out` is then left untouched.
  static bool Read(const uint8_t* data, size_t size, const ProgramFileOwner& owner, ProgramFileContents& out,
                   std::string& error);

  // The file at a UTF-8 path, read whole then as above (missing, unreadable and oversized files
  // are errors too).
  static bool Load(const std::string& path, const ProgramFileOwner& owner, ProgramFileContents& out,
                   std::string& error);
  // Writes bytes to a UTF-8 path all or nothing: to a temporary file beside it, then renamed over
  // it, so a failed write never leaves a half file in place of a good one.
  static bool Save(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

  // A four-character code as text for messages ('ofzo'; unprintable bytes as \xNN).
  static std::string CodeText(int32_t code);
};

} // namespace lumen
