#include "quorvel/world.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "failure.h"
#include "image/image_loader.h"
#include "image/raster_reader.h"
#include "library/error.h"
#include "library/settings_check.h"
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
#include "world/world_inputs.h"
#include "world/world_journal.h"
#include "world/world_light.h"
#include "world/world_tables.h"
#include "worker_threads.h"

namespace quorvel {
namespace {

// Tiles up to this side are built in pairs: two tiles' inputs, some 13 bytes a pixel each,
// stay under about 100 MB a thread; with baked light, whose sky adds 8 bytes a pixel, up to
// the smaller side.
constexpr std::int32_t kLargestPairedTile = 2001;
constexpr std::int32_t kLargestPairedLightTile = 1001;

// A tile of the run with its inputs read and its fingerprint taken; current when its file
// already holds what it would be.
struct PendingTile {
  std::int32_t index = 0;
  WorldTile tile;
  TileInputs inputs;  // none when the fingerprint came from the cache and the file is current
  std::string inputsKey;
  WorldLight::Tile light;
  bool current = false;
  std::optional<TileCache> learnt;  // what the cache should learn of a current tile
};

void putInt(Sha256& sha, std::int64_t value) {
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
  }
  sha.update(bytes, sizeof bytes);
}

void putSamples(Sha256& sha, const Texture& image) {
  const SampleDigest digest = sampleDigestOf(image);
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
// With baked light, its options too, and what reaches the tile from beyond it (incoming).
std::string fingerprintOf(const TileInputs& inputs, const Settings& settings, const TilePlan& plan,
                          const PixelWindow& window, const std::optional<Georeference>& place,
                          const std::function<std::string(const Texture&)>& warpedFileHash,
                          const std::string& incoming) {
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
  if (settings.baked.skyDirections != 0 || settings.baked.shadows) {
    putText(sha, "baked light");
    putInt(sha, settings.baked.skyDirections);
    putInt(sha, settings.baked.shadows ? 1 : 0);
    putInt(sha, std::bit_cast<std::int64_t>(settings.baked.sunDiameter));
    putText(sha, incoming);
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

// What a tile's fingerprint depends on but its pixels: while it is unchanged, and so the
// files' identities, the fingerprint is the one cached. Empty when the files cannot vouch.
std::string inputsKeyOf(const std::string& filesKey, const Settings& settings,
                        const TilePlan& plan, const PixelWindow& window) {
  if (filesKey.empty()) return {};
  Sha256 sha;
  const std::string tag = std::string("quorvel-world inputs\n") + kVersion + "\n";
  sha.update(tag.data(), tag.size());
  putText(sha, filesKey);
  for (const float value : {settings.lightDirection.x, settings.lightDirection.y,
                            settings.lightDirection.z, settings.zScaleFactor, settings.seaLevel}) {
    putInt(sha, std::bit_cast<std::uint32_t>(value));
  }
  // With baked light, what reaches the tile from beyond it depends on the altitude's file,
  // among the files, and on the options.
  if (settings.baked.skyDirections != 0 || settings.baked.shadows) {
    putText(sha, "baked light");
    putInt(sha, settings.baked.skyDirections);
    putInt(sha, settings.baked.shadows ? 1 : 0);
    putInt(sha, std::bit_cast<std::int64_t>(settings.baked.sunDiameter));
  }
  putInt(sha, plan.worldWidth);
  putInt(sha, plan.worldHeight);
  putWindow(sha, window);
  return hexDigest(sha.finish());
}

// The run's notes, kept and passed on as they come: tiles' loads add to them at once.
class WorldNotes {
 public:
  explicit WorldNotes(std::function<void(const std::string&)> onNote)
      : onNote_(std::move(onNote)) {}
  void add(const std::string& line) {
    const std::lock_guard lock(mutex_);
    lines_.push_back(line);
    if (onNote_) onNote_(line);
  }
  [[nodiscard]] const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::function<void(const std::string&)> onNote_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The settings as the encoder takes them: the light direction normalised. Refuses first what
// cannot be compiled.
Settings litSettings(const Settings& settings) {
  checkSettingsFinite(settings);
  Settings lit = settings;
  normalize(lit.lightDirection);
  return lit;
}

// Creates outdir, or says why a tile cannot be written there.
std::filesystem::path madeOutdir(const std::filesystem::path& outdir, const std::string& base) {
  std::error_code error;
  std::filesystem::create_directories(outdir, error);
  const bool directory = std::filesystem::is_directory(outdir);
  if (!directory || ::access(outdir.c_str(), W_OK | X_OK) != 0) {
    const std::string reason = error       ? error.message()
                               : directory ? std::strerror(errno)
                                           : "not a directory";
    const std::string first = (outdir / tileFileName(base, 0, 0)).string();
    throw Failure(ErrorKind::kWrite, "impossible de creer le fichier " + first + "\n",
                  outdir.string() + ": " + reason + "\n");
  }
  return outdir;
}

// Worlds that quorvel would compile with a triangle table share one (per altitude step)
// among their tiles.
bool sharesTables(const TilePlan& plan) {
  const std::int64_t blocFiles = std::int64_t{plan.worldWidth - 1} / kBlocFilePixels *
                                 ((plan.worldHeight - 1) / kBlocFilePixels);
  return blocFiles >= MapWriterOptions{}.tableFromBlocFiles;
}

Terrain terrainOf(const TileInputs& inputs, const Settings& lit) {
  return Terrain{*inputs.roles[0], *inputs.roles[1], *inputs.roles[2],
                 *inputs.roles[3], *inputs.roles[4], lit};
}

BlocRegion regionOf(const PixelWindow& own) {
  return BlocRegion{own.x0 / kBlocFilePixels, own.y0 / kBlocFilePixels,
                    (own.width - 1) / kBlocFilePixels, (own.height - 1) / kBlocFilePixels};
}

}  // namespace

// A world in the making: what it is built from (options, inputs), what it shares among its
// tiles (tables) and what it knows of the tiles already written (journal). Its parts guard
// themselves: threads build tiles at once through one State.
struct World::State {
  WorldOptions options;
  WorldNotes notes;
  Settings lit;
  WorldInputs inputs;
  std::string base;
  std::filesystem::path outdir;
  WorldHeader header;
  WorldTables tables;
  WorldJournal journal;
  std::unique_ptr<WorldLight> light;  // with baked light
  std::once_flag horizonsRead;
  std::vector<WorldTile> runTiles;  // the run's shard, without sizes and hashes
  std::vector<std::int32_t> runIndices;
  std::string altitudeChecked;  // the key of the altitude whose check passed
  std::atomic<std::int32_t> hashed{0};
  std::atomic<std::int32_t> inputsRead{0};

  explicit State(const WorldOptions& given);
  [[nodiscard]] int jobs() const { return options.jobs > 0 ? options.jobs : workerSlots(); }
  void checkAltitude();
  [[nodiscard]] std::string altitudeCheckKey() const;
  void readInputs(PendingTile& pending);
  void writeTile(std::int32_t index, const TileInputs& tileInputs, int threads, WorldTile& tile,
                 const Shading& shading = {});
  [[nodiscard]] std::unique_ptr<Texture> altitudeWindow(const PixelWindow& window,
                                                        std::unique_ptr<Texture> reuse) const {
    return inputs.altitudeWindow(window, nullptr, std::move(reuse));
  }
  [[nodiscard]] Shading shadingOf(PendingTile& pending, int threads = 1) const {
    return light ? light->shade(pending.index, *pending.inputs.alt, pending.light, threads)
                 : Shading{};
  }
  void writeTilePair(PendingTile& a, PendingTile& b);
  [[nodiscard]] PendingTile begin(std::int32_t index);
  void end(PendingTile& pending);
  [[nodiscard]] WorldTile buildTile(std::int32_t index, int threads);
  [[nodiscard]] std::pair<WorldTile, WorldTile> buildTilePair(std::int32_t first,
                                                              std::int32_t second);
};

World::State::State(const WorldOptions& given)
    : options(given),
      notes(given.onNote),
      lit(litSettings(given.settings)),
      inputs(given.files, given.tileSize, given.trustedInputs,
             [this](const std::string& line) { notes.add(line); }),
      base(worldBaseName(given.files.prefix)),
      outdir(madeOutdir(given.outdir, base)),
      header{given.settings,
             inputs.plan().tileSize,
             inputs.plan().columns,
             inputs.plan().rows,
             inputs.plan().worldWidth,
             inputs.plan().worldHeight,
             inputs.altitude().georeference},
      tables(sharesTables(inputs.plan()), lit.zScaleFactor, jobs()),
      journal(outdir, base, given.shardIndex, given.shardCount) {
  const TilePlan& plan = inputs.plan();
  if (given.settings.baked.skyDirections != 0 || given.settings.baked.shadows) {
    light = std::make_unique<WorldLight>(given.settings, lit.lightDirection, plan,
                                         inputs.altitude().sampleFormat, outdir.string(), base,
                                         inputs.altitude().fileName);
  }
  for (std::int32_t index = 0; index < plan.count(); ++index) {
    if (!inShard(index, options.shardIndex, options.shardCount)) continue;
    const PixelWindow window = plan.window(index);
    WorldTile tile;
    tile.column = plan.column(index);
    tile.row = plan.row(index);
    tile.x0 = window.x0;
    tile.y0 = window.y0;
    tile.width = window.width;
    tile.height = window.height;
    tile.file = tileFileName(base, tile.column, tile.row);
    runTiles.push_back(tile);
    runIndices.push_back(index);
  }
}

// What quorvel checks of the altitude's pixels, checked over the whole world before any tile
// is written, whichever tiles the run builds: every shard refuses the same world. Each tile's
// window with its ring is read, which between them hold every pixel and every edge between
// two; its pixels without altitude are counted in its part only, so each is counted once.
// Only what the header leaves open is read: a GDAL altitude may have pixels without altitude,
// and an altitude whose sample type does not settle the heights check is measured.
// Skipped when the altitude's file and the settings are those of a check that passed.
void World::State::checkAltitude() {
  const std::string key = altitudeCheckKey();
  if (!options.verify && journal.altitudeChecked(key)) {
    altitudeChecked = key;
    return;
  }
  const Texture& alt = inputs.altitude();
  const TilePlan& plan = inputs.plan();
  const bool heightsSettled = heightLimitsSettledByType(alt, options.settings);
  const bool bmp = isBmpName(alt.fileName);
  if (bmp && heightsSettled) return;
  std::mutex mutex;
  AltitudeSpan span;
  AltitudeHoles holes;
  runJobs(plan.count(), jobs(), [&](std::int32_t index) {
    const PixelWindow part = plan.part(index);
    AltitudeHoles own{.countX0 = part.x0,
                      .countY0 = part.y0,
                      .countX1 = part.x0 + part.width,
                      .countY1 = part.y0 + part.height};
    const std::unique_ptr<Texture> window =
        inputs.altitudeWindow(plan.apron(index), bmp ? nullptr : &own);
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
  altitudeChecked = key;
}

std::string World::State::altitudeCheckKey() const {
  if (inputs.altitudeKey().empty()) return {};
  Sha256 sha;
  putText(sha, std::string("quorvel-world altitude\n") + kVersion + "\n");
  putText(sha, inputs.altitudeKey());
  for (const float value : {options.settings.zScaleFactor, options.settings.seaLevel}) {
    putInt(sha, std::bit_cast<std::uint32_t>(value));
  }
  return hexDigest(sha.finish());
}

void World::State::readInputs(PendingTile& pending) {
  pending.inputs = inputs.load(pending.index);
  ++inputsRead;
  if (light) {
    std::call_once(horizonsRead, [this] { light->readHorizons(); });
    pending.light = light->gather(pending.index, *pending.inputs.alt,
                                  [this](const PixelWindow& window, std::unique_ptr<Texture> reuse) {
                                    return altitudeWindow(window, std::move(reuse));
                                  });
  }
  pending.tile.fingerprint = fingerprintOf(
      pending.inputs, options.settings, inputs.plan(), inputs.plan().window(pending.index),
      inputs.grid().georeference,
      [this](const Texture& image) { return inputs.warpedFileHash(image); }, pending.light.digest);
}

void World::State::writeTile(std::int32_t index, const TileInputs& tileInputs, int threads,
                             WorldTile& tile, const Shading& shading) {
  const Terrain terrain = terrainOf(tileInputs, lit);
  const BlocRegion region = regionOf(inputs.plan().window(index));
  MapFile file((outdir / tile.file).string());
  Sha256 sha;
  writeMapRegion(
      file, terrain, region, tables.tableFor(*tileInputs.alt), threads,
      [&sha](const std::uint8_t* bytes, std::size_t count) { sha.update(bytes, count); }, shading);
  file.commit();
  tile.bytes = mapFileBytes(region.largeur, region.hauteur);
  tile.sha256 = hexDigest(sha.finish());
  tile.built = true;
}

// Two tiles on this thread, their SHA-256 chains computed side by side.
void World::State::writeTilePair(PendingTile& a, PendingTile& b) {
  const TilePlan& plan = inputs.plan();
  const Terrain terrains[2] = {terrainOf(a.inputs, lit), terrainOf(b.inputs, lit)};
  const BlocRegion regions[2] = {regionOf(plan.window(a.index)), regionOf(plan.window(b.index))};
  MapFile files[2] = {MapFile((outdir / a.tile.file).string()),
                      MapFile((outdir / b.tile.file).string())};
  Sha256Pair shas;
  writeMapRegionPair(
      {&files[0], &terrains[0], regions[0], tables.tableFor(*a.inputs.alt), shadingOf(a)},
      {&files[1], &terrains[1], regions[1], tables.tableFor(*b.inputs.alt), shadingOf(b)},
      [&shas](const std::uint8_t* aBytes, std::size_t aCount, const std::uint8_t* bBytes,
              std::size_t bCount) {
        shas.update(aBytes, aCount, bBytes, bCount);
      });
  PendingTile* const pending[2] = {&a, &b};
  const std::array<Sha256Digest, 2> digests = shas.finish();
  for (int m = 0; m < 2; ++m) {
    files[m].commit();
    WorldTile& tile = pending[m]->tile;
    tile.bytes = mapFileBytes(regions[m].largeur, regions[m].hauteur);
    tile.sha256 = hexDigest(digests[static_cast<std::size_t>(m)]);
    tile.built = true;
  }
}

// Takes the tile's fingerprint (from the cache while its inputs' files are unchanged) and
// finds whether its file is current (without reading it while it is unchanged); reads the
// inputs when the tile must be built.
PendingTile World::State::begin(std::int32_t index) {
  const auto at = std::find(runIndices.begin(), runIndices.end(), index);
  if (at == runIndices.end()) {
    throw Failure(ErrorKind::kUsage,
                  "erreur: la tuile " + std::to_string(index) + " n'est pas de ce calcul\n");
  }
  PendingTile pending;
  pending.index = index;
  pending.tile = runTiles[static_cast<std::size_t>(at - runIndices.begin())];
  WorldTile& tile = pending.tile;
  pending.inputsKey =
      inputsKeyOf(inputs.filesKey(), options.settings, inputs.plan(), inputs.plan().window(index));
  const std::optional<std::string> cached =
      options.verify ? std::nullopt : journal.cachedFingerprint(tile.file, pending.inputsKey);
  if (cached) {
    tile.fingerprint = *cached;
  } else {
    readInputs(pending);
  }
  const CurrentTile found = journal.current(tile, tile.fingerprint, !options.verify);
  if (found.hashed) ++hashed;
  if (found.record) {
    tile.bytes = found.record->bytes;
    tile.sha256 = found.record->sha256;
    pending.current = true;
    const TileCache entry{tile.file, *found.identity, tile.sha256, pending.inputsKey,
                          tile.fingerprint};
    if (!journal.cached(entry)) pending.learnt = entry;
  } else if (!pending.inputs.alt) {
    readInputs(pending);
  }
  return pending;
}

// Journals a tile built, or one whose check taught the cache something.
void World::State::end(PendingTile& pending) {
  if (!pending.current) {
    const std::optional<FileIdentity> identity = identityOf((outdir / pending.tile.file).string());
    const TileCache entry{pending.tile.file, identity.value_or(FileIdentity{}),
                          pending.tile.sha256, pending.inputsKey, pending.tile.fingerprint};
    journal.append(pending.tile, identity ? &entry : nullptr);
  } else if (pending.learnt) {
    journal.append(pending.tile, &*pending.learnt);
  }
  if (pending.inputs.alt) inputs.giveBack(std::move(pending.inputs));
  if (light) light->giveBack(pending.light);
}

WorldTile World::State::buildTile(std::int32_t index, int threads) {
  PendingTile pending = begin(index);
  if (!pending.current) {
    writeTile(index, pending.inputs, std::max(1, threads), pending.tile,
              shadingOf(pending, std::max(1, threads)));
  }
  end(pending);
  return pending.tile;
}

// Two tiles on this thread, a piece of each in turn, so that their files' SHA-256 are
// computed side by side, about half again as fast as one after the other.
std::pair<WorldTile, WorldTile> World::State::buildTilePair(std::int32_t first,
                                                            std::int32_t second) {
  if (first == second) {
    const WorldTile tile = buildTile(first, 1);
    return {tile, tile};
  }
  PendingTile a = begin(first);
  PendingTile b = begin(second);
  if (!a.current && !b.current) {
    writeTilePair(a, b);
  } else if (!a.current) {
    writeTile(first, a.inputs, 1, a.tile, shadingOf(a));
  } else if (!b.current) {
    writeTile(second, b.inputs, 1, b.tile, shadingOf(b));
  }
  end(a);
  end(b);
  return {a.tile, b.tile};
}

World::World(const WorldOptions& options) {
  try {
    state_ = std::make_unique<State>(options);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

World::~World() = default;
World::World(World&&) noexcept = default;
World& World::operator=(World&&) noexcept = default;

const std::vector<WorldTile>& World::plan() const { return state_->runTiles; }

std::int32_t World::tileCount() const { return state_->inputs.plan().count(); }

std::int32_t World::columns() const { return state_->inputs.plan().columns; }

const std::vector<std::string>& World::notes() const { return state_->notes.lines(); }

void World::prepare() const {
  State& state = *state_;
  try {
    state.checkAltitude();
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
  std::set<std::string> owned;
  for (const WorldTile& tile : state.runTiles) owned.insert(tile.file);
  // Shards that build both stages at once all write every tile's horizons.
  if (state.light && !(state.options.shardCount > 1 && state.options.stage == WorldStage::kBoth)) {
    for (const WorldTile& tile : state.runTiles) {
      owned.insert(horizonsFileName(state.base, tile.column, tile.row));
    }
  }
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

bool World::hasHorizons() const { return state_->light != nullptr; }

bool World::buildHorizons(std::int32_t index) const {
  const State& state = *state_;
  if (!state.light) return false;
  try {
    if (index < 0 || index >= state.inputs.plan().count()) {
      throw Failure(ErrorKind::kUsage,
                    "erreur: la tuile " + std::to_string(index) + " n'est pas de ce monde\n");
    }
    return state.light->buildHorizons(
        index, [&state](const PixelWindow& window, std::unique_ptr<Texture> reuse) {
          return state.altitudeWindow(window, std::move(reuse));
        });
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

WorldTile World::buildTile(std::int32_t index, int threads) const {
  try {
    return state_->buildTile(index, threads);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

WorldResult World::finish(const std::vector<WorldTile>& tiles) const {
  State& state = *state_;
  const TilePlan& plan = state.inputs.plan();
  WorldResult result;
  result.width = plan.worldWidth;
  result.height = plan.worldHeight;
  result.tileSize = plan.tileSize;
  result.columns = plan.columns;
  result.rows = plan.rows;
  result.tiles = tiles;
  result.notes = state.notes.lines();
  result.hashed = state.hashed;
  result.inputsRead = state.inputsRead;
  for (const WorldTile& tile : tiles) result.built += tile.built ? 1 : 0;
  try {
    // Every tile of the run, in order, built: a tile missing would leave the world incomplete.
    bool complete = tiles.size() == state.runTiles.size();
    for (std::size_t n = 0; complete && n < tiles.size(); ++n) {
      complete = tiles[n].file == state.runTiles[n].file && tiles[n].sha256.size() == 64;
    }
    if (!complete) {
      throw Failure(ErrorKind::kUsage,
                    "erreur: les tuiles de " + (state.outdir / state.base).string() +
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
    state.journal.finish(tiles, state.altitudeChecked, state.inputs.newestCtime());
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
  return result;
}

WorldResult buildWorld(const WorldOptions& options) {
  const World world(options);
  world.prepare();
  World::State& state = *world.state_;
  std::int32_t horizonsBuilt = 0;
  if (state.light && options.stage != WorldStage::kTiles) {
    // The horizons stage builds its shard's; both stages at once, every tile's, since the
    // run's tiles start from the horizons of any other.
    std::vector<std::int32_t> indices = state.runIndices;
    if (options.stage == WorldStage::kBoth) {
      indices.resize(static_cast<std::size_t>(world.tileCount()));
      for (std::int32_t index = 0; index < world.tileCount(); ++index) {
        indices[static_cast<std::size_t>(index)] = index;
      }
    }
    std::atomic<std::int32_t> written{0};
    runJobs(static_cast<std::int32_t>(indices.size()), state.jobs(), [&](std::int32_t n) {
      if (world.buildHorizons(indices[static_cast<std::size_t>(n)])) ++written;
    });
    horizonsBuilt = written;
  }
  if (options.stage == WorldStage::kHorizons) {
    const TilePlan& tiles = state.inputs.plan();
    WorldResult result;
    result.width = tiles.worldWidth;
    result.height = tiles.worldHeight;
    result.tileSize = tiles.tileSize;
    result.columns = tiles.columns;
    result.rows = tiles.rows;
    result.notes = state.notes.lines();
    result.horizonsBuilt = horizonsBuilt;
    return result;
  }
  if (state.light) {
    try {
      std::call_once(state.horizonsRead, [&state] { state.light->readHorizons(); });
    } catch (const Failure& failure) {
      throw errorOf(failure);
    }
  }
  const std::vector<WorldTile>& plan = world.plan();
  std::vector<WorldTile> tiles(plan.size());
  const int jobs = state.jobs();
  const auto count = static_cast<std::int32_t>(plan.size());
  // With fewer tiles than jobs, each tile's blocFiles are shared among the spare threads.
  const int threadsPerTile = std::max(1, jobs / std::max(1, count));
  // Otherwise a thread builds two tiles at once, hashing them side by side, while that leaves
  // a tile to each thread at the end (pairs would end unevenly) and two tiles' inputs are
  // small beside a machine's memory.
  const std::int32_t largestPaired = state.light ? kLargestPairedLightTile : kLargestPairedTile;
  const std::int32_t paired = threadsPerTile == 1 && options.tileSize <= largestPaired
                                  ? std::max(0, count - jobs) / 2 * 2
                                  : 0;
  const std::int32_t units = paired / 2 + (count - paired);
  std::mutex mutex;
  std::int32_t done = 0;
  const auto indexOf = [&](std::int32_t n) {
    const WorldTile& planned = plan[static_cast<std::size_t>(n)];
    return planned.row * world.columns() + planned.column;
  };
  try {
    runJobs(units, jobs, [&](std::int32_t unit) {
      const std::int32_t n = unit < paired / 2 ? 2 * unit : unit + paired / 2;
      std::int32_t built = 1;
      if (n < paired) {
        std::tie(tiles[static_cast<std::size_t>(n)], tiles[static_cast<std::size_t>(n + 1)]) =
            state.buildTilePair(indexOf(n), indexOf(n + 1));
        built = 2;
      } else {
        // The last tile is given every thread: the others' threads come back to the budget as
        // their last tiles end, and its sweeps and blocFiles take them up rather than leave
        // them idle.
        const int threads = unit == units - 1 ? std::max(threadsPerTile, jobs) : threadsPerTile;
        tiles[static_cast<std::size_t>(n)] = state.buildTile(indexOf(n), threads);
      }
      const std::lock_guard lock(mutex);
      done += built;
      if (options.onProgress) options.onProgress(done, count);
    });
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
  WorldResult result = world.finish(tiles);
  result.horizonsBuilt = horizonsBuilt;
  return result;
}

}  // namespace quorvel
