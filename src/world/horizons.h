#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/texture.h"
#include "map/sky_view.h"
#include "world/tile_plan.h"
#include "world/world_files.h"

namespace quorvel {

// What one tile of a world hands on to the others for the light baked across tiles: its
// samples' extremes (the shadows' marches are bounded by the world's highest terrain) and, for
// each sky direction, the upper hull of its heights on each line of pixels through it. The
// hull of a line's heights beyond a pixel is the hull of the hulls of the pieces of the line
// beyond it, so that every tile's sweep starts from the hulls of the tiles beyond it on its
// lines, computed by each tile on its own.
//
// The pieces: for a direction that goes toward larger x, a tile's piece takes the columns
// after its first (the world's first tile, all of them), for one that does not, those before
// its last (the world's last tile, all of them); rows likewise. Each line's pixels beyond a
// tile then lie in whole pieces of other tiles, none of them in the tile.
//
// The file, "<base>_<column>_<row>.horizons", little-endian: the text "quorvel horizons 2\n",
// the key (32 bytes, horizonKey), the altitude file's identity (5 x 8 bytes: size,
// modification and change times in nanoseconds, inode, device; 0 when it has none), the digest of the tile's samples (32 bytes),
// the lowest and highest sample (2 doubles), the number of directions D, then for each the
// offset and size in bytes of its section (2 x 8 bytes); each section, line by line in
// forEachSkyLine's order over the piece: the number of hull vertices, then for each, farthest
// first, the steps between it and the one before (for the first, the line's last step in the
// piece + 1), less 1, and its height less the one before's (0 for the first) zigzagged (0, -1,
// 1, -2 ... as 0, 1, 2, 3 ...), each number an unsigned LEB128 varint: a tile's hulls mostly
// rise and fall by little between vertices a few pixels apart, a byte or two each rather than
// the eight of two whole integers.

// The identity of a file, all 0 when it has none (identityOf).
[[nodiscard]] FileIdentity fileIdentityOf(const std::string& fileName);

// What every tile's horizons are made under: the world's size, the tiles, the directions, the
// z scale's sign (the hulls are those of the negated samples below 0) and the samples' type.
struct HorizonSettings {
  std::int32_t worldWidth = 0;
  std::int32_t worldHeight = 0;
  std::int32_t tileSize = 0;
  int directions = 0;  // 0: no sky
  float zScaleFactor = 1.0f;
  SampleFormat sampleFormat = SampleFormat::kUInt8;
};

[[nodiscard]] std::string horizonsFileName(const std::string& base, std::int32_t column,
                                           std::int32_t row);

// The piece of tile index whose hulls a direction's lines take.
[[nodiscard]] SkyRectangle horizonPiece(const TilePlan& plan, std::int32_t index, int directions,
                                        int direction);

// The tile whose piece for direction holds pixel (x, y).
[[nodiscard]] std::int32_t horizonTileOf(const TilePlan& plan, int directions, int direction,
                                         std::int32_t x, std::int32_t y);

// The head of a horizons file.
struct HorizonsHead {
  std::string key;  // 32 bytes
  FileIdentity altitude;
  std::string samples;  // 32 bytes
  double lowest = 0.0;
  double highest = 0.0;
  std::vector<std::pair<std::int64_t, std::int64_t>> sections;
};

[[nodiscard]] std::string horizonKey(const HorizonSettings& settings, std::int32_t index);

// The head of the file, or nothing when it is missing or not such a file.
[[nodiscard]] std::optional<HorizonsHead> readHorizonsHead(const std::string& fileName);

// Computes tile index's horizons from window, which holds at least its pixels (plan.window),
// and writes them to fileName unless the file already holds them. samples is the digest of
// the window's samples. Returns whether it wrote.
bool writeHorizons(const std::string& fileName, const HorizonSettings& settings,
                   const TilePlan& plan, std::int32_t index, const Texture& window,
                   const FileIdentity& altitude, const std::string& samples);

// The lowest and highest sample of the window's pixels that are comparable (NaNs left out).
void sampleExtremes(const Texture& window, double& lowest, double& highest);

// The sections of the tiles' horizons files that tiles read, each decoded once and shared by
// the tiles of a run (a section lies beyond several tiles), the least recently used let go
// beyond a budget of bytes, so that memory stays bounded whatever the world. Safe to share
// between threads.
class HorizonSections {
 public:
  explicit HorizonSections(std::size_t budgetBytes);
  ~HorizonSections();
  HorizonSections(const HorizonSections&) = delete;
  HorizonSections& operator=(const HorizonSections&) = delete;

  struct Impl;

 private:
  friend class HorizonSeeds;
  std::unique_ptr<Impl> impl_;
};

// The hulls a tile's sweep starts from: for each direction and each line through the window,
// the hull of the world's heights beyond the window, from the horizons files of the tiles
// beyond. Throws a Failure when a file cannot be read.
class HorizonSeeds {
 public:
  // sections, when given, holds the decoded sections of the files, read into it when absent.
  // The vertices are kept in storage, emptied first (another tile's, from takeStorage).
  HorizonSeeds(const HorizonSettings& settings, const TilePlan& plan, const SkyRectangle& window,
               const std::vector<std::string>& files, HorizonSections* sections = nullptr,
               std::vector<SkyVertex> storage = {});

  // Where the vertices were kept, for another tile's seeds; these are spent afterwards.
  [[nodiscard]] std::vector<SkyVertex> takeStorage() { return std::move(vertices_); }

  [[nodiscard]] std::span<const SkyVertex> seed(int direction, int lineClass, int line) const;
  // Everything the seeds hold, for a tile's fingerprint.
  [[nodiscard]] std::string digest() const;

 private:
  struct Line {
    std::int64_t begin = 0;
    std::int32_t count = 0;
  };
  struct Class {
    int firstLine = 0;
    std::vector<Line> lines;
  };
  std::vector<SkyVertex> vertices_;
  std::vector<std::vector<Class>> directions_;  // by direction, then class
};

}  // namespace quorvel
