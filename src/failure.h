#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace quorvel {

// The one error of the tool: it carries the exact line the user sees, line feed included.
// Thrown where the problem is met; only main catches it, prints it on stdout and returns 1.
// The hint, when there is one, is a line for standard error that says what was found and
// what to do: standard output keeps its fixed lines, and the user still learns why.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& line, std::string hint = {})
      : std::runtime_error(line), hint_(std::move(hint)) {}

  // Empty, or one line ending in a line feed.
  [[nodiscard]] const std::string& hint() const { return hint_; }

 private:
  std::string hint_;
};

}  // namespace quorvel
