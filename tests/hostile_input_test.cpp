// The built tool on damaged copies of a small valid terrain: every run must end with exit
// code 0 or 1, print the banner and settings then exactly one more line (the size line, or
// one error line), leave no temporary file, and keep the earlier map unless it succeeded.
//
// By default a sample of the cases runs. QUORVEL_HOSTILE_ALL=1 runs them all: every
// truncation length of each file's headers and colour table, a spread of lengths inside the
// pixel rows, and a few thousand seeded mutations (scripts/mutation_check.sh).

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "tool_process.h"

namespace quorvel::test {
namespace {

constexpr std::int32_t kSide = 51;
constexpr int kSampleMutations = 200;
constexpr int kAllMutations = 3000;
// A header claiming more pixels than this is drawn again: the tool would load it, but
// filling gigabytes with 255 only makes the check slow.
constexpr std::int64_t kMaxPixels = std::int64_t{16} << 20;

const Bytes kEarlierMap = {'a', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'm', 'a', 'p'};

bool runAll() {
  const char* all = std::getenv("QUORVEL_HOSTILE_ALL");
  return all != nullptr && std::string(all) == "1";
}

struct ImageFile {
  std::string suffix;
  std::size_t headerBytes;  // headers and colour table: where the pixel rows begin
  Bytes bytes;
};

// A 51 x 51 terrain with a different byte almost everywhere, so that a mutation anywhere
// changes something.
std::vector<ImageFile> validTerrain() {
  std::mt19937 random(51);
  const auto pixels = [&](int bytesPerPixel) {
    Bytes packed(static_cast<std::size_t>(kSide) * kSide * bytesPerPixel);
    for (std::uint8_t& b : packed) b = static_cast<std::uint8_t>(random());
    return padRows(kSide, kSide, bytesPerPixel, packed);
  };
  std::vector<ImageFile> files;
  files.push_back({"alt.bmp", 54 + 1024, bmp8(kSide, kSide, pixels(1))});
  for (const char* role : {"DifMat", "AmbMat", "DifLight", "AmbLight"}) {
    files.push_back({std::string(role) + ".bmp", 54, bmp24(kSide, kSide, pixels(3))});
  }
  return files;
}

const std::vector<std::string> kArguments = {"t", "1", "1", "2", "0.5", "75"};
const std::vector<std::string> kSettingsLines = {"quorvel 0.01.0000",
                                                 "light direction= 1.000000 1.000000 2.000000",
                                                 "z scale factor= 0.500000", "sea Level=75.000000"};

// Every line the tool can end a failed run with: fixed lines, and lines that begin and end
// with fixed text round the file names.
bool isErrorLine(const std::string& line) {
  static const std::string kFixed[] = {"largeur incorrect", "hauteur incorrect", "carte trop large",
                                       "carte trop haute"};
  static const std::pair<std::string, std::string> kAroundNames[] = {
      {"erreur lors de l'ouverture du fichier ", ""},
      {"", " n'est pas un fichier bmp"},
      {"", " n'est pas un fichier bmp valide"},
      {"", " n'est pas un fichier bmp 8 ou 24 bits"},
      {"", " est un fichier bmp comprim\xe9"},
      {"erreur: ", " n'est pas un bmp 8bit"},
      {"erreur: ", " n'est pas un bmp 24bit"},
      {"erreur: ", " est plus petit que talt.bmp"},
      {"erreur: m\xe9moire insuffisante pour ", ""}};
  if (std::find(std::begin(kFixed), std::end(kFixed), line) != std::end(kFixed)) return true;
  return std::any_of(std::begin(kAroundNames), std::end(kAroundNames), [&](const auto& around) {
    const auto& [head, tail] = around;
    return line.size() > head.size() + tail.size() && line.starts_with(head) &&
           line.ends_with(tail);
  });
}

struct Outcome {
  int exitCode = -1;
  std::string lastLine;
};

// Runs the tool on the files in a fresh directory holding an earlier map, checks everything
// that must hold for any input, and returns the exit code and the final line.
Outcome runAndCheck(const std::vector<ImageFile>& files) {
  const TempDir dir;
  for (const ImageFile& file : files) writeFile(dir / ("t" + file.suffix), file.bytes);
  writeFile(dir / "t.map", kEarlierMap);

  const RunResult result = runTool(kArguments, dir.path());
  Outcome outcome{result.exitCode, ""};
  EXPECT_EQ(result.signalNumber, 0) << result.out;
  EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.exitCode << "\n"
                                                            << result.out;
  EXPECT_TRUE(temporaryMaps(dir.path()).empty());
  EXPECT_EQ(directoryNames(dir.path()).size(), files.size() + 1);

  EXPECT_TRUE(!result.out.empty() && result.out.back() == '\n') << result.out;
  const std::vector<std::string> lines = splitLines(result.out);
  EXPECT_EQ(lines.size(), kSettingsLines.size() + 1) << result.out;
  if (lines.size() != kSettingsLines.size() + 1) return outcome;
  EXPECT_TRUE(std::equal(kSettingsLines.begin(), kSettingsLines.end(), lines.begin()))
      << result.out;
  outcome.lastLine = lines.back();

  const Bytes map = readFile(dir / "t.map");
  if (result.exitCode == 0) {
    int largeur = -1;
    int hauteur = -1;
    char end = 0;
    EXPECT_EQ(std::sscanf(outcome.lastLine.c_str(), "largeur: %d, hauteur: %d (en blocFile%c",
                          &largeur, &hauteur, &end),
              3)
        << outcome.lastLine;
    EXPECT_EQ(end, ')');
    EXPECT_EQ(map.size(), 8 + std::size_t{99375} * largeur * hauteur);
  } else {
    EXPECT_TRUE(isErrorLine(outcome.lastLine)) << outcome.lastLine;
    EXPECT_EQ(map, kEarlierMap);
  }
  return outcome;
}

// The lengths a file is cut to: all of its headers and colour table (every one when running
// all, the field boundaries otherwise), then a spread inside the pixel rows.
std::vector<std::size_t> truncationLengths(const ImageFile& file) {
  std::vector<std::size_t> lengths;
  if (runAll()) {
    for (std::size_t n = 0; n <= file.headerBytes; ++n) lengths.push_back(n);
  } else {
    for (std::size_t n : {0, 1, 2, 3, 13, 14, 17, 18, 29, 30, 33, 34, 53, 54}) {
      lengths.push_back(n);
    }
    if (file.headerBytes > 54) lengths.insert(lengths.end(), {55, file.headerBytes - 1});
  }
  const std::size_t rows = file.bytes.size() - file.headerBytes;
  const std::size_t spread = runAll() ? 40 : 6;
  for (std::size_t i = 1; i <= spread; ++i) {
    lengths.push_back(file.headerBytes + rows * i / (spread + 1) + i % 4);
  }
  lengths.push_back(file.bytes.size() - 1);
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  return lengths;
}

TEST(HostileInput, EveryTruncationIsRefusedInItsHeadersAndLoadsInItsRows) {
  const std::vector<ImageFile> valid = validTerrain();
  for (std::size_t f = 0; f < valid.size(); ++f) {
    for (const std::size_t length : truncationLengths(valid[f])) {
      SCOPED_TRACE("t" + valid[f].suffix + " cut to " + std::to_string(length) + " bytes");
      std::vector<ImageFile> files = valid;
      files[f].bytes.resize(length);
      const Outcome outcome = runAndCheck(files);
      // Rows that end early read as 255; a file that ends sooner is refused by name.
      const std::string name = "t" + valid[f].suffix;
      if (length >= valid[f].headerBytes) {
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.lastLine, "largeur: 1, hauteur: 1 (en blocFile)");
      } else {
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.lastLine + "\n", bmpMessage(length < 2 ? 2 : 3, name));
      }
    }
  }
}

std::uint32_t fieldValue(const Bytes& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    value |= std::uint32_t{bytes[offset + i]} << (8 * i);
  }
  return value;
}

bool claimsTooManyPixels(const Bytes& bytes) {
  if (bytes.size() < 26) return false;
  const std::int64_t width = static_cast<std::int32_t>(fieldValue(bytes, 18));
  const std::int64_t height = static_cast<std::int32_t>(fieldValue(bytes, 22));
  return width > 0 && height > 0 && width * height > kMaxPixels;
}

// One to four edits of one or two files: a header field set to a value on some boundary, a
// random byte, a cut, bytes inserted or removed. Seeded by the case number, so a failing case
// can be run again alone.
std::vector<ImageFile> mutate(const std::vector<ImageFile>& valid, std::uint32_t seed) {
  static const std::array<std::size_t, 16> kFields = {0,  2,  6,  8,  10, 14, 18, 22,
                                                      26, 28, 30, 34, 38, 42, 46, 50};
  static const std::array<std::uint32_t, 20> kValues = {
      0,  1,  2,   4,    8,    24,         32,         40,         49,     50,
      51, 52, 101, 5001, 5051, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 0x4D42};
  std::mt19937 random(seed);
  const auto below = [&](std::size_t n) {
    return n == 0 ? std::size_t{0} : static_cast<std::size_t>(random() % n);
  };
  for (;;) {
    std::vector<ImageFile> files = valid;
    const int fileCount = below(4) == 0 ? 2 : 1;
    for (int n = 0; n < fileCount; ++n) {
      Bytes& bytes = files[below(files.size())].bytes;
      const std::size_t edits = 1 + below(4);
      for (std::size_t e = 0; e < edits; ++e) {
        switch (below(6)) {
          case 0:
          case 1: {
            const std::size_t at = kFields[below(kFields.size())];
            const std::uint32_t value = kValues[below(kValues.size())];
            const std::size_t width = at == 0 || at == 26 || at == 28 ? 2 : 4;
            for (std::size_t i = 0; i < width && at + i < bytes.size(); ++i) {
              bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
            }
            break;
          }
          case 2:  // mostly in the headers and colour table
            if (!bytes.empty()) {
              const std::size_t at = below(2) == 0
                                         ? below(std::min<std::size_t>(bytes.size(), 1078))
                                         : below(bytes.size());
              bytes[at] = static_cast<std::uint8_t>(random());
            }
            break;
          case 3:
            bytes.resize(below(bytes.size() + 1));
            break;
          case 4: {
            const std::size_t at = below(bytes.size() + 1);
            const Bytes inserted(1 + below(8), static_cast<std::uint8_t>(random()));
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(),
                         inserted.end());
            break;
          }
          default: {
            const std::size_t at = below(bytes.size() + 1);
            const std::size_t count = std::min(bytes.size() - at, 1 + below(8));
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
            break;
          }
        }
      }
    }
    if (std::none_of(files.begin(), files.end(),
                     [](const ImageFile& file) { return claimsTooManyPixels(file.bytes); })) {
      return files;
    }
  }
}

TEST(HostileInput, SeededMutationsEndCleanly) {
  const std::vector<ImageFile> valid = validTerrain();
  const int cases = runAll() ? kAllMutations : kSampleMutations;
  int succeeded = 0;
  for (int n = 0; n < cases; ++n) {
    SCOPED_TRACE("mutation " + std::to_string(n));
    if (runAndCheck(mutate(valid, static_cast<std::uint32_t>(n))).exitCode == 0) ++succeeded;
    if (HasFailure()) break;  // one damaged case tells the story; the rest would repeat it
  }
  // Both outcomes must be reached, or the mutations are too timid or too wild to test much.
  EXPECT_GT(succeeded, 0);
  EXPECT_LT(succeeded, cases);
}

// Lowers this process's soft address-space limit, which the tool's process inherits, and
// restores it on scope exit.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_AS, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(bytes, saved_.rlim_max);
    ::setrlimit(RLIMIT_AS, &lowered);
  }
  ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &saved_); }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

 private:
  rlimit saved_{};
};

// A file of a few bytes whose header claims a huge image: 46000 x 46000 at 8 bits or
// 26000 x 27000 at 24 bits (about 2 GB each), with `first` as its only pixel bytes.
Bytes hugeClaim(int bits, std::int32_t width, const Bytes& first) {
  return bits == 8 ? bmp8(width, 46000, first) : bmp24(width, 27000, first);
}

// Whatever the headers claim, the tool holds only what the map reads: under a 1 GiB address
// space, where a 2 GB claim could not even be allocated, the run gives the messages of
// before, and a valid altitude image gives the map of its first rows and columns.
TEST(HostileInput, HugeClaimsNeedOnlyTheMemoryOfTheMap) {
  if (underAddressSanitizer()) GTEST_SKIP() << "the sanitizer reserves more than the limit";
  const std::vector<ImageFile> valid = validTerrain();
  const Bytes first = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  struct Case {
    const char* what;
    std::size_t huge;       // the file that claims a huge image; 0 is alt
    std::int32_t altWidth;  // the altitude image's width (its height stays 51)
    std::int32_t width;     // the width claimed by the huge file
    std::string lastLine;
  };
  const Case cases[] = {
      {"alt", 0, kSide, 46000, "largeur incorrect"},
      {"DifMat", 1, kSide, 26000, "largeur: 1, hauteur: 1 (en blocFile)"},
      {"AmbMat", 2, kSide, 26000, "largeur: 1, hauteur: 1 (en blocFile)"},
      {"DifLight", 3, kSide, 26000, "largeur: 1, hauteur: 1 (en blocFile)"},
      {"AmbLight", 4, kSide, 26000, "largeur: 1, hauteur: 1 (en blocFile)"},
      {"AmbLight narrower than alt", 4, kSide, 50,
       "erreur: tAmbLight.bmp est plus petit que talt.bmp"},
      {"DifMat with an alt that makes no map", 1, 52, 26000, "largeur incorrect"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<ImageFile> files = valid;
    if (c.altWidth != kSide) {
      files[0].bytes = bmp8(c.altWidth, kSide, Bytes(static_cast<std::size_t>(kSide) * 52, 7));
    }
    files[c.huge].bytes = hugeClaim(c.huge == 0 ? 8 : 24, c.width, first);
    const TempDir dir;
    for (const ImageFile& file : files) writeFile(dir / ("t" + file.suffix), file.bytes);
    RunResult result;
    {
      const AddressSpaceLimit limit(rlim_t{1} << 30);
      result = runTool(kArguments, dir.path());
    }
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.lastLine) << result.out;
    EXPECT_EQ(result.exitCode, c.lastLine.starts_with("largeur:") ? 0 : 1);
    if (result.exitCode != 0) continue;
    // The same terrain with the huge image replaced by its kept part gives the same map.
    // Its stored first row begins with `first`; every other byte it claims is missing.
    Bytes kept(static_cast<std::size_t>(kSide) * kSide * 3, 255);
    std::copy(first.begin(), first.end(), kept.begin());
    files[c.huge].bytes = bmp24(kSide, kSide, padRows(kSide, kSide, 3, kept));
    const TempDir cropped;
    for (const ImageFile& file : files) writeFile(cropped / ("t" + file.suffix), file.bytes);
    EXPECT_EQ(runTool(kArguments, cropped.path()).exitCode, 0);
    EXPECT_TRUE(readFile(dir / "t.map") == readFile(cropped / "t.map")) << "the maps differ";
  }
}

}  // namespace
}  // namespace quorvel::test
