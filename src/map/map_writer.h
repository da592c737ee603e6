#pragma once

#include <string>

#include "map/map_file.h"
#include "map/terrain.h"

namespace quorvel {

// Checks the terrain's size, then writes prefix + ".map": prints the size line, and replaces
// any earlier map only once the whole file is written. Throws a Failure on every error.
void writeMap(const std::string& prefix, const Terrain& terrain);

// The records of one unit, appended in file order. terrain.settings.lightDirection must
// already be normalised; (x0, y0) is the unit's origin pixel.
void writeBlock(MapFile& file, const Terrain& terrain, int x0, int y0);
void writeSubBlock(MapFile& file, const Terrain& terrain, int x0, int y0);
void writeCell(MapFile& file, const Terrain& terrain, int ox, int oy);

}  // namespace quorvel
