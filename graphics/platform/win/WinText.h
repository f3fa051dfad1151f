#pragma once

#include <string>
#include <string_view>

namespace lumen::canvas {

// UTF-8 (this system's text) to UTF-16 (the Win32 wide calls) and back. Malformed input is
// replaced, never read past its end. Any thread.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

} // namespace lumen::canvas
