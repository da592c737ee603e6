#include "map/direct_normals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "map/vector_loops.h"

namespace quorvel {
namespace {

constexpr int kMostOfOneParity = (kSpan + 1) / 2;

// The triangle normals of one kind at count pixels whose corners stand rise1 and rise2 above
// them, in a loop over the pixels so that the square roots and divisions of crossNormalized
// run in vector lanes.
template <int Kind>
QUORVEL_WIDE_CLONES void triangleNormals(int count, const double* rise1, const double* rise2,
                                         float zScaleFactor, float* x, float* y, float* z) {
  for (int n = 0; n < count; ++n) {
    const Vector3 normal = triangleNormal(Kind, rise1[n], rise2[n], zScaleFactor);
    x[n] = normal.x;
    y[n] = normal.y;
    z[n] = normal.z;
  }
}

// The span's pixels by the ring that meets them, row by row: those whose column and row have
// the same parity meet the fan, the others the axis ring. Each is listed by its place in the
// window; the fan pixels of the odd rows are the cell centres.
constexpr int kFanPixels = kMostOfOneParity * kMostOfOneParity +
                           (kSpan - kMostOfOneParity) * (kSpan - kMostOfOneParity);
constexpr int kAxisPixels = kSpan * kSpan - kFanPixels;

template <int Count>
constexpr std::array<int, Count> pixelsMeeting(bool fan) {
  std::array<int, Count> out{};
  int n = 0;
  for (int j = 0; j < kSpan; ++j) {
    for (int i = 0; i < kSpan; ++i) {
      if ((i % 2 == j % 2) == fan) out[n++] = (j + 1) * kWindow + i + 1;
    }
  }
  return out;
}
constexpr std::array<int, kFanPixels> kFanPixelList = pixelsMeeting<kFanPixels>(true);
constexpr std::array<int, kAxisPixels> kAxisPixelList = pixelsMeeting<kAxisPixels>(false);

// Where each cell centre, in the order of the cells' rows, stands in kFanPixelList.
constexpr std::array<int, kCells * kCells> kCentreInFanList = [] {
  std::array<int, kCells * kCells> out{};
  int c = 0;
  for (int n = 0; n < kFanPixels; ++n) {
    const int i = kFanPixelList[n] % kWindow - 1;
    const int j = kFanPixelList[n] / kWindow - 1;
    if (i % 2 == 1 && j % 2 == 1) out[c++] = n;
  }
  return out;
}();

// The sums of the triangle normals of every pixel in pixels, for the Count kinds from First
// on, as if none of their neighbours were outside the image: the same sums as
// vertexNormalSumOf. Each kind is computed for the whole list at once, so that its loop is
// long, and added to the sums in ring order (the first two kinds to each other, as
// sumInRingOrder does). A cell centre's ring is its cell's fan, so with faceNormals given
// (and First 0) the fan's normals at the centres go there too. sumX, sumY and sumZ are
// indexed by the span.
template <int First, int Count, std::size_t N>
void normalSums(const double* window, const std::array<int, N>& pixels, float zScaleFactor,
                float* sumX, float* sumY, float* sumZ, Vector3 (*faceNormals)[kFanKinds]) {
  double rise1[N];
  double rise2[N];
  float x[N];
  float y[N];
  float z[N];
  float totalX[N];
  float totalY[N];
  float totalZ[N];
  const auto kind = [&]<int K>(std::integral_constant<int, K>) {
    constexpr TriangleKind kTriangle = kTriangleKinds[First + K];
    constexpr int kTo1 = kTriangle.first.dy * kWindow + kTriangle.first.dx;
    constexpr int kTo2 = kTriangle.second.dy * kWindow + kTriangle.second.dx;
    // Row by row, every other pixel: loads two apart, which vectorise, rather than through
    // the list.
    for (std::size_t n = 0; n < N;) {
      const int column = static_cast<int>((pixels[n] % kWindow) - 1);
      const std::size_t count = static_cast<std::size_t>((kSpan - column + 1) / 2);
      const double* first = window + pixels[n];
      // Signed indices: a neighbour before the pixel is a negative offset from it.
      for (std::size_t m = 0; m < count; ++m) {
        const auto at = static_cast<std::ptrdiff_t>(2 * m);
        rise1[n + m] = first[at + kTo1] - first[at];
        rise2[n + m] = first[at + kTo2] - first[at];
      }
      n += count;
    }
    triangleNormals<First + K>(static_cast<int>(N), rise1, rise2, zScaleFactor, x, y, z);
    for (std::size_t n = 0; n < N; ++n) {
      Vector3 total{x[n], y[n], z[n]};
      if constexpr (K > 0) add(total, Vector3{totalX[n], totalY[n], totalZ[n]}, total);
      totalX[n] = total.x;
      totalY[n] = total.y;
      totalZ[n] = total.z;
    }
    if constexpr (First == 0) {
      for (int c = 0; faceNormals != nullptr && c < kCells * kCells; ++c) {
        const int n = kCentreInFanList[c];
        faceNormals[c][K] = Vector3{x[n], y[n], z[n]};
      }
    }
  };
  [&]<int... K>(std::integer_sequence<int, K...>) {
    (kind(std::integral_constant<int, K>{}), ...);
  }(std::make_integer_sequence<int, Count>{});
  for (std::size_t n = 0; n < N; ++n) {
    const int at = (pixels[n] / kWindow - 1) * kSpan + pixels[n] % kWindow - 1;
    sumX[at] = totalX[n];
    sumY[at] = totalY[n];
    sumZ[at] = totalZ[n];
  }
}

}  // namespace

bool directNormalsExact(const double* window, float zScaleFactor) {
  bool finite = std::isfinite(zScaleFactor);
  double low = window[0];
  double high = window[0];
  for (int k = 0; k < kWindow * kWindow; ++k) {
    finite = finite && std::isfinite(window[k]);
    low = std::min(low, window[k]);
    high = std::max(high, window[k]);
  }
  // An edge's z is at most 1e36, a cross product's component 20 times that: far below the
  // float range. Samples below 1e300 keep every difference finite.
  return finite && std::fabs(low) <= 1e300 && std::fabs(high) <= 1e300 &&
         (high - low) * std::fabs(double{zScaleFactor}) <= 1e36;
}

void directNormalSums(const double* window, float zScaleFactor, float* sumX, float* sumY,
                      float* sumZ, Vector3 (*faceNormals)[kFanKinds]) {
  normalSums<0, kFanKinds>(window, kFanPixelList, zScaleFactor, sumX, sumY, sumZ, faceNormals);
  normalSums<kFanKinds, kAxisKinds>(window, kAxisPixelList, zScaleFactor, sumX, sumY, sumZ,
                                    nullptr);
}

}  // namespace quorvel
