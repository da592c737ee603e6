#pragma once

// quorvel as a library: compile a terrain file from five image files or from rasters in
// memory, and read terrain files back. The programs quorvel and quorvel-inspect are built on
// it. Nothing here prints, exits or keeps state between calls: two threads may compile two
// maps at once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "quorvel/map_cells.h"
#include "quorvel/types.h"
#include "quorvel/version.h"
#include "quorvel/world.h"

namespace quorvel {

// The version the programs print in their banners, QUORVEL_VERSION_STRING ("0.01.0000").
[[nodiscard]] const char* version();

// Runs job(0) ... job(count - 1) on this thread and up to threads - 1 others, drawn from the
// one budget of a thread per processor that the library's own work shares, so that a
// program's parallel work and the library's never hold more threads than processors. Job 0
// runs on this thread; once a job has thrown no other is begun, and the exception of the
// lowest failing index is rethrown after every thread is joined. A job must never wait for
// another: on one thread they run one after the other.
void runJobs(int count, int threads, const std::function<void(int)>& job);

// A refusal. what() is the line the command line prints on standard output, without its line
// feed, in the same bytes (Latin-1: é is the byte 0xE9); hint() the line it prints on
// standard error, without its line feed, or empty: what was found and what to do. kind()
// says what went wrong for a program to act on; errorKindName gives its word.
class Error : public std::runtime_error {
 public:
  Error(const std::string& message, std::string hint, ErrorKind kind);
  [[nodiscard]] const std::string& hint() const noexcept { return hint_; }
  [[nodiscard]] ErrorKind kind() const noexcept { return kind_; }

 private:
  std::string hint_;
  ErrorKind kind_;
};

// What a compile wrote.
struct CompileResult {
  std::string map;                 // the terrain file
  std::int32_t largeur = 0;        // blocFiles across
  std::int32_t hauteur = 0;        // blocFiles down
  std::int64_t bytes = 0;          // the file's size: 8 + 99,375 per blocFile
  std::vector<std::string> notes;  // what quorvel prints on standard error, a line each
};

// How a compile reports as it goes; both optional. The command line prints each when it comes,
// so that it stands in its place among its own lines; CompileResult holds them all anyway.
struct CompileOptions {
  // The map's size in blocFiles, once it is checked and the file made, before the heavy work.
  std::function<void(std::int32_t largeur, std::int32_t hauteur)> onSize;
  std::function<void(const std::string& note)> onNote;
  int threads = 0;  // blocFile encoders; 0: one per processor. Every value gives the same bytes.
  // For files the caller vouches for (quorvel's --trusted-inputs): GDAL may then open VRT
  // files and network names too. Without it, images read through GDAL must be local regular
  // files in the formats of its allow-list; with it, every source of a VRT must still be a
  // local regular file or a network name.
  bool trustedInputs = false;
};

// Compiles prefix + ".map" from the five files, with every check and refusal of the command
// line; an earlier map of that name is replaced only once the new one is complete. Throws
// Error.
CompileResult compileFiles(const ImageFiles& files, const Settings& settings = {},
                           const CompileOptions& options = {});

// The sample types of an altitude in memory.
enum class SampleType { kInt8, kUInt8, kInt16, kUInt16, kInt32, kUInt32, kFloat32, kFloat64 };

// A raster in memory, observed, not owned. Pixel (x, y) begins at
// data + y * rowStride + x * pixelStride; row 0 is the south edge (the bottom row of the
// picture). pixelStride 0 means packed: the sample's size, or 3 bytes for a colour pixel.
// Strides may be negative.
struct AltitudeView {
  const void* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t rowStride = 0;
  SampleType type = SampleType::kUInt8;
  std::ptrdiff_t pixelStride = 0;
};

// Red, green, blue bytes a pixel, one byte apart.
struct ColourView {
  const std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t rowStride = 0;
  std::ptrdiff_t pixelStride = 0;
};

// The five rasters of a terrain; the colour images have the altitude's size.
struct TerrainViews {
  AltitudeView alt;
  ColourView difmat;
  ColourView ambmat;
  ColourView diflight;
  ColourView amblight;
};

// Compiles mapPath from rasters in memory: the map quorvel writes from the same pictures
// (8-bit altitudes as BMPs, other types as plain GeoTIFFs). NaN and infinite altitudes are
// pixels without altitude. In messages the role names stand for file names:
// "erreur: alt contient 3 pixels sans altitude", "erreur: difmat n'a pas la taille de alt".
// Throws Error.
CompileResult compileRasters(const std::string& mapPath, const TerrainViews& views,
                             const Settings& settings = {}, const CompileOptions& options = {});

// A terrain file, read whole at construction but for its triangle normals, which are read
// when asked for (MapCells reads its records as stored). Vertices are addressed as pixels of the altitude image (x from the west,
// y from the south); cells by their index from the south-west, 25 a blocFile each way.
class Map {
 public:
  // Throws Error when the file cannot be read or is not a whole terrain file.
  explicit Map(const std::string& path);
  ~Map();
  Map(Map&&) noexcept;
  Map& operator=(Map&&) noexcept;

  [[nodiscard]] const std::string& path() const;  // as given
  [[nodiscard]] std::int32_t largeur() const;     // blocFiles across
  [[nodiscard]] std::int32_t hauteur() const;  // blocFiles down
  [[nodiscard]] std::int32_t width() const;    // pixels across: 50 largeur + 1 (0 when empty)
  [[nodiscard]] std::int32_t height() const;   // pixels down: 50 hauteur + 1 (0 when empty)
  [[nodiscard]] std::int64_t bytes() const;

  // The height and colour stored for vertex (x, y); 0 <= x < width(), 0 <= y < height().
  [[nodiscard]] float vertexHeight(std::int32_t x, std::int32_t y) const;
  [[nodiscard]] std::array<std::uint8_t, 3> vertexColour(std::int32_t x, std::int32_t y) const;
  // Every vertex's height, row 0 first, width() a row; and its red, green, blue.
  [[nodiscard]] const std::vector<float>& heights() const;
  [[nodiscard]] const std::vector<std::uint8_t>& colours() const;

  // The eight triangle normals of cell (cx, cy), triangle 1 first;
  // 0 <= cx < 25 largeur(), 0 <= cy < 25 hauteur(). Throws Error when the file cannot be read.
  [[nodiscard]] std::array<Vector3, 8> cellNormals(std::int32_t cx, std::int32_t cy) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
