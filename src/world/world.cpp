#include "quorvel/world.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "failure.h"
#include "image/image_loader.h"
#include "image/raster_reader.h"
#include "library/error.h"
#include "library/settings_check.h"
#include "map/altitude_step.h"
#include "map/height_limits.h"
#include "map/map_file.h"
#include "map/map_format.h"
#include "map/map_writer.h"
#include "quorvel/quorvel.h"
#include "version.h"
#include "world/manifest.h"
#include "world/sample_digest.h"
#include "world/sha256.h"
#include "world/tile_plan.h"
#include "world/world_files.h"

namespace quorvel {
namespace {

// Tiles up to this side are built in pairs: two tiles' inputs, some 13 bytes a pixel each,
// stay under about 100 MB a thread.
constexpr std::int32_t kLargestPairedTile = 2001;

int processors() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// Calls work(n) for n = 0 ... count - 1 on up to jobs threads. After a failure no other n is
// begun, and the failure of the lowest n is thrown: the first in the world's order reports,
// whichever thread met its fault first.
void onThreads(std::int32_t count, int jobs, const std::function<void(std::int32_t)>& work) {
  std::atomic<std::int32_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::int32_t failedAt = count;
  std::exception_ptr failure;
  const auto loop = [&] {
    for (std::int32_t n = next++; n < count && !stop; n = next++) {
      try {
        work(n);
      } catch (...) {
        const std::lock_guard lock(mutex);
        if (n < failedAt) {
          failedAt = n;
          failure = std::current_exception();
        }
        stop = true;
      }
    }
  };
  std::vector<std::thread> others;
  try {
    for (int t = 1; t < std::min<std::int32_t>(jobs, count); ++t) others.emplace_back(loop);
  } catch (const std::system_error&) {
    // No thread to be had: this one does what is left.
  }
  loop();
  for (std::thread& other : others) other.join();
  if (failure) std::rethrow_exception(failure);
}

// The inputs of one tile: the altitude's window with its ring, the colour images' windows
// (one record a file, a file named for two roles read once).
struct TileInputs {
  std::unique_ptr<Texture> alt;
  std::vector<std::unique_ptr<Texture>> owned;
  std::array<const Texture*, kImageRoles> roles{};
};

// A tile of the run with its inputs read and its fingerprint taken; current when its file
// already holds what it would be.
struct PendingTile {
  std::int32_t index = 0;
  WorldTile tile;
  TileInputs inputs;
  bool current = false;
};

void putInt(Sha256& sha, std::int64_t value) {
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
  }
  sha.update(bytes, sizeof bytes);
}

// The digest of an image's samples as little-endian bytes, so that every processor gives the
// same fingerprint.
void putSamples(Sha256& sha, const Texture& image) {
  const std::size_t size = static_cast<std::size_t>(sampleBytes(image.sampleFormat));
  SampleDigest digest;
  if (std::endian::native == std::endian::little || size == 1) {
    digest = sampleDigest(image.pixels.data(), image.pixels.size());
  } else {
    std::vector<std::uint8_t> swapped = image.pixels;
    for (std::size_t at = 0; at + size <= swapped.size(); at += size) {
      std::reverse(swapped.begin() + static_cast<std::ptrdiff_t>(at),
                   swapped.begin() + static_cast<std::ptrdiff_t>(at + size));
    }
    digest = sampleDigest(swapped.data(), swapped.size());
  }
  sha.update(digest.data(), digest.size());
}

void putWindow(Sha256& sha, const PixelWindow& window) {
  for (const std::int32_t value : {window.x0, window.y0, window.width, window.height}) {
    putInt(sha, value);
  }
}

void putText(Sha256& sha, const std::string& text) {
  putInt(sha, static_cast<std::int64_t>(text.size()));
  sha.update(text.data(), text.size());
}

// What a tile's bytes depend on: the tool's version, the settings, the world's size and
// georeferencing, the tile's window, and the pixels it reads (their digest) with their sample
// format; for a colour image warped onto the world's grid, whose window's colours come from a
// margin of the file round it, the file's own SHA-256 (warped, the hash of the file given).
std::string fingerprintOf(const TileInputs& inputs, const Settings& settings, const TilePlan& plan,
                          const PixelWindow& window, const std::optional<Georeference>& place,
                          const std::function<std::string(const Texture&)>& warpedFileHash) {
  Sha256 sha;
  const std::string tag = std::string("quorvel-world tile\n") + kVersion + "\n";
  sha.update(tag.data(), tag.size());
  for (const float value : {settings.lightDirection.x, settings.lightDirection.y,
                            settings.lightDirection.z, settings.zScaleFactor, settings.seaLevel}) {
    putInt(sha, std::bit_cast<std::uint32_t>(value));
  }
  putInt(sha, plan.worldWidth);
  putInt(sha, plan.worldHeight);
  putInt(sha, place ? 1 : 0);
  if (place) {
    for (const double value : place->transform) putInt(sha, std::bit_cast<std::int64_t>(value));
    putText(sha, place->crs);
  }
  putWindow(sha, window);
  for (const Texture* image : inputs.roles) {
    putWindow(sha, {image->x0, image->y0, image->width, image->height});
    putInt(sha, static_cast<int>(image->sampleFormat));
    putInt(sha, image->bytesPerPixel);
    putInt(sha, image->warped ? 1 : 0);
    if (image->warped) {
      putText(sha, warpedFileHash(*image));
    } else {
      putSamples(sha, *image);
    }
  }
  return hexDigest(sha.finish());
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

struct World::State {
  WorldOptions options;
  std::vector<std::string> notes;
  std::mutex notesMutex;
  ImageLoader loader;
  ImageNames names;
  TerrainTextures headers{};
  TilePlan plan;
  ImageGrid grid;  // the altitude's, which the colour images are placed on
  WorldHeader header;
  Settings lit;  // the light direction normalised, as the encoder takes it
  std::string base;
  std::filesystem::path outdir;
  std::vector<WorldTile> runTiles;
  std::vector<std::int32_t> runIndices;
  // What earlier runs recorded of each tile, by file name; any one that matches will do.
  std::multimap<std::string, WorldTile> recorded;
  bool shareTables = false;
  mutable std::mutex tablesMutex;
  mutable std::map<int, std::unique_ptr<TriangleTable>> tables;  // by altitude step
  mutable std::mutex journalMutex;
  mutable std::mutex hashesMutex;
  mutable std::map<std::string, std::string> fileHashes;  // of warped colour images, by name
  // The inputs of finished tiles, whose pixels the next tiles read into: at most two a thread.
  mutable std::mutex spareMutex;
  mutable std::vector<TileInputs> spare;

  explicit State(const WorldOptions& given);
  void note(const std::string& line);
  void loadHeaders();
  void makeOutdir() const;
  void readRecords();
  void checkAltitude() const;
  [[nodiscard]] TileInputs loadInputs(std::int32_t index) const;
  void giveBack(TileInputs inputs) const;
  [[nodiscard]] std::optional<WorldTile> currentRecord(const WorldTile& tile,
                                                       const std::string& fingerprint) const;
  [[nodiscard]] const TriangleTable* tableFor(const Texture& alt) const;
  [[nodiscard]] std::string warpedFileHash(const Texture& image) const;
  [[nodiscard]] int jobs() const { return options.jobs > 0 ? options.jobs : processors(); }
  void writeTile(std::int32_t index, const TileInputs& inputs, int threads, WorldTile& tile) const;
  void writeTilePair(PendingTile& a, PendingTile& b) const;
  void journal(const WorldTile& tile) const;
  [[nodiscard]] PendingTile begin(std::int32_t index) const;
  void end(PendingTile& pending) const;
};

World::State::State(const WorldOptions& given)
    : options(given),
      loader([this](const std::string& line) { note(line); },
             ImageLoaderOptions{given.trustedInputs}) {}

void World::State::note(const std::string& line) {
  const std::lock_guard lock(notesMutex);
  notes.push_back(line);
  if (options.onNote) options.onNote(line);
}

// The five images, headers only (no pixel is kept), with quorvel's checks in quorvel's
// order: each image's depth as it is loaded, then the altitude's size, then the colour
// images' sizes.
void World::State::loadHeaders() {
  const KeepWindow none{0, 0, false};
  headers = loader.loadTerrain(names, KeepRule{none, [none](const Texture&) { return none; }});
  const Texture& alt = *headers[0];
  const Terrain terrain{*headers[0], *headers[1], *headers[2], *headers[3], *headers[4], {}};
  checkTerrainDepths(terrain);
  checkWorldSize(alt);
  checkColourSizes(terrain);
  plan = planTiles(alt.fileWidth, alt.fileHeight, options.tileSize);
  grid = gridOf(alt);
  header = WorldHeader{options.settings, plan.tileSize,    plan.columns,    plan.rows,
                       plan.worldWidth,  plan.worldHeight, alt.georeference};
  const std::int64_t blocFiles = std::int64_t{plan.worldWidth - 1} / kBlocFilePixels *
                                 ((plan.worldHeight - 1) / kBlocFilePixels);
  // Worlds that quorvel would compile with a triangle table share one (per altitude step)
  // among their tiles.
  shareTables = blocFiles >= MapWriterOptions{}.tableFromBlocFiles;
}

void World::State::makeOutdir() const {
  std::error_code error;
  std::filesystem::create_directories(outdir, error);
  const bool directory = std::filesystem::is_directory(outdir);
  if (!directory || ::access(outdir.c_str(), W_OK | X_OK) != 0) {
    const std::string reason = error       ? error.message()
                               : directory ? std::strerror(errno)
                                           : "not a directory";
    const std::string first = (outdir / tileFileName(base, 0, 0)).string();
    throw Failure("impossible de creer le fichier " + first + "\n",
                  outdir.string() + ": " + reason + "\n");
  }
}

// Every record that earlier runs left: the manifest, shard records and journals of this base.
void World::State::readRecords() {
  std::vector<std::filesystem::path> records;
  std::vector<std::filesystem::path> journals;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(outdir)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(base + ".")) continue;
    if (name == manifestName(base) || isShardRecordName(base, name))
      records.push_back(entry.path());
    if (name.ends_with(".journal")) journals.push_back(entry.path());
  }
  for (const std::filesystem::path& path : records) {
    if (const std::optional<WorldRecord> record = parseRecord(readText(path))) {
      for (const WorldTile& tile : record->tiles) recorded.emplace(tile.file, tile);
    }
  }
  for (const std::filesystem::path& path : journals) {
    std::istringstream lines(readText(path));
    for (std::string line; std::getline(lines, line);) {
      if (const std::optional<WorldTile> tile = parseJournalLine(line)) {
        recorded.emplace(tile->file, *tile);
      }
    }
  }
}

// What quorvel checks of the altitude's pixels, checked over the whole world before any tile
// is written, whichever tiles the run builds: every shard refuses the same world. Each tile's
// window with its ring is read, which between them hold every pixel and every edge between
// two; its pixels without altitude are counted in its part only, so each is counted once.
// Only what the header leaves open is read: a GDAL altitude may have pixels without altitude,
// and an altitude whose sample type does not settle the heights check is measured.
void World::State::checkAltitude() const {
  const Texture& alt = *headers[0];
  const bool heightsSettled = heightLimitsSettledByType(alt, options.settings);
  const bool bmp = isBmpName(alt.fileName);
  if (bmp && heightsSettled) return;
  std::mutex mutex;
  AltitudeSpan span;
  AltitudeHoles holes;
  onThreads(plan.count(), jobs(), [&](std::int32_t index) {
    const PixelWindow apron = plan.apron(index);
    const PixelWindow part = plan.part(index);
    AltitudeHoles own{.countX0 = part.x0,
                      .countY0 = part.y0,
                      .countX1 = part.x0 + part.width,
                      .countY1 = part.y0 + part.height};
    const std::unique_ptr<Texture> window = loader.loadWindow(
        names[0], RasterKind::kAltitude,
        KeepWindow{apron.width, apron.height, false, apron.x0, apron.y0}, {}, bmp ? nullptr : &own);
    AltitudeSpan measured;
    if (!heightsSettled) widenAltitudeSpan(*window, measured);
    const std::lock_guard lock(mutex);
    addHoles(holes, own);
    if (!measured.any) return;
    span.low = span.any ? std::min(span.low, measured.low) : measured.low;
    span.high = span.any ? std::max(span.high, measured.high) : measured.high;
    span.largestRise = std::max(span.largestRise, measured.largestRise);
    span.any = true;
  });
  if (holes.count > 0) refuseHoles(alt.fileName, holes, alt.fileWidth);
  checkHeightLimits(alt.fileName, span, options.settings);
}

// Hashed once a run, by the first tile that needs it.
std::string World::State::warpedFileHash(const Texture& image) const {
  const std::lock_guard lock(hashesMutex);
  std::string& hash = fileHashes[image.fileName];
  if (hash.empty()) {
    const auto hashed = hashFile(image.fileName);
    if (!hashed) throw Failure("erreur lors de l'ouverture du fichier " + image.fileName + "\n");
    hash = hashed->second;
  }
  return hash;
}

TileInputs World::State::loadInputs(std::int32_t index) const {
  const PixelWindow apron = plan.apron(index);
  const PixelWindow own = plan.window(index);
  TileInputs old;
  {
    const std::lock_guard lock(spareMutex);
    if (!spare.empty()) {
      old = std::move(spare.back());
      spare.pop_back();
    }
  }
  TileInputs inputs;
  inputs.alt = loader.loadWindow(names[0], RasterKind::kAltitude,
                                 KeepWindow{apron.width, apron.height, false, apron.x0, apron.y0},
                                 {}, nullptr, std::move(old.alt));
  checkWindowUnchanged(*headers[0], *inputs.alt, apron.width, apron.height);
  inputs.roles[0] = inputs.alt.get();
  std::map<std::string, const Texture*> read;
  for (std::size_t role = 1; role < names.size(); ++role) {
    const Texture*& image = read[names[role]];
    if (image == nullptr) {
      // Every tile reads the same files in the same order: the n-th is the n-th of old.
      const std::size_t n = inputs.owned.size();
      inputs.owned.push_back(loader.loadWindow(
          names[role], RasterKind::kColour,
          KeepWindow{own.width, own.height, false, own.x0, own.y0}, grid, nullptr,
          n < old.owned.size() ? std::move(old.owned[n]) : nullptr));
      image = inputs.owned.back().get();
      checkWindowUnchanged(*headers[role], *image, own.width, own.height);
    }
    inputs.roles[role] = image;
  }
  return inputs;
}

void World::State::giveBack(TileInputs inputs) const {
  const std::lock_guard lock(spareMutex);
  spare.push_back(std::move(inputs));
}

// The record of the tile's file if it already holds what the tile would be: one with the same
// inputs whose size and SHA-256 the file has.
std::optional<WorldTile> World::State::currentRecord(const WorldTile& tile,
                                                     const std::string& fingerprint) const {
  const std::string path = (outdir / tile.file).string();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  std::optional<std::pair<std::int64_t, std::string>> hashed;
  const auto range = recorded.equal_range(tile.file);
  for (auto it = range.first; it != range.second; ++it) {
    const WorldTile& record = it->second;
    if (record.fingerprint != fingerprint || record.bytes != static_cast<std::int64_t>(size) ||
        record.column != tile.column || record.row != tile.row) {
      continue;
    }
    if (!hashed) hashed = hashFile(path);
    if (hashed && hashed->first == record.bytes && hashed->second == record.sha256) return record;
  }
  return std::nullopt;
}

const TriangleTable* World::State::tableFor(const Texture& alt) const {
  if (!shareTables) return nullptr;
  const bool eightBit = alt.sampleFormat == SampleFormat::kUInt8;
  const int step = eightBit ? 1 : altitudeStep(alt, 1);
  if (step <= 0) return nullptr;
  const std::lock_guard lock(tablesMutex);
  std::unique_ptr<TriangleTable>& table = tables[step];
  if (!table) {
    table = std::make_unique<TriangleTable>(lit.zScaleFactor, step, eightBit ? 255 : 127, jobs());
  }
  return table.get();
}

namespace {

Terrain terrainOf(const TileInputs& inputs, const Settings& lit) {
  return Terrain{*inputs.roles[0], *inputs.roles[1], *inputs.roles[2],
                 *inputs.roles[3], *inputs.roles[4], lit};
}

BlocRegion regionOf(const PixelWindow& own) {
  return BlocRegion{own.x0 / kBlocFilePixels, own.y0 / kBlocFilePixels,
                    (own.width - 1) / kBlocFilePixels, (own.height - 1) / kBlocFilePixels};
}

}  // namespace

void World::State::writeTile(std::int32_t index, const TileInputs& inputs, int threads,
                             WorldTile& tile) const {
  const Terrain terrain = terrainOf(inputs, lit);
  const BlocRegion region = regionOf(plan.window(index));
  MapFile file((outdir / tile.file).string());
  Sha256 sha;
  writeMapRegion(
      file, terrain, region, tableFor(*inputs.alt), threads,
      [&sha](const std::uint8_t* bytes, std::size_t count) { sha.update(bytes, count); });
  file.commit();
  tile.bytes = mapFileBytes(region.largeur, region.hauteur);
  tile.sha256 = hexDigest(sha.finish());
  tile.built = true;
}

// Two tiles on this thread, their SHA-256 chains computed side by side.
void World::State::writeTilePair(PendingTile& a, PendingTile& b) const {
  const Terrain terrains[2] = {terrainOf(a.inputs, lit), terrainOf(b.inputs, lit)};
  const BlocRegion regions[2] = {regionOf(plan.window(a.index)), regionOf(plan.window(b.index))};
  MapFile files[2] = {MapFile((outdir / a.tile.file).string()),
                      MapFile((outdir / b.tile.file).string())};
  Sha256 shas[2];
  writeMapRegionPair(
      {&files[0], &terrains[0], regions[0], tableFor(*a.inputs.alt)},
      {&files[1], &terrains[1], regions[1], tableFor(*b.inputs.alt)},
      [&shas](const std::uint8_t* aBytes, std::size_t aCount, const std::uint8_t* bBytes,
              std::size_t bCount) {
        Sha256::updateBoth(shas[0], aBytes, aCount, shas[1], bBytes, bCount);
      });
  PendingTile* const pending[2] = {&a, &b};
  for (int m = 0; m < 2; ++m) {
    files[m].commit();
    WorldTile& tile = pending[m]->tile;
    tile.bytes = mapFileBytes(regions[m].largeur, regions[m].hauteur);
    tile.sha256 = hexDigest(shas[m].finish());
    tile.built = true;
  }
}

// One line a tile, appended as soon as the tile has its name: a run stopped before its
// manifest leaves its finished tiles counted. A tile whose line is lost is built again.
void World::State::journal(const WorldTile& tile) const {
  const std::string line = journalLine(tile);
  const std::string name =
      (outdir / journalName(base, options.shardIndex, options.shardCount)).string();
  const std::lock_guard lock(journalMutex);
  const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

World::World(const WorldOptions& options) : state_(std::make_unique<State>(options)) {
  State& state = *state_;
  try {
    state.names = imageNamesOf(options.files);
    state.base = worldBaseName(options.files.prefix);
    state.outdir = options.outdir;
    state.lit = options.settings;
    normalize(state.lit.lightDirection);
    checkSettingsFinite(options.settings);
    if (options.settings.baked.skyDirections != 0 || options.settings.baked.shadows) {
      throw Failure("erreur: un monde ne cuit encore ni le ciel ni les ombres\n",
                    "the sky and the shadows of a tile depend on terrain beyond it\n");
    }
    state.loadHeaders();
    state.makeOutdir();
    state.readRecords();
    for (std::int32_t index = 0; index < state.plan.count(); ++index) {
      if (!inShard(index, options.shardIndex, options.shardCount)) continue;
      const PixelWindow window = state.plan.window(index);
      WorldTile tile;
      tile.column = state.plan.column(index);
      tile.row = state.plan.row(index);
      tile.x0 = window.x0;
      tile.y0 = window.y0;
      tile.width = window.width;
      tile.height = window.height;
      tile.file = tileFileName(state.base, tile.column, tile.row);
      state.runTiles.push_back(tile);
      state.runIndices.push_back(index);
    }
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

World::~World() = default;
World::World(World&&) noexcept = default;
World& World::operator=(World&&) noexcept = default;

const std::vector<WorldTile>& World::plan() const { return state_->runTiles; }

std::int32_t World::tileCount() const { return state_->plan.count(); }

std::int32_t World::columns() const { return state_->plan.columns; }

const std::vector<std::string>& World::notes() const { return state_->notes; }

void World::prepare() const {
  const State& state = *state_;
  try {
    state.checkAltitude();
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
  std::set<std::string> owned;
  for (const WorldTile& tile : state.runTiles) owned.insert(tile.file);
  owned.insert(state.options.shardCount > 1
                   ? shardRecordName(state.base, state.options.shardIndex, state.options.shardCount)
                   : manifestName(state.base));
  std::error_code error;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(state.outdir, error)) {
    const std::optional<std::string> of = temporaryFileOf(entry.path().filename().string());
    if (of && owned.contains(*of)) std::filesystem::remove(entry.path(), error);
  }
}

PendingTile World::State::begin(std::int32_t index) const {
  const auto at = std::find(runIndices.begin(), runIndices.end(), index);
  if (at == runIndices.end()) {
    throw Failure("erreur: la tuile " + std::to_string(index) + " n'est pas de ce calcul\n");
  }
  PendingTile pending;
  pending.index = index;
  pending.tile = runTiles[static_cast<std::size_t>(at - runIndices.begin())];
  pending.inputs = loadInputs(index);
  WorldTile& tile = pending.tile;
  tile.fingerprint = fingerprintOf(pending.inputs, options.settings, plan, plan.window(index),
                                   grid.georeference,
                                   [this](const Texture& image) { return warpedFileHash(image); });
  if (const std::optional<WorldTile> record = currentRecord(tile, tile.fingerprint)) {
    tile.bytes = record->bytes;
    tile.sha256 = record->sha256;
    pending.current = true;
  }
  return pending;
}

void World::State::end(PendingTile& pending) const {
  if (!pending.current) journal(pending.tile);
  giveBack(std::move(pending.inputs));
}

WorldTile World::buildTile(std::int32_t index, int threads) const {
  const State& state = *state_;
  try {
    PendingTile pending = state.begin(index);
    if (!pending.current) state.writeTile(index, pending.inputs, std::max(1, threads), pending.tile);
    state.end(pending);
    return pending.tile;
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

std::pair<WorldTile, WorldTile> World::buildTilePair(std::int32_t first,
                                                     std::int32_t second) const {
  if (first == second) {
    const WorldTile tile = buildTile(first);
    return {tile, tile};
  }
  const State& state = *state_;
  try {
    PendingTile a = state.begin(first);
    PendingTile b = state.begin(second);
    if (!a.current && !b.current) {
      state.writeTilePair(a, b);
    } else if (!a.current) {
      state.writeTile(first, a.inputs, 1, a.tile);
    } else if (!b.current) {
      state.writeTile(second, b.inputs, 1, b.tile);
    }
    state.end(a);
    state.end(b);
    return {a.tile, b.tile};
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

WorldResult World::finish(const std::vector<WorldTile>& tiles) const {
  const State& state = *state_;
  WorldResult result;
  result.width = state.plan.worldWidth;
  result.height = state.plan.worldHeight;
  result.tileSize = state.plan.tileSize;
  result.columns = state.plan.columns;
  result.rows = state.plan.rows;
  result.tiles = tiles;
  result.notes = state.notes;
  for (const WorldTile& tile : tiles) result.built += tile.built ? 1 : 0;
  try {
    // Every tile of the run, in order, built: a tile missing would leave the world incomplete.
    bool complete = tiles.size() == state.runTiles.size();
    for (std::size_t n = 0; complete && n < tiles.size(); ++n) {
      complete = tiles[n].file == state.runTiles[n].file && tiles[n].sha256.size() == 64;
    }
    if (!complete) {
      throw Failure("erreur: les tuiles de " + (state.outdir / state.base).string() +
                        " ne sont pas toutes construites\n",
                    "give finish the record of every tile of the run, in order\n");
    }
    const bool shard = state.options.shardCount > 1;
    const std::string name =
        shard ? shardRecordName(state.base, state.options.shardIndex, state.options.shardCount)
              : manifestName(state.base);
    WorldRecord record{state.header, state.options.shardIndex, state.options.shardCount, tiles};
    result.record = (state.outdir / name).string();
    result.recordWritten = writeIfChanged(result.record, recordText(record));
    std::error_code error;
    std::filesystem::remove(
        state.outdir / journalName(state.base, state.options.shardIndex, state.options.shardCount),
        error);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
  return result;
}

WorldResult buildWorld(const WorldOptions& options) {
  const World world(options);
  world.prepare();
  const std::vector<WorldTile>& plan = world.plan();
  std::vector<WorldTile> tiles(plan.size());
  const int jobs = options.jobs > 0 ? options.jobs : processors();
  const auto count = static_cast<std::int32_t>(plan.size());
  // With fewer tiles than jobs, each tile's blocFiles are shared among the spare threads.
  const int threadsPerTile = std::max(1, jobs / std::max(1, count));
  // Otherwise a thread builds two tiles at once, hashing them side by side, while that leaves
  // a tile to each thread at the end (pairs would end unevenly) and two tiles' inputs are
  // small beside a machine's memory.
  const std::int32_t paired =
      threadsPerTile == 1 && options.tileSize <= kLargestPairedTile
          ? std::max(0, count - jobs) / 2 * 2
          : 0;
  const std::int32_t units = paired / 2 + (count - paired);
  std::mutex mutex;
  std::int32_t done = 0;
  const auto indexOf = [&](std::int32_t n) {
    const WorldTile& planned = plan[static_cast<std::size_t>(n)];
    return planned.row * world.columns() + planned.column;
  };
  onThreads(units, jobs, [&](std::int32_t unit) {
    const std::int32_t n = unit < paired / 2 ? 2 * unit : unit + paired / 2;
    std::int32_t built = 1;
    if (n < paired) {
      std::tie(tiles[static_cast<std::size_t>(n)], tiles[static_cast<std::size_t>(n + 1)]) =
          world.buildTilePair(indexOf(n), indexOf(n + 1));
      built = 2;
    } else {
      tiles[static_cast<std::size_t>(n)] = world.buildTile(indexOf(n), threadsPerTile);
    }
    const std::lock_guard lock(mutex);
    done += built;
    if (options.onProgress) options.onProgress(done, count);
  });
  return world.finish(tiles);
}

}  // namespace quorvel
