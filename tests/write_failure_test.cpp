// The built tool when its map cannot be written, each failure made for real: a file-size
// limit, a directory it may not write, a directory that is gone, a directory in the map's
// place. Each ends with its one message and exit code 1, no temporary file, and whatever was
// there before still there.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"
#include "tool_process.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

const Bytes kEarlierMap = {'a', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'm', 'a', 'p'};
const std::string kSettings =
    "quorvel 0.01.0000\n"
    "light direction= 0.000000 0.000000 1.000000\n"
    "z scale factor= 1.000000\n"
    "sea Level=0.000000\n";
const std::string kWriteError =
    "erreur lors de l'\xe9"
    "criture du fichier t.map\n";

void writeSmallTerrain(const fs::path& prefix, std::int32_t side = 51) {
  writeTerrain(prefix, uniformTerrain(side, side, 7, {200, 150, 100}, {20, 30, 40}, {255, 255, 255},
                                      {60, 60, 60}));
}

TEST(WriteFailure, FileSizeLimitGivesTheWriteMessageAndKeepsTheEarlierMap) {
  struct Case {
    unsigned long limit;
    std::int32_t side;
    const char* sizeLine;
  };
  // No byte at all (creating the empty temporary file is no write); the header only; a
  // failure in the last write, at the end; one byte short of the map; a failure in mid-run,
  // once the output buffer has already been written out at least once.
  const Case cases[] = {{0, 51, "largeur: 1, hauteur: 1 (en blocFile)\n"},
                        {8, 51, "largeur: 1, hauteur: 1 (en blocFile)\n"},
                        {50000, 51, "largeur: 1, hauteur: 1 (en blocFile)\n"},
                        {99382, 51, "largeur: 1, hauteur: 1 (en blocFile)\n"},
                        {1500000, 251, "largeur: 5, hauteur: 5 (en blocFile)\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("limit " + std::to_string(c.limit) + " bytes, side " + std::to_string(c.side));
    const TempDir dir;
    writeSmallTerrain(dir / "t", c.side);
    writeFile(dir / "t.map", kEarlierMap);
    ProcessOptions options;
    options.fileSizeLimit = c.limit;
    const RunResult result = runTool({"t"}, dir.path(), options);
    // SIGXFSZ is ignored, so the limit shows as a failed write rather than a killed process.
    EXPECT_EQ(result.signalNumber, 0);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, kSettings + c.sizeLine + kWriteError);
    EXPECT_TRUE(temporaryMaps(dir.path()).empty());
    EXPECT_EQ(readFile(dir / "t.map"), kEarlierMap);
  }
  // Room for exactly the map: the run succeeds.
  const TempDir dir;
  writeSmallTerrain(dir / "t");
  ProcessOptions options;
  options.fileSizeLimit = 99383;
  const RunResult result = runTool({"t"}, dir.path(), options);
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(readFile(dir / "t.map").size(), 99383u);
}

// Makes a directory read-only for the test's duration; gives it back so it can be removed.
class ReadOnlyDirectory {
 public:
  explicit ReadOnlyDirectory(fs::path path) : path_(std::move(path)) {
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read |
                               fs::perms::others_exec);
  }
  ~ReadOnlyDirectory() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
  ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

 private:
  fs::path path_;
};

TEST(WriteFailure, DirectoryThatCannotBeWrittenGivesTheCreateMessage) {
  const TempDir dir;
  const fs::path terrain = dir / "terrain";
  fs::create_directory(terrain);
  writeSmallTerrain(terrain / "t");
  writeFile(terrain / "t.map", kEarlierMap);
  // Others may enter the test's directory, so that an unprivileged user can run in it.
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const ReadOnlyDirectory readOnly(terrain);

  // Permission bits do not stop root, so as root the tool runs as the unprivileged "nobody".
  ProcessOptions options;
  if (::geteuid() == 0) options.user = 65534;
  const RunResult result = runTool({"t"}, terrain, options);
  if (options.user && result.exitCode == kCannotChangeUser) {
    GTEST_SKIP() << "running as root without the right to become another user, so no "
                    "directory can be made unwritable";
  }
  if (options.user && result.exitCode == 127) {
    GTEST_SKIP() << "the unprivileged user cannot run the built tool from its directory";
  }
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kSettings + "impossible de creer le fichier t.map\n");
  EXPECT_TRUE(temporaryMaps(terrain).empty());
  EXPECT_EQ(readFile(terrain / "t.map"), kEarlierMap);
}

TEST(WriteFailure, PrefixInMissingDirectoryFailsOnTheFirstImage) {
  // The images and the map share the prefix, so the first image is what is found missing.
  const TempDir dir;
  const RunResult result = runTool({"missing/t"}, dir.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, kSettings + "erreur lors de l'ouverture du fichier missing/talt.bmp\n");
  EXPECT_TRUE(directoryNames(dir.path()).empty());
}

TEST(WriteFailure, DirectoryGoneOrReplacedWhileImagesLoadGivesTheCreateMessage) {
  // The last image is a pipe: the test holds the tool inside its read, takes the directory
  // away, then lets the image through, so the map's directory is missing when it is created.
  for (const bool replacedByFile : {false, true}) {
    SCOPED_TRACE(replacedByFile ? "replaced by a regular file" : "removed");
    const TempDir dir;
    const fs::path terrain = dir / "d";
    fs::create_directory(terrain);
    writeSmallTerrain(terrain / "t");
    const Bytes lastImage = readFile(terrain / "tAmbLight.bmp");
    fs::remove(terrain / "tAmbLight.bmp");
    ASSERT_EQ(::mkfifo((terrain / "tAmbLight.bmp").c_str(), 0600), 0);

    ToolProcess process({"d/t"}, dir.path());
    int pipeEnd = -1;
    // Opening the writing end without blocking succeeds only once the tool reads the pipe.
    const auto reading = [&] {
      pipeEnd = ::open((terrain / "tAmbLight.bmp").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      return pipeEnd >= 0;
    };
    ASSERT_TRUE(waitFor(process, reading, std::chrono::seconds(60))) << process.wait().out;
    ASSERT_EQ(::fcntl(pipeEnd, F_SETFL, 0), 0);

    fs::remove_all(terrain);
    if (replacedByFile) writeFile(terrain, kEarlierMap);
    // The tool reads all of it unless it has died, in which case the test must not die too.
    const auto previousPipeAction = ::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(::write(pipeEnd, lastImage.data(), lastImage.size()),
              static_cast<ssize_t>(lastImage.size()));
    ::close(pipeEnd);
    ::signal(SIGPIPE, previousPipeAction);

    const RunResult result = process.wait();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, kSettings + "impossible de creer le fichier d/t.map\n");
    if (replacedByFile) {
      EXPECT_EQ(readFile(terrain), kEarlierMap);
      EXPECT_EQ(directoryNames(dir.path()), std::vector<std::string>{"d"});
    } else {
      EXPECT_TRUE(directoryNames(dir.path()).empty());
    }
  }
}

TEST(WriteFailure, MapPathThatIsADirectoryGivesTheCreateMessageBeforeWriting) {
  const TempDir dir;
  writeSmallTerrain(dir / "t");
  fs::create_directory(dir / "t.map");
  writeFile(dir / "t.map" / "kept", kEarlierMap);
  const RunResult result = runTool({"t"}, dir.path());
  EXPECT_EQ(result.exitCode, 1);
  // Refused before the size line: nothing was written only to be thrown away.
  EXPECT_EQ(result.out, kSettings + "impossible de creer le fichier t.map\n");
  EXPECT_TRUE(temporaryMaps(dir.path()).empty());
  EXPECT_EQ(directoryNames(dir / "t.map"), std::vector<std::string>{"kept"});
  EXPECT_EQ(readFile(dir / "t.map" / "kept"), kEarlierMap);
}

}  // namespace
}  // namespace quorvel::test
