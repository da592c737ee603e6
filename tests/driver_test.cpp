#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"
#include "tool_process.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::kBanner;
using test::kDefaultSettings;
using test::kUsage;
using test::RunResult;
using test::runTool;
using test::TempDir;

std::string settingsLines(const std::string& light, const std::string& scale,
                          const std::string& sea) {
  return "light direction= " + light + "\nz scale factor= " + scale + "\nsea Level=" + sea + "\n";
}

// The run of a prefix whose images are all missing: banner, settings, then the first open.
std::string missingAltRun(const std::string& settings, const std::string& prefix) {
  return kBanner + settings + "erreur lors de l'ouverture du fichier " + prefix + "alt.bmp\n";
}

TEST(Driver, NoArgumentsPrintsBannerAndUsage) {
  const TempDir dir;
  const RunResult run = runTool({}, dir.path());
  EXPECT_EQ(run.out, kBanner + kUsage);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Driver, ArgumentCountDecidesWhichSettingsAreTaken) {
  struct Case {
    std::vector<std::string> arguments;
    std::string settings;
  };
  const Case cases[] = {
      {{"t"}, kDefaultSettings},
      {{"t", "3"}, kDefaultSettings},
      {{"t", "3", "4"}, kDefaultSettings},
      {{"t", "3", "4", "5"}, settingsLines("3.000000 4.000000 5.000000", "1.000000", "0.000000")},
      {{"t", "3", "4", "5", "6"},
       settingsLines("3.000000 4.000000 5.000000", "6.000000", "0.000000")},
      {{"t", "3", "4", "5", "6", "7"},
       settingsLines("3.000000 4.000000 5.000000", "6.000000", "7.000000")},
      {{"t", "3", "4", "5", "6", "7", "8"},
       settingsLines("3.000000 4.000000 5.000000", "6.000000", "7.000000")},
  };
  const TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.size());
    const RunResult run = runTool(c.arguments, dir.path());
    EXPECT_EQ(run.out, missingAltRun(c.settings, "t"));
    EXPECT_EQ(run.exitCode, 1);
  }
}

TEST(Driver, NumbersAreReadAsFarAsTheyParseAndPrintedAsGiven) {
  struct Case {
    std::vector<std::string> numbers;
    std::string settings;
  };
  const Case cases[] = {
      {{"abc", "2.5xyz", "0.1", "", "-"},
       settingsLines("0.000000 2.500000 0.100000", "0.000000", "0.000000")},
      // Normalising the light direction is the map writer's business, never printed.
      {{"1", "2", "2", "1e1", "-3.25"},
       settingsLines("1.000000 2.000000 2.000000", "10.000000", "-3.250000")},
      {{"  7", "+.5", "1.5e", "x1", "3,5"},
       settingsLines("7.000000 0.500000 1.500000", "0.000000", "3.000000")},
      // Held as float: 2^24 + 1 is not one, and the sign of zero survives.
      {{"16777217", "0.3", "1e-7", "1e-50", "-0"},
       settingsLines("16777216.000000 0.300000 0.000000", "0.000000", "-0.000000")},
  };
  const TempDir dir;
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"t"};
    arguments.insert(arguments.end(), c.numbers.begin(), c.numbers.end());
    SCOPED_TRACE(c.settings);
    const RunResult run = runTool(arguments, dir.path());
    EXPECT_EQ(run.out, missingAltRun(c.settings, "t"));
    EXPECT_EQ(run.exitCode, 1);
  }
}

TEST(Driver, CompleteRunPrintsTheSizeAndWritesTheMap) {
  const TempDir dir;
  test::writeTerrain(
      dir / "t", test::uniformTerrain(51, 51, 10, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}));
  const RunResult run = runTool({"t", "0", "0", "1", "1", "0"}, dir.path());
  EXPECT_EQ(run.out, kBanner + kDefaultSettings + "largeur: 1, hauteur: 1 (en blocFile)\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "t.map"));
}

// Settings typed wrong are warned about on standard error and the run goes on as it always
// did; with --strict the same lines stop it before anything is read or written.
TEST(Driver, StrictRefusesSettingsTypedWrong) {
  struct Case {
    std::vector<std::string> arguments;
    std::string out;  // after the banner
    int exitCode;
    std::string err;
  };
  const std::string sizeLine = "largeur: 1, hauteur: 1 (en blocFile)\n";
  const std::string ignored =
      "1 2: a light direction takes three numbers, so these two are ignored\n";
  const std::string comma = "0,5: not wholly a number, read as 0.000000 for the z scale factor\n";
  const Case cases[] = {
      {{"t", "1", "2"}, kDefaultSettings + sizeLine, 0, ignored},
      {{"--strict", "t", "1", "2"}, "", 2, ignored},
      {{"--strict", "t", "0", "0", "1", "0,5"}, "", 2, comma},
      {{"t", "0", "0", "1", "0,5"},
       settingsLines("0.000000 0.000000 1.000000", "0.000000", "0.000000") + sizeLine,
       0,
       comma},
      {{"--strict", "t", "0", "0", "1", "2"},
       settingsLines("0.000000 0.000000 1.000000", "2.000000", "0.000000") + sizeLine,
       0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const TempDir dir;
    test::writeTerrain(
        dir / "t", test::uniformTerrain(51, 51, 10, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}));
    const RunResult run = runTool(c.arguments, dir.path());
    EXPECT_EQ(run.out, kBanner + c.out);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(std::filesystem::exists(dir / "t.map"), c.exitCode == 0);
  }
}

// Names are held whole: 20 characters overflow a 32-byte name, 52 a 64-byte buffer.
TEST(Driver, LongPrefixesWork) {
  const TempDir dir;
  for (const std::size_t length : {19u, 20u, 51u, 52u, 200u}) {
    SCOPED_TRACE(length);
    const std::string prefix(length, 'p');
    test::writeTerrain(dir / prefix,
                       test::uniformTerrain(51, 51, 0, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}));
    const RunResult run = runTool({prefix}, dir.path());
    EXPECT_EQ(run.out, kBanner + kDefaultSettings + "largeur: 1, hauteur: 1 (en blocFile)\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / (prefix + ".map")));
  }
  const std::string longMissing(300, 'q');
  const RunResult run = runTool({"sub/" + longMissing}, dir.path());
  EXPECT_EQ(run.out, missingAltRun(kDefaultSettings, "sub/" + longMissing));
  EXPECT_EQ(run.exitCode, 1);
}

TEST(Driver, PrefixIsUsedWithoutSeparator) {
  const TempDir dir;
  std::filesystem::create_directory(dir / "terrain");
  test::writeTerrain(dir / "terrain" / "north",
                     test::uniformTerrain(51, 51, 0, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}));
  const RunResult run = runTool({"terrain/north"}, dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "terrain" / "north.map"));
}

// Each image is checked as soon as it is loaded: with every later image absent, a run that
// opened one of them would report that open instead of the image that failed.
TEST(Driver, FirstBadImageStopsTheRunBeforeTheNextIsOpened) {
  const char* const roles[] = {"alt", "DifMat", "AmbMat", "DifLight", "AmbLight"};
  const test::TerrainImages images =
      test::uniformTerrain(51, 51, 0, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1});
  for (int bad = 0; bad < 5; ++bad) {
    for (const bool missing : {true, false}) {
      const std::string name = std::string("t") + roles[bad] + ".bmp";
      SCOPED_TRACE(name + (missing ? " missing" : " of the wrong depth"));
      const TempDir dir;
      test::writeTerrain(dir / "t", images);
      for (int later = bad; later < 5; ++later) {
        std::filesystem::remove(dir / (std::string("t") + roles[later] + ".bmp"));
      }
      std::string message = "erreur lors de l'ouverture du fichier " + name + "\n";
      if (!missing) {
        // alt given 24 bits, a colour image given 8.
        const Bytes wrongDepth =
            bad == 0 ? test::bmp24(1, 1, {0, 0, 0, 0}) : test::bmp8(1, 1, {0, 0, 0, 0});
        test::writeFile(dir / name, wrongDepth);
        message = "erreur: " + name +
                  (bad == 0 ? " n'est pas un bmp 8bit\n" : " n'est pas un bmp 24bit\n");
      }
      const RunResult run = runTool({"t"}, dir.path());
      EXPECT_EQ(run.out, kBanner + kDefaultSettings + message);
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_FALSE(std::filesystem::exists(dir / "t.map"));
    }
  }
}

// A light option that cannot be followed is a mistake on the command line: exit 2 before any
// image is read, and no map.
TEST(Driver, LightOptionsThatCannotBeFollowedAreUsageErrors) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"--sky=4", "t"}, "erreur: valeur incorrecte pour --sky: 4\n"},
      {{"--sky=", "t"}, "erreur: valeur incorrecte pour --sky: \n"},
      {{"--sky=016", "t"}, "erreur: valeur incorrecte pour --sky: 016\n"},
      {{"--shadows", "--sun-size", "0", "t"}, "erreur: valeur incorrecte pour --sun-size: 0\n"},
      {{"--shadows", "--sun-size=-1", "t"}, "erreur: valeur incorrecte pour --sun-size: -1\n"},
      {{"--shadows", "--sun-size=inf", "t"}, "erreur: valeur incorrecte pour --sun-size: inf\n"},
      {{"--shadows", "--sun-size=nan", "t"}, "erreur: valeur incorrecte pour --sun-size: nan\n"},
      {{"--shadows", "--sun-size", "1x", "t"}, "erreur: valeur incorrecte pour --sun-size: 1x\n"},
      {{"--shadows", "--sun-size", " 1", "t"}, "erreur: valeur incorrecte pour --sun-size:  1\n"},
      {{"--shadows", "--sun-size=", "t"}, "erreur: valeur incorrecte pour --sun-size: \n"},
      {{"--shadows", "--sun-size"}, "erreur: l'option --sun-size demande une valeur\n"},
      {{"--sun-size", "1", "t"}, "erreur: --sun-size sans --shadows\n"},
      {{"--sun-size=1", "--sky", "t", "1", "1", "2"}, "erreur: --sun-size sans --shadows\n"},
  };
  const TempDir dir;
  test::writeTerrain(dir / "t",
                     test::uniformTerrain(51, 51, 0, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult run = runTool(c.arguments, dir.path());
    EXPECT_EQ(run.out, kBanner + c.message);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(test::splitLines(run.err).size(), 1u) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "t.map"));
  }
}

// The last occurrence of a light option counts; --sky alone means 16 directions.
TEST(Driver, LastLightOptionCounts) {
  test::TerrainImages images = test::uniformTerrain(51, 51, 0, {90, 90, 90}, {200, 150, 100},
                                                    {255, 255, 255}, {120, 120, 200});
  for (std::size_t i = 0; i < images.alt.size(); ++i) {
    images.alt[i] = static_cast<std::uint8_t>((i * 37 + i / 51 * 11) % 97);
  }
  const TempDir dir;
  test::writeTerrain(dir / "t", images);
  const auto mapOf = [&](std::vector<std::string> options) {
    for (const char* setting : {"t", "1", "0.5", "0.4", "3"}) options.emplace_back(setting);
    const RunResult run = runTool(options, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    return test::readFile(dir / "t.map");
  };
  const Bytes plain = mapOf({});
  const Bytes sky16 = mapOf({"--sky"});
  const Bytes shadows = mapOf({"--shadows"});
  EXPECT_NE(sky16, plain);
  EXPECT_NE(shadows, plain);
  EXPECT_NE(mapOf({"--sky=8"}), sky16);
  EXPECT_EQ(mapOf({"--sky=8", "--sky=16"}), sky16);
  EXPECT_EQ(mapOf({"--sky=8", "--sky"}), sky16);
  EXPECT_NE(mapOf({"--shadows", "--sun-size", "20"}), shadows);
  EXPECT_EQ(mapOf({"--sun-size", "20", "--shadows", "--sun-size=0.53"}), shadows);
}

TEST(Driver, ReaderFailuresEndTheRunWithTheirMessage) {
  const TempDir dir;
  Bytes compressed = test::bmp8(1, 1, {0, 0, 0, 0});
  test::setLe32(compressed, 30, 1);
  test::writeFile(dir / "talt.bmp", compressed);
  const RunResult run = runTool({"t"}, dir.path());
  EXPECT_EQ(run.out, kBanner + kDefaultSettings + "talt.bmp est un fichier bmp comprim\xe9\n");
  EXPECT_EQ(run.exitCode, 1);
}

}  // namespace
}  // namespace quorvel
