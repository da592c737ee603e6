#pragma once

#include <functional>
#include <string>

#include "map/terrain.h"

namespace quorvel {

// How writeMap spreads its work; every choice gives the same bytes.
struct MapWriterOptions {
  int threads = 0;  // blocFile encoders; 0 means one per processor
  // Terrains of at least this many blocFiles look their triangle normals up in a table made
  // once per run; below it making the table (about 22 ms of one core) costs more than it
  // saves (about 60 us per blocFile).
  int tableFromBlocFiles = 400;
  // Given the size line, without its line feed, once the size is checked and the file made,
  // before the blocFiles are written; empty: standard output.
  std::function<void(const std::string& line)> onSizeLine = {};
};

// Checks the terrain's size, then writes prefix + ".map": prints the size line, and replaces
// any earlier map only once the whole file is written. Throws a Failure on every error.
void writeMap(const std::string& prefix, const Terrain& terrain,
              const MapWriterOptions& options = {});

// The same, to a file of any name.
void writeMapFile(const std::string& mapName, const Terrain& terrain,
                  const MapWriterOptions& options = {});

}  // namespace quorvel
