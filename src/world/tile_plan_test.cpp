#include "world/tile_plan.h"

#include <gtest/gtest.h>

#include <string>

#include "failure.h"
#include "memory_texture.h"

namespace quorvel {
namespace {

TEST(TilePlan, TilesShareTheirBordersAndTheLastOnesAreNarrower) {
  const struct {
    std::int32_t width, height, tileSize, columns, rows;
    std::int32_t index;
    PixelWindow window, apron;
  } kCases[] = {
      {51, 51, 5001, 1, 1, 0, {0, 0, 51, 51}, {0, 0, 51, 51}},
      {251, 151, 101, 3, 2, 0, {0, 0, 101, 101}, {0, 0, 102, 102}},
      {251, 151, 101, 3, 2, 1, {100, 0, 101, 101}, {99, 0, 103, 102}},
      {251, 151, 101, 3, 2, 2, {200, 0, 51, 101}, {199, 0, 52, 102}},
      {251, 151, 101, 3, 2, 5, {200, 100, 51, 51}, {199, 99, 52, 52}},
      {5101, 151, 5001, 2, 1, 1, {5000, 0, 101, 151}, {4999, 0, 102, 151}},
      {10001, 10001, 1001, 10, 10, 99, {9000, 9000, 1001, 1001}, {8999, 8999, 1002, 1002}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " by " +
                 std::to_string(c.tileSize) + ", tile " + std::to_string(c.index));
    const TilePlan plan = planTiles(c.width, c.height, c.tileSize);
    EXPECT_EQ(plan.columns, c.columns);
    EXPECT_EQ(plan.rows, c.rows);
    EXPECT_EQ(plan.window(c.index), c.window);
    EXPECT_EQ(plan.apron(c.index), c.apron);
  }
}

TEST(TilePlan, SizesOfTilesAndWorlds) {
  for (const long long size : {51LL, 101LL, 1001LL, 5001LL}) EXPECT_TRUE(tileSizeFits(size));
  for (const long long size : {1LL, 50LL, 52LL, 100LL, 5051LL, 4294967297LL}) {
    EXPECT_FALSE(tileSizeFits(size)) << size;
  }
  const struct {
    std::int32_t width, height;
    const char* message;  // nullptr: accepted
  } kWorlds[] = {{51, 51, nullptr},
                 {100001, 5051, nullptr},
                 {1, 51, "largeur incorrect\n"},
                 {101, 1, "hauteur incorrect\n"},
                 {100, 100, "largeur incorrect\n"},
                 {0, 51, "largeur incorrect\n"}};
  for (const auto& world : kWorlds) {
    SCOPED_TRACE(std::to_string(world.width) + " x " + std::to_string(world.height));
    const test::MemoryTexture alt("alt.bmp", world.width, world.height, 1, {});
    if (world.message == nullptr) {
      EXPECT_NO_THROW(checkWorldSize(alt));
    } else {
      test::expectFailure([&] { checkWorldSize(alt); }, world.message);
    }
  }
}

}  // namespace
}  // namespace quorvel
