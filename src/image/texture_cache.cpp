#include "image/texture_cache.h"

#include "image/bmp_reader.h"

namespace quorvel {

Texture& TextureCache::load(const std::string& fileName, const KeepWindow& keep) {
  for (const std::unique_ptr<Texture>& texture : textures_) {
    if (texture->fileName == fileName && keptSize(keep, texture->fileWidth, texture->fileHeight) ==
                                             std::pair{texture->width, texture->height}) {
      return *texture;
    }
  }
  // Kept only once loaded: a file that fails to load leaves nothing behind.
  textures_.push_back(std::make_unique<BmpTexture>(fileName, keep));
  return *textures_.back();
}

Texture& loadTexture(const std::string& fileName, const KeepWindow& keep) {
  static TextureCache cache;
  return cache.load(fileName, keep);
}

}  // namespace quorvel
