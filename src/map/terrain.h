#pragma once

#include "image/texture.h"
#include "math/vector3.h"

namespace quorvel {

// What the command line sets. lightDirection points from the surface towards the light, z up.
struct Settings {
  Vector3 lightDirection{0.0f, 0.0f, 1.0f};
  float zScaleFactor = 1.0f;
  float seaLevel = 0.0f;
};

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
