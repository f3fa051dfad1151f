// Loading: the search for the best scale variant of a picture, resource and file bytes, fonts and
// vector documents.
#include "ICanvas.h"

#include "ISharedCaches.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace lumen::canvas {

namespace {

constexpr size_t kMaxPath = 260;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// "name" without the extension and the extension with its "." ("" when the name has none). A "."
// inside a folder part does not start an extension.
void SplitExtension(std::string_view name, std::string_view& stem, std::string_view& extension) {
  const size_t dot = name.rfind('.');
  const size_t separator = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
    stem = name;
    extension = {};
  } else {
    stem = name.substr(0, dot);
    extension = name.substr(dot);
  }
}

// Names wrapped in double quotes (as FindResourceLocation reports embedded resources) lose them.
std::string_view Unquoted(std::string_view name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return name;
}

bool IsRegularFile(const char* path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

} // namespace

ResourceLocation ICanvas::FindResourceLocation(const char* name, const char* type, std::string& path) {
  path.clear();
  if (!name || !*name) return ResourceLocation::NotFound;
  if (mResources->Find(Unquoted(name), type ? type : "")) {
    // Appended piece by piece: GCC 12 at -O3 misreads a literal + temporary string as overlapping.
    path = '"';
    path += Lower(Unquoted(name));
    path += '"';
    if (path.size() > kMaxPath) path.resize(kMaxPath);
    return ResourceLocation::ModuleResource;
  }
  if (IsRegularFile(name)) {
    path = name;
    return ResourceLocation::AbsolutePath;
  }
  return ResourceLocation::NotFound;
}

std::span<const uint8_t> ICanvas::LoadResourceBytes(const char* name, const char* type) {
  if (!name) return {};
  const IEmbeddedResource* entry = mResources->Find(Unquoted(name), type ? type : "");
  if (!entry) return {};
  return {entry->data, entry->size};
}

ResourceLocation ICanvas::FindScaledImage(const char* name, const char* extension, std::string& path, int targetScale,
                                          int& foundScale) {
  path.clear();
  foundScale = 0;
  if (!name || !*name) return ResourceLocation::NotFound;
  std::string_view stem;
  std::string_view ext;
  SplitExtension(name, stem, ext);
  for (int s = targetScale; s > 0;) {
    const std::string candidate =
        s == 1 ? std::string(name) : std::string(stem) + "@" + std::to_string(s) + "x" + std::string(ext);
    const ResourceLocation where = FindResourceLocation(candidate.c_str(), extension, path);
    if (where != ResourceLocation::NotFound) {
      foundScale = s;
      return where;
    }
    // The target first, then the highest scale, then downwards past the target.
    if (s == targetScale && targetScale != 3) s = 3;
    else if (s == targetScale + 1) s = targetScale - 1;
    else s -= 1;
  }
  path.clear();
  return ResourceLocation::NotFound;
}

std::vector<uint8_t> ICanvas::LoadResourceData(const char* name, const char* type) {
  std::string path;
  switch (FindResourceLocation(name, type, path)) {
  case ResourceLocation::ModuleResource: {
    const std::span<const uint8_t> bytes = LoadResourceBytes(path.c_str(), type);
    return {bytes.begin(), bytes.end()};
  }
  case ResourceLocation::AbsolutePath: {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return {};
    const std::streamoff size = file.tellg();
    if (size <= 0) return {};
    std::vector<uint8_t> data(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(data.data()), size)) return {};
    return data;
  }
  default: return {};
  }
}

bool ICanvas::AddFont(const char* fontId, const void* data, int dataSize) {
  if (!fontId || !data || dataSize <= 0) return false;
  const std::unique_ptr<PlatformFont> font = LoadFontFromMemory(fontId, data, dataSize);
  if (!font || !RegisterFont(fontId, *font)) return false;
  CacheSystemFont(fontId, *font);
  return true;
}

bool ICanvas::AddFont(const char* fontId, const char* fileNameOrResourceName) {
  if (!fontId || !fileNameOrResourceName) return false;
  const std::unique_ptr<PlatformFont> font = LoadFontFromResource(fontId, fileNameOrResourceName);
  if (!font || !RegisterFont(fontId, *font)) return false;
  CacheSystemFont(fontId, *font);
  return true;
}

IBitmapHandle ICanvas::FetchBitmapFromData(const char* name, const void* data, int dataSize, int frames,
                                           bool framesHorizontal, int targetScale) {
  if (!name || !data || dataSize <= 0) return {};
  APIBitmap* bitmap = CreateBitmapFromData(name, data, dataSize, std::max(targetScale, 1));
  if (!bitmap) return {};
  return IBitmapHandle(bitmap, frames, framesHorizontal, name);
}

std::shared_ptr<IVectorDocument> ICanvas::FetchVectorFromData(const char* name, const void* data, int dataSize,
                                                              const char*, float dpi) {
  if (!data || dataSize <= 0) return nullptr;
  std::shared_ptr<IVectorDocument> document =
      IVectorDocument::Parse(std::string_view(static_cast<const char*>(data), static_cast<size_t>(dataSize)), dpi);
  if (document && name) ISharedCaches::Instance().StoreVector(name, document);
  return document;
}

std::shared_ptr<IVectorDocument> ICanvas::FetchVector(const char* name, const char* units, float dpi) {
  if (!name || !*name) return nullptr;
  if (auto cached = ISharedCaches::Instance().FindVector(name)) return cached;
  const std::vector<uint8_t> data = LoadResourceData(name, "svg");
  if (data.empty()) return nullptr;
  return FetchVectorFromData(name, data.data(), static_cast<int>(data.size()), units, dpi);
}

} // namespace lumen::canvas
