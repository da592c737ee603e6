#pragma once

#include <optional>
#include <string>

// The value types shared by the library's interface and its insides.

namespace quorvel {

// Three float32 components, x, y, z; no invariant (need not have unit length).
struct Vector3 {
  float x;
  float y;
  float z;
};

// What a map is compiled with: the command line's numbers after the prefix.
struct Settings {
  // From the ground towards the light, z up; its length does not matter.
  Vector3 lightDirection{0.0f, 0.0f, 1.0f};
  float zScaleFactor = 1.0f;  // multiplies heights
  float seaLevel = 0.0f;      // the altitude that becomes height 0
};

// The five images of a terrain as the command line names them: prefix + "alt." + ext,
// prefix + "DifMat." + ext, ... unless a file is named outright. A name ending in .bmp (any
// case) is read as a BMP, any other through GDAL. The map is prefix + ".map".
struct ImageFiles {
  std::string prefix;
  std::string ext = "bmp";
  std::optional<std::string> alt;  // each: none for the name made from prefix and ext
  std::optional<std::string> difmat;
  std::optional<std::string> ambmat;
  std::optional<std::string> diflight;
  std::optional<std::string> amblight;
};

}  // namespace quorvel
