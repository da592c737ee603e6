#include "map/map_reader.h"

#include <sys/stat.h>

#include <bit>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

#include "failure.h"
#include "printf_text.h"
#include "little_endian.h"

namespace quorvel {
namespace {

constexpr std::int64_t kCellsPerSubBlock = kCellsPerSide * kCellsPerSide;
constexpr std::int64_t kCellsPerBlocFile =
    kCellsPerSubBlock * kSubBlocksPerSide * kSubBlocksPerSide;

// A big stdio buffer: summaries and diffs read a whole map of up to a gigabyte in order.
constexpr std::size_t kReadBufferBytes = std::size_t{1} << 20;

}  // namespace

CellPlace cellPlaceAt(int largeur, std::int64_t index) {
  const std::int64_t blocFile = index / kCellsPerBlocFile;
  const std::int64_t subBlock = index % kCellsPerBlocFile / kCellsPerSubBlock;
  const std::int64_t cell = index % kCellsPerSubBlock;
  CellPlace place;
  place.bx = static_cast<int>(blocFile % largeur);
  place.by = static_cast<int>(blocFile / largeur);
  place.sx = static_cast<int>(subBlock % kSubBlocksPerSide);
  place.sy = static_cast<int>(subBlock / kSubBlocksPerSide);
  place.cx = static_cast<int>(cell % kCellsPerSide);
  place.cy = static_cast<int>(cell / kCellsPerSide);
  place.offset = cellOffset(largeur, place.bx, place.by, place.sx, place.sy, place.cx, place.cy);
  return place;
}

float cellFloat(const CellBytes& bytes, std::int64_t offset) {
  return loadLeFloat(bytes.data() + offset);
}

CellRecord decodeCell(const CellBytes& bytes) {
  CellRecord record;
  for (int k = 0; k < kVerticesPerCell; ++k) {
    for (int c = 0; c < 3; ++c) record.colors[k][c] = bytes[kColorsOffset + 3 * k + c];
    record.heights[k] = cellFloat(bytes, kHeightsOffset + 4 * k);
  }
  for (int t = 0; t < kTrianglesPerCell; ++t) {
    const std::int64_t at = kNormalsOffset + 12 * t;
    record.faceNormals[t] = {cellFloat(bytes, at), cellFloat(bytes, at + 4),
                             cellFloat(bytes, at + 8)};
  }
  return record;
}

MapReader::MapReader(std::string fileName) : fileName_(std::move(fileName)) {
  file_.reset(std::fopen(fileName_.c_str(), "rb"));
  if (!file_)
    throw Failure(ErrorKind::kOpen,
                  "cannot open " + fileName_ + ": " + std::strerror(errno) + "\n");
  // A directory opens for reading on some systems; its size means nothing.
  struct stat status {};
  if (::fstat(::fileno(file_.get()), &status) != 0 || !S_ISREG(status.st_mode)) {
    throw Failure(ErrorKind::kOpen, "cannot read " + fileName_ + ": not a regular file\n");
  }
  std::setvbuf(file_.get(), nullptr, _IOFBF, kReadBufferBytes);
  fileBytes_ = status.st_size;

  std::uint8_t header[kHeaderBytes];
  if (fileBytes_ < kHeaderBytes ||
      std::fread(header, 1, sizeof header, file_.get()) != sizeof header) {
    throw Failure(ErrorKind::kFormat,
                  fileName_ + printfText(" is not a map: %" PRId64
                                         " bytes, shorter than the %d-byte header\n",
                                         fileBytes_, static_cast<int>(kHeaderBytes)));
  }
  const auto largeur = loadLeI32(header);
  const auto hauteur = loadLeI32(header + 4);
  if (largeur < 0 || largeur > kMaxBlocFiles || hauteur < 0 || hauteur > kMaxBlocFiles) {
    throw Failure(
        ErrorKind::kFormat,
        fileName_ +
            printfText(" is not a map: its header gives %d x %d blocFiles (0 to %d each way)\n",
                       largeur, hauteur, kMaxBlocFiles));
  }
  largeur_ = largeur;
  hauteur_ = hauteur;
  const std::int64_t expected = mapFileBytes(largeur_, hauteur_);
  if (fileBytes_ != expected) {
    throw Failure(
        ErrorKind::kFormat,
        fileName_ + printfText(" is %s: %" PRId64 " bytes expected for %d x %d blocFiles, %" PRId64
                               " found\n",
                               fileBytes_ < expected ? "truncated" : "oversized", expected,
                               largeur_, hauteur_, fileBytes_));
  }
  cellCount_ = std::int64_t{largeur_} * hauteur_ * kCellsPerBlocFile;
}

void MapReader::readRecord(CellBytes& bytes) {
  if (std::fread(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size()) return;
  if (std::ferror(file_.get())) {
    throw Failure(ErrorKind::kOpen,
                  "cannot read " + fileName_ + ": " + std::strerror(errno) + "\n");
  }
  throw Failure(ErrorKind::kFormat, "cannot read " + fileName_ + ": the file ended early\n");
}

bool MapReader::nextCell(CellBytes& bytes, CellPlace& place) {
  if (next_ >= cellCount_) return false;
  place = cellPlaceAt(largeur_, next_);
  readRecord(bytes);
  ++next_;
  return true;
}

void MapReader::readCell(std::int64_t index, CellBytes& bytes) {
  const CellPlace place = cellPlaceAt(largeur_, index);
  if (::fseeko(file_.get(), place.offset, SEEK_SET) != 0) {
    throw Failure(ErrorKind::kOpen,
                  "cannot read " + fileName_ + ": " + std::strerror(errno) + "\n");
  }
  readRecord(bytes);
  next_ = index + 1;
}

}  // namespace quorvel
