#pragma once

// Worlds larger than one map: an altitude of any size whose sides are 50 n + 1 pixels, cut into
// tiles that are maps of their own, sharing their border pixels. The body of every tile is
// the part of the map that one compile of the whole altitude would write if maps had no
// largest size: normals and colours on the tiles' borders use the neighbours' pixels. Tiles
// are written beside a manifest (outdir/<base>.world.json) that records each tile's window,
// size, SHA-256 and the fingerprint of its inputs, and a build rewrites only the tiles whose
// file or inputs changed. Beside it, outdir/<base>.world.cache keeps the files' identities, so
// that a rerun reads again only the files that changed.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quorvel/types.h"

namespace quorvel {

// Which part of a build a run does. A world with baked light (Settings::baked) is built in two
// stages: each tile's horizons (what it hands on to the tiles beyond it on the sky's lines of
// pixels, and its heights' extremes, which bound the shadows' marches), written under outdir
// as <base>_<column>_<row>.horizons; then the tiles, which read the horizons of every tile.
// Each stage's tiles are independent of one another. kBoth does the horizons of every tile of
// the world, then the run's tiles; a world without baked light has no horizons.
enum class WorldStage { kBoth, kHorizons, kTiles };

// What a world is built from, and where.
struct WorldOptions {
  ImageFiles files;  // named as for compileFiles; the prefix's last path component is the base
  Settings settings;
  std::string outdir;            // created when missing
  std::int32_t tileSize = 5001;  // 51 to 5001, 50 n + 1
  int jobs = 0;                  // tiles built at once; 0: one per processor
  // A run builds the tiles whose index (row x columns + column) is shardIndex modulo
  // shardCount, and with more than one shard writes a shard record instead of the manifest.
  std::int32_t shardIndex = 0;
  std::int32_t shardCount = 1;
  WorldStage stage = WorldStage::kBoth;
  // For files the caller vouches for (quorvel's --trusted-inputs): GDAL may then open VRT
  // files and network names.
  bool trustedInputs = false;
  // A run trusts what it recorded of a file whose size, modification and change times (in
  // nanoseconds) and inode are unchanged: a tile's SHA-256, an input's fingerprint. verify
  // hashes every tile and reads every input again.
  bool verify = false;
  std::function<void(const std::string& note)> onNote;  // else the notes are only kept
  // After each tile: how many of the run's tiles are done, of how many.
  std::function<void(std::int32_t done, std::int32_t total)> onProgress;
};

// One tile, as the manifest records it.
struct WorldTile {
  std::int32_t column = 0;  // from the west
  std::int32_t row = 0;     // from the south
  // Its pixels in the world, map order: columns x0 ... x0 + width - 1, rows likewise.
  std::int32_t x0 = 0;
  std::int32_t y0 = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::string file;  // relative to the output directory
  std::int64_t bytes = 0;
  std::string sha256;       // of the file, 64 hexadecimal digits
  std::string fingerprint;  // of everything its bytes depend on, likewise
  bool built = false;       // written by this run
};

struct WorldResult {
  std::string record;          // the manifest, or a shard's record
  bool recordWritten = false;  // false when it already said the same
  std::int32_t width = 0;      // the world's pixels
  std::int32_t height = 0;
  std::int32_t tileSize = 0;
  std::int32_t columns = 0;  // tiles each way
  std::int32_t rows = 0;
  std::vector<WorldTile> tiles;  // the run's, by index
  std::int32_t built = 0;
  // Of this World's tiles: those whose file was hashed to check it, and those whose inputs
  // were read. A rerun with nothing changed does neither.
  std::int32_t hashed = 0;
  std::int32_t inputsRead = 0;
  std::vector<std::string> notes;
  std::int32_t horizonsBuilt = 0;  // horizons files this run wrote
};

// Where a georeferenced world lies: its altitude file's own georeferencing, north up. The
// geotransform takes a pixel corner's column and row, the row counted from the file's first
// (northern) row, to x = t[0] + column t[1] + row t[2] and y = t[3] + column t[4] + row t[5];
// tiles and their windows count rows from the south.
struct WorldGeoreference {
  std::array<double, 6> geotransform{};
  std::string crs;  // the reference system as WKT, empty when the file names none
};

// Where a georeferenced world's pixels lie on the Earth: WGS 84's geocentric coordinates
// (EPSG:4978, metres), as GDAL takes them from the world's reference system; a pixel's
// altitude, height / zScaleFactor + seaLevel (its map's height in the altitude's unit, the
// vertical datum ignored), is taken as its height above the ellipsoid.
class WorldGlobe {
 public:
  // For a world of width x height pixels (map order: row 0 the southern) whose heights were
  // made with zScaleFactor and seaLevel. Throws Error when the georeference names no reference
  // system, or GDAL cannot be loaded or cannot take it to WGS 84.
  WorldGlobe(const WorldGeoreference& georeference, std::int32_t width, std::int32_t height,
             double zScaleFactor, double seaLevel);
  ~WorldGlobe();
  WorldGlobe(const WorldGlobe&) = delete;
  WorldGlobe& operator=(const WorldGlobe&) = delete;

  // Points given as (column, row, map height), a pixel's centre at whole numbers (fractions
  // in between), become geocentric x, y and z in place. Throws Error.
  void place(std::vector<std::array<double, 3>>& points) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A world's manifest as read back.
struct WorldManifest {
  std::int32_t width = 0;  // the world's pixels
  std::int32_t height = 0;
  std::int32_t tileSize = 0;
  std::int32_t columns = 0;  // tiles each way
  std::int32_t rows = 0;
  Settings settings;  // as given: the light direction not normalised
  std::optional<WorldGeoreference> georeference;
  std::vector<WorldTile> tiles;  // by index; none marked built
};

// Reads outdir/<base>.world.json. Throws Error when it cannot be read or is not a whole
// world's manifest as quorvel-world writes it (a shard's record is not).
[[nodiscard]] WorldManifest readWorldManifest(const std::string& path);

// Builds the run's tiles that are missing, differ from their record or whose inputs changed
// (the horizons they start from included), on jobs threads, then writes the manifest (or the
// shard's record) unless it is unchanged; or, for the horizons stage, the run's tiles'
// horizons only (no record). The tiles stage refuses a world whose horizons are missing or
// were made from other inputs or settings.
// Removes first what an interrupted run left: its tiles' temporary files. Checks everything
// that can be checked before the first tile is written. Throws Error.
WorldResult buildWorld(const WorldOptions& options);

// Writes outdir/<base>.world.json from the records of shards 0 to N - 1 of N (their names say
// N), after checking that they describe one world and that every tile's file has the size
// and SHA-256 recorded; unless it is unchanged. outdirBase is "outdir/<base>". Throws Error.
WorldResult mergeWorld(const std::string& outdirBase);

// The steps of buildWorld, for pipelines that spread the tiles themselves: one World in the
// process that plans and writes the manifest, one in each process that builds tiles (tiles of
// one world may be built by many processes at once).
class World {
 public:
  // Reads the images' headers and checks them as buildWorld does, creates outdir and reads
  // what earlier runs recorded. Throws Error.
  explicit World(const WorldOptions& options);
  ~World();
  World(World&&) noexcept;
  World& operator=(World&&) noexcept;

  // Every tile of the run's shard, by index, without its size and hashes.
  [[nodiscard]] const std::vector<WorldTile>& plan() const;
  [[nodiscard]] std::int32_t tileCount() const;  // of the whole world
  // Tiles across: tile (column, row) is number row x columns() + column.
  [[nodiscard]] std::int32_t columns() const;
  [[nodiscard]] const std::vector<std::string>& notes() const;

  // Before the first tile: checks what quorvel checks of the altitude's pixels over the whole
  // world (pixels without altitude, heights beyond a float), so that a refusal comes before
  // any file is written, and removes the temporary files that interrupted runs left for the
  // run's tiles. Throws Error.
  void prepare() const;

  // Whether the world has horizons to build (baked light) before its tiles.
  [[nodiscard]] bool hasHorizons() const;
  // Writes tile index's horizons unless its file already holds them; returns whether it
  // wrote. Threads and processes may build horizons at once. Throws Error.
  bool buildHorizons(std::int32_t index) const;

  // Builds tile index (of the whole world) with threads encoders, unless its file already
  // holds what it would be; returns its record. Threads may build tiles at once. With baked
  // light, every tile's horizons must be built first. Throws Error.
  [[nodiscard]] WorldTile buildTile(std::int32_t index, int threads = 1) const;

  // Writes the manifest (or the shard's record) for tiles, every tile of the run; not when
  // it already says the same. Returns what buildWorld returns.
  WorldResult finish(const std::vector<WorldTile>& tiles) const;

 private:
  friend WorldResult buildWorld(const WorldOptions& options);  // builds tiles in pairs
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
