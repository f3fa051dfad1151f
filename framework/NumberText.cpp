#include "NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace lumen::NumberText {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view SkipSpace(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  return text.substr(i);
}

} // namespace

std::string Fixed(double value, int decimals, bool explicitPlus) {
  decimals = std::clamp(decimals, 0, 17);
  // Large enough for any double in fixed notation (309 integer digits) plus sign and decimals.
  std::array<char, 400> buffer{};
  char* first = buffer.data();
  if (explicitPlus && !std::signbit(value)) *first++ = '+'; // "%+f" signs +0, +inf and +nan too
  auto [end, ec] = std::to_chars(first, buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return std::string();
  return std::string(buffer.data(), end);
}

std::string Integer(long long value) {
  std::array<char, 24> buffer{};
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  (void)ec;
  return std::string(buffer.data(), end);
}

double ParseLeadingDouble(std::string_view text) {
  text = SkipSpace(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars would take a second '-' ("--5", "+-5"); the C conversions take one sign only.
  if (!text.empty() && text[0] == '-') return 0;
  // Hexadecimal floating text ("0x1.8p3"), which the C conversion reads too. from_chars wants it
  // without its prefix; "0x" with no hex digit after it is just the number 0.
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view hex = text.substr(2);
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    if (ptr != hex.data()) {
      if (ec == std::errc::result_out_of_range) {
        const std::string_view digits = hex.substr(0, static_cast<size_t>(ptr - hex.data()));
        const auto p = digits.find_first_of("pP");
        value = p != std::string_view::npos && p + 1 < digits.size() && digits[p + 1] == '-'
                    ? 0.0
                    : std::numeric_limits<double>::infinity();
      }
      return negative ? -value : value;
    }
  }
  // from_chars takes neither a sign nor white space here; it reads the longest valid prefix.
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ptr == text.data()) return 0.0;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value untouched when it is out of range; read overflow as infinity and
    // underflow as zero, as the C conversion does. Underflow has a negative exponent or, without
    // one, no non-zero digit before the point.
    const std::string_view digits = text.substr(0, static_cast<size_t>(ptr - text.data()));
    const auto e = digits.find_first_of("eE");
    bool underflow = false;
    if (e != std::string_view::npos) {
      underflow = e + 1 < digits.size() && digits[e + 1] == '-';
    } else {
      const auto point = digits.find('.');
      const std::string_view whole = digits.substr(0, point);
      underflow = whole.find_first_not_of('0') == std::string_view::npos;
    }
    value = underflow ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

int ParseLeadingInt(std::string_view text) {
  text = SkipSpace(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars would take a second '-' ("--5", "+-5"); the C conversions take one sign only.
  if (!text.empty() && text[0] == '-') return 0;
  long long value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ptr == text.data() || ec != std::errc()) return 0;
  value = negative ? -value : value;
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace lumen::NumberText
