#include "map/map_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "failure.h"
#include "memory_texture.h"
#include "reference_map.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::RunResult;
using test::TempDir;
using test::TerrainImages;

constexpr std::size_t kRecord = 159;
constexpr std::size_t kBlocFile = 99375;

const std::string kDefaultLines =
    "quorvel 0.01.0000\n"
    "light direction= 0.000000 0.000000 1.000000\n"
    "z scale factor= 1.000000\n"
    "sea Level=0.000000\n";

std::string sizeLine(int largeur, int hauteur) {
  return "largeur: " + std::to_string(largeur) + ", hauteur: " + std::to_string(hauteur) +
         " (en blocFile)\n";
}

// Hills, a cliff, a pit and spikes in alt, and colours that change from pixel to pixel, all
// from a fixed formula so that the expected map never depends on a library's generator.
TerrainImages variedTerrain(std::int32_t width, std::int32_t height) {
  TerrainImages images;
  images.width = width;
  images.height = height;
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state >> 16);
  };
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      int a = (x * 7 + y * 3) % 97 + (x / 10) * 13;
      if (x > 30 && y < 20) a = 255;
      if ((x - 20) * (x - 20) + (y - 30) * (y - 30) < 30) a = 0;
      if (x % 13 == 5 && y % 11 == 4) a = next();
      images.alt.push_back(static_cast<std::uint8_t>(a % 256));
      for (Bytes* image : {&images.difMat, &images.ambMat, &images.difLight, &images.ambLight}) {
        for (int c = 0; c < 3; ++c) image->push_back(next());
      }
    }
  }
  return images;
}

// Every file in dir, by name.
std::set<std::string> filesIn(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::set<std::string> terrainFiles(const std::string& prefix) {
  return {prefix + "alt.bmp", prefix + "DifMat.bmp", prefix + "AmbMat.bmp", prefix + "DifLight.bmp",
          prefix + "AmbLight.bmp"};
}

std::size_t firstDifference(const Bytes& a, const Bytes& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

TEST(MapWriter, UniformTerrainGives625IdenticalRecords) {
  const TempDir dir;
  test::writeTerrain(dir / "u", test::uniformTerrain(51, 51, 10, {255, 255, 255}, {0, 0, 0},
                                                     {255, 255, 255}, {0, 0, 0}));
  const RunResult run = test::runTool({"u"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, kDefaultLines + sizeLine(1, 1));

  Bytes record(27, 255);  // nine white vertices
  for (int k = 0; k < 9; ++k) {
    for (const std::uint8_t b : {0x00, 0x00, 0x20, 0x41}) record.push_back(b);  // 10.0f
  }
  // (0, 0, 1), except triangle 3's y and triangle 8's x, which are -0.
  for (int k = 1; k <= 8; ++k) {
    const Bytes normal = {0, 0, 0,    k == 8 ? std::uint8_t{0x80} : std::uint8_t{0},
                          0, 0, 0,    k == 3 ? std::uint8_t{0x80} : std::uint8_t{0},
                          0, 0, 0x80, 0x3f};
    record.insert(record.end(), normal.begin(), normal.end());
  }
  ASSERT_EQ(record.size(), kRecord);

  const Bytes map = test::readFile(dir / "u.map");
  ASSERT_EQ(map.size(), 99383u);
  EXPECT_EQ(Bytes(map.begin(), map.begin() + 8), (Bytes{1, 0, 0, 0, 1, 0, 0, 0}));
  for (std::size_t cell = 0; cell < 625; ++cell) {
    const auto begin = map.begin() + static_cast<std::ptrdiff_t>(8 + cell * kRecord);
    ASSERT_EQ(Bytes(begin, begin + kRecord), record) << "record " << cell;
  }
}

TEST(MapWriter, HeaderAndSizeFollowTheAltitudeImage) {
  struct Case {
    int width;
    int height;
    int largeur;
    int hauteur;
  };
  // The last two are the largest accepted widths and heights, on maps with no blocFile.
  const Case cases[] = {
      {1, 1, 0, 0}, {51, 51, 1, 1}, {101, 51, 2, 1}, {5001, 1, 100, 0}, {1, 5001, 0, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const TempDir dir;
    test::writeTerrain(dir / "s", test::uniformTerrain(c.width, c.height, 3, {1, 2, 3}, {4, 5, 6},
                                                       {7, 8, 9}, {10, 11, 12}));
    const RunResult run = test::runTool({"s"}, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, kDefaultLines + sizeLine(c.largeur, c.hauteur));
    const Bytes map = test::readFile(dir / "s.map");
    ASSERT_EQ(map.size(), 8 + kBlocFile * static_cast<std::size_t>(c.largeur * c.hauteur));
    EXPECT_EQ(test::getLe32(map, 0), static_cast<std::uint32_t>(c.largeur));
    EXPECT_EQ(test::getLe32(map, 4), static_cast<std::uint32_t>(c.hauteur));
    EXPECT_EQ(filesIn(dir.path()).size(), 6u);  // the images and the map, nothing else
  }
}

// Each vertex's colour names its pixel: the ambient light is white and the ambient material
// is (x, y, 7), which lights exactly to (x, y, 7); the diffuse light is black. The height is
// the altitude byte itself.
TEST(MapWriter, RecordsFollowTheWalkOrderAndHoldTheirPixels) {
  const int width = 101;
  const int height = 51;
  TerrainImages images =
      test::uniformTerrain(width, height, 0, {200, 100, 50}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255});
  const auto altitude = [](int x, int y) { return (5 * x + 17 * y) % 256; };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto i = static_cast<std::size_t>(x + y * width);
      images.alt[i] = static_cast<std::uint8_t>(altitude(x, y));
      images.ambMat[3 * i] = static_cast<std::uint8_t>(x);
      images.ambMat[3 * i + 1] = static_cast<std::uint8_t>(y);
      images.ambMat[3 * i + 2] = 7;
    }
  }
  const TempDir dir;
  test::writeTerrain(dir / "w", images);
  ASSERT_EQ(test::runTool({"w"}, dir.path()).exitCode, 0);
  const Bytes map = test::readFile(dir / "w.map");
  ASSERT_EQ(map.size(), 8 + 2 * kBlocFile);

  // Vertex 0 is the centre, then counter-clockwise from +x.
  const int vertexDx[9] = {1, 2, 2, 1, 0, 0, 0, 1, 2};
  const int vertexDy[9] = {1, 1, 2, 2, 2, 1, 0, 0, 0};
  const auto checkCell = [&](std::size_t at, int ox, int oy) {
    SCOPED_TRACE("record at " + std::to_string(at));
    for (int k = 0; k < 9; ++k) {
      const int x = ox + vertexDx[k];
      const int y = oy + vertexDy[k];
      ASSERT_EQ(map[at + 3 * k], x) << "vertex " << k;
      ASSERT_EQ(map[at + 3 * k + 1], y) << "vertex " << k;
      ASSERT_EQ(map[at + 3 * k + 2], 7) << "vertex " << k;
      ASSERT_EQ(test::getFloat(map, at + 27 + 4 * k), static_cast<float>(altitude(x, y)));
    }
  };
  checkCell(8, 0, 0);
  checkCell(167, 2, 0);
  checkCell(803, 0, 2);
  checkCell(3983, 10, 0);   // the first cell of SubBlock (1, 0)
  checkCell(99383, 50, 0);  // the second blocFile shares the column x = 50 with the first
  std::size_t at = 8;
  for (int bx = 0; bx < 2; ++bx) {
    for (int sy = 0; sy < 5; ++sy) {
      for (int sx = 0; sx < 5; ++sx) {
        for (int cy = 0; cy < 5; ++cy) {
          for (int cx = 0; cx < 5; ++cx) {
            checkCell(at, 50 * bx + 10 * sx + 2 * cx, 10 * sy + 2 * cy);
            at += kRecord;
          }
        }
      }
    }
  }
}

// The first failing check in the order width remainder, width limit, height remainder,
// height limit is the one reported; no map is created and an earlier one stays as it was.
TEST(MapWriter, SizeChecksReportTheFirstFailureAndTouchNoMap) {
  struct Case {
    int width;
    int height;
    const char* message;
  };
  const Case cases[] = {
      {100, 51, "largeur incorrect\n"}, {0, 51, "largeur incorrect\n"},
      {52, 51, "largeur incorrect\n"},  {100, 100, "largeur incorrect\n"},
      {5051, 1, "carte trop large\n"},  {5051, 100, "carte trop large\n"},
      {51, 100, "hauteur incorrect\n"}, {51, 0, "hauteur incorrect\n"},
      {1, 5051, "carte trop haute\n"},
  };
  for (const bool earlierMap : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                   (earlierMap ? " over an earlier map" : ""));
      const TempDir dir;
      // Colour images smaller than alt: the size of alt is checked first.
      TerrainImages images =
          test::uniformTerrain(1, 1, 0, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1});
      test::writeTerrain(dir / "e", images);
      const TerrainImages alt = test::uniformTerrain(c.width, c.height, 9, {}, {}, {}, {});
      test::writeFile(dir / "ealt.bmp",
                      test::bmp8(c.width, c.height, test::padRows(c.width, c.height, 1, alt.alt)));
      const Bytes earlier = {'o', 'l', 'd'};
      if (earlierMap) test::writeFile(dir / "e.map", earlier);

      const RunResult run = test::runTool({"e"}, dir.path());
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.out, kDefaultLines + c.message);
      std::set<std::string> expected = terrainFiles("e");
      if (earlierMap) expected.insert("e.map");
      EXPECT_EQ(filesIn(dir.path()), expected);
      if (earlierMap) {
        EXPECT_EQ(test::readFile(dir / "e.map"), earlier);
      }
    }
  }
}

TEST(MapWriter, ColourImageSmallerThanAltIsRefusedInRoleOrder) {
  struct Case {
    std::vector<std::string> smaller;  // roles whose image is one pixel short
    bool narrower;
    const char* reported;
  };
  const Case cases[] = {
      {{"DifMat"}, true, "DifMat"},
      {{"AmbMat"}, false, "AmbMat"},
      {{"DifLight"}, true, "DifLight"},
      {{"AmbLight"}, false, "AmbLight"},
      {{"AmbLight", "DifLight"}, true, "DifLight"},
      {{"AmbLight", "AmbMat", "DifLight"}, false, "AmbMat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reported);
    const TempDir dir;
    test::writeTerrain(dir / "c",
                       test::uniformTerrain(51, 51, 4, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}));
    const int w = c.narrower ? 50 : 51;
    const int h = c.narrower ? 51 : 50;
    const Bytes packed(static_cast<std::size_t>(w * h * 3), 9);
    for (const std::string& role : c.smaller) {
      test::writeFile(dir / ("c" + role + ".bmp"),
                      test::bmp24(w, h, test::padRows(w, h, 3, packed)));
    }
    const Bytes earlier = {1, 2, 3, 4};
    test::writeFile(dir / "c.map", earlier);
    const RunResult run = test::runTool({"c"}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              kDefaultLines + "erreur: c" + c.reported + ".bmp est plus petit que calt.bmp\n");
    std::set<std::string> expected = terrainFiles("c");
    expected.insert("c.map");
    EXPECT_EQ(filesIn(dir.path()), expected);
    EXPECT_EQ(test::readFile(dir / "c.map"), earlier);
  }
}

// The driver refuses a wrong depth before the writer is reached; the writer refuses it again
// for any other caller rather than read a colour image 3 bytes a pixel past its end.
TEST(MapWriter, WriterRefusesImagesOfTheWrongDepthItself) {
  const test::MemoryTexture grey("g.bmp", 51, 51, 1, Bytes(51 * 51, 7));
  const test::MemoryTexture rgb("c.bmp", 51, 51, 3, Bytes(51 * 51 * 3, 7));
  const TempDir dir;
  const std::string prefix = (dir / "w").string();
  test::expectFailure([&] { writeMap(prefix, Terrain{rgb, rgb, rgb, rgb, rgb, Settings{}}); },
                      "erreur: c.bmp n'est pas un bmp 8bit\n");
  test::expectFailure([&] { writeMap(prefix, Terrain{grey, rgb, rgb, grey, rgb, Settings{}}); },
                      "erreur: g.bmp n'est pas un bmp 24bit\n");
  // An altitude of wider samples needs their bytes for every pixel.
  const test::MemoryTexture shortSamples("s.tif", 51, 51, 1, Bytes(51 * 51, 7),
                                         SampleFormat::kUInt16);
  test::expectFailure(
      [&] { writeMap(prefix, Terrain{shortSamples, rgb, rgb, rgb, rgb, Settings{}}); },
      "erreur: s.tif n'est pas un bmp 8bit\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Larger colour images are read at alt's coordinates: only their pixels inside alt's size
// count, so the map equals the one from images cropped to alt.
TEST(MapWriter, LargerColourImagesUseOnlyThePixelsUnderAlt) {
  const TerrainImages small = variedTerrain(51, 51);
  const TerrainImages large = variedTerrain(60, 53);
  TerrainImages cropped = small;
  for (int y = 0; y < 51; ++y) {
    for (int x = 0; x < 51; ++x) {
      const auto to = static_cast<std::size_t>(3 * (x + 51 * y));
      const auto from = static_cast<std::size_t>(3 * (x + 60 * y));
      for (int c = 0; c < 3; ++c) {
        cropped.difMat[to + c] = large.difMat[from + c];
        cropped.ambMat[to + c] = large.ambMat[from + c];
        cropped.difLight[to + c] = large.difLight[from + c];
        cropped.ambLight[to + c] = large.ambLight[from + c];
      }
    }
  }
  const TempDir dir;
  test::writeTerrain(dir / "l", large);
  test::writeFile(dir / "lalt.bmp", test::bmp8(51, 51, test::padRows(51, 51, 1, small.alt)));
  const RunResult run = test::runTool({"l", "0.3", "-0.2", "1", "2"}, dir.path());
  ASSERT_EQ(run.exitCode, 0) << run.out;
  Settings settings;
  settings.lightDirection = {0.3f, -0.2f, 1.0f};
  settings.zScaleFactor = 2.0f;
  EXPECT_EQ(test::readFile(dir / "l.map"), test::referenceMap(cropped, settings));
}

TEST(MapWriter, MapThatCannotBeCreatedIsReportedAfterTheSizeChecks) {
  const TempDir dir;
  const std::string prefix = (dir / "missing" / "t").string();
  const test::MemoryTexture alt("talt.bmp", 51, 51, 1, Bytes(51 * 51, 0));
  const test::MemoryTexture color("tDifMat.bmp", 51, 51, 3, Bytes(51 * 51 * 3, 0));
  const Terrain terrain{alt, color, color, color, color, Settings{}};
  test::expectFailure([&] { writeMap(prefix, terrain); },
                      "impossible de creer le fichier " + prefix + ".map\n");

  const test::MemoryTexture wrongAlt("talt.bmp", 52, 51, 1, Bytes(52 * 51, 0));
  const Terrain wrong{wrongAlt, color, color, color, color, Settings{}};
  test::expectFailure([&] { writeMap(prefix, wrong); }, "largeur incorrect\n");
}

// A band of the colour images that cannot be read stops the run with its failure, on any
// number of threads: no thread waits for a band that never comes, and no map is kept.
TEST(MapWriter, ColourBandThatFailsStopsTheRunAndKeepsNoMap) {
  class FailingBands final : public ColourBands {
   public:
    explicit FailingBands(const Texture& colour) : colour_(colour) {}
    void read(int, int role, std::int32_t y0, std::int32_t) override {
      if (y0 >= 150 && role == 2) throw Failure(ErrorKind::kOpen, "erreur: bande\n");
    }
    [[nodiscard]] const Texture& image(int, int) const override { return colour_; }

   private:
    const Texture& colour_;
  };
  const TempDir dir;
  const test::MemoryTexture alt("talt.bmp", 101, 301, 1, Bytes(101 * 301, 9));
  const test::MemoryTexture colour("c.bmp", 101, 301, 3, Bytes(101 * 301 * 3, 200));
  FailingBands bands(colour);
  for (const int threads : {1, 2, 3}) {
    SCOPED_TRACE(threads);
    MapWriterOptions options;
    options.threads = threads;
    options.colourBands = &bands;
    options.onSizeLine = [](const std::string&) {};
    test::expectFailure(
        [&] {
          writeMapFile((dir / "m.map").string(),
                       Terrain{alt, colour, colour, colour, colour, Settings{}}, options);
        },
        "erreur: bande\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

// The golden test: the tool's whole file against the reference, a separate plain
// implementation, under settings that exercise every rounding point.
TEST(MapWriter, VariedTerrainMatchesReference) {
  const TempDir dir;
  const TerrainImages images = variedTerrain(101, 51);
  test::writeTerrain(dir / "v", images);
  struct Case {
    std::vector<std::string> arguments;
    Settings settings;
  };
  const Case cases[] = {
      {{}, Settings{}},
      {{"1", "1", "2", "0.5", "75"}, Settings{{1, 1, 2}, 0.5f, 75, {}}},
      {{"-0.3", "0.7", "0.2", "-1.7", "12.5"}, Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}}},
      {{"0", "0", "0"}, Settings{{0, 0, 0}, 1, 0, {}}},       // NaN light: ambient only
      {{"0", "0", "5", "3"}, Settings{{0, 0, 5}, 3, 0, {}}},  // unnormalised light
      {{"0.2", "-0.9", "0.1", "2.5", "200"}, Settings{{0.2f, -0.9f, 0.1f}, 2.5f, 200, {}}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"v"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    std::string trace;
    for (const std::string& a : arguments) trace += a + " ";
    SCOPED_TRACE(trace);
    const RunResult run = test::runTool(arguments, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const Bytes expected = test::referenceMap(images, c.settings);
    const Bytes actual = test::readFile(dir / "v.map");
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(firstDifference(actual, expected), actual.size()) << "first differing byte";
  }
}

// Whole records worked out apart from both the tool and the reference, so that the
// reference itself is held to the rules: a spike in the second blocFile and the plateau's
// corner, whose flat triangles under a negative z scale keep +0 in triangles 7 and 8.
TEST(MapWriter, ReferenceMatchesRecordsWorkedOutSeparately) {
  const TerrainImages images = variedTerrain(101, 51);
  struct Case {
    Settings settings;
    std::size_t offset;  // the record with origin (82, 36) or (30, 18)
    std::string hex;
  };
  const Case cases[] = {
      {Settings{}, 173477,
       "5e57730b8b60d2d9f6332d85f57effff8ba11d2074ff8738bd8b1c"
       "00006c430000f8420000fe420000f0420000e2420000dc420000d6420000e4420000f242"
       "1ce57e3f3c7bdabc5d11b63db0d075bd24987e3f1095af3db0d075bd24987e3f1095af3d2d207fbfa861c2bc"
       "0cfca13d2d207fbfa861c2bc0cfca13d4bd969bd69ba7ebfed08a73d4bd969bd69ba7ebfed08a73d1ce57e3f"
       "3c7bdabc5d11b63d"},
      {Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}}, 173477,
       "18172c09745db67f4e152848e47cc9f95e7e202a94ff8a39b06a15"
       "9af9bdc3cd8c3dc367a642c300c036c39ad92ac300c025c367a620c3cd8c2cc3347338c3"
       "668e7fbf670cdb3ccdc0563d8768763d5b357fbfce104f3d7268763d5b357fbfce104f3d31a67f3fd3c7c23c"
       "0bf63e3d31a67f3fadc7c23c0bf63e3de85b6a3db8487f3fc1f0443dfc5b6a3db7487f3fc1f0443d668e7fbf"
       "3c0cdb3ccdc0563d"},
      {Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}}, 34988,
       "a22b79421c39d2027660b71f37b53939013404564b2c19ab8eea15"
       "0020cec30020cec3cd0c46c367263ac300402ec3672629c3cd0c24c30020cec30020cec3"
       "00000000b3b87fbfde033f3d3a12573dae657fbf71bb343d3a12573dae657fbf71bb343d3eba7f3f6badab3c"
       "9d4f283d3eba7f3f6badab3c9d4f283ddfca7f3f00000000f9e4243d00000000000000000000803f00000000"
       "000000000000803f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    const Bytes map = test::referenceMap(images, c.settings);
    ASSERT_GE(map.size(), c.offset + kRecord);
    const auto begin = map.begin() + static_cast<std::ptrdiff_t>(c.offset);
    EXPECT_EQ(Bytes(begin, begin + kRecord), fromHex(c.hex));
  }
}

TEST(MapWriter, UnnormalisedLightLightsAsItsUnitVector) {
  const TempDir dir;
  test::writeTerrain(dir / "n", variedTerrain(51, 51));
  ASSERT_EQ(test::runTool({"n", "0", "0", "5"}, dir.path()).exitCode, 0);
  const Bytes five = test::readFile(dir / "n.map");
  ASSERT_EQ(test::runTool({"n", "0", "0", "1"}, dir.path()).exitCode, 0);
  EXPECT_EQ(test::readFile(dir / "n.map"), five);
}

}  // namespace
}  // namespace quorvel
