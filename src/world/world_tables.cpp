#include "world/world_tables.h"

#include <algorithm>
#include <bit>

#include "map/altitude_step.h"

namespace quorvel {

const TriangleTable* WorldTables::tableFor(const Texture& alt) {
  if (!share_) return nullptr;
  const bool eightBit = alt.sampleFormat == SampleFormat::kUInt8;
  const int step = eightBit ? 1 : altitudeStep(alt, 1);
  if (step <= 0) return nullptr;
  // 8-bit samples: a table as far as the tile's largest rise, rounded up to a power of two so
  // that tiles alike share it, as quorvel's map has one as far as the image's. The whole 511 x
  // 511 of every kind is 38 MB to fill, and its entries lie far apart where a smooth terrain
  // reads a few. The same normals either way: only speed.
  const int rise =
      eightBit ? std::min(255, static_cast<int>(std::bit_ceil(static_cast<unsigned>(
                                   std::max(1, largestRise8(alt, 1))))))
               : 127;
  const std::lock_guard lock(mutex_);
  std::unique_ptr<TriangleTable>& table = tables_[{step, rise}];
  if (!table) table = std::make_unique<TriangleTable>(zScaleFactor_, step, rise, threads_);
  return table.get();
}

}  // namespace quorvel
