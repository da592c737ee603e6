#include "image/texture_cache.h"

#include "image/bmp_reader.h"

namespace quorvel {

Texture& TextureCache::load(const std::string& fileName) {
  TextureCacheEntry* last = nullptr;
  for (TextureCacheEntry* entry = head_; entry != nullptr; entry = entry->next) {
    if (entry->texture->fileName == fileName) {
      ++entry->refCount;
      return *entry->texture;
    }
    last = entry;
  }
  // Owned before it is linked, so a file that fails to load, or an allocation that fails,
  // leaves no entry behind and no link to freed memory.
  textures_.push_back(std::make_unique<BmpTexture>(fileName));
  entries_.push_back(std::make_unique<TextureCacheEntry>());
  Texture* texture = textures_.back().get();
  TextureCacheEntry* entry = entries_.back().get();
  entry->texture = texture;
  entry->prev = last;
  texture->cacheEntry = entry;
  if (last == nullptr) {
    head_ = entry;
  } else {
    last->next = entry;
  }
  return *texture;
}

Texture& loadTexture(const std::string& fileName) {
  static TextureCache cache;
  return cache.load(fileName);
}

}  // namespace quorvel
