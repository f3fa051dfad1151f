#pragma once

#include <string>

namespace lumen {

// Text as the bundle's Turtle writes it, shared by the plug-in description and the presets.

// A Turtle string literal: the text in double quotes, quotes and backslashes escaped.
std::string TurtleQuoted(const std::string& text);

// A number as Turtle reads a decimal (never an exponent): the shortest that reads back as value.
std::string TurtleDecimal(double value);

} // namespace lumen
