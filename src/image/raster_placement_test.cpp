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

// Another resolution, a margin that is no whole number of pixels, another reference system,
// a reference system on one side only, a grey image, an alpha band: each is GDAL's warp.
TEST(ColourPlacement, WarpedColoursAreGdalsOwnWarp) {
  struct Case {
    const char* name;
    Raster colour;
  };
  const Case cases[] = {
      {"fine.tif", Raster("GTiff", 56, 40, 3, GDT_Byte, pattern(56, 40, 3))
                       .withGeoreference({499896.3, 15, 0, 4000137.1, 0, -15}, kUtm)},
      {"coarse.tif", Raster("GTiff", 13, 10, 3, GDT_Byte, pattern(13, 10, 3))
                         .withGeoreference({499960, 60, 0, 4000050, 0, -60}, kUtm)},
      {"degrees.tif", Raster("GTiff", 100, 60, 3, GDT_Byte, pattern(100, 60, 3))
                          .withGeoreference({-87.001, 0.0001, 0, 36.146, 0, -0.0001}, 4326)},
      {"nocrs.tif", Raster("GTiff", 56, 40, 3, GDT_Byte, pattern(56, 40, 3))
                        .withGeoreference({499896.3, 15, 0, 4000137.1, 0, -15}, 0)},
      {"grey.tif", Raster("GTiff", 56, 40, 1, GDT_Byte, pattern(56, 40, 1))
                       .withGeoreference({499896.3, 15, 0, 4000137.1, 0, -15}, kUtm)},
      {"alpha.tif", Raster("GTiff", 56, 40, 4, GDT_Byte, pattern(56, 40, 4))
                        .withGeoreference({499896.3, 15, 0, 4000137.1, 0, -15}, kUtm)
                        .withOptions({"ALPHA=YES"})},
  };
  const test::TempDir dir;
  const ImageGrid grid = utmGrid(21, 15);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(name, c.colour);
    const ColourPlacement placement(name, grid, gdal());
    EXPECT_TRUE(placement.placed());
    EXPECT_TRUE(placement.warped());
    EXPECT_EQ(readAll(placement, grid.width, grid.height), gdalWarp(name, grid));
  }
}

// The same pixel size, whole pixels apart (up to rounding in the geotransforms): each grid
// pixel is the colour pixel under it.
TEST(ColourPlacement, AlignedColoursAreReadAsTheyAre) {
  struct Case {
    const char* name;
    std::array<double, 6> transform;
    int epsg;
  };
  const Case cases[] = {
      {"utm.tif", {499910, 30, 0, 4000060, 0, -30}, kUtm},
      {"rounded.tif", {499910.0000000001, 30, 0, 4000059.9999999998, 0, -30}, kUtm},
      {"nocrs.tif", {499910, 30, 0, 4000060, 0, -30}, 0},
  };
  const test::TempDir dir;
  const std::vector<double> samples = pattern(30, 25, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(
        name, Raster("GTiff", 30, 25, 3, GDT_Byte, samples).withGeoreference(c.transform, c.epsg));
    const ImageGrid grid = utmGrid(21, 15, kGridTransform, c.epsg);
    const ColourPlacement placement(name, grid, gdal());
    EXPECT_TRUE(placement.placed());
    EXPECT_FALSE(placement.warped());
    // Grid pixel (x, y), y from the top, is colour pixel (x + 3, y + 2).
    Bytes expected;
    for (int row = 14; row >= 0; --row) {
      for (int x = 0; x < 21; ++x) {
        for (int band = 0; band < 3; ++band) {
          expected.push_back(
              static_cast<std::uint8_t>(samples[(band * 25 + row + 2) * 30 + x + 3]));
        }
      }
    }
    EXPECT_EQ(readAll(placement, 21, 15), expected);
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

// The grid's outline must lie inside the colour image, within 1e-6 of a colour pixel.
TEST(ColourPlacement, ColourThatDoesNotCoverTheAltitudeIsRefused) {
  struct Case {
    const char* name;
    Raster colour;
    bool covers;
  };
  const Case cases[] = {
      {"exact.tif",
       Raster("GTiff", 42, 30, 3, GDT_Byte, pattern(42, 30, 3))
           .withGeoreference({500000, 15, 0, 4000000, 0, -15}, kUtm),
       true},
      {"short.tif",
       Raster("GTiff", 41, 30, 3, GDT_Byte, pattern(41, 30, 3))
           .withGeoreference({500000, 15, 0, 4000000, 0, -15}, kUtm),
       false},
      {"above.tif",
       Raster("GTiff", 21, 15, 3, GDT_Byte, pattern(21, 15, 3))
           .withGeoreference({500000, 30, 0, 4000030, 0, -30}, kUtm),
       false},
      {"away.tif",
       Raster("GTiff", 20, 20, 3, GDT_Byte, pattern(20, 20, 3))
           .withGeoreference({-86.9, 0.0002, 0, 36.141, 0, -0.0002}, 4326),
       false},
  };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(name, c.colour);
    const auto place = [&] { const ColourPlacement placement(name, utmGrid(21, 15), gdal()); };
    if (c.covers) {
      EXPECT_NO_THROW(place());
    } else {
      test::expectFailure(place, "erreur: " + name + " ne couvre pas alt.tif\n");
    }
  }
}

}  // namespace
}  // namespace quorvel
