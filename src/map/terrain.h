#pragma once

#include "image/texture.h"
#include "math/vector3.h"
#include "quorvel/types.h"

namespace quorvel {

// The five images of a terrain and the settings it is compiled with. The map code only
// reads them.
struct Terrain {
  const Texture& alt;
  const Texture& difMat;
  const Texture& ambMat;
  const Texture& difLight;
  const Texture& ambLight;
  Settings settings;
};

}  // namespace quorvel
