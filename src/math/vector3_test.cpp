#include "math/vector3.h"

#include <cmath>

#include <gtest/gtest.h>

#include "test_support.h"

namespace quorvel {
namespace {

using test::bitsOf;

void expectBits(const Vector3& v, float x, float y, float z) {
  EXPECT_EQ(bitsOf(v.x), bitsOf(x));
  EXPECT_EQ(bitsOf(v.y), bitsOf(y));
  EXPECT_EQ(bitsOf(v.z), bitsOf(z));
}

TEST(Vector3, CrossNormalizedGivesExactUnitVectorsAndSignedZeros) {
  Vector3 out;
  crossNormalized(out, Vector3{10, 0, 0}, Vector3{0, 10, 0});
  expectBits(out, 0.0f, 0.0f, 1.0f);
  crossNormalized(out, Vector3{0, 10, 0}, Vector3{10, 0, 0});
  expectBits(out, 0.0f, 0.0f, -1.0f);
  crossNormalized(out, Vector3{0, 10, 0}, Vector3{-10, 10, 0});
  expectBits(out, 0.0f, -0.0f, 1.0f);
  crossNormalized(out, Vector3{10, 0, 1}, Vector3{10, 10, 1});
  expectBits(out, -0.0995037183f, 0.0f, 0.995037198f);
}

TEST(Vector3, NormalizeRoundsEachComponentOnce) {
  Vector3 v{0, 0, 1};
  normalize(v);
  expectBits(v, 0.0f, 0.0f, 1.0f);
  v = Vector3{0, 0, 2};
  normalize(v);
  expectBits(v, 0.0f, 0.0f, 1.0f);
  v = Vector3{1, 1, 1};
  normalize(v);
  expectBits(v, 0.577350259f, 0.577350259f, 0.577350259f);
  v = Vector3{1, 2, 2};
  normalize(v);
  expectBits(v, 0.333333343f, 0.666666687f, 0.666666687f);
}

TEST(Vector3, NormalizeOfZeroGivesNaNWithoutTrapping) {
  Vector3 v{0, 0, 0};
  normalize(v);
  EXPECT_TRUE(std::isnan(v.x) && std::isnan(v.y) && std::isnan(v.z));
}

TEST(Vector3, DotStaysInDoublePrecision) {
  const Vector3 v{0.1f, 0, 0};
  EXPECT_EQ(dot(v, v), 0.010000000298023226);
  EXPECT_NE(dot(v, v), double{0.0100000007f});
}

TEST(Vector3, AddAccumulatesInPlace) {
  Vector3 sum{1, 2, 3};
  add(sum, sum, Vector3{0.5f, -2, 1e-8f});
  expectBits(sum, 1.5f, 0.0f, 3.0f);
}

}  // namespace
}  // namespace quorvel
