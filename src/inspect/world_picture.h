#pragma once

#include <string>

#include "inspect/map_picture.h"

namespace quorvel {

// The baked colours of a whole world, read tile by tile from the maps its manifest lists
// (their names relative to the manifest's directory), stitched and sampled down to width
// pixels across (the world's width when width is 0 or larger), each picture pixel the
// world pixel nearest its centre. Memory holds the picture and one tile at a time. Throws
// when the manifest or a tile cannot be read, or a tile is not the map recorded.
[[nodiscard]] Picture worldPreviewPicture(const std::string& manifestName, int width);

}  // namespace quorvel
