// The programs where no thread can be made: every job runs on the one thread there is, and
// what they print and write is what a run with threads prints and writes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "tool_process.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// A limit of processes counts every thread of every process of the real user, and binds no
// process of root at all. So as root the run becomes the unprivileged "nobody", whose one
// process is then the run itself, and a limit of one leaves it no thread to make; as any other
// user the user's own processes already fill the limit.
ProcessOptions withoutThreads(const std::string& program) {
  ProcessOptions options;
  options.program = program;
  options.processLimit = 1;
  if (::geteuid() == 0) options.user = 65534;
  return options;
}

std::map<std::string, Bytes> filesOf(const fs::path& path) {
  std::map<std::string, Bytes> files;
  if (!fs::is_directory(path)) return {{path.filename().string(), readFile(path)}};
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
    const std::string name = fs::relative(entry.path(), path).string();
    // The cache of files' identities holds times and inodes, which differ from run to run.
    if (entry.is_regular_file() && !name.ends_with(".cache")) files[name] = readFile(entry);
  }
  return files;
}

TEST(ThreadLimit, ProgramsWithNoThreadToBeHadWriteTheSameFiles) {
  if (underAddressSanitizer()) {
    GTEST_SKIP() << "LeakSanitizer's check at exit needs a thread of its own";
  }
  const TempDir dir;
  fs::permissions(dir.path(), fs::perms::all, fs::perm_options::add);  // whoever runs there
  // The limit must bite: a shell that cannot start a child says so.
  ProcessOptions probe = withoutThreads("/bin/sh");
  const RunResult probed = runTool({"-c", "/bin/true & wait"}, dir.path(), probe);
  if (probed.exitCode == kCannotChangeUser || probed.exitCode == 127) {
    GTEST_SKIP() << "running as root without the right to become another user";
  }
  ASSERT_NE(probed.exitCode, 0) << "a process could still be started under the limit";

  std::mt19937 random(33);
  writeTerrain(dir / "t", randomTerrain(random, 251, 201, 40));
  struct Run {
    const char* name;
    std::string program;
    std::vector<std::string> arguments;  // the output's name last
  };
  // Light baked in, so that the sky's sweeps and the horizons are made on threads too; the
  // tileset's nodes are built on threads, siblings at once.
  for (const Run& run :
       {Run{"map", QUORVEL_BINARY, {"--sky", "--shadows", "t"}},
        Run{"world", QUORVEL_WORLD_BINARY, {"--tile", "101", "--sky", "--shadows", "t", "out"}},
        Run{"tileset", QUORVEL_INSPECT_BINARY,
            {"out/t.world.json", "--json", "--3d-tiles", "tiles"}}}) {
    SCOPED_TRACE(run.name);
    const fs::path output =
        run.program == QUORVEL_BINARY ? dir / "t.map" : dir / run.arguments.back();
    ProcessOptions normal;
    normal.program = run.program;
    const RunResult threaded = runTool(run.arguments, dir.path(), normal);
    ASSERT_EQ(threaded.exitCode, 0) << threaded.out;
    const std::map<std::string, Bytes> expected = filesOf(output);
    fs::remove_all(output);
    const RunResult alone = runTool(run.arguments, dir.path(), withoutThreads(run.program));
    EXPECT_EQ(alone.exitCode, 0) << alone.out << alone.err;
    EXPECT_EQ(alone.out, threaded.out);
    EXPECT_TRUE(filesOf(output) == expected);
  }
}

}  // namespace
}  // namespace quorvel::test
