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
  int epsg = 0;  // the spatial reference, with geoTransform
};

// Writes the image through GDAL, leaving no side file; fails the test if GDAL cannot.
void writeRaster(const std::filesystem::path& path, const Raster& raster);

// A terrain's images as GDAL files: alt as one band of type altType holding
// altValue(byte) for each altitude byte, the colour images as 8-bit RGB, all named
// prefix + role + "." + extension through driver.
void writeTerrainRasters(const std::filesystem::path& prefix, const TerrainImages& images,
                         const std::string& driver, const std::string& extension);

// The altitude image alone, its samples given in record order (row 0 first).
void writeAltitude(const std::filesystem::path& path, const TerrainImages& images,
                   const std::string& driver, GDALDataType type, double (*value)(std::uint8_t));

}  // namespace quorvel::test
