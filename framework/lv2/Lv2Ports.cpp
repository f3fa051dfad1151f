#include "Lv2Ports.h"

#include "IParam.h"

#include <cctype>

namespace lumen {

std::string Lv2AudioSymbol(int channels, bool input, int channel) {
  std::string symbol = input ? "in" : "out";
  if (channels == 2) symbol += channel == 0 ? "_l" : "_r";
  else if (channels > 2) {
    // Appended piece by piece: GCC 12 at -O3 takes a literal prepended to a temporary string for
    // an overlapping copy (-Wrestrict), which breaks the Release build.
    symbol += '_';
    symbol += std::to_string(channel + 1);
  }
  return symbol;
}

std::string Lv2ControlSymbol(const IParam& param, bool isBypass) {
  if (isBypass) return "enabled";
  // A symbol is a C identifier: letters, digits and underscores, not starting with a digit.
  std::string symbol;
  bool gap = false;
  for (const char* c = param.Name(); c && *c; ++c) {
    const auto ch = static_cast<unsigned char>(*c);
    if (std::isalnum(ch)) {
      if (gap && !symbol.empty()) symbol += '_';
      symbol += static_cast<char>(std::tolower(ch));
      gap = false;
    } else {
      gap = true;
    }
  }
  if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0]))) {
    std::string prefixed = "p_";
    prefixed += symbol;
    return prefixed;
  }
  return symbol;
}

} // namespace lumen
