// The tool on images read through GDAL, and the options that name them, run as the built
// program.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "raster_files.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

using test::Raster;
using test::RunResult;

using test::kBanner;
using test::kDefaultSettings;
using test::kUsage;
const std::string kSizeLine = "largeur: 1, hauteur: 1 (en blocFile)\n";

std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }

// 51 x 51 pixels that differ along both axes, so that a flipped or shifted row changes the
// map. DifLight is grey and AmbMat has seven colours, so both can also be written as one
// band, grey or paletted.
test::TerrainImages patternTerrain() {
  test::TerrainImages images;
  images.width = 51;
  images.height = 51;
  for (int y = 0; y < 51; ++y) {
    for (int x = 0; x < 51; ++x) {
      images.alt.push_back(byte((x * 5 + y * 11 + x * y % 7) % 256));
      images.difMat.insert(images.difMat.end(), {byte(x * 4), byte(y * 4), byte(x + y * 2)});
      const int k = (x + 2 * y) % 7;
      images.ambMat.insert(images.ambMat.end(), {byte(30 * k), byte(200 - 20 * k), byte(9 * k)});
      const std::uint8_t grey = byte(128 + (x + y) % 100);
      images.difLight.insert(images.difLight.end(), {grey, grey, grey});
      images.ambLight.insert(images.ambLight.end(), {20, 30, byte(40 + x % 10)});
    }
  }
  return images;
}

// One band in picture order (rows top first) from a packed image's first channel, or from
// its palette indices.
std::vector<double> topFirst(const std::vector<double>& recordOrder) {
  std::vector<double> samples;
  for (int row = 50; row >= 0; --row) {
    samples.insert(samples.end(), recordOrder.begin() + row * 51,
                   recordOrder.begin() + (row + 1) * 51);
  }
  return samples;
}

TEST(RasterRun, OptionsComeBeforeThePrefixAndAreCheckedAfterTheBanner) {
  struct Case {
    std::vector<std::string> arguments;
    std::string out;  // after the banner
    int exitCode;
  };
  const std::string settings123 =
      "light direction= 1.000000 2.000000 3.000000\nz scale factor= 1.000000\nsea Level=0.000000\n";
  const std::string cannotOpen = "erreur lors de l'ouverture du fichier ";
  const Case cases[] = {
      {{"--alt", "a.png"}, kUsage, 0},
      {{"--bogus", "t"}, "erreur: option inconnue --bogus\n", 1},
      {{"--ext"}, "erreur: l'option --ext demande une valeur\n", 1},
      {{"--ext", "png", "--amblight"}, "erreur: l'option --amblight demande une valeur\n", 1},
      // Only words that begin with "--" are options; after the prefix nothing is.
      {{"-t"}, kDefaultSettings + cannotOpen + "-talt.bmp\n", 1},
      {{"--", "--t"}, kDefaultSettings + cannotOpen + "--talt.bmp\n", 1},
      {{"u", "--alt", "t"}, kDefaultSettings + cannotOpen + "ualt.bmp\n", 1},
      {{"--ext", "png", "u", "1", "2", "3"}, settings123 + cannotOpen + "ualt.png\n", 1},
      {{"--alt", "a.tif", "--ext", "png", "u"}, kDefaultSettings + cannotOpen + "a.tif\n", 1},
      // The last of a repeated option counts; every image not named keeps its default.
      {{"--difmat", "x.png", "--difmat", "d.png", "t"}, kDefaultSettings + kSizeLine, 0},
  };
  const test::TempDir dir;
  const test::TerrainImages images = patternTerrain();
  test::writeTerrain(dir / "t", images);
  test::writeRaster(dir / "d.png",
                    Raster("PNG", 51, 51, 1, GDT_Byte, std::vector<double>(51 * 51, 7)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    std::filesystem::remove(dir / "t.map");
    const RunResult run = test::runTool(c.arguments, dir.path());
    EXPECT_EQ(run.out, kBanner + c.out);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(test::directoryNames(dir.path()).size(), c.out.ends_with(kSizeLine) ? 7u : 6u);
  }
}

TEST(RasterRun, OtherFormatsGiveTheMapOfTheSameBmpPixels) {
  const test::TempDir dir;
  const test::TerrainImages images = patternTerrain();
  test::writeTerrain(dir / "b", images);
  test::writeTerrainRasters(dir / "p", images, "PNG", "png");
  test::writeTerrainRasters(dir / "g", images, "GTiff", "tif");
  std::filesystem::copy_file(dir / "bAmbLight.bmp", dir / "upper.BMP");
  std::vector<double> grey;
  std::vector<double> index;
  std::vector<double> altitudes;
  for (std::size_t i = 0; i < images.alt.size(); ++i) {
    grey.push_back(images.difLight[3 * i]);
    index.push_back(images.ambMat[3 * i] / 30);
    altitudes.push_back(images.alt[i]);
  }
  test::writeRaster(dir / "grey.png", Raster("PNG", 51, 51, 1, GDT_Byte, topFirst(grey)));
  // A format outside the drivers the tool registers first, found once it registers the rest.
  test::writeRaster(dir / "alt.bt", Raster("BT", 51, 51, 1, GDT_Int16, topFirst(altitudes)));
  std::vector<std::array<short, 3>> table;
  for (short k = 0; k < 7; ++k) table.push_back({short(30 * k), short(200 - 20 * k), short(9 * k)});
  test::writeRaster(dir / "palette.png",
                    Raster("PNG", 51, 51, 1, GDT_Byte, topFirst(index)).withColourTable(table));

  const std::vector<std::string> settings{"1", "1", "2", "0.5", "40"};
  const auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), settings.begin(), settings.end());
    return test::runTool(arguments, dir.path());
  };
  const RunResult bmp = run({"b"});
  ASSERT_EQ(bmp.exitCode, 0) << bmp.out;
  const test::Bytes expected = test::readFile(dir / "b.map");
  const std::vector<std::vector<std::string>> cases = {
      {"--ext", "png", "p"},
      {"--ext", "tif", "g"},
      {"--alt", "palt.png", "b"},
      {"--alt", "alt.bt", "b"},
      {"--alt", "galt.tif", "--difmat", "pDifMat.png", "b"},
      {"--ext", "png", "--difmat", "bDifMat.bmp", "--amblight", "upper.BMP", "p"},
      {"--ext", "png", "--diflight", "grey.png", "--ambmat", "palette.png", "p"},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments.back());
    std::filesystem::remove(dir / (arguments.back() + ".map"));
    const RunResult result = run(arguments);
    EXPECT_EQ(result.out, bmp.out);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(test::readFile(dir / (arguments.back() + ".map")), expected);
  }
  for (const std::string& name : test::directoryNames(dir.path())) {
    EXPECT_FALSE(name.ends_with(".aux.xml")) << name;
  }
}

// The silent mistakes of georeferenced inputs: rows stored south first, a scale, colours at
// another resolution and extent. Each gives the map of the plain terrain, or of the colour
// image as GDAL's own warp puts it on the altitude's grid.
TEST(RasterRun, GeoreferencedInputsGiveTheMapAsAGisShowsIt) {
  const test::TempDir dir;
  const test::TerrainImages images = patternTerrain();
  test::writeTerrain(dir / "b", images);
  test::writeTerrainRasters(dir / "n", images, "GTiff", "tif", test::Stored::kNorthFirst);
  test::writeTerrainRasters(dir / "s", images, "GTiff", "tif", test::Stored::kSouthFirst);
  // Decimetres with a scale of 0.1.
  test::writeAltitude(
      dir / "dm.tif", images, "GTiff", GDT_Int16, [](std::uint8_t b) { return 10.0 * b; },
      test::Stored::kPicture, 0.1);
  // Colours at 15 m over the 30 m altitude, with a margin of 3.7 m and 2.1 m, and GDAL's own
  // warp of them onto the altitude's grid.
  std::vector<double> fine;
  for (int band = 0; band < 3; ++band) {
    for (int y = 0; y < 110; ++y) {
      for (int x = 0; x < 110; ++x) fine.push_back((x * 3 + y * 5 + band * 70) % 256);
    }
  }
  const std::array<double, 6>& grid = test::kTerrainNorthFirst;
  test::writeRaster(
      dir / "fine.tif",
      Raster("GTiff", 110, 110, 3, GDT_Byte, fine)
          .withGeoreference({grid[0] - 33.7, 15, 0, grid[3] + 17.1, 0, -15}, test::kTerrainEpsg));
  test::warpRaster(dir / "fine.tif", dir / "warped.tif", 51, 51, grid,
                   test::wktOf(test::kTerrainEpsg));

  const std::vector<std::string> settings{"1", "1", "2", "0.5", "40"};
  const auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), settings.begin(), settings.end());
    std::filesystem::remove(dir / (arguments[arguments.size() - 6] + ".map"));
    const RunResult result = test::runTool(arguments, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.out;
    return test::readFile(dir / (arguments[arguments.size() - 6] + ".map"));
  };
  const test::Bytes plain = run({"b"});
  const test::Bytes warped = run({"--ext", "tif", "--difmat", "warped.tif", "n"});
  ASSERT_NE(plain, warped);
  struct Case {
    std::vector<std::string> arguments;
    const test::Bytes* expected;
  };
  const Case cases[] = {
      {{"--ext", "tif", "n"}, &plain},
      {{"--ext", "tif", "s"}, &plain},
      {{"--ext", "tif", "--alt", "salt.tif", "n"}, &plain},
      {{"--ext", "tif", "--alt", "nalt.tif", "s"}, &plain},
      {{"--alt", "dm.tif", "b"}, &plain},
      {{"--ext", "tif", "--difmat", "fine.tif", "n"}, &warped},
      {{"--ext", "tif", "--difmat", "fine.tif", "s"}, &warped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[c.arguments.size() - 2] + " " + c.arguments.back());
    EXPECT_EQ(run(c.arguments), *c.expected);
  }
}

TEST(RasterRun, RefusalsWriteNoMapAndKeepTheEarlierOne) {
  const test::TempDir dir;
  test::writeTerrain(dir / "t", patternTerrain());
  ASSERT_EQ(test::runTool({"t"}, dir.path()).exitCode, 0);
  const test::Bytes earlier = test::readFile(dir / "t.map");
  const auto flat = [](double value) { return std::vector<double>(51 * 51, value); };
  std::vector<double> holes = flat(3);
  holes[100] = holes[2000] = -9999;
  std::vector<double> rgb = flat(1);
  rgb.insert(rgb.end(), 2 * 51 * 51, 2.0);
  test::writeRaster(dir / "rgb.png", Raster("PNG", 51, 51, 3, GDT_Byte, rgb));
  test::writeRaster(dir / "holes.tif",
                    Raster("GTiff", 51, 51, 1, GDT_Int16, holes).withNoData(-9999));
  std::vector<double> deep = flat(300);
  deep.insert(deep.end(), 2 * 51 * 51, 1.0);
  test::writeRaster(dir / "deep.tif", Raster("GTiff", 51, 51, 3, GDT_UInt16, deep));
  test::writeFile(dir / "text.png", test::Bytes{'n', 'o'});
  std::vector<double> alpha = flat(3);
  alpha.insert(alpha.end(), 51 * 51, 255.0);
  alpha[51 * 51 + 7] = 0;
  test::writeRaster(dir / "alpha.tif",
                    Raster("GTiff", 51, 51, 2, GDT_Byte, alpha).withOptions({"ALPHA=YES"}));
  std::vector<double> floatMax = flat(3);
  floatMax[9] = -std::numeric_limits<float>::max();
  test::writeRaster(dir / "floatmax.tif",
                    Raster("GTiff", 51, 51, 1, GDT_Float32, floatMax).withNoData(-3.40282e+38));
  // A georeferenced colour image that ends half an altitude pixel short of the east edge.
  test::writeRaster(
      dir / "galt.tif",
      Raster("GTiff", 51, 51, 1, GDT_Byte, flat(3)).withGeoreference({0, 30, 0, 1530, 0, -30}, 0));
  test::writeRaster(dir / "short.tif",
                    Raster("GTiff", 101, 51, 3, GDT_Byte, std::vector<double>(101 * 51 * 3, 9))
                        .withGeoreference({0, 15, 0, 1530, 0, -30}, 0));

  struct Case {
    std::vector<std::string> arguments;
    std::string out;  // after the banner
  };
  const Case cases[] = {
      {{"--alt", "rgb.png", "t"},
       kDefaultSettings + "erreur: rgb.png n'est pas une image d'altitude\n"},
      {{"--alt", "holes.tif", "t"},
       kDefaultSettings + "erreur: holes.tif contient 2 pixels sans altitude\n"},
      {{"--diflight", "deep.tif", "t"},
       kDefaultSettings + "erreur: deep.tif n'est pas une image couleur 8 bits\n"},
      {{"--ambmat", "text.png", "t"},
       kDefaultSettings + "erreur lors de l'ouverture du fichier text.png\n"},
      {{"--alt", "alpha.tif", "t"},
       kDefaultSettings + "erreur: alpha.tif contient 1 pixels sans altitude\n"},
      {{"--alt", "floatmax.tif", "t"},
       kDefaultSettings + "erreur: floatmax.tif contient 1 pixels sans altitude\n"},
      {{"--alt", "galt.tif", "--ambmat", "short.tif", "t"},
       kDefaultSettings + "erreur: short.tif ne couvre pas galt.tif\n"},
      {{"--what", "t"}, "erreur: option inconnue --what\n"}};
  const std::vector<std::string> before = test::directoryNames(dir.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    const RunResult run = test::runTool(c.arguments, dir.path());
    EXPECT_EQ(run.out, kBanner + c.out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(test::readFile(dir / "t.map"), earlier);
    EXPECT_EQ(test::directoryNames(dir.path()), before);
  }
}

TEST(RasterRun, StandardErrorSaysWhatToDo) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string err;
  };
  const Case cases[] = {
      {{"--alt", "tDifMat.bmp", "t"},
       1,
       "tDifMat.bmp: is a 24-bit BMP (colour), and an altitude BMP holds one grey level a pixel"
       " (8 bits). For a grey picture saved in colour, gdal_translate -b 1 tDifMat.bmp alt8.bmp"
       " keeps its levels; altitudes finer than 256 levels can be given in another format (a"
       " 16-bit PNG or GeoTIFF), read through GDAL\n"},
      {{"--diflight", "talt.bmp", "t"},
       1,
       "talt.bmp: is an 8-bit BMP (grey or paletted), and a colour BMP holds red, green and blue"
       " a pixel (24 bits). gdal_translate -expand rgb talt.bmp colour24.bmp writes its"
       " colours; a PNG, grey or paletted, is read as it is\n"},
      {{"--alt", "wide.tif", "t"},
       1,
       "wide.tif is 52 x 51 pixels: the width 52 is not 50 n + 1 (51 or 101); resize it, for"
       " example: gdal_translate -outsize 51 51 -r bilinear wide.tif resized.tif\n"},
      {{"--alt", "wide.png", "t"},
       1,
       "wide.png is 52 x 51 pixels: the width 52 is not 50 n + 1 (51 or 101); resize it, for"
       " example: gdal_translate -of BMP -outsize 51 51 wide.png resized.bmp\n"},
      {{"--ambmat", "big.bmp", "--amblight", "big.bmp", "t"},
       0,
       "big.bmp is 53 x 52 pixels, talt.bmp 51 x 51: only its bottom-left 51 x 51 pixels are"
       " used\n"},
  };
  const test::TempDir dir;
  test::writeTerrain(dir / "t", patternTerrain());
  test::writeRaster(dir / "wide.tif",
                    Raster("GTiff", 52, 51, 1, GDT_UInt16, std::vector<double>(52 * 51, 300)));
  test::writeRaster(dir / "wide.png",
                    Raster("PNG", 52, 51, 1, GDT_Byte, std::vector<double>(52 * 51, 30)));
  test::writeFile(dir / "big.bmp", test::bmp24(53, 52, test::Bytes(52 * 160, 7)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    const RunResult run = test::runTool(c.arguments, dir.path());
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out;
    EXPECT_EQ(run.err, c.err);
  }
}

// Needs the map writer to take altitude samples wider than a byte; until it does, it refuses
// them as not 8-bit and this test is skipped.
TEST(RasterRun, WiderAltitudesScaledBackGiveTheMapOfTheirBytes) {
  struct Case {
    const char* name;
    GDALDataType type;
    double (*value)(std::uint8_t);
    std::string zScale;  // 0.5 and sea level 40 for the bytes, scaled back
    std::string seaLevel;
  };
  const Case cases[] = {
      {"u16.tif", GDT_UInt16, [](std::uint8_t b) { return 256.0 * b; }, "0.001953125", "10240"},
      {"i16.tif", GDT_Int16, [](std::uint8_t b) { return 256.0 * b - 32768; }, "0.001953125",
       "-22528"},
      {"u16.png", GDT_UInt16, [](std::uint8_t b) { return 256.0 * b; }, "0.001953125", "10240"},
      {"f32.tif", GDT_Float32, [](std::uint8_t b) { return b / 4.0; }, "2", "10"},
      {"f64.tif", GDT_Float64, [](std::uint8_t b) { return b / 8.0 - 1000; }, "4", "-995"},
  };
  const test::TempDir dir;
  const test::TerrainImages images = patternTerrain();
  test::writeTerrain(dir / "b", images);
  ASSERT_EQ(test::runTool({"b", "1", "1", "2", "0.5", "40"}, dir.path()).exitCode, 0);
  const test::Bytes expected = test::readFile(dir / "b.map");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string driver = std::string(c.name).ends_with(".png") ? "PNG" : "GTiff";
    test::writeAltitude(dir / c.name, images, driver, c.type, c.value);
    std::filesystem::remove(dir / "b.map");
    const RunResult run =
        test::runTool({"--alt", c.name, "b", "1", "1", "2", c.zScale, c.seaLevel}, dir.path());
    if (run.exitCode == 1 && run.out.ends_with(std::string(c.name) + " n'est pas un bmp 8bit\n")) {
      GTEST_SKIP() << "the map writer does not take altitudes wider than 8 bits yet";
    }
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(test::readFile(dir / "b.map"), expected);
  }
}

// The README's second example, from a copy of examples/jacksboro: an Int16 GeoTIFF in metres
// and four PNG colour images. Skipped, like the test above, while the map writer refuses
// altitudes wider than a byte.
TEST(RasterRun, JacksboroExampleCompilesFromItsGeoTiff) {
  const test::TempDir dir;
  std::filesystem::copy(std::filesystem::path(QUORVEL_EXAMPLES) / "jacksboro", dir / "jacksboro");
  const RunResult run = test::runTool({"--alt", "jacksboro/jacksboroalt.tif", "--ext", "png",
                                       "jacksboro/jacksboro", "1", "1", "2", "0.1", "0"},
                                      dir.path());
  if (run.exitCode == 1 && run.out.ends_with("jacksboroalt.tif n'est pas un bmp 8bit\n")) {
    GTEST_SKIP() << "the map writer does not take altitudes wider than 8 bits yet";
  }
  EXPECT_EQ(run.out, kBanner +
                         "light direction= 1.000000 1.000000 2.000000\n"
                         "z scale factor= 0.100000\n"
                         "sea Level=0.000000\n"
                         "largeur: 8, hauteur: 6 (en blocFile)\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(std::filesystem::file_size(dir / "jacksboro/jacksboro.map"), 8u + 8 * 6 * 99375);
}

}  // namespace
}  // namespace quorvel
