#pragma once

#include <gdal.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace quorvel::test {

// An image for GDAL to write: samples band after band, each band's rows top first as a
// viewer shows them (row 0 of quorvel's record is then the last row given).
struct Raster {
  Raster(std::string driverName, int w, int h, int bandCount, GDALDataType sampleType,
         std::vector<double> values = {})
      : driver(std::move(driverName)),
        width(w),
        height(h),
        bands(bandCount),
        type(sampleType),
        samples(std::move(values)) {}
  [[nodiscard]] Raster withNoData(double value) const {
    Raster copy = *this;
    copy.noData = value;
    return copy;
  }
  [[nodiscard]] Raster withGeoreference(std::array<double, 6> transform, int code) const {
    Raster copy = *this;
    copy.geoTransform = transform;
    copy.epsg = code;
    return copy;
  }
  [[nodiscard]] Raster withSignedBytes() const {
    Raster copy = *this;
    copy.signedBytes = true;
    return copy;
  }
  [[nodiscard]] Raster withColourTable(std::vector<std::array<short, 3>> table) const {
    Raster copy = *this;
    copy.colourTable = std::move(table);
    return copy;
  }
  [[nodiscard]] Raster withScale(double scale, double offset, std::string unitName = {}) const {
    Raster copy = *this;
    copy.scaleOffset = {scale, offset};
    copy.unit = std::move(unitName);
    return copy;
  }
  // Creation options of the driver, NAME=VALUE: NBITS=1, PIXELTYPE=SIGNEDBYTE, ALPHA=YES.
  [[nodiscard]] Raster withOptions(std::vector<std::string> given) const {
    Raster copy = *this;
    copy.options = std::move(given);
    return copy;
  }
  [[nodiscard]] Raster withMask(std::vector<std::uint8_t> values) const {
    Raster copy = *this;
    copy.mask = std::move(values);
    return copy;
  }

  std::string driver;  // a GDAL driver that can copy a dataset: PNG, GTiff, SRTMHGT
  int width;
  int height;
  int bands;
  GDALDataType type;
  std::vector<double> samples;
  std::optional<double> noData;                   // of every band
  bool signedBytes = false;                       // bytes marked signed (GDAL before Int8)
  std::vector<std::array<short, 3>> colourTable;  // red, green, blue entries of band 1
  std::optional<std::array<double, 6>> geoTransform;
  int epsg = 0;  // the spatial reference, with geoTransform; 0 for none
  std::optional<std::pair<double, double>> scaleOffset;  // of band 1
  std::string unit;                                      // of band 1
  std::vector<std::string> options;
  std::vector<std::uint8_t> mask;  // a mask for every band, rows top first; empty for none
};

// GDAL's own warp of a file onto a north-up grid (its size, geotransform and reference system,
// none when crs is empty), bilinear, every band warped as it is (an alpha band too), written
// to a GeoTIFF.
void warpRaster(const std::filesystem::path& from, const std::filesystem::path& to, int width,
                int height, const std::array<double, 6>& transform, const std::string& crs);

// A netCDF file of two-dimensional Int16 variables of the given names, which GDAL gives as
// subdatasets.
void writeNetcdf(const std::filesystem::path& path, const std::vector<std::string>& variables);

// A zip archive holding the named files, each a few bytes, written through GDAL.
void writeZip(const std::filesystem::path& path, const std::vector<std::string>& entries);

// The reference system of an EPSG code as WKT.
std::string wktOf(int epsg);

// Writes the image through GDAL, leaving no side file; fails the test if GDAL cannot.
void writeRaster(const std::filesystem::path& path, const Raster& raster);

// How a terrain's rasters are stored: as pictures without georeferencing, or on 30 m pixels
// of UTM zone 16 north (kTerrainNorthFirst's geotransform) with the rows north first or south
// first; row 0 of the record is the south either way.
enum class Stored { kPicture, kNorthFirst, kSouthFirst };
inline constexpr std::array<double, 6> kTerrainNorthFirst{500000, 30, 0, 4001530, 0, -30};
inline constexpr int kTerrainEpsg = 32616;

// A terrain's images as GDAL files: alt as one band of bytes, the colour images as 8-bit RGB,
// all named prefix + role + "." + extension through driver.
void writeTerrainRasters(const std::filesystem::path& prefix, const TerrainImages& images,
                         const std::string& driver, const std::string& extension,
                         Stored stored = Stored::kPicture);

// The altitude image alone: one band of type holding value(byte) for each altitude byte.
void writeAltitude(const std::filesystem::path& path, const TerrainImages& images,
                   const std::string& driver, GDALDataType type, double (*value)(std::uint8_t),
                   Stored stored = Stored::kPicture, std::optional<double> scale = {});

}  // namespace quorvel::test
