#pragma once

// Loading a plug-in binary and finding its own exported symbols, for every format's library class.

#include <string>

namespace kolmari::testhost::binary {

// The loaded binary's handle, or null with a message in error.
void* OpenBinary(const std::string& path, std::string& error);
// A symbol the binary itself exports (not one of a library it depends on), or null.
void* FindOwnSymbol(void* handle, const char* name);
void CloseBinary(void* handle);

} // namespace kolmari::testhost::binary
