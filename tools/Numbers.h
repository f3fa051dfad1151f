#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kolmari::render {

// Number <-> text for the command line and the report. Nothing here depends on the process's
// locale, so "0.5" means one half whatever LC_NUMERIC says.

// The whole of `text` (surrounding blanks and a leading '+' allowed) as a finite decimal number;
// nothing when anything else is in it, or when it names infinity or NaN.
std::optional<double> ParseNumber(std::string_view text);

// The whole of `text` as a decimal integer (surrounding blanks and a leading '+' allowed).
std::optional<long long> ParseInteger(std::string_view text);

// The shortest decimal text that reads back as `value`: "0", "0.5", "200".
std::string FormatNumber(double value);

// `value` with exactly `decimals` digits after the point.
std::string FormatFixed(double value, int decimals);

// A linear level as decibels relative to full scale with two decimals, "-inf" for silence.
std::string FormatDecibels(double linear);

} // namespace kolmari::render
