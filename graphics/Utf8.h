#pragma once

#include <string>
#include <string_view>

namespace lumen::canvas {

// UTF-8 to code points and back. Malformed bytes are skipped, so any input decodes to some text;
// decoding stops after maxChars code points.
std::u32string DecodeUtf8(std::string_view text, size_t maxChars = std::u32string::npos);
std::string EncodeUtf8(std::u32string_view text);

} // namespace lumen::canvas
