#pragma once

#include <cfloat>
#include <cmath>
#include <limits>

#include "quorvel/types.h"

// Every rounding point here reaches the map. Where a double or float expression is evaluated
// in a wider type (x87 arithmetic) it is rounded twice and the maps differ, so such a build
// stops here rather than write them.
static_assert(FLT_EVAL_METHOD == 0, "quorvel needs double and float arithmetic done in their own "
                                    "precision (on x86, SSE2 rather than x87)");

namespace quorvel {

// value rounded to the nearest float, ties to even, as the processor rounds; a finite value
// beyond the float range becomes an infinity, as it does there, rather than the undefined
// behaviour C++ gives that conversion. Every narrowing whose value may be that large goes
// through here.
[[nodiscard]] inline float roundToFloat(double value) {
  constexpr double kOverflow = 0x1.ffffffp+127;  // halfway between the largest float and 2^128
  if (value >= kOverflow) return std::numeric_limits<float>::infinity();
  if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// Every intermediate is a double; each component is rounded to float exactly once where it
// is stored. Products of two floats are exact in double, so only sums and quotients round.
// The operations are defined here so that the map writer's per-pixel loops inline them.

// out receives the unit vector along a x b. out must not alias a or b.
inline void crossNormalized(Vector3& out, const Vector3& a, const Vector3& b) {
  out.x = roundToFloat(double{a.y} * b.z - double{a.z} * b.y);
  out.y = roundToFloat(double{a.z} * b.x - double{a.x} * b.z);
  const double c = double{a.x} * b.y - double{a.y} * b.x;
  out.z = roundToFloat(c);
  // The z term uses the unrounded c, the x and y terms the stored floats.
  const double len = std::sqrt((double{out.x} * out.x + double{out.y} * out.y) + c * c);
  out.x = static_cast<float>(out.x / len);
  out.y = static_cast<float>(out.y / len);
  out.z = static_cast<float>(out.z / len);
}

// Four floats as one vector register where the target has them, the scalar code GCC and Clang
// lower it to elsewhere: each lane's arithmetic is the float arithmetic of its own component.
using FourLanes = float __attribute__((vector_size(16)));

// a . b, kept in double: lighting compares it with zero before anything is rounded.
[[nodiscard]] inline double dot(const Vector3& a, const Vector3& b) {
  return (double{a.z} * b.z + double{a.y} * b.y) + double{a.x} * b.x;  // the order shows in the bits
}

// Scales v to unit length in place; a zero vector gives NaNs.
inline void normalize(Vector3& v) {
  const double len = std::sqrt((double{v.x} * v.x + double{v.y} * v.y) + double{v.z} * v.z);
  v.x = static_cast<float>(v.x / len);
  v.y = static_cast<float>(v.y / len);
  v.z = static_cast<float>(v.z / len);
}

// out = a + b; out may alias a or b (each component is read before it is stored). A double
// sum of two floats rounded to float is their correctly rounded float sum, so plain float
// addition gives the same bits.
inline void add(Vector3& out, const Vector3& a, const Vector3& b) {
  out.x = a.x + b.x;
  out.y = a.y + b.y;
  out.z = a.z + b.z;
}

}  // namespace quorvel
