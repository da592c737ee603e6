// The 3D Tiles of a map and of a world, read back from the files: the tree's structure, the
// measured errors, the shared edges and the leaves' pixels, against the map the tiles are
// cut from.

#include "inspect/tileset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <ogr_srs_api.h>

#include "quorvel/quorvel.h"
#include "quorvel/world.h"
#include "raster_files.h"
#include "test_support.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Matrix = std::array<double, 16>;  // column by column, as 3D Tiles writes them

Matrix times(const Matrix& a, const Matrix& b) {
  Matrix c{};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      for (int k = 0; k < 4; ++k) c[4 * column + row] += a[4 * k + row] * b[4 * column + k];
    }
  }
  return c;
}

std::array<double, 3> apply(const Matrix& m, const std::array<double, 3>& p) {
  std::array<double, 3> q{};
  for (int row = 0; row < 3; ++row) {
    q[row] = m[12 + row] + m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2];
  }
  return q;
}

// A node's glTF vertex: its place in the tileset, z up, and its stored colour.
struct Vertex {
  std::array<double, 3> at;
  std::array<int, 3> colour;
};

struct Node {
  int level = 0;
  Matrix frame{};                       // the node's frame in the tileset's
  std::array<double, 3> low{}, high{};  // its box, in its frame
  double error = 0;
  std::vector<Vertex> vertices;
  std::vector<std::uint32_t> indices;
  std::vector<int> children;
};

int srgbByte(double linear) {
  const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return static_cast<int>(std::lround(255 * c));
}

// The node's one mesh: its primitives read through their accessors, whose vertices lie in one
// buffer view of positions and one of colours, so that a vertex is one whichever primitives
// use it.
void readGlb(const fs::path& path, const Matrix& frame, Node& node) {
  const Bytes bytes = readFile(path);
  const std::uint32_t jsonBytes = getLe32(bytes, 12);
  const Json json = Json::parse(bytes.begin() + 20, bytes.begin() + 20 + jsonBytes);
  const std::size_t bin = 20 + jsonBytes + 8;
  // Where element i of an accessor starts, and its buffer view's stride.
  const auto element = [&](const Json& accessor, std::size_t i, std::size_t size) {
    const Json& view = json["bufferViews"][accessor["bufferView"].get<int>()];
    const std::size_t stride = view.value("byteStride", size);
    return bin + view.value("byteOffset", std::size_t{0}) + accessor.value("byteOffset", 0) +
           stride * i;
  };
  const Json& primitives = json["meshes"][0]["primitives"];
  const Json& positions = json["bufferViews"][json["accessors"][0]["bufferView"].get<int>()];
  const std::size_t count = positions["byteLength"].get<std::size_t>() / 12;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = bin + positions.value("byteOffset", std::size_t{0}) + 12 * i;
    const auto f = [&](int k) { return double{getFloat(bytes, at + 4 * k)}; };
    // glTF's y-up turned z-up, as 3D Tiles does.
    node.vertices.push_back({apply(frame, {f(0), -f(2), f(1)}), {}});
  }
  for (const Json& primitive : primitives) {
    const Json& position = json["accessors"][primitive["attributes"]["POSITION"].get<int>()];
    const Json& colour = json["accessors"][primitive["attributes"]["COLOR_0"].get<int>()];
    const Json& index = json["accessors"][primitive["indices"].get<int>()];
    const std::size_t first = position.value("byteOffset", std::size_t{0}) / 12;
    for (std::size_t i = 0; i < position["count"]; ++i) {
      for (int c = 0; c < 3; ++c) {
        double value = 0;
        if (colour["componentType"] == 5126) {
          value = getFloat(bytes, element(colour, i, 12) + 4 * c);
        } else {
          ASSERT_EQ(colour["componentType"], 5123);
          ASSERT_EQ(colour["normalized"], true);
          const std::size_t at = element(colour, i, 6) + 2 * c;
          value = (bytes[at] | bytes[at + 1] << 8) / 65535.0;
        }
        node.vertices.at(first + i).colour[c] = srgbByte(value);
      }
    }
    for (std::size_t i = 0; i < index["count"]; ++i) {
      const bool wide = index["componentType"] == 5125;
      const std::size_t at = element(index, i, wide ? 4 : 2);
      const std::uint32_t vertex = wide ? getLe32(bytes, at) : bytes[at] | bytes[at + 1] << 8;
      node.indices.push_back(static_cast<std::uint32_t>(first + vertex));
    }
  }
}

// Every node of the tileset in directory, parents before children.
std::vector<Node> readTileset(const fs::path& directory) {
  std::ifstream in(directory / "tileset.json");
  const Json tileset = Json::parse(in);
  EXPECT_EQ(tileset["asset"]["version"], "1.1");
  std::vector<Node> nodes;
  const std::function<int(const Json&, const Matrix&)> walk = [&](const Json& tile,
                                                                  const Matrix& parent) {
    Matrix transform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (tile.contains("transform")) {
      for (int k = 0; k < 16; ++k) transform[k] = tile["transform"][k];
    }
    Node node;
    node.frame = times(parent, transform);
    node.error = tile["geometricError"];
    EXPECT_EQ(tile["refine"], "REPLACE");
    const Json& box = tile["boundingVolume"]["box"];
    for (int k = 0; k < 3; ++k) {
      // Boxes here are aligned with their frame's axes.
      EXPECT_EQ(box[3 + 3 * k + (k + 1) % 3], 0.0);
      node.low[k] = box[k].get<double>() - box[3 + 4 * k].get<double>();
      node.high[k] = box[k].get<double>() + box[3 + 4 * k].get<double>();
    }
    const std::string uri = tile["content"]["uri"];
    node.level = std::stoi(uri.substr(6));
    readGlb(directory / uri, node.frame, node);
    const int index = static_cast<int>(nodes.size());
    nodes.push_back(node);
    for (const Json& child : tile.value("children", Json::array())) {
      const int c = walk(child, nodes[index].frame);
      nodes[index].children.push_back(c);
    }
    return index;
  };
  walk(tileset["root"], Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  return nodes;
}

std::array<double, 3> inFrame(const Matrix& frame, const std::array<double, 3>& p) {
  // Frames here are rotations and translations: the inverse is the transpose.
  const std::array<double, 3> d{p[0] - frame[12], p[1] - frame[13], p[2] - frame[14]};
  std::array<double, 3> q{};
  for (int k = 0; k < 3; ++k)
    q[k] = frame[4 * k] * d[0] + frame[4 * k + 1] * d[1] + frame[4 * k + 2] * d[2];
  return q;
}

bool inside(const Node& node, const std::array<double, 3>& p) {
  const std::array<double, 3> q = inFrame(node.frame, p);
  for (int k = 0; k < 3; ++k) {
    if (q[k] < node.low[k] - 1e-6 || q[k] > node.high[k] + 1e-6) return false;
  }
  return true;
}

// The node's largest vertical distance to the map's pixels, the surface taken through each
// triangle's corners; pixels from their places, 10 units apart.
double errorAgainst(const Node& node, const Map& map) {
  double worst = 0;
  for (std::size_t t = 0; t < node.indices.size(); t += 3) {
    std::array<std::array<double, 3>, 3> v;
    for (int k = 0; k < 3; ++k) {
      const auto& at = node.vertices[node.indices[t + k]].at;
      v[k] = {at[0] / 10, at[1] / 10, at[2]};
    }
    const double area =
        (v[1][0] - v[0][0]) * (v[2][1] - v[0][1]) - (v[1][1] - v[0][1]) * (v[2][0] - v[0][0]);
    EXPECT_GT(area, 0);
    const int x0 = static_cast<int>(std::floor(std::min({v[0][0], v[1][0], v[2][0]})));
    const int x1 = static_cast<int>(std::ceil(std::max({v[0][0], v[1][0], v[2][0]})));
    const int y0 = static_cast<int>(std::floor(std::min({v[0][1], v[1][1], v[2][1]})));
    const int y1 = static_cast<int>(std::ceil(std::max({v[0][1], v[1][1], v[2][1]})));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        double w[3];
        bool in = true;
        for (int k = 0; k < 3; ++k) {
          const auto& a = v[(k + 1) % 3];
          const auto& b = v[(k + 2) % 3];
          w[k] = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
          in = in && w[k] >= -1e-9;
        }
        if (!in) continue;
        const double surface = (w[0] * v[0][2] + w[1] * v[1][2] + w[2] * v[2][2]) / area;
        worst = std::max(worst, std::abs(surface - map.vertexHeight(x, y)));
      }
    }
  }
  return worst;
}

void expectSoundTileset(const fs::path& directory, const Map& map) {
  const std::vector<Node> nodes = readTileset(directory);
  ASSERT_GT(nodes.size(), 5u);
  std::map<int, std::vector<const Node*>> levels;
  for (const Node& node : nodes) {
    SCOPED_TRACE(testing::Message() << "level " << node.level);
    levels[node.level].push_back(&node);
    for (const Vertex& v : node.vertices) ASSERT_TRUE(inside(node, v.at));
    if (node.children.empty()) {
      // A leaf: the map's own pixels, at full resolution.
      EXPECT_EQ(node.level, 0);
      EXPECT_EQ(node.error, 0);
      for (const Vertex& v : node.vertices) {
        const int x = static_cast<int>(std::lround(v.at[0] / 10));
        const int y = static_cast<int>(std::lround(v.at[1] / 10));
        ASSERT_EQ(v.at[0], 10.0 * x);
        ASSERT_EQ(v.at[1], 10.0 * y);
        ASSERT_EQ(v.at[2], map.vertexHeight(x, y)) << x << ", " << y;
        const std::array<std::uint8_t, 3> colour = map.vertexColour(x, y);
        ASSERT_EQ(v.colour, (std::array<int, 3>{colour[0], colour[1], colour[2]}));
      }
      // Its triangles are the map's: each on its pixels, all together covering the leaf once.
      EXPECT_EQ(errorAgainst(node, map), 0);
      double area = 0;
      std::array<double, 2> low{1e300, 1e300}, high{-1e300, -1e300};
      for (std::size_t t = 0; t < node.indices.size(); t += 3) {
        const auto& a = node.vertices[node.indices[t]].at;
        const auto& b = node.vertices[node.indices[t + 1]].at;
        const auto& c = node.vertices[node.indices[t + 2]].at;
        area += ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 200;
        for (int k = 0; k < 2; ++k) {
          low[k] = std::min({low[k], a[k], b[k], c[k]});
          high[k] = std::max({high[k], a[k], b[k], c[k]});
        }
      }
      EXPECT_EQ(area, (high[0] - low[0]) * (high[1] - low[1]) / 100);
      continue;
    }
    EXPECT_LE(node.vertices.size(), 65535u);
    const double measured = errorAgainst(node, map);
    EXPECT_GE(node.error, measured - 1e-6);
    EXPECT_LE(node.error, 4 * measured + 1e-6);
    for (const int c : node.children) {
      const Node& child = nodes[c];
      EXPECT_LE(child.error, node.error);
      EXPECT_EQ(child.level, node.level - 1);
      for (int corner = 0; corner < 8; ++corner) {
        const std::array<double, 3> local{(corner & 1) ? child.high[0] : child.low[0],
                                          (corner & 2) ? child.high[1] : child.low[1],
                                          (corner & 4) ? child.high[2] : child.low[2]};
        EXPECT_TRUE(inside(node, apply(child.frame, local))) << "a child's box corner";
      }
    }
  }
  // Two nodes of a level that touch have the same vertices along their common side.
  for (const auto& [level, members] : levels) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    int pairs = 0;
    for (const Node* a : members) {
      for (const Node* b : members) {
        for (int axis = 0; axis < 2; ++axis) {
          // b east (axis 0) or north (axis 1) of a, sharing the line where a ends.
          const double line = a->frame[12 + axis] + a->high[axis];
          if (std::abs(b->frame[12 + axis] + b->low[axis] - line) > 1e-9) continue;
          const int other = 1 - axis;
          const double from =
              std::max(a->frame[12 + other] + a->low[other], b->frame[12 + other] + b->low[other]);
          const double to = std::min(a->frame[12 + other] + a->high[other],
                                     b->frame[12 + other] + b->high[other]);
          if (to <= from) continue;
          std::set<std::tuple<double, double>> sides[2];
          for (int s = 0; s < 2; ++s) {
            for (const Vertex& v : (s == 0 ? a : b)->vertices) {
              if (v.at[axis] == line && v.at[other] >= from && v.at[other] <= to) {
                sides[s].insert({v.at[other], v.at[2]});
              }
            }
          }
          EXPECT_EQ(sides[0], sides[1]);
          EXPECT_GE(sides[0].size(), 2u);
          ++pairs;
        }
      }
    }
    if (members.size() > 1) {
      EXPECT_GT(pairs, 0);
    }
  }
}

TEST(Tileset, MapsAndWorldsGiveMeasuredLevelsThatMeetWithoutCracks) {
  const TempDir dir;
  std::mt19937 random(34);
  TerrainImages images = randomTerrain(random, 1101, 601, 40);
  writeTerrain(dir / "t", images);
  ImageFiles files;
  files.prefix = (dir / "t").string();
  const Settings settings{{1.0f, 1.0f, 2.0f}, 0.5f, 75.0f, {}};
  compileFiles(files, settings);
  WorldOptions options;
  options.files = files;
  options.settings = settings;
  options.outdir = (dir / "w").string();
  options.tileSize = 101;
  buildWorld(options);
  const Map map((dir / "t.map").string());
  struct Case {
    std::string input;
    std::int64_t nodes;  // leaves, then each level above
    int levels;
  };
  const Case cases[] = {{"t.map", 6 + 2 + 1, 3}, {"w/t.world.json", 66 + 18 + 6 + 2 + 1, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const fs::path out = dir / ("tiles-" + std::to_string(c.levels));
    const TilesetReport first = writeTileset((dir / c.input).string(), out.string());
    EXPECT_EQ(first.nodes, c.nodes);
    EXPECT_EQ(first.levels, c.levels);
    const auto glbs = std::count_if(first.written.begin(), first.written.end(),
                                    [](const auto& file) { return file.first.ends_with(".glb"); });
    EXPECT_EQ(glbs, c.nodes);
    EXPECT_TRUE(fs::is_regular_file(out / "index.html"));
    EXPECT_TRUE(fs::is_regular_file(out / "vendor/three/LICENSE"));
    expectSoundTileset(out, map);
    const TilesetReport again = writeTileset((dir / c.input).string(), out.string());
    EXPECT_TRUE(again.written.empty());
    EXPECT_EQ(again.unchanged, c.nodes);
  }
  // A pixel inside tile (5, 3) changed: the world rebuilds that tile, the tileset the leaf over
  // it and the nodes above.
  images.alt[350 * 1101 + 550] ^= 0x40;
  writeTerrain(dir / "t", images);
  buildWorld(options);
  const TilesetReport changed =
      writeTileset((dir / "w/t.world.json").string(), (dir / "tiles-5").string());
  std::vector<std::string> names;
  for (const auto& [name, bytes] : changed.written) names.push_back(name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"tiles/0/5_3.glb", "tiles/1/2_1.glb", "tiles/2/1_0.glb",
                                      "tiles/3/0_0.glb", "tiles/4/0_0.glb", "tileset.json"}));
}

TEST(Tileset, AGeoreferencedWorldLiesWhereGdalPutsItsPixelsOnTheEarth) {
  const TempDir dir;
  std::mt19937 random(4978);
  const TerrainImages images = randomTerrain(random, 201, 151, 60);
  const Settings settings{{1.0f, 1.0f, 2.0f}, 0.25f, 40.0f, {}};
  // Where GDAL itself puts a pixel's centre: UTM easting and northing of the file's
  // geotransform (rows north first), to WGS 84's geocentric coordinates.
  OGRSpatialReferenceH utm = OSRNewSpatialReference(wktOf(kTerrainEpsg).c_str());
  OGRSpatialReferenceH earth = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(earth, 4978);
  OSRSetAxisMappingStrategy(utm, OAMS_TRADITIONAL_GIS_ORDER);
  OGRCoordinateTransformationH toEarth = OCTNewCoordinateTransformation(utm, earth);
  ASSERT_NE(toEarth, nullptr);
  for (const Stored stored : {Stored::kNorthFirst, Stored::kSouthFirst}) {
    SCOPED_TRACE(stored == Stored::kNorthFirst ? "rows north first" : "rows south first");
    const fs::path prefix = dir / (stored == Stored::kNorthFirst ? "n" : "s");
    writeTerrainRasters(prefix, images, "GTiff", "tif", stored);
    ImageFiles files;
    files.prefix = prefix.string();
    files.ext = "tif";
    const Map map(compileFiles(files, settings).map);
    WorldOptions options;
    options.files = files;
    options.settings = settings;
    options.outdir = (prefix / "world").string();
    options.tileSize = 51;
    const WorldResult world = buildWorld(options);
    const fs::path out = prefix / "tiles";
    writeTileset(world.record, out.string());
    const std::vector<Node> nodes = readTileset(out);
    ASSERT_EQ(nodes.size(), 12u + 4 + 1);
    std::map<int, std::vector<const Node*>> levels;
    for (const Node& node : nodes) {
      levels[node.level].push_back(&node);
      for (const Vertex& v : node.vertices) ASSERT_TRUE(inside(node, v.at)) << node.level;
      for (const int c : node.children) {
        EXPECT_LE(nodes[c].error, node.error);
        for (int corner = 0; corner < 8; ++corner) {
          const Node& child = nodes[c];
          const std::array<double, 3> local{(corner & 1) ? child.high[0] : child.low[0],
                                            (corner & 2) ? child.high[1] : child.low[1],
                                            (corner & 4) ? child.high[2] : child.low[2]};
          EXPECT_TRUE(inside(node, apply(child.frame, local))) << "a child's box corner";
        }
      }
    }
    // The world's corners, at every level: each level's nodes cover the world and keep its
    // border pixels.
    for (const auto& [x, y] : {std::pair{0, 0}, {200, 0}, {0, 150}, {200, 150}}) {
      double e = kTerrainNorthFirst[0] + (x + 0.5) * kTerrainNorthFirst[1];
      double n = kTerrainNorthFirst[3] + (150 - y + 0.5) * kTerrainNorthFirst[5];
      double h = double{map.vertexHeight(x, y)} / settings.zScaleFactor + settings.seaLevel;
      ASSERT_TRUE(OCTTransform(toEarth, 1, &e, &n, &h));
      const std::array<double, 3> expected{e, n, h};
      for (const auto& [level, members] : levels) {
        double nearest = 1e300;
        for (const Node* node : members) {
          for (const Vertex& v : node->vertices) {
            nearest = std::min(nearest, std::hypot(v.at[0] - expected[0], v.at[1] - expected[1],
                                                   v.at[2] - expected[2]));
          }
        }
        EXPECT_LE(nearest, 1.0) << "corner " << x << ", " << y << " at level " << level;
      }
    }
  }
  OCTDestroyCoordinateTransformation(toEarth);
  OSRDestroySpatialReference(earth);
  OSRDestroySpatialReference(utm);
}

}  // namespace
}  // namespace quorvel::test
