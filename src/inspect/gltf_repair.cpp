#include "inspect/gltf_repair.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <unordered_map>
#include <vector>

namespace quorvel {
namespace {

struct Point {
  std::int64_t x;
  std::int64_t y;
};

// Twice the signed area of (a, b, c): positive counter-clockwise, exact.
std::int64_t cross(const Point& a, const Point& b, const Point& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

class Repair {
 public:
  Repair(const HeightField& field, TerrainMesh& mesh) : field_(field), mesh_(mesh) {}

  Point at(std::uint32_t vertex) const {
    const auto width = static_cast<std::uint32_t>(field_.width);
    const std::uint32_t pixel = mesh_.pixels[vertex];
    return {pixel % width, pixel / width};
  }

  bool upright(std::size_t t) const {
    const std::uint32_t* v = &mesh_.indices[3 * t];
    return cross(at(v[0]), at(v[1]), at(v[2])) > 0;
  }

  // One pass with patches reaching rings vertices beyond the faulty triangles. False when
  // there was nothing to mend.
  bool pass(int rings) {
    const std::size_t triangles = mesh_.indices.size() / 3;
    std::vector<char> marked(mesh_.pixels.size(), 0);
    bool any = false;
    for (std::size_t t = 0; t < triangles; ++t) {
      if (upright(t)) continue;
      any = true;
      for (int k = 0; k < 3; ++k) marked[mesh_.indices[3 * t + k]] = 1;
    }
    if (!any) return false;
    for (int ring = 0; ring < rings; ++ring) {
      std::vector<char> grown = marked;
      for (std::size_t t = 0; t < triangles; ++t) {
        const std::uint32_t* v = &mesh_.indices[3 * t];
        if (marked[v[0]] || marked[v[1]] || marked[v[2]])
          grown[v[0]] = grown[v[1]] = grown[v[2]] = 1;
      }
      marked.swap(grown);
    }
    // The patch: every triangle with a marked vertex, in groups joined through shared edges.
    std::vector<std::uint32_t> patch;
    for (std::size_t t = 0; t < triangles; ++t) {
      const std::uint32_t* v = &mesh_.indices[3 * t];
      if (marked[v[0]] || marked[v[1]] || marked[v[2]])
        patch.push_back(static_cast<std::uint32_t>(t));
    }
    std::vector<std::uint32_t> group(patch.size());
    std::iota(group.begin(), group.end(), 0);
    const auto root = [&group](std::uint32_t i) {
      while (group[i] != i) i = group[i] = group[group[i]];
      return i;
    };
    std::unordered_map<std::uint64_t, std::uint32_t> edgeOwner;
    for (std::uint32_t i = 0; i < patch.size(); ++i) {
      for (int k = 0; k < 3; ++k) {
        const std::uint64_t a = mesh_.indices[3 * patch[i] + k];
        const std::uint64_t b = mesh_.indices[3 * patch[i] + (k + 1) % 3];
        const auto [place, fresh] = edgeOwner.try_emplace(std::min(a, b) << 32 | std::max(a, b), i);
        if (!fresh) group[root(i)] = root(place->second);
      }
    }
    // Ordered, so that the triangles come out the same on every run and every library.
    std::map<std::uint32_t, std::vector<std::uint32_t>> groups;
    for (std::uint32_t i = 0; i < patch.size(); ++i) groups[root(i)].push_back(patch[i]);

    std::vector<char> replaced(triangles, 0);
    std::vector<std::uint32_t> added;
    for (const auto& entry : groups) {
      std::vector<std::vector<std::uint32_t>> loops;
      if (!outline(entry.second, loops)) continue;
      std::vector<std::uint32_t> fill;
      bool filled = true;
      for (const std::vector<std::uint32_t>& loop : loops) filled = filled && clipEars(loop, fill);
      if (!filled || fill.size() / 3 > entry.second.size()) continue;
      for (const std::uint32_t t : entry.second) replaced[t] = 1;
      added.insert(added.end(), fill.begin(), fill.end());
    }
    std::vector<std::uint32_t> indices;
    indices.reserve(mesh_.indices.size());
    for (std::size_t t = 0; t < triangles; ++t) {
      if (!replaced[t])
        indices.insert(indices.end(), &mesh_.indices[3 * t], &mesh_.indices[3 * t + 3]);
    }
    indices.insert(indices.end(), added.begin(), added.end());
    mesh_.indices.swap(indices);
    return true;
  }

  bool allUpright() const {
    for (std::size_t t = 0; t < mesh_.indices.size() / 3; ++t) {
      if (!upright(t)) return false;
    }
    return true;
  }

 private:
  // The edges of the group that no other triangle of it shares, as loops of vertices. Where
  // the patch touches itself at a corner, the loop arriving there leaves by the edge nearest
  // clockwise from the way back, which keeps each loop round one piece of the patch. False
  // when an edge is left over twice the same way.
  bool outline(const std::vector<std::uint32_t>& triangles,
               std::vector<std::vector<std::uint32_t>>& loops) const {
    std::unordered_map<std::uint64_t, int> directed;
    for (const std::uint32_t t : triangles) {
      for (int k = 0; k < 3; ++k) {
        const std::uint64_t a = mesh_.indices[3 * t + k];
        const std::uint64_t b = mesh_.indices[3 * t + (k + 1) % 3];
        // A pair walked both ways is inside; what is left is the outline.
        const auto back = directed.find(b << 32 | a);
        if (back != directed.end() && back->second > 0) {
          --back->second;
        } else {
          ++directed[a << 32 | b];
        }
      }
    }
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> leaving;
    std::size_t edges = 0;
    for (const auto& [edge, count] : directed) {
      if (count == 0) continue;
      if (count != 1) return false;
      leaving[static_cast<std::uint32_t>(edge >> 32)].push_back(
          static_cast<std::uint32_t>(edge & 0xFFFFFFFF));
      ++edges;
    }
    // Deterministic whatever the hash order: loops start from the smallest vertex left.
    std::vector<std::uint32_t> starts;
    for (auto& [vertex, targets] : leaving) {
      std::sort(targets.begin(), targets.end());
      starts.push_back(vertex);
    }
    std::sort(starts.begin(), starts.end());
    std::size_t walked = 0;
    for (const std::uint32_t start : starts) {
      while (!leaving[start].empty()) {
        std::vector<std::uint32_t> loop{start};
        std::uint32_t from = start;
        std::uint32_t to = leaving[start].front();
        leaving[start].erase(leaving[start].begin());
        ++walked;
        while (to != start) {
          if (loop.size() > edges) return false;
          loop.push_back(to);
          std::vector<std::uint32_t>& out = leaving[to];
          if (out.empty()) return false;
          const Point here = at(to);
          const Point back{at(from).x - here.x, at(from).y - here.y};
          std::size_t pick = 0;
          for (std::size_t i = 1; i < out.size(); ++i) {
            const Point a{at(out[pick]).x - here.x, at(out[pick]).y - here.y};
            const Point b{at(out[i]).x - here.x, at(out[i]).y - here.y};
            if (turnsFurther(back, b, a)) pick = i;
          }
          from = to;
          to = out[pick];
          out.erase(out.begin() + static_cast<std::ptrdiff_t>(pick));
          ++walked;
        }
        loops.push_back(std::move(loop));
      }
    }
    return walked == edges;
  }

  // True when b lies further than a counter-clockwise from the direction back, the angles
  // taken in [0, 2 pi): the edge nearest clockwise from back is the one furthest this way.
  static bool turnsFurther(const Point& back, const Point& b, const Point& a) {
    const Point origin{0, 0};
    const auto half = [&](const Point& v) {
      const std::int64_t side = cross(origin, back, v);
      return side < 0 || (side == 0 && back.x * v.x + back.y * v.y < 0);
    };
    if (half(a) != half(b)) return half(b);
    return cross(origin, a, b) > 0;
  }

  // Cuts ears off a counter-clockwise polygon: a corner that turns left and whose triangle
  // holds no other corner, not even on its sides. A simple polygon always has one; false
  // when none is found, or the polygon turns the wrong way. Of the ears, the one with the
  // shortest diagonal goes first, which avoids long slivers; a large polygon takes the next
  // ear along instead, as the search is then too slow.
  bool clipEars(std::vector<std::uint32_t> polygon, std::vector<std::uint32_t>& out) const {
    constexpr std::size_t kLargest = 4096;
    constexpr std::size_t kChoosy = 256;
    if (polygon.size() > kLargest) return false;
    std::int64_t area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      area += cross({0, 0}, at(polygon[i]), at(polygon[(i + 1) % polygon.size()]));
    }
    if (area <= 0) return false;
    std::size_t from = 0;
    while (polygon.size() > 3) {
      const std::size_t n = polygon.size();
      std::size_t best = n;
      std::int64_t bestLength = 0;
      for (std::size_t step = 0; step < n; ++step) {
        const std::size_t i = (from + step) % n;
        const Point p = at(polygon[(i + n - 1) % n]);
        const Point q = at(polygon[i]);
        const Point r = at(polygon[(i + 1) % n]);
        if (cross(p, q, r) <= 0) continue;
        const std::int64_t length = (r.x - p.x) * (r.x - p.x) + (r.y - p.y) * (r.y - p.y);
        if (best < n && length >= bestLength) continue;
        bool empty = true;
        for (std::size_t j = 0; j < n && empty; ++j) {
          if (j == i || j == (i + n - 1) % n || j == (i + 1) % n) continue;
          const Point s = at(polygon[j]);
          empty = cross(p, q, s) < 0 || cross(q, r, s) < 0 || cross(r, p, s) < 0;
        }
        if (!empty) continue;
        best = i;
        bestLength = length;
        if (n > kChoosy) break;
      }
      if (best == n) return false;
      out.insert(out.end(), {polygon[(best + n - 1) % n], polygon[best], polygon[(best + 1) % n]});
      polygon.erase(polygon.begin() + static_cast<std::ptrdiff_t>(best));
      from = best;
    }
    if (cross(at(polygon[0]), at(polygon[1]), at(polygon[2])) <= 0) return false;
    out.insert(out.end(), polygon.begin(), polygon.end());
    return true;
  }

  const HeightField& field_;
  TerrainMesh& mesh_;
};

}  // namespace

bool repairFolds(const HeightField& field, TerrainMesh& mesh) {
  Repair repair(field, mesh);
  for (const int rings : {0, 1, 2, 3, 5, 8}) {
    if (!repair.pass(rings)) return true;
  }
  return repair.allUpright();
}

}  // namespace quorvel
