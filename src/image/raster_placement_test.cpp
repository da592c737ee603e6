#include "image/raster_placement.h"

#include <gdal.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "failure.h"
#include "image/raster_reader.h"
#include "raster_files.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::Raster;

GdalLibrary& gdal() {
  static GdalLibrary library("(GDAL for the tests)");
  return library;
}

// 30 m pixels in UTM zone 16 north, north up.
constexpr std::array<double, 6> kGridTransform{500000, 30, 0, 4000000, 0, -30};
constexpr int kUtm = 32616;

ImageGrid utmGrid(int width, int height, std::array<double, 6> transform = kGridTransform,
                  int epsg = kUtm) {
  return ImageGrid{"alt.tif", width, height,
                   Georeference{transform, epsg == 0 ? "" : test::wktOf(epsg)}};
}

// bands x width x height samples that vary every way, rows top first.
std::vector<double> pattern(int width, int height, int bands) {
  std::vector<double> samples;
  for (int band = 0; band < bands; ++band) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) samples.push_back((x * 7 + y * 13 + band * 50) % 256);
    }
  }
  return samples;
}

Bytes readAll(const ColourPlacement& placement, int width, int height) {
  Bytes pixels(static_cast<std::size_t>(width) * height * 3);
  placement.read(0, 0, width, height, pixels.data(), width * 3);
  return pixels;
}

// GDAL's own warp of the file onto a north-up grid, read back as red, green, blue bytes with
// the southern row first (a grey file's band thrice).
Bytes gdalWarp(const std::string& fileName, const ImageGrid& grid) {
  const std::string warpedName = fileName + ".warped.tif";
  test::warpRaster(fileName, warpedName, grid.width, grid.height, grid.georeference->transform,
                   grid.georeference->crs);
  Bytes pixels(static_cast<std::size_t>(grid.width) * grid.height * 3);
  GDALDatasetH warped = GDALOpen(warpedName.c_str(), GA_ReadOnly);
  EXPECT_NE(warped, nullptr);
  if (warped == nullptr) return pixels;
  const int bands = GDALGetRasterCount(warped);
  const int rowBytes = grid.width * 3;
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(
        GDALRasterIO(GDALGetRasterBand(warped, bands >= 3 ? c + 1 : 1), GF_Read, 0, 0, grid.width,
                     grid.height, pixels.data() + (grid.height - 1) * rowBytes + c, grid.width,
                     grid.height, GDT_Byte, 3, -rowBytes),
        CE_None);
  }
  GDALClose(warped);
  return pixels;
}

// Each colour image as GDAL's own warp puts it on the grid: warped for another resolution, a
// margin that is no whole number of pixels, another reference system, a reference system on
// one side only, a grey image, an alpha band; read as it is for the same pixels whole pixels
// apart (up to rounding in the geotransforms); refused when the grid's outline is not inside
// it within 1e-6 of a colour pixel (here half an altitude pixel short, or elsewhere).
TEST(ColourPlacement, PlacedColoursAreGdalsOwnWarp) {
  enum Expected { kWarped, kAligned, kRefused };
  struct Case {
    const char* name;
    int width;
    int height;
    int bands;
    std::array<double, 6> transform;
    int epsg;
    Expected expected;
  };
  const std::array<double, 6> fine{499896.3, 15, 0, 4000137.1, 0, -15};
  const Case cases[] = {
      {"fine.tif", 56, 40, 3, fine, kUtm, kWarped},
      {"coarse.tif", 13, 10, 3, {499960, 60, 0, 4000050, 0, -60}, kUtm, kWarped},
      {"degrees.tif", 100, 60, 3, {-87.001, 0.0001, 0, 36.146, 0, -0.0001}, 4326, kWarped},
      {"nocrs.tif", 56, 40, 3, fine, 0, kWarped},
      {"grey.tif", 56, 40, 1, fine, kUtm, kWarped},
      {"alpha.tif", 56, 40, 4, fine, kUtm, kWarped},
      {"utm.tif", 30, 25, 3, {499910, 30, 0, 4000060, 0, -30}, kUtm, kAligned},
      {"rounded.tif",
       30,
       25,
       3,
       {499910.0000000001, 30, 0, 4000059.9999999998, 0, -30},
       kUtm,
       kAligned},
      {"exact.tif", 42, 30, 3, {500000, 15, 0, 4000000, 0, -15}, kUtm, kWarped},
      {"short.tif", 41, 30, 3, {500000, 15, 0, 4000000, 0, -15}, kUtm, kRefused},
      {"above.tif", 21, 15, 3, {500000, 30, 0, 4000030, 0, -30}, kUtm, kRefused},
      {"away.tif", 20, 20, 3, {-86.9, 0.0002, 0, 36.141, 0, -0.0002}, 4326, kRefused},
  };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    Raster colour("GTiff", c.width, c.height, c.bands, GDT_Byte,
                  pattern(c.width, c.height, c.bands));
    if (c.bands == 4) colour = colour.withOptions({"ALPHA=YES"});
    test::writeRaster(name, colour.withGeoreference(c.transform, c.epsg));
    const ImageGrid grid = utmGrid(21, 15);
    if (c.expected == kRefused) {
      test::expectFailure([&] { const ColourPlacement placement(name, grid, gdal()); },
                          "erreur: " + name + " ne couvre pas alt.tif\n");
      continue;
    }
    const ColourPlacement placement(name, grid, gdal());
    EXPECT_TRUE(placement.placed());
    EXPECT_EQ(placement.warped(), c.expected == kWarped);
    EXPECT_EQ(readAll(placement, grid.width, grid.height), gdalWarp(name, grid));
  }
}

// A window is the same part of the whole, wherever it lies among the warper's blocks, for
// grids stored north first and south first.
TEST(ColourPlacement, WindowsAreThePartsOfTheWhole) {
  const test::TempDir dir;
  const std::string name = (dir / "colour.tif").string();
  test::writeRaster(name, Raster("GTiff", 303, 153, 3, GDT_Byte, pattern(303, 153, 3))
                              .withGeoreference({499970, 60, 0, 4000030, 0, -60}, kUtm));
  constexpr int kWidth = 601;
  constexpr int kHeight = 301;
  for (const std::array<double, 6>& transform :
       {kGridTransform, std::array<double, 6>{500000, 30, 0, 3990970, 0, 30}}) {
    SCOPED_TRACE(transform[5]);
    const ColourPlacement placement(name, utmGrid(kWidth, kHeight, transform), gdal());
    ASSERT_TRUE(placement.warped());
    const Bytes whole = readAll(placement, kWidth, kHeight);
    const std::array<std::array<int, 4>, 4> windows{
        {{0, 0, 1, 1}, {500, 100, 101, 150}, {37, 250, 200, 51}, {600, 300, 1, 1}}};
    for (const auto& [x, y, width, height] : windows) {
      SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
      Bytes window(static_cast<std::size_t>(width) * height * 3);
      placement.read(x, y, width, height, window.data(), width * 3);
      for (int j = 0; j < height; ++j) {
        const auto from = whole.begin() + ((y + j) * kWidth + x) * 3;
        ASSERT_TRUE(std::equal(from, from + width * 3, window.begin() + j * width * 3)) << j;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
