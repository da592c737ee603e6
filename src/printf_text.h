#pragma once

#include <string>

namespace quorvel {

// std::printf into a string of any length; the attribute lets the compiler check the
// arguments against the pattern.
[[nodiscard]] std::string printfText(const char* pattern, ...)
    __attribute__((format(printf, 1, 2)));

}  // namespace quorvel
