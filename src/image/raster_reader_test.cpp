#include "image/raster_reader.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "failure.h"
#include "image/image_loader.h"
#include "image/samples_ahead.h"
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
      if (band->RasterIO(GF_Write, 0, 0, 2, 1, indices, 2, 1, GDT_Byte, 0, 0, nullptr) != CE_None) {
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
      // Grey and alpha: the grey levels, where the alpha is not 0.
      {"h.png",
       Raster("PNG", 2, 2, 2, GDT_Byte, {7, 8, 9, 10, 255, 1, 1, 255}),
       SampleFormat::kUInt8,
       1,
       {9, 10, 7, 8},
       ""},
      // A scale and an offset are applied, in double: H = raw x scale + offset.
      {"s.tif",
       Raster("GTiff", 2, 2, 1, GDT_Int16, {1234, -5, 0, 20}).withScale(0.5, 100),
       SampleFormat::kFloat64,
       8,
       {100, 110, 717, 97.5},
       ""},
      {"o.tif",
       Raster("GTiff", 1, 2, 1, GDT_Byte, {3, 200}).withScale(1, -0.25),
       SampleFormat::kFloat64,
       8,
       {199.75, 2.75},
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
      // Heights in feet: the factor for feet.
      {"ft.tif",
       Raster("GTiff", 1, 1, 1, GDT_Int16, {30})
           .withGeoreference({500000, 30, 0, 4000000, 0, -30}, 32616)
           .withScale(1, 0, "ft"),
       SampleFormat::kInt16,
       2,
       {30},
       ": pixels of 30.0 x 30.0 m on the ground; for heights in feet, z scale factor 0.1016"
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

// The map is the picture as a GIS draws it, north up: rows stored south first and columns
// stored east first are taken in reverse; a rotated grid keeps its order, with a note.
TEST(RasterReader, GeoreferencedAltitudesAreReadNorthUp) {
  struct Case {
    const char* name;
    std::array<double, 6> transform;
    std::vector<double> samples;  // row 0 first
    bool note;
  };
  const Case cases[] = {
      {"north.tif", {1000, 10, 0, 5000, 0, -10}, {4, 5, 6, 1, 2, 3}, false},
      {"south.tif", {1000, 10, 0, 4980, 0, 10}, {1, 2, 3, 4, 5, 6}, false},
      {"east.tif", {1030, -10, 0, 5000, 0, -10}, {6, 5, 4, 3, 2, 1}, false},
      {"both.tif", {1030, -10, 0, 4980, 0, 10}, {3, 2, 1, 6, 5, 4}, false},
      {"rotated.tif", {1000, 10, 2, 4980, 2, 10}, {4, 5, 6, 1, 2, 3}, true},
  };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    test::writeRaster(
        name,
        Raster("GTiff", 3, 2, 1, GDT_Byte, {1, 2, 3, 4, 5, 6}).withGeoreference(c.transform, 0));
    testing::internal::CaptureStderr();
    const RasterTexture texture(name, RasterKind::kAltitude, kAnySize, gdal());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              c.note ? name +
                           ": its georeferencing is rotated, so its pixels are taken in the"
                           " order they are stored, the last stored row as the map's first\n"
                     : "");
    EXPECT_EQ(samplesOf(texture), c.samples);
    ASSERT_TRUE(texture.georeference);
    EXPECT_EQ(texture.georeference->transform, c.transform);
  }
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
      // Bands of fewer than 8 bits stretch to 0-255: v x 255 / (2^n - 1).
      {"bits1.png",
       Raster("PNG", 2, 1, 1, GDT_Byte, {1, 0}).withOptions({"NBITS=1"}),
       {2, 1},
       2,
       1,
       {255, 255, 255, 0, 0, 0}},
      {"bits2.png",
       Raster("PNG", 4, 1, 1, GDT_Byte, {0, 1, 2, 3}).withOptions({"NBITS=2"}),
       {4, 1},
       4,
       1,
       {0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}},
      {"bits4.tif",
       Raster("GTiff", 1, 1, 3, GDT_Byte, {15, 1, 7}).withOptions({"NBITS=4"}),
       {1, 1},
       1,
       1,
       {255, 17, 119}},
      // Georeferenced but on no altitude grid: the picture north up, its bottom-left window.
      {"south.tif",
       Raster("GTiff", 2, 3, 1, GDT_Byte, {1, 2, 3, 4, 5, 6})
           .withGeoreference({0, 10, 0, 0, 0, 10}, 0),
       {2, 2},
       2,
       2,
       {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}},
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

// Each hint as printed, with "{}" for the file's name.
std::string named(std::string text, const std::string& name) {
  for (std::size_t at = text.find("{}"); at != std::string::npos; at = text.find("{}", at)) {
    text.replace(at, 2, name);
    at += name.size();
  }
  return text;
}

TEST(RasterReader, RefusalsNameTheFileAndSayWhy) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const double floatMax = std::numeric_limits<float>::max();
  struct Case {
    const char* name;
    RasterKind kind;
    std::optional<Raster> raster;  // none: written below, missing, or text
    std::string message;           // after "erreur: " and the file name, or the open message
    std::string hint;              // after "{}: "; empty for GDAL's own reason
    std::uintmax_t cutTo = 0;      // the file's length, when it is cut short
  };
  const std::string altitudeHint =
      "; an altitude image has one band (or grey and alpha) of integers or reals\n";
  const std::string colourHint =
      "; a colour image has 3 or 4 bands of bytes (red, green, blue, alpha), or 1 or 2 (grey)";
  const std::string fill = "; fill them first, e.g. gdal_fillnodata.py {} filled.tif";
  const auto unset = [](const std::string& value) {
    return "; if " + value + " is a real altitude (a sea at 0, say), unset it instead: " +
           "gdal_edit.py -unsetnodata {} (or gdal_translate -a_nodata none {} unset.tif)\n";
  };
  const auto first = [](int column, int row, const std::string& marks) {
    return "the first pixel without altitude is column " + std::to_string(column) + ", row " +
           std::to_string(row) + " from the top; they are marked by " + marks;
  };
  const std::vector<std::uint8_t> mask{255, 0, 255, 255, 255, 0};
  const std::string raw =
      "a raw heightmap without a header, which GDAL reads once a header beside it describes it"
      " (16-bit samples, low byte first, as terrain editors write them";
  const std::string recipe =
      "\\nNBANDS 1\\nNBITS 16\\nPIXELTYPE UNSIGNEDINT\\nBYTEORDER I\\nLAYOUT BIL\\n' > {hdr}\n";
  const Case cases[] = {
      {"rgb.png", RasterKind::kAltitude, Raster("PNG", 1, 1, 3, GDT_Byte, {1, 2, 3}),
       " n'est pas une image d'altitude\n", "3 bands of type Byte" + altitudeHint},
      {"complex.tif", RasterKind::kAltitude, Raster("GTiff", 1, 1, 1, GDT_CInt16, {1}),
       " n'est pas une image d'altitude\n", "1 band of type CInt16" + altitudeHint},
      {"deep.tif", RasterKind::kColour, Raster("GTiff", 1, 1, 3, GDT_UInt16, {1, 2, 3}),
       " n'est pas une image couleur 8 bits\n",
       "3 bands of type UInt16" + colourHint +
           "; make it 8-bit: gdal_translate -ot Byte -scale 0 65535 0 255 {} colour8.tif\n"},
      {"five.tif", RasterKind::kColour, Raster("GTiff", 1, 1, 5, GDT_Byte, {1, 2, 3, 4, 5}),
       " n'est pas une image couleur 8 bits\n", "5 bands of type Byte" + colourHint + "\n"},
      {"layers.nc", RasterKind::kAltitude, std::nullopt, " n'est pas une image d'altitude\n",
       "no band but subdatasets; give one of them with --alt: NETCDF:\"{}\":a, NETCDF:\"{}\":b" +
           altitudeHint},
      {"nodata.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 2, 1, GDT_Int16, {1, 2, -9999, -9999, 5, -9999}).withNoData(-9999),
       " contient 3 pixels sans altitude\n",
       first(2, 0, "the nodata value -9999") + fill + unset("-9999")},
      // Stored south first: the place is given in the picture drawn north up.
      {"south.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 2, 1, GDT_Int16, {1, 0, 2, 3, 4, 5})
           .withNoData(0)
           .withGeoreference({0, 10, 0, 0, 0, 10}, 0),
       " contient 1 pixels sans altitude\n", first(1, 1, "the nodata value 0") + fill + unset("0")},
      // Written with six digits, the nodata value is not -FLT_MAX, but GDAL counts it as such.
      {"floatmax.tif", RasterKind::kAltitude,
       Raster("GTiff", 2, 1, 1, GDT_Float32, {7, -floatMax}).withNoData(-3.40282e+38),
       " contient 1 pixels sans altitude\n",
       first(1, 0, "the nodata value -3.40282e+38 and samples of the largest floats") + fill +
           unset("-3.40282e+38")},
      {"signed.tif", RasterKind::kAltitude,
       Raster("GTiff", 2, 1, 1, GDT_Byte, {255, 1}).withSignedBytes().withNoData(-1),
       " contient 1 pixels sans altitude\n",
       first(0, 0, "the nodata value -1") + fill + unset("-1")},
      {"alpha.png", RasterKind::kAltitude, Raster("PNG", 2, 1, 2, GDT_UInt16, {1, 2, 65535, 0}),
       " contient 1 pixels sans altitude\n", first(1, 0, "the alpha band") + fill + "\n"},
      // GDAL does not take a second band of reals for alpha; it marks holes all the same.
      {"second.tif", RasterKind::kAltitude, Raster("GTiff", 2, 1, 2, GDT_Float32, {1, 2, 0, 0.5}),
       " contient 1 pixels sans altitude\n", first(0, 0, "the alpha band") + fill + "\n"},
      {"mask.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 2, 1, GDT_Int16, {1, 2, 3, 4, 5, 6}).withMask(mask),
       " contient 2 pixels sans altitude\n", first(1, 0, "the mask") + fill + "\n"},
      {"nan.tif", RasterKind::kAltitude, Raster("GTiff", 2, 2, 1, GDT_Float32, {1, 2, 3, nan}),
       " contient 1 pixels sans altitude\n", first(1, 1, "NaN or infinite samples") + fill + "\n"},
      {"inf.tif", RasterKind::kAltitude,
       Raster("GTiff", 2, 1, 1, GDT_Float64, {-infinity, -9}).withNoData(-9),
       " contient 2 pixels sans altitude\n",
       first(0, 0, "the nodata value -9 and NaN or infinite samples") + fill + unset("-9")},
      // The largest floats, as GDAL reads an ASCII grid's inf; in 64 bits they are altitudes.
      {"max.tif", RasterKind::kAltitude,
       Raster("GTiff", 3, 1, 1, GDT_Float32, {0, 3.4028234663852886e38, -3.4028234663852886e38}),
       " contient 2 pixels sans altitude\n",
       first(1, 0, "samples of the largest floats") + fill + "\n"},
      // The nodata value is a double (a GeoTIFF rounds it to a float, an EHdr header does
      // not); a Float32 sample matches it as GDAL compares it, as a float.
      {"tenth.bil", RasterKind::kAltitude,
       Raster("EHdr", 2, 1, 1, GDT_Float32, {5, 0.1}).withNoData(0.1),
       " contient 1 pixels sans altitude\n",
       first(1, 0, "the nodata value 0.1") + fill + unset("0.1")},
      {"text.png", RasterKind::kColour, std::nullopt, "", ""},
      // The system's reason, not GDAL's.
      {"missing.tif", RasterKind::kAltitude, std::nullopt, "", "No such file or directory\n"},
      // Uncompressed: its missing rows are refused.
      {"cut.tif", RasterKind::kAltitude,
       Raster("GTiff", 101, 101, 1, GDT_Int16, std::vector<double>(101 * 101, 7)), "", "", 12000},
      {"square.r16", RasterKind::kAltitude, std::nullopt, "",
       raw + "; the size from the file's length): printf 'NROWS 2\\nNCOLS 2" + recipe},
      {"long.RAW", RasterKind::kAltitude, std::nullopt, "",
       raw + "): printf 'NROWS ROWS\\nNCOLS COLUMNS" + recipe},
      {"dem.zip", RasterKind::kAltitude, std::nullopt, "",
       "a zip archive; give the image inside it by its name through GDAL's /vsizip/: "
       "/vsizip/{}/dem.tif, /vsizip/{}/more/x.asc\n"},
  };
  const test::TempDir dir;
  test::writeFile(dir / "text.png", test::Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  test::writeFile(dir / "square.r16", test::Bytes(8, 1));
  test::writeFile(dir / "long.RAW", test::Bytes(6, 1));
  test::writeZip(dir / "dem.zip", {"dem.tif", "more/x.asc"});
  test::writeNetcdf(dir / "layers.nc", {"a", "b"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = (dir / c.name).string();
    if (c.raster) test::writeRaster(name, *c.raster);
    if (c.cutTo > 0) std::filesystem::resize_file(name, c.cutTo);
    try {
      const RasterTexture texture(name, c.kind, kAnySize, gdal());
      ADD_FAILURE() << "loaded";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.what(), c.message.empty()
                                    ? "erreur lors de l'ouverture du fichier " + name + "\n"
                                    : "erreur: " + name + c.message);
      if (c.hint.empty()) {
        EXPECT_EQ(failure.hint().rfind(name + ": ", 0), 0u) << failure.hint();
        EXPECT_GT(failure.hint().size(), name.size() + 3);
      } else {
        std::string hint = named("{}: " + c.hint, name);
        const std::size_t at = hint.find("{hdr}");
        if (at != std::string::npos) {
          hint.replace(at, 5, std::filesystem::path(name).replace_extension(".hdr").string());
        }
        EXPECT_EQ(failure.hint(), hint);
      }
    }
  }
}

TEST(RasterReader, PartsHoldWholeBlocks) {
  using Window = RasterParts::Window;
  struct Case {
    const char* name;
    RasterParts parts;
    int count;
    std::vector<std::pair<int, Window>> some;  // part number, its window
  };
  const Case cases[] = {
      {"512 x 512 tiles of floats, a part each",
       rasterParts(0, 0, 5001, 5001, 512, 512, 4, true),
       100,
       {{0, {0, 0, 512, 512}}, {9, {4608, 0, 393, 512}}, {99, {4608, 4608, 393, 393}}}},
      {"a window across tiles",
       rasterParts(700, 300, 1000, 600, 512, 512, 4, true),
       6,
       {{0, {700, 300, 324, 212}}, {2, {1536, 300, 164, 212}}, {5, {1536, 512, 164, 388}}}},
      {"two tiles of half a megabyte a part",
       rasterParts(700, 300, 1000, 1000, 512, 512, 2, true),
       6,
       {{1, {1024, 300, 512, 724}}, {4, {1024, 1024, 512, 276}}}},
      {"strips of a row, 104 rows a part",
       rasterParts(0, 0, 5001, 5001, 5001, 1, 2, true),
       49,
       {{0, {0, 0, 5001, 104}}, {48, {0, 4992, 5001, 9}}}},
      {"strips of 64 rows of bytes, three strips a part",
       rasterParts(10, 100, 5000, 300, 5010, 64, 1, true),
       3,
       {{0, {10, 100, 5000, 92}}, {1, {10, 192, 5000, 192}}, {2, {10, 384, 5000, 16}}}},
      {"one strip", rasterParts(0, 0, 5001, 5001, 5001, 5001, 2, true), 1, {{0, {0, 0, 5001, 5001}}}},
      {"blocks out of reach", rasterParts(700, 300, 1000, 600, 512, 512, 2, false), 1,
       {{0, {700, 300, 1000, 600}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.parts.count(), c.count);
    for (const auto& [index, window] : c.some) {
      SCOPED_TRACE(index);
      const Window part = c.parts.part(index);
      EXPECT_EQ(std::tie(part.x, part.y, part.width, part.height),
                std::tie(window.x, window.y, window.width, window.height));
    }
  }
}

// Each layout read in parts by two threads (floats with the floating-point predictor decoded
// by the reader itself), every sample in its place, bottom row first, in a window as a
// world's tile reads it too; the file cut short in its first or its last parts, or in its
// header, is refused.
TEST(RasterReader, EveryBlockLayoutReadInPartsAndRefusedCutShort) {
  constexpr int kWidth = 1100;  // 2.4 MB of 16-bit samples: parts of strips hold 476 rows
  constexpr int kHeight = 1100;
  struct Case {
    const char* name;
    GDALDataType type;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"one strip", GDT_UInt16, {"BLOCKYSIZE=1100"}},
      {"strips of 7 rows", GDT_Int16, {"BLOCKYSIZE=7"}},
      {"tiles", GDT_UInt16, {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"}},
      {"DEFLATE strips, integer predictor",
       GDT_Int16,
       {"BLOCKYSIZE=16", "COMPRESS=DEFLATE", "PREDICTOR=2"}},
      {"DEFLATE tiles of floats, floating-point predictor",
       GDT_Float32,
       {"TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512", "COMPRESS=DEFLATE", "PREDICTOR=3"}},
      {"DEFLATE strips of doubles, floating-point predictor, the last strip short",
       GDT_Float64,
       {"BLOCKYSIZE=64", "COMPRESS=DEFLATE", "PREDICTOR=3"}},
  };
  const auto sample = [](int x, int y) { return (x * 7 + y * 131) % 30000; };
  const test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Raster raster("GTiff", kWidth, kHeight, 1, c.type);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) raster.samples.push_back(sample(x, y));
    }
    const std::string name = (dir / "layout.tif").string();
    test::writeRaster(name, raster.withOptions(c.options));
    // Memory made ready, of the file's bytes or of more than the samples' and 32 MiB, with
    // pages made for all of it or for its first third, holds other bytes than the samples:
    // taken, every byte is read over.
    const std::uintmax_t fileBytes = std::filesystem::file_size(name);
    const std::uintmax_t sampleBytes =
        std::uintmax_t{kWidth} * kHeight *
        static_cast<std::uintmax_t>(GDALGetDataTypeSizeBytes(c.type));
    struct Window {
      KeepWindow keep;
      int width, height;
      std::uintmax_t ready;
      std::uintmax_t made;
    };
    for (const Window& window :
         {Window{kAnySize, kWidth, kHeight, 0, 0},
          Window{{500, 300, false, 333, 600}, 500, 300, 0, 0},
          Window{kAnySize, kWidth, kHeight, fileBytes, fileBytes},
          Window{kAnySize, kWidth, kHeight, fileBytes, fileBytes / 3},
          Window{kAnySize, kWidth, kHeight, sampleBytes + (32 << 20) + 1, 1 << 20}}) {
      SCOPED_TRACE(std::to_string(window.made) + " of " + std::to_string(window.ready));
      SamplesAhead ready;
      ready.pixels.reserve(window.ready);
      ready.pixels.resize(window.made, 0xA5);
      const std::uint8_t* readyPages = ready.pixels.data();
      const RasterTexture texture(name, RasterKind::kAltitude, window.keep, gdal(), {}, {}, nullptr,
                                  std::move(ready));
      const bool fits = window.ready >= sampleBytes && window.ready - sampleBytes <= (32 << 20);
      EXPECT_EQ(readyPages != nullptr && texture.pixels.data() == readyPages, fits);
      const std::vector<double> samples = samplesOf(texture);
      ASSERT_EQ(samples.size(), static_cast<std::size_t>(window.width) * window.height);
      for (int y = 0; y < window.height; ++y) {
        for (int x = 0; x < window.width; ++x) {
          // Row y of the map is row kHeight - 1 - y of the picture, top first.
          ASSERT_EQ(samples[static_cast<std::size_t>(y) * window.width + x],
                    sample(window.keep.x0 + x, kHeight - 1 - window.keep.y0 - y))
              << "column " << x << ", row " << y;
        }
      }
    }
    const std::uintmax_t bytes = std::filesystem::file_size(name);
    for (const std::uintmax_t kept : {bytes * 9 / 10, bytes / 4, std::uintmax_t{100}}) {
      SCOPED_TRACE(kept);
      std::filesystem::resize_file(name, kept);
      try {
        const RasterTexture cut(name, RasterKind::kAltitude, kAnySize, gdal());
        ADD_FAILURE() << "loaded";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.what(), "erreur lors de l'ouverture du fichier " + name + "\n");
      }
    }
  }
}

// What loading name whole gives in a child whose address space is what this process holds
// plus pixelBytes and 32 MiB, the GDAL path's memory bound: the sum of the samples, or the
// message.
// With a loader, the pages it makes ready while GDAL loads count too: a loader of its own,
// which loads GDAL again (already in memory) and reads name as a compile's altitude.
std::string loadUnderTheMemoryBound(const std::string& name, std::size_t pixelBytes,
                                    bool byLoader = false) {
  return test::textFromChildWithin(pixelBytes + (std::size_t{32} << 20), [&] {
    GDALSetCacheMax64(std::int64_t{16} << 20);  // the programs' size of GDAL's cache
    const auto sum = [](const Texture& texture) {
      // Summed in place: a copy of the samples would not fit.
      long long total = 0;
      visitSample(texture.sampleFormat, [&]<typename Sample>(Sample) {
        for (std::size_t i = 0; i < texture.pixels.size(); i += sizeof(Sample)) {
          Sample value;
          std::memcpy(&value, texture.pixels.data() + i, sizeof value);
          total += static_cast<long long>(value);
        }
      });
      return "sum " + std::to_string(total);
    };
    try {
      if (byLoader) {
        ImageLoader loader([](const std::string&) {});
        return sum(loader.load(name, RasterKind::kAltitude, kAnySize));
      }
      return sum(
          RasterTexture(name, RasterKind::kAltitude, kAnySize, gdal(), [](const std::string&) {}));
    } catch (const Failure& failure) {
      return std::string(failure.what());
    }
  });
}

// The layouts of the elevation models users bring, read whole by two threads within the
// kept pixels + 32 MiB; and floats in DEFLATE tiles with the floating-point predictor,
// which the reader inflates itself, cut short in their header, in the middle of their first
// and of a middle block, and in their last block: the open message, never a crash. Cut in
// the header, GDAL cannot say where a block lies, and then reads it as an empty block of
// zeros with success, after its failure message.
TEST(RasterReader, ElevationModelsStayWithinTheMemoryBoundAndCutShortGiveAMessage) {
  if (test::underAddressSanitizer()) GTEST_SKIP() << "the sanitizer reserves more than the limit";
  const test::TempDir dir;
  const auto sample = [](long long x, long long y) { return (x * 7 + y * 131) % 30000; };
  struct Layout {
    const char* name;
    Raster raster;
  };
  const double step = 1.0 / 3600;
  const Layout layouts[] = {
      {"strips.tif", Raster("GTiff", 3601, 3601, 1, GDT_UInt16)},
      {"tiles.tif", Raster("GTiff", 2601, 2601, 1, GDT_Float32)
                        .withOptions({"TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512",
                                      "COMPRESS=DEFLATE", "PREDICTOR=3"})},
      {"N45E006.hgt", Raster("SRTMHGT", 3601, 3601, 1, GDT_Int16)
                          .withGeoreference({6 - step / 2, step, 0, 46 + step / 2, 0, -step},
                                            4326)},
  };
  for (const Layout& layout : layouts) {
    Raster raster = layout.raster;
    long long sum = 0;
    raster.samples.reserve(static_cast<std::size_t>(raster.width) * raster.height);
    for (int y = 0; y < raster.height; ++y) {
      for (int x = 0; x < raster.width; ++x) {
        raster.samples.push_back(static_cast<double>(sample(x, y)));
        sum += sample(x, y);
      }
    }
    test::writeRaster(dir / layout.name, raster);
    raster.samples = {};
    const std::string name = (dir / layout.name).string();
    // GDAL's drivers and the reader's first steps, started on a corner read by one thread:
    // what they keep belongs to the base, not to the bound.
    const RasterTexture corner(name, RasterKind::kAltitude, {51, 51}, gdal(),
                               [](const std::string&) {});
    const std::size_t pixelBytes = static_cast<std::size_t>(raster.width) * raster.height *
                                   static_cast<std::size_t>(corner.bytesPerPixel);
    SCOPED_TRACE(layout.name);
    EXPECT_EQ(loadUnderTheMemoryBound(name, pixelBytes), "sum " + std::to_string(sum));
    EXPECT_EQ(loadUnderTheMemoryBound(name, pixelBytes, true), "sum " + std::to_string(sum));
  }
  // Where the tiles lie, as GDAL says: stored in order, after the header.
  const std::string tiles = (dir / "tiles.tif").string();
  std::uintmax_t first = 0;
  std::uintmax_t middle = 0;
  std::uintmax_t last = 0;
  {
    GDALDatasetH dataset = GDALOpen(tiles.c_str(), GA_ReadOnly);
    ASSERT_NE(dataset, nullptr);
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    const auto offset = [&](const char* block) {
      const char* text = GDALGetMetadataItem(band, (std::string("BLOCK_OFFSET_") + block).c_str(),
                                             "TIFF");
      return text != nullptr ? std::stoull(text) : 0;
    };
    first = offset("0_0");
    middle = offset("2_2");
    last = offset("5_5");
    GDALClose(dataset);
  }
  const std::uintmax_t bytes = std::filesystem::file_size(tiles);
  ASSERT_TRUE(0 < first && first < middle && middle < last && last < bytes);
  const std::size_t pixelBytes = std::size_t{2601} * 2601 * 4;
  struct Cut {
    const char* name;
    std::uintmax_t kept;
  };
  const Cut cuts[] = {
      {"in the last block", last + (bytes - last) / 2},
      {"at the last block", last},
      {"in a middle block", middle + 1000},
      {"in the first block", first + 100},
      {"in the header", first / 2},
      {"in the first 8 bytes", 5},
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    std::filesystem::resize_file(tiles, cut.kept);
    EXPECT_EQ(loadUnderTheMemoryBound(tiles, pixelBytes),
              "erreur lors de l'ouverture du fichier " + tiles + "\n");
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

// An SRTM tile read while GDAL loads is kept only when GDAL then opens that tile, whole and
// unchanged; in every other case the record holds what the file held when GDAL opened it.
TEST(RasterReader, SamplesReadAheadServeOnlyTheTileGdalOpens) {
  const test::TempDir dir;
  const std::string name = (dir / "N36W085.hgt").string();
  const double step = 1.0 / 1200;
  const auto sample = [](int x, int y, int shift) { return (x * 3 + y * 5 + shift) % 4000 - 100; };
  // shift 0 or 1 for two different tiles; voids marks three samples -32768.
  const auto writeTile = [&](const std::string& to, int shift, bool voids) {
    Raster raster("SRTMHGT", 1201, 1201, 1, GDT_Int16);
    for (int y = 0; y < 1201; ++y) {
      for (int x = 0; x < 1201; ++x) raster.samples.push_back(sample(x, y, shift));
    }
    if (voids) raster.samples[5] = raster.samples[700000] = raster.samples.back() = -32768;
    test::writeRaster(
        to, raster.withGeoreference({-85 - step / 2, step, 0, 37 + step / 2, 0, -step}, 4326));
  };
  const auto replace = [&](int shift) {
    writeTile((dir / "N37W085.hgt").string(), shift, false);
    std::filesystem::rename(dir / "N37W085.hgt", name);
  };
  const auto ageBy = [&](int seconds) {
    std::filesystem::last_write_time(
        name, std::filesystem::last_write_time(name) + std::chrono::seconds(seconds));
  };
  const Raster small("GTiff", 51, 51, 1, GDT_Int16, std::vector<double>(51 * 51, 7.0));
  struct Case {
    const char* what;
    std::function<void()> before;  // makes the file guessed and read ahead
    std::function<void()> after;   // then changes it before GDAL opens it
    KeepWindow window;
    int shift;  // the tile the record must hold, or -1 for 51 x 51 sevens
    const char* failure;
  };
  const KeepWindow corner{600, 500, false, 11, 22};
  const Case cases[] = {
      {"kept", [&] { writeTile(name, 0, false); }, [] {}, kAnySize, 0, nullptr},
      {"replaced", [&] { writeTile(name, 0, false); }, [&] { replace(1); }, kAnySize, 1, nullptr},
      {"written in place", [&] { writeTile(name, 0, false); },
       [&] {
         writeTile(name, 1, false);
         ageBy(1);
       },
       kAnySize, 1, nullptr},
      {"a window", [&] { writeTile(name, 0, false); }, [] {}, corner, 0, nullptr},
      {"a GeoTIFF of a tile's length",
       [&] {
         test::writeRaster(name, small);
         std::filesystem::resize_file(name, 2 * 1201 * 1201);
       },
       [] {}, kAnySize, -1, nullptr},
      {"voids", [&] { writeTile(name, 0, true); }, [] {}, kAnySize, 0,
       "contient 3 pixels sans altitude"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.before();
    SamplesAhead ahead;
    ASSERT_EQ(srtmSideGuess(name), 1201);
    readSrtmAhead(name, 1201, ahead);
    ASSERT_EQ(ahead.side, 1201);
    c.after();
    std::vector<double> expected;
    const KeepWindow& w = c.window;
    const int columns = c.shift < 0 ? 51 : std::min(w.columns, 1201);
    const int rows = c.shift < 0 ? 51 : std::min(w.rows, 1201);
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < columns; ++x) {
        expected.push_back(c.shift < 0 ? 7 : sample(w.x0 + x, 1200 - w.y0 - y, c.shift));
      }
    }
    try {
      const RasterTexture texture(
          name, RasterKind::kAltitude, c.window, gdal(), [](const std::string&) {}, {}, nullptr,
          std::move(ahead));
      EXPECT_EQ(c.failure, nullptr);
      EXPECT_TRUE(samplesOf(texture) == expected) << "the samples differ";
    } catch (const Failure& failure) {
      ASSERT_NE(c.failure, nullptr) << failure.what();
      EXPECT_NE(std::string(failure.what()).find(c.failure), std::string::npos) << failure.what();
    }
  }
  // Guessed from the name and length alone; a tile cut after the guess is not read ahead.
  struct Guess {
    const char* name;
    std::uintmax_t bytes;
    int side;
  };
  const Guess guesses[] = {
      {"N00E000.hgt", 2 * 1201 * 1201, 1201},  {"N00E000.HGT", 2 * 3601 * 3601, 3601},
      {"N00E000.hgt", 2 * 1201 * 1201 - 2, 0}, {"N00E000.hgt", 2 * 1201 * 1200, 0},
      {"N00E000.tif", 2 * 1201 * 1201, 0},
  };
  for (const Guess& guess : guesses) {
    SCOPED_TRACE(std::string(guess.name) + " of " + std::to_string(guess.bytes));
    const std::filesystem::path file = dir / guess.name;
    std::filesystem::remove(file);
    test::writeFile(file, {});
    std::filesystem::resize_file(file, guess.bytes);
    EXPECT_EQ(srtmSideGuess(file.string()), guess.side);
  }
  std::filesystem::resize_file(dir / "N00E000.hgt", 2 * 1201 * 1201 - 2);
  SamplesAhead cut;
  readSrtmAhead((dir / "N00E000.hgt").string(), 1201, cut);
  EXPECT_EQ(cut.side, 0);
}

// A tile read ahead, with its step and rises found then, makes the map the same samples make
// from a GeoTIFF, which the map looks at itself: rises within the triangle table's reach.
TEST(RasterReader, TileReadAheadMakesTheMapOfTheSameGeoTiff) {
  const test::TempDir dir;
  test::writeTerrain(
      dir / "t", test::uniformTerrain(1201, 1201, 0, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {9, 9, 9}));
  const double step = 1.0 / 1200;
  const std::array<double, 6> corner{-85 - step / 2, step, 0, 37 + step / 2, 0, -step};
  std::vector<double> samples;
  for (int y = 0; y < 1201; ++y) {
    for (int x = 0; x < 1201; ++x) samples.push_back(4 * ((x * 3 + y * 5) / 7 % 30) - 50);
  }
  test::writeRaster(
      dir / "N36W085.hgt",
      Raster("SRTMHGT", 1201, 1201, 1, GDT_Int16, samples).withGeoreference(corner, 4326));
  test::writeRaster(
      dir / "same.tif",
      Raster("GTiff", 1201, 1201, 1, GDT_Int16, samples).withGeoreference(corner, 4326));
  std::vector<test::Bytes> maps;
  for (const char* name : {"N36W085.hgt", "same.tif"}) {
    const test::RunResult run =
        test::runTool({"--alt", name, "t", "1", "1", "2", "0.5"}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.out;
    maps.push_back(test::readFile(dir / "t.map"));
  }
  EXPECT_TRUE(maps[0] == maps[1]) << "the maps differ";
}

}  // namespace
}  // namespace quorvel
