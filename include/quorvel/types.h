#pragma once

#include <optional>
#include <string>

// The value types shared by the library's interface and its insides.

namespace quorvel {

// What kind of refusal a failure is, for a caller that acts on it without reading the message.
enum class ErrorKind {
  kOpen,    // a file cannot be opened or read
  kFormat,  // not an image, map or record of the kind its role needs
  kSize,    // a size that cannot make the map: not 50 n + 1, too large, images that differ
  kNoData,  // altitude pixels without altitude
  kRange,   // heights out of the map's range
  kMemory,  // not enough memory
  kWrite,   // the map or another output cannot be created or written
  kUsage,   // the call or the command line asks for something impossible
};

// The kind's word, as --json's "kind" and Python's Error.kind give it: "open", "format",
// "size", "nodata", "range", "memory", "write" or "usage".
[[nodiscard]] const char* errorKindName(ErrorKind kind);

// Three float32 components, x, y, z; no invariant (need not have unit length).
struct Vector3 {
  float x;
  float y;
  float z;
};

// Light baked beyond the light's diffuse term and the ambient term, each part asked for on its
// own (quorvel's --sky, --shadows and --sun-size); the defaults bake neither, and the colours
// are the plain ones.
struct BakedLight {
  int skyDirections = 0;      // 0: no sky-view factor; else 8 or 16 directions
  bool shadows = false;       // the terrain's shadows cast by the light direction
  double sunDiameter = 0.53;  // degrees, above 0: the width of the shadows' penumbra
};

// What a map is compiled with: the command line's numbers after the prefix, and the baked
// light its options ask for.
struct Settings {
  // From the ground towards the light, z up; its length does not matter.
  Vector3 lightDirection{0.0f, 0.0f, 1.0f};
  float zScaleFactor = 1.0f;  // multiplies heights
  float seaLevel = 0.0f;      // the altitude that becomes height 0
  BakedLight baked;
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
