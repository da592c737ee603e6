#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image/texture.h"

namespace quorvel {

// Every image loaded so far. A file asked for again, by the exact (case-sensitive) name and
// for a window that keeps the same pixels, is not read again: the first record is returned.
// Records live as long as the cache.
class TextureCache {
 public:
  Texture& load(const std::string& fileName, const KeepWindow& keep = {});

 private:
  std::vector<std::unique_ptr<Texture>> textures_;
};

// The process-wide cache's load.
Texture& loadTexture(const std::string& fileName, const KeepWindow& keep = {});

}  // namespace quorvel
