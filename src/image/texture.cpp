#include "image/texture.h"

namespace quorvel {

DeleteTexturesFunction deleteTextures = nullptr;

Texture::~Texture() {
  if (textureName != 0 && deleteTextures != nullptr) deleteTextures(1, &textureName);
}

}  // namespace quorvel
