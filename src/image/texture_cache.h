#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/texture.h"

namespace quorvel {

struct TextureCacheEntry {
  Texture* texture = nullptr;
  std::int32_t refCount = 1;
  TextureCacheEntry* next = nullptr;
  TextureCacheEntry* prev = nullptr;
};

// Every image loaded so far, keyed by exact (case-sensitive) file name, in load order.
// Records live as long as the cache.
class TextureCache {
 public:
  // Returns the record for fileName, reading the file only on the first request.
  Texture& load(const std::string& fileName);
  [[nodiscard]] const TextureCacheEntry* head() const { return head_; }

 private:
  TextureCacheEntry* head_ = nullptr;
  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<TextureCacheEntry>> entries_;
};

// The process-wide cache's load.
Texture& loadTexture(const std::string& fileName);

}  // namespace quorvel
