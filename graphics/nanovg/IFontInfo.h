#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace lumen::canvas {

// What the table directory of one face of a TrueType/OpenType font (or collection) says about it:
// where its tables are, its family and style names and its vertical metrics. Parsing only reads
// within the given bytes; anything that does not fit leaves the information invalid.
struct IFontInfo {
  std::size_t faceOffset = 0; // start of the face's table directory
  std::size_t head = 0, name = 0, hhea = 0, fdsc = 0; // table offsets, 0 = missing
  std::string family; // name id 1
  std::string style;  // name id 2
  uint16_t styleFlags = 0; // bit 0 bold, bit 1 italic, bit 2 underline
  uint16_t unitsPerEm = 0;
  int16_t ascender = 0, descender = 0, lineGap = 0;
  bool valid = false; // the face exists and has its head, name and hhea tables

  // Face faceIndex of a single font (only face 0) or of a collection.
  static IFontInfo Parse(std::span<const uint8_t> bytes, int faceIndex);
};

} // namespace lumen::canvas
