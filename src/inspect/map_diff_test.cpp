#include "inspect/map_diff.h"

#include <gtest/gtest.h>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::TempDir;

struct Compared {
  MapDifference difference;
  std::string text;
};

Compared compare(const TempDir& dir, const Bytes& a, const Bytes& b) {
  test::writeFile(dir / "a.map", a);
  test::writeFile(dir / "b.map", b);
  MapCells readerA((dir / "a.map").string());
  MapCells readerB((dir / "b.map").string());
  Compared compared{diffMaps(readerA, readerB), ""};
  compared.text = formatDifference(readerA, readerB, compared.difference);
  return compared;
}

TEST(MapDiff, ValuePlaceOfEveryByte) {
  struct Case {
    int at;
    CellField field;
    int index;
    int component;
    int offset;
  };
  const Case cases[] = {
      {0, CellField::kColors, 0, 0, 0},          {26, CellField::kColors, 8, 2, 26},
      {27, CellField::kHeights, 0, 0, 27},       {30, CellField::kHeights, 0, 0, 27},
      {62, CellField::kHeights, 8, 0, 59},       {63, CellField::kFaceNormals, 1, 0, 63},
      {71, CellField::kFaceNormals, 1, 2, 71},   {75, CellField::kFaceNormals, 2, 0, 75},
      {158, CellField::kFaceNormals, 8, 2, 155},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    const ValuePlace value = valuePlaceOfByte(c.at);
    EXPECT_EQ(value.field, c.field);
    EXPECT_EQ(value.index, c.index);
    EXPECT_EQ(value.component, c.component);
    EXPECT_EQ(value.offset, c.offset);
  }
}

TEST(MapDiff, UniformExampleAgainstItselfIsIdentical) {
  const TempDir dir;
  const Bytes map = test::readFile(test::compileMap(dir, test::uniformExample()));
  const Compared compared = compare(dir, map, map);
  EXPECT_TRUE(compared.difference.sameHeader);
  EXPECT_EQ(compared.difference.differingCells, 0);
  EXPECT_EQ(compared.text, (dir / "a.map").string() + " and " + (dir / "b.map").string() +
                               " are identical: 1 x 1 blocFiles, 625 MapCells\n");
}

TEST(MapDiff, OneChangedValueIsFoundAtItsExactPlace) {
  const TempDir dir;
  const Bytes map = test::readFile(test::compileMap(dir, test::uniformExample()));
  // MapCell (3, 2) of SubBlock (1, 4): origin (16, 44), byte 8 + 21 * 3975 + 13 * 159.
  const std::size_t cell = 8 + 21 * 3975 + 13 * 159;
  struct Case {
    std::size_t at;       // within the record
    std::uint32_t value;  // written there, 1 or 4 bytes
    const char* report;
  };
  const Case cases[] = {
      {3 * 4 + 1, 254, "colors vertex 4 (16, 46) green: 255 against 254"},
      {27 + 4 * 4, 0x41300000,
       "heights vertex 4 (16, 46): 10 (0x41200000) against 11 (0x41300000)"},
      {63 + 12 * 2 + 4, 0x00000000,
       "faceNormals triangle 3 y: -0 (0x80000000) against 0 (0x00000000)"},
      {63 + 12 * 7 + 8, 0x3F7FFFFF,
       "faceNormals triangle 8 z: 1 (0x3F800000) against 0.99999994 (0x3F7FFFFF)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    Bytes changed = map;
    if (c.at < 27) {
      changed[cell + c.at] = static_cast<std::uint8_t>(c.value);
    } else {
      test::setLe32(changed, cell + c.at, c.value);
    }
    const Compared compared = compare(dir, map, changed);
    EXPECT_EQ(compared.difference.differingCells, 1);
    EXPECT_EQ(compared.text, (dir / "a.map").string() + " and " + (dir / "b.map").string() +
                                 " differ in 1 of 625 MapCells\n" + "first at byte " +
                                 std::to_string(cell + c.at) +
                                 ": blocFile (0, 0), SubBlock (1, 4), cell (3, 2), " + c.report +
                                 "\n");
  }
}

TEST(MapDiff, CountsDifferingCellsAndReportsTheFirstInFileOrder) {
  const TempDir dir;
  const Bytes a = test::patternMap(2, 2);
  Bytes b = a;
  b[8 + 3 * 99375 + 100] ^= 1;  // blocFile (1, 1)
  b[8 + 3 * 99375 + 101] ^= 1;  // the same record
  b[8 + 99375 + 158] ^= 1;      // the first record of blocFile (1, 0), its last byte
  b[8 + 2 * 99375 + 159] ^= 1;  // blocFile (0, 1), second record, first byte
  const Compared compared = compare(dir, a, b);
  EXPECT_EQ(compared.difference.differingCells, 3);
  const MapCell& place = compared.difference.firstA;
  EXPECT_EQ((std::array{place.blocX, place.blocY, place.subX, place.subY, place.cellX,
                        place.cellY}),
            (std::array{1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(compared.difference.firstValue.field, CellField::kFaceNormals);
  EXPECT_EQ(compared.difference.firstValue.index, 8);
  EXPECT_EQ(compared.difference.firstValue.component, 2);
  EXPECT_NE(compared.text.find(" differ in 3 of 2500 MapCells\n"), std::string::npos);
}

TEST(MapDiff, DifferentHeadersAreNotComparedFurther) {
  const TempDir dir;
  const Compared compared = compare(dir, test::patternMap(2, 1), test::patternMap(1, 2));
  EXPECT_FALSE(compared.difference.sameHeader);
  EXPECT_EQ(compared.text, (dir / "a.map").string() + " and " + (dir / "b.map").string() +
                               " differ: 2 x 1 blocFiles against 1 x 2\n");
}

}  // namespace
}  // namespace quorvel
