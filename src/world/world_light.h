#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "image/texture.h"
#include "map/bloc_encoder.h"
#include "map/sun_shadow.h"
#include "quorvel/types.h"
#include "world/horizons.h"
#include "world/tile_plan.h"

namespace quorvel {

// Reads the altitude's pixels in a window of the world, into reuse's pixels where it can (a
// window read before, given back).
using AltitudeWindowLoader = std::function<std::unique_ptr<Texture>(
    const PixelWindow& window, std::unique_ptr<Texture> reuse)>;

// The sky and the shadows of a world's tiles, each tile's the same as one compile of the whole
// world gives: its sweeps start from the hulls the tiles beyond it hand on (horizons.h), and
// its marches toward the light read the altitude beyond it as far as the world's highest
// terrain can still matter, in one window round the tile, or, under a sun so low that the
// window would hold more than four tiles' pixels, a stretch of steps at a time.
class WorldLight {
 public:
  // given: the settings as given, with their baked light; light: the light direction
  // normalised. Throws a Failure when the sky cannot be worked out exactly for this altitude.
  WorldLight(const Settings& given, const Vector3& light, const TilePlan& plan,
             SampleFormat sampleFormat, std::string outdir, std::string base,
             std::string altitudeName);

  [[nodiscard]] const HorizonSettings& settings() const { return settings_; }

  // The horizons of tile index, written unless its file already holds them: when the file's
  // key and the altitude file's identity are those of this run, without reading a pixel.
  // Returns whether it wrote.
  bool buildHorizons(std::int32_t index, const AltitudeWindowLoader& load) const;

  // Checks, before the tiles, that every tile's horizons file is there and was made from this
  // altitude file under these settings, and reads the world's highest sample from them.
  // Throws a Failure naming the first file that is not, and what to run first.
  void readHorizons();

  // What a tile's light depends on beyond its own pixels, gathered before its fingerprint.
  struct Tile {
    std::unique_ptr<HorizonSeeds> seeds;
    std::unique_ptr<Texture> reach;  // the altitude its marches read
    std::string digest;              // of both
    std::unique_ptr<double[]> occlusion;
    std::size_t occlusionSize = 0;  // the doubles occlusion holds, perhaps more than the tile's
    std::unique_ptr<SunShadow> sun;  // marches the lit pixels only, as the encoder asks
    std::unique_ptr<double[]> shares;  // or, under a low sun, every pixel's share, worked out
  };
  // alt holds the tile's pixels (with its ring). Throws a Failure.
  [[nodiscard]] Tile gather(std::int32_t index, const Texture& alt,
                            const AltitudeWindowLoader& load);
  // Works out the tile's sky and sun, its sky on up to `threads` threads, and returns what the
  // encoder takes.
  [[nodiscard]] Shading shade(std::int32_t index, const Texture& alt, Tile& tile,
                              int threads = 1);
  // Keeps a finished tile's sky sums and its seeds' storage for later tiles to write over.
  void giveBack(Tile& tile);

 private:
  [[nodiscard]] std::string pathOf(std::int32_t index) const;
  void takeSums(std::size_t count, Tile& tile);
  [[nodiscard]] std::unique_ptr<Texture> loadWindow(const AltitudeWindowLoader& load,
                                                    const PixelWindow& window) const;
  void keepWindow(std::unique_ptr<Texture> window) const;
  [[nodiscard]] std::unique_ptr<double[]> stretchedShares(const PixelWindow& window,
                                                         const SunReach& reach,
                                                         const AltitudeWindowLoader& load,
                                                         std::string& digest) const;

  Settings given_;
  Vector3 light_;
  TilePlan plan_;
  HorizonSettings settings_;
  std::string outdir_;
  std::string base_;
  std::string altitudeName_;
  std::vector<std::string> files_;  // every tile's horizons file
  std::unique_ptr<HorizonSections> sections_;  // read by the tiles, shared
  // Sky sums, seeds' storage and altitude windows of tiles that are done: no more live than
  // tiles are worked on at once.
  mutable std::mutex spareMutex_;
  std::vector<std::pair<std::size_t, std::unique_ptr<double[]>>> spare_;
  std::vector<std::vector<SkyVertex>> spareSeeds_;
  mutable std::vector<std::unique_ptr<Texture>> spareWindows_;
  double ceiling_ = 0.0;
};

}  // namespace quorvel
