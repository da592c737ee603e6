#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

// The one error of the tool: it carries the exact line the user sees, line feed included.
// Thrown where the problem is met; only main catches it, prints it on stdout and returns 1.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& line) : std::runtime_error(line) {}
};

}  // namespace quorvel
