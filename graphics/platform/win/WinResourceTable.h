#pragma once

#include "ICanvasTypes.h"

#include <cstdint>
#include <span>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::canvas {

// The editor's pictures and font as resources of a module (Kolmari.dll), or as files on disk.
//
// A module resource has the upper-cased file extension as its type ("PNG") and the upper-cased file
// name between double quotes as its name ("\"NUPPI.PNG\"", the quotes being part of the name).
// Callers ask by the ordinary file name in any letter case ("Nuppi.png", "png").
//
// Threads: any thread; it only reads the module's resource section. The module is not owned and
// must stay loaded as long as the table and the bytes it handed out are used.
class WinResourceTable {
public:
  // Names longer than this, once wrapped in quotes, are cut to it (the Win32 path limit).
  static constexpr std::size_t kMaxPath = 260;
  // Resources shorter than this are unusable and count as absent.
  static constexpr std::size_t kMinimumSize = 8;

  explicit WinResourceTable(HMODULE module) : mModule(module) {}

  // Where name of type is:
  //  - ModuleResource: a named resource of the (upper-cased) type whose name, first and last
  //    characters dropped, equals name ignoring case; path = that lower-cased name in quotes.
  //    Names stored without their quotes therefore never match.
  //  - AbsolutePath: name is an existing file; path = name unchanged.
  //  - NotFound (path empty): anything else, an empty or null name, a null module for resources.
  ResourceLocation Find(const char* name, const char* type, std::string& path) const;

  // The bytes of the resource called resourceName (as Find reports it: quoted; letter case does
  // not matter) of that type. Empty when absent or shorter than kMinimumSize. The bytes belong to
  // the module and are never freed.
  std::span<const uint8_t> Bytes(const char* resourceName, const char* type) const;

  HMODULE Module() const { return mModule; }

private:
  HMODULE mModule;
};

} // namespace lumen::canvas
