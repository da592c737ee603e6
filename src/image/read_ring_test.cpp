#include "image/read_ring.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::TempFile;

std::size_t openDescriptors() {
  return static_cast<std::size_t>(std::distance(
      std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

// Threads reading at once through one owner each get the file's bytes (pieces past the end
// come short), and the owner's rings go with it: no descriptor is left open.
TEST(ReadRings, ThreadsReadTheirPiecesAndTheRingsCloseWithTheirOwner) {
  Bytes bytes(100000);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  const TempFile file(bytes);
  const std::size_t before = openDescriptors();
  {
    ReadRings rings;
    const auto readAll = [&](std::size_t thread, std::vector<std::string>& faults) {
      const int fd = ::open(file.name().c_str(), O_RDONLY | O_CLOEXEC);
      for (std::size_t round = 0; round < 20; ++round) {
        std::vector<std::vector<std::uint8_t>> to(kRingPieces, std::vector<std::uint8_t>(300));
        std::vector<PieceRead> pieces;
        for (std::size_t i = 0; i < kRingPieces; ++i) {
          pieces.push_back({to[i].data(), to[i].size(), (i * 1571 + thread * 13 + round) % 99000});
        }
        pieces[kRingPieces - 2].offset = bytes.size() - 100;  // comes short
        pieces[kRingPieces - 1].offset = bytes.size() + 5;    // reads nothing
        std::vector<std::int64_t> got(kRingPieces);
        if (!rings.readPieces(fd, pieces, got)) continue;  // no ring here: nothing to check
        for (std::size_t i = 0; i < kRingPieces; ++i) {
          const std::size_t at = pieces[i].offset;
          const std::size_t expected =
              at < bytes.size() ? std::min<std::size_t>(300, bytes.size() - at) : 0;
          if (got[i] != static_cast<std::int64_t>(expected) ||
              !std::equal(
                  to[i].begin(), to[i].begin() + static_cast<std::ptrdiff_t>(expected),
                  bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())))) {
            faults.push_back("piece at " + std::to_string(at) + " read " + std::to_string(got[i]));
          }
        }
      }
      ::close(fd);
    };
    std::vector<std::vector<std::string>> faults(4);
    std::vector<std::thread> threads;
    for (std::size_t thread = 0; thread < faults.size(); ++thread) {
      threads.emplace_back(readAll, thread, std::ref(faults[thread]));
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::vector<std::string>& thread : faults) {
      EXPECT_EQ(thread, std::vector<std::string>{});
    }
  }
  EXPECT_EQ(openDescriptors(), before);
}

}  // namespace
}  // namespace quorvel
