// quorvel-inspect run as a user runs it: what it prints and the exit code of each case.

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "inspect_support.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::RunResult;
using test::TempDir;

const std::string kUsage =
    "usage: quorvel-inspect FILE.map [--cell X Y | --preview OUT.png | --relief OUT.png] [--json]\n"
    "       quorvel-inspect FILE.map --gltf OUT.glb [--max-triangles N] [--json]\n"
    "       quorvel-inspect A.map B.map --diff [--json]\n"
    "       quorvel-inspect OUTDIR/BASE.world.json [--preview OUT.png [--width N]] [--json]\n"
    "       quorvel-inspect FILE.map|OUTDIR/BASE.world.json --3d-tiles DIR [--json]\n";

TEST(InspectTool, EachModeOnAGoodMap) {
  const TempDir dir;
  test::compileMap(dir, test::uniformExample());
  RunResult run = test::runInspect({"terrain.map"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "terrain.map: 1 x 1 blocFiles, 51 x 51 pixels");

  run = test::runInspect({"terrain.map", "--cell", "50", "50"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
            "pixel (50, 50) is vertex 2 of the MapCell with origin (48, 48)");

  for (const char* option : {"--preview", "--relief"}) {
    SCOPED_TRACE(option);
    run = test::runInspect({option, "out.png", "terrain.map"}, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::readPng(dir / "out.png", 3).width, 51);
  }

  for (const char* budget : {"5000", "100"}) {
    SCOPED_TRACE(budget);
    run =
        test::runInspect({"terrain.map", "--gltf", "t.glb", "--max-triangles", budget}, dir.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::getLe32(test::readFile(dir / "t.glb"), 0), 0x46546C67u);  // "glTF"
  }
}

TEST(InspectTool, DiffExitsLikeCmp) {
  const TempDir dir;
  const test::Bytes map = test::readFile(test::compileMap(dir, test::uniformExample()));
  test::Bytes changed = map;
  changed[8 + 5] = 0;
  test::writeFile(dir / "b.map", changed);
  test::writeFile(dir / "short.map", test::Bytes(map.begin(), map.end() - 1));
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string firstLine;
  };
  const std::vector<Case> cases = {
      {{"terrain.map", "terrain.map", "--diff"},
       0,
       "terrain.map and terrain.map are identical: 1 x 1 blocFiles, 625 MapCells"},
      {{"--diff", "terrain.map", "b.map"}, 1, "terrain.map and b.map differ in 1 of 625 MapCells"},
      {{"terrain.map", "short.map", "--diff"},
       2,
       "short.map is truncated: 99383 bytes expected for 1 x 1 blocFiles, 99382 found"},
      {{"none.map", "terrain.map", "--diff"}, 2, "cannot open none.map: No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firstLine);
    const RunResult run = test::runInspect(c.arguments, dir.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), c.firstLine);
  }
}

TEST(InspectTool, BadInputIsOneLineAndExitCode1) {
  const TempDir dir;
  test::writeFile(dir / "short.map", test::Bytes(5, 0));
  test::writeFile(dir / "e.map", test::Bytes(8, 0));
  test::writeFile(dir / "good.map", test::patternMap(1, 1));
  ASSERT_EQ(::mkfifo((dir / "pipe.glb").c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> arguments;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"short.map"}, "short.map is not a map: 5 bytes, shorter than the 8-byte header\n"},
      {{"short.map", "--cell", "0", "0"},
       "short.map is not a map: 5 bytes, shorter than the 8-byte header\n"},
      {{"none.map", "--preview", "p.png"}, "cannot open none.map: No such file or directory\n"},
      {{"e.map", "--cell", "0", "0"}, "e.map holds no MapCell: the file has only its header\n"},
      {{"e.map", "--relief", "r.png"},
       "e.map holds no MapCell to draw: the file has only its header\n"},
      {{"e.map", "--gltf", "g.glb"},
       "e.map holds no MapCell to draw: the file has only its header\n"},
      {{"short.map", "--gltf", "g.glb", "--max-triangles", "9"},
       "short.map is not a map: 5 bytes, shorter than the 8-byte header\n"},
      {{"good.map", "--gltf", "none/g.glb"},
       "cannot create none/g.glb: No such file or directory\n"},
      {{"good.map", "--gltf", "."}, "cannot create .: not a regular file\n"},
      {{"good.map", "--gltf", "pipe.glb"}, "cannot create pipe.glb: not a regular file\n"},
      // Outputs are checked before the map is read.
      {{"none.map", "--gltf", "/dev/full"}, "cannot create /dev/full: not a regular file\n"},
      {{"none.map", "--relief", "none/r.png"},
       "cannot create none/r.png: No such file or directory\n"},
      {{"no\nne\x1b.map"}, "cannot open no\\nne\\x1b.map: No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    const RunResult run = test::runInspect(c.arguments, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, c.out);
  }
  // A .glb that cannot be written out in full leaves no temporary file either.
  test::ProcessOptions limited;
  limited.program = QUORVEL_INSPECT_BINARY;
  limited.fileSizeLimit = 1000;
  const RunResult run = test::runTool({"good.map", "--gltf", "g.glb"}, dir.path(), limited);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "cannot write g.glb: File too large\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "p.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "r.png"));
  EXPECT_EQ(test::directoryNames(dir.path()),
            (std::vector<std::string>{"e.map", "good.map", "pipe.glb", "short.map"}));
}

TEST(InspectTool, UsageErrorsExit2WithTheUsage) {
  struct Case {
    std::vector<std::string> arguments;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {{}, "give one map"},
      {{"a.map", "b.map"}, "give one map"},
      {{"a.map", "--diff"}, "--diff needs two maps"},
      {{"a.map", "--cell", "1"}, "--cell needs the pixel's X and Y"},
      {{"a.map", "--cell", "1", "y"}, "--cell needs two whole numbers, not y"},
      {{"a.map", "--cell", "1", "99999999999999999999"},
       "--cell needs two whole numbers, not 99999999999999999999"},
      {{"a.map", "--preview"}, "--preview needs the name of the PNG to write"},
      {{"a.map", "--preview", "p.png", "--relief", "r.png"},
       "--relief cannot be combined with another option"},
      {{"a.map", "--size"}, "unknown option --size"},
      {{"a.map", "--gltf"}, "--gltf needs the name of the .glb to write"},
      {{"a.map", "--gltf", "g.glb", "--max-triangles", "1"},
       "--max-triangles needs a whole number of at least 2"},
      {{"a.map", "--max-triangles", "2x", "--gltf", "g.glb"},
       "--max-triangles needs a whole number of at least 2"},
      {{"a.map", "--preview", "p.png", "--max-triangles", "9"}, "--max-triangles goes with --gltf"},
      {{"a.map", "--preview", "p.png", "--width", "9"}, "--width goes with a world's --preview"},
      {{"w.world.json", "--relief", "r.png"}, "a world's manifest takes --preview or --3d-tiles only"},
      {{"w.world.json", "--preview", "p.png", "--width", "0"},
       "--width needs a whole number from 1 to 1000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    const RunResult run = test::runInspect(c.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "quorvel-inspect: " + c.reason + "\n" + kUsage);
  }
  const RunResult help = test::runInspect({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out, kUsage);
}

// --json: the same facts as one object on one line, failures and mistakes too, with their
// text read as Latin-1 and the usage on standard error.
TEST(InspectTool, JsonGivesEachReportAndFailureAsOneObject) {
  const TempDir dir;
  test::compileMap(dir, test::uniformExample());
  test::Bytes changed = test::readFile(dir / "terrain.map");
  changed[8 + 5] = 0;  // vertex 1's blue in the first record
  test::writeFile(dir / "b.map", changed);
  using Json = nlohmann::json;
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::vector<std::pair<std::string, Json>> expected;  // JSON pointer and value
    bool usage = false;                                  // on standard error
  };
  const std::vector<Case> cases = {
      {{"terrain.map", "--json"},
       0,
       {{"/map", "terrain.map"},
        {"/largeur", 1},
        {"/hauteur", 1},
        {"/width", 51},
        {"/height", 51},
        {"/bytes", 99383},
        {"/vertices", 2601},
        {"/heights/min", 10.0},
        {"/heights/max", 10.0},
        {"/heights/nan", 0},
        {"/colours/green/min", 255},
        {"/colours/blue/mean", 255.0}}},
      {{"--json", "terrain.map", "--cell", "50", "50"},
       0,
       {{"/vertex", 2},
        {"/origin", {48, 48}},
        {"/byte", 99224},
        {"/vertices/2/pixel", {50, 50}},
        {"/vertices/2/heightBits", "0x41200000"},
        {"/triangles/7/vertices", {0, 8, 1}}}},
      {{"terrain.map", "b.map", "--diff", "--json"},
       1,
       {{"/identical", false},
        {"/cells", 625},
        {"/differingCells", 1},
        {"/first/byte", 13},
        {"/first/field", "colors"},
        {"/first/vertex", 1},
        {"/first/pixel", {2, 1}},
        {"/first/component", "blue"},
        {"/first/a", 255},
        {"/first/b", 0}}},
      {{"terrain.map", "--relief", "r.png", "--json"},
       0,
       {{"/written", "r.png"}, {"/kind", "relief"}, {"/width", 51}}},
      {{"terrain.map", "--gltf", "t.glb", "--json"},
       0,
       {{"/written", "t.glb"}, {"/mesh", "cellFans"}, {"/triangles", 5000}, {"/max_error", 0}}},
      {{"\xe9t\xe9.map", "--json"},
       1,
       {{"/error", "cannot open \u00e9t\u00e9.map: No such file or directory"}, {"/exit", 1}}},
      {{"terrain.map", "none.map", "--diff", "--json"},
       2,
       {{"",
         {{"error", "cannot open none.map: No such file or directory"},
          {"exit", 2},
          {"kind", "open"}}}}},
      {{"terrain.map", "--preview", "--json"},
       2,
       {{"/error", "quorvel-inspect: --preview needs the name of the PNG to write"},
        {"/exit", 2},
        {"/kind", "usage"}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    const RunResult run = test::runInspect(c.arguments, dir.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    ASSERT_TRUE(run.out.ends_with("}\n") && run.out.find('\n') == run.out.size() - 1) << run.out;
    const Json report = Json::parse(run.out);
    for (const auto& [pointer, value] : c.expected) {
      EXPECT_EQ(report.at(Json::json_pointer(pointer)), value) << pointer;
    }
    EXPECT_EQ(run.err, c.usage ? kUsage : "");
  }
}

}  // namespace
}  // namespace quorvel
