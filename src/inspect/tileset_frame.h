#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "quorvel/world.h"

namespace quorvel {

using Point3 = std::array<double, 3>;

// A node's own frame in the tileset's: its origin and its unit axes east, north and up.
struct LocalFrame {
  Point3 origin{};
  std::array<Point3, 3> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

  // Where the tileset's point p lies in this frame.
  [[nodiscard]] Point3 local(const Point3& p) const;
  // And back.
  [[nodiscard]] Point3 global(const Point3& q) const;
};

// Where a terrain's pixels lie in a tileset. Without georeferencing, as --gltf puts them with
// z up: pixel (x, y) of height h at (10 x, 10 y, h). With it, on WGS 84 (EPSG:4978, metres):
// the pixel's centre as GDAL's geotransform places it, taken from the reference system to
// longitude and latitude by GDAL, at h / zScaleFactor + seaLevel above the ellipsoid. Threads
// may use one placement at once.
class TerrainPlacement {
 public:
  // width and height are the terrain's pixels, which the geotransform's rows and columns
  // follow as the map reader does. Throws Error when GDAL cannot take the reference system
  // to WGS 84.
  TerrainPlacement(const std::optional<WorldGeoreference>& georeference, double zScaleFactor,
                   double seaLevel, std::int64_t width, std::int64_t height);
  ~TerrainPlacement();

  [[nodiscard]] bool georeferenced() const;
  // The tileset's length of one unit of map height: 1 in the local frame, where heights are
  // the map's, and 1 / |zScaleFactor| metres on the globe.
  [[nodiscard]] double verticalScale() const;
  // The tileset's positions of points (x, y, height), in place.
  void place(std::vector<Point3>& points) const;
  // A frame near pixel (x, y): axes east, north and up there, its origin on the ground.
  [[nodiscard]] LocalFrame frameAt(double x, double y) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
