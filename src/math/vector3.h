#pragma once

namespace quorvel {

// Three float32 components; no invariant (need not have unit length).
struct Vector3 {
  float x;
  float y;
  float z;
};

// out receives the unit vector along a x b. out must not alias a or b.
void crossNormalized(Vector3& out, const Vector3& a, const Vector3& b);

// a . b in double precision, summed z, y, x.
[[nodiscard]] double dot(const Vector3& a, const Vector3& b);

// Scales v to unit length in place; a zero vector gives NaNs.
void normalize(Vector3& v);

// out = a + b; out may alias a or b.
void add(Vector3& out, const Vector3& a, const Vector3& b);

}  // namespace quorvel
