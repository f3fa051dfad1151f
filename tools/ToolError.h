#pragma once

#include <stdexcept>
#include <string>

namespace kolmari::render {

// A failure the user can act on: bad arguments, an unreadable or unsupported file, an unwritable
// path. The message is one line, without the program name, ready to print after it.
class ToolError : public std::runtime_error {
public:
  enum class Kind { Usage, Runtime, Interrupted };

  explicit ToolError(const std::string& message, Kind kind = Kind::Runtime)
      : std::runtime_error(message), mKind(kind) {}

  Kind GetKind() const { return mKind; }

  // Conventional exit statuses: 2 for a command line that cannot be used, 130 for Ctrl-C.
  int ExitCode() const {
    switch (mKind) {
      case Kind::Usage: return 2;
      case Kind::Interrupted: return 130;
      case Kind::Runtime: break;
    }
    return 1;
  }

private:
  Kind mKind;
};

// A path as the messages show it: in single quotes.
inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

inline ToolError UsageError(const std::string& message) { return ToolError(message, ToolError::Kind::Usage); }

} // namespace kolmari::render
