#pragma once

#include <array>
#include <cmath>
#include <limits>

// The per-pixel formulas of the light baked beyond the sun's diffuse term and the ambient
// term: the sky-view factor (--sky) and the sun's share above the horizon (--shadows). The
// encoder's sweeps and marches and the tests' brute force both call them.

namespace quorvel {

inline constexpr double kPi = 3.141592653589793;         // the double nearest to pi
inline constexpr double kAtanHalf = 0.4636476090008061;  // the double nearest to atan(1/2)

// Pixels are 10 units apart on the ground.
inline constexpr double kPixelSpacing = 10.0;

// A direction in which the sky is sampled: the pixels (dx, dy) apart along it, and the share of
// the horizon's angle it stands for.
struct SkyDirection {
  int dx;
  int dy;
  double weight;
};

inline constexpr double kEighth = 1.0 / 8.0;
inline constexpr std::array<SkyDirection, 8> kSkyDirections8{{
    {1, 0, kEighth},
    {1, 1, kEighth},
    {0, 1, kEighth},
    {-1, 1, kEighth},
    {-1, 0, kEighth},
    {-1, -1, kEighth},
    {0, -1, kEighth},
    {1, -1, kEighth},
}};

// With 16, an axis stands for the angle to the (2, 1)-type directions on either side,
// atan(1/2) in all; a diagonal for what is left of its quarter turn; a (2, 1)-type direction
// for a sixteenth.
inline constexpr double kAxisWeight = kAtanHalf / (2.0 * kPi);
inline constexpr double kDiagonalWeight = (kPi / 4.0 - kAtanHalf) / (2.0 * kPi);
inline constexpr double kSixteenth = 1.0 / 16.0;
inline constexpr std::array<SkyDirection, 16> kSkyDirections16{{
    {1, 0, kAxisWeight},
    {1, 1, kDiagonalWeight},
    {0, 1, kAxisWeight},
    {-1, 1, kDiagonalWeight},
    {-1, 0, kAxisWeight},
    {-1, -1, kDiagonalWeight},
    {0, -1, kAxisWeight},
    {1, -1, kDiagonalWeight},
    {2, 1, kSixteenth},
    {1, 2, kSixteenth},
    {-1, 2, kSixteenth},
    {-2, 1, kSixteenth},
    {-2, -1, kSixteenth},
    {-1, -2, kSixteenth},
    {1, -2, kSixteenth},
    {2, -1, kSixteenth},
}};

// The tangent of the elevation at which a sample `steps` (a whole number) steps of `length`
// pixels away, rise above, is seen: rise / (10 steps length), the product formed left to right.
[[nodiscard]] inline double sampleTangent(double rise, double steps, double length) {
  return rise / (kPixelSpacing * steps * length);
}

// The share of the sky a direction of this weight loses to a horizon of this tangent (0 or
// more): (weight T) / sqrt(1 + T T). A tangent whose square overflows hides the whole share,
// as the formula does in the limit.
[[nodiscard]] inline double skyTerm(double weight, double tangent) {
  const double square = tangent * tangent;
  const double term = (weight * tangent) / std::sqrt(1.0 + square);
  return square == std::numeric_limits<double>::infinity() ? weight : term;
}

// The share of the sun's disc above a horizon at elevation horizon, the sun's centre at
// elevation sun and its radius radius (radians, radius above 0): the penumbra is a linear ramp.
[[nodiscard]] inline double sunFactor(double sun, double horizon, double radius) {
  const double share = (sun - horizon) / (2.0 * radius) + 0.5;
  return share < 0.0 ? 0.0 : share > 1.0 ? 1.0 : share;
}

}  // namespace quorvel
