#include "image/raster_reader.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "file_handle.h"
#include "image/deflate_blocks.h"
#include "image/grey_table.h"
#include "image/raster_gdal.h"
#include "image/raster_placement.h"
#include "page_advice.h"
#include "printf_text.h"
#include "worker_threads.h"

namespace quorvel {

namespace {

// What marks a pixel without altitude, for the hint.
constexpr unsigned kNoDataMark = 1;
constexpr unsigned kAlphaMark = 2;
constexpr unsigned kMaskMark = 4;
constexpr unsigned kNotFiniteMark = 8;
constexpr unsigned kFloatMaxMark = 16;

// The shortest text that reads back as value, as a float when it is one (GDAL holds a Float32
// band's nodata value as a float): -9999, -3.40282e+38.
std::string shortest(double value) {
  std::array<char, 32> text{};
  const auto single = static_cast<float>(value);
  const auto [end, error] = static_cast<double>(single) == value
                                ? std::to_chars(text.data(), text.data() + text.size(), single)
                                : std::to_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() ? std::string(text.data(), end) : std::to_string(value);
}

}  // namespace

void addHoles(AltitudeHoles& holes, const AltitudeHoles& more) {
  if (more.count == 0) return;
  if (holes.count == 0 || more.first < holes.first) holes.first = more.first;
  holes.count += more.count;
  holes.marks |= more.marks;
  holes.noData = more.noData;
}

void refuseHoles(const std::string& name, const AltitudeHoles& holes, std::int32_t width) {
  std::vector<std::string> marks;
  const std::string value = shortest(holes.noData);
  if ((holes.marks & kNoDataMark) != 0) marks.push_back("the nodata value " + value);
  if ((holes.marks & kAlphaMark) != 0) marks.push_back("the alpha band");
  if ((holes.marks & kMaskMark) != 0) marks.push_back("the mask");
  if ((holes.marks & kNotFiniteMark) != 0) marks.push_back("NaN or infinite samples");
  if ((holes.marks & kFloatMaxMark) != 0) marks.push_back("samples of the largest floats");
  std::string marked;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    marked += (i == 0 ? "" : i + 1 == marks.size() ? " and " : ", ") + marks[i];
  }
  // Filling spreads the land over the holes; when the nodata value is a real altitude, a sea
  // at 0 say, that would spread the land over the sea, and it is the value that must go.
  const std::string unset = (holes.marks & kNoDataMark) == 0
                                ? ""
                                : "; if " + value +
                                      " is a real altitude (a sea at 0, say), unset it instead: " +
                                      "gdal_edit.py -unsetnodata " + name +
                                      " (or gdal_translate -a_nodata none " + name + " unset.tif)";
  throw Failure(
      ErrorKind::kNoData,
      "erreur: " + name + " contient " + std::to_string(holes.count) + " pixels sans altitude\n",
      name + ": the first pixel without altitude is column " + std::to_string(holes.first % width) +
          ", row " + std::to_string(holes.first / width) + " from the top; they are marked by " +
          marked + "; fill them first, e.g. gdal_fillnodata.py " + name + " filled.tif" + unset +
          "\n");
}


RasterParts rasterParts(int storedX, int storedY, int width, int height, int blockWidth,
                        int blockHeight, int pixelBytes, bool reachable) {
  RasterParts parts{storedX, storedY, width, height, storedY + height, storedX + width};
  if (!reachable || blockWidth <= 0 || blockHeight <= 0 || width <= 0 || height <= 0) {
    return parts;
  }
  // Tiles are parts of their own; strips, whole rows of the window. A part holds whole blocks
  // and about a megabyte of samples or more, so that GDAL's call costs nothing beside it,
  // while a block cache of two threads' parts stays far below its bound.
  constexpr std::int64_t kPartBytes = std::int64_t{1} << 20;
  parts.columns = blockWidth < storedX + width ? blockWidth : storedX + width;
  const std::int64_t blockRowBytes = std::int64_t{blockHeight} * parts.columns * pixelBytes;
  parts.rows = static_cast<int>(
      std::min<std::int64_t>(blockHeight * std::max<std::int64_t>(1, kPartBytes / blockRowBytes),
                             storedY + height));
  return parts;
}

int RasterParts::count() const {
  return rowParts() * columnParts();
}

int RasterParts::rowParts() const {
  return height == 0 ? 0 : (y + height - 1) / rows - y / rows + 1;
}

int RasterParts::columnParts() const {
  return width == 0 ? 0 : (x + width - 1) / columns - x / columns + 1;
}

RasterParts::Window RasterParts::part(int index) const {
  const int row = y / rows + index / columnParts();
  const int column = x / columns + index % columnParts();
  const int top = std::max(y, row * rows);
  const int left = std::max(x, column * columns);
  return {left, top, std::min(x + width, (column + 1) * columns) - left,
          std::min(y + height, (row + 1) * rows) - top};
}

#ifdef QUORVEL_GDAL_LIBRARY

namespace {

using Api = GdalLibrary::Api;

std::optional<SampleFormat> altitudeFormat(GDALDataType type) {
  constexpr std::pair<GDALDataType, SampleFormat> kFormats[] = {
      {GDT_Byte, SampleFormat::kUInt8},     {GDT_UInt16, SampleFormat::kUInt16},
      {GDT_Int16, SampleFormat::kInt16},    {GDT_UInt32, SampleFormat::kUInt32},
      {GDT_Int32, SampleFormat::kInt32},    {GDT_Float32, SampleFormat::kFloat32},
      {GDT_Float64, SampleFormat::kFloat64}};
  for (const auto& [gdalType, format] : kFormats) {
    if (gdalType == type) return format;
  }
  return std::nullopt;
}

// Whether a band holds signed bytes: an Int8 band, or a byte band that says it is signed, all
// GDAL had before its Int8 type. Read as such they would turn -1 into 255.
bool holdsSignedBytes(const Api& gdal, GDALRasterBandH band, GDALDataType type) {
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 7, 0)
  if (type == GDT_Int8) return true;
#endif
  const char* pixelType =
      type == GDT_Byte ? gdal.GDALGetMetadataItem(band, "PIXELTYPE", "IMAGE_STRUCTURE") : nullptr;
  return pixelType != nullptr && std::string_view(pixelType) == "SIGNEDBYTE";
}

// How an altitude band marks its pixels without altitude.
struct HoleRules {
  bool mask = false;  // GDAL's mask band for the band, with markOfMask where it is 0
  unsigned markOfMask = kMaskMark;
  bool secondBand = false;  // where band 2 is 0
  // Where an integer sample equals noData: a signed byte held in 16 bits, or a sample whose
  // mask would only compare it with a whole noData of its type's range, which the samples
  // read tell without reading the band a second time for its mask.
  bool samplesNoData = false;
  double noData = 0.0;
  bool hasNoData = false;
};

// Whether value is a whole number that an integer Sample can hold.
template <class Sample>
bool holdsValue(double value) {
  return std::is_integral_v<Sample> && std::trunc(value) == value &&
         value >= static_cast<double>(std::numeric_limits<Sample>::lowest()) &&
         value <= static_cast<double>(std::numeric_limits<Sample>::max());
}

HoleRules holeRules(const Api& gdal, GDALDatasetH dataset, GDALRasterBandH band,
                    SampleFormat format) {
  HoleRules rules;
  int flag = 0;
  rules.noData = gdal.GDALGetRasterNoDataValue(band, &flag);
  rules.hasNoData = flag != 0;
  const int flags = gdal.GDALGetMaskFlags(band);
  // GDAL 3.6 compares a signed byte band's nodata value with the unsigned byte, so -1 never
  // matches; the signed value is what the band means.
  const bool signedNoData =
      rules.hasNoData && holdsSignedBytes(gdal, band, gdal.GDALGetRasterDataType(band));
  rules.samplesNoData =
      signedNoData ||
      (flags == GMF_NODATA && rules.hasNoData &&
       visitSample(format, [&]<class Sample>(Sample) { return holdsValue<Sample>(rules.noData); }));
  rules.mask = (flags & GMF_ALL_VALID) == 0 && !(rules.samplesNoData && flags == GMF_NODATA);
  rules.markOfMask = (flags & GMF_NODATA) != 0  ? kNoDataMark
                     : (flags & GMF_ALPHA) != 0 ? kAlphaMark
                                                : kMaskMark;
  // GDAL takes a second band for alpha only when it is of bytes or 16-bit integers; any other
  // type of second band marks holes all the same.
  rules.secondBand = gdal.GDALGetRasterCount(dataset) == 2;
  return rules;
}

// The marks of one sample: NaN or infinite, the largest floats (what GDAL reads an ASCII
// grid's inf or 1e400 as, and a common nodata marker: never an altitude), or a signed byte
// equal to the nodata value.
template <typename Sample>
unsigned sampleMarks(const std::uint8_t* at, const HoleRules& rules) {
  Sample value;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::is_floating_point_v<Sample>) {
    if (!std::isfinite(value)) return kNotFiniteMark;
    if constexpr (std::is_same_v<Sample, float>) {
      if (std::fabs(value) == std::numeric_limits<float>::max()) return kFloatMaxMark;
    }
    return 0;
  } else {
    return rules.samplesNoData && value == rules.noData ? kNoDataMark : 0;
  }
}

// Whether any of the samples has a mark of its own (sampleMarks): one pass without branches,
// which the compiler takes many samples at a time, before the pixels are looked at one by one.
template <typename Sample>
bool anySampleMarked(const std::vector<std::uint8_t>& pixels, const HoleRules& rules) {
  const std::size_t count = pixels.size() / sizeof(Sample);
  // Halves on two threads for large images: the map waits for the altitude.
  const int parts = count >= (std::size_t{1} << 22) ? 2 : 1;
  std::array<unsigned, 2> marked{};
  // In runs of sixteen, a count the compiler knows, so that it takes them in vectors at -O2;
  // the rest one at a time.
  constexpr std::size_t kRun = 16;
  const auto scan = [&](const auto& marks) {
    runJobs(parts, parts, [&](int part) {
      std::size_t n = count * static_cast<std::size_t>(part) / static_cast<std::size_t>(parts);
      const std::size_t end =
          count * static_cast<std::size_t>(part + 1) / static_cast<std::size_t>(parts);
      unsigned found = 0;
      for (; n + kRun <= end; n += kRun) {
        for (std::size_t k = 0; k < kRun; ++k) found |= marks(n + k);
      }
      for (; n < end; ++n) found |= marks(n);
      marked[static_cast<std::size_t>(part)] = found;
    });
  };
  const auto sampleAt = [&](std::size_t n) {
    Sample value;
    std::memcpy(&value, pixels.data() + n * sizeof value, sizeof value);
    return value;
  };
  if constexpr (std::is_floating_point_v<Sample>) {
    // NaN, the infinities and the largest floats are the values no smaller than the largest
    // float, NaN included by the negated comparison.
    constexpr Sample kLargest = std::is_same_v<Sample, float>
                                    ? std::numeric_limits<float>::max()
                                    : std::numeric_limits<double>::infinity();
    scan([&](std::size_t n) { return static_cast<unsigned>(!(std::fabs(sampleAt(n)) < kLargest)); });
  } else {
    // No sample equals a value its type cannot hold.
    if (!rules.samplesNoData || !holdsValue<Sample>(rules.noData)) return false;
    const auto noData = static_cast<Sample>(rules.noData);
    scan([&](std::size_t n) { return static_cast<unsigned>(sampleAt(n) == noData); });
  }
  return (marked[0] | marked[1]) != 0;
}

// Where a map window (Texture::x0, y0, width, height) of a fileWidth x fileHeight raster is
// stored: its first stored column and row.
std::pair<int, int> storedWindow(const Texture& texture, const StoredOrder& order) {
  return {order.columnsEastFirst ? texture.fileWidth - texture.x0 - texture.width : texture.x0,
          order.rowsSouthFirst ? texture.y0 : texture.fileHeight - texture.y0 - texture.height};
}

// Finds the pixels without altitude, reading the mask and the second band, when they count,
// a few rows at a time beside the samples already read.
// voids: whether a sample is -32768, when the samples were read ahead and that was looked
// for then.
AltitudeHoles findHoles(const Api& gdal, const Texture& texture, GDALDatasetH dataset,
                        GDALRasterBandH band, const StoredOrder& order,
                        const GdalMessages& messages, const AltitudeHoles& counted,
                        std::optional<bool> voids) {
  const HoleRules rules = holeRules(gdal, dataset, band, texture.sampleFormat);
  AltitudeHoles holes;
  holes.noData = rules.noData;
  const bool known = voids && texture.sampleFormat == SampleFormat::kInt16 && rules.samplesNoData &&
                     rules.noData == -32768.0;
  if (!rules.mask && !rules.secondBand &&
      !(known ? *voids : visitSample(texture.sampleFormat, [&]<class Sample>(Sample) {
        return anySampleMarked<Sample>(texture.pixels, rules);
      }))) {
    return holes;
  }
  const int width = texture.width;
  const int height = texture.height;
  // Plain variables: the lambdas below capture them, which clang 14 refuses for a structured
  // binding.
  const std::pair<int, int> corner = storedWindow(texture, order);
  const int storedX = corner.first;
  const int storedY = corner.second;
  const int rowsAtOnce = std::max(1, (1 << 17) / width);
  std::vector<std::uint8_t> mask;
  std::vector<double> second;
  visitSample(texture.sampleFormat, [&]<class Sample>(Sample) {
    for (int top = 0; top < height; top += rowsAtOnce) {
      const int rows = std::min(rowsAtOnce, height - top);
      const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(width);
      if (rules.mask) {
        mask.resize(count);
        GDALRasterBandH maskBand = gdal.GDALGetMaskBand(band);
        if (gdal.GDALRasterIO(maskBand, GF_Read, storedX, storedY + top, width, rows,
                              mask.data(), width, rows, GDT_Byte, 0, 0) != CE_None) {
          throw readFailure(gdal, texture.fileName, messages);
        }
        dropBlocks(gdal, maskBand, false);
      }
      if (rules.secondBand) {
        second.resize(count);
        GDALRasterBandH alpha = gdal.GDALGetRasterBand(dataset, 2);
        if (gdal.GDALRasterIO(alpha, GF_Read, storedX, storedY + top, width, rows, second.data(),
                              width, rows, GDT_Float64, 0, 0) != CE_None) {
          throw readFailure(gdal, texture.fileName, messages);
        }
        dropBlocks(gdal, alpha, false);
      }
      for (int r = 0; r < rows; ++r) {
        const int stored = top + r;
        const int mapRow = order.rowsSouthFirst ? stored : height - 1 - stored;
        for (int c = 0; c < width; ++c) {
          const int mapColumn = order.columnsEastFirst ? width - 1 - c : c;
          const std::size_t i = static_cast<std::size_t>(r) * width + c;
          const std::size_t at = static_cast<std::size_t>(mapRow) * width + mapColumn;
          unsigned marks = sampleMarks<Sample>(texture.pixels.data() + at * sizeof(Sample), rules);
          if (rules.mask && mask[i] == 0) marks |= rules.markOfMask;
          if (rules.secondBand && second[i] == 0.0) marks |= kAlphaMark;
          const std::int32_t x = texture.x0 + mapColumn;
          const std::int32_t y = texture.y0 + mapRow;
          if (marks == 0 || x < counted.countX0 || x >= counted.countX1 || y < counted.countY0 ||
              y >= counted.countY1) {
            continue;
          }
          // In the whole picture, of which this may be a window.
          const long long place =
              static_cast<long long>(texture.fileHeight - 1 - texture.y0 - mapRow) *
                  texture.fileWidth +
              texture.x0 + mapColumn;
          if (holes.count == 0 || place < holes.first) holes.first = place;
          ++holes.count;
          holes.marks |= marks;
        }
      }
    }
  });
  return holes;
}

// Heights whose band has a scale or an offset: H = raw x scale + offset, in double, held as
// doubles so that everything downstream reads them as any other altitude.
void applyScale(Texture& texture, double scale, double offset) {
  const std::size_t samples = texture.pixels.size() / sampleBytes(texture.sampleFormat);
  std::vector<std::uint8_t> heights;
  resizeOnReadyPages(heights, samples * sizeof(double));
  visitSample(texture.sampleFormat, [&]<class Sample>(Sample) {
    for (std::size_t i = 0; i < samples; ++i) {
      Sample raw;
      std::memcpy(&raw, texture.pixels.data() + i * sizeof raw, sizeof raw);
      const double height = static_cast<double>(raw) * scale + offset;
      std::memcpy(heights.data() + i * sizeof height, &height, sizeof height);
    }
  });
  texture.pixels.swap(heights);
}

// The length of the band's height unit in metres and its name, for the units GDAL names
// feet; metres otherwise.
std::pair<double, const char*> heightUnit(const Api& gdal, GDALRasterBandH band) {
  const char* unit = gdal.GDALGetRasterUnitType(band);
  const std::string_view name = unit != nullptr ? unit : "";
  if (name == "ft" || name == "foot" || name == "feet") return {0.3048, "feet"};
  if (name == "US survey foot" || name == "ftUS" || name == "us-ft") {
    return {1200.0 / 3937.0, "US survey feet"};
  }
  return {1.0, "metres"};
}

// One line on standard error for a georeferenced altitude image: its pixel size on the
// ground, and the z scale factor that makes heights true to it at 10 units per pixel, in
// metres or in the feet its band names. The scale follows the pixels' north-south size, which
// does not depend on the latitude.
void reportGroundSize(const Api& gdal, const Texture& texture, GDALDatasetH dataset,
                      GDALRasterBandH band) {
  std::array<double, 6> transform{};
  if (gdal.GDALGetGeoTransform(dataset, transform.data()) != CE_None) return;
  const OGRSpatialReferenceH reference = gdal.GDALGetSpatialRef(dataset);
  if (reference == nullptr) return;
  double metresX = std::hypot(transform[1], transform[4]);
  double metresY = std::hypot(transform[2], transform[5]);
  if (gdal.OSRIsGeographic(reference) != 0) {
    const double radiansPerUnit = gdal.OSRGetAngularUnits(reference, nullptr);
    const double metresPerUnit = gdal.OSRGetSemiMajor(reference, nullptr) * radiansPerUnit;
    const double centreY = transform[3] + transform[4] * gdal.GDALGetRasterXSize(dataset) / 2.0 +
                           transform[5] * gdal.GDALGetRasterYSize(dataset) / 2.0;
    metresX *= metresPerUnit * std::cos(centreY * radiansPerUnit);
    metresY *= metresPerUnit;
  } else {
    const double metresPerUnit = gdal.OSRGetLinearUnits(reference, nullptr);
    metresX *= metresPerUnit;
    metresY *= metresPerUnit;
  }
  if (!(metresY > 0.0) || !std::isfinite(metresY)) return;
  const auto [unitMetres, unitName] = heightUnit(gdal, band);
  texture.note(printfText(
      "%s: pixels of %.1f x %.1f m on the ground; for heights in %s, z"
      " scale factor %.4f gives true proportions at 10 units per pixel",
      texture.fileName.c_str(), metresX, metresY, unitName, 10.0 / metresY * unitMetres));
}

// Whether GDAL reaches the driver's blocks without decoding those before them: a GeoTIFF's
// strips or tiles, a raw format's rows. A PNG, say, would be decoded from its first row again
// for every part a thread reads, so other formats are read in one go.
bool blocksReachable(const Api& gdal, GDALDatasetH dataset) {
  const char* driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  constexpr std::string_view kDirect[] = {"GTiff", "SRTMHGT", "EHdr", "ENVI"};
  return driver != nullptr &&
         std::find(std::begin(kDirect), std::end(kDirect), std::string_view(driver)) !=
             std::end(kDirect);
}

// Blocks this reader takes from the file itself rather than through GDAL, which still opens
// the file and says where each block lies; one band of a local file, read with pread. GDAL's
// reads cost a copy of every sample through its block cache and, for these, its byte-wise
// loops.
struct OwnBlocks {
  enum class Kind {
    // Floats in DEFLATE with the floating-point predictor (deflate_blocks.h): inflated by
    // libdeflate, the predictor undone here.
    kPredictedFloats,
    // A GeoTIFF's uncompressed strips or tiles, little-endian: read straight into their rows'
    // places.
    kPlain,
    // An SRTM tile: its 16-bit samples in rows, north first, big-endian; read as kPlain and
    // turned in place.
    kBigEndianRows,
  };
  Kind kind = Kind::kPlain;
  int blockWidth = 0;
  int blockHeight = 0;
  int fileWidth = 0;
  int fileHeight = 0;
  int sampleBytes = 0;
};

std::optional<OwnBlocks> ownBlocks(const Api& gdal, GDALDatasetH dataset, GDALRasterBandH band,
                                   GDALDataType type, bool signedBytes,
                                   const std::string& fileName, int blockWidth, int blockHeight) {
  const auto item = [&](const char* name) {
    const char* value = gdal.GDALGetMetadataItem(dataset, name, "IMAGE_STRUCTURE");
    return std::string_view(value != nullptr ? value : "");
  };
  const char* name = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const std::string_view driver = name != nullptr ? name : "";
  std::error_code error;
  // A name GDAL takes for something else than the file of that name (a subdataset, a virtual
  // file) is left to GDAL, as are samples widened or packed as they are read.
  if (gdal.GDALGetRasterCount(dataset) != 1 || blockWidth <= 0 || blockHeight <= 0 ||
      signedBytes || gdal.GDALGetMetadataItem(band, "NBITS", "IMAGE_STRUCTURE") != nullptr ||
      fileName.find(':') != std::string::npos ||
      fileName.starts_with("/vsi") || !std::filesystem::is_regular_file(fileName, error)) {
    return std::nullopt;
  }
  OwnBlocks blocks{OwnBlocks::Kind::kPlain,
                   blockWidth,
                   blockHeight,
                   gdal.GDALGetRasterXSize(dataset),
                   gdal.GDALGetRasterYSize(dataset),
                   gdal.GDALGetDataTypeSizeBytes(type)};
  if (driver == "GTiff" && (type == GDT_Float32 || type == GDT_Float64) &&
      item("COMPRESSION") == "DEFLATE" && item("PREDICTOR") == "3") {
    blocks.kind = OwnBlocks::Kind::kPredictedFloats;
    return blocks;
  }
  if (driver == "GTiff" && item("COMPRESSION").empty() && altitudeFormat(type)) return blocks;
  if (driver == "SRTMHGT" && (type == GDT_Int16 || type == GDT_UInt16) &&
      blockWidth == blocks.fileWidth && blockHeight == 1 &&
      std::filesystem::file_size(fileName, error) ==
          static_cast<std::uintmax_t>(blocks.fileWidth) * blocks.fileHeight * 2) {
    blocks.kind = OwnBlocks::Kind::kBigEndianRows;
    return blocks;
  }
  return std::nullopt;
}

// One thread's reading of such blocks: its own descriptor and buffers.
class BlockDecoder {
 public:
  BlockDecoder(const Api& gdal, const OwnBlocks& layout, const std::string& fileName)
      : gdal_(gdal), layout_(layout), file_(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {
    // Only little-endian TIFFs on a little-endian host: the predictor's bytes of a big-endian
    // file are turned by GDAL's TIFF library in ways of its own, left to it.
    char order[2] = {};
    if (file_ >= 0 &&
        (std::endian::native != std::endian::little ||
         (layout_.kind != OwnBlocks::Kind::kBigEndianRows &&
          (::pread(file_, order, 2, 0) != 2 || order[0] != 'I' || order[1] != 'I')))) {
      ::close(file_);
      file_ = -1;
    }
  }
  ~BlockDecoder() {
    if (file_ >= 0) ::close(file_);
  }
  BlockDecoder(const BlockDecoder&) = delete;
  BlockDecoder& operator=(const BlockDecoder&) = delete;

  // Decodes the blocks under window of band into its place, the window's first sample at first
  // and each next stored row lineSpace bytes further; false, with nothing promised of the
  // pixels, when a block is not one this reader decodes (sparse, cut short, corrupt): GDAL
  // then reads the part, and says what is wrong.
  bool read(GDALRasterBandH band, const RasterParts::Window& window, std::uint8_t* first,
            std::ptrdiff_t lineSpace) {
    if (file_ < 0) return false;
    const int width = layout_.blockWidth;
    const int height = layout_.blockHeight;
    const auto sampleBytes = static_cast<std::size_t>(layout_.sampleBytes);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * sampleBytes;
    for (int by = window.y / height; by <= (window.y + window.height - 1) / height; ++by) {
      for (int bx = window.x / width; bx <= (window.x + window.width - 1) / width; ++bx) {
        const int top = std::max(window.y, by * height);
        const int bottom = std::min(window.y + window.height, (by + 1) * height);
        const int left = std::max(window.x, bx * width);
        const int right = std::min(window.x + window.width, (bx + 1) * width);
        const auto place = [&](int y) {
          return first + (y - window.y) * lineSpace +
                 static_cast<std::ptrdiff_t>(left - window.x) * layout_.sampleBytes;
        };
        if (layout_.kind != OwnBlocks::Kind::kPredictedFloats) {
          if (!readPlain(band, bx, by, top, bottom, left, right, place)) return dropPieces();
          continue;
        }
        if (!inflateBlock(band, bx, by)) return false;
        for (int y = top; y < bottom; ++y) {
          // Straight into the row's place: the predictor's planes are put together there.
          undoFloatPredictor(block_.data() + static_cast<std::size_t>(y - by * height) * rowBytes,
                             static_cast<std::size_t>(width), layout_.sampleBytes,
                             static_cast<std::size_t>(left - bx * width),
                             static_cast<std::size_t>(right - left), place(y));
        }
      }
    }
    return flush() || dropPieces();
  }

 private:
  bool dropPieces() {
    pieces_.clear();
    return false;
  }

  // Where block (bx, by) lies in the file and its size, as GDAL says; size 0 for a sparse
  // block.
  std::pair<std::uint64_t, std::uint64_t> whereIs(GDALRasterBandH band, int bx, int by) const {
    if (layout_.kind == OwnBlocks::Kind::kBigEndianRows) {
      const std::uint64_t rowBytes = static_cast<std::uint64_t>(layout_.fileWidth) * 2;
      return {rowBytes * static_cast<std::uint64_t>(by), rowBytes};
    }
    const auto number = [&](const char* what) -> std::uint64_t {
      const std::string name = std::string(what) + std::to_string(bx) + "_" + std::to_string(by);
      const char* text = gdal_.GDALGetMetadataItem(band, name.c_str(), "TIFF");
      std::uint64_t value = 0;
      if (text == nullptr ||
          std::from_chars(text, text + std::strlen(text), value).ec != std::errc()) {
        return 0;
      }
      return value;
    };
    const std::uint64_t offset = number("BLOCK_OFFSET_");
    return {offset, offset != 0 ? number("BLOCK_SIZE_") : 0};
  }

  // Queues the reads of rows top to bottom - 1, columns left to right - 1, of block (bx, by)
  // into their places: one preadv for each run of them that lies end to end in the file.
  template <class Place>
  bool readPlain(GDALRasterBandH band, int bx, int by, int top, int bottom, int left, int right,
                 const Place& place) {
    const auto [offset, size] = whereIs(band, bx, by);
    const auto sampleBytes = static_cast<std::uint64_t>(layout_.sampleBytes);
    const std::uint64_t rowBytes = static_cast<std::uint64_t>(layout_.blockWidth) * sampleBytes;
    const auto rowsIn = static_cast<std::uint64_t>(bottom - by * layout_.blockHeight);
    // A strip at the image's foot holds only the rows the image has.
    if (size < rowsIn * rowBytes) return false;
    const std::size_t bytes = static_cast<std::size_t>(right - left) * layout_.sampleBytes;
    for (int y = top; y < bottom; ++y) {
      const std::uint64_t at =
          offset + static_cast<std::uint64_t>(y - by * layout_.blockHeight) * rowBytes +
          static_cast<std::uint64_t>(left - bx * layout_.blockWidth) * sampleBytes;
      if (!pieces_.empty() && (at != end_ || pieces_.size() == kPieces) && !flush()) return false;
      if (pieces_.empty()) start_ = at;
      pieces_.push_back({place(y), bytes});
      end_ = at + bytes;
    }
    return true;
  }

  // Reads the queued pieces; an SRTM tile's samples are then turned into the host's order.
  bool flush() {
    if (pieces_.empty()) return true;
    std::size_t total = 0;
    for (const iovec& piece : pieces_) total += piece.iov_len;
    const ssize_t got = ::preadv(file_, pieces_.data(), static_cast<int>(pieces_.size()),
                                 static_cast<off_t>(start_));
    if (got < 0 || static_cast<std::size_t>(got) != total) return false;
    if (layout_.kind == OwnBlocks::Kind::kBigEndianRows) {
      for (const iovec& piece : pieces_) {
        swapBytePairs(static_cast<std::uint8_t*>(piece.iov_base), piece.iov_len);
      }
    }
    pieces_.clear();
    return true;
  }

  // Inflates block (bx, by) into block_: a tile whole, a strip as many rows as the image has
  // left.
  bool inflateBlock(GDALRasterBandH band, int bx, int by) {
    const auto [offset, size] = whereIs(band, bx, by);
    const std::size_t rowBytes =
        static_cast<std::size_t>(layout_.blockWidth) * static_cast<std::size_t>(layout_.sampleBytes);
    const std::size_t full = rowBytes * static_cast<std::size_t>(layout_.blockHeight);
    // DEFLATE never makes data much larger than it was; a larger size is not a block's.
    if (offset == 0 || size == 0 || size > full + full / 8 + 65536) return false;
    compressed_.resize(size);
    block_.resize(full);
    if (::pread(file_, compressed_.data(), size, static_cast<off_t>(offset)) !=
        static_cast<ssize_t>(size)) {
      return false;
    }
    const int rowsLeft = layout_.fileHeight - by * layout_.blockHeight;
    const std::size_t stripBytes =
        rowBytes * static_cast<std::size_t>(std::clamp(rowsLeft, 0, layout_.blockHeight));
    return inflater_.inflate(compressed_.data(), size, block_.data(), full) ||
           (stripBytes < full &&
            inflater_.inflate(compressed_.data(), size, block_.data(), stripBytes));
  }

  // preadv's limit of pieces in one call.
  static constexpr std::size_t kPieces = 1024;

  const Api& gdal_;
  OwnBlocks layout_;
  int file_;
  BlockInflater inflater_;
  std::vector<std::uint8_t> compressed_;
  std::vector<std::uint8_t> block_;
  std::vector<iovec> pieces_;  // the rows queued for one preadv, from start_ to end_ in the file
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;
};

// Reads the band's samples into texture.pixels, each row where the map wants it: rows stored
// north first are laid bottom up, the first stored one last, by a negative line spacing
// rather than a pass that swaps the rows afterwards. The window is read in parts of whole
// blocks (rasterParts), taken in turn by two threads, as the run's other core has nothing to
// do while the altitude loads: each block is decoded once, by one thread. A dataset serves
// one thread at a time, so the second thread reads through an opening of its own. Signed
// bytes are widened to 16 bits as they are read.
void readSamples(const Api& gdal, Texture& texture, GDALDatasetH dataset, GDALRasterBandH band,
                 GDALDataType type, bool signedBytes, const StoredOrder& order,
                 const GdalMessages& messages) {
  const std::size_t rowBytes =
      static_cast<std::size_t>(texture.width) * static_cast<std::size_t>(texture.bytesPerPixel);
  int blockWidth = 0;
  int blockHeight = 0;
  gdal.GDALGetBlockSize(band, &blockWidth, &blockHeight);
  // Plain variables: the lambdas below capture them, which clang 14 refuses for a structured
  // binding.
  const std::pair<int, int> corner = storedWindow(texture, order);
  const RasterParts parts =
      rasterParts(corner.first, corner.second, texture.width, texture.height, blockWidth,
                  blockHeight, texture.bytesPerPixel, blocksReachable(gdal, dataset));
  const int partCount = parts.count();
  const int threads = partCount > 1 ? 2 : 1;
  const std::optional<OwnBlocks> blocks = ownBlocks(gdal, dataset, band, type, signedBytes,
                                                    texture.fileName, blockWidth, blockHeight);
  checkDriverMemory(gdal, dataset, texture.fileName, 1, threads);
  // The pixels' pages are made by both threads, half each, before the samples are read: on
  // these machines a fresh page's first touch costs more than reading its samples. Memory
  // made ready while GDAL loaded serves when it holds the samples with at most the memory
  // bound's share to spare, its pages made so far kept; other memory is given back before
  // any page is made.
  const std::size_t bytes = rowBytes * static_cast<std::size_t>(texture.height);
  const std::size_t reserved = texture.pixels.capacity();
  if (reserved < bytes || reserved - bytes > kReadySpareBytes) {
    std::vector<std::uint8_t>().swap(texture.pixels);
    texture.pixels.reserve(bytes);  // allocates without touching a page
    adviseHugePages(texture.pixels.data(), bytes);
  }
  const std::size_t made = std::min(texture.pixels.size(), bytes);
  const auto lineSpace = static_cast<int>(order.rowsSouthFirst ? rowBytes : -rowBytes);
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  struct Outcome {
    int part = std::numeric_limits<int>::max();  // the first part that failed
    std::optional<Failure> failure;
  };
  // Reads parts until none is left or one has failed; from is the thread's own band.
  const auto readParts = [&](GDALRasterBandH from, GDALDatasetH own, const GdalMessages& said,
                             Outcome& outcome) {
    Dataset reopened(nullptr, DatasetCloser{&gdal});
    const int failuresBefore = said.failures();
    std::optional<BlockDecoder> decoder;
    if (blocks) decoder.emplace(gdal, *blocks, texture.fileName);
    for (int index = next++; index < partCount && !failed; index = next++) {
      if (from == nullptr && own == nullptr) {
        reopened.reset(openRaster(gdal, texture.fileName));
        own = reopened.get();
        from = own != nullptr ? gdal.GDALGetRasterBand(own, 1) : nullptr;
      }
      const RasterParts::Window window = parts.part(index);
      const int top = window.y - corner.second;
      const int mapRow = order.rowsSouthFirst ? top : texture.height - 1 - top;
      std::uint8_t* first = texture.pixels.data() + rowBytes * static_cast<std::size_t>(mapRow) +
                            static_cast<std::size_t>(window.x - corner.first) *
                                static_cast<std::size_t>(texture.bytesPerPixel);
      const bool decoded = from != nullptr && decoder && decoder->read(from, window, first, lineSpace);
      if (from == nullptr ||
          (!decoded &&
           gdal.GDALRasterIO(from, GF_Read, window.x, window.y, window.width, window.height, first,
                             window.width, window.height, type, texture.bytesPerPixel,
                             lineSpace) != CE_None) ||
          said.failures() != failuresBefore) {
        outcome = {index, readFailure(gdal, texture.fileName, said)};
        failed = true;
        return;
      }
      dropBlocks(gdal, from, true);  // a part is whole blocks, none of them read again
    }
  };
  if (made < bytes) {
    runJobs(threads, threads, [&](int half) {
      const std::size_t middle = made + (bytes - made) / 2;
      const std::size_t first = half == 0 ? made : middle;
      const std::size_t last = half + 1 < threads ? middle : bytes;
      populatePages(texture.pixels.data() + first, last - first);
    });
  }
  texture.pixels.resize(bytes);  // within what was reserved or made ready: no allocation
  // The first reader is this thread, with the caller's opening and messages; the second has
  // its own of both.
  Outcome outcomes[2];
  runJobs(threads, threads, [&](int reader) {
    try {
      if (reader == 0) {
        readParts(band, dataset, messages, outcomes[0]);
      } else {
        const GdalMessages said(gdal);  // GDAL's messages go to a handler of this thread's own
        readParts(nullptr, nullptr, said, outcomes[1]);
      }
    } catch (...) {
      failed = true;  // the other reader stops too
      throw;
    }
  });
  // The first part's failure, whichever thread met it.
  const Outcome& mine = outcomes[1].part < outcomes[0].part ? outcomes[1] : outcomes[0];
  if (mine.failure) throw *mine.failure;
  if (signedBytes) {
    // Each byte was read into the first byte of its 16-bit sample.
    for (std::size_t at = 0; at < texture.pixels.size(); at += 2) {
      const auto sample = static_cast<std::int16_t>(static_cast<std::int8_t>(texture.pixels[at]));
      std::memcpy(texture.pixels.data() + at, &sample, sizeof sample);
    }
  }
  if (order.columnsEastFirst) {
    mirrorRows(texture.pixels.data(), texture.height, static_cast<std::ptrdiff_t>(rowBytes),
               texture.width, texture.bytesPerPixel);
  }
}

// Whether the samples read ahead (SamplesAhead) are the ones this reader would read: GDAL
// found an SRTM tile of the side guessed, of one band of 16-bit integers stored north first and
// west first, the window keeps it whole, and the file is the one read then, unchanged since.
bool samplesReadAhead(const Api& gdal, const Texture& texture, GDALDatasetH dataset,
                      GDALDataType type, const StoredOrder& order, const SamplesAhead& ahead) {
  const char* driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const int side = ahead.side;
  if (side == 0 || driver == nullptr || std::string_view(driver) != "SRTMHGT" ||
      gdal.GDALGetRasterCount(dataset) != 1 || type != GDT_Int16 || texture.fileWidth != side ||
      texture.fileHeight != side || texture.width != side || texture.height != side ||
      texture.x0 != 0 || texture.y0 != 0 || order.rowsSouthFirst || order.columnsEastFirst ||
      order.rotated ||
      texture.pixels.size() !=
          static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * 2) {
    return false;
  }
  const std::optional<FileStamp> now = stampOf(texture.fileName);
  return now && *now == ahead.file;
}

void readAltitude(const Api& gdal, Texture& texture, GDALDatasetH dataset,
                  const GdalMessages& messages, AltitudeHoles* tally, const SamplesAhead& ahead) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  GDALRasterBandH band = bands >= 1 ? gdal.GDALGetRasterBand(dataset, 1) : nullptr;
  const GDALDataType type = band != nullptr ? gdal.GDALGetRasterDataType(band) : GDT_Unknown;
  const bool signedBytes = band != nullptr && holdsSignedBytes(gdal, band, type);
  const std::optional<SampleFormat> format =
      signedBytes ? std::optional(SampleFormat::kInt16) : altitudeFormat(type);
  if ((bands != 1 && bands != 2) || !format) {
    throw Failure(ErrorKind::kFormat,
                  "erreur: " + texture.fileName + " n'est pas une image d'altitude\n",
                  texture.fileName + ": " + describeBands(gdal, dataset, "--alt") +
                      "; an altitude image has one band (or grey and alpha) of integers or"
                      " reals\n");
  }
  texture.georeference = georeferenceOf(gdal, dataset);
  const StoredOrder order = storedOrder(texture.georeference);
  if (order.rotated) texture.note(rotatedNote(texture.fileName));
  int hasScale = 0;
  int hasOffset = 0;
  const double scale = gdal.GDALGetRasterScale(band, &hasScale);
  const double offset = gdal.GDALGetRasterOffset(band, &hasOffset);
  const bool scaled = (hasScale != 0 && scale != 1.0) || (hasOffset != 0 && offset != 0.0);
  const auto setFormat = [&](SampleFormat held) {
    texture.sampleFormat = held;
    texture.bytesPerPixel = sampleBytes(held);
    texture.bitsPerPixel = 8 * texture.bytesPerPixel;
  };
  setFormat(*format);
  reportGroundSize(gdal, texture, dataset, band);
  if (texture.width == 0 || texture.height == 0) {
    std::vector<std::uint8_t>().swap(texture.pixels);  // pages made ready for none
    if (scaled) setFormat(SampleFormat::kFloat64);
    return;
  }
  const bool readAhead = samplesReadAhead(gdal, texture, dataset, type, order, ahead);
  if (readAhead) {
    checkDriverMemory(gdal, dataset, texture.fileName, 1, 2);  // never refuses: checked in turn
  } else {
    readSamples(gdal, texture, dataset, band, type, signedBytes, order, messages);
  }
  // A paletted band's nodata value is an index, so it is looked for before the table.
  const AltitudeHoles holes =
      findHoles(gdal, texture, dataset, band, order, messages, tally ? *tally : AltitudeHoles{},
                readAhead ? std::optional(ahead.voids) : std::nullopt);
  if (tally != nullptr) {
    addHoles(*tally, holes);
  } else if (holes.count > 0) {
    refuseHoles(texture.fileName, holes, texture.fileWidth);
  }
  const GDALColorTableH table = gdal.GDALGetRasterColorTable(band);
  if (type == GDT_Byte && !signedBytes && table != nullptr &&
      gdal.GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex) {
    int entries = 0;
    texture.palette = paletteOf(gdal, table, entries);
    if (!useGreyLevels(texture.palette, entries, texture.pixels)) {
      texture.note(texture.fileName +
                   ": its colour table is not grey, so the colour indices are used as altitudes");
    }
  }
  if (scaled) {
    applyScale(texture, hasScale != 0 ? scale : 1.0, hasOffset != 0 ? offset : 0.0);
    setFormat(SampleFormat::kFloat64);
  } else if (readAhead) {
    texture.reach16 = ahead.reach16;
  }
}

}  // namespace

void RasterTexture::load() {
  try {
    if (kind_ == RasterKind::kColour) {
      loadColour();
      return;
    }
    const Api& gdal = gdal_.api();
    const GdalMessages messages(gdal);
    const Dataset dataset = openImage(gdal, fileName, messages);
    fileWidth = gdal.GDALGetRasterXSize(dataset.get());
    fileHeight = gdal.GDALGetRasterYSize(dataset.get());
    std::tie(width, height) = keptSize(window_, fileWidth, fileHeight);
    x0 = window_.x0;
    y0 = window_.y0;
    readAltitude(gdal, *this, dataset.get(), messages, holes_, ahead_);
  } catch (const std::bad_alloc&) {
    throw outOfMemory(fileName);
  }
}

#else

// Builds made without GDAL read no raster: GdalLibrary refuses to load.
void RasterTexture::load() {}

#endif

// A colour image placed on the altitude's grid holds the grid's pixels; one taken as it is
// keeps its own size, for the map writer's check that it is not smaller.
void RasterTexture::loadColour() {
  const ColourPlacement placement(fileName, grid_, gdal_,
                                  [this](const std::string& line) { note(line); });
  georeference = placement.georeference();
  warped = placement.warped();
  fileWidth = placement.placed() ? grid_.width : placement.fileWidth();
  fileHeight = placement.placed() ? grid_.height : placement.fileHeight();
  sampleFormat = SampleFormat::kUInt8;
  bytesPerPixel = 3;
  bitsPerPixel = 24;
  std::tie(width, height) = keptSize(window_, fileWidth, fileHeight);
  x0 = window_.x0;
  y0 = window_.y0;
  if (width == 0 || height == 0) return;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  resizeOnReadyPages(pixels, rowBytes * static_cast<std::size_t>(height));
  placement.read(x0, y0, width, height, pixels.data(), static_cast<std::ptrdiff_t>(rowBytes));
}

RasterTexture::RasterTexture(std::string name, RasterKind kind, const KeepWindow& window,
                             GdalLibrary& gdal, NoteSink notes, ImageGrid grid,
                             AltitudeHoles* holes, SamplesAhead ready)
    : Texture(std::move(name), std::move(notes)),
      kind_(kind),
      window_(window),
      gdal_(gdal),
      grid_(std::move(grid)),
      holes_(holes) {
  if (kind_ == RasterKind::kAltitude) {
    pixels = std::move(ready.pixels);
    ahead_ = std::move(ready);
  }
  load();
}

}  // namespace quorvel
