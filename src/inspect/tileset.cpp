#include "inspect/tileset.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <tuple>
#include <utility>

#include "failure.h"
#include "file_handle.h"
#include "inspect/fingerprint.h"
#include "inspect/gltf.h"
#include "inspect/mesh_error.h"
#include "inspect/tileset_frame.h"
#include "inspect/tileset_source.h"
#include "inspect/viewer_files.h"
#include "printf_text.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

// A node's glTF holds at most this many vertices, so that any client can draw it with 16-bit
// indices.
constexpr std::int64_t kMaxVertices = 65535;
// The strides a node may thin its pixels by: each divides the next, so that a node's samples
// are among its children's, and 50, so that the terrain's edge (50 n) is a sample.
constexpr int kStrides[] = {1, 2, 10, 50};
// A node aims at no more than this many samples across before it is simplified.
constexpr std::int64_t kSamplesAcross = 500;
// What the tileset's JSON and every node's fingerprint start with: a new layout, a new
// fingerprint.
constexpr const char* kLayout = "quorvel 3D Tiles 3";

struct NodeId {
  int level = 0;  // 0: a leaf
  std::int64_t column = 0;
  std::int64_t row = 0;
  bool operator<(const NodeId& o) const {
    return std::tie(level, column, row) < std::tie(o.level, o.column, o.row);
  }
};

// Heights of the leaves read by this run, in a temporary file: what measuring a node's error
// reads again, without holding the terrain in memory. Threads may put and get at once; a
// leaf is put before any get of it.
class HeightStore {
 public:
  HeightStore() : file_(std::tmpfile()) {
    if (!file_)
      throw Failure(ErrorKind::kWrite,
                    "cannot create a temporary file for the tileset's heights\n");
  }
  void put(const NodeId& leaf, const std::vector<float>& heights) {
    const std::size_t bytes = heights.size() * sizeof(float);
    off_t at = 0;
    {
      const std::lock_guard<std::mutex> lock(placesUse_);
      if (places_.count(leaf) != 0) return;
      at = end_;
      end_ += static_cast<off_t>(bytes);
      places_[leaf] = {at, heights.size()};
    }
    if (!whole(::pwrite(fileno(file_.get()), heights.data(), bytes, at), bytes)) fail();
  }
  [[nodiscard]] std::vector<float> get(const NodeId& leaf) const {
    std::pair<off_t, std::size_t> place;
    {
      const std::lock_guard<std::mutex> lock(placesUse_);
      place = places_.at(leaf);
    }
    std::vector<float> heights(place.second);
    const std::size_t bytes = heights.size() * sizeof(float);
    if (!whole(::pread(fileno(file_.get()), heights.data(), bytes, place.first), bytes)) fail();
    return heights;
  }

 private:
  // A leaf's heights are a few megabytes, which a regular file takes or gives in one call.
  [[nodiscard]] static bool whole(ssize_t done, std::size_t bytes) {
    return done >= 0 && static_cast<std::size_t>(done) == bytes;
  }
  [[noreturn]] static void fail() {
    throw Failure(ErrorKind::kWrite, "cannot write the tileset's heights to a temporary file\n");
  }
  std::unique_ptr<std::FILE, FileCloser> file_;
  mutable std::mutex placesUse_;
  std::map<NodeId, std::pair<off_t, std::size_t>> places_;
  off_t end_ = 0;
};

// The samples of a node: its terrain thinned by stride, or the leaf's pixels.
struct Built {
  HeightField field;
  PixelSpan span;
  float lowest = 0;  // the heights under the node at full resolution
  float highest = 0;
  Json tile;
  double error = 0;  // its geometricError
  // The files this node and those below it wrote, children first, in the order of a build on
  // one thread.
  std::vector<std::pair<std::string, std::uint64_t>> written;
};

class Builder {
 public:
  Builder(const TerrainSource& source, const std::filesystem::path& directory)
      : source_(source),
        grid_(source.grid()),
        directory_(directory),
        placement_(source.georeference(), source.zScaleFactor(), source.seaLevel(),
                   source.grid().width, source.grid().height) {
    levels_ = 0;
    while ((std::int64_t{1} << levels_) < std::max(grid_.columns, grid_.rows)) ++levels_;
    strides_.push_back(1);
    for (int level = 1; level <= levels_; ++level) {
      const std::int64_t across = (grid_.step << level) / strides_.back();
      int stride = strides_.back();
      for (const int s : kStrides) {
        if (s >= stride && (across * strides_.back() / s <= kSamplesAcross || s == 50)) {
          stride = s;
          break;
        }
      }
      strides_.push_back(stride);
    }
    readPrevious();
  }

  [[nodiscard]] int levels() const { return levels_ + 1; }
  [[nodiscard]] TilesetReport report() const {
    TilesetReport report = report_;
    report.nodes = nodes_;
    report.unchanged = unchanged_;
    return report;
  }

  Json tileset() {
    // Every fingerprint before the threads start, which then only read them.
    fingerprint({levels_, 0, 0});
    Built root = build({levels_, 0, 0}, false);
    report_.written = std::move(root.written);
    root.tile["transform"] = matrixOf(frameOf({levels_, 0, 0}), nullptr);
    Json tileset;
    tileset["asset"] = {{"version", "1.1"},
                        {"generator", std::string("quorvel-inspect ") + version()}};
    tileset["extras"] = {{"layout", kLayout}};
    // Showing nothing at all is off by the whole relief at most; never less than the root.
    tileset["geometricError"] =
        std::max(root.error, (double{root.highest} - root.lowest) * placement_.verticalScale());
    tileset["root"] = std::move(root.tile);
    return tileset;
  }

 private:
  [[nodiscard]] bool exists(const NodeId& id) const {
    return (id.column << id.level) < grid_.columns && (id.row << id.level) < grid_.rows;
  }
  [[nodiscard]] PixelSpan spanOf(const NodeId& id) const {
    const std::int64_t side = grid_.step << id.level;
    return {id.column * side, id.row * side, std::min(grid_.width - 1, (id.column + 1) * side),
            std::min(grid_.height - 1, (id.row + 1) * side)};
  }
  [[nodiscard]] LocalFrame frameOf(const NodeId& id) const {
    const PixelSpan span = spanOf(id);
    if (!placement_.georeferenced()) {
      return placement_.frameAt(static_cast<double>(span.x0), static_cast<double>(span.y0));
    }
    return placement_.frameAt(0.5 * static_cast<double>(span.x0 + span.x1),
                              0.5 * static_cast<double>(span.y0 + span.y1));
  }
  [[nodiscard]] static std::string uriOf(const NodeId& id) {
    return printfText("tiles/%d/%lld_%lld.glb", id.level, static_cast<long long>(id.column),
                      static_cast<long long>(id.row));
  }
  [[nodiscard]] std::vector<NodeId> children(const NodeId& id) const {
    std::vector<NodeId> out;
    if (id.level == 0) return out;
    for (int b = 0; b < 2; ++b) {
      for (int a = 0; a < 2; ++a) {
        const NodeId child{id.level - 1, 2 * id.column + a, 2 * id.row + b};
        if (exists(child)) out.push_back(child);
      }
    }
    return out;
  }

  // Everything the node's file and entry depend on.
  const std::string& fingerprint(const NodeId& id) {
    const auto found = fingerprints_.find(id);
    if (found != fingerprints_.end()) return found->second;
    Fingerprint sha;
    const std::string head =
        printfText("%s %s %d %lld %lld ", kLayout, version(), id.level,
                   static_cast<long long>(id.column), static_cast<long long>(id.row));
    sha.update(head.data(), head.size());
    const std::optional<WorldGeoreference>& georeference = source_.georeference();
    const std::string frame =
        georeference ? printfText("%.17g %.17g %.17g %.17g %.17g %.17g %.9g %.9g ",
                                  georeference->geotransform[0], georeference->geotransform[1],
                                  georeference->geotransform[2], georeference->geotransform[3],
                                  georeference->geotransform[4], georeference->geotransform[5],
                                  source_.zScaleFactor(), source_.seaLevel()) +
                           georeference->crs
                     : "local";
    sha.update(frame.data(), frame.size());
    if (id.level == 0) {
      const std::string leaf = source_.leafFingerprint(id.column, id.row);
      sha.update(leaf.data(), leaf.size());
    }
    for (const NodeId& child : children(id)) {
      const std::string& part = fingerprint(child);
      sha.update(part.data(), part.size());
    }
    return fingerprints_[id] = sha.text();
  }

  void readPrevious() {
    std::ifstream in(directory_ / "tileset.json", std::ios::binary);
    if (!in) return;
    const Json old = Json::parse(std::istreambuf_iterator<char>(in), {}, nullptr, false);
    if (old.is_discarded() || !old.contains("root") || !old.contains("extras") ||
        old.at("extras").value("layout", "") != kLayout) {
      return;
    }
    std::vector<const Json*> pending{&old.at("root")};
    while (!pending.empty()) {
      const Json& tile = *pending.back();
      pending.pop_back();
      if (tile.contains("content") && tile.contains("extras")) {
        previous_[tile.at("content").value("uri", "")] = tile;
      }
      if (tile.contains("children")) {
        for (const Json& child : tile.at("children")) pending.push_back(&child);
      }
    }
  }

  // The previous run's entry for the node, when its inputs are the same and its file is
  // still the one that run wrote.
  const Json* unchanged(const NodeId& id) {
    const auto found = previous_.find(uriOf(id));
    if (found == previous_.end()) return nullptr;
    const Json& extras = found->second.at("extras");
    if (extras.value("fingerprint", "") != fingerprint(id)) return nullptr;
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(directory_ / uriOf(id), error);
    if (error || bytes != extras.value("bytes", std::uintmax_t{0})) return nullptr;
    return &found->second;
  }

  Built build(const NodeId& id, bool needField) {
    const Json* old = unchanged(id);
    if (old != nullptr && !needField && subtreeUnchanged(id)) {
      Built reused;
      reused.tile = *old;
      reused.error = old->at("geometricError").get<double>();
      reused.lowest = old->at("extras").at("heights").at(0).get<float>();
      reused.highest = old->at("extras").at("heights").at(1).get<float>();
      nodes_ += countNodes(id);
      unchanged_ += countNodes(id);
      return reused;
    }
    ++nodes_;
    Built built;
    built.span = spanOf(id);
    std::vector<Built> parts;
    if (id.level == 0) {
      built.field = source_.leaf(id.column, id.row);
      heights_.put(id, built.field.heights);
      const auto [low, high] =
          std::minmax_element(built.field.heights.begin(), built.field.heights.end());
      built.lowest = *low;
      built.highest = *high;
    } else {
      // Siblings are built at once, on the threads the process has free: each subtree's files
      // and entries depend on it alone, so the bytes are the same on any number of threads.
      const std::vector<NodeId> below = children(id);
      parts.resize(below.size());
      const int count = static_cast<int>(below.size());
      runJobs(count, count, [&](int k) { parts[k] = build(below[k], true); });
      for (Built& part : parts) {
        built.written.insert(built.written.end(), part.written.begin(), part.written.end());
        part.written.clear();
      }
      built.field = sampled(id, parts);
      built.lowest = std::numeric_limits<float>::infinity();
      built.highest = -built.lowest;
      for (const Built& part : parts) {
        built.lowest = std::min(built.lowest, part.lowest);
        built.highest = std::max(built.highest, part.highest);
      }
    }
    if (old != nullptr) {
      built.tile = *old;
      built.error = old->at("geometricError").get<double>();
      ++unchanged_;
      return built;
    }
    TerrainMesh mesh = id.level == 0 ? cellFanMesh(built.field) : nodeMesh(built.field);
    double measured = id.level == 0 ? 0.0 : measure(id, built, mesh);
    // In the tileset's units: metres on the globe.
    const double scale = placement_.verticalScale();
    double childError = 0;
    for (const Built& part : parts) childError = std::max(childError, part.error);
    // A node's error is never below its children's, nor more than four times its own
    // measure: a node much finer than its children is simplified further, its border kept,
    // until its own error reaches a quarter of theirs.
    measured = coarsenUntil(built.field, childError / (4 * scale), measured, mesh,
                            [&](const TerrainMesh& coarser) { return measure(id, built, coarser); });
    built.error = std::max(measured * scale, childError);
    const std::string uri = uriOf(id);
    std::filesystem::create_directories((directory_ / uri).parent_path());
    const LocalFrame frame = frameOf(id);
    const Json box = writeNode(built, std::move(mesh), frame, uri, parts, id);
    const std::uint64_t bytes = std::filesystem::file_size(directory_ / uri);
    built.written.emplace_back(uri, bytes);

    Json tile;
    tile["boundingVolume"] = {{"box", box}};
    tile["geometricError"] = built.error;
    tile["refine"] = "REPLACE";
    if (id.level < levels_) {
      const NodeId parent{id.level + 1, id.column / 2, id.row / 2};
      const LocalFrame parentFrame = frameOf(parent);
      tile["transform"] = matrixOf(frame, &parentFrame);
    }
    tile["content"] = {{"uri", uri}};
    tile["extras"] = {{"fingerprint", fingerprint(id)},
                      {"bytes", bytes},
                      {"measured", measured},
                      {"heights", {built.lowest, built.highest}}};
    if (!parts.empty()) {
      tile["children"] = Json::array();
      for (Built& part : parts) tile["children"].push_back(std::move(part.tile));
    }
    built.tile = std::move(tile);
    return built;
  }

  bool subtreeUnchanged(const NodeId& id) {
    if (unchanged(id) == nullptr) return false;
    for (const NodeId& child : children(id)) {
      if (!subtreeUnchanged(child)) return false;
    }
    return true;
  }
  std::int64_t countNodes(const NodeId& id) const {
    std::int64_t count = 1;
    for (const NodeId& child : children(id)) count += countNodes(child);
    return count;
  }

  // The node's samples, every strides_[level] pixels from its corner, read from its
  // children's, which hold them all.
  HeightField sampled(const NodeId& id, const std::vector<Built>& parts) const {
    const int stride = strides_[id.level];
    const PixelSpan span = spanOf(id);
    HeightField field;
    field.stride = stride;
    field.width = static_cast<int>((span.x1 - span.x0) / stride + 1);
    field.height = static_cast<int>((span.y1 - span.y0) / stride + 1);
    field.heights.resize(static_cast<std::size_t>(field.width) * field.height);
    field.colors.resize(field.heights.size());
    for (const Built& part : parts) {
      const HeightField& from = part.field;
      for (std::int64_t y = part.span.y0; y <= part.span.y1; ++y) {
        if ((y - span.y0) % stride != 0) continue;
        for (std::int64_t x = part.span.x0; x <= part.span.x1; ++x) {
          if ((x - span.x0) % stride != 0) continue;
          const std::size_t to = static_cast<std::size_t>((y - span.y0) / stride) * field.width +
                                 static_cast<std::size_t>((x - span.x0) / stride);
          const std::size_t at =
              static_cast<std::size_t>((y - part.span.y0) / from.stride) * from.width +
              static_cast<std::size_t>((x - part.span.x0) / from.stride);
          field.heights[to] = from.heights[at];
          field.colors[to] = from.colors[at];
        }
      }
    }
    return field;
  }

  // Every sample a vertex when they fit, else simplified to fit, the border kept whole.
  static TerrainMesh nodeMesh(const HeightField& field) {
    const std::int64_t quads = std::int64_t{field.width - 1} * (field.height - 1);
    TerrainMesh grid = pixelGridMesh(field, 2 * quads);
    if (static_cast<std::int64_t>(grid.pixels.size()) <= kMaxVertices) return grid;
    // A triangulated disc of v vertices, b on its border, has 2 v - b - 2 triangles.
    const std::int64_t border = 2 * std::int64_t{field.width - 1} + 2 * (field.height - 1);
    std::int64_t target = 2 * kMaxVertices - border - 2;
    std::string failure;
    for (int attempt = 0; attempt < 4; ++attempt, target = target * 9 / 10) {
      TerrainMesh simplified;
      failure = simplifyMesh(field, grid, target, simplified);
      if (failure.empty() && static_cast<std::int64_t>(simplified.pixels.size()) <= kMaxVertices) {
        return simplified;
      }
    }
    throw Failure(ErrorKind::kFormat,
                  "cannot simplify a node of the tileset to 65535 vertices: " + failure + "\n");
  }

  // The largest vertical distance between the mesh and the full-resolution heights of every
  // leaf under the node.
  double measure(const NodeId& id, const Built& built, const TerrainMesh& mesh) const {
    const auto width = static_cast<std::uint32_t>(built.field.width);
    const std::int64_t stride = built.field.stride;
    std::vector<MeshCorner> corners(mesh.pixels.size());
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const std::uint32_t pixel = mesh.pixels[i];
      corners[i] = {built.span.x0 + stride * (pixel % width),
                    built.span.y0 + stride * (pixel / width), double{built.field.heights[pixel]}};
    }
    double worst = 0;
    const std::int64_t leaves = std::int64_t{1} << id.level;
    for (std::int64_t row = id.row * leaves; row < (id.row + 1) * leaves && row < grid_.rows;
         ++row) {
      for (std::int64_t column = id.column * leaves;
           column < (id.column + 1) * leaves && column < grid_.columns; ++column) {
        const PixelSpan leaf = grid_.leaf(column, row);
        const std::vector<float> heights = heights_.get({0, column, row});
        const HeightWindow window{leaf.x0, leaf.y0, leaf.x1 - leaf.x0 + 1, leaf.y1 - leaf.y0 + 1,
                                  heights.data()};
        for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
          const MeshCorner& a = corners[mesh.indices[t]];
          const MeshCorner& b = corners[mesh.indices[t + 1]];
          const MeshCorner& c = corners[mesh.indices[t + 2]];
          if (std::max({a.x, b.x, c.x}) < leaf.x0 || std::min({a.x, b.x, c.x}) > leaf.x1 ||
              std::max({a.y, b.y, c.y}) < leaf.y0 || std::min({a.y, b.y, c.y}) > leaf.y1) {
            continue;
          }
          worst = std::max(worst, triangleError(a, b, c, window));
        }
      }
    }
    return worst;
  }

  // Writes the node's .glb, its vertices in its own frame, and returns its bounding box there,
  // which holds its content and its children's boxes.
  Json writeNode(const Built& built, TerrainMesh mesh, const LocalFrame& frame,
                 const std::string& uri, const std::vector<Built>& parts, const NodeId& id) const {
    const auto width = static_cast<std::uint32_t>(built.field.width);
    const std::int64_t stride = built.field.stride;
    std::vector<Point3> points(mesh.pixels.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      const std::uint32_t pixel = mesh.pixels[i];
      points[i] = {static_cast<double>(built.span.x0 + stride * (pixel % width)),
                   static_cast<double>(built.span.y0 + stride * (pixel / width)),
                   double{built.field.heights[pixel]}};
    }
    placement_.place(points);
    GlbMesh glb;
    glb.positions.reserve(points.size());
    glb.colours.reserve(points.size());
    Point3 low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::infinity()};
    Point3 high{-low[0], -low[1], -low[2]};
    const auto extend = [&low, &high](const Point3& q) {
      for (int k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], q[k]);
        high[k] = std::max(high[k], q[k]);
      }
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point3 q = frame.local(points[i]);
      // glTF is y-up; 3D Tiles turns it z-up: east x, up y, north -z.
      glb.positions.push_back(
          {static_cast<float>(q[0]), static_cast<float>(q[2]), static_cast<float>(-q[1] + 0.0)});
      glb.colours.push_back(built.field.colors[mesh.pixels[i]]);
      extend({double{glb.positions.back()[0]}, -double{glb.positions.back()[2]},
              double{glb.positions.back()[1]}});
    }
    glb.indices = std::move(mesh.indices);
    writeGlbMesh(glb, (directory_ / uri).string());
    // The children's boxes, their corners taken into this frame.
    for (std::size_t k = 0; k < parts.size(); ++k) {
      const LocalFrame childFrame = frameOf(children(id)[k]);
      const Json& box = parts[k].tile.at("boundingVolume").at("box");
      for (int corner = 0; corner < 8; ++corner) {
        Point3 q{};
        for (int axis = 0; axis < 3; ++axis) {
          const double sign = (corner >> axis & 1) != 0 ? 1.0 : -1.0;
          for (int i = 0; i < 3; ++i) {
            q[i] += (axis == 0 ? box[i].get<double>() : 0.0) +
                    sign * box[3 + 3 * axis + i].get<double>();
          }
        }
        extend(frame.local(childFrame.global(q)));
      }
    }
    // A flat node still gets a box of some thickness.
    constexpr double kLeast = 0.5;
    Json box = Json::array();
    for (int k = 0; k < 3; ++k) box.push_back(0.5 * (low[k] + high[k]));
    for (int k = 0; k < 3; ++k) {
      for (int i = 0; i < 3; ++i) {
        box.push_back(i == k ? std::max(0.5 * (high[k] - low[k]), kLeast) : 0.0);
      }
    }
    return box;
  }

  // The node's frame as a 3D Tiles transform: relative to its parent's frame, as transforms
  // add up from the root.
  static Json matrixOf(const LocalFrame& frame, const LocalFrame* parent) {
    std::array<Point3, 3> axes = frame.axes;
    Point3 origin = frame.origin;
    if (parent != nullptr) {
      origin = parent->local(frame.origin);
      // The axes by their components on the parent's, not as differences of points far from
      // the Earth's centre, which would lose half their digits.
      for (Point3& axis : axes) {
        Point3 turned{};
        for (int k = 0; k < 3; ++k) {
          turned[k] = (parent->axes[k][0] * axis[0] + parent->axes[k][1] * axis[1]) +
                      parent->axes[k][2] * axis[2];
        }
        axis = turned;
      }
    }
    Json matrix = Json::array();  // column by column
    for (const Point3& axis : axes) matrix.insert(matrix.end(), {axis[0], axis[1], axis[2], 0.0});
    matrix.insert(matrix.end(), {origin[0], origin[1], origin[2], 1.0});
    return matrix;
  }

  const TerrainSource& source_;
  const LeafGrid& grid_;
  std::filesystem::path directory_;
  TerrainPlacement placement_;
  int levels_ = 0;
  std::vector<int> strides_;
  std::map<NodeId, std::string> fingerprints_;
  std::map<std::string, Json> previous_;
  HeightStore heights_;
  TilesetReport report_;
  std::atomic<std::int64_t> nodes_ = 0;
  std::atomic<std::int64_t> unchanged_ = 0;
};

// Replaces the file by text through a temporary file beside it, unless it already holds
// exactly text; returns whether it wrote.
bool writeIfChanged(const std::string& fileName, const std::string& text) {
  {
    std::ifstream in(fileName, std::ios::binary);
    if (in && std::string(std::istreambuf_iterator<char>(in), {}) == text) return false;
  }
  const std::string temporary = fileName + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw Failure(ErrorKind::kWrite, "cannot write " + temporary + "\n");
  }
  if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
    throw Failure(ErrorKind::kWrite, "cannot write " + fileName + "\n");
  }
  return true;
}

}  // namespace

TilesetReport writeTileset(const std::string& input, const std::string& directory) {
  const TerrainSource source(input);
  std::filesystem::create_directories(directory);
  Builder builder(source, directory);
  const Json tileset = builder.tileset();
  TilesetReport report = builder.report();
  report.levels = builder.levels();
  const std::string name = (std::filesystem::path(directory) / "tileset.json").string();
  if (writeIfChanged(name, tileset.dump() + "\n")) {
    report.written.emplace_back("tileset.json", std::filesystem::file_size(name));
  }
  for (const ViewerFile& file : viewerFiles()) {
    const std::filesystem::path path = std::filesystem::path(directory) / file.name;
    std::filesystem::create_directories(path.parent_path());
    if (writeIfChanged(path.string(), std::string(file.bytes))) {
      report.written.emplace_back(file.name, file.bytes.size());
    }
  }
  return report;
}

}  // namespace quorvel
