#pragma once

#include <cstddef>
#include <memory>

#include "map/normals.h"

namespace quorvel {

// The normal of every triangle the terrain can hold at one z scale factor. An edge depends
// only on its direction and on an altitude difference, a whole number of steps from
// -maxRise to maxRise (8-bit samples: steps of 1, up to 255), so a triangle normal is a
// function of its kind and two differences: looking it up gives the very bits that
// triangleNormal computes, without a square root or a division per triangle.
class TriangleTable {
 public:
  // Fills the table for altitude differences of rise x step, rise from -maxRise to maxRise
  // (at most 255), sharing the work among up to threads threads. coversImage says that no two
  // neighbouring samples of the image it is made for differ by more than maxRise steps, all
  // of them a power of two apart: every blocFile then takes it without a check of its own.
  TriangleTable(float zScaleFactor, int step, int maxRise, int threads, bool coversImage = false);

  [[nodiscard]] int step() const { return step_; }
  [[nodiscard]] int maxRise() const { return maxRise_; }
  [[nodiscard]] bool coversImage() const { return coversImage_; }

  [[nodiscard]] const Vector3& normal(int kind, int rise1, int rise2) const {
    return normals_[static_cast<std::size_t>(origin(kind) + rise1 * pitch() + rise2)];
  }

  // The entries in memory: normal(kind, rise1, rise2) is entries()[origin(kind) +
  // rise1 * pitch() + rise2] (at most 12 x 511 x 511 of them). The last entry is followed by
  // four zero bytes, so that any entry can be loaded as four floats.
  [[nodiscard]] const Vector3* entries() const { return normals_.get(); }
  [[nodiscard]] int origin(int kind) const {
    return (kind * static_cast<int>(rises_) + maxRise_) * static_cast<int>(rises_) + maxRise_;
  }
  [[nodiscard]] int pitch() const { return static_cast<int>(rises_); }

 private:
  struct Release {
    void operator()(Vector3* normals) const;
  };
  int step_;
  int maxRise_;
  bool coversImage_;
  std::size_t rises_;
  std::unique_ptr<Vector3[], Release> normals_;  // every entry written by the constructor
};

}  // namespace quorvel
