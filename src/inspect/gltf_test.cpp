#include "inspect/gltf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::TempDir;

// The two chunks of a .glb, after checking its 12-byte header, the chunk headers, and the
// accessors' counts and bounds against the binary chunk.
struct Glb {
  nlohmann::json json;
  Bytes bin;
  std::size_t vertices = 0;
  std::size_t indices = 0;
};

Glb readGlb(const std::filesystem::path& path) {
  const Bytes bytes = test::readFile(path);
  Glb glb;
  EXPECT_EQ(test::getLe32(bytes, 0), 0x46546C67u);  // "glTF"
  EXPECT_EQ(test::getLe32(bytes, 4), 2u);
  EXPECT_EQ(test::getLe32(bytes, 8), bytes.size());
  const std::uint32_t jsonBytes = test::getLe32(bytes, 12);
  EXPECT_EQ(jsonBytes % 4, 0u);
  EXPECT_EQ(test::getLe32(bytes, 16), 0x4E4F534Au);  // "JSON"
  glb.json = nlohmann::json::parse(bytes.begin() + 20, bytes.begin() + 20 + jsonBytes);
  const std::size_t bin = 20 + jsonBytes;
  EXPECT_EQ(test::getLe32(bytes, bin), bytes.size() - bin - 8);
  EXPECT_EQ(test::getLe32(bytes, bin + 4), 0x004E4942u);  // "BIN\0"
  glb.bin.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bin + 8), bytes.end());
  const nlohmann::json& positions = glb.json.at("accessors").at(0);
  glb.vertices = positions.at("count");
  glb.indices = glb.json.at("accessors").at(2).at("count");
  EXPECT_EQ(glb.bin.size(), 24 * glb.vertices + 4 * glb.indices);
  for (std::size_t axis = 0; axis < 3; ++axis) {
    float low = std::numeric_limits<float>::infinity();
    float high = -low;
    for (std::size_t i = 0; i < glb.vertices; ++i) {
      low = std::min(low, test::getFloat(glb.bin, 12 * i + 4 * axis));
      high = std::max(high, test::getFloat(glb.bin, 12 * i + 4 * axis));
    }
    EXPECT_EQ(positions.at("min").at(axis).get<float>(), low) << "axis " << axis;
    EXPECT_EQ(positions.at("max").at(axis).get<float>(), high) << "axis " << axis;
  }
  return glb;
}

struct Vertex {
  float x, y, z;        // glTF position
  float r, g, b;        // linear colour
  std::int64_t px, py;  // the pixel it should be
};

Vertex vertexOf(const Glb& glb, std::size_t i) {
  Vertex v{};
  v.x = test::getFloat(glb.bin, 12 * i);
  v.y = test::getFloat(glb.bin, 12 * i + 4);
  v.z = test::getFloat(glb.bin, 12 * i + 8);
  const std::size_t colors = 12 * glb.vertices;
  v.r = test::getFloat(glb.bin, colors + 12 * i);
  v.g = test::getFloat(glb.bin, colors + 12 * i + 4);
  v.b = test::getFloat(glb.bin, colors + 12 * i + 8);
  v.px = std::llround(v.x / 10);
  v.py = std::llround(-v.z / 10);
  return v;
}

std::uint32_t indexOf(const Glb& glb, std::size_t i) {
  return test::getLe32(glb.bin, 24 * glb.vertices + 4 * i);
}

// The stored byte back from a linear colour, by the sRGB encoding a viewer applies.
int srgbByte(float linear) {
  const double l = linear;
  const double c = l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
  return static_cast<int>(std::lround(255 * c));
}

// Twice the area of triangle t seen from above, in square pixels: positive counter-clockwise.
std::int64_t doubleArea(const Glb& glb, std::size_t t) {
  const Vertex a = vertexOf(glb, indexOf(glb, 3 * t));
  const Vertex b = vertexOf(glb, indexOf(glb, 3 * t + 1));
  const Vertex c = vertexOf(glb, indexOf(glb, 3 * t + 2));
  return (b.px - a.px) * (c.py - a.py) - (b.py - a.py) * (c.px - a.px);
}

// Calls visit(offset, cx, cy) with the byte offset and centre pixel of every record, in
// file order.
template <typename Visit>
void forEachRecord(int largeur, int hauteur, Visit visit) {
  std::size_t offset = 8;
  for (int by = 0; by < hauteur; ++by) {
    for (int bx = 0; bx < largeur; ++bx) {
      for (int cell = 0; cell < 625; ++cell, offset += 159) {
        visit(offset, 50 * bx + 10 * (cell / 25 % 5) + 2 * (cell % 5) + 1,
              50 * by + 10 * (cell / 125) + 2 * (cell / 5 % 5) + 1);
      }
    }
  }
}

// Vertices of a MapCell from its centre, as the map format documents them.
constexpr int kRing[9][2] = {{0, 0},  {1, 0},   {1, 1},  {0, 1}, {-1, 1},
                             {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

// Rough ground, which the simplifier folds: its heights jump by up to 96 between pixels.
float bumpyHeight(std::int64_t x, std::int64_t y) {
  return static_cast<float>((x * x + 3 * y * y + x * y) % 97);
}

// The pattern map (below) with bumpyHeight instead of its heights.
Bytes bumpyMap(int largeur, int hauteur) {
  Bytes map = test::patternMap(largeur, hauteur);
  forEachRecord(largeur, hauteur, [&map](std::size_t offset, int cx, int cy) {
    for (int k = 0; k < 9; ++k) {
      test::setLe32(map, offset + 27 + 4 * k,
                    test::bitsOf(bumpyHeight(cx + kRing[k][0], cy + kRing[k][1])));
    }
  });
  return map;
}

// The pattern map stores at pixel (x, y) the height x + 1000 y and the colour
// (x % 256, y % 256, vertex index in the record read).
void expectPatternVertex(const Vertex& v, bool bumpy = false) {
  EXPECT_EQ(v.x, static_cast<float>(10 * v.px));
  EXPECT_EQ(v.z, static_cast<float>(-10 * v.py));
  EXPECT_EQ(v.y, bumpy ? bumpyHeight(v.px, v.py) : static_cast<float>(v.px + 1000 * v.py));
  EXPECT_EQ(srgbByte(v.r), v.px % 256);
  EXPECT_EQ(srgbByte(v.g), v.py % 256);
}

// The largest vertical distance between the .glb's triangles and the map's pixels, the
// surface taken as the plane through each triangle's corners.
double errorOf(const Glb& glb, int largeur, int hauteur, bool bumpy) {
  double worst = 0;
  for (std::size_t t = 0; t < glb.indices / 3; ++t) {
    Vertex v[3];
    for (int k = 0; k < 3; ++k) v[k] = vertexOf(glb, indexOf(glb, 3 * t + k));
    const double area = static_cast<double>(doubleArea(glb, t));
    for (std::int64_t py = 0; py <= 50 * hauteur; ++py) {
      for (std::int64_t px = 0; px <= 50 * largeur; ++px) {
        double weights[3];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
          const Vertex& a = v[(k + 1) % 3];
          const Vertex& b = v[(k + 2) % 3];
          weights[k] = static_cast<double>((b.px - a.px) * (py - a.py) - (b.py - a.py) * (px - a.px));
          inside = inside && weights[k] >= 0;
        }
        if (!inside) continue;
        const double surface =
            (weights[0] * v[0].y + weights[1] * v[1].y + weights[2] * v[2].y) / area;
        const double height = bumpy ? bumpyHeight(px, py) : static_cast<double>(px + 1000 * py);
        worst = std::max(worst, std::abs(surface - height));
      }
    }
  }
  return worst;
}

TEST(Gltf, FullResolutionIsEveryPixelAndTheCellFans) {
  struct Case {
    int largeur;
    int hauteur;
    std::int64_t maxTriangles;
  };
  const Case cases[] = {{1, 1, kDefaultMaxTriangles}, {3, 1, 15000}, {1, 2, 10000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.largeur << " x " << c.hauteur);
    const TempDir dir;
    test::writeFile(dir / "p.map", test::patternMap(c.largeur, c.hauteur));
    MapCells reader((dir / "p.map").string());
    const GltfExport done = exportGltf(reader, (dir / "p.glb").string(), c.maxTriangles);
    const std::int64_t triangles = 5000 * c.largeur * c.hauteur;
    EXPECT_EQ(done.mapTriangles, triangles);
    EXPECT_EQ(done.triangles, triangles);
    EXPECT_EQ(done.kind, MeshKind::kCellFans);
    const Glb glb = readGlb(dir / "p.glb");
    const int width = 50 * c.largeur + 1;
    ASSERT_EQ(glb.vertices, static_cast<std::size_t>(width * (50 * c.hauteur + 1)));
    ASSERT_EQ(glb.indices, static_cast<std::size_t>(3 * triangles));
    for (std::size_t i = 0; i < glb.vertices; ++i) {
      const Vertex v = vertexOf(glb, i);
      ASSERT_EQ(v.py * width + v.px, static_cast<std::int64_t>(i));
      expectPatternVertex(v);
    }
    // Cells in file order, each fan (centre, k, k + 1) counter-clockwise seen from +y.
    std::size_t t = 0;
    forEachRecord(c.largeur, c.hauteur, [&](std::size_t, int cx, int cy) {
      for (int k = 1; k <= 8; ++k, ++t) {
        const int next = k % 8 + 1;
        ASSERT_EQ(indexOf(glb, 3 * t), static_cast<std::uint32_t>(cy * width + cx));
        ASSERT_EQ(indexOf(glb, 3 * t + 1),
                  static_cast<std::uint32_t>((cy + kRing[k][1]) * width + cx + kRing[k][0]));
        ASSERT_EQ(indexOf(glb, 3 * t + 2),
                  static_cast<std::uint32_t>((cy + kRing[next][1]) * width + cx + kRing[next][0]));
        ASSERT_GT(doubleArea(glb, t), 0);
      }
    });
  }
}

TEST(Gltf, ColoursAreLinearAndReadFromTheOwningRecord) {
  const TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(3, 1));
  MapCells reader((dir / "p.map").string());
  (void)exportGltf(reader, (dir / "p.glb").string(), kDefaultMaxTriangles);
  const Glb glb = readGlb(dir / "p.glb");
  struct Case {
    int x;
    int y;
    std::uint32_t red;   // bits of the linear red
    std::uint32_t blue;  // bits of the linear blue: the vertex index k as a byte
  };
  // Red is x % 256, blue the index of the vertex in the record that holds the pixel: the one
  // whose origin is the pixel rounded down to even, the last row and column from the cells
  // before them. The bits are the float nearest the sRGB transfer function of the byte.
  const Case cases[] = {{0, 0, 0x00000000, 0x3aeeb40e},    {1, 1, 0x399f22b4, 0x00000000},
                        {10, 3, 0x3b46eb61, 0x3ac6eb61},   {128, 5, 0x3e5d0a89, 0x3ac6eb61},
                        {150, 50, 0x3e9c274c, 0x3a1f22b4}, {150, 0, 0x3e9c274c, 0x3b1f22b4},
                        {149, 50, 0x3e99e0e0, 0x3a6eb40e}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    const Vertex v = vertexOf(glb, static_cast<std::size_t>(c.y * 151 + c.x));
    EXPECT_EQ(test::bitsOf(v.r), c.red);
    EXPECT_EQ(test::bitsOf(v.b), c.blue);
  }
}

TEST(Gltf, AboveTheBudgetRealPixelsTileTheRectangle) {
  struct Case {
    int largeur;
    int hauteur;
    bool bumpy;
    std::int64_t maxTriangles;
    std::int64_t atLeast = 0;  // where the simplifier gets near the budget, as it should
  };
  const Case cases[] = {{1, 1, false, 2},          {1, 1, false, 3},   {1, 1, false, 1000},
                        {1, 1, false, 4999, 4900}, {2, 1, false, 7},   {1, 3, false, 9000},
                        {1, 1, true, 2},           {1, 1, true, 200, 190},
                        {1, 1, true, 1000},        {1, 1, true, 4000, 3900},
                        {2, 1, true, 2500},        {2, 2, true, 12000, 11800}};
  int simplified = 0;  // meshes the simplifier made, rather than the grid
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.largeur << " x " << c.hauteur << (c.bumpy ? " bumpy" : "")
                                    << " at most " << c.maxTriangles);
    const TempDir dir;
    test::writeFile(dir / "p.map", c.bumpy ? bumpyMap(c.largeur, c.hauteur)
                                           : test::patternMap(c.largeur, c.hauteur));
    MapCells reader((dir / "p.map").string());
    const GltfExport done = exportGltf(reader, (dir / "p.glb").string(), c.maxTriangles);
    simplified += done.kind == MeshKind::kSimplified;
    const Glb glb = readGlb(dir / "p.glb");
    const std::size_t triangles = glb.indices / 3;
    EXPECT_EQ(done.triangles, static_cast<std::int64_t>(triangles));
    EXPECT_GE(triangles, 1u);
    EXPECT_LE(triangles, static_cast<std::size_t>(c.maxTriangles));
    EXPECT_GE(static_cast<std::int64_t>(triangles), c.atLeast);
    for (std::size_t i = 0; i < glb.vertices; ++i) {
      const Vertex v = vertexOf(glb, i);
      ASSERT_TRUE(v.px >= 0 && v.px <= 50 * c.largeur && v.py >= 0 && v.py <= 50 * c.hauteur);
      expectPatternVertex(v, c.bumpy);
    }
    std::vector<bool> used(glb.vertices);
    for (std::size_t i = 0; i < glb.indices; ++i) {
      ASSERT_LT(indexOf(glb, i), glb.vertices);
      used[indexOf(glb, i)] = true;
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 0);  // only the vertices in use
    std::int64_t area = 0;
    for (std::size_t t = 0; t < triangles; ++t) {
      const std::int64_t twice = doubleArea(glb, t);
      ASSERT_GT(twice, 0) << "triangle " << t;
      area += twice;
    }
    EXPECT_EQ(area, 2 * 50 * c.largeur * 50 * c.hauteur);
    EXPECT_NEAR(done.maxError, errorOf(glb, c.largeur, c.hauteur, c.bumpy), 1e-9);
    EXPECT_EQ(done.fallback.empty(), done.kind != MeshKind::kPixelGrid) << done.fallback;
  }
  EXPECT_GE(simplified, 8);  // the others' budgets are below the border's own triangles
}

TEST(Gltf, AHeightGltfCannotHoldIsRefusedAndNothingWritten) {
  const TempDir dir;
  Bytes map = test::patternMap(1, 1);
  // The centre of the record with origin (2, 0) is pixel (3, 1).
  test::setLe32(map, 8 + 159 + 27, 0x7FC00000);
  test::writeFile(dir / "nan.map", map);
  MapCells reader((dir / "nan.map").string());
  test::expectFailure(
      [&] { (void)exportGltf(reader, (dir / "n.glb").string(), kDefaultMaxTriangles); },
      (dir / "nan.map").string() +
          " has a height of nan at pixel (3, 1), which glTF cannot hold\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Gltf, ASizeTheHeaderCannotStateIsRefused) {
  // Chunks are whole words, so the largest .glb the 32-bit length allows is 0xFFFFFFFC bytes:
  // 28 of headers, here 1000 of JSON, and the binary chunk.
  EXPECT_EQ(glbFileBytes(1000, 0xFFFFFFFCu - 1028, "t.glb"), 0xFFFFFFFCu);
  test::expectFailure(
      [] { (void)glbFileBytes(1000, 0x100000000u - 1028, "t.glb"); },
      "t.glb would take 4294967296 bytes, more than a .glb can hold: lower --max-triangles\n");
}

}  // namespace
}  // namespace quorvel
