#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "image/colour_bands.h"
#include "map/bloc_encoder.h"
#include "map/map_file.h"
#include "map/terrain.h"
#include "map/triangle_table.h"

namespace quorvel {

// The buffers a ColourBands given to writeMap must have: one band is read into while another
// is encoded and a third finished.
inline constexpr int kColourBandSlots = 3;

// How writeMap spreads its work; every choice gives the same bytes.
struct MapWriterOptions {
  int threads = 0;  // blocFile encoders; 0 means one per processor
  // Terrains of at least this many blocFiles look their triangle normals up in a table made
  // once per run; below it making the table (about 22 ms of one core) costs more than it
  // saves (about 60 us per blocFile). 8-bit terrains that rise less need a smaller table,
  // which pays from fewer blocFiles (triangleTableFor).
  int tableFromBlocFiles = 400;
  // Given the size line, without its line feed, once the size is checked and the file made,
  // before the blocFiles are written; empty: standard output.
  std::function<void(const std::string& line)> onSizeLine = {};
  // When set, the colour images' pixels are read from here a band at a time, and the
  // terrain's colour images need hold only their headers (sizes and depths).
  ColourBands* colourBands = nullptr;
};

// Checks the terrain's size, then writes prefix + ".map": prints the size line, and replaces
// any earlier map only once the whole file is written. Throws a Failure on every error.
void writeMap(const std::string& prefix, const Terrain& terrain,
              const MapWriterOptions& options = {});

// The same, to a file of any name.
void writeMapFile(const std::string& mapName, const Terrain& terrain,
                  const MapWriterOptions& options = {});

// The checks writeMap makes of the images besides the altitude's size: the altitude holds one
// sample a pixel and the colour images three bytes (an image loaded wrong would otherwise be
// read past its buffer); and no colour image is smaller than the altitude (files' sizes).
// Each throws the first refusal.
void checkTerrainDepths(const Terrain& terrain);
void checkColourSizes(const Terrain& terrain);

// Part of a terrain's blocFiles: largeur x hauteur of them from blocFile (bx0, by0).
struct BlocRegion {
  int bx0 = 0;
  int by0 = 0;
  int largeur = 0;
  int hauteur = 0;
};

// Receives a file's bytes in file order.
using ByteSink = std::function<void(const std::uint8_t* bytes, std::size_t count)>;

// The map of region's blocFiles, to file: a header with the region's size, then each blocFile
// exactly as the map of the whole terrain holds it, whatever size the terrain has. lit is the
// terrain with its light direction normalised; its images need hold only the region's pixels
// and, where the terrain goes on, the altitude's ring of one pixel round them (Texture::x0,
// y0); their depths and sizes are the caller's to check. table as for BlocEncoder, or null.
// inOrder receives the whole file, header first, as it is written. shading as for
// BlocEncoder: the baked light's parts need the whole images. colourBands, without inOrder,
// as in MapWriterOptions. Does not commit file.
void writeMapRegion(const MapFile& file, const Terrain& lit, const BlocRegion& region,
                    const TriangleTable* table, int threads, const ByteSink& inOrder,
                    const Shading& shading = {}, ColourBands* colourBands = nullptr);

// One of the two maps that writeMapRegionPair writes, with writeMapRegion's arguments.
struct RegionToWrite {
  const MapFile* file;
  const Terrain* lit;
  BlocRegion region;
  const TriangleTable* table;
  Shading shading = {};
};

// Receives two files' bytes, each in file order: aCount bytes of one, bCount of the other, either
// of them possibly 0.
using PairSink = std::function<void(const std::uint8_t* a, std::size_t aCount,
                                    const std::uint8_t* b, std::size_t bCount)>;

// writeMapRegion for two maps on this thread: a megabyte of blocFiles of each
// in turn, the two reaching inOrder together, so that the caller can hash both files in one
// pass. Does not commit the files.
void writeMapRegionPair(const RegionToWrite& a, const RegionToWrite& b, const PairSink& inOrder);

// The triangle table for alt's samples at this z scale, made on up to threads threads, where
// a map of blocFiles blocFiles saves more by it than it costs (fromBlocFiles: from how many
// blocFiles the largest table pays): for 8-bit samples, as far as their largest rise
// (largestRise8), or others whose samples share a step (altitudeStep); else null.
[[nodiscard]] std::unique_ptr<TriangleTable> triangleTableFor(const Texture& alt,
                                                              float zScaleFactor, int threads,
                                                              long long blocFiles,
                                                              long long fromBlocFiles);

}  // namespace quorvel
