#pragma once

#include "failure.h"
#include "quorvel/quorvel.h"

namespace quorvel {

// The library's error for a Failure: the same lines without their line feeds.
[[nodiscard]] inline Error errorOf(const Failure& failure) {
  const auto line = [](std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  };
  return Error(line(failure.what()), line(failure.hint()), failure.kind());
}

}  // namespace quorvel
