#include "Lv2ControlPort.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kolmari::testhost {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string ShortestFloatText(float value) {
  if (value == 0.0f) value = 0.0f; // never "-0"
  // Fixed decimals, fewest first (never an exponent for a control's values); a float that needs
  // more than nine takes the general form of nine digits, which always reads back.
  char text[64];
  for (int decimals = 0; decimals <= 9; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) return text;
  }
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

float Lv2ControlPort::Constrain(float value) const {
  if (std::isnan(value)) return defaultValue;
  value = std::clamp(value, minimum, maximum);
  if (integer) value = std::clamp(std::round(value), std::ceil(minimum), std::floor(maximum));
  return value;
}

float Lv2ControlPort::Normalize(float value) const {
  if (!(maximum > minimum)) return 0.0f;
  return std::clamp((value - minimum) / (maximum - minimum), 0.0f, 1.0f);
}

float Lv2ControlPort::Denormalize(float normalized) const {
  const float n = std::isfinite(normalized) ? std::clamp(normalized, 0.0f, 1.0f) : 0.0f;
  return Constrain(minimum + n * (maximum - minimum));
}

std::string Lv2ControlPort::Display(float value) const { return ShortestFloatText(value); }

std::string Lv2ControlPort::ScalePointLabel(float value) const {
  for (const ScalePoint& point : scalePoints) {
    if (point.value == value) return point.label;
  }
  return "";
}

std::optional<float> Lv2ControlPort::Parse(const std::string& typed) const {
  const std::string text = Trimmed(typed);
  for (const ScalePoint& point : scalePoints) {
    if (!point.label.empty() && Lower(point.label) == Lower(text)) return point.value;
  }
  float value = 0.0f;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  // After the number only the unit may follow.
  const std::string rest = Trimmed(std::string(stop, end));
  if (!rest.empty() && (unit.empty() || Lower(rest) != Lower(unit))) return std::nullopt;
  return Constrain(value);
}

} // namespace kolmari::testhost
