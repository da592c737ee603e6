#pragma once

#include <string>

#include "image/texture.h"

namespace quorvel {

// An uncompressed 8- or 24-bit BMP with the 40-byte info header. Construction loads the file,
// keeping only the pixels of keep, or throws a Failure naming it whose hint says what was
// found and what to do. An 8-bit image holds altitudes: a grey colour table's levels, or the
// stored indices (with a warning on standard error) when the table is not grey.
class BmpTexture final : public Texture {
 public:
  explicit BmpTexture(std::string name, const KeepWindow& keep = {});
  void load() override;

 private:
  KeepWindow keep_;
};

}  // namespace quorvel
