#pragma once

namespace quorvel {

// Gives GDAL's block cache the programs' size, 16 MiB, before GDAL is loaded: the pixels are
// copied into our records once, so GDAL's default (5 % of the memory) would only hold a
// second copy of them. The process is the program's; a library call never sets this, as a
// host that embeds the library owns its own GDAL settings.
void limitGdalCache();

}  // namespace quorvel
