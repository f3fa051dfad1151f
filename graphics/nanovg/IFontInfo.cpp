#include "IFontInfo.h"

#include <cstring>

namespace lumen::canvas {

namespace {

// Big-endian reads that answer false instead of reading past the end.
class Reader {
public:
  explicit Reader(std::span<const uint8_t> bytes) : mBytes(bytes) {}
  bool U16(std::size_t at, uint16_t& v) const {
    if (at > mBytes.size() || mBytes.size() - at < 2) return false;
    v = static_cast<uint16_t>((mBytes[at] << 8) | mBytes[at + 1]);
    return true;
  }
  bool U32(std::size_t at, uint32_t& v) const {
    if (at > mBytes.size() || mBytes.size() - at < 4) return false;
    v = (uint32_t{mBytes[at]} << 24) | (uint32_t{mBytes[at + 1]} << 16) | (uint32_t{mBytes[at + 2]} << 8) |
        uint32_t{mBytes[at + 3]};
    return true;
  }
  bool Tag(std::size_t at, const char* tag) const {
    return at <= mBytes.size() && mBytes.size() - at >= 4 && std::memcmp(&mBytes[at], tag, 4) == 0;
  }
  bool Has(std::size_t at, std::size_t n) const { return at <= mBytes.size() && mBytes.size() - at >= n; }
  const uint8_t* At(std::size_t at) const { return &mBytes[at]; }

private:
  std::span<const uint8_t> mBytes;
};

void AppendUtf8(std::string& out, uint32_t c)
{
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf16BEToUtf8(const Reader& r, std::size_t at, std::size_t length)
{
  std::string out;
  for (std::size_t i = 0; i + 1 < length; i += 2) {
    uint16_t unit = 0;
    if (!r.U16(at + i, unit)) break;
    uint32_t c = unit;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < length) {
      uint16_t low = 0;
      if (r.U16(at + i + 2, low) && low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((uint32_t{unit} - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

// Name id nameId: the Windows (3, 1, 1033) form when it gives a non-empty text, else the Macintosh
// (1, 0, 0) form.
std::string ReadName(const Reader& r, std::size_t table, uint16_t nameId)
{
  uint16_t count = 0, storage = 0;
  if (!r.U16(table + 2, count) || !r.U16(table + 4, storage)) return {};
  std::string windowsForm, macForm;
  for (uint16_t i = 0; i < count; ++i) {
    const std::size_t rec = table + 6 + std::size_t{i} * 12;
    uint16_t platform = 0, encoding = 0, language = 0, id = 0, length = 0, offset = 0;
    if (!r.U16(rec, platform) || !r.U16(rec + 2, encoding) || !r.U16(rec + 4, language) || !r.U16(rec + 6, id) ||
        !r.U16(rec + 8, length) || !r.U16(rec + 10, offset)) {
      break;
    }
    if (id != nameId) continue;
    const std::size_t at = table + storage + offset;
    if (!r.Has(at, length)) continue;
    if (platform == 3 && encoding == 1 && language == 1033 && windowsForm.empty()) {
      windowsForm = Utf16BEToUtf8(r, at, length);
    } else if (platform == 1 && encoding == 0 && language == 0 && macForm.empty()) {
      macForm.assign(reinterpret_cast<const char*>(r.At(at)), length);
    }
  }
  return windowsForm.empty() ? macForm : windowsForm;
}

} // namespace

IFontInfo IFontInfo::Parse(std::span<const uint8_t> bytes, int faceIndex)
{
  IFontInfo info;
  const Reader r(bytes);
  if (faceIndex < 0) return info;
  static const uint8_t trueType1[4] = {'1', 0, 0, 0};
  static const uint8_t trueType[4] = {0, 1, 0, 0};
  const bool single = (r.Has(0, 4) && (std::memcmp(r.At(0), trueType1, 4) == 0 ||
                                       std::memcmp(r.At(0), trueType, 4) == 0)) ||
                      r.Tag(0, "typ1") || r.Tag(0, "OTTO");
  if (single) {
    if (faceIndex != 0) return info;
    info.faceOffset = 0;
  } else if (r.Tag(0, "ttcf")) {
    uint32_t version = 0, faces = 0, offset = 0;
    if (!r.U32(4, version) || (version != 0x00010000 && version != 0x00020000)) return info;
    if (!r.U32(8, faces) || static_cast<uint32_t>(faceIndex) >= faces) return info;
    if (!r.U32(12 + 4 * std::size_t(faceIndex), offset)) return info;
    info.faceOffset = offset;
  } else {
    return info;
  }

  uint16_t tables = 0;
  if (!r.U16(info.faceOffset + 4, tables)) return info;
  for (uint16_t i = 0; i < tables; ++i) {
    const std::size_t rec = info.faceOffset + 12 + std::size_t{i} * 16;
    uint32_t offset = 0;
    if (!r.U32(rec + 8, offset)) break;
    if (r.Tag(rec, "head")) info.head = offset;
    else if (r.Tag(rec, "name")) info.name = offset;
    else if (r.Tag(rec, "hhea")) info.hhea = offset;
    else if (r.Tag(rec, "fdsc")) info.fdsc = offset;
  }
  if (info.head == 0 || info.name == 0 || info.hhea == 0) return info;

  uint16_t u = 0;
  if (!r.U16(info.head + 18, info.unitsPerEm) || !r.U16(info.head + 44, info.styleFlags)) return info;
  if (!r.U16(info.hhea + 4, u)) return info;
  info.ascender = static_cast<int16_t>(u);
  if (!r.U16(info.hhea + 6, u)) return info;
  info.descender = static_cast<int16_t>(u);
  if (!r.U16(info.hhea + 8, u)) return info;
  info.lineGap = static_cast<int16_t>(u);
  info.family = ReadName(r, info.name, 1);
  info.style = ReadName(r, info.name, 2);
  info.valid = true;
  return info;
}

} // namespace lumen::canvas
