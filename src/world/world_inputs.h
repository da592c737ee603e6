#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "image/image_loader.h"
#include "image/texture.h"
#include "quorvel/types.h"
#include "world/tile_plan.h"

namespace quorvel {

struct AltitudeHoles;

// The inputs of one tile: the altitude's window with its ring, the colour images' windows
// (one record a file, a file named for two roles read once).
struct TileInputs {
  std::unique_ptr<Texture> alt;
  std::vector<std::unique_ptr<Texture>> owned;
  std::array<const Texture*, kImageRoles> roles{};
};

// A world's five images: their headers, read once and checked as quorvel checks them, the
// tiles they cut into, and each tile's windows read when it is built. Threads may read tiles'
// inputs at once.
class WorldInputs {
 public:
  // Reads the five images' headers (no pixel is kept) with quorvel's checks in quorvel's
  // order: each image's depth as it is loaded, then the altitude's size, then the colour
  // images' sizes. The loads' notes go to notes. Throws a Failure.
  WorldInputs(const ImageFiles& files, std::int32_t tileSize, bool trustedInputs, NoteSink notes);

  [[nodiscard]] const TilePlan& plan() const { return plan_; }
  [[nodiscard]] const ImageGrid& grid() const { return grid_; }  // the altitude's
  [[nodiscard]] const Texture& altitude() const { return *headers_[0]; }  // its header

  // The SHA-256 of the five files' names, identities (taken before their headers were read)
  // and headers, and of the altitude's alone: while they are unchanged, so are the pixels.
  // Empty when the identities cannot vouch for the pixels: a file that is not a regular file
  // (a pipe, a GDAL name), or trusted inputs (a VRT's sources are other files).
  [[nodiscard]] const std::string& filesKey() const { return filesKey_; }
  [[nodiscard]] const std::string& altitudeKey() const { return altitudeKey_; }
  // The latest change time among the files, in nanoseconds.
  [[nodiscard]] std::int64_t newestCtime() const { return newestCtime_; }

  // The altitude's pixels in window, as a tile reads them; holes and reuse as
  // ImageLoader::loadWindow.
  [[nodiscard]] std::unique_ptr<Texture> altitudeWindow(const PixelWindow& window,
                                                        AltitudeHoles* holes,
                                                        std::unique_ptr<Texture> reuse = {}) const;

  // Tile index's inputs, read into the buffers of a tile given back when there is one.
  [[nodiscard]] TileInputs load(std::int32_t index);
  // A finished tile's inputs, whose pixels the next tile reads into: at most two a thread.
  void giveBack(TileInputs inputs);

  // The SHA-256 of a colour image warped onto the world's grid, whose window's colours come
  // from a margin of the file round it: hashed once, by the first tile that needs it.
  [[nodiscard]] std::string warpedFileHash(const Texture& image);

 private:
  ImageLoader loader_;
  ImageNames names_;
  TerrainTextures headers_{};
  TilePlan plan_;
  ImageGrid grid_;
  std::string filesKey_;
  std::string altitudeKey_;
  std::int64_t newestCtime_ = 0;
  std::mutex spareMutex_;
  std::vector<TileInputs> spare_;
  std::mutex hashesMutex_;
  std::map<std::string, std::string> fileHashes_;  // by name
};

}  // namespace quorvel
