// The built tool stopped by a signal while it writes a large map: it must remove its
// temporary file before it ends, and leave an earlier map of the same name as it was.

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"
#include "tool_process.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

const Bytes kEarlierMap = [] {
  Bytes bytes(4096);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
  return bytes;
}();

std::uint64_t mapBytes(std::int32_t side) {
  const std::uint64_t blocFiles = static_cast<std::uint64_t>(side - 1) / 50;
  return 8 + blocFiles * blocFiles * 99375;
}

// A terrain of side x side pixels named big* in dir. The content does not matter, only the
// time the map takes to write.
void writeBigTerrain(const TempDir& dir, std::int32_t side) {
  const auto stride = [side](std::size_t bytesPerPixel) {
    return (static_cast<std::size_t>(side) * bytesPerPixel + 3) / 4 * 4;
  };
  writeFile(dir / "bigalt.bmp", bmp8(side, side, Bytes(stride(1) * side, 10)));
  const Bytes colour = bmp24(side, side, Bytes(stride(3) * side, 200));
  for (const char* role : {"DifMat", "AmbMat", "DifLight", "AmbLight"}) {
    writeFile(dir / ("big" + std::string(role) + ".bmp"), colour);
  }
}

struct Interruption {
  bool signalled = false;  // false when the run ended before its temporary file was seen
  RunResult result;
};

// Starts the tool on the big terrain and sends the signal as soon as the temporary map
// exists, so the writer is as early in the file as it can be.
Interruption interrupt(const TempDir& dir, int signalNumber, const ProcessOptions& options = {}) {
  for (const std::string& stale : temporaryMaps(dir.path())) std::filesystem::remove(dir / stale);
  ToolProcess process({"big"}, dir.path(), options);
  Interruption interruption;
  const auto started = [&] { return !temporaryMaps(dir.path()).empty(); };
  if (waitFor(process, started, std::chrono::seconds(300)) && !process.ended()) {
    process.signal(signalNumber);
    interruption.signalled = true;
  }
  interruption.result = process.wait();
  return interruption;
}

// The writer gets faster; if a whole map is ever written before the signal lands, the next
// size up (the largest the tool accepts) is tried.
constexpr std::int32_t kSides[] = {2001, 5001};

class InterruptedRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    writeBigTerrain(*dir_, side_);
  }
  static void TearDownTestSuite() { dir_.reset(); }

  // Interrupts a run over an earlier map, moving to a larger terrain when the run was too
  // quick to interrupt.
  static RunResult interruptOverEarlierMap(int signalNumber) {
    for (;;) {
      writeFile(*dir_ / "big.map", kEarlierMap);
      const Interruption interruption = interrupt(*dir_, signalNumber);
      if (interruption.signalled && interruption.result.exitCode != 0) return interruption.result;
      if (side_ == kSides[1]) {
        ADD_FAILURE() << "even a " << side_ << " x " << side_
                      << " map was written before the signal landed\n"
                      << interruption.result.out;
        return interruption.result;
      }
      side_ = kSides[1];
      writeBigTerrain(*dir_, side_);
    }
  }

  static std::unique_ptr<TempDir> dir_;
  static std::int32_t side_;
};

std::unique_ptr<TempDir> InterruptedRun::dir_;
std::int32_t InterruptedRun::side_ = kSides[0];

TEST_F(InterruptedRun, StopSignalRemovesTheTemporaryFileAndKeepsTheEarlierMap) {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(std::string("signal ") + ::strsignal(signalNumber));
    const RunResult result = interruptOverEarlierMap(signalNumber);
    // The handler ends the process by the same signal, so a caller still sees why it stopped.
    EXPECT_EQ(result.signalNumber, signalNumber) << result.exitCode << "\n" << result.out;
    EXPECT_TRUE(temporaryMaps(dir_->path()).empty());
    EXPECT_EQ(readFile(*dir_ / "big.map"), kEarlierMap);
  }
}

TEST_F(InterruptedRun, HangupIgnoredAtStartStaysIgnored) {
  // Started under nohup, a run must survive the hangup and finish its map.
  writeFile(*dir_ / "big.map", kEarlierMap);
  ProcessOptions options;
  options.ignoreHangup = true;
  const Interruption interruption = interrupt(*dir_, SIGHUP, options);
  EXPECT_TRUE(interruption.signalled);
  EXPECT_EQ(interruption.result.signalNumber, 0);
  EXPECT_EQ(interruption.result.exitCode, 0) << interruption.result.out;
  EXPECT_TRUE(temporaryMaps(dir_->path()).empty());
  EXPECT_EQ(std::filesystem::file_size(*dir_ / "big.map"), mapBytes(side_));
}

}  // namespace
}  // namespace quorvel::test
