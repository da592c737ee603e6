#include "map/map_writer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "failure.h"
#include "little_endian.h"
#include "map/altitude_step.h"
#include "map/bloc_encoder.h"
#include "map/height_limits.h"
#include "map/map_file.h"
#include "map/map_format.h"
#include "map/map_size.h"
#include "map/sky_view.h"
#include "map/sun_shadow.h"
#include "map/triangle_table.h"

namespace quorvel {
namespace {

// The altitude image must be 50 n + 1 pixels each way, at most 100 blocFiles; the first
// failing check, in this order, is the one reported.
void checkSize(const Texture& alt, int& largeur, int& hauteur) {
  if ((alt.fileWidth - 1) % kBlocFilePixels != 0) {
    throw Failure("largeur incorrect\n", altitudeSizeHint(alt));
  }
  largeur = (alt.fileWidth - 1) / kBlocFilePixels;
  if (largeur > kMaxBlocFiles) throw Failure("carte trop large\n", altitudeSizeHint(alt));
  if ((alt.fileHeight - 1) % kBlocFilePixels != 0) {
    throw Failure("hauteur incorrect\n", altitudeSizeHint(alt));
  }
  hauteur = (alt.fileHeight - 1) / kBlocFilePixels;
  if (hauteur > kMaxBlocFiles) throw Failure("carte trop haute\n", altitudeSizeHint(alt));
}

// The driver checks each depth as it loads the image; checking again here keeps the writer
// from reading past a buffer whatever hands it the images. The altitude holds one sample a
// pixel, of any sample format; a colour pixel is three bytes.
void checkDepths(const Terrain& terrain) {
  const auto check = [](const Texture& image, bool fits, const char* message) {
    if (!fits) throw Failure("erreur: " + image.fileName + message);
  };
  const Texture& alt = terrain.alt;
  check(alt, alt.bytesPerPixel == sampleBytes(alt.sampleFormat), " n'est pas un bmp 8bit\n");
  for (const Texture* image : {&terrain.difMat, &terrain.ambMat, &terrain.difLight,
                               &terrain.ambLight}) {
    check(*image, image->bytesPerPixel == 3 && image->sampleFormat == SampleFormat::kUInt8,
          " n'est pas un bmp 24bit\n");
  }
}

// Colour images are read at alt's pixel coordinates, so none may be smaller than alt.
void checkColorImages(const Terrain& terrain) {
  for (const Texture* image : {&terrain.difMat, &terrain.ambMat, &terrain.difLight,
                               &terrain.ambLight}) {
    if (image->fileWidth < terrain.alt.fileWidth || image->fileHeight < terrain.alt.fileHeight) {
      throw Failure(
          "erreur: " + image->fileName + " est plus petit que " + terrain.alt.fileName + "\n",
          smallerImageHint(*image, terrain.alt));
    }
  }
}

// Encodes the blocFiles on this thread and threads - 1 others, a chunk of consecutive records
// at a time, and each thread writes its chunks straight to their place in the file while the
// bytes are still in its cache: the records' offsets are known before they are made, so no
// thread waits for another to encode, and the only copy left is the kernel's into the page
// cache. One thread writes at a time: two writes to one file contend for its lock in the
// kernel, which spins, so a thread that finds the other writing encodes its next chunk into
// a second buffer first, and writes both when its turn comes.
void writeBlocFiles(const MapFile& file, const BlocEncoder& encoder, int largeur, int blocFiles,
                    int threads) {
  constexpr int kChunkBlocFiles = 10;  // about 1 MB
  constexpr int kBuffers = 2;
  const int chunks = (blocFiles + kChunkBlocFiles - 1) / kChunkBlocFiles;
  std::atomic<int> nextChunk{0};
  std::atomic<bool> stop{false};
  std::mutex writing;
  std::mutex errorMutex;
  std::exception_ptr error;
  const auto work = [&] {
    try {
      struct Chunk {
        std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kChunkBlocFiles * kBlocFileBytes);
        int first = 0;
        int count = 0;  // 0: nothing waits to be written
      };
      Chunk buffers[kBuffers];
      const auto writeWaiting = [&] {
        for (Chunk& chunk : buffers) {
          if (chunk.count == 0) continue;
          file.writeAt(chunk.bytes.data(), static_cast<std::size_t>(chunk.count * kBlocFileBytes),
                       kHeaderBytes + chunk.first * kBlocFileBytes);
          chunk.count = 0;
        }
      };
      for (int chunk = nextChunk++; chunk < chunks && !stop; chunk = nextChunk++) {
        Chunk* slot = nullptr;
        for (Chunk& candidate : buffers) {
          if (candidate.count == 0) slot = &candidate;
        }
        if (slot == nullptr) {  // every buffer waits: this thread's turn, whenever it comes
          const std::lock_guard turn(writing);
          writeWaiting();
          slot = &buffers[0];
        }
        slot->first = chunk * kChunkBlocFiles;
        const int count = std::min(kChunkBlocFiles, blocFiles - slot->first);
        for (int n = 0; n < count; ++n) {
          const int index = slot->first + n;
          encoder.encode(index % largeur, index / largeur, slot->bytes.data() + n * kBlocFileBytes);
        }
        slot->count = count;
        if (writing.try_lock()) {
          const std::lock_guard turn(writing, std::adopt_lock);
          writeWaiting();
        }
      }
      const std::lock_guard turn(writing);
      if (!stop) writeWaiting();  // after another thread's failure the map is not kept
    } catch (...) {
      const std::lock_guard lock(errorMutex);
      if (!error) error = std::current_exception();
      stop = true;
    }
  };
  std::vector<std::thread> others;
  try {
    for (int t = 1; t < std::min(threads, chunks); ++t) others.emplace_back(work);
  } catch (...) {
    stop = true;
    for (std::thread& other : others) other.join();
    throw;
  }
  work();
  for (std::thread& other : others) other.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace

void writeMap(const std::string& prefix, const Terrain& terrain, const MapWriterOptions& options) {
  writeMapFile(prefix + ".map", terrain, options);
}

void writeMapFile(const std::string& mapName, const Terrain& terrain,
                  const MapWriterOptions& options) {
  checkDepths(terrain);
  int largeur = 0;
  int hauteur = 0;
  checkSize(terrain.alt, largeur, hauteur);
  checkColorImages(terrain);
  checkHeightLimits(terrain.alt, terrain.settings);
  MapFile file(mapName);
  const std::string sizeLine = "largeur: " + std::to_string(largeur) +
                               ", hauteur: " + std::to_string(hauteur) + " (en blocFile)";
  if (options.onSizeLine) {
    options.onSizeLine(sizeLine);
  } else {
    std::printf("%s\n", sizeLine.c_str());
  }
  std::uint8_t header[kHeaderBytes];
  storeLeI32(header, largeur);
  storeLeI32(header + 4, hauteur);
  file.writeAt(header, sizeof header, 0);

  Terrain lit = terrain;
  normalize(lit.settings.lightDirection);
  const int threads =
      options.threads > 0 ? options.threads
                          : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  const int blocFiles = largeur * hauteur;
  // The table is keyed by differences of 8-bit samples, or of 16-bit ones in their common
  // step; other altitudes compute every normal. For 16-bit samples it holds rises up to 127
  // steps, a quarter of the 8-bit table (9 MB): GDAL's libraries already take some 40 MB
  // of the memory beyond the pixels, and blocFiles that rise further compute their normals.
  std::unique_ptr<TriangleTable> table;
  if (blocFiles > 0 && blocFiles >= options.tableFromBlocFiles) {
    const bool eightBit = terrain.alt.sampleFormat == SampleFormat::kUInt8;
    const int step = eightBit ? 1 : altitudeStep(terrain.alt, threads);
    if (step > 0) {
      table = std::make_unique<TriangleTable>(lit.settings.zScaleFactor, step,
                                              eightBit ? 255 : 127, threads);
    }
  }
  // The baked light's parts that span the whole image, made before any blocFile: the sky's
  // sweeps need every pixel, the shadows the highest height of each block of pixels.
  const BakedLight& baked = lit.settings.baked;
  std::unique_ptr<double[]> occlusion;
  if (blocFiles > 0 && baked.skyDirections > 0) {
    occlusion = skyOcclusion(terrain.alt, lit.settings.zScaleFactor, baked.skyDirections, threads);
  }
  std::optional<SunShadow> sun;
  if (blocFiles > 0 && baked.shadows) {
    sun.emplace(terrain.alt, lit.settings.zScaleFactor, lit.settings.lightDirection,
                baked.sunDiameter);
  }
  const BlocEncoder encoder(lit, table.get(), Shading{occlusion.get(), sun ? &*sun : nullptr});
  writeBlocFiles(file, encoder, largeur, blocFiles, threads);
  file.commit();
}

}  // namespace quorvel
