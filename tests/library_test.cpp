// The library's interface, as a program that links it uses it.

#include <cpl_conv.h>
#include <gdal.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "inspect_support.h"
#include "quorvel/quorvel.h"
#include "raster_files.h"
#include "reference_map.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

using test::Bytes;

// A 101 x 51 terrain with relief and colours that vary from pixel to pixel.
test::TerrainImages bumpyTerrain() {
  test::TerrainImages images = test::uniformTerrain(101, 51, 0, {}, {}, {}, {});
  for (std::size_t i = 0; i < images.alt.size(); ++i) {
    images.alt[i] = static_cast<std::uint8_t>((i * 37 + i / 101 * 11) % 200);
    for (int c = 0; c < 3; ++c) {
      images.difMat[3 * i + c] = static_cast<std::uint8_t>(i * 7 + c * 50);
      images.ambMat[3 * i + c] = static_cast<std::uint8_t>(i * 3 + c * 20);
      images.difLight[3 * i + c] = static_cast<std::uint8_t>(255 - i % 90);
      images.ambLight[3 * i + c] = static_cast<std::uint8_t>(i % 60);
    }
  }
  return images;
}

ColourView colourView(const Bytes& pixels, const test::TerrainImages& images) {
  return {pixels.data(), images.width, images.height, 3 * std::ptrdiff_t{images.width}, 0};
}

Settings someSettings() {
  Settings settings;
  settings.lightDirection = {1.0f, -0.5f, 2.0f};
  settings.zScaleFactor = 0.7f;
  settings.seaLevel = 12.0f;
  return settings;
}

// The altitudes as samples of type Sample laid out with the given strides (in samples), row 0
// at the start when rowStep > 0 and at the end otherwise.
template <class Sample>
std::vector<Sample> laidOut(const test::TerrainImages& images, int pixelStep, bool rowsReversed) {
  const std::size_t rowSamples = static_cast<std::size_t>(images.width) * pixelStep;
  std::vector<Sample> samples(rowSamples * images.height, Sample{});
  for (int y = 0; y < images.height; ++y) {
    const int row = rowsReversed ? images.height - 1 - y : y;
    for (int x = 0; x < images.width; ++x) {
      samples[row * rowSamples + static_cast<std::size_t>(x) * pixelStep] =
          static_cast<Sample>(images.alt[static_cast<std::size_t>(y) * images.width + x]);
    }
  }
  return samples;
}

template <class Sample>
AltitudeView altitudeView(const std::vector<Sample>& samples, const test::TerrainImages& images,
                          SampleType type, int pixelStep, bool rowsReversed) {
  const auto rowBytes = static_cast<std::ptrdiff_t>(sizeof(Sample)) * images.width * pixelStep;
  const auto* first = reinterpret_cast<const std::uint8_t*>(samples.data());
  if (rowsReversed) first += rowBytes * (images.height - 1);
  return {first,         images.width,
          images.height, rowsReversed ? -rowBytes : rowBytes,
          type,          static_cast<std::ptrdiff_t>(sizeof(Sample)) * pixelStep};
}

// Every sample type and layout of the same altitudes gives the map that quorvel writes from
// the same pictures as BMPs, and the reference writer's.
TEST(Library, InMemoryRastersGiveTheCommandLinesMap) {
  const test::TempDir dir;
  const test::TerrainImages images = bumpyTerrain();
  test::writeTerrain(dir / "t", images);
  const test::RunResult run = test::runTool({"t", "1", "-0.5", "2", "0.7", "12"}, dir.path());
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const Bytes expected = test::readFile(dir / "t.map");
  ASSERT_EQ(expected, test::referenceMap(images, someSettings()));

  const auto uint8 = laidOut<std::uint8_t>(images, 2, true);
  const auto int16 = laidOut<std::int16_t>(images, 1, true);
  const auto uint16 = laidOut<std::uint16_t>(images, 1, false);
  const auto int32 = laidOut<std::int32_t>(images, 3, false);
  const auto uint32 = laidOut<std::uint32_t>(images, 1, false);
  const auto float32 = laidOut<float>(images, 1, true);
  const auto float64 = laidOut<double>(images, 2, false);
  struct Case {
    const char* name;
    AltitudeView alt;
  };
  test::TerrainImages low = images;  // int8 holds altitudes up to 127 only
  for (std::uint8_t& a : low.alt) a = static_cast<std::uint8_t>(a / 2);
  const auto int8Low = laidOut<std::int8_t>(low, 1, false);
  const Case cases[] = {
      {"uint8, every other sample, rows reversed",
       altitudeView(uint8, images, SampleType::kUInt8, 2, true)},
      {"int16, rows reversed", altitudeView(int16, images, SampleType::kInt16, 1, true)},
      {"uint16", altitudeView(uint16, images, SampleType::kUInt16, 1, false)},
      {"int32, every third sample", altitudeView(int32, images, SampleType::kInt32, 3, false)},
      {"uint32", altitudeView(uint32, images, SampleType::kUInt32, 1, false)},
      {"float32, rows reversed", altitudeView(float32, images, SampleType::kFloat32, 1, true)},
      {"float64, every other sample",
       altitudeView(float64, images, SampleType::kFloat64, 2, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TerrainViews views{c.alt, colourView(images.difMat, images),
                             colourView(images.ambMat, images), colourView(images.difLight, images),
                             colourView(images.ambLight, images)};
    std::vector<std::int32_t> sizes;  // as onSize gives them
    CompileOptions options;
    options.onSize = [&](std::int32_t largeur, std::int32_t hauteur) {
      sizes.insert(sizes.end(), {largeur, hauteur});
    };
    const CompileResult result =
        compileRasters((dir / "m.map").string(), views, someSettings(), options);
    EXPECT_EQ(test::readFile(dir / "m.map"), expected);
    EXPECT_EQ(result.largeur, 2);
    EXPECT_EQ(result.hauteur, 1);
    EXPECT_EQ(result.bytes, 8 + 2 * 99375);
    EXPECT_EQ(sizes, (std::vector<std::int32_t>{2, 1}));
  }
  const TerrainViews signedBytes{altitudeView(int8Low, low, SampleType::kInt8, 1, false),
                                 colourView(low.difMat, low), colourView(low.ambMat, low),
                                 colourView(low.difLight, low), colourView(low.ambLight, low)};
  compileRasters((dir / "s.map").string(), signedBytes, someSettings());
  EXPECT_EQ(test::readFile(dir / "s.map"), test::referenceMap(low, someSettings()));
}

// The library's refusals are the command line's lines, without their line feeds, and the
// role names stand for file names.
TEST(Library, RefusalsAreTheCommandLinesLines) {
  const test::TempDir dir;
  const test::TerrainImages images = bumpyTerrain();
  std::vector<float> holes(images.alt.begin(), images.alt.end());
  holes[5] = std::numeric_limits<float>::quiet_NaN();
  holes[101 * 50 + 7] = std::numeric_limits<float>::infinity();
  const ColourView colour = colourView(images.difMat, images);
  ColourView narrow = colour;
  narrow.width = 100;
  const AltitudeView alt{holes.data(), 101, 51, 101 * 4, SampleType::kFloat32, 0};
  struct Case {
    TerrainViews views;
    const char* message;
    const char* hint;
  };
  const Case cases[] = {
      {{alt, colour, colour, colour, colour},
       "erreur: alt contient 2 pixels sans altitude",
       "alt: the first pixel without altitude is row 0, column 5 (row 0 the array's first, the "
       "south edge); NaN and infinities are not altitudes"},
      {{{images.alt.data(), 101, 51, 101, SampleType::kUInt8, 0}, colour, colour, narrow, colour},
       "erreur: diflight n'a pas la taille de alt",
       "diflight has 51 rows and 100 columns, alt 51 and 101: every colour array must have the "
       "altitude's rows and columns"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      compileRasters((dir / "m.map").string(), c.views);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
      EXPECT_EQ(error.hint(), c.hint);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "m.map"));
  }
  // Baked light the command line would refuse, refused in its words before anything is read.
  const TerrainViews good{{images.alt.data(), 101, 51, 101, SampleType::kUInt8, 0}, colour, colour,
                          colour, colour};
  const std::pair<BakedLight, const char*> baked[] = {
      {{12, false, 0.53}, "erreur: valeur incorrecte pour --sky: 12"},
      {{0, true, -1}, "erreur: valeur incorrecte pour --sun-size: -1"},
      {{16, true, std::numeric_limits<double>::infinity()},
       "erreur: valeur incorrecte pour --sun-size: inf"}};
  for (const auto& [light, message] : baked) {
    Settings settings;
    settings.baked = light;
    try {
      compileRasters((dir / "m.map").string(), good, settings);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "m.map"));
  }
  ImageFiles files;
  files.prefix = (dir / "none").string();
  try {
    compileFiles(files);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "erreur lors de l'ouverture du fichier " + files.prefix + "alt.bmp");
    EXPECT_EQ(error.hint(), files.prefix + "alt.bmp: No such file or directory");
  }
}

// Each refusal says its kind, for a program to act on without reading the message.
TEST(Library, ErrorsSayTheirKind) {
  const test::TempDir dir;
  const test::TerrainImages images = bumpyTerrain();
  test::writeTerrain(dir / "t", images);
  const ColourView colour = colourView(images.difMat, images);
  const AltitudeView alt{images.alt.data(), 101, 51, 101, SampleType::kUInt8, 0};
  std::vector<float> holes(images.alt.begin(), images.alt.end());
  holes[3] = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> huge(101 * 51, 3e38f);
  const auto rasters = [&](const std::string& map, AltitudeView altitude, Settings settings = {}) {
    return [=, &dir] {
      compileRasters((dir / map).string(), {altitude, colour, colour, colour, colour}, settings);
    };
  };
  const auto files = [&](std::optional<std::string> altName, const std::string& prefix = "t") {
    return [=, &dir] {
      ImageFiles named;
      named.prefix = (dir / prefix).string();
      named.alt = altName ? std::optional((dir / *altName).string()) : std::nullopt;
      compileFiles(named);
    };
  };
  Settings twice;
  twice.zScaleFactor = 2.0f;
  Settings sky;
  sky.baked.skyDirections = 5;
  ColourView narrow = colour;
  narrow.width = 100;
  const std::pair<ErrorKind, std::function<void()>> cases[] = {
      {ErrorKind::kOpen, files("none.bmp")},
      {ErrorKind::kFormat, files("tDifMat.bmp")},
      {ErrorKind::kSize,
       [&] {
         compileRasters((dir / "m.map").string(), {alt, colour, narrow, colour, colour});
       }},
      {ErrorKind::kNoData, rasters("m.map", {holes.data(), 101, 51, 404, SampleType::kFloat32})},
      {ErrorKind::kRange,
       rasters("m.map", {huge.data(), 101, 51, 404, SampleType::kFloat32}, twice)},
      {ErrorKind::kWrite, rasters("none/m.map", alt)},
      {ErrorKind::kUsage, rasters("m.map", alt, sky)},
  };
  for (const auto& [kind, action] : cases) {
    SCOPED_TRACE(errorKindName(kind));
    try {
      action();
      ADD_FAILURE() << "no refusal";
    } catch (const Error& error) {
      EXPECT_EQ(error.kind(), kind) << error.what();
    }
  }
}

// Each refusal's hint says what was found and what to do. A map that cannot be made is
// found before any pixel is read (heights out of range are not reached), but after the
// images' own refusals.
TEST(Library, HintsSayWhatWasFound) {
  const test::TempDir dir;
  test::writeTerrain(dir / "t", bumpyTerrain());
  test::writeTerrain(dir / "w", test::uniformTerrain(5101, 51, 0, {}, {}, {}, {}));
  std::filesystem::create_directory(dir / "d.map");
  using Named = std::vector<std::pair<std::optional<std::string> ImageFiles::*, std::string>>;
  // The five images of base, named one by one, whatever the prefix.
  const auto five = [](const std::string& base) {
    return Named{{&ImageFiles::alt, base + "alt.bmp"},
                 {&ImageFiles::difmat, base + "DifMat.bmp"},
                 {&ImageFiles::ambmat, base + "AmbMat.bmp"},
                 {&ImageFiles::diflight, base + "DifLight.bmp"},
                 {&ImageFiles::amblight, base + "AmbLight.bmp"}};
  };
  struct Case {
    std::string prefix;
    Named named;
    ErrorKind kind;
    std::string hint;
    Settings settings = {};
  };
  Settings steep;
  steep.zScaleFactor = 1e38f;
  const std::string missing = (dir / "none").string();
  Named missingColour = five("t");
  missingColour[1].second = "none.bmp";
  const Case cases[] = {
      {"t",
       {{&ImageFiles::alt, "tDifMat.bmp"}},
       ErrorKind::kFormat,
       "tDifMat.bmp: is a 24-bit BMP"},
      {"t", {{&ImageFiles::ambmat, "talt.bmp"}}, ErrorKind::kFormat, "talt.bmp: is an 8-bit BMP"},
      {"t",
       {{&ImageFiles::amblight, "none.bmp"}},
       ErrorKind::kOpen,
       "No such file or directory; light images of one colour are made in one command: see "
       "\"Light images\" in the README"},
      {"w", {}, ErrorKind::kSize, "quorvel-world cuts an altitude of any size"},
      {"t", {}, ErrorKind::kRange, "lower the z scale factor", steep},
      // The map cannot be made: said before the heights are read, after the images' refusals.
      {"none/t", five("t"), ErrorKind::kWrite,
       "the folder " + missing + " does not exist; create it (mkdir -p " + missing + ")", steep},
      {"talt.bmp/t", five("t"), ErrorKind::kWrite,
       (dir / "talt.bmp").string() + " is a file, not a folder"},
      {"d", five("t"), ErrorKind::kWrite, "d.map: it is a folder; remove it"},
      {"none/t", missingColour, ErrorKind::kOpen, "none.bmp: No such file or directory"},
      {"none/w", five("w"), ErrorKind::kSize, "walt.bmp is 5101 x 51 pixels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + ": " + c.hint);
    ImageFiles files;
    files.prefix = (dir / c.prefix).string();
    for (const auto& [role, name] : c.named) files.*role = (dir / name).string();
    try {
      compileFiles(files, c.settings);
      ADD_FAILURE() << "no refusal";
    } catch (const Error& error) {
      EXPECT_EQ(error.kind(), c.kind) << error.what();
      EXPECT_NE(error.hint().find(c.hint), std::string::npos) << error.hint();
    }
  }
}

// A compile keeps nothing process-wide: two at once on two threads each write their own map.
TEST(Library, TwoThreadsCompileTwoMapsAtOnce) {
  const test::TempDir dir;
  const test::TerrainImages first = bumpyTerrain();
  test::TerrainImages second = first;
  for (std::uint8_t& a : second.alt) a = static_cast<std::uint8_t>(255 - a);
  test::writeTerrain(dir / "a", first);
  const auto compile = [&](const test::TerrainImages& images, const std::string& name) {
    const TerrainViews views{{images.alt.data(), 101, 51, 101, SampleType::kUInt8, 0},
                             colourView(images.difMat, images),
                             colourView(images.ambMat, images),
                             colourView(images.difLight, images),
                             colourView(images.ambLight, images)};
    for (int round = 0; round < 10; ++round) compileRasters((dir / name).string(), views);
  };
  std::thread other([&] { compile(second, "b.map"); });
  ImageFiles files;
  files.prefix = (dir / "a").string();
  for (int round = 0; round < 10; ++round) compileFiles(files);
  other.join();
  EXPECT_EQ(test::readFile(dir / "a.map"), test::referenceMap(first, Settings{}));
  EXPECT_EQ(test::readFile(dir / "b.map"), test::referenceMap(second, Settings{}));
}

// A host that uses GDAL itself finds its settings as it set them after compiles from GeoTIFFs
// on two threads at once: the cache size, the process's options and a thread's own.
TEST(Library, CompilesLeaveGdalsSettingsAsTheHostSetThem) {
  const test::TempDir dir;
  const test::TerrainImages images = bumpyTerrain();
  test::writeTerrainRasters(dir / "a", images, "GTiff", "tif");
  test::writeTerrainRasters(dir / "b", images, "GTiff", "tif");
  constexpr const char* kKeys[] = {"GDAL_PAM_ENABLED", "GTIFF_VIRTUAL_MEM_IO",
                                   "GDAL_VRT_ENABLE_PYTHON"};
  std::vector<std::optional<std::string>> before;
  for (const char* key : kKeys) {
    const char* value = CPLGetConfigOption(key, nullptr);
    before.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    CPLSetConfigOption(key, "host");
  }
  const GIntBig cacheBefore = GDALGetCacheMax64();
  const GIntBig cache = (GIntBig{200} << 20) + 12345;
  GDALSetCacheMax64(cache);
  std::vector<std::string> seen[2];
  const auto compile = [&](int thread) {
    if (thread == 1) {
      for (const char* key : kKeys) CPLSetThreadLocalConfigOption(key, "thread");
    }
    ImageFiles files;
    files.prefix = (dir / (thread == 0 ? "a" : "b")).string();
    files.ext = "tif";
    compileFiles(files);
    for (const char* key : kKeys) seen[thread].push_back(CPLGetConfigOption(key, "unset"));
    for (const char* key : kKeys) CPLSetThreadLocalConfigOption(key, nullptr);
  };
  std::thread first(compile, 0);
  std::thread second(compile, 1);
  first.join();
  second.join();
  EXPECT_EQ(seen[0], std::vector<std::string>(3, "host"));
  EXPECT_EQ(seen[1], std::vector<std::string>(3, "thread"));
  EXPECT_EQ(GDALGetCacheMax64(), cache);
  for (std::size_t i = 0; i < std::size(kKeys); ++i) {
    EXPECT_STREQ(CPLGetConfigOption(kKeys[i], "unset"), "host") << kKeys[i];
    CPLSetConfigOption(kKeys[i], before[i] ? before[i]->c_str() : nullptr);
  }
  GDALSetCacheMax64(cacheBefore);
  const Bytes expected = test::referenceMap(images, Settings{});
  EXPECT_EQ(test::readFile(dir / "a.map"), expected);
  EXPECT_EQ(test::readFile(dir / "b.map"), expected);
}

// A compile keeps nothing once it returns, on the thread that called it: no descriptor (a
// read ring, a file) and no buffer stays behind, from BMPs or from GeoTIFFs (GDAL loaded).
TEST(Library, ACompileLeavesNoDescriptorNorMemoryOnItsThread) {
  const test::TempDir dir;
  std::mt19937 random(5);
  // Colour rows of 3 kB: the BMP reader's buffers come to their megabyte.
  test::writeTerrain(dir / "b", test::randomTerrain(random, 1001, 1001, 60));
  test::writeTerrainRasters(dir / "g", bumpyTerrain(), "GTiff", "tif");
  const auto descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto heldBytes = [] {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const auto compileBoth = [&] {
    for (const char* prefix : {"b", "g"}) {
      ImageFiles files;
      files.prefix = (dir / prefix).string();
      files.ext = prefix[0] == 'g' ? "tif" : "bmp";
      compileFiles(files);
    }
  };
  std::thread(compileBoth).join();  // GDAL's own first-use state is not the compile's
  const auto before = descriptors();
  std::thread([&] {
    const auto openBefore = descriptors();
    const std::size_t heldBefore = heldBytes();
    compileBoth();
    EXPECT_EQ(descriptors(), openBefore);
    // A map's buffers take megabytes; what may stay is the small blocks that the allocator
    // keeps for the thread (up to 7 of each size to 1 kB, 240 kB).
    EXPECT_LT(heldBytes(), heldBefore + (384 << 10));
  }).join();
  EXPECT_EQ(descriptors(), before);
}

// Colour BMPs are read a band of blocFile rows at a time into a few buffers used in turn: a
// map of more bands than buffers, on any number of threads, with a colour image larger than
// the altitude and a file named for two roles, is the reference writer's map.
TEST(Library, ColourBandsGiveTheWholeImagesMap) {
  const test::TempDir dir;
  std::mt19937 random(11);
  test::TerrainImages images = test::randomTerrain(random, 201, 401, 60);
  images.ambLight = images.difLight;  // the file named for both
  test::writeTerrain(dir / "t", images);
  // difMat as a picture 7 columns and 3 rows larger, its bottom-left part the terrain's;
  // its rows are 624 bytes, not 603 and a pad.
  constexpr std::int32_t kWide = 208;
  constexpr std::int32_t kHigh = 404;
  Bytes larger(static_cast<std::size_t>(kWide) * kHigh * 3, 77);
  for (std::int32_t y = 0; y < images.height; ++y) {
    std::memcpy(&larger[static_cast<std::size_t>(y) * kWide * 3],
                &images.difMat[static_cast<std::size_t>(y) * images.width * 3],
                static_cast<std::size_t>(images.width) * 3);
  }
  for (std::size_t i = 0; i < larger.size(); i += 3) std::swap(larger[i], larger[i + 2]);  // BGR
  test::writeFile(dir / "large.bmp",
                  test::bmp24(kWide, kHigh, test::padRows(kWide, kHigh, 3, larger)));
  ImageFiles files;
  files.prefix = (dir / "t").string();
  files.difmat = (dir / "large.bmp").string();
  files.amblight = (dir / "tDifLight.bmp").string();
  const Bytes expected = test::referenceMap(images, someSettings());
  for (const int threads : {1, 2, 3}) {
    SCOPED_TRACE(threads);
    CompileOptions options;
    options.threads = threads;
    std::vector<std::string> notes;
    options.onNote = [&](const std::string& note) { notes.push_back(note); };
    compileFiles(files, someSettings(), options);
    EXPECT_EQ(test::readFile(dir / "t.map"), expected);
    EXPECT_EQ(notes, std::vector<std::string>{files.difmat.value() + " is 208 x 404 pixels, " +
                                              files.prefix +
                                              "alt.bmp 201 x 401: only its bottom-left 201 x 401"
                                              " pixels are used"});
  }
}

// A map read back: its size, each vertex's height and colour, a cell's normals.
TEST(Library, MapGivesHeightsColoursAndNormals) {
  const test::TempDir dir;
  test::TerrainImages images =
      test::uniformTerrain(51, 101, 30, {255, 255, 255}, {0, 0, 0}, {200, 100, 50}, {0, 0, 0});
  images.alt[101 * 51 - 1] = 31;  // the last pixel stored: the north-east corner
  test::writeTerrain(dir / "t", images);
  ImageFiles files;
  files.prefix = (dir / "t").string();
  Settings settings;
  settings.seaLevel = 10.0f;
  settings.zScaleFactor = 0.5f;
  compileFiles(files, settings);
  const Map map((dir / "t.map").string());
  EXPECT_EQ(map.largeur(), 1);
  EXPECT_EQ(map.hauteur(), 2);
  EXPECT_EQ(map.width(), 51);
  EXPECT_EQ(map.height(), 101);
  EXPECT_EQ(map.bytes(), 8 + 2 * 99375);
  EXPECT_EQ(map.vertexHeight(0, 0), 10.0f);
  EXPECT_EQ(map.vertexHeight(50, 100), 10.5f);
  EXPECT_EQ(map.heights().size(), 51u * 101u);
  EXPECT_EQ(map.vertexColour(3, 4), (std::array<std::uint8_t, 3>{200, 100, 50}));
  const std::array<Vector3, 8> flat = map.cellNormals(0, 0);
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(test::bitsOf(flat[k].x), k == 7 ? 0x80000000u : 0u);
    EXPECT_EQ(test::bitsOf(flat[k].y), k == 2 ? 0x80000000u : 0u);
    EXPECT_EQ(flat[k].z, 1.0f);
  }
  EXPECT_THROW((void)map.cellNormals(25, 0), Error);
  EXPECT_THROW(Map((dir / "tDifMat.bmp").string()), Error);
}

// Records in file order, each pixel held by one of them, and found again by cellOfPixel. In
// the pattern map every value says where it is stored.
TEST(Library, MapCellsHoldEachPixelOnce) {
  const test::TempDir dir;
  test::writeFile(dir / "p.map", test::patternMap(2, 1));
  MapCells cells((dir / "p.map").string());
  EXPECT_EQ(cells.cellCount(), 2 * 625);
  std::vector<int> held(101 * 51, 0);
  MapCell cell;
  std::int64_t index = 0;
  while (cells.next(cell)) {
    ASSERT_EQ(cell.index, index++);
    EXPECT_EQ(cell.offset, 8 + cell.index * 159);
    EXPECT_EQ(cell.normals[2].x, 3.0f);
    EXPECT_EQ(cell.normals[2].y, static_cast<float>(cell.originX));
    for (int k = 0; k < 9; ++k) {
      const auto [x, y] = cell.vertexPixel(k);
      EXPECT_EQ(cell.colours[k], (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x),
                                                               static_cast<std::uint8_t>(y),
                                                               static_cast<std::uint8_t>(k)}));
      EXPECT_EQ(cell.heights[k], static_cast<float>(x + 1000 * y));
      if (!cells.holds(cell, k)) continue;
      ++held[static_cast<std::size_t>(y) * 101 + x];
      int vertex = -1;
      EXPECT_EQ(cells.cellOfPixel(x, y, vertex), cell.index);
      EXPECT_EQ(vertex, k);
    }
  }
  EXPECT_EQ(index, cells.cellCount());
  EXPECT_EQ(std::count(held.begin(), held.end(), 1), 101 * 51);
  cells.read(700, cell);
  EXPECT_EQ((std::array{cell.blocX, cell.blocY, cell.subX, cell.subY, cell.cellX, cell.cellY}),
            (std::array{1, 0, 3, 0, 0, 0}));
  ASSERT_TRUE(cells.next(cell));
  EXPECT_EQ(cell.index, 701);
  EXPECT_THROW(MapCells((dir / "none.map").string()), Error);
}

// --json: one object instead of the text lines, on success and on refusal.
TEST(Library, CommandLineJson) {
  const test::TempDir dir;
  test::writeTerrain(dir / "t", bumpyTerrain());
  const test::RunResult made = test::runTool({"--json", "t", "1", "1", "2"}, dir.path());
  ASSERT_EQ(made.exitCode, 0) << made.out;
  const nlohmann::json result = nlohmann::json::parse(made.out);
  EXPECT_EQ(result["map"], "t.map");
  EXPECT_EQ(result["largeur"], 2);
  EXPECT_EQ(result["hauteur"], 1);
  EXPECT_EQ(result["bytes"], 8 + 2 * 99375);
  EXPECT_EQ(result["notes"], nlohmann::json::array());
  const test::RunResult refused = test::runTool({"--json", "--ext", "x", "t"}, dir.path());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(nlohmann::json::parse(refused.out),
            nlohmann::json({{"error", "erreur lors de l'ouverture du fichier talt.x"},
                            {"exit", 1},
                            {"kind", "open"},
                            {"hint", "talt.x: No such file or directory"}}));
  // Every kind a run can meet; memory needs a limit on the address space (the BMP reader's
  // tests).
  test::writeTerrain(dir / "s", test::uniformTerrain(52, 51, 0, {}, {}, {}, {}));
  std::string holes =
      "ncols 101\nnrows 51\nxllcorner 0\nyllcorner 0\ncellsize 1\n"
      "NODATA_value -9999\n-9999";
  for (int i = 1; i < 101 * 51; ++i) holes += " 5";
  test::writeFile(dir / "holes.asc", Bytes(holes.begin(), holes.end()));
  const std::pair<std::vector<std::string>, const char*> kinds[] = {
      {{"--alt", "tDifMat.bmp", "t"}, "format"},
      {{"s"}, "size"},
      {{"--alt", "holes.asc", "t"}, "nodata"},
      {{"t", "1", "1", "2", "3e38"}, "range"},
      {{"--alt", "talt.bmp", "--difmat", "tDifMat.bmp", "--ambmat", "tAmbMat.bmp", "--diflight",
        "tDifLight.bmp", "--amblight", "tAmbLight.bmp", "none/t"},
       "write"},
      {{"--sky=3", "t"}, "usage"},
  };
  for (const auto& [arguments, kind] : kinds) {
    SCOPED_TRACE(kind);
    std::vector<std::string> line{"--json"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    const nlohmann::json report = nlohmann::json::parse(test::runTool(line, dir.path()).out);
    EXPECT_EQ(report["kind"], kind) << report;
  }
  // Messages are Latin-1; the JSON holds them as UTF-8.
  Bytes bmp = test::bmp8(1, 1, {0, 0, 0, 0});
  test::setLe32(bmp, 30, 1);
  test::writeFile(dir / "c.bmp", bmp);
  const test::RunResult compressed = test::runTool({"--json", "--alt", "c.bmp", "t"}, dir.path());
  EXPECT_EQ(nlohmann::json::parse(compressed.out)["error"].get<std::string>(),
            std::string("c.bmp est un fichier bmp comprim\xc3\xa9"));
}

}  // namespace
}  // namespace quorvel
