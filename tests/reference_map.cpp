#include "reference_map.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace quorvel::test {
namespace {

// A private vector type, so that nothing here shares code with the writer under test.
struct Vec {
  float x;
  float y;
  float z;
};

// Every intermediate is a double; a value becomes a float only where a component is stored.
Vec crossUnit(const Vec& a, const Vec& b) {
  Vec out;
  out.x = static_cast<float>(double{a.y} * double{b.z} - double{a.z} * double{b.y});
  out.y = static_cast<float>(double{a.z} * double{b.x} - double{a.x} * double{b.z});
  const double c = double{a.x} * double{b.y} - double{a.y} * double{b.x};
  out.z = static_cast<float>(c);
  // x and y from the stored floats, z from the unrounded c; summed x, y, then z.
  const double xx = double{out.x} * double{out.x};
  const double yy = double{out.y} * double{out.y};
  const double len = std::sqrt((xx + yy) + c * c);
  out.x = static_cast<float>(double{out.x} / len);
  out.y = static_cast<float>(double{out.y} / len);
  out.z = static_cast<float>(double{out.z} / len);
  return out;
}

Vec unit(const Vec& v) {
  const double xx = double{v.x} * double{v.x};
  const double yy = double{v.y} * double{v.y};
  const double zz = double{v.z} * double{v.z};
  const double len = std::sqrt((xx + yy) + zz);
  return Vec{static_cast<float>(double{v.x} / len), static_cast<float>(double{v.y} / len),
             static_cast<float>(double{v.z} / len)};
}

Vec sum(const Vec& a, const Vec& b) {
  return Vec{static_cast<float>(double{a.x} + double{b.x}),
             static_cast<float>(double{a.y} + double{b.y}),
             static_cast<float>(double{a.z} + double{b.z})};
}

double dotZyx(const Vec& a, const Vec& b) {
  const double zz = double{a.z} * double{b.z};
  const double yy = double{a.y} * double{b.y};
  const double xx = double{a.x} * double{b.x};
  return (zz + yy) + xx;
}

void appendU32(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 16) & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 24) & 0xFF));
}

void appendFloat(Bytes& out, float value) { appendU32(out, std::bit_cast<std::uint32_t>(value)); }

struct Neighbour {
  int dx;
  int dy;
};

struct Pixel {
  int x;
  int y;
};

// One triangle of the ring round a pixel, with the sides of the image it must not cross:
// xSide +1 needs x + 1 < width, -1 needs x - 1 >= 0; ySide likewise with the height.
struct RingTriangle {
  Neighbour first;
  Neighbour second;
  int xSide;
  int ySide;
};

const RingTriangle kEightTriangles[8] = {
    {{+1, 0}, {+1, +1}, +1, +1},
    {{+1, +1}, {0, +1}, +1, +1},
    {{0, +1}, {-1, +1}, -1, +1},
    {{-1, +1}, {-1, 0}, -1, +1},
    {{-1, 0}, {-1, -1}, -1, -1},
    {{-1, -1}, {0, -1}, -1, -1},
    {{0, -1}, {+1, -1}, +1, -1},
    {{+1, -1}, {+1, 0}, +1, -1}};

const RingTriangle kFourTriangles[4] = {
    {{+1, 0}, {0, +1}, +1, +1},
    {{0, +1}, {-1, 0}, -1, +1},
    {{-1, 0}, {0, -1}, -1, -1},
    {{0, -1}, {+1, 0}, +1, -1}};

class Reference {
 public:
  Reference(const TerrainImages& images, const Settings& settings)
      : images_(images), settings_(settings) {
    const Vec given{settings.lightDirection.x, settings.lightDirection.y,
                    settings.lightDirection.z};
    light_ = unit(given);
  }

  void cell(Bytes& out, int ox, int oy) const {
    // The centre, then counter-clockwise from +x.
    const Pixel vertices[9] = {{ox + 1, oy + 1}, {ox + 2, oy + 1}, {ox + 2, oy + 2},
                               {ox + 1, oy + 2}, {ox, oy + 2},     {ox, oy + 1},
                               {ox, oy},         {ox + 1, oy},     {ox + 2, oy}};
    for (const Pixel& v : vertices) color(out, v.x, v.y);
    for (const Pixel& v : vertices) appendFloat(out, height(v.x, v.y));
    faceNormals(out, ox + 1, oy + 1);
  }

 private:
  int altitude(int x, int y) const {
    return images_.alt[static_cast<std::size_t>(y) * images_.width + x];
  }

  static std::uint8_t channel(const Bytes& image, int width, int x, int y, int c) {
    return image[(static_cast<std::size_t>(y) * width + x) * 3 + c];
  }

  // From pixel (x, y) to its neighbour (x + dx, y + dy).
  Vec edge(int x, int y, int dx, int dy) const {
    const int difference = altitude(x + dx, y + dy) - altitude(x, y);
    return Vec{static_cast<float>(10.0 * dx), static_cast<float>(10.0 * dy),
               static_cast<float>(double(difference) * double{settings_.zScaleFactor})};
  }

  Vec triangle(int x, int y, Neighbour first, Neighbour second) const {
    const Vec a = edge(x, y, first.dx, first.dy);
    const Vec b = edge(x, y, second.dx, second.dy);
    return crossUnit(a, b);
  }

  void faceNormals(Bytes& out, int cx, int cy) const {
    for (int k = 0; k < 8; ++k) {
      const Vec n = triangle(cx, cy, kEightTriangles[k].first, kEightTriangles[k].second);
      appendFloat(out, n.x);
      appendFloat(out, n.y);
      appendFloat(out, n.z);
    }
  }

  Vec vertexNormal(int x, int y) const {
    const bool sameParity = x % 2 == y % 2;
    const RingTriangle* ring = sameParity ? kEightTriangles : kFourTriangles;
    const int count = sameParity ? 8 : 4;
    Vec normals[8];
    for (int k = 0; k < count; ++k) {
      const RingTriangle& t = ring[k];
      const bool xFits = t.xSide > 0 ? x + 1 < images_.width : x - 1 >= 0;
      const bool yFits = t.ySide > 0 ? y + 1 < images_.height : y - 1 >= 0;
      normals[k] = xFits && yFits ? triangle(x, y, t.first, t.second) : Vec{0.0f, 0.0f, 0.0f};
    }
    Vec s = sum(normals[0], normals[1]);
    for (int k = 2; k < count; ++k) s = sum(s, normals[k]);
    return unit(s);
  }

  float height(int x, int y) const {
    const double h = altitude(x, y);
    const double above = h - double{settings_.seaLevel};
    return static_cast<float>(above * double{settings_.zScaleFactor});
  }

  void color(Bytes& out, int x, int y) const {
    const double k = double{std::bit_cast<float>(std::uint32_t{0x3B808081})};
    const int w = images_.width;
    double d = dotZyx(vertexNormal(x, y), light_);
    if (!(d > 0.0)) d = 0.0;
    for (int c = 0; c < 3; ++c) {
      const float difMat = static_cast<float>(channel(images_.difMat, w, x, y, c) * k);
      const float ambMat = static_cast<float>(channel(images_.ambMat, w, x, y, c) * k);
      const float difLight = static_cast<float>(channel(images_.difLight, w, x, y, c) * k);
      const float ambLight = static_cast<float>(channel(images_.ambLight, w, x, y, c) * k);
      const double diffuse = (d * double{difLight}) * double{difMat};
      const double ambient = double{ambLight} * double{ambMat};
      const double value = (diffuse + ambient) * 255.0;
      const long whole = static_cast<long>(value);  // toward zero
      out.push_back(static_cast<std::uint8_t>(whole > 255 ? 255 : whole));
    }
  }

  const TerrainImages& images_;
  const Settings& settings_;
  Vec light_;
};

}  // namespace

Bytes referenceMap(const TerrainImages& images, const Settings& settings) {
  const int w = images.width;
  const int h = images.height;
  if ((w - 1) % 50 != 0) return {};
  const int largeur = (w - 1) / 50;
  if (largeur > 100) return {};
  if ((h - 1) % 50 != 0) return {};
  const int hauteur = (h - 1) / 50;
  if (hauteur > 100) return {};

  Bytes out;
  out.reserve(8 + static_cast<std::size_t>(largeur) * hauteur * 99375);
  appendU32(out, static_cast<std::uint32_t>(largeur));
  appendU32(out, static_cast<std::uint32_t>(hauteur));
  const Reference reference(images, settings);
  for (int by = 0; by < hauteur; ++by) {
    for (int bx = 0; bx < largeur; ++bx) {
      for (int sy = 0; sy < 5; ++sy) {
        for (int sx = 0; sx < 5; ++sx) {
          for (int cy = 0; cy < 5; ++cy) {
            for (int cx = 0; cx < 5; ++cx) {
              reference.cell(out, 50 * bx + 10 * sx + 2 * cx, 50 * by + 10 * sy + 2 * cy);
            }
          }
        }
      }
    }
  }
  return out;
}

}  // namespace quorvel::test
