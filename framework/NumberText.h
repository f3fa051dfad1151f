#pragma once

#include <string>
#include <string_view>

namespace lumen {

// Number <-> text conversions that never depend on the process's locale: hosts may run under a
// locale with a decimal comma, but display texts always use a decimal point.
namespace NumberText {

// Fixed-point with `decimals` digits after the point, like "%.*f"; with `explicitPlus` a positive
// value gets a leading '+', like "%+.*f".
std::string Fixed(double value, int decimals, bool explicitPlus = false);

// Decimal integer, like "%d".
std::string Integer(long long value);

// The decimal number at the start of `text`, like the C library's ASCII-to-float conversion in the
// "C" locale: leading white space and a sign are accepted, the longest numeric prefix is read,
// and text that does not start with a number reads as 0.
double ParseLeadingDouble(std::string_view text);

// The decimal integer at the start of `text` (leading white space and a sign allowed), or 0.
int ParseLeadingInt(std::string_view text);

} // namespace NumberText
} // namespace lumen
