#pragma once

#include <cstdint>
#include <vector>

#include "image/texture.h"
#include "math/vector3.h"

namespace quorvel {

// The share f of the sun's disc that each pixel of alt sees above the terrain toward the
// light (--shadows). With s the light's ground direction scaled to one pixel along its major
// axis, the samples are q_k = p + k s while inside the image, their heights interpolated
// linearly between the two pixels on either side on the minor axis; the horizon is the
// steepest sampleTangent to them (0 without samples), and f = sunFactor(sun's elevation,
// atan(horizon tangent), sun's radius). Heights are the samples times zScaleFactor, in double.
// A pixel is marched toward the light until no sample further on can rise above the steepest
// tangent that matters, bounded by the highest terrain: a lower sun or a larger z scale
// marches further. atan is called only inside the penumbra.
class SunShadow {
 public:
  // light must be normalised; sunDiameter is in degrees, above 0. A light with no finite
  // direction, or straight up or down, shadows nothing.
  SunShadow(const Texture& alt, float zScaleFactor, const Vector3& light, double sunDiameter);

  // The same for a world of worldWidth x worldHeight pixels of which alt holds a window
  // (Texture::x0, y0), every sample at most ceiling high (sunCeiling): f is what the whole
  // world's SunShadow gives, as long as the window holds every sample the marches of the
  // pixels shaded take (sunReach).
  SunShadow(const Texture& alt, std::int32_t worldWidth, std::int32_t worldHeight,
            float zScaleFactor, const Vector3& light, double sunDiameter, double ceiling);

  // Multiplies the diffuse factors of the span x span pixels from (x0, y0), row-major, each by
  // its pixel's f: d x f. A factor of 0 stays 0 without a march.
  void shade(int x0, int y0, int span, double* diffuse) const { shade(x0, y0, span, span, diffuse); }
  void shade(int x0, int y0, int columns, int rows, double* diffuse) const;

  // What the marches of a window's pixels have found so far, taken a stretch of steps at a
  // time, each stretch over a window of the altitude of its own (sunStretch): however far a
  // low sun's marches go, the memory follows the window shaded.
  struct Marches {
    int x0 = 0;
    int y0 = 0;
    int columns = 0;
    int rows = 0;
    std::vector<double> own;
    std::vector<double> steepest;
    std::vector<int> last;
  };
  // Steps fromStep ... toStep of the marches of every pixel of m (lit or not); fromStep 0
  // begins them, and alt holds the pixels themselves then. The steps taken and the tangents
  // found are those of shade's marches.
  void march(Marches& m, int fromStep, int toStep) const;
  // Each pixel's f once its marches are done, row-major into shares.
  void finish(const Marches& m, double* shares) const;

 private:
  // A line's pixels marched side by side, and what each needs from step to step.
  struct Lanes {
    explicit Lanes(int span);
    int count;
    std::vector<double> diffuse, own, limits, steepest, h0, h1, rises;
    std::vector<int> last;
    std::vector<unsigned char> passes;
  };
  void aim(const Vector3& light, double sunDiameter);
  // Marches a line's lanes from step fromStep to toStep; begins them first (their own heights,
  // thresholds and bounds) and gives their f at the end (factors times f) when told to.
  template <class Sample>
  void shadeLine(int firstMajor, int minor, Lanes& lanes, int fromStep, int toStep, bool begins,
                 bool ends) const;
  [[nodiscard]] double shareOf(double steepest, int major, int minor) const;
  [[nodiscard]] int lastUseful(double height, double threshold, int available) const;
  void makeCeilings();
  [[nodiscard]] double regionCeiling(int majorLow, int majorHigh, int minorLow,
                                     int minorHigh) const;

  // The marches skip kChunkSteps steps at a time where the blocks of kBlock x kBlock pixels
  // they cross are too low to matter.
  static constexpr int kBlock = 16;
  static constexpr int kChunkSteps = 4;

  const Texture& alt_;
  std::int32_t worldWidth_;
  std::int32_t worldHeight_;
  bool casts_ = false;
  double zScale_;
  // The march: whole pixels along the major axis (sign_ is +1 or -1), minorStep_ on the minor.
  bool majorIsX_ = true;
  int sign_ = 1;
  double minorStep_ = 0.0;
  double length_ = 1.0;  // |s| in pixels
  double sunElevation_ = 0.0;
  double radius_ = 0.0;
  // The horizon tangents where the sun's disc begins and ends to be hidden.
  double lowTangent_ = 0.0;
  double highTangent_ = 0.0;
  // Above every sample height, interpolated ones included: the march's bound; and the same
  // for each block, row by row.
  double ceiling_ = 0.0;
  std::vector<double> blockCeilings_;
  int blocksAcross_ = 0;
};

// Above every sample height, interpolated ones included, of samples from lowest to highest
// times zScale: the ceiling a world's SunShadow is given. +inf where they are not comparable.
[[nodiscard]] double sunCeiling(double lowestSample, double highestSample, float zScaleFactor);

// The pixels a world's SunShadow may read to shade the window's pixels (x0, y0, columns, rows)
// whose lowest height is lowestHeight: the window grown toward the light, within the world.
struct SunReach {
  std::int32_t x0, y0, columns, rows;
  std::int64_t steps = 0;  // the most steps a march of the window's pixels takes
};
[[nodiscard]] SunReach sunReach(std::int32_t worldWidth, std::int32_t worldHeight,
                                const Vector3& light, double sunDiameter,
                                double ceiling, double lowestHeight, std::int32_t x0,
                                std::int32_t y0, std::int32_t columns, std::int32_t rows);

// The pixels steps fromStep ... toStep of the marches of the window's pixels read (step 0: the
// pixels themselves), within the world; none (0 columns) when they all lie outside it.
[[nodiscard]] SunReach sunStretch(std::int32_t worldWidth, std::int32_t worldHeight,
                                  const Vector3& light, std::int32_t x0, std::int32_t y0,
                                  std::int32_t columns, std::int32_t rows, int fromStep,
                                  int toStep);

}  // namespace quorvel
