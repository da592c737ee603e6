// Worlds: tiles cut from the map of the whole terrain, rebuilt only where something changed,
// resumed after a kill, built in shards and merged, and refused as quorvel refuses.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "little_endian.h"
#include "map/map_format.h"
#include "memory_texture.h"
#include "quorvel/quorvel.h"
#include "raster_files.h"
#include "reference_map.h"
#include "test_support.h"
#include "tool_process.h"
#include "world/sha256.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

const Settings kSettings{{1.0f, 1.0f, 2.0f}, 0.5f, 75.0f, {}};

// Rough altitudes and colours at random.
TerrainImages roughTerrain(std::uint32_t seed, std::int32_t width, std::int32_t height) {
  std::mt19937 random(seed);
  return randomTerrain(random, width, height, 40);
}

WorldOptions worldOptions(const fs::path& prefix, const fs::path& outdir, std::int32_t tileSize) {
  WorldOptions options;
  options.files.prefix = prefix.string();
  options.settings = kSettings;
  options.outdir = outdir.string();
  options.tileSize = tileSize;
  options.jobs = 2;
  return options;
}

Bytes blocFile(const Bytes& map, std::int64_t index) {
  const auto at = map.begin() + kHeaderBytes + index * kBlocFileBytes;
  return Bytes(at, at + kBlocFileBytes);
}

// The cache of files' identities holds times and inodes: it is no part of what a world is,
// and is refreshed whenever a file's identity changed.
bool isCache(const std::string& name) { return name.ends_with(".cache"); }

// Every file of a directory with its bytes, the cache aside.
std::map<std::string, Bytes> contents(const fs::path& directory) {
  std::map<std::string, Bytes> files;
  for (const std::string& name : directoryNames(directory)) {
    if (!isCache(name)) files[name] = readFile(directory / name);
  }
  return files;
}

// Every file of a directory with its modification time, after setting them all to a time
// long past: a file that a later run rewrites gets the present time.
std::map<std::string, fs::file_time_type> agedTimes(const fs::path& directory) {
  std::map<std::string, fs::file_time_type> times;
  const fs::file_time_type past = fs::file_time_type::clock::now() - std::chrono::hours(24);
  for (const std::string& name : directoryNames(directory)) {
    fs::last_write_time(directory / name, past);
    times[name] = past;
  }
  return times;
}

// The files rewritten since before, the cache aside.
std::set<std::string> rewritten(const fs::path& directory,
                                const std::map<std::string, fs::file_time_type>& before) {
  std::set<std::string> names;
  for (const std::string& name : directoryNames(directory)) {
    if (isCache(name)) continue;
    const auto was = before.find(name);
    if (was == before.end() || fs::last_write_time(directory / name) != was->second) {
      names.insert(name);
    }
  }
  return names;
}

// Each tile holds its own size and, blocFile by blocFile, the whole terrain's map; the
// manifest's size and SHA-256 are the file's.
void expectTilesOf(const WorldResult& world, const fs::path& outdir, const Bytes& whole) {
  const std::int32_t largeur = static_cast<std::int32_t>(loadLe32(whole.data()));
  for (const WorldTile& tile : world.tiles) {
    SCOPED_TRACE(tile.file);
    const Bytes bytes = readFile(outdir / tile.file);
    Sha256 sha;
    sha.update(bytes.data(), bytes.size());
    EXPECT_EQ(hexDigest(sha.finish()), tile.sha256);
    ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), tile.bytes);
    const std::int32_t across = (tile.width - 1) / 50;
    const std::int32_t down = (tile.height - 1) / 50;
    ASSERT_EQ(loadLe32(bytes.data()), static_cast<std::uint32_t>(across));
    ASSERT_EQ(loadLe32(bytes.data() + 4), static_cast<std::uint32_t>(down));
    for (std::int32_t by = 0; by < down; ++by) {
      for (std::int32_t bx = 0; bx < across; ++bx) {
        const std::int64_t global = (tile.y0 / 50 + by) * std::int64_t{largeur} + tile.x0 / 50 + bx;
        EXPECT_TRUE(blocFile(bytes, by * across + bx) == blocFile(whole, global))
            << "blocFile " << bx << ", " << by;
      }
    }
  }
}

TEST(World, EveryTilingReassemblesIntoQuorvelsMap) {
  const TempDir dir;
  const TerrainImages images = roughTerrain(21, 251, 151);
  writeTerrain(dir / "b", images);
  // The same terrain through GDAL: a 16-bit GeoTIFF altitude, colour GeoTIFFs.
  writeTerrainRasters(dir / "g", images, "GTiff", "tif");
  writeAltitude(dir / "galt16.tif", images, "GTiff", GDT_Int16,
                [](std::uint8_t b) { return 100.0 * b - 12000.0; });
  ImageFiles bmpFiles;
  bmpFiles.prefix = (dir / "b").string();
  ImageFiles gdalFiles;
  gdalFiles.prefix = (dir / "g").string();
  gdalFiles.ext = "tif";
  gdalFiles.alt = (dir / "galt16.tif").string();
  for (const ImageFiles& files : {bmpFiles, gdalFiles}) {
    const CompileResult compiled = compileFiles(files, kSettings);
    const Bytes whole = readFile(compiled.map);
    for (const std::int32_t tileSize : {51, 101, 151, 251, 5001}) {
      SCOPED_TRACE(files.prefix + ", tiles of " + std::to_string(tileSize));
      const fs::path outdir = dir / ("out" + std::to_string(tileSize));
      WorldOptions options = worldOptions(files.prefix, outdir, tileSize);
      options.files = files;
      const WorldResult world = buildWorld(options);
      EXPECT_EQ(world.columns * world.rows, static_cast<std::int32_t>(world.tiles.size()));
      expectTilesOf(world, outdir, whole);
      fs::remove_all(outdir);
    }
  }
}

TEST(World, TheManifestsPreviewIsTheMapsOrItsSampling) {
  const TempDir dir;
  writeTerrain(dir / "t", roughTerrain(27, 251, 151));
  ImageFiles files;
  files.prefix = (dir / "t").string();
  compileFiles(files, kSettings);
  buildWorld(worldOptions(dir / "t", dir / "out", 101));
  ProcessOptions inspect;
  inspect.program = QUORVEL_INSPECT_BINARY;
  for (const auto& arguments : {std::vector<std::string>{"t.map", "--preview", "map.png"},
                                {"out/t.world.json", "--preview", "world.png"},
                                {"out/t.world.json", "--preview", "small.png", "--width", "100"}}) {
    ASSERT_EQ(runTool(arguments, dir.path(), inspect).exitCode, 0) << arguments[0];
  }
  EXPECT_EQ(readFile(dir / "world.png"), readFile(dir / "map.png"));
  const Bytes small = readFile(dir / "small.png");  // its IHDR: width, then height, big-endian
  ASSERT_GT(small.size(), 24u);
  EXPECT_EQ(Bytes(small.begin() + 16, small.begin() + 24), (Bytes{0, 0, 0, 100, 0, 0, 0, 60}));
}

TEST(World, BeyondOneMapTilesAreTheWholeTerrainsBlocFiles) {
  // 102 blocFiles across: no map can hold it. The reference writer computes the blocFiles of
  // the tiles that touch the world's edges and the 5001st column; an inner tile is also a
  // stand-alone compile of its window, but for its border vertices' colours, whose normals
  // there see the neighbours' pixels.
  const TempDir dir;
  const TerrainImages images = roughTerrain(22, 5101, 151);
  writeTerrain(dir / "w", images);
  const WorldResult world = buildWorld(worldOptions(dir / "w", dir / "out", 51));
  ASSERT_EQ(world.tiles.size(), 102u * 3u);
  const MemoryTexture alt("alt", images.width, images.height, 1, images.alt);
  const MemoryTexture difMat("DifMat", images.width, images.height, 3, images.difMat);
  const MemoryTexture ambMat("AmbMat", images.width, images.height, 3, images.ambMat);
  const MemoryTexture difLight("DifLight", images.width, images.height, 3, images.difLight);
  const MemoryTexture ambLight("AmbLight", images.width, images.height, 3, images.ambLight);
  Terrain lit{alt, difMat, ambMat, difLight, ambLight, kSettings};
  normalize(lit.settings.lightDirection);
  for (const WorldTile& tile : world.tiles) {
    if (tile.column != 0 && tile.column != 99 && tile.column != 100 && tile.column != 101) continue;
    SCOPED_TRACE(tile.file);
    Bytes reference;
    writeBlock(reference, lit, tile.x0, tile.y0);
    EXPECT_TRUE(blocFile(readFile(dir / "out" / tile.file), 0) == reference);
  }

  // Tile (60, 1) on its own: its window cut out of every image.
  const std::int32_t x0 = 3000;
  const std::int32_t y0 = 50;
  const auto cut = [&](const Bytes& pixels, std::size_t bytesPerPixel) {
    Bytes window;
    for (std::int32_t y = y0; y <= y0 + 50; ++y) {
      const auto row = pixels.begin() +
                       static_cast<std::ptrdiff_t>((std::size_t{5101} * y + x0) * bytesPerPixel);
      window.insert(window.end(), row, row + static_cast<std::ptrdiff_t>(51 * bytesPerPixel));
    }
    return window;
  };
  TerrainImages alone;
  alone.width = alone.height = 51;
  alone.alt = cut(images.alt, 1);
  alone.difMat = cut(images.difMat, 3);
  alone.ambMat = cut(images.ambMat, 3);
  alone.difLight = cut(images.difLight, 3);
  alone.ambLight = cut(images.ambLight, 3);
  const Bytes standAlone = referenceMap(alone, kSettings);
  const Bytes tile = readFile(dir / "out" / "w_60_1.map");
  ASSERT_EQ(tile.size(), standAlone.size());
  int borderColours = 0;
  for (std::int64_t cell = 0; cell < 625; ++cell) {
    const std::int64_t at = kHeaderBytes + cell * kCellBytes;
    const int ox = static_cast<int>(cell % 25 % 5 * 2 + cell / 25 % 5 * 10);
    const int oy = static_cast<int>(cell % 25 / 5 * 2 + cell / 125 * 10);
    for (int k = 0; k < kVerticesPerCell; ++k) {
      const int x = ox + 1 + kCellVertices[k].dx;
      const int y = oy + 1 + kCellVertices[k].dy;
      const auto colour = [&](const Bytes& map) {
        return Bytes(map.begin() + at + 3 * k, map.begin() + at + 3 * k + 3);
      };
      if (x == 0 || x == 50 || y == 0 || y == 50) {
        borderColours += colour(tile) != colour(standAlone) ? 1 : 0;
      } else {
        EXPECT_EQ(colour(tile), colour(standAlone)) << "vertex " << x << ", " << y;
      }
    }
    EXPECT_TRUE(std::equal(tile.begin() + at + kHeightsOffset, tile.begin() + at + kCellBytes,
                           standAlone.begin() + at + kHeightsOffset))
        << "cell " << cell;
  }
  EXPECT_GT(borderColours, 0);  // the neighbours' pixels do count there
}

TEST(World, RebuildsOnlyTheTilesWhoseFileOrInputsChanged) {
  const TempDir dir;
  TerrainImages images = roughTerrain(23, 151, 151);
  writeTerrain(dir / "t", images);
  const fs::path out = dir / "out";
  const WorldOptions options = worldOptions(dir / "t", out, 51);  // 3 x 3 tiles
  buildWorld(options);
  const auto built = [](const WorldResult& world) {
    std::set<std::string> names;
    for (const WorldTile& tile : world.tiles) {
      if (tile.built) names.insert(tile.file);
    }
    return names;
  };
  using Names = std::set<std::string>;
  // Nothing changed: no file is written, not even the manifest.
  auto times = agedTimes(out);
  WorldResult world = buildWorld(options);
  EXPECT_EQ(built(world), Names{});
  EXPECT_FALSE(world.recordWritten);
  EXPECT_EQ(rewritten(out, times), Names{});

  // A colour pixel on the column that tiles (0, 0) and (1, 0) share.
  images.difMat[3 * 50] ^= 0xFF;
  writeTerrain(dir / "t", images);
  times = agedTimes(out);
  EXPECT_EQ(built(buildWorld(options)), (Names{"t_0_0.map", "t_1_0.map"}));
  EXPECT_EQ(rewritten(out, times), (Names{"t.world.json", "t_0_0.map", "t_1_0.map"}));

  // An altitude at (51, 51) is in the ring of the four tiles round it.
  images.alt[151 * 51 + 51] ^= 0x40;
  writeTerrain(dir / "t", images);
  EXPECT_EQ(built(buildWorld(options)),
            (Names{"t_0_0.map", "t_1_0.map", "t_0_1.map", "t_1_1.map"}));

  // A tile gone, a tile with a byte changed.
  fs::remove(out / "t_2_2.map");
  Bytes changed = readFile(out / "t_2_1.map");
  changed[5000] ^= 1;
  writeFile(out / "t_2_1.map", changed);
  EXPECT_EQ(built(buildWorld(options)), (Names{"t_2_1.map", "t_2_2.map"}));

  // The same as a build from nothing.
  const fs::path fresh = dir / "fresh";
  buildWorld(worldOptions(dir / "t", fresh, 51));
  EXPECT_EQ(contents(out), contents(fresh));
}

// A rerun trusts a file whose size, times and inode are those recorded: with nothing changed
// it reads no tile and no input and writes no file. A tile changed behind its back with its
// modification time put back has another change time and is caught; --verify reads everything.
TEST(World, ARerunReadsOnlyFilesWhoseIdentityChanged) {
  const TempDir dir;
  TerrainImages images = roughTerrain(30, 151, 101);
  writeTerrain(dir / "t", images);
  const fs::path out = dir / "out";
  WorldOptions options = worldOptions(dir / "t", out, 51);  // 3 x 2 tiles
  ASSERT_EQ(buildWorld(options).inputsRead, 6);
  const std::map<std::string, Bytes> built = contents(out);
  struct Reads {
    std::int32_t built;
    std::int32_t hashed;
    std::int32_t inputsRead;
    bool operator==(const Reads&) const = default;
  };
  const auto rerun = [&](bool verify) {
    options.verify = verify;
    const WorldResult world = buildWorld(options);
    return Reads{world.built, world.hashed, world.inputsRead};
  };
  const auto names = [&] { return directoryNames(out); };
  const std::vector<std::string> before = names();

  // Nothing changed: not a byte read, not a file written, the cache included.
  std::map<std::string, fs::file_time_type> times;
  for (const std::string& name : before) times[name] = fs::last_write_time(out / name);
  EXPECT_EQ(rerun(false), (Reads{0, 0, 0}));
  for (const std::string& name : before) {
    EXPECT_EQ(fs::last_write_time(out / name), times[name]) << name;
  }
  EXPECT_EQ(names(), before);

  // A byte of a tile changed, its size and modification time put back.
  Bytes changed = readFile(out / "t_1_1.map");
  changed[9000] ^= 1;
  const fs::file_time_type written = fs::last_write_time(out / "t_1_1.map");
  writeFile(out / "t_1_1.map", changed);
  fs::last_write_time(out / "t_1_1.map", written);
  EXPECT_EQ(rerun(false), (Reads{1, 1, 1}));
  EXPECT_EQ(contents(out), built);

  // Touched without a change: hashed once and found current, then trusted again.
  fs::last_write_time(out / "t_0_0.map", written - std::chrono::hours(1));
  EXPECT_EQ(rerun(false), (Reads{0, 1, 0}));
  EXPECT_EQ(rerun(false), (Reads{0, 0, 0}));

  // An input touched: the tiles' inputs are read again, to find the same fingerprints.
  fs::last_write_time(dir / "tDifMat.bmp", written - std::chrono::hours(1));
  EXPECT_EQ(rerun(false), (Reads{0, 0, 6}));
  EXPECT_EQ(rerun(false), (Reads{0, 0, 0}));

  // --verify trusts nothing, and finds nothing to rebuild.
  EXPECT_EQ(rerun(true), (Reads{0, 6, 6}));
  EXPECT_EQ(contents(out), built);

  // A colour pixel inside tile (2, 1) alone, the file's times put back.
  images.difMat[3 * (151 * 80 + 130)] ^= 0xFF;
  const fs::file_time_type input = fs::last_write_time(dir / "tDifMat.bmp");
  writeTerrain(dir / "t", images);
  fs::last_write_time(dir / "tDifMat.bmp", input);
  EXPECT_EQ(rerun(false).built, 1);
}

// quorvel-inspect sums a world up as it does a map: its size and tiles, the heights over every
// pixel (those of quorvel's map of the whole terrain), its settings and baked light.
TEST(World, InspectSumsUpAWorldAsTheWholeMap) {
  const TempDir dir;
  writeTerrain(dir / "t", roughTerrain(31, 151, 101));
  buildWorld(worldOptions(dir / "t", dir / "out", 51));
  ImageFiles files;
  files.prefix = (dir / "t").string();
  compileFiles(files, kSettings);
  const Map whole((dir / "t.map").string());
  const auto [low, high] = std::minmax_element(whole.heights().begin(), whole.heights().end());
  ProcessOptions inspect;
  inspect.program = QUORVEL_INSPECT_BINARY;
  const RunResult text = runTool({"out/t.world.json"}, dir.path(), inspect);
  ASSERT_EQ(text.exitCode, 0) << text.out;
  char heights[100];
  std::snprintf(heights, sizeof heights, "heights: %.9g to %.9g\n", double{*low}, double{*high});
  EXPECT_EQ(text.out, std::string("out/t.world.json: world of 151 x 101 pixels, 3 x 2 blocFiles\n"
                                   "tiles: 3 x 2 of 51 pixels, 6 files, 596298 bytes\n") +
                          heights +
                          "settings: light 1 1 2, z scale 0.5, sea level 75\n"
                          "baked light: none\n");
  const RunResult json = runTool({"--json", "out/t.world.json"}, dir.path(), inspect);
  ASSERT_EQ(json.exitCode, 0) << json.out;
  const nlohmann::json summary = nlohmann::json::parse(json.out);
  EXPECT_EQ(summary.at("vertices"), 151 * 101);
  EXPECT_EQ(summary.at("heights").at("max"), double{*high});
  EXPECT_EQ(summary.at("georeference"), nullptr);
}

// A world of 1600 tiles, long enough to build that a run can be stopped halfway.
void writeLongWorld(const TempDir& dir) {
  const TerrainImages images =
      uniformTerrain(2001, 2001, 10, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12});
  writeTerrain(dir / "t", images);
}

TEST(World, AKilledBuildResumesWithoutRebuildingItsFinishedTiles) {
  const TempDir dir;
  writeLongWorld(dir);
  const std::vector<std::string> arguments = {"--tile", "51", "--jobs", "1", "t", "out"};
  ProcessOptions world;
  world.program = QUORVEL_WORLD_BINARY;
  {
    ToolProcess process(arguments, dir.path(), world);
    const auto someDone = [&] {
      return fs::exists(dir / "out" / "t.world.journal") &&
             fs::file_size(dir / "out" / "t.world.journal") > 2000;
    };
    ASSERT_TRUE(waitFor(process, someDone, std::chrono::seconds(120)));
    process.signal(SIGKILL);
    process.wait();
  }
  ASSERT_FALSE(fs::exists(dir / "out" / "t.world.json"));
  writeFile(dir / "out" / "t_19_19.map.tmp99999-0", Bytes(10));  // as a kill leaves one
  const auto before = agedTimes(dir / "out");
  std::set<std::string> finished;
  for (const auto& [name, time] : before) {
    if (name.ends_with(".map")) finished.insert(name);
  }
  const RunResult resumed = runTool(arguments, dir.path(), world);
  ASSERT_EQ(resumed.exitCode, 0) << resumed.out;
  // The last tiles built, a pair written side by side, may have lost their journal lines to
  // the kill; no other is built again.
  int again = 0;
  for (const std::string& name : finished) {
    again += before.at(name) != fs::last_write_time(dir / "out" / name) ? 1 : 0;
  }
  EXPECT_LE(again, 2);
  EXPECT_GT(finished.size(), 3u);
  EXPECT_EQ(temporaryMaps(dir / "out"), std::vector<std::string>{});
  const std::vector<std::string> names = directoryNames(dir / "out");
  EXPECT_EQ(names.size(), 1602u);  // the tiles, the manifest and the cache, no journal
  const RunResult fresh = runTool({"--tile", "51", "t", "fresh"}, dir.path(), world);
  ASSERT_EQ(fresh.exitCode, 0);
  EXPECT_EQ(readFile(dir / "out" / "t.world.json"), readFile(dir / "fresh" / "t.world.json"));
}

TEST(World, ShardsRunAtOnceAndMergedEqualOneRun) {
  const TempDir dir;
  writeTerrain(dir / "t", roughTerrain(25, 251, 201));
  ProcessOptions world;
  world.program = QUORVEL_WORLD_BINARY;
  const std::vector<std::string> settings = {"t", "out", "1", "1", "2", "0.5", "75"};
  // Plain tiles in one stage; with baked light, each stage's shards at once, one stage after
  // the other.
  for (const std::vector<std::vector<std::string>>& stages :
       {std::vector<std::vector<std::string>>{{}},
        {{"--sky", "--shadows", "--stage", "horizons"}, {"--sky", "--shadows", "--stage", "tiles"}}}) {
    const std::vector<std::string> light =
        stages.size() > 1 ? std::vector<std::string>{"--sky", "--shadows"}
                          : std::vector<std::string>{};
    SCOPED_TRACE(light.empty() ? "plain" : "light");
    for (const std::vector<std::string>& stage : stages) {
      std::vector<std::unique_ptr<ToolProcess>> shards;
      for (const char* shard : {"0/3", "1/3", "2/3"}) {
        std::vector<std::string> arguments = {"--tile", "51", "--shard", shard};
        arguments.insert(arguments.end(), stage.begin(), stage.end());
        arguments.insert(arguments.end(), settings.begin(), settings.end());
        shards.push_back(std::make_unique<ToolProcess>(arguments, dir.path(), world));
      }
      for (const auto& shard : shards) ASSERT_EQ(shard->wait().exitCode, 0);
    }
    EXPECT_FALSE(fs::exists(dir / "out" / "t.world.json"));
    const RunResult merged = runTool({"--merge", "out/t"}, dir.path(), world);
    ASSERT_EQ(merged.exitCode, 0) << merged.out;
    std::vector<std::string> single = {"--tile", "51"};
    single.insert(single.end(), light.begin(), light.end());
    single.insert(single.end(), settings.begin(), settings.end());
    single[single.size() - 6] = "single";
    ASSERT_EQ(runTool(single, dir.path(), world).exitCode, 0);
    std::map<std::string, Bytes> shardFiles = contents(dir / "out");
    for (const char* record :
         {"t.shard-0-of-3.json", "t.shard-1-of-3.json", "t.shard-2-of-3.json"}) {
      EXPECT_EQ(shardFiles.erase(record), 1u);
    }
    EXPECT_EQ(shardFiles, contents(dir / "single"));
    fs::remove_all(dir / "out");
    fs::remove_all(dir / "single");
  }
}

// Terrains whose light crosses tiles: rough ground at random with ridges, pits and cliffs laid
// across the tiles' borders, and a peak in the first tile that shades the far side.
TerrainImages lightTerrain(std::uint32_t seed, std::int32_t width, std::int32_t height) {
  std::mt19937 random(seed);
  TerrainImages images = randomTerrain(random, width, height, 12);
  const auto at = [&](std::int32_t x, std::int32_t y) -> std::uint8_t& {
    return images.alt[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
  };
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t& alt = at(x, y);
      alt = static_cast<std::uint8_t>(60 + alt % 16);
      if (x % 50 == 0 || y % 50 == 1) alt = static_cast<std::uint8_t>(alt + 60);  // ridges
      if (x % 100 == 49 && y % 2 == 0) alt = 20;                                  // a cliff
      if ((x + y) % 37 == 0) alt = 5;                                             // pits
    }
  }
  for (std::int32_t y = 0; y < std::min(height, 30); ++y) {  // the peak, in a corner
    for (std::int32_t x = 0; x < std::min(width, 30); ++x) {
      at(x, y) = static_cast<std::uint8_t>(255 - 4 * std::max(std::abs(x - 12), std::abs(y - 12)));
    }
  }
  return images;
}

TEST(World, TilesWithBakedLightReassembleIntoQuorvelsMap) {
  const TempDir dir;
  writeTerrain(dir / "s", lightTerrain(31, 251, 151));
  writeTerrain(dir / "t", lightTerrain(32, 151, 201));
  const struct {
    const char* prefix;
    BakedLight baked;
    Vector3 light;
    float zScale;
  } kCases[] = {
      {"s", {8, false, 0.53}, {1, 1, 2}, 0.5f},
      {"s", {16, false, 0.53}, {-1, 2, 1}, 1.5f},
      {"t", {16, false, 0.53}, {1, 1, 2}, -0.75f},
      {"s", {0, true, 0.53}, {1, 1, 2}, 1.0f},     // a high sun
      {"s", {0, true, 8.0}, {-2, 1, 0.3f}, 2.0f},  // a low, wide sun from the west
      {"t", {0, true, 0.53}, {0.2f, -1, 0.1f}, 1.0f},  // a low sun from the south
      {"s", {16, true, 2.0}, {-1, -1, 0.4f}, 3.0f},    // the corner peak shades the far side
      {"t", {8, true, 0.53}, {1, 0, 0.5f}, 0.5f},
  };
  for (const auto& c : kCases) {
    ImageFiles files;
    files.prefix = (dir / c.prefix).string();
    const Settings settings{c.light, c.zScale, 10.0f, c.baked};
    const Bytes whole = readFile(compileFiles(files, settings).map);
    for (const std::int32_t tileSize : {51, 101, 151}) {
      SCOPED_TRACE(std::string(c.prefix) + ", sky " + std::to_string(c.baked.skyDirections) +
                   ", shadows " + std::to_string(c.baked.shadows) + ", light " +
                   std::to_string(c.light.x) + " " + std::to_string(c.light.y) + " " +
                   std::to_string(c.light.z) + ", tiles of " + std::to_string(tileSize));
      const fs::path outdir = dir / "out";
      WorldOptions options = worldOptions(files.prefix, outdir, tileSize);
      options.settings = settings;
      const WorldResult world = buildWorld(options);
      expectTilesOf(world, outdir, whole);
      fs::remove_all(outdir);
    }
  }
}

// quorvel-world reads its settings as quorvel does: a setting typed wrong is a warning on
// standard error (or a note of the JSON) and the run goes on; with --strict it stops the run
// before any file is written.
TEST(World, SettingsTypedWrongAreWarnedOfAndRefusedWithStrict) {
  const TempDir dir;
  writeTerrain(dir / "t", roughTerrain(29, 51, 51));
  ProcessOptions world;
  world.program = QUORVEL_WORLD_BINARY;
  const std::string ignored =
      "1 2: a light direction takes three numbers, so these two are ignored";
  const std::string comma = "0,5: not wholly a number, read as 0.000000 for the z scale factor";
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::string err;
    std::string zScaleLine;  // empty: no settings printed
  } kCases[] = {
      {{"t", "out", "1", "2"}, 0, ignored + "\n", "z scale factor= 1.000000"},
      {{"--strict", "t", "out", "1", "2"}, 2, ignored + "\n", ""},
      {{"t", "out", "0", "0", "1", "0,5"}, 0, comma + "\n", "z scale factor= 0.000000"},
      {{"--strict", "t", "out", "0", "0", "1", "0,5"}, 2, comma + "\n", ""},
      {{"--strict", "t", "out", "0", "0", "1", "2"}, 0, "", "z scale factor= 2.000000"},
      {{"--json", "t", "out", "0", "0", "1", "0,5"}, 0, "", ""},
      {{"--json", "--strict", "t", "out", "1", "2"}, 2, "", ""},
  };
  for (const auto& c : kCases) {
    std::string shown;
    for (const std::string& argument : c.arguments) shown += argument + " ";
    SCOPED_TRACE(shown);
    fs::remove_all(dir / "out");
    const RunResult result = runTool(c.arguments, dir.path(), world);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(fs::exists(dir / "out"), c.exitCode == 0);
    const std::vector<std::string> lines = splitLines(result.out);
    if (!c.zScaleLine.empty()) {
      ASSERT_GE(lines.size(), 3u);
      EXPECT_EQ(lines[2], c.zScaleLine);
    }
    if (c.arguments[0] == "--json") {
      const nlohmann::json json = nlohmann::json::parse(result.out);
      if (c.exitCode == 0) {
        EXPECT_EQ(json.at("notes").at(0), comma);
      } else {
        EXPECT_EQ(json.at("error"), ignored);
        EXPECT_EQ(json.at("exit"), 2);
      }
    } else if (c.exitCode == 2) {
      EXPECT_EQ(result.out, std::string("quorvel-world ") + version() + "\n");
    }
  }
  const RunResult help = runTool({"--help"}, dir.path(), world);
  EXPECT_NE(help.out.find("\n  --strict         settings typed wrong are errors (exit 2), not "
                          "warnings\n"),
            std::string::npos);
}

TEST(World, LightTilesAreRebuiltWhereWhatReachesThemChanged) {
  const TempDir dir;
  TerrainImages images = lightTerrain(33, 251, 151);
  writeTerrain(dir / "t", images);
  const fs::path out = dir / "out";
  WorldOptions options = worldOptions(dir / "t", out, 51);  // 5 x 3 tiles
  options.settings = Settings{{-1, 0.2f, 0.3f}, 2.0f, 0.0f, {16, true, 0.53}};
  buildWorld(options);
  const auto built = [](const WorldResult& world) {
    std::set<std::string> names;
    for (const WorldTile& tile : world.tiles) {
      if (tile.built) names.insert(tile.file);
    }
    return names;
  };
  // Nothing changed: nothing written.
  auto times = agedTimes(out);
  WorldResult world = buildWorld(options);
  EXPECT_EQ(built(world), std::set<std::string>{});
  EXPECT_EQ(world.horizonsBuilt, 0);
  EXPECT_EQ(rewritten(out, times), std::set<std::string>{});
  // A colour pixel inside tile (2, 1): that tile only.
  images.difMat[3 * (251 * 75 + 125)] ^= 0xFF;
  writeTerrain(dir / "t", images);
  EXPECT_EQ(built(buildWorld(options)), std::set<std::string>{"t_2_1.map"});
  // A high ridge across tile (0, 1), in the west: the sun low in the west shades tiles far
  // to the east of it, and the sky of tiles all round sees it.
  for (std::int32_t y = 60; y < 90; ++y) images.alt[251 * y + 30] = 255;
  writeTerrain(dir / "t", images);
  const std::set<std::string> again = built(buildWorld(options));
  EXPECT_TRUE(again.contains("t_4_1.map"));
  EXPECT_TRUE(again.contains("t_0_0.map"));
  const fs::path fresh = dir / "fresh";
  WorldOptions freshOptions = options;
  freshOptions.outdir = fresh.string();
  buildWorld(freshOptions);
  EXPECT_EQ(contents(out), contents(fresh));
}

// Each stage of a light world killed halfway, a temporary file left as a kill leaves one, and
// run again: only what was missing is written, and the world ends as one run builds it.
TEST(World, EachLightStageKilledAndResumedEndsAsOneRunBuildsIt) {
  const TempDir dir;
  writeTerrain(dir / "t", lightTerrain(35, 751, 751));  // 225 tiles
  ProcessOptions world;
  world.program = QUORVEL_WORLD_BINARY;
  const fs::path out = dir / "out";
  const std::vector<std::string> light = {"--tile", "51", "--sky=8", "--shadows"};
  const std::vector<std::string> settings = {"t", "out", "-1", "0.5", "0.3", "1.5", "75"};
  const auto endingIn = [&](const std::string& suffix) {
    std::set<std::string> names;
    if (!fs::exists(out)) return names;
    for (const std::string& name : directoryNames(out)) {
      if (name.ends_with(suffix)) names.insert(name);
    }
    return names;
  };
  for (const std::string stage : {"horizons", "tiles"}) {
    SCOPED_TRACE(stage);
    const std::string suffix = stage == "tiles" ? ".map" : ".horizons";
    std::vector<std::string> arguments = light;
    arguments.insert(arguments.end(), {"--jobs", "1", "--stage", stage});
    arguments.insert(arguments.end(), settings.begin(), settings.end());
    {
      ToolProcess process(arguments, dir.path(), world);
      ASSERT_TRUE(waitFor(process, [&] { return endingIn(suffix).size() >= 3; },
                          std::chrono::seconds(120)));
      ASSERT_FALSE(process.ended()) << "the stage ended before it could be killed";
      process.signal(SIGKILL);
      process.wait();
    }
    writeFile(out / ("t_14_14" + suffix + ".tmp99999-0"), Bytes(10));
    const auto before = agedTimes(out);
    const std::set<std::string> finished = endingIn(suffix);
    ASSERT_LT(finished.size(), 225u);
    const RunResult resumed = runTool(arguments, dir.path(), world);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.out;
    // The pair of tiles whose journal lines the kill cut off may be built again; nothing else
    // is.
    int again = 0;
    for (const std::string& name : finished) {
      again += before.at(name) != fs::last_write_time(out / name) ? 1 : 0;
    }
    EXPECT_LE(again, stage == "tiles" ? 2 : 0);
    EXPECT_EQ(endingIn(suffix).size(), 225u);
  }
  std::vector<std::string> single = light;
  single.insert(single.end(), settings.begin(), settings.end());
  single[light.size() + 1] = "fresh";
  ASSERT_EQ(runTool(single, dir.path(), world).exitCode, 0);
  EXPECT_EQ(contents(out), contents(dir / "fresh"));
}

TEST(World, RefusalsLeaveTilesAndManifestAsTheyWere) {
  const TempDir dir;
  writeTerrain(dir / "t", roughTerrain(26, 101, 101));
  writeTerrain(dir / "wide", roughTerrain(26, 100, 101));
  writeTerrain(dir / "low", roughTerrain(26, 101, 1));
  writeFile(dir / "file", Bytes(1));
  std::vector<double> samples(101 * 101, 10.0);
  samples[101 * 60 + 70] = std::numeric_limits<double>::quiet_NaN();
  writeRaster(dir / "holes.tif", Raster("GTiff", 101, 101, 1, GDT_Float32, samples));
  ProcessOptions world;
  world.program = QUORVEL_WORLD_BINARY;
  ASSERT_EQ(runTool({"--tile", "51", "t", "out"}, dir.path(), world).exitCode, 0);
  ASSERT_EQ(runTool({"--shard", "0/2", "t", "parts"}, dir.path(), world).exitCode, 0);
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    std::string line;  // the last line on standard output
  } kCases[] = {
      {{"--alt", "widealt.bmp", "t", "out"}, 1, "largeur incorrect"},
      {{"--alt", "lowalt.bmp", "t", "out"}, 1, "hauteur incorrect"},
      {{"--amblight", "none.bmp", "t", "out"}, 1, "erreur lors de l'ouverture du fichier none.bmp"},
      {{"t", "file/out"}, 1, "impossible de creer le fichier file/out/t_0_0.map"},
      {{"--tile", "51", "--alt", "holes.tif", "t", "out"},
       1,
       "erreur: holes.tif contient 1 pixels sans altitude"},
      {{"--tile", "51", "t", "out", "1", "1", "2", "1e38"},
       1,
       "erreur: talt.bmp donne des hauteurs hors limites"},
      {{"--merge", "parts/t"}, 1, "erreur: il manque parts/t.shard-1-of-2.json"},
      {{"--tile", "50", "t", "out"},
       2,
       "quorvel-world: --tile needs a size of 50 n + 1 pixels from 51 to 5001, not 50"},
      {{"--tile", "5051", "t", "out"},
       2,
       "quorvel-world: --tile needs a size of 50 n + 1 pixels from 51 to 5001, not 5051"},
      {{"--shard", "2/2", "t", "out"},
       2,
       "quorvel-world: --shard needs K/N with 0 <= K < N, not 2/2"},
      {{"--tile", "51", "--stage", "tiles", "--sky", "t", "out"},
       1,
       "erreur: out/t_0_0.horizons manque: lancez d'abord quorvel-world --stage horizons"},
      {{"--stage", "both", "t", "out"}, 2, "quorvel-world: --stage needs horizons or tiles, not both"},
      {{"--stage", "horizons", "t", "out"}, 0, "horizons: aucun sans --sky ni --shadows, rien de fait"},
      {{"--bogus", "t", "out"}, 2, "erreur: option inconnue --bogus"},
      {{"t"}, 2, "quorvel-world: give the prefix and the output directory"},
      {{"t", "--shard", "0/3"},
       2,
       "quorvel-world: options come before the prefix, so --shard is not an output directory "
       "(write ./--shard for a directory of that name)"},
  };
  const std::map<std::string, Bytes> before = contents(dir / "out");
  const auto times = agedTimes(dir / "out");
  for (const auto& c : kCases) {
    std::string shown;
    for (const std::string& argument : c.arguments) shown += argument + " ";
    SCOPED_TRACE(shown);
    const RunResult result = runTool(c.arguments, dir.path(), world);
    EXPECT_EQ(result.exitCode, c.exitCode);
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.line);
    EXPECT_EQ(contents(dir / "out"), before);
    EXPECT_EQ(rewritten(dir / "out", times), std::set<std::string>{});
  }
}

}  // namespace
}  // namespace quorvel::test
