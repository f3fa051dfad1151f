#pragma once

// Whether a file can be handed to the dynamic loader without harm. The loader maps a shared
// object's segments straight from the file: a segment that reaches past the end of a truncated
// file is mapped all the same, and the first touch of it kills the process with SIGBUS. So the
// file is read first: an ELF shared object of this process's class, byte order and machine, with
// its program headers and every loadable segment inside the file.

#include <optional>
#include <string>

namespace kolmari::testhost {

class SharedObjectCheck {
public:
  // Nothing when the file may be loaded; otherwise why not, as a phrase that reads after
  // "cannot load 'x': ", for example "it is truncated: ...". A file that cannot be opened gives
  // nothing here: the loader's own message says more.
  static std::optional<std::string> Problem(const std::string& path);
};

} // namespace kolmari::testhost
