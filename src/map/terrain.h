#pragma once

#include "image/texture.h"
#include "math/vector3.h"

namespace quorvel {

// Light baked beyond the sun's diffuse term and the ambient term, each part asked for on its
// own; the defaults bake neither, and the colours are the plain ones.
struct BakedLight {
  int skyDirections = 0;      // 0: no sky-view factor; else 8 or 16 directions
  bool shadows = false;       // the terrain's shadows cast by the light direction
  double sunDiameter = 0.53;  // degrees: the width of the shadows' penumbra
};

// What the command line sets. lightDirection points from the surface towards the light, z up.
struct Settings {
  Vector3 lightDirection{0.0f, 0.0f, 1.0f};
  float zScaleFactor = 1.0f;
  float seaLevel = 0.0f;
  BakedLight baked;
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
