#pragma once

#include "map/terrain.h"

namespace quorvel::bench {

// The synthetic terrain of the given side (a multiple of 50, plus 1), built once per side and
// kept for the whole run, with the settings of the timing script: light 1 1 2 (already
// normalised, as the map writer hands it on), z scale 2, sea level 10.
[[nodiscard]] const Terrain& benchTerrain(int side);

// The same terrain with its altitudes as 16-bit samples holding 256 x each byte, compiled
// with z scale 2/256 and sea level 10 x 256: the same map, through the computed normals.
[[nodiscard]] const Terrain& benchTerrain16(int side);

// Visits (x, y) for x and y in first, first + step, ... up to last, row by row, then starts
// again, so that successive iterations see different altitudes, as a real run does.
class PixelWalk {
 public:
  PixelWalk(int first, int last, int step) : first_(first), last_(last), step_(step) {}
  [[nodiscard]] int x() const { return x_; }
  [[nodiscard]] int y() const { return y_; }
  void next() {
    x_ += step_;
    if (x_ <= last_) return;
    x_ = first_;
    y_ += step_;
    if (y_ > last_) y_ = first_;
  }

 private:
  int first_;
  int last_;
  int step_;
  int x_ = first_;
  int y_ = first_;
};

// The side of the terrain the micro-benchmarks read: 10 x 10 blocFiles, small enough to stay
// in the cache as the whole of a block's inputs does in a real run.
inline constexpr int kBenchSide = 501;

}  // namespace quorvel::bench
