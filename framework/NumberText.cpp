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

bool StartsHexDigits(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '.';
}

// For a number that from_chars found out of range: whether it is so because it is too small
// rather than too large. `digits` is the text from_chars read, its exponent introduced by one of
// `marks`; each digit counts `unitsPerDigit` powers of the exponent's base (1 for decimal digits
// and a power-of-ten exponent, 4 for hexadecimal digits and a power-of-two one). Out of range,
// the first non-zero digit's power plus the exponent is far from zero, so its sign decides; the
// sign of the exponent alone does not ("0.000...1e5" can be tiny, "1000...0e-10" huge).
bool OutOfRangeIsUnderflow(std::string_view digits, std::string_view marks, long long unitsPerDigit) {
  const size_t mark = digits.find_first_of(marks);
  const std::string_view mantissa = digits.substr(0, mark);
  const size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return true;
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  // The power of the first non-zero digit: its place before the point, or after it.
  long long power = first < point ? static_cast<long long>(point - first - 1) : -static_cast<long long>(first - point);
  power *= unitsPerDigit;

  long long exponent = 0;
  if (mark != std::string_view::npos) {
    std::string_view e = digits.substr(mark + 1);
    const bool negative = !e.empty() && e[0] == '-';
    if (!e.empty() && (e[0] == '-' || e[0] == '+')) e.remove_prefix(1);
    // Saturated: far beyond any power a text can offset.
    for (char c : e) {
      if (c < '0' || c > '9') break;
      exponent = std::min<long long>(exponent * 10 + (c - '0'), 1'000'000'000'000LL);
    }
    if (negative) exponent = -exponent;
  }
  return power + exponent < 0;
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
  // from_chars would also take a sign, "inf" or "nan" after the prefix ("0x-5", "0xinf"), where the
  // C conversion reads 0: only a hex digit or a point starts the hexadecimal part.
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && StartsHexDigits(text[2])) {
    std::string_view hex = text.substr(2);
    // libstdc++'s from_chars takes "p+-5" as the exponent -5, where the C conversion sees no
    // exponent: then only the digits before the 'p' are read.
    const size_t mark = hex.find_first_not_of("0123456789abcdefABCDEF.");
    if (mark != std::string_view::npos && (hex[mark] == 'p' || hex[mark] == 'P') && hex.substr(mark + 1, 2) == "+-") {
      hex = hex.substr(0, mark);
    }
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    if (ptr != hex.data()) {
      if (ec == std::errc::result_out_of_range) {
        const std::string_view digits = hex.substr(0, static_cast<size_t>(ptr - hex.data()));
        value = OutOfRangeIsUnderflow(digits, "pP", 4) ? 0.0 : std::numeric_limits<double>::infinity();
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
    // underflow as zero, as the C conversion does.
    const std::string_view digits = text.substr(0, static_cast<size_t>(ptr - text.data()));
    value = OutOfRangeIsUnderflow(digits, "eE", 1) ? 0.0 : std::numeric_limits<double>::infinity();
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
