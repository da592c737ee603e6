#include "inspect/cell_dump.h"

#include <gtest/gtest.h>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::TempDir;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(CellDump, UniformExampleFirstCell) {
  // Flat ground: every normal is straight up, with the signed zeros the writer gives.
  const TempDir dir;
  MapCells reader(test::compileMap(dir, test::uniformExample()).string());
  const std::string text = dumpCell(reader, 0, 0);
  EXPECT_EQ(text,
            "pixel (0, 0) is vertex 6 of the MapCell with origin (0, 0)\n"
            "byte 8, blocFile (0, 0), SubBlock (0, 0), cell (0, 0)\n"
            "vertex 0 (1, 1): colour 255 255 255, height 10\n"
            "vertex 1 (2, 1): colour 255 255 255, height 10\n"
            "vertex 2 (2, 2): colour 255 255 255, height 10\n"
            "vertex 3 (1, 2): colour 255 255 255, height 10\n"
            "vertex 4 (0, 2): colour 255 255 255, height 10\n"
            "vertex 5 (0, 1): colour 255 255 255, height 10\n"
            "vertex 6 (0, 0): colour 255 255 255, height 10\n"
            "vertex 7 (1, 0): colour 255 255 255, height 10\n"
            "vertex 8 (2, 0): colour 255 255 255, height 10\n"
            "triangle 1 (0, 1, 2): normal 0 0 1\n"
            "triangle 2 (0, 2, 3): normal 0 0 1\n"
            "triangle 3 (0, 3, 4): normal 0 -0 1\n"
            "triangle 4 (0, 4, 5): normal 0 0 1\n"
            "triangle 5 (0, 5, 6): normal 0 0 1\n"
            "triangle 6 (0, 6, 7): normal 0 0 1\n"
            "triangle 7 (0, 7, 8): normal 0 0 1\n"
            "triangle 8 (0, 8, 1): normal -0 0 1\n");
}

TEST(CellDump, FindsTheRecordOfAnyPixel) {
  // In the pattern map a vertex's blue is its index and triangle 8's normal holds the origin.
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(2, 1));
  MapCells reader((dir / "p.map").string());
  struct Case {
    int x;
    int y;
    const char* first;
    const char* second;
  };
  const Case cases[] = {
      {3, 5, "pixel (3, 5) is vertex 0 of the MapCell with origin (2, 4)",
       "byte 1757, blocFile (0, 0), SubBlock (0, 0), cell (1, 2)"},
      {13, 0, "pixel (13, 0) is vertex 7 of the MapCell with origin (12, 0)",
       "byte 4142, blocFile (0, 0), SubBlock (1, 0), cell (1, 0)"},
      {50, 0, "pixel (50, 0) is vertex 6 of the MapCell with origin (50, 0)",
       "byte 99383, blocFile (1, 0), SubBlock (0, 0), cell (0, 0)"},
      {49, 21, "pixel (49, 21) is vertex 0 of the MapCell with origin (48, 20)",
       "byte 56294, blocFile (0, 0), SubBlock (4, 2), cell (4, 0)"},
      {100, 50, "pixel (100, 50) is vertex 2 of the MapCell with origin (98, 48)",
       "byte 198599, blocFile (1, 0), SubBlock (4, 4), cell (4, 4)"},
      {100, 7, "pixel (100, 7) is vertex 1 of the MapCell with origin (98, 6)",
       "byte 118304, blocFile (1, 0), SubBlock (4, 0), cell (4, 3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    const std::vector<std::string> lines = linesOf(dumpCell(reader, c.x, c.y));
    ASSERT_EQ(lines.size(), 2u + 9 + 8);
    EXPECT_EQ(lines[0], c.first);
    EXPECT_EQ(lines[1], c.second);
  }
  const std::vector<std::string> last = linesOf(dumpCell(reader, 100, 7));
  EXPECT_EQ(last[3], "vertex 1 (100, 7): colour 100 7 1, height 7100");
  EXPECT_EQ(last[18], "triangle 8 (0, 8, 1): normal 8 98 6");
}

TEST(CellDump, PrintsNineSignificantDigitsAndSignedZeros) {
  const TempDir dir;
  test::Bytes bytes = test::patternMap(1, 1);
  test::setLe32(bytes, 8 + 27 + 4 * 3, 0x3DCCCCCD);       // 0.1f, vertex 3
  test::setLe32(bytes, 8 + 63 + 12 * 7 + 4, 0x80000000);  // -0, triangle 8, y
  test::writeFile(dir / "p.map", bytes);
  MapCells reader((dir / "p.map").string());
  const std::vector<std::string> lines = linesOf(dumpCell(reader, 1, 1));
  EXPECT_EQ(lines[5], "vertex 3 (1, 2): colour 1 2 3, height 0.100000001");
  EXPECT_EQ(lines[18], "triangle 8 (0, 8, 1): normal 8 -0 0");
}

TEST(CellDump, RefusesPixelsOutsideTheMapAndEmptyMaps) {
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(1, 2));
  const std::string name = (dir / "p.map").string();
  MapCells reader(name);
  for (const auto& [x, y] : {std::pair{-1LL, 0LL}, std::pair{51LL, 0LL}, std::pair{0LL, 101LL},
                             std::pair{0LL, 4294967296LL}}) {
    SCOPED_TRACE(x);
    test::expectFailure([&, x = x, y = y] { (void)dumpCell(reader, x, y); },
                        "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside " +
                            name + ": x runs from 0 to 50, y from 0 to 100\n");
  }
  test::writeFile(dir / "e.map", test::Bytes(8, 0));
  MapCells empty((dir / "e.map").string());
  test::expectFailure(
      [&] { (void)dumpCell(empty, 0, 0); },
      (dir / "e.map").string() + " holds no MapCell: the file has only its header\n");
}

}  // namespace
}  // namespace quorvel
