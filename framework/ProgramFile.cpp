#include "ProgramFile.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace lumen {

namespace {

constexpr uint32_t Code(const char (&code)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

constexpr uint32_t kFileMagic = Code("CcnK");
constexpr uint32_t kValueForm = Code("FxCk");
constexpr uint32_t kChunkForm = Code("FPCh");
constexpr uint32_t kValueBank = Code("FxBk");
constexpr uint32_t kChunkBank = Code("FBCh");
// The header's size field counts every byte after itself and the magic.
constexpr size_t kCountedFrom = 8;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

uint32_t GetU32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
         static_cast<uint32_t>(p[3]);
}

size_t Utf8SequenceLength(const uint8_t* p, size_t available) {
  const uint8_t lead = p[0];
  size_t length = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0 && lead >= 0xC2) length = 2;
  else if ((lead & 0xF0) == 0xE0) length = 3;
  else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (length > available) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((p[i] & 0xC0) != 0x80) return 0;
  return length;
}

// The name cut to fit the field with its terminating zero, never inside a character.
std::string FittedName(const std::string& name) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
  size_t end = 0;
  while (end < name.size()) {
    const size_t length = Utf8SequenceLength(bytes + end, name.size() - end);
    if (length == 0 || end + length > ProgramFile::kNameBytes - 1) break;
    end += length;
  }
  return name.substr(0, end);
}

// A name as a host wrote it: up to its zero, or the whole field when a host filled it. Bytes that
// are not UTF-8 (older hosts write their code page) and control characters become '?', so the
// name can be drawn and used as a file name's stem.
std::string ReadName(const uint8_t* field) {
  size_t size = 0;
  while (size < ProgramFile::kNameBytes && field[size] != 0) ++size;
  std::string name;
  size_t i = 0;
  while (i < size) {
    const size_t length = Utf8SequenceLength(field + i, size - i);
    if (length == 0 || (length == 1 && (field[i] < 0x20 || field[i] == 0x7F))) {
      name += '?';
      ++i;
    } else {
      name.append(reinterpret_cast<const char*>(field + i), length);
      i += length;
    }
  }
  return name;
}

std::vector<uint8_t> Header(const ProgramFileOwner& owner, uint32_t form, const std::string& name, size_t payload) {
  std::vector<uint8_t> out;
  out.reserve(ProgramFile::kHeaderBytes + payload);
  PutU32(out, kFileMagic);
  PutU32(out, static_cast<uint32_t>(ProgramFile::kHeaderBytes + payload - kCountedFrom));
  PutU32(out, form);
  PutU32(out, 1);
  PutU32(out, static_cast<uint32_t>(owner.fxID));
  PutU32(out, static_cast<uint32_t>(owner.fxVersion));
  PutU32(out, static_cast<uint32_t>(owner.numParams));
  const std::string fitted = FittedName(name);
  out.insert(out.end(), fitted.begin(), fitted.end());
  out.resize(ProgramFile::kHeaderBytes, 0);
  return out;
}

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

std::string ProgramFile::CodeText(int32_t code) {
  static const char kHex[] = "0123456789abcdef";
  std::string text = "'";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<uint8_t>(static_cast<uint32_t>(code) >> shift);
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 15];
    }
  }
  text += '\'';
  return text;
}

std::vector<uint8_t> ProgramFile::WriteChunkForm(const ProgramFileOwner& owner, const std::string& name,
                                                 const std::vector<uint8_t>& chunk) {
  if (chunk.empty() || chunk.size() > kMaxFileBytes - kHeaderBytes - 4) return {};
  std::vector<uint8_t> out = Header(owner, kChunkForm, name, 4 + chunk.size());
  PutU32(out, static_cast<uint32_t>(chunk.size()));
  out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

std::vector<uint8_t> ProgramFile::WriteValueForm(const ProgramFileOwner& owner, const std::string& name,
                                                 const std::vector<double>& values) {
  if (owner.numParams < 0 || values.size() != static_cast<size_t>(owner.numParams)) return {};
  for (double v : values)
    if (!(v >= 0.0 && v <= 1.0)) return {};
  std::vector<uint8_t> out = Header(owner, kValueForm, name, 4 * values.size());
  for (double v : values) {
    const auto f = static_cast<float>(v);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(out, bits);
  }
  return out;
}

bool ProgramFile::Read(const uint8_t* data, size_t size, const ProgramFileOwner& owner, ProgramFileContents& out,
                       std::string& error) {
  if (!data || size < 12 || GetU32(data) != kFileMagic) return Fail(error, "This is not a preset file.");
  const uint32_t form = GetU32(data + 8);
  if (form == kValueBank || form == kChunkBank)
    return Fail(error, "This is a bank of presets, not a single preset; load it through the host.");
  if (form != kValueForm && form != kChunkForm) return Fail(error, "This is not a preset file (unknown form).");
  if (size > kMaxFileBytes) return Fail(error, "The preset file is too large.");
  if (size < kHeaderBytes) return Fail(error, "The preset file is truncated.");
  const uint64_t counted = GetU32(data + 4);
  if (counted + kCountedFrom > size) return Fail(error, "The preset file is truncated.");
  if (counted + kCountedFrom < size) return Fail(error, "The preset file has bytes after its end.");

  const uint32_t version = GetU32(data + 12);
  // The program forms kept one layout through both format versions hosts have written.
  if (version != 1 && version != 2) return Fail(error, "The preset file has an unknown format version.");
  const auto fxID = static_cast<int32_t>(GetU32(data + 16));
  if (fxID != owner.fxID) {
    std::string message = "This preset is for another plug-in (ID ";
    message += CodeText(fxID);
    message += ", expected ";
    message += CodeText(owner.fxID);
    message += ").";
    return Fail(error, message);
  }
  ProgramFileContents contents;
  contents.fxVersion = static_cast<int32_t>(GetU32(data + 20));
  const uint32_t numParams = GetU32(data + 24);
  contents.name = ReadName(data + 28);
  const uint8_t* payload = data + kHeaderBytes;
  const size_t payloadBytes = size - kHeaderBytes;

  if (form == kChunkForm) {
    // The chunk carries its own layout, which the plug-in's chunk reader checks; hosts disagree
    // on the count they put in front of it, so it is not checked here.
    if (payloadBytes < 4) return Fail(error, "The preset file is truncated.");
    const uint64_t chunkBytes = GetU32(payload);
    if (chunkBytes == 0) return Fail(error, "The preset file holds no settings.");
    if (chunkBytes > payloadBytes - 4) return Fail(error, "The preset file is truncated.");
    if (chunkBytes < payloadBytes - 4) return Fail(error, "The preset file has bytes after its end.");
    contents.hasChunk = true;
    contents.chunk.assign(payload + 4, payload + 4 + chunkBytes);
  } else {
    if (owner.numParams < 0 || numParams != static_cast<uint32_t>(owner.numParams)) {
      std::string message = "The preset holds ";
      message += std::to_string(numParams);
      message += " parameters; this plug-in has ";
      message += std::to_string(owner.numParams);
      message += '.';
      return Fail(error, message);
    }
    if (payloadBytes != 4u * numParams) return Fail(error, "The preset file's size does not match its parameters.");
    contents.values.reserve(numParams);
    for (uint32_t i = 0; i < numParams; ++i) {
      const uint32_t bits = GetU32(payload + 4 * i);
      float value = 0.0f;
      std::memcpy(&value, &bits, sizeof value);
      if (!(value >= 0.0f && value <= 1.0f)) {
        std::string message = "The preset's value for parameter ";
        message += std::to_string(i + 1);
        message += " is outside 0..1.";
        return Fail(error, message);
      }
      contents.values.push_back(value);
    }
  }
  out = std::move(contents);
  error.clear();
  return true;
}

bool ProgramFile::Load(const std::string& path, const ProgramFileOwner& owner, ProgramFileContents& out,
                       std::string& error) {
  const std::filesystem::path file = PathFromUtf8(path);
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) return Fail(error, "The preset file cannot be read.");
  if (size > kMaxFileBytes) return Fail(error, "The preset file is too large.");
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
    return Fail(error, "The preset file cannot be read.");
  return Read(bytes.data(), bytes.size(), owner, out, error);
}

bool ProgramFile::Save(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  if (bytes.empty()) return Fail(error, "There is nothing to save.");
  const std::filesystem::path file = PathFromUtf8(path);
  std::filesystem::path temp = file;
  temp += ".part";
  {
    std::ofstream outFile(temp, std::ios::binary | std::ios::trunc);
    if (!outFile) return Fail(error, "The preset file cannot be written.");
    outFile.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    outFile.flush();
    if (!outFile) {
      outFile.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return Fail(error, "The preset file cannot be written.");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return Fail(error, "The preset file cannot be written.");
  }
  error.clear();
  return true;
}

} // namespace lumen
