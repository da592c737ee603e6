#include "map/map_reader.h"

#include <gtest/gtest.h>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::TempDir;

TEST(MapReader, CellPlaceAtFollowsTheWritersLoopOrder) {
  // Record indices walked as the writer nests its loops, in a map 3 blocFiles across.
  std::int64_t index = 0;
  for (int by = 0; by < 2; ++by) {
    for (int bx = 0; bx < 3; ++bx) {
      for (int sy = 0; sy < 5; ++sy) {
        for (int sx = 0; sx < 5; ++sx) {
          for (int cy = 0; cy < 5; ++cy) {
            for (int cx = 0; cx < 5; ++cx, ++index) {
              const CellPlace place = cellPlaceAt(3, index);
              ASSERT_EQ((std::array{place.bx, place.by, place.sx, place.sy, place.cx, place.cy}),
                        (std::array{bx, by, sx, sy, cx, cy}))
                  << index;
              ASSERT_EQ(place.offset, 8 + 159 * index);
              ASSERT_EQ(place.offset, cellOffset(3, place.originX(), place.originY()));
            }
          }
        }
      }
    }
  }
}

TEST(MapReader, EveryPixelHasExactlyOneOwnerCellThatStoresIt) {
  // Along an axis of 2 blocFiles: pixels 0..100, cells with origins 0, 2, ..., 98.
  for (int p = 0; p <= 100; ++p) {
    SCOPED_TRACE(p);
    const int origin = ownerCellOrigin(p, 2);
    EXPECT_EQ(origin % 2, 0);
    EXPECT_GE(origin, 0);
    EXPECT_LE(origin, 98);
    EXPECT_GE(p - origin, 0);  // the cell's vertices are origin .. origin + 2
    EXPECT_LE(p - origin, 2);
  }
  EXPECT_EQ(ownerCellOrigin(99, 2), 98);
  EXPECT_EQ(ownerCellOrigin(100, 2), 98);
  EXPECT_EQ(ownerCellOrigin(50, 2), 50);
  EXPECT_EQ(ownerCellOrigin(50, 1), 48);
}

TEST(MapReader, ReadsEveryRecordInOrderAndByIndex) {
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(2, 1));
  MapReader reader((dir / "p.map").string());
  EXPECT_EQ(reader.largeur(), 2);
  EXPECT_EQ(reader.hauteur(), 1);
  EXPECT_EQ(reader.cellCount(), 2 * 625);
  EXPECT_EQ(reader.widthPixels(), 101);
  EXPECT_EQ(reader.heightPixels(), 51);
  CellBytes bytes;
  CellPlace place;
  std::int64_t count = 0;
  while (reader.nextCell(bytes, place)) {
    const CellRecord cell = decodeCell(bytes);
    const int ox = place.originX();
    const int oy = place.originY();
    ASSERT_EQ(test::bitsOf(cell.faceNormals[7].y), test::bitsOf(static_cast<float>(ox)));
    ASSERT_EQ(test::bitsOf(cell.faceNormals[7].z), test::bitsOf(static_cast<float>(oy)));
    ASSERT_EQ(test::bitsOf(cell.faceNormals[2].x), test::bitsOf(3.0f));
    // Vertex 2 is the corner (ox + 2, oy + 2).
    ASSERT_EQ(cell.colors[2], (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(ox + 2),
                                                           static_cast<std::uint8_t>(oy + 2), 2}));
    ASSERT_EQ(cell.heights[2], static_cast<float>(ox + 2 + 1000 * (oy + 2)));
    ++count;
  }
  EXPECT_EQ(count, reader.cellCount());

  reader.readCell(625 + 26, bytes);  // blocFile (1, 0), SubBlock (1, 0), cell (1, 0)
  EXPECT_EQ(decodeCell(bytes).colors[6], (std::array<std::uint8_t, 3>{62, 0, 6}));
  ASSERT_TRUE(reader.nextCell(bytes, place));
  EXPECT_EQ(place.originX(), 64);
  EXPECT_EQ(decodeCell(bytes).colors[6], (std::array<std::uint8_t, 3>{64, 0, 6}));
}

TEST(MapReader, RefusesDamagedFilesWithOneLine) {
  const Bytes good = test::patternMap(1, 1);
  struct Case {
    const char* what;
    Bytes bytes;
    const char* message;  // after the file name
  };
  const auto header = [](std::uint32_t largeur, std::uint32_t hauteur, std::size_t size) {
    Bytes bytes(size, 0);
    test::setLe32(bytes, 0, largeur);
    test::setLe32(bytes, 4, hauteur);
    return bytes;
  };
  const auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
  Bytes longer = good;
  longer.push_back(0);
  const std::vector<Case> cases = {
      {"empty", {}, " is not a map: 0 bytes, shorter than the 8-byte header\n"},
      {"seven bytes", cut(7), " is not a map: 7 bytes, shorter than the 8-byte header\n"},
      {"header only", cut(8), " is truncated: 99383 bytes expected for 1 x 1 blocFiles, 8 found\n"},
      {"one byte short", cut(99382),
       " is truncated: 99383 bytes expected for 1 x 1 blocFiles, 99382 found\n"},
      {"one byte long", longer,
       " is oversized: 99383 bytes expected for 1 x 1 blocFiles, 99384 found\n"},
      {"negative", header(0xFFFFFFFF, 1, 8),
       " is not a map: its header gives -1 x 1 blocFiles (0 to 100 each way)\n"},
      {"too high", header(1, 101, 8),
       " is not a map: its header gives 1 x 101 blocFiles (0 to 100 each way)\n"},
      {"a BMP", test::bmp8(1, 1, {7, 0, 0, 0}),
       " is not a map: its header gives 70929730 x 0 blocFiles (0 to 100 each way)\n"},
      {"empty map with a tail", header(0, 5, 9),
       " is oversized: 8 bytes expected for 0 x 5 blocFiles, 9 found\n"},
  };
  const TempDir dir;
  const std::string name = (dir / "bad.map").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::writeFile(name, c.bytes);
    test::expectFailure([&name] { MapReader reader(name); }, name + c.message);
  }
  test::expectFailure([&dir] { MapReader reader(dir.path().string()); },
                      "cannot read " + dir.path().string() + ": not a regular file\n");
  test::expectFailure(
      [&dir] { MapReader reader((dir / "none.map").string()); },
      "cannot open " + (dir / "none.map").string() + ": No such file or directory\n");
}

TEST(MapReader, AcceptsAHeaderOnlyMap) {
  const TempDir dir;
  for (const auto& [largeur, hauteur] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{100, 0}}) {
    Bytes bytes(8, 0);
    test::setLe32(bytes, 0, static_cast<std::uint32_t>(largeur));
    test::setLe32(bytes, 4, static_cast<std::uint32_t>(hauteur));
    test::writeFile(dir / "empty.map", bytes);
    MapReader reader((dir / "empty.map").string());
    EXPECT_EQ(reader.cellCount(), 0);
    CellBytes cell;
    CellPlace place;
    EXPECT_FALSE(reader.nextCell(cell, place));
  }
}

}  // namespace
}  // namespace quorvel
