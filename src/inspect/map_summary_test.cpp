#include "inspect/map_summary.h"

#include <gtest/gtest.h>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::TempDir;

std::string summaryOf(const std::filesystem::path& path) {
  MapCells reader(path.string());
  return formatSummary("m.map", summarizeMap(reader));
}

TEST(MapSummary, UniformExample) {
  const TempDir dir;
  const auto path = test::compileMap(dir, test::uniformExample());
  EXPECT_EQ(summaryOf(path),
            "m.map: 1 x 1 blocFiles, 51 x 51 pixels\n"
            "size: 99383 bytes, as the header gives (8 + 1 x 1 x 99375)\n"
            "heights: 10 to 10\n"
            "red: 255 to 255, mean 255.00\n"
            "green: 255 to 255, mean 255.00\n"
            "blue: 255 to 255, mean 255.00\n");
}

TEST(MapSummary, CountsEachTerrainPixelOnce) {
  // In the pattern map red is x % 256, green y, blue the vertex index of the copy read, and
  // the height x + 1000 y: 101 x 51 pixels, each counted once.
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(2, 1));
  MapCells reader((dir / "p.map").string());
  const MapSummary summary = summarizeMap(reader);
  EXPECT_EQ(summary.vertexCount, 101 * 51);
  EXPECT_EQ(summary.minHeight, 0.0f);
  EXPECT_EQ(summary.maxHeight, 100.0f + 50000.0f);
  EXPECT_EQ(summary.channels[0].min, 0);
  EXPECT_EQ(summary.channels[0].max, 100);
  EXPECT_EQ(summary.channels[0].mean, 50.0);  // x from 0 to 100, each on 51 rows
  EXPECT_EQ(summary.channels[1].max, 50);
  EXPECT_EQ(summary.channels[1].mean, 25.0);
  // Inner pixels come from vertices 0, 5, 6, 7; the last column adds 1 and 8, the last row
  // 3 and 4, the corner 2: no vertex index is missing, so every stored copy took part once.
  EXPECT_EQ(summary.channels[2].min, 0);
  EXPECT_EQ(summary.channels[2].max, 8);
}

TEST(MapSummary, HeaderOnlyAndNaNHeights) {
  const TempDir dir;
  test::Bytes empty(8, 0);
  test::setLe32(empty, 4, 2);
  test::writeFile(dir / "e.map", empty);
  EXPECT_EQ(summaryOf(dir / "e.map"),
            "m.map: 0 x 2 blocFiles, 1 x 101 pixels\n"
            "size: 8 bytes, as the header gives (8 + 0 x 2 x 99375)\n"
            "no MapCell: the file holds only its header\n");

  // A sea level given as "nan" makes every height NaN; here only the centres are.
  test::Bytes bytes = test::patternMap(1, 1);
  for (std::size_t cell = 8; cell < bytes.size(); cell += 159) {
    test::setLe32(bytes, cell + 27, 0x7FC00000);  // vertex 0, the centre, of every record
  }
  test::writeFile(dir / "n.map", bytes);
  const std::string text = summaryOf(dir / "n.map");
  EXPECT_NE(text.find("heights: 0 to 50050, and 625 NaN\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace quorvel
