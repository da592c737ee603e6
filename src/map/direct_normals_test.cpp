#include "map/direct_normals.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// The vector route is only for windows where nothing can become infinite or NaN.
TEST(DirectNormals, ExactOnlyForFiniteModestWindowsAndScales) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    double base;    // every sample
    double sample;  // sample 7 (not the first, which seeds the lowest and highest)
    float zScaleFactor;
    bool exact;
  };
  const Case cases[] = {
      {"plain", 5, 9, 1.0f, true},
      {"a NaN sample", 5, nan, 1.0f, false},
      {"an infinite sample", 5, -infinity, 1.0f, false},
      {"flat beyond 1e300", 2e300, 2e300, 1.0f, false},
      {"flat at 1e300", 1e300, 1e300, 1.0f, true},
      {"a rise of 1e36", 0, 1e36, 1.0f, true},
      {"a rise beyond 1e36", 0, 1e36, 2.0f, false},
      {"an infinite scale", 5, 5, std::numeric_limits<float>::infinity(), false},
      {"a NaN scale", 5, 5, std::numeric_limits<float>::quiet_NaN(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<double> window(kWindow * kWindow, c.base);
    window[7] = c.sample;
    EXPECT_EQ(directNormalsExact(window.data(), c.zScaleFactor), c.exact);
  }
}

}  // namespace
}  // namespace quorvel
