#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/raster_globe.h"
#include "image/raster_placement.h"
#include "image/raster_reader.h"
#include "library/error.h"
#include "quorvel/world.h"

namespace quorvel {

struct WorldGlobe::State {
  std::array<double, 6> t{};
  StoredOrder order;
  std::int32_t width = 0;
  std::int32_t height = 0;
  double zScaleFactor = 1;
  double seaLevel = 0;
  std::unique_ptr<GdalLibrary> gdal;
  std::unique_ptr<GeocentricTransform> transform;
};

WorldGlobe::WorldGlobe(const WorldGeoreference& georeference, std::int32_t width,
                       std::int32_t height, double zScaleFactor, double seaLevel)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  const std::string what = "the world's reference system";
  if (georeference.crs.empty()) {
    throw Error(what + " is not named: the world cannot be placed on the Earth", "",
                ErrorKind::kFormat);
  }
  s.t = georeference.geotransform;
  s.order = storedOrder(Georeference{georeference.geotransform, georeference.crs});
  s.width = width;
  s.height = height;
  s.zScaleFactor = zScaleFactor;
  s.seaLevel = seaLevel;
  try {
    s.gdal = std::make_unique<GdalLibrary>(what);
    s.transform = std::make_unique<GeocentricTransform>(*s.gdal, georeference.crs, what);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

WorldGlobe::~WorldGlobe() = default;

void WorldGlobe::place(std::vector<std::array<double, 3>>& points) const {
  const State& s = *state_;
  for (std::array<double, 3>& p : points) {
    // The map's column and row as the file stores them (as the raster reader turned them),
    // then the geotransform at the pixel's centre.
    const double column = s.order.columnsEastFirst ? (s.width - 1) - p[0] : p[0];
    const double row = s.order.rowsSouthFirst ? p[1] : (s.height - 1) - p[1];
    const double c = column + 0.5;
    const double r = row + 0.5;
    const double altitude = s.zScaleFactor != 0 ? p[2] / s.zScaleFactor + s.seaLevel : s.seaLevel;
    p = {s.t[0] + c * s.t[1] + r * s.t[2], s.t[3] + c * s.t[4] + r * s.t[5], altitude};
  }
  try {
    s.transform->transform(points);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

}  // namespace quorvel
