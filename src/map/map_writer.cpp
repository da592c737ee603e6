#include "map/map_writer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
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
#include "page_advice.h"
#include "worker_threads.h"

namespace quorvel {
namespace {

// The altitude image must be 50 n + 1 pixels each way, at most 100 blocFiles.
void checkSize(const Texture& alt, int& largeur, int& hauteur) {
  if (const char* refusal = mapSizeRefusal(alt.fileWidth, alt.fileHeight)) {
    throw Failure(ErrorKind::kSize, refusal, altitudeSizeHint(alt));
  }
  largeur = (alt.fileWidth - 1) / kBlocFilePixels;
  hauteur = (alt.fileHeight - 1) / kBlocFilePixels;
}

}  // namespace

// The driver checks each depth as it loads the image; checking again here keeps the writer
// from reading past a buffer whatever hands it the images. The altitude holds one sample a
// pixel, of any sample format; a colour pixel is three bytes.
void checkTerrainDepths(const Terrain& terrain) {
  const auto check = [](const Texture& image, bool fits, const char* message) {
    if (!fits) throw Failure(ErrorKind::kFormat, "erreur: " + image.fileName + message);
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
void checkColourSizes(const Terrain& terrain) {
  for (const Texture* image : {&terrain.difMat, &terrain.ambMat, &terrain.difLight,
                               &terrain.ambLight}) {
    if (image->fileWidth < terrain.alt.fileWidth || image->fileHeight < terrain.alt.fileHeight) {
      throw Failure(
          ErrorKind::kSize,
          "erreur: " + image->fileName + " est plus petit que " + terrain.alt.fileName + "\n",
          smallerImageHint(*image, terrain.alt));
    }
  }
}

namespace {

constexpr int kChunkBlocFiles = 10;  // about 1 MB

// Colour images read by band (ColourBands) come kBandBlocRows rows of blocFiles at a time (3 MB
// of the largest map's) into kBandSlots buffers: while one thread encodes a band, another reads
// the next, and a third buffer lets a thread still finishing the band before them go on.
constexpr int kBandBlocRows = 1;
constexpr int kBandSlots = kColourBandSlots;

// What a thread does next: read one colour image's band, or encode count blocFiles from first.
struct Task {
  int band = 0;
  int role = -1;  // the colour image to read, or -1: encode
  int first = 0;
  int count = 0;
};

// The chunks in file order; with bands, the reads of the next band come after the first
// chunk of each, so that a band is read while the one before it is encoded and the first
// blocFiles wait only for the first band. No chunk spans two bands.
std::vector<Task> tasksOf(const BlocRegion& region, bool banded) {
  std::vector<Task> tasks;
  const int bandRows = banded ? kBandBlocRows : std::max(1, region.hauteur);
  const int bands = (region.hauteur + bandRows - 1) / bandRows;
  const auto reads = [&](int band) {
    for (int role = 0; banded && band < bands && role < kColourRoles; ++role) {
      tasks.push_back(Task{band, role, 0, 0});
    }
  };
  reads(0);
  for (int band = 0; band < bands; ++band) {
    const int begin = band * bandRows * region.largeur;
    const int end = std::min(region.hauteur, (band + 1) * bandRows) * region.largeur;
    for (int first = begin; first < end; first += kChunkBlocFiles) {
      tasks.push_back(Task{band, -1, first, std::min(kChunkBlocFiles, end - first)});
      if (first == begin) reads(band + 1);
    }
  }
  return tasks;
}

void encodeChunk(const BlocEncoder& encoder, const BlocRegion& region, const Task& task,
                 const ColourImages* colours, std::uint8_t* out) {
  for (int n = 0; n < task.count; ++n) {
    const int index = task.first + n;
    const int bx = region.bx0 + index % region.largeur;
    const int by = region.by0 + index / region.largeur;
    std::uint8_t* record = out + n * kBlocFileBytes;
    if (colours != nullptr) {
      encoder.encode(bx, by, *colours, record);
    } else {
      encoder.encode(bx, by, record);
    }
  }
}

// Which bands are read and encoded, for the threads that wait on them.
class BandProgress {
 public:
  BandProgress(const std::vector<Task>& tasks, int bands)
      : reads_(static_cast<std::size_t>(bands)),
        chunks_(static_cast<std::size_t>(bands)),
        encoded_(static_cast<std::size_t>(bands)) {
    for (const Task& task : tasks) {
      if (task.role < 0) ++chunks_[static_cast<std::size_t>(task.band)];
    }
  }

  // Until band's slot is free: the band kBandSlots before it is encoded. False once stopped.
  bool waitForSlot(int band) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return stop_ || band < kBandSlots || encodedLocked(band - kBandSlots); });
    return !stop_;
  }
  // Until every colour image of band is read. False once stopped.
  bool waitForBand(int band) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return stop_ || reads_[static_cast<std::size_t>(band)] == kColourRoles; });
    return !stop_;
  }
  void read(int band) { count(reads_, band); }
  void encoded(int band) { count(encoded_, band); }
  void stop() {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

 private:
  bool encodedLocked(int band) const {
    return encoded_[static_cast<std::size_t>(band)] == chunks_[static_cast<std::size_t>(band)];
  }
  void count(std::vector<int>& counts, int band) {
    const std::lock_guard lock(mutex_);
    ++counts[static_cast<std::size_t>(band)];
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> reads_;
  std::vector<int> chunks_;
  std::vector<int> encoded_;
  bool stop_ = false;
};

// Encodes the blocFiles on this thread and threads - 1 others, a chunk of consecutive records
// at a time, and each thread writes its chunks straight to their place in the file while the
// bytes are still in its cache: the records' offsets are known before they are made, so no
// thread waits for another to encode, and the only copy left is the kernel's into the page
// cache. One thread writes at a time: two writes to one file contend for its lock in the
// kernel, which spins, so a thread that finds the other writing encodes its next chunk into
// a second buffer first, and writes both when its turn comes. With bands, the same threads
// read the colour images' bands between chunks.
void writeBlocFiles(const MapFile& file, const BlocEncoder& encoder, const BlocRegion& region,
                    int threads, ColourBands* bands) {
  constexpr int kBuffers = 2;
  const std::vector<Task> tasks = tasksOf(region, bands != nullptr);
  const int taskCount = static_cast<int>(tasks.size());
  BandProgress progress(tasks, tasks.empty() ? 0 : tasks.back().band + 1);
  std::atomic<int> nextTask{0};
  std::atomic<bool> stop{false};
  std::mutex writing;
  std::mutex errorMutex;
  std::exception_ptr error;
  const auto work = [&] {
    try {
      struct Chunk {
        std::vector<std::uint8_t> bytes;
        int first = 0;
        int count = 0;  // 0: nothing waits to be written
      };
      Chunk buffers[kBuffers];  // the second is made only once the first waits to be written
      const auto writeWaiting = [&] {
        for (Chunk& chunk : buffers) {
          if (chunk.count == 0) continue;
          file.writeAt(chunk.bytes.data(), static_cast<std::size_t>(chunk.count * kBlocFileBytes),
                       kHeaderBytes + std::int64_t{chunk.first} * kBlocFileBytes);
          chunk.count = 0;
        }
      };
      for (int next = nextTask++; next < taskCount && !stop; next = nextTask++) {
        const Task& task = tasks[static_cast<std::size_t>(next)];
        const int slotOfBand = task.band % kBandSlots;
        if (task.role >= 0) {
          if (!progress.waitForSlot(task.band)) break;
          const int y0 = (region.by0 + task.band * kBandBlocRows) * kBlocFilePixels;
          const int blocRows = std::min(kBandBlocRows, region.hauteur - task.band * kBandBlocRows);
          bands->read(slotOfBand, task.role, y0, blocRows * kBlocFilePixels + 1);
          progress.read(task.band);
          continue;
        }
        ColourImages colours{};
        if (bands != nullptr) {
          if (!progress.waitForBand(task.band)) break;
          for (int role = 0; role < kColourRoles; ++role) {
            colours[static_cast<std::size_t>(role)] = &bands->image(slotOfBand, role);
          }
        }
        Chunk* slot = nullptr;
        for (Chunk& candidate : buffers) {
          if (slot == nullptr && candidate.count == 0) slot = &candidate;
        }
        if (slot == nullptr) {  // every buffer waits: this thread's turn, whenever it comes
          const std::lock_guard turn(writing);
          writeWaiting();
          slot = &buffers[0];
        }
        if (slot->bytes.empty()) {
          resizeOnReadyPages(slot->bytes, kChunkBlocFiles * kBlocFileBytes);
        }
        slot->first = task.first;
        encodeChunk(encoder, region, task, bands != nullptr ? &colours : nullptr,
                    slot->bytes.data());
        slot->count = task.count;
        if (bands != nullptr) progress.encoded(task.band);
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
      progress.stop();
    }
  };
  const int workers = std::max(1, std::min(threads, taskCount));
  runJobs(workers, workers, [&](int) { work(); });
  if (error) std::rethrow_exception(error);
}

// As writeBlocFiles, but the chunks reach the file, and inOrder, in file order: each thread has
// two buffers, and whichever thread finds the next chunk in line ready writes it, and those
// after it that are ready, while the others go on encoding. A thread whose two chunks both
// wait for an earlier one waits too; the earliest chunk not written is always being encoded
// by a thread that does not wait, so the file is always finished.
void writeBlocFilesInOrder(const MapFile& file, const BlocEncoder& encoder,
                           const BlocRegion& region, int threads, const ByteSink& inOrder) {
  const int blocFiles = region.largeur * region.hauteur;
  const int chunks = (blocFiles + kChunkBlocFiles - 1) / kChunkBlocFiles;
  const int workers = std::max(1, std::min(threads, chunks));
  struct Chunk {
    std::vector<std::uint8_t> bytes;
    int index = -1;  // -1: free
    bool ready = false;
  };
  std::vector<Chunk> slots(static_cast<std::size_t>(2 * workers));
  std::mutex mutex;
  std::condition_variable freed;
  int nextChunk = 0;
  int nextOut = 0;
  bool writing = false;
  bool stop = false;
  std::exception_ptr error;
  const auto work = [&](int worker) {
    Chunk* const mine[2] = {&slots[static_cast<std::size_t>(2 * worker)],
                            &slots[static_cast<std::size_t>(2 * worker + 1)]};
    try {
      std::unique_lock lock(mutex);
      while (true) {
        freed.wait(lock, [&] { return stop || mine[0]->index < 0 || mine[1]->index < 0; });
        if (stop || nextChunk >= chunks) break;
        Chunk& slot = mine[0]->index < 0 ? *mine[0] : *mine[1];
        slot.index = nextChunk++;
        lock.unlock();
        const int first = slot.index * kChunkBlocFiles;
        const int count = std::min(kChunkBlocFiles, blocFiles - first);
        if (slot.bytes.empty()) resizeOnReadyPages(slot.bytes, kChunkBlocFiles * kBlocFileBytes);
        slot.bytes.resize(static_cast<std::size_t>(count * kBlocFileBytes));
        encodeChunk(encoder, region, Task{0, -1, first, count}, nullptr, slot.bytes.data());
        lock.lock();
        slot.ready = true;
        if (writing) continue;
        writing = true;
        for (auto next = slots.begin(); !stop; next = slots.begin()) {
          while (next != slots.end() && !(next->ready && next->index == nextOut)) ++next;
          if (next == slots.end()) break;
          lock.unlock();
          inOrder(next->bytes.data(), next->bytes.size());
          file.writeAt(next->bytes.data(), next->bytes.size(),
                       kHeaderBytes + std::int64_t{nextOut} * kChunkBlocFiles * kBlocFileBytes);
          lock.lock();
          next->index = -1;
          next->ready = false;
          ++nextOut;
          freed.notify_all();
        }
        writing = false;
      }
    } catch (...) {
      const std::lock_guard lock(mutex);
      if (!error) error = std::current_exception();
      stop = true;
      writing = false;
      freed.notify_all();
    }
  };
  runJobs(workers, workers, work);
  if (error) std::rethrow_exception(error);
}

// The region's size, into header and at the start of file.
void writeHeader(const MapFile& file, const BlocRegion& region, std::uint8_t* header) {
  storeLeI32(header, region.largeur);
  storeLeI32(header + 4, region.hauteur);
  file.writeAt(header, kHeaderBytes, 0);
}

}  // namespace

std::unique_ptr<TriangleTable> triangleTableFor(const Texture& alt, float zScaleFactor,
                                                int threads, long long blocFiles,
                                                long long fromBlocFiles) {
  // The table is keyed by differences of 8-bit samples, or of others in their common step
  // (altitudeStep); altitudes without one compute every normal. For 8-bit samples it reaches the image's
  // largest rise: its cost grows with the square of that rise, while what it saves grows
  // with the blocFiles, so the smooth terrains of most maps get a small table even when
  // the map is small. For other samples, 16-bit ones and whole numbers kept in 32 bits or as
  // reals, it holds rises up to 127 steps, a quarter of the 8-bit table (9 MB): GDAL's
  // libraries already take some 40 MB of the memory beyond the pixels, and blocFiles that
  // rise further compute their normals.
  if (alt.sampleFormat == SampleFormat::kUInt8) {
    const long long rise = largestRise8(alt, threads);
    const long long entries = (2 * rise + 1) * (2 * rise + 1);
    constexpr long long kFullEntries = 511 * 511;
    if (blocFiles * kFullEntries < fromBlocFiles * entries) return nullptr;
    const int fillers = static_cast<int>(std::min<long long>(threads, 1 + entries / 16384));
    return std::make_unique<TriangleTable>(zScaleFactor, 1, static_cast<int>(rise), fillers);
  }
  if (blocFiles < fromBlocFiles) return nullptr;
  // An image whose neighbours all lie within 127 steps, a power of two, gets a table that far,
  // which every blocFile takes without checking its span: elevation models in metres, 16-bit or
  // whole numbers kept as floats, bytes shifted up. The table of a smooth terrain is then small
  // too.
  const bool sixteenBit =
      alt.sampleFormat == SampleFormat::kUInt16 || alt.sampleFormat == SampleFormat::kInt16;
  const AltitudeReach reach = sixteenBit ? sixteenBitReach(alt, threads) : wholeReach(alt, threads);
  if (reach.step <= 0) return nullptr;
  if (reach.rise <= 127 && std::has_single_bit(static_cast<unsigned>(reach.step))) {
    const long long entries = (2LL * reach.rise + 1) * (2LL * reach.rise + 1);
    const int fillers = static_cast<int>(std::min<long long>(threads, 1 + entries / 16384));
    return std::make_unique<TriangleTable>(zScaleFactor, reach.step, reach.rise, fillers, true);
  }
  return std::make_unique<TriangleTable>(zScaleFactor, reach.step, 127, threads);
}

void writeMapRegion(const MapFile& file, const Terrain& lit, const BlocRegion& region,
                    const TriangleTable* table, int threads, const ByteSink& inOrder,
                    const Shading& shading, ColourBands* colourBands) {
  if (inOrder && colourBands != nullptr) {
    throw std::invalid_argument("writeMapRegion: colour bands are read out of file order");
  }
  std::uint8_t header[kHeaderBytes];
  writeHeader(file, region, header);
  const BlocEncoder encoder(lit, table, shading);
  if (inOrder) {
    inOrder(header, sizeof header);
    writeBlocFilesInOrder(file, encoder, region, threads, inOrder);
  } else {
    writeBlocFiles(file, encoder, region, threads, colourBands);
  }
}

void writeMapRegionPair(const RegionToWrite& a, const RegionToWrite& b, const PairSink& inOrder) {
  const RegionToWrite* const maps[2] = {&a, &b};
  std::uint8_t headers[2][kHeaderBytes];
  std::optional<BlocEncoder> encoders[2];
  int blocFiles[2];
  int chunks[2];
  for (int m = 0; m < 2; ++m) {
    const BlocRegion& region = maps[m]->region;
    writeHeader(*maps[m]->file, region, headers[m]);
    encoders[m].emplace(*maps[m]->lit, maps[m]->table, maps[m]->shading);
    blocFiles[m] = region.largeur * region.hauteur;
    chunks[m] = (blocFiles[m] + kChunkBlocFiles - 1) / kChunkBlocFiles;
  }
  inOrder(headers[0], kHeaderBytes, headers[1], kHeaderBytes);
  // The call's own: the world program keeps freed memory in the heap (its main says so), so
  // that the next pair's buffers take pages already made.
  std::vector<std::uint8_t> buffers[2];
  for (std::vector<std::uint8_t>& buffer : buffers) {
    if (buffer.size() < kChunkBlocFiles * kBlocFileBytes) {
      resizeOnReadyPages(buffer, kChunkBlocFiles * kBlocFileBytes);
    }
  }
  for (int chunk = 0; chunk < std::max(chunks[0], chunks[1]); ++chunk) {
    std::size_t bytes[2] = {0, 0};
    const int first = chunk * kChunkBlocFiles;
    for (int m = 0; m < 2; ++m) {
      if (chunk >= chunks[m]) continue;
      const int count = std::min(kChunkBlocFiles, blocFiles[m] - first);
      encodeChunk(*encoders[m], maps[m]->region, Task{0, -1, first, count}, nullptr,
                  buffers[m].data());
      bytes[m] = static_cast<std::size_t>(count) * kBlocFileBytes;
    }
    inOrder(buffers[0].data(), bytes[0], buffers[1].data(), bytes[1]);
    for (int m = 0; m < 2; ++m) {
      if (bytes[m] == 0) continue;
      maps[m]->file->writeAt(buffers[m].data(), bytes[m],
                             kHeaderBytes + std::int64_t{first} * kBlocFileBytes);
    }
  }
}

void writeMap(const std::string& prefix, const Terrain& terrain, const MapWriterOptions& options) {
  writeMapFile(prefix + ".map", terrain, options);
}

void writeMapFile(const std::string& mapName, const Terrain& terrain,
                  const MapWriterOptions& options) {
  checkTerrainDepths(terrain);
  int largeur = 0;
  int hauteur = 0;
  checkSize(terrain.alt, largeur, hauteur);
  checkColourSizes(terrain);
  const int threads = options.threads > 0 ? options.threads : workerSlots();
  checkHeightLimits(terrain.alt, terrain.settings, threads);
  MapFile file(mapName);
  const std::string sizeLine = "largeur: " + std::to_string(largeur) +
                               ", hauteur: " + std::to_string(hauteur) + " (en blocFile)";
  if (options.onSizeLine) {
    options.onSizeLine(sizeLine);
  } else {
    std::printf("%s\n", sizeLine.c_str());
  }
  Terrain lit = terrain;
  normalize(lit.settings.lightDirection);
  const int blocFiles = largeur * hauteur;
  std::unique_ptr<TriangleTable> table;
  if (blocFiles > 0) {
    table = triangleTableFor(terrain.alt, lit.settings.zScaleFactor, threads, blocFiles,
                             options.tableFromBlocFiles);
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
  writeMapRegion(file, lit, BlocRegion{0, 0, largeur, hauteur}, table.get(), threads, {},
                 Shading{occlusion.get(), sun ? &*sun : nullptr}, options.colourBands);
  file.commit();
}

}  // namespace quorvel
