#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

class GdalLibrary;

// Takes points of a reference system (given as WKT, x east and y north whatever the system's
// own axis order, height above its ellipsoid) to WGS 84's geocentric coordinates (EPSG:4978,
// metres), by GDAL's coordinate transformation.
class GeocentricTransform {
 public:
  // Throws a Failure naming what when GDAL cannot read crs or take it to WGS 84.
  GeocentricTransform(const GdalLibrary& gdal, const std::string& crs, const std::string& what);
  ~GeocentricTransform();
  GeocentricTransform(const GeocentricTransform&) = delete;
  GeocentricTransform& operator=(const GeocentricTransform&) = delete;

  // In place. Throws a Failure when GDAL cannot take one of them.
  void transform(std::vector<std::array<double, 3>>& points) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
