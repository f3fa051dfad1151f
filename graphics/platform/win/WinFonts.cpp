#include "WinFonts.h"

#include "IFontInfo.h"
#include "WinResourceTable.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace lumen::canvas {

namespace {

// GetFontData's table tag for the whole collection file ("ttcf", as the little-endian DWORD GDI
// expects).
constexpr DWORD kCollectionTable = 0x66637474;

struct FontCaches {
  // Re-entrant: loading from a resource holds the installed-font lock across loading from memory.
  std::recursive_mutex installedLock;
  std::recursive_mutex systemLock;
  int installedInstances = 0;
  int systemInstances = 0;
  std::multimap<std::string, HANDLE> installed;
  std::map<std::string, HFONT> system;
};

FontCaches& Caches() {
  // Never destroyed: a host may close editors while static destruction runs.
  static auto* caches = new FontCaches;
  return *caches;
}

// Fonts are cached at scale 1, under the identifier with the scale appended.
std::string Key(const char* fontId) {
  char suffix[32];
  std::snprintf(suffix, sizeof(suffix), "-%.1fx", 1.0);
  std::string key(fontId ? fontId : "");
  key += suffix;
  return key;
}

int CALLBACK StopAtFirstFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

} // namespace

// ---- WinFont -------------------------------------------------------------------------------------------------------

WinFont::WinFont(HFONT font, bool isSystem, std::string styleName)
    : PlatformFont(isSystem), mFont(font), mStyleName(std::move(styleName)) {}

WinFont::~WinFont() {
  if (mFont) DeleteObject(mFont);
}

int WinFont::ChooseFace(std::span<const uint8_t> bytes, const std::string& styleName) {
  // Parse answers invalid for the first face past the collection's count (or past the bytes), so
  // the walk ends there.
  for (int i = 0; i >= 0; ++i) {
    const IFontInfo info = IFontInfo::Parse(bytes, i);
    if (!info.valid) return -1;
    if (!info.style.empty() && (styleName.empty() || styleName == info.style)) return i;
  }
  return -1;
}

IFontData WinFont::FontData() const {
  IFontData data;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return data;
  HGDIOBJ previous = SelectObject(dc, mFont);
  // The whole collection when the font is part of one (its faces' offsets count from the file's
  // start), else the single font file. The buffer is sized by the same table it is filled from.
  DWORD table = kCollectionTable;
  DWORD size = GetFontData(dc, table, 0, nullptr, 0);
  if (size == GDI_ERROR || size == 0) {
    table = 0;
    size = GetFontData(dc, table, 0, nullptr, 0);
  }
  if (size != GDI_ERROR && size > 0) {
    std::vector<uint8_t> bytes(size);
    if (GetFontData(dc, table, 0, bytes.data(), size) == size) {
      const int face = ChooseFace(bytes, mStyleName);
      if (face >= 0) {
        const IFontInfo info = IFontInfo::Parse(bytes, face);
        data.family = info.family;
        data.style = info.style;
        data.faceIndex = face;
        data.bytes = std::move(bytes);
      }
    }
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  return data;
}

// ---- WinFonts ------------------------------------------------------------------------------------------------------

void WinFonts::AddInstance() {
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> installed(caches.installedLock);
  std::lock_guard<std::recursive_mutex> system(caches.systemLock);
  ++caches.installedInstances;
  ++caches.systemInstances;
}

void WinFonts::RemoveInstance() {
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> installed(caches.installedLock);
  std::lock_guard<std::recursive_mutex> system(caches.systemLock);
  if (caches.installedInstances > 0 && --caches.installedInstances == 0) {
    for (auto& [key, handle] : caches.installed) RemoveFontMemResourceEx(handle);
    caches.installed.clear();
  }
  if (caches.systemInstances > 0 && --caches.systemInstances == 0) {
    for (auto& [key, font] : caches.system) DeleteObject(font);
    caches.system.clear();
  }
}

std::unique_ptr<WinFont> WinFonts::LoadFromMemory(const char* fontId, const void* data, int size) {
  if (!fontId || !data || size <= 0) return nullptr;
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.installedLock);
  DWORD faces = 0;
  HANDLE installed = AddFontMemResourceEx(const_cast<void*>(data), static_cast<DWORD>(size), nullptr, &faces);
  if (!installed) return nullptr;
  const IFontInfo info =
      IFontInfo::Parse(std::span<const uint8_t>(static_cast<const uint8_t*>(data), static_cast<std::size_t>(size)), 0);
  HFONT font = nullptr;
  if (info.valid) {
    font = FindInstalledFont(info.family.c_str(), (info.styleFlags & 1) ? FW_BOLD : FW_NORMAL,
                             (info.styleFlags & 2) != 0, (info.styleFlags & 4) != 0, false);
  }
  if (!font) {
    RemoveFontMemResourceEx(installed);
    return nullptr;
  }
  caches.installed.emplace(Key(fontId), installed);
  return std::make_unique<WinFont>(font, false, std::string());
}

std::unique_ptr<WinFont> WinFonts::LoadFromResource(const char* fontId, const char* nameOrFile,
                                                    const WinResourceTable& resources) {
  if (!fontId || !nameOrFile) return nullptr;
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.installedLock);
  std::string path;
  switch (resources.Find(nameOrFile, "ttf", path)) {
  case ResourceLocation::AbsolutePath: {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<WinFont> font;
    const DWORD size = GetFileSize(file, nullptr);
    // An empty file cannot be mapped, and one of 2 GiB or more is no font this loads.
    if (size != INVALID_FILE_SIZE && size > 0 && size <= 0x7FFFFFFF) {
      if (HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
        if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
          font = LoadFromMemory(fontId, view, static_cast<int>(size));
          UnmapViewOfFile(view);
        }
        CloseHandle(mapping);
      }
    }
    CloseHandle(file);
    return font;
  }
  case ResourceLocation::ModuleResource: {
    const std::span<const uint8_t> bytes = resources.Bytes(path.c_str(), "TTF");
    if (bytes.empty()) return nullptr;
    return LoadFromMemory(fontId, bytes.data(), static_cast<int>(bytes.size()));
  }
  default: return nullptr;
  }
}

std::unique_ptr<WinFont> WinFonts::LoadSystem(const char* fontId, const char* family, int style) {
  if (!fontId || !family || !*family) return nullptr;
  HFONT font = FindInstalledFont(family, style == 1 ? FW_BOLD : FW_NORMAL, style == 2, false, true);
  if (!font) return nullptr;
  return std::make_unique<WinFont>(font, true, style == 1 ? "Bold" : style == 2 ? "Italic" : "Regular");
}

void WinFonts::CacheSystemFont(const char* fontId, const PlatformFont& font) {
  const auto* winFont = dynamic_cast<const WinFont*>(&font);
  if (!fontId || !winFont || !winFont->Handle()) return;
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.systemLock);
  const std::string key = Key(fontId);
  if (caches.system.count(key) != 0) return;
  LOGFONTA description{};
  if (GetObjectA(winFont->Handle(), sizeof(description), &description) != sizeof(description)) return;
  if (HFONT copy = CreateFontIndirectA(&description)) caches.system.emplace(key, copy);
}

bool WinFonts::CachedSystemFont(const char* fontId, LOGFONTA& out) {
  if (!fontId) return false;
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.systemLock);
  const auto entry = caches.system.find(Key(fontId));
  if (entry == caches.system.end()) return false;
  return GetObjectA(entry->second, sizeof(out), &out) == sizeof(out);
}

HFONT WinFonts::FindInstalledFont(const char* family, int weight, bool italic, bool underline, bool enumerateFirst) {
  if (!family || !*family) return nullptr;
  LOGFONTA description{};
  description.lfWeight = weight;
  description.lfItalic = italic ? TRUE : FALSE;
  description.lfUnderline = underline ? TRUE : FALSE;
  description.lfStrikeOut = FALSE;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfOutPrecision = OUT_TT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  // A family name too long for the face field cannot be found back by name below.
  if (std::strlen(family) >= LF_FACESIZE) return nullptr;
  std::strncpy(description.lfFaceName, family, LF_FACESIZE - 1);

  HDC dc = GetDC(nullptr);
  if (!dc) return nullptr;
  if (enumerateFirst) {
    bool found = false;
    EnumFontFamiliesExA(dc, &description, StopAtFirstFamily, reinterpret_cast<LPARAM>(&found), 0);
    if (!found) {
      ReleaseDC(nullptr, dc);
      return nullptr;
    }
  }
  HFONT font = CreateFontIndirectA(&description);
  if (font) {
    HGDIOBJ previous = SelectObject(dc, font);
    char face[64] = {};
    GetTextFaceA(dc, sizeof(face), face);
    SelectObject(dc, previous);
    if (std::strcmp(face, family) != 0) {
      DeleteObject(font);
      font = nullptr;
    }
  }
  ReleaseDC(nullptr, dc);
  return font;
}

int WinFonts::InstalledCount() {
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.installedLock);
  return static_cast<int>(caches.installed.size());
}

int WinFonts::SystemCount() {
  FontCaches& caches = Caches();
  std::lock_guard<std::recursive_mutex> guard(caches.systemLock);
  return static_cast<int>(caches.system.size());
}

} // namespace lumen::canvas
