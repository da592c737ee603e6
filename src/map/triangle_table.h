#pragma once

#include <cstddef>
#include <memory>

#include "map/normals.h"

namespace quorvel {

// The normal of every triangle the terrain can hold at one z scale factor. An edge depends
// only on its direction and on an altitude difference (-255 to 255), so a triangle normal is
// a function of its kind and two differences: looking it up gives the very bits that
// triangleNormal computes, without a square root or a division per triangle.
class TriangleTable {
 public:
  static constexpr int kMaxRise = 255;
  static constexpr int kRises = 2 * kMaxRise + 1;

  // Fills the table, sharing the work among up to threads threads.
  TriangleTable(float zScaleFactor, int threads);

  [[nodiscard]] const Vector3& normal(int kind, int rise1, int rise2) const {
    return normals_[(static_cast<std::size_t>(kind) * kRises + (rise1 + kMaxRise)) * kRises +
                    (rise2 + kMaxRise)];
  }

 private:
  struct Release {
    void operator()(Vector3* normals) const;
  };
  std::unique_ptr<Vector3[], Release> normals_;  // every entry written by the constructor
};

}  // namespace quorvel
