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
  // Built before it is linked, so a file that fails to load leaves no half-made entry.
  auto texture = std::make_unique<BmpTexture>(fileName);
  auto entry = std::make_unique<TextureCacheEntry>();
  entry->texture = texture.get();
  entry->prev = last;
  texture->cacheEntry = entry.get();
  if (last == nullptr) {
    head_ = entry.get();
  } else {
    last->next = entry.get();
  }
  textures_.push_back(std::move(texture));
  entries_.push_back(std::move(entry));
  return *entries_.back()->texture;
}

Texture& loadTexture(const std::string& fileName) {
  static TextureCache cache;
  return cache.load(fileName);
}

}  // namespace quorvel
