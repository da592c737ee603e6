#pragma once

#include <cstdint>
#include <vector>

#include "image/colour_bands.h"
#include "map/sun_shadow.h"
#include "map/terrain.h"
#include "map/triangle_table.h"

namespace quorvel {

// The light baked beyond the sun's diffuse term and the ambient term, worked out before the
// blocFiles: each part may be absent.
struct Shading {
  const double* skyOcclusion = nullptr;  // every pixel's (skyOcclusion), row-major
  const SunShadow* sun = nullptr;
  // Instead of sun: each pixel's share f of the sun, worked out before (a world's tile under a
  // low sun): a diffuse factor d above 0 becomes d x f, as SunShadow::shade makes it.
  const double* sunShares = nullptr;
  // The pixels skyOcclusion and sunShares hold: columns a row from pixel (x0, y0); columns 0
  // for the whole image.
  std::int32_t x0 = 0;
  std::int32_t y0 = 0;
  std::int32_t columns = 0;
};

// Encodes whole blocFile records. Each pixel's height, vertex normal and lit colour is worked
// out once per blocFile rather than once per cell that stores it. With a TriangleTable,
// 8-bit altitudes take their triangle normals from it, and so do 16-bit, 32-bit and real ones
// in the blocFiles whose samples lie a whole number of the table's steps apart, at most its
// largest rise; every other altitude (and
// every altitude without a table) computes them a triangle kind at a time over the blocFile
// in vector lanes (one pixel at a time where a value could be infinite or NaN). The bytes
// are those of the straightforward writer either way. encode is const and keeps its scratch
// on the stack, so threads may share one encoder.
class BlocEncoder {
 public:
  // The terrain's light direction must already be normalised, alt must hold one sample a
  // pixel and the colour images 3 bytes, at least as large as alt; table may be null, and is
  // used only for 8-bit altitudes (made for a step of 1, as far as their largest rise) and
  // others made for altitudeStep(alt). The records may hold windows of the images (Texture::x0, y0): what
  // each blocFile reads of them, its pixels and the altitude's ring of one pixel round them
  // inside the image, must be there. The image's borders are those of the files. shading
  // must be made for the same terrain, from whole images.
  BlocEncoder(const Terrain& terrain, const TriangleTable* table, const Shading& shading = {});

  // Writes the record of blocFile (bx, by) of the whole image, kBlocFileBytes bytes, to out.
  void encode(int bx, int by, std::uint8_t* out) const;

  // The same with the colours read from colours (difMat, ambMat, difLight, ambLight), which
  // hold at least the blocFile's pixels of the terrain's colour images: a map whose colour
  // images are read a band of rows at a time.
  void encode(int bx, int by, const ColourImages& colours, std::uint8_t* out) const;

 private:
  // The rows and columns of a blocFile's window that lie in the image, [first, end).
  struct WindowInImage {
    int firstColumn, endColumn, firstRow, endRow;
  };
  WindowInImage inImage(int bx, int by) const;
  bool inSteps(const int* window, int bx, int by, int* steps) const;
  bool realsInSteps(const double* window, int bx, int by, int* steps) const;
  template <class Altitude, class Sample>
  void encodeFrom(const Altitude* window, const Sample* samples, int bx, int by,
                  const ColourImages& colours, std::uint8_t* out) const;

  const Terrain& terrain_;
  const TriangleTable* table_;
  Shading shading_;
  // The height of every 8-bit or 16-bit sample, by sample - lowestSample_; else empty.
  std::vector<std::uint32_t> heightBits_;
  int lowestSample_ = 0;
};

}  // namespace quorvel
