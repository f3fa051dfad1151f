#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace lumen::canvas {

// A file compiled into the plug-in binary: the editor's pictures and its font travel inside the
// module, so opening the editor needs no files on disk.
//
// Entries are stored the way module resources are named: the type is the upper-cased file
// extension ("PNG", "JPG", "TTF") and the name is the upper-cased file name between a pair of
// double-quote characters, the quotes being part of the name (for "Nuppi.png": "\"NUPPI.PNG\"").
// The bytes are read-only and live as long as the module.
struct EmbeddedResource {
  const char* name;
  const char* type;
  const unsigned char* data;
  std::size_t size;
};

// The resources built into this binary, in no particular order. The table is generated from the
// resources/ folder at build time.
std::span<const EmbeddedResource> EmbeddedResources();

// Resources shorter than this are unusable (no picture or font fits in fewer bytes) and count
// as absent.
inline constexpr std::size_t kMinEmbeddedResourceSize = 8;

// Looks a resource up by its ordinary file name ("Nuppi.png") and type ("png"), both compared
// without regard to case. A stored name matches when, with its first and last characters (the
// quotes) dropped, it equals the requested name; names stored without quotes therefore never
// match. An empty name, an unknown name or type, and a resource shorter than
// kMinEmbeddedResourceSize give null.
const EmbeddedResource* FindEmbeddedResource(std::span<const EmbeddedResource> table,
                                             std::string_view name, std::string_view type);

}  // namespace lumen::canvas
