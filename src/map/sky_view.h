#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "image/texture.h"

namespace quorvel {

// How much of the sky the terrain hides at each pixel of alt, row-major: for each of the 8 or
// 16 directions u of baked_light.h in their order, added to a sum begun at 0.0,
// skyTerm(w_u, T_u), where T_u is the steepest tangent (sampleTangent, at least 0) from the
// pixel to any pixel p + k u in the image, heights being the samples times zScaleFactor in
// double. The sky-view factor is 1 minus it. Each direction is swept along its lines of pixels
// in linear time, on `threads` threads; the result is the same for any number of them.
[[nodiscard]] std::unique_ptr<double[]> skyOcclusion(const Texture& alt, float zScaleFactor,
                                                     int directions, int threads);

// The lines of pixels along a direction of a width x height image: line `line` of class
// lineClass holds a pixel at each step, step counting along the direction (from the image's
// far side back toward where the direction points, the sweep goes from the last step to the
// first; what a pixel sees lies at larger steps on its line).
struct SkyLine {
  int lineClass = 0;
  int line = 0;
  int step = 0;
};
[[nodiscard]] SkyLine skyLineOf(int directions, int direction, int width, int height, int x,
                                int y);
void skyPixelOf(int directions, int direction, int width, int height, const SkyLine& line, int& x,
                int& y);

// Pixels x0 ... x0 + columns - 1 of rows y0 ... y0 + rows - 1.
struct SkyRectangle {
  int x0 = 0;
  int y0 = 0;
  int columns = 0;
  int rows = 0;
};

// Calls visit for every line of the direction that crosses the rectangle, with the steps of its
// first and last pixel in it.
void forEachSkyLine(int directions, int direction, int width, int height,
                    const SkyRectangle& rectangle,
                    const std::function<void(int lineClass, int line, int first, int last)>& visit);

// A vertex of the upper hull of a line's heights: an integer height (skyHeightOf) and its step.
struct SkyVertex {
  std::int32_t height;
  std::int32_t step;
};

// The upper hull of the heights beyond step `last` on a line, farthest first, with no vertex
// on the segment between two others: what the whole image's sweep holds when it reaches the
// line's pixel at `last`.
using SkyLineSeed =
    std::function<std::span<const SkyVertex>(int direction, int lineClass, int line, int last)>;

// Receives a line's hull of its pixels in a region, farthest first.
using SkyHullSink = std::function<void(int direction, int lineClass, int line,
                                       std::span<const SkyVertex> hull)>;

// For every direction, the hull of each line's pixels in regionOf(direction), a rectangle
// of the world that alt holds: what a region hands on to the pixels before it on its lines.
// Integer heights as skyOcclusionOfWindow compares them.
void skyHullsOfWindow(const Texture& alt, float zScaleFactor, int directions, int worldWidth,
                      int worldHeight, const std::function<SkyRectangle(int direction)>& regionOf,
                      const SkyHullSink& sink);

// A window of a world's pixels whose sky is worked out as skyOcclusion would on the whole
// world's altitude.
struct SkyWindow {
  int worldWidth = 0;
  int worldHeight = 0;
  int x0 = 0;
  int y0 = 0;
  int columns = 0;
  int rows = 0;
};

// A world's lines are at most this long: hull products of 17-bit rises and distances fit in 32
// bits.
inline constexpr int kLargestSkyLine = 32767;

// Whether skyOcclusionOfWindow can give a world's sky exactly: integer samples of at most 16
// bits, whose hulls are the same whether the products are formed in integers or, exact, in
// double; a world's lines at most kLargestSkyLine long.
[[nodiscard]] bool skyWindowIsExact(SampleFormat format, float zScaleFactor, int worldWidth,
                                    int worldHeight);

// The height a hull compares for sample at of pixels: the sample, negated under a z scale below
// 0.
[[nodiscard]] std::int32_t skyHeightOf(SampleFormat format, const std::uint8_t* pixels,
                                       std::ptrdiff_t at, float zScaleFactor);

// skyOcclusion's sums of the window's pixels, row-major into occlusion (columns x rows), for a
// world whose sky skyWindowIsExact: alt holds the window's samples (Texture::x0, y0 say where
// it lies), seed what lies beyond it on each line (called from any of the threads). The same
// sums on any number of threads.
void skyOcclusionOfWindow(const Texture& alt, float zScaleFactor, int directions,
                          const SkyWindow& window, const SkyLineSeed& seed, double* occlusion,
                          int threads = 1);

}  // namespace quorvel
