#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quorvel {

// The exit code of a command line that asks for something impossible, as opposed to a run
// that fails on its files (1).
inline constexpr int kUsageExitCode = 2;

// The one error of the tool: it carries the exact line the user sees, line feed included.
// Thrown where the problem is met; only main catches it, prints it on stdout and returns its
// exit code, 1 unless it says otherwise. The hint, when there is one, is a line for standard
// error that says what was found and what to do: standard output keeps its fixed lines, and
// the user still learns why.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& line, std::string hint = {}, int exitCode = 1)
      : std::runtime_error(line), hint_(std::move(hint)), exitCode_(exitCode) {}

  // Empty, or one line ending in a line feed.
  [[nodiscard]] const std::string& hint() const { return hint_; }
  [[nodiscard]] int exitCode() const { return exitCode_; }

 private:
  std::string hint_;
  int exitCode_;
};

}  // namespace quorvel
