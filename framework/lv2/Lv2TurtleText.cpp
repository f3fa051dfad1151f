#include "Lv2TurtleText.h"

#include <cstdio>
#include <cstdlib>

namespace lumen {

std::string TurtleQuoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string TurtleDecimal(double value) {
  char text[64];
  for (int digits = 0; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  std::string s = text;
  if (s.find('.') == std::string::npos) s += ".0";
  return s;
}

} // namespace lumen
