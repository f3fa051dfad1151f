#include "Vst3PresetFile.h"

#include <cstring>

namespace lumen::vst3 {

namespace {

constexpr char kFileMagic[4] = {'V', 'S', 'T', '3'};
constexpr char kListMagic[4] = {'L', 'i', 's', 't'};
constexpr char kComponentChunk[4] = {'C', 'o', 'm', 'p'};
constexpr char kMetaInfoChunk[4] = {'I', 'n', 'f', 'o'};
constexpr int32_t kFormatVersion = 1;
constexpr size_t kEntryBytes = 4 + 8 + 8;

void PutLE(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t GetLE(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

bool IsClassId(const std::string& text) {
  if (text.size() != Vst3PresetFile::kClassIdChars) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

void Attribute(std::string& xml, const char* id, const std::string& value) {
  xml += "\t<Attr id=\"";
  xml += id;
  xml += "\" value=\"";
  xml += XmlEscaped(value);
  xml += "\" type=\"string\" flags=\"writeProtected\"/>\n";
}

bool Fail(std::string& error, const char* message) {
  error = message;
  return false;
}

} // namespace

std::vector<uint8_t> Vst3PresetFile::Write(const std::string& classId, const std::vector<uint8_t>& componentState,
                                           const std::string& metaInfo) {
  if (!IsClassId(classId) || componentState.empty()) return {};
  std::vector<uint8_t> out(kFileMagic, kFileMagic + 4);
  PutLE(out, kFormatVersion, 4);
  out.insert(out.end(), classId.begin(), classId.end());
  const size_t listOffsetAt = out.size();
  PutLE(out, 0, 8);

  struct Entry {
    const char* id;
    size_t offset;
    size_t size;
  };
  std::vector<Entry> entries;
  entries.push_back({kComponentChunk, out.size(), componentState.size()});
  out.insert(out.end(), componentState.begin(), componentState.end());
  if (!metaInfo.empty()) {
    entries.push_back({kMetaInfoChunk, out.size(), metaInfo.size()});
    out.insert(out.end(), metaInfo.begin(), metaInfo.end());
  }

  const size_t listOffset = out.size();
  for (int i = 0; i < 8; ++i) out[listOffsetAt + static_cast<size_t>(i)] = static_cast<uint8_t>(listOffset >> (8 * i));
  out.insert(out.end(), kListMagic, kListMagic + 4);
  PutLE(out, entries.size(), 4);
  for (const Entry& e : entries) {
    out.insert(out.end(), e.id, e.id + 4);
    PutLE(out, e.offset, 8);
    PutLE(out, e.size, 8);
  }
  return out;
}

std::string Vst3PresetFile::MetaInfo(const std::string& pluginName, const std::string& pluginCategory,
                                     const std::string& presetName, const std::string& presetCategory) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetaInfo>\n";
  Attribute(xml, "MediaType", "VstPreset");
  Attribute(xml, "PlugInName", pluginName);
  Attribute(xml, "PlugInCategory", pluginCategory);
  Attribute(xml, "Name", presetName);
  Attribute(xml, "Category", presetCategory);
  xml += "</MetaInfo>\n";
  return xml;
}

bool Vst3PresetFile::Read(const uint8_t* data, size_t size, Vst3PresetContents& out, std::string& error) {
  if (!data || size < kHeaderBytes || std::memcmp(data, kFileMagic, 4) != 0)
    return Fail(error, "This is not a VST3 preset file.");
  if (size > kMaxFileBytes) return Fail(error, "The VST3 preset file is too large.");
  const auto version = static_cast<int32_t>(GetLE(data + 4, 4));
  if (version < kFormatVersion) return Fail(error, "The VST3 preset file has an unknown format version.");
  Vst3PresetContents contents;
  contents.classId.assign(reinterpret_cast<const char*>(data + 8), kClassIdChars);
  if (!IsClassId(contents.classId)) return Fail(error, "The VST3 preset file's class id is not valid.");

  const uint64_t listOffset = GetLE(data + 40, 8);
  if (listOffset < kHeaderBytes || listOffset > size || size - listOffset < 8 ||
      std::memcmp(data + listOffset, kListMagic, 4) != 0)
    return Fail(error, "The VST3 preset file's chunk list is missing or truncated.");
  const uint64_t count = GetLE(data + listOffset + 4, 4);
  if (count > (size - listOffset - 8) / kEntryBytes) return Fail(error, "The VST3 preset file's chunk list is truncated.");

  bool haveComponent = false;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + listOffset + 8 + i * kEntryBytes;
    const uint64_t offset = GetLE(entry + 4, 8);
    const uint64_t bytes = GetLE(entry + 12, 8);
    // Every chunk lies between the header and the list.
    if (offset < kHeaderBytes || offset > listOffset || bytes > listOffset - offset)
      return Fail(error, "A chunk of the VST3 preset file lies outside it.");
    const auto* begin = data + offset;
    if (std::memcmp(entry, kComponentChunk, 4) == 0) {
      contents.componentState.assign(begin, begin + bytes);
      haveComponent = true;
    } else if (std::memcmp(entry, kMetaInfoChunk, 4) == 0) {
      contents.metaInfo.assign(reinterpret_cast<const char*>(begin), bytes);
    }
  }
  if (!haveComponent || contents.componentState.empty())
    return Fail(error, "The VST3 preset file holds no component state.");
  out = std::move(contents);
  error.clear();
  return true;
}

} // namespace lumen::vst3
