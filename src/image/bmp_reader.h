#pragma once

#include <string>

#include "image/texture.h"

namespace quorvel {

// An uncompressed 8- or 24-bit BMP with the 40-byte info header. Construction loads the
// file or throws a Failure naming it.
class BmpTexture final : public Texture {
 public:
  explicit BmpTexture(std::string name);
  void load() override;
};

}  // namespace quorvel
