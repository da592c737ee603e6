#include "map/map_writer.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "failure.h"
#include "map/bloc_encoder.h"
#include "map/map_file.h"
#include "map/map_format.h"
#include "map/triangle_table.h"

namespace quorvel {
namespace {

// The altitude image must be 50 n + 1 pixels each way, at most 100 blocFiles; the first
// failing check, in this order, is the one reported.
void checkSize(const Texture& alt, int& largeur, int& hauteur) {
  if ((alt.width - 1) % kBlocFilePixels != 0) throw Failure("largeur incorrect\n");
  largeur = (alt.width - 1) / kBlocFilePixels;
  if (largeur > kMaxBlocFiles) throw Failure("carte trop large\n");
  if ((alt.height - 1) % kBlocFilePixels != 0) throw Failure("hauteur incorrect\n");
  hauteur = (alt.height - 1) / kBlocFilePixels;
  if (hauteur > kMaxBlocFiles) throw Failure("carte trop haute\n");
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
    if (image->width < terrain.alt.width || image->height < terrain.alt.height) {
      throw Failure("erreur: " + image->fileName + " est plus petit que " +
                    terrain.alt.fileName + "\n");
    }
  }
}

// Encodes the blocFiles on worker threads, a chunk of consecutive records at a time, while
// this thread writes the finished chunks in file order. A bounded ring of chunk buffers keeps
// memory flat whatever the map's size.
void writeBlocFiles(MapFile& file, const BlocEncoder& encoder, int largeur, int blocFiles,
                    int threads) {
  constexpr int kChunkBlocFiles = 10;  // about 1 MB
  const int chunks = (blocFiles + kChunkBlocFiles - 1) / kChunkBlocFiles;
  const auto chunkSize = [&](int chunk) {
    return std::min(kChunkBlocFiles, blocFiles - chunk * kChunkBlocFiles);
  };
  const auto encodeChunk = [&](int chunk, std::uint8_t* out) {
    for (int n = 0; n < chunkSize(chunk); ++n) {
      const int index = chunk * kChunkBlocFiles + n;
      encoder.encode(index % largeur, index / largeur, out + n * kBlocFileBytes);
    }
  };
  if (threads <= 1 || chunks <= 1) {
    std::vector<std::uint8_t> bytes(kChunkBlocFiles * kBlocFileBytes);
    for (int chunk = 0; chunk < chunks; ++chunk) {
      encodeChunk(chunk, bytes.data());
      file.putBytes(bytes.data(), static_cast<std::size_t>(chunkSize(chunk) * kBlocFileBytes));
    }
    return;
  }

  struct Slot {
    std::vector<std::uint8_t> bytes;
    int chunk = -1;  // the chunk whose bytes are ready, or -1
  };
  const int slotCount = 2 * threads;
  std::vector<Slot> slots(static_cast<std::size_t>(slotCount));
  std::mutex mutex;
  std::condition_variable changed;
  int nextChunk = 0;
  int written = 0;
  bool stop = false;
  std::exception_ptr workerError;

  const auto work = [&] {
    std::unique_lock lock(mutex);
    while (!stop && nextChunk < chunks) {
      const int chunk = nextChunk++;
      Slot& slot = slots[static_cast<std::size_t>(chunk % slotCount)];
      // The slot is free once the chunk that used it before has been written.
      changed.wait(lock, [&] { return stop || chunk < written + slotCount; });
      if (stop) break;
      lock.unlock();
      try {
        slot.bytes.resize(kChunkBlocFiles * kBlocFileBytes);
        encodeChunk(chunk, slot.bytes.data());
      } catch (...) {
        lock.lock();
        if (!workerError) workerError = std::current_exception();
        stop = true;
        changed.notify_all();
        break;
      }
      lock.lock();
      slot.chunk = chunk;
      changed.notify_all();
    }
  };

  std::vector<std::thread> workers;
  const auto finish = [&] {
    {
      const std::lock_guard lock(mutex);
      stop = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers) worker.join();
  };
  try {
    for (int t = 0; t < threads; ++t) workers.emplace_back(work);
    for (int chunk = 0; chunk < chunks; ++chunk) {
      Slot& slot = slots[static_cast<std::size_t>(chunk % slotCount)];
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return slot.chunk == chunk || workerError; });
        if (workerError) std::rethrow_exception(workerError);
      }
      file.putBytes(slot.bytes.data(), static_cast<std::size_t>(chunkSize(chunk) * kBlocFileBytes));
      {
        const std::lock_guard lock(mutex);
        slot.chunk = -1;
        ++written;
      }
      changed.notify_all();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace

void writeMap(const std::string& prefix, const Terrain& terrain, const MapWriterOptions& options) {
  checkDepths(terrain);
  int largeur = 0;
  int hauteur = 0;
  checkSize(terrain.alt, largeur, hauteur);
  checkColorImages(terrain);
  MapFile file(prefix + ".map");
  std::printf("largeur: %d, hauteur: %d (en blocFile)\n", largeur, hauteur);
  file.putI32(largeur);
  file.putI32(hauteur);

  Terrain lit = terrain;
  normalize(lit.settings.lightDirection);
  const int threads =
      options.threads > 0 ? options.threads
                          : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  const int blocFiles = largeur * hauteur;
  // The table is keyed by differences of 8-bit samples; other altitudes compute every normal.
  std::unique_ptr<TriangleTable> table;
  if (terrain.alt.sampleFormat == SampleFormat::kUInt8 && blocFiles > 0 &&
      blocFiles >= options.tableFromBlocFiles) {
    table = std::make_unique<TriangleTable>(lit.settings.zScaleFactor, threads);
  }
  const BlocEncoder encoder(lit, table.get());
  writeBlocFiles(file, encoder, largeur, blocFiles, threads);
  file.commit();
}

}  // namespace quorvel
