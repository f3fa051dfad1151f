#pragma once

#include "PlatformFont.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

class WinResourceTable;

// A GDI font the platform loaded: installed privately from memory (not a system font, empty
// style name) or found among the system's families (style "Regular", "Bold" or "Italic").
// Owns its HFONT and deletes it.
class WinFont : public PlatformFont {
public:
  WinFont(HFONT font, bool isSystem, std::string styleName);
  ~WinFont() override;

  // The HFONT.
  void* NativeDescriptor() const override { return mFont; }
  // The font file's bytes as GDI has them (the whole collection when the font is part of one) and
  // the face matching the style name. Empty with face -1 when GDI cannot give them; the bytes are
  // always the count GDI reported, never more.
  IFontData FontData() const override;

  HFONT Handle() const { return mFont; }
  const std::string& StyleName() const { return mStyleName; }

  // The face of bytes to use for a font of styleName: the first face whose style name is
  // non-empty and, unless styleName is empty, equal to it; -1 when the bytes hold no such face.
  static int ChooseFace(std::span<const uint8_t> bytes, const std::string& styleName);

private:
  HFONT mFont;
  std::string mStyleName;
};

// Fonts for the editors of this process, with two process-wide caches shared by every editor:
// the installed-font cache (handles of fonts installed from memory, removed again when the last
// editor goes) and the system-font cache (a copy of each loaded font's HFONT, by font identifier,
// which the text entry uses for its font).
//
// Threads: editors call these on their user-interface thread; several editors (on one or more
// threads) share the caches, so every cache access takes that cache's lock (both re-entrant).
// When both are held the installed-font lock is taken first.
class WinFonts {
public:
  // Each editor surface counts itself in at construction and out at destruction; when the count
  // falls to zero both caches are emptied (installed fonts removed, copied HFONTs deleted).
  static void AddInstance();
  static void RemoveInstance();

  // Installs data (size bytes) privately for the process, finds its family back by name and caches
  // the installation under fontId. Null (and nothing left installed) when the system refuses the
  // bytes or its family cannot be found back.
  static std::unique_ptr<WinFont> LoadFromMemory(const char* fontId, const void* data, int size);
  // nameOrFile located as type "ttf" through resources: a module resource or a file on disk, then
  // as LoadFromMemory. Null when neither exists or the file cannot be opened or mapped.
  static std::unique_ptr<WinFont> LoadFromResource(const char* fontId, const char* nameOrFile,
                                                   const WinResourceTable& resources);
  // A system family: style 0 regular, 1 bold, 2 italic. Null when the system has no such family.
  static std::unique_ptr<WinFont> LoadSystem(const char* fontId, const char* family, int style);
  // Remembers a copy of font's HFONT under fontId (first one wins); fonts without one are ignored.
  static void CacheSystemFont(const char* fontId, const PlatformFont& font);
  // The LOGFONT of the copy cached under fontId; false when there is none.
  static bool CachedSystemFont(const char* fontId, LOGFONTA& out);

  // A GDI font of family with that weight and style, or null when the face GDI picks for it is not
  // that family. With enumerateFirst the family must be among the screen's font families.
  static HFONT FindInstalledFont(const char* family, int weight, bool italic, bool underline, bool enumerateFirst);

  // Entries in the caches (for tests and diagnostics).
  static int InstalledCount();
  static int SystemCount();
};

} // namespace lumen::canvas
