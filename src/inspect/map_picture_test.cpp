#include "inspect/map_picture.h"

#include <gtest/gtest.h>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::TempDir;

std::array<std::uint8_t, 3> rgb(const test::PngPixels& png, int column, int row) {
  const std::uint8_t* p = png.at(column, row);
  return {p[0], p[1], p[2]};
}

TEST(MapPicture, PreviewPngHasOnePixelPerVertexWithRowZeroAtTheBottom) {
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(2, 1));
  const Map reader((dir / "p.map").string());
  writePng(previewPicture(reader), (dir / "p.png").string());

  const test::PngPixels png = test::readPng(dir / "p.png", 3);
  ASSERT_EQ(png.width, 101);
  ASSERT_EQ(png.height, 51);
  // Pattern colour of pixel (x, y): x, y, and the vertex index of the copy that was read.
  struct Case {
    int x;
    int y;
    std::uint8_t vertex;
  };
  const Case cases[] = {{0, 0, 6},   {1, 1, 0},   {2, 1, 5},   {50, 0, 6}, {49, 0, 7},
                        {100, 0, 8}, {100, 1, 1}, {0, 50, 4},  {1, 50, 3}, {100, 50, 2},
                        {37, 23, 0}, {36, 23, 5}, {37, 22, 7}, {36, 22, 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    EXPECT_EQ(rgb(png, c.x, 50 - c.y),
              (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(c.x),
                                           static_cast<std::uint8_t>(c.y), c.vertex}));
  }
}

TEST(MapPicture, PreviewOfACompiledTerrainLooksLikeItsColourImage) {
  // Flat ground lit straight from above by white light shows the diffuse material itself.
  test::TerrainImages images =
      test::uniformTerrain(51, 101, 10, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0});
  for (int y = 0; y < 101; ++y) {
    for (int x = 0; x < 51; ++x) {
      std::uint8_t* p = images.difMat.data() + (y * 51 + x) * 3;
      p[0] = static_cast<std::uint8_t>(x * 5);
      p[1] = static_cast<std::uint8_t>(y * 2);
      p[2] = 200;
    }
  }
  const TempDir dir;
  const Map reader(test::compileMap(dir, images).string());
  writePng(previewPicture(reader), (dir / "p.png").string());
  const test::PngPixels png = test::readPng(dir / "p.png", 3);
  ASSERT_EQ(png.width, 51);
  ASSERT_EQ(png.height, 101);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{50, 0}, std::pair{0, 100},
                             std::pair{50, 100}, std::pair{17, 63}}) {
    SCOPED_TRACE(testing::Message() << x << ", " << y);
    EXPECT_EQ(rgb(png, x, 100 - y),
              (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x * 5),
                                           static_cast<std::uint8_t>(y * 2), 200}));
  }
}

TEST(MapPicture, ReliefSpansBlackToWhite) {
  // Pattern heights are x + 1000 y, from 0 to 50050.
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(1, 1));
  const Map reader((dir / "p.map").string());
  writePng(reliefPicture(reader), (dir / "r.png").string());
  const test::PngPixels png = test::readPng(dir / "r.png", 1);
  ASSERT_EQ(png.width, 51);
  ASSERT_EQ(png.height, 51);
  EXPECT_EQ(*png.at(0, 50), 0);
  EXPECT_EQ(*png.at(50, 0), 255);
  EXPECT_EQ(*png.at(50, 50), 0);   // 50 / 50050 of the range
  EXPECT_EQ(*png.at(0, 25), 127);  // 25000 / 50050 * 255 = 127.4
  EXPECT_EQ(*png.at(7, 0), 255);   // 50007 / 50050 * 255 = 254.8
}

TEST(MapPicture, ReliefOfAFlatMapIsMidGreyAndNaNIsBlack) {
  const TempDir dir;
  const Map flat(test::compileMap(dir, test::uniformExample()).string());
  const Picture relief = reliefPicture(flat);
  EXPECT_EQ(relief.pixels, std::vector<std::uint8_t>(51 * 51, 128));

  test::Bytes bytes = test::readFile(dir / "terrain.map");
  test::setLe32(bytes, 8 + 27, 0x7FC00000);        // pixel (1, 1)
  test::setLe32(bytes, 8 + 159 + 27, 0x7F800000);  // pixel (3, 1), +inf
  test::writeFile(dir / "n.map", bytes);
  const Map reader((dir / "n.map").string());
  const Picture picture = reliefPicture(reader);
  EXPECT_EQ(picture.pixels[51 + 1], 0);
  EXPECT_EQ(picture.pixels[51 + 3], 255);
  EXPECT_EQ(picture.pixels[51 + 2], 128);
}

TEST(MapPicture, RefusesEmptyMapsAndUnwritableNames) {
  const TempDir dir;
  test::writeFile(dir / "e.map", test::Bytes(8, 0));
  const Map empty((dir / "e.map").string());
  test::expectFailure(
      [&] { (void)previewPicture(empty); },
      (dir / "e.map").string() + " holds no MapCell to draw: the file has only its header\n");

  const Picture picture{1, 1, 3, {1, 2, 3}};
  const std::string missing = (dir / "no" / "p.png").string();
  test::expectFailure([&] { writePng(picture, missing); },
                      "cannot create " + missing + ": No such file or directory\n");
}

}  // namespace
}  // namespace quorvel
