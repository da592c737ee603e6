#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "quorvel/types.h"

namespace quorvel {

// The exit code of a command line that asks for something impossible, as opposed to a run
// that fails on its files (1).
inline constexpr int kUsageExitCode = 2;

// Text as it may stand inside a one-line message: a line feed becomes \n and every other
// control character \xNN (00 to 1f, and 7f), so that a file name holding them can neither
// break a message into two lines nor drive the terminal. Other bytes are kept as they are.
[[nodiscard]] inline std::string escapeControls(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      escaped += "\\n";
    } else if (byte < 0x20 || byte == 0x7f) {
      constexpr char kHex[] = "0123456789abcdef";
      escaped += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// The one error of the tool: it carries the exact line the user sees, line feed included.
// Thrown where the problem is met; only main catches it, prints it on stdout and returns its
// exit code, 1 unless it says otherwise. Its kind lets a caller act on it without reading the
// message. The hint, when there is one, is a line for standard error that says what was found
// and what to do: standard output keeps its fixed lines, and the user still learns why.
// Messages are fixed text round file names, numbers and the system's or GDAL's words, so every
// control character but the final line feed came from one of those: each is escaped here,
// once for every message.
class Failure : public std::runtime_error {
 public:
  Failure(ErrorKind kind, const std::string& line, std::string hint = {}, int exitCode = 1)
      : std::runtime_error(oneLine(line)), hint_(oneLine(hint)), kind_(kind), exitCode_(exitCode) {}

  // Empty, or one line ending in a line feed.
  [[nodiscard]] const std::string& hint() const { return hint_; }
  [[nodiscard]] ErrorKind kind() const { return kind_; }
  [[nodiscard]] int exitCode() const { return exitCode_; }

 private:
  static std::string oneLine(std::string_view text) {
    const bool ended = text.ends_with('\n');
    if (ended) text.remove_suffix(1);
    return escapeControls(text) + (ended ? "\n" : "");
  }

  std::string hint_;
  ErrorKind kind_;
  int exitCode_;
};

}  // namespace quorvel
