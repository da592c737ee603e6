#include "world/world_tables.h"

#include "map/altitude_step.h"

namespace quorvel {

const TriangleTable* WorldTables::tableFor(const Texture& alt) {
  if (!share_) return nullptr;
  const bool eightBit = alt.sampleFormat == SampleFormat::kUInt8;
  const int step = eightBit ? 1 : altitudeStep(alt, 1);
  if (step <= 0) return nullptr;
  const std::lock_guard lock(mutex_);
  std::unique_ptr<TriangleTable>& table = tables_[step];
  if (!table) {
    table = std::make_unique<TriangleTable>(zScaleFactor_, step, eightBit ? 255 : 127, threads_);
  }
  return table.get();
}

}  // namespace quorvel
