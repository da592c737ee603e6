#include "world/world_light.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <utility>

#include "failure.h"
#include "map/altitude_step.h"
#include "map/sky_view.h"
#include "map/sun_shadow.h"
#include "page_advice.h"
#include "world/sample_digest.h"
#include "world/sha256.h"

namespace quorvel {
namespace {

// The last of spares taken out under mutex, or an empty one when there is none.
template <class Spare>
Spare takeLast(std::mutex& mutex, std::vector<Spare>& spares) {
  const std::lock_guard lock(mutex);
  if (spares.empty()) return {};
  Spare spare = std::move(spares.back());
  spares.pop_back();
  return spare;
}

SkyRectangle rectangleOf(const PixelWindow& window) {
  return SkyRectangle{window.x0, window.y0, window.width, window.height};
}

// The digest of a window's samples and where it lies, the same on every processor.
std::string windowDigest(const Texture& window) {
  Sha256 sha;
  std::uint8_t place[4 * 8];
  const std::int64_t corners[4] = {window.x0, window.y0, window.width, window.height};
  for (int i = 0; i < 32; ++i) {
    place[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(corners[i / 8]) >> (8 * (i % 8)));
  }
  sha.update(place, sizeof place);
  const SampleDigest samples = sampleDigestOf(window);
  sha.update(samples.data(), samples.size());
  const Sha256Digest digest = sha.finish();
  return std::string(digest.begin(), digest.end());
}

// The lowest height of the window's pixels of alt, as SunShadow computes heights. For
// integer samples, the lowest and highest sample times the z scale: each product is exact, so
// the smaller is the lowest of all the pixels' heights, found in a loop the compiler widens.
double lowestHeight(const Texture& alt, const PixelWindow& window, double zScale) {
  double lowest = std::numeric_limits<double>::infinity();
  visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
    const auto rowOf = [&](std::int32_t y) {
      return alt.pixels.data() +
             (static_cast<std::size_t>(y - alt.y0) * static_cast<std::size_t>(alt.width) +
              static_cast<std::size_t>(window.x0 - alt.x0)) *
                 sizeof(Sample);
    };
    if constexpr (std::is_integral_v<Sample>) {
      if (zScale != 0.0 && window.width > 0 && window.height > 0) {
        Sample low = std::numeric_limits<Sample>::max();
        Sample high = std::numeric_limits<Sample>::lowest();
        for (std::int32_t y = window.y0; y < window.y0 + window.height; ++y) {
          widenIntegerExtremes(rowOf(y), static_cast<std::size_t>(window.width), low, high);
        }
        lowest = std::min(static_cast<double>(low) * zScale, static_cast<double>(high) * zScale);
        return;
      }
    }
    for (std::int32_t y = window.y0; y < window.y0 + window.height; ++y) {
      const std::uint8_t* row = rowOf(y);
      for (std::int32_t i = 0; i < window.width; ++i) {
        Sample sample;
        std::memcpy(&sample, row + static_cast<std::size_t>(i) * sizeof(Sample), sizeof sample);
        const double height = static_cast<double>(sample) * zScale;
        lowest = height < lowest ? height : lowest;
      }
    }
  });
  return lowest;
}

}  // namespace

WorldLight::WorldLight(const Settings& given, const Vector3& light, const TilePlan& plan,
                       SampleFormat sampleFormat, std::string outdir, std::string base,
                       std::string altitudeName)
    : given_(given),
      light_(light),
      plan_(plan),
      outdir_(std::move(outdir)),
      base_(std::move(base)),
      altitudeName_(std::move(altitudeName)) {
  settings_ = HorizonSettings{plan.worldWidth,       plan.worldHeight,      plan.tileSize,
                              given.baked.skyDirections, given.zScaleFactor, sampleFormat};
  if (settings_.directions > 0 &&
      !skyWindowIsExact(sampleFormat, given.zScaleFactor, plan.worldWidth, plan.worldHeight)) {
    throw Failure(ErrorKind::kUsage,
                  "erreur: --sky sur un monde demande une altitude en entiers de 8 ou 16 bits\n",
                  "a world's sky is worked out in whole samples, the same in every tile; its sides "
                  "must be at most " +
                      std::to_string(kLargestSkyLine) + " pixels\n");
  }
  for (std::int32_t index = 0; index < plan.count(); ++index) files_.push_back(pathOf(index));
  // A section lies beyond a few tiles on each side, and a run's tiles go row by row: the
  // sections of the rows about the tiles being built are what is read again.
  if (settings_.directions > 0) sections_ = std::make_unique<HorizonSections>(32u << 20);
}

std::string WorldLight::pathOf(std::int32_t index) const {
  return (std::filesystem::path(outdir_) /
          horizonsFileName(base_, plan_.column(index), plan_.row(index)))
      .string();
}

bool WorldLight::buildHorizons(std::int32_t index, const AltitudeWindowLoader& load) const {
  const std::string& path = files_[static_cast<std::size_t>(index)];
  const std::string key = horizonKey(settings_, index);
  const FileIdentity altitude = fileIdentityOf(altitudeName_);
  const std::optional<HorizonsHead> head = readHorizonsHead(path);
  if (head && head->key == key && altitude != FileIdentity{} && head->altitude == altitude) {
    return false;
  }
  std::unique_ptr<Texture> window = loadWindow(load, plan_.window(index));
  const bool wrote =
      writeHorizons(path, settings_, plan_, index, *window, altitude, windowDigest(*window));
  keepWindow(std::move(window));
  return wrote;
}

// The altitude's windows are read into the pixels of windows read before: fresh pixels cost
// a page fault and a zeroed page each, several times the reading of a tile's window. Only
// speed.
std::unique_ptr<Texture> WorldLight::loadWindow(const AltitudeWindowLoader& load,
                                                const PixelWindow& window) const {
  return load(window, takeLast(spareMutex_, spareWindows_));
}

void WorldLight::keepWindow(std::unique_ptr<Texture> window) const {
  if (!window) return;
  const std::lock_guard lock(spareMutex_);
  spareWindows_.push_back(std::move(window));
}

void WorldLight::readHorizons() {
  const FileIdentity altitude = fileIdentityOf(altitudeName_);
  double lowest = std::numeric_limits<double>::infinity();
  double highest = -std::numeric_limits<double>::infinity();
  for (std::int32_t index = 0; index < plan_.count(); ++index) {
    const std::string& path = files_[static_cast<std::size_t>(index)];
    const std::optional<HorizonsHead> head = readHorizonsHead(path);
    if (!head || head->key != horizonKey(settings_, index) || head->altitude != altitude) {
      throw Failure(head ? ErrorKind::kFormat : ErrorKind::kOpen,
                    "erreur: " + path +
                        (head ? " vient d'autres entr\xe9"
                                "es"
                              : " manque") +
                        ": lancez d'abord quorvel-world --stage horizons\n",
                    "the tiles' sky and shadows start from what every tile hands on: run the "
                    "horizons stage with the same images and options first\n");
    }
    lowest = std::min(lowest, head->lowest);
    highest = std::max(highest, head->highest);
  }
  ceiling_ = sunCeiling(lowest, highest, given_.zScaleFactor);
}

WorldLight::Tile WorldLight::gather(std::int32_t index, const Texture& alt,
                                    const AltitudeWindowLoader& load) {
  Tile tile;
  const PixelWindow window = plan_.window(index);
  std::string digest;
  if (settings_.directions > 0) {
    // A tile's seeds are megabytes, grown a vertex at a time: in the storage of a tile already
    // built they are neither copied as it grows nor written on fresh pages. Only speed.
    tile.seeds =
        std::make_unique<HorizonSeeds>(settings_, plan_, rectangleOf(window), files_,
                                       sections_.get(), takeLast(spareMutex_, spareSeeds_));
    digest += tile.seeds->digest();
  }
  if (given_.baked.shadows) {
    const SunReach reach =
        sunReach(plan_.worldWidth, plan_.worldHeight, light_, given_.baked.sunDiameter, ceiling_,
                 lowestHeight(alt, window, given_.zScaleFactor), window.x0, window.y0,
                 window.width, window.height);
    const std::int64_t reachPixels = std::int64_t{reach.columns} * reach.rows;
    const std::int64_t stretchPixels = 4 * std::int64_t{plan_.tileSize + 2} * (plan_.tileSize + 2);
    if (reachPixels > stretchPixels) {
      tile.shares = stretchedShares(window, reach, load, digest);
    } else {
      tile.reach = loadWindow(load, PixelWindow{reach.x0, reach.y0, reach.columns, reach.rows});
      digest += windowDigest(*tile.reach);
    }
  }
  tile.digest = digest;
  return tile;
}

// A low sun's marches go far beyond the tile, and the window round it that holds them all
// would grow with the world: they are taken a tile's side of steps at a time, each stretch
// over the window its steps read, which is at most about four tiles' pixels. The tangents are
// the same whatever the stretches (a march's result is its steepest tangent), and so are the
// shares. Every pixel's share is worked out, lit or not: the factors are not known yet.
std::unique_ptr<double[]> WorldLight::stretchedShares(const PixelWindow& window,
                                                      const SunReach& reach,
                                                      const AltitudeWindowLoader& load,
                                                      std::string& digest) const {
  const auto steps = static_cast<int>(reach.steps);
  const int stretch = plan_.tileSize;
  SunShadow::Marches marches;
  marches.x0 = window.x0;
  marches.y0 = window.y0;
  marches.columns = window.width;
  marches.rows = window.height;
  Sha256 sha;
  std::unique_ptr<Texture> samples;  // one stretch's at a time
  std::unique_ptr<SunShadow> sun;
  for (int from = 0; from == 0 || from <= steps; from += from == 0 ? stretch + 1 : stretch) {
    const int to = from == 0 ? std::min(stretch, steps) : std::min(from + stretch - 1, steps);
    const SunReach part = sunStretch(plan_.worldWidth, plan_.worldHeight, light_, window.x0,
                                     window.y0, window.width, window.height, from, to);
    if (part.columns == 0) break;
    sun.reset();
    samples.reset();
    samples = load(PixelWindow{part.x0, part.y0, part.columns, part.rows}, nullptr);
    const std::string partDigest = windowDigest(*samples);
    sha.update(partDigest.data(), partDigest.size());
    sun = std::make_unique<SunShadow>(*samples, plan_.worldWidth, plan_.worldHeight,
                                      given_.zScaleFactor, light_, given_.baked.sunDiameter,
                                      ceiling_);
    sun->march(marches, from, to);
  }
  const Sha256Digest whole = sha.finish();
  digest += std::string(whole.begin(), whole.end());
  const std::size_t count =
      static_cast<std::size_t>(window.width) * static_cast<std::size_t>(window.height);
  auto shares = std::make_unique_for_overwrite<double[]>(count);
  sun->finish(marches, shares.get());
  return shares;
}

// The sums of an earlier tile when one is large enough: the sweeps' first direction stores
// every sum, and fresh memory costs the kernel a zeroed page for each of its pages (some
// 0.15 s of CPU over the 5001 x 5001 benchmark world in tiles of 1001). Only speed.
void WorldLight::takeSums(std::size_t count, Tile& tile) {
  {
    const std::lock_guard lock(spareMutex_);
    const auto fits = std::find_if(spare_.begin(), spare_.end(),
                                   [count](const auto& sums) { return sums.first >= count; });
    if (fits != spare_.end()) {
      tile.occlusionSize = fits->first;
      tile.occlusion = std::move(fits->second);
      spare_.erase(fits);
      return;
    }
    spare_.clear();  // too small: the next tiles are the same size as this one
  }
  tile.occlusion = std::make_unique_for_overwrite<double[]>(count);
  tile.occlusionSize = count;
  // Fresh memory, whose first touch by the sweeps took a page fault every 4 kB: its pages
  // are made in one call, 2 MiB each where the system offers them, as the sweeps of a whole
  // map have theirs. Only speed.
  adviseHugePages(tile.occlusion.get(), count * sizeof(double));
  populatePages(tile.occlusion.get(), count * sizeof(double));
}

void WorldLight::giveBack(Tile& tile) {
  tile.sun.reset();  // it reads the reach
  keepWindow(std::move(tile.reach));
  const std::lock_guard lock(spareMutex_);
  if (tile.seeds) {
    spareSeeds_.push_back(tile.seeds->takeStorage());
    tile.seeds.reset();
  }
  if (tile.occlusion) {
    spare_.emplace_back(tile.occlusionSize, std::move(tile.occlusion));
    tile.occlusionSize = 0;
  }
}

Shading WorldLight::shade(std::int32_t index, const Texture& alt, Tile& tile, int threads) {
  const PixelWindow window = plan_.window(index);
  const std::size_t count =
      static_cast<std::size_t>(window.width) * static_cast<std::size_t>(window.height);
  Shading shading;
  shading.x0 = window.x0;
  shading.y0 = window.y0;
  shading.columns = window.width;
  if (tile.seeds) {
    takeSums(count, tile);
    const HorizonSeeds& seeds = *tile.seeds;
    skyOcclusionOfWindow(
        alt, given_.zScaleFactor, settings_.directions,
        SkyWindow{plan_.worldWidth, plan_.worldHeight, window.x0, window.y0, window.width,
                  window.height},
        [&seeds](int d, int c, int o, int) { return seeds.seed(d, c, o); },
        tile.occlusion.get(), threads);
    shading.skyOcclusion = tile.occlusion.get();
  }
  if (tile.reach) {
    tile.sun = std::make_unique<SunShadow>(*tile.reach, plan_.worldWidth, plan_.worldHeight,
                                           given_.zScaleFactor, light_, given_.baked.sunDiameter,
                                           ceiling_);
    shading.sun = tile.sun.get();
  }
  if (tile.shares) shading.sunShares = tile.shares.get();
  return shading;
}

}  // namespace quorvel
