#include "image/raster_reader.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "raster_files.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

// One GDAL for the whole test program, loaded at its first use.
GdalLibrary& gdal() {
  static GdalLibrary library("(GDAL for the tests)");
  return library;
}

using test::Raster;

const KeepWindow kAnySize{5001, 5001, true};

// No format GDAL writes keeps a grey colour table, whose entries hold their level in the
// first component only, so this test's own driver serves one: any name ending in
// ".greytable" opens as 2 x 1 bytes {1, 0}, entry 0 giving level 10 and entry 1 level 20.
// It joins the allow-list of the tests' GDAL, and its files are local files like any.
void registerGreyTableDriver() {
  static const bool registered = [] {
    GDALAllRegister();
    auto* driver = new GDALDriver();  // owned by GDAL's driver manager from here on
    driver->SetDescription("QuorvelGreyTable");
    driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    driver->pfnOpen = [](GDALOpenInfo* info) -> GDALDataset* {
      if (!std::string_view(info->pszFilename).ends_with(".greytable")) return nullptr;
      GDALDataset* dataset = GDALDataset::FromHandle(
          GDALCreate(GDALGetDriverByName("MEM"), "", 2, 1, 1, GDT_Byte, nullptr));
      GDALRasterBand* band = dataset->GetRasterBand(1);
      GByte indices[2] = {1, 0};
      if (band->RasterIO(GF_Write, 0, 0, 2, 1, indices, 2, 1, GDT_Byte, 0, 0, nullptr) !=
          CE_None) {
        ADD_FAILURE() << "cannot write the grey table's pixels";
      }
      GDALColorTable table(GPI_Gray);
      for (short i = 0; i < 2; ++i) {
        const GDALColorEntry entry{static_cast<short>(10 + 10 * i), 99, 98, 255};
        table.SetColorEntry(i, &entry);
      }
      band->SetColorTable(&table);
      band->SetColorInterpretation(GCI_PaletteIndex);
      return dataset;
    };
    GetGDALDriverManager()->RegisterDriver(driver);
    gdal().allowDriver("QuorvelGreyTable");
    return true;
  }();
  (void)registered;
}

// The record's samples as numbers, row 0 first.
std::vector<double> samplesOf(const Texture& texture) {
  std::vector<double> values;
  const auto take = [&]<typename Sample>(Sample) {
    for (std::size_t i = 0; i < texture.pixels.size(); i += sizeof(Sample)) {
      Sample value;
      std::memcpy(&value, texture.pixels.data() + i, sizeof value);
      values.push_back(static_cast<double>(value));
    }
  };
  visitSample(texture.sampleFormat, take);
  return values;
}

TEST(RasterReader, AltitudeSamplesKeepTheirTypeWithTheBottomRowFirst) {
  struct Case {
    const char* name;
    Raster raster;
    SampleFormat format;
    int bytesPerPixel;
    std::vector<double> samples;  // row 0 first
    std::string warning;          // on standard error, after the file name
  };
  const std::vector<std::array<short, 3>> greyTable{
      {0, 0, 0}, {10, 10, 10}, {20, 20, 20}, {200, 200, 200}};
  const Case cases[] = {
      {"a.png",
       Raster("PNG", 3, 2, 1, GDT_Byte, {1, 2, 3, 4, 5, 255}),
       SampleFormat::kUInt8,
       1,
       {4, 5, 255, 1, 2, 3},
       ""},
      {"b.png",
       Raster("PNG", 2, 2, 1, GDT_UInt16, {0, 65535, 256, 1000}),
       SampleFormat::kUInt16,
       2,
       {256, 1000, 0, 65535},
       ""},
      {"c.tif",
       Raster("GTiff", 3, 2, 1, GDT_Int16, {-32767, -1, 0, 5, -300, 32767}),
       SampleFormat::kInt16,
       2,
       {5, -300, 32767, -32767, -1, 0},
       ""},
      {"d.tif",
       Raster("GTiff", 2, 1, 1, GDT_UInt32, {4294967295.0, 7}),
       SampleFormat::kUInt32,
       4,
       {4294967295.0, 7},
       ""},
      {"e.tif",
       Raster("GTiff", 1, 2, 1, GDT_Int32, {-2147483648.0, 2147483647.0}),
       SampleFormat::kInt32,
       4,
       {2147483647.0, -2147483648.0},
       ""},
      {"f.tif",
       Raster("GTiff", 2, 2, 1, GDT_Float32, {0.25, -1.5, 1000.125, -0.0}),
       SampleFormat::kFloat32,
       4,
       {1000.125, -0.0, 0.25, -1.5},
       ""},
      {"g.tif",
       Raster("GTiff", 2, 1, 1, GDT_Float64, {0.1, -1e300}),
       SampleFormat::kFloat64,
       8,
       {0.1, -1e300},
       ""},
      // Grey and alpha: the alpha band is ignored.
      {"h.png",
       Raster("PNG", 2, 2, 2, GDT_Byte, {7, 8, 9, 10, 255, 0, 0, 255}),
       SampleFormat::kUInt8,
       1,
       {9, 10, 7, 8},
       ""},
      // A grey colour table gives its levels, whatever order it has.
      {"i.png",
       Raster("PNG", 2, 2, 1, GDT_Byte, {3, 2, 1, 0}).withColourTable(greyTable),
       SampleFormat::kUInt8,
       1,
       {10, 0, 200, 20},
       ""},
      // A projected altitude image: its pixel size on the ground and the true z scale.
      {"k.tif",
       Raster("GTiff", 1, 1, 1, GDT_Float32, {2.5})
           .withGeoreference({500000, 30, 0, 4000000, 0, -30}, 32616),
       SampleFormat::kFloat32,
       4,
       {2.5},
       ": pixels of 30.0 x 30.0 m on the ground; for heights in metres, z scale factor 0.3333"
       " gives true proportions at 10 units per pixel\n"},
      // Signed bytes: 255 is -1.
      {"m.tif",
       Raster("GTiff", 3, 2, 1, GDT_Byte, {255, 128, 0, 1, 127, 200}).withSignedBytes(),
       SampleFormat::kInt16,
       2,
       {1, 127, -56, -1, -128, 0},
       ""},
      {"j.png",
       Raster("PNG", 2, 1, 1, GDT_Byte, {1, 0}).withColourTable({{1, 2, 3}, {4, 5, 6}}),
       SampleFormat::kUInt8,
       1,
       {1, 0},
       ": its colour table is not grey, so the colour indices are used as altitudes\n"},
      // Only bytes are colour indices: wider samples keep their values beside any table.
      {"l.tif",
       Raster("GTiff", 2, 1, 1, GDT_UInt16, {1, 300}).withColourTable(greyTable),
       SampleFormat::kUInt16,
       2,
       {1, 300},
       ""},
  };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(name, c.raster);
    testing::internal::CaptureStderr();
    const RasterTexture texture(name, RasterKind::kAltitude, kAnySize, gdal());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning.empty() ? "" : name + c.warning);
    EXPECT_EQ(texture.width, c.raster.width);
    EXPECT_EQ(texture.height, c.raster.height);
    EXPECT_EQ(texture.sampleFormat, c.format);
    EXPECT_EQ(texture.bytesPerPixel, c.bytesPerPixel);
    EXPECT_EQ(texture.bitsPerPixel, 8 * c.bytesPerPixel);
    const std::vector<double> samples = samplesOf(texture);
    ASSERT_EQ(samples.size(), c.samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
      EXPECT_EQ(std::signbit(samples[i]), std::signbit(c.samples[i])) << i;
      EXPECT_EQ(samples[i], c.samples[i]) << i;
    }
  }
  EXPECT_EQ(test::directoryNames(dir.path()).size(), std::size(cases));  // no .aux.xml
}

TEST(RasterReader, ColourImagesBecomeRgbBytesOfTheWindowOnly) {
  struct Case {
    const char* name;
    Raster raster;
    KeepWindow window;
    int width;
    int height;
    test::Bytes pixels;  // row 0 first
  };
  const Case cases[] = {
      {"rgb.png",
       Raster("PNG", 2, 2, 3, GDT_Byte, {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24}),
       {2, 2},
       2,
       2,
       {3, 13, 23, 4, 14, 24, 1, 11, 21, 2, 12, 22}},
      {"rgba.png",
       Raster("PNG", 1, 2, 4, GDT_Byte, {1, 2, 11, 12, 21, 22, 0, 255}),
       {1, 2},
       1,
       2,
       {2, 12, 22, 1, 11, 21}},
      {"grey.png", Raster("PNG", 2, 1, 1, GDT_Byte, {0, 77}), {2, 1}, 2, 1, {0, 0, 0, 77, 77, 77}},
      {"greyalpha.png", Raster("PNG", 1, 1, 2, GDT_Byte, {9, 0}), {1, 1}, 1, 1, {9, 9, 9}},
      {"palette.png",
       Raster("PNG", 3, 1, 1, GDT_Byte, {2, 0, 1})
           .withColourTable({{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}),
       {3, 1},
       3,
       1,
       {70, 80, 90, 10, 20, 30, 40, 50, 60}},
      // Larger than alt: the bottom rows of the picture, their left columns.
      {"crop.png",
       Raster("PNG", 3, 3, 1, GDT_Byte, {1, 2, 3, 4, 5, 6, 7, 8, 9}),
       {2, 2},
       2,
       2,
       {7, 7, 7, 8, 8, 8, 4, 4, 4, 5, 5, 5}},
      // Smaller than alt: all of it (the map writer refuses it by its file size); alt too
      // large for a map: nothing.
      {"small.png",
       Raster("PNG", 2, 2, 1, GDT_Byte, {1, 2, 3, 4}),
       {3, 2},
       2,
       2,
       {3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2}},
      {"none.png", Raster("PNG", 2, 2, 1, GDT_Byte, {1, 2, 3, 4}), {0, 0}, 0, 0, {}},
  };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(name, c.raster);
    const RasterTexture texture(name, RasterKind::kColour, c.window, gdal());
    EXPECT_EQ(texture.width, c.width);
    EXPECT_EQ(texture.height, c.height);
    EXPECT_EQ(texture.fileWidth, c.raster.width);
    EXPECT_EQ(texture.fileHeight, c.raster.height);
    EXPECT_EQ(texture.bytesPerPixel, 3);
    EXPECT_EQ(texture.bitsPerPixel, 24);
    EXPECT_EQ(texture.pixels, c.pixels);
  }
}

TEST(RasterReader, AGreyTableGivesItsLevelsToAltitudesAndColours) {
  registerGreyTableDriver();
  const test::TempDir dir;
  const std::string name = (dir / "levels.greytable").string();
  test::writeFile(name, {});
  const RasterTexture altitude(name, RasterKind::kAltitude, kAnySize, gdal());
  EXPECT_EQ(altitude.pixels, (test::Bytes{20, 10}));
  const RasterTexture colour(name, RasterKind::kColour, kAnySize, gdal());
  EXPECT_EQ(colour.pixels, (test::Bytes{20, 20, 20, 10, 10, 10}));
}

TEST(RasterReader, AltitudeLargerThanAnyMapKeepsItsSizeButNoPixels) {
  const test::TempDir dir;
  const std::string name = (dir / "big.tif").string();
  test::writeRaster(name, Raster("GTiff", 3, 2, 1, GDT_UInt16, {1, 2, 3, 4, 5, 6}));
  const RasterTexture texture(name, RasterKind::kAltitude, {2, 2, true}, gdal());
  EXPECT_EQ(texture.fileWidth, 3);
  EXPECT_EQ(texture.fileHeight, 2);
  EXPECT_EQ(texture.width, 0);
  EXPECT_EQ(texture.bytesPerPixel, 2);
  EXPECT_TRUE(texture.pixels.empty());
}

TEST(RasterReader, RefusalsNameTheFileAndSayWhy) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    RasterKind kind;
    std::optional<Raster> raster;  // none: the file is missing, or holds text
    std::string message;           // after "erreur: " and the file name, or the open message
    std::string hint;              // after the file name and ": "; GDAL's reason is not ours
    std::uintmax_t cutTo = 0;      // the file's length, when it is cut short
  };
  const std::string altitudeHint =
      "; an altitude image has one band (or grey and alpha) of integers or reals\n";
  const std::string colourHint =
      "; a colour image has 3 or 4 bands of bytes (red, green, blue, alpha), or 1 or 2 (grey)\n";
  const std::string fill = "; fill them first, e.g. gdal_fillnodata.py ";
  const Case cases[] = {
      {"rgb.png", RasterKind::kAltitude, Raster("PNG", 1, 1, 3, GDT_Byte, {1, 2, 3}),
       " n'est pas une image d'altitude\n", "3 bands of type Byte" + altitudeHint},
      {"complex.tif", RasterKind::kAltitude, Raster("GTiff", 1, 1, 1, GDT_CInt16, {1}),
       " n'est pas une image d'altitude\n", "1 band of type CInt16" + altitudeHint},
      {"deep.tif", RasterKind::kColour, Raster("GTiff", 1, 1, 3, GDT_UInt16, {1, 2, 3}),
       " n'est pas une image couleur 8 bits\n", "3 bands of type UInt16" + colourHint},
      {"five.tif", RasterKind::kColour, Raster("GTiff", 1, 1, 5, GDT_Byte, {1, 2, 3, 4, 5}),
       " n'est pas une image couleur 8 bits\n", "5 bands of type Byte" + colourHint},
      {"nodata.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 2, 1, GDT_Int16, {1, 2, -9999, -9999, 5, -9999}).withNoData(-9999),
       " contient 3 pixels sans altitude\n",
       "the first pixel without altitude is column 2, row 0 from the top" + fill},
      {"nan.tif", RasterKind::kAltitude, Raster("GTiff", 2, 2, 1, GDT_Float32, {1, 2, 3, nan}),
       " contient 1 pixels sans altitude\n",
       "the first pixel without altitude is column 1, row 1 from the top" + fill},
      {"inf.tif", RasterKind::kAltitude, Raster("GTiff", 2, 1, 1, GDT_Float64, {-infinity, 0}),
       " contient 1 pixels sans altitude\n",
       "the first pixel without altitude is column 0, row 0 from the top" + fill},
      // The largest floats, as GDAL reads an ASCII grid's inf; in 64 bits they are altitudes.
      {"max.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 1, 1, GDT_Float32, {0, 3.4028234663852886e38, -3.4028234663852886e38}),
       " contient 2 pixels sans altitude\n",
       "the first pixel without altitude is column 1, row 0 from the top" + fill},
      // The nodata value is a double (a GeoTIFF rounds it to a float, an EHdr header does
      // not); a Float32 sample matches it as a float.
      {"tenth.bil", RasterKind::kAltitude,
       Raster("EHdr", 2, 1, 1, GDT_Float32, {5, 0.1}).withNoData(0.1),
       " contient 1 pixels sans altitude\n",
       "the first pixel without altitude is column 1, row 0 from the top" + fill},
      {"text.png", RasterKind::kColour, std::nullopt, "", ""},
      // The system's reason, not GDAL's.
      {"missing.tif", RasterKind::kAltitude, std::nullopt, "", "No such file or directory\n"},
      // Uncompressed: its missing rows are refused.
      {"cut.tif", RasterKind::kAltitude,
       Raster("GTiff", 101, 101, 1, GDT_Int16, std::vector<double>(101 * 101, 7)), "", "", 12000},
  };
  const test::TempDir dir;
  test::writeFile(dir / "text.png", test::Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    if (c.raster) test::writeRaster(name, *c.raster);
    if (c.cutTo > 0) std::filesystem::resize_file(name, c.cutTo);
    try {
      const RasterTexture texture(name, c.kind, kAnySize, gdal());
      ADD_FAILURE() << "loaded";
    } catch (const Failure& failure) {
      if (c.message.empty()) {
        EXPECT_EQ(failure.what(), "erreur lors de l'ouverture du fichier " + name + "\n");
        EXPECT_EQ(failure.hint().rfind(name + ": ", 0), 0u) << failure.hint();
        EXPECT_GT(failure.hint().size(), name.size() + 3);
        if (!c.hint.empty()) {
          EXPECT_EQ(failure.hint(), name + ": " + c.hint);
        }
      } else {
        EXPECT_EQ(failure.what(), "erreur: " + name + c.message);
        const std::string tail = c.hint.ends_with(fill) ? name + " filled.tif\n" : "";
        EXPECT_EQ(failure.hint(), name + ": " + c.hint + tail);
      }
    }
  }
}

// Over 8 MiB of samples: read in bands, every other one by a second thread, each band in its
// place, bottom row first; a file cut short in the second band is refused.
TEST(RasterReader, LargeAltitudeReadInBandsOnTwoThreads) {
  constexpr int kWidth = 2049;  // 4098 bytes a row: 2047 rows a band, so 2 bands
  constexpr int kHeight = 2100;
  Raster raster("GTiff", kWidth, kHeight, 1, GDT_UInt16);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) raster.samples.push_back((x * 7 + y * 131) % 65536);
  }
  const test::TempDir dir;
  const std::string name = (dir / "large.tif").string();
  test::writeRaster(name, raster);
  const RasterTexture texture(name, RasterKind::kAltitude, kAnySize, gdal());
  const std::vector<double> samples = samplesOf(texture);
  ASSERT_EQ(samples.size(), raster.samples.size());
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_EQ(samples[static_cast<std::size_t>(y) * kWidth + x],
                (x * 7 + (kHeight - 1 - y) * 131) % 65536)
          << "column " << x << ", row " << y;
    }
  }
  // The picture's last 20 rows, all in the second band.
  std::filesystem::resize_file(name, std::filesystem::file_size(name) - 20 * 2 * kWidth);
  try {
    const RasterTexture cut(name, RasterKind::kAltitude, kAnySize, gdal());
    ADD_FAILURE() << "loaded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.what(), "erreur lors de l'ouverture du fichier " + name + "\n");
    EXPECT_NE(failure.hint().find("Read error"), std::string::npos) << failure.hint();
  }
}

// A tile as SRTM distributes them, written by GDAL's own driver: 1201 x 1201 big-endian
// Int16 samples, 3 arc-seconds apart, north-west corner at 37 N 85 W.
TEST(RasterReader, SrtmTileReadsWithItsGroundSize) {
  const test::TempDir dir;
  const std::string name = (dir / "N36W085.hgt").string();
  Raster raster("SRTMHGT", 1201, 1201, 1, GDT_Int16);
  raster.samples.resize(1201 * 1201, 250.0);
  raster.samples.front() = -12;  // the top left corner
  raster.samples.back() = 1076;  // the bottom right one
  const double step = 1.0 / 1200;
  test::writeRaster(
      name, raster.withGeoreference({-85 - step / 2, step, 0, 37 + step / 2, 0, -step}, 4326));
  testing::internal::CaptureStderr();
  const RasterTexture texture(name, RasterKind::kAltitude, kAnySize, gdal());
  // 6378137 m x pi / 180 / 1200 along a meridian; times cos 36.5 degrees along the parallel.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            name +
                ": pixels of 74.6 x 92.8 m on the ground; for heights in metres, z scale"
                " factor 0.1078 gives true proportions at 10 units per pixel\n");
  EXPECT_EQ(texture.sampleFormat, SampleFormat::kInt16);
  const std::vector<double> samples = samplesOf(texture);
  ASSERT_EQ(samples.size(), 1201u * 1201u);
  EXPECT_EQ(samples[1200 * 1201], -12);  // the top row is the last
  EXPECT_EQ(samples[1200], 1076);
  EXPECT_EQ(samples[600 * 1201 + 600], 250);
}

}  // namespace
}  // namespace quorvel
