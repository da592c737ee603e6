#pragma once

#include <cstdio>
#include <memory>

namespace quorvel {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Owns a stdio file that is only read: closing it can lose nothing.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace quorvel
