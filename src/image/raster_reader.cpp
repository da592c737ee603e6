#include "image/raster_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "file_handle.h"
#include "image/grey_table.h"
#include "image/raster_gdal.h"
#include "image/raster_placement.h"
#include "page_advice.h"
#include "printf_text.h"

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
      "erreur: " + name + " contient " + std::to_string(holes.count) + " pixels sans altitude\n",
      name + ": the first pixel without altitude is column " + std::to_string(holes.first % width) +
          ", row " + std::to_string(holes.first / width) + " from the top; they are marked by " +
          marked + "; fill them first, e.g. gdal_fillnodata.py " + name + " filled.tif" + unset +
          "\n");
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
  bool secondBand = false;    // where band 2 is 0
  bool signedNoData = false;  // where a signed byte, held in 16 bits, equals noData
  double noData = 0.0;
  bool hasNoData = false;
};

HoleRules holeRules(const Api& gdal, GDALDatasetH dataset, GDALRasterBandH band) {
  HoleRules rules;
  int flag = 0;
  rules.noData = gdal.GDALGetRasterNoDataValue(band, &flag);
  rules.hasNoData = flag != 0;
  const int flags = gdal.GDALGetMaskFlags(band);
  // GDAL 3.6 compares a signed byte band's nodata value with the unsigned byte, so -1 never
  // matches; the signed value is what the band means.
  rules.signedNoData =
      rules.hasNoData && holdsSignedBytes(gdal, band, gdal.GDALGetRasterDataType(band));
  rules.mask = (flags & GMF_ALL_VALID) == 0 && !(rules.signedNoData && flags == GMF_NODATA);
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
  } else if constexpr (std::is_same_v<Sample, std::int16_t>) {
    return rules.signedNoData && value == rules.noData ? kNoDataMark : 0;
  } else {
    return 0;
  }
}

// Where a map window (Texture::x0, y0, width, height) of a fileWidth x fileHeight raster is
// stored: its first stored column and row.
std::pair<int, int> storedWindow(const Texture& texture, const StoredOrder& order) {
  return {order.columnsEastFirst ? texture.fileWidth - texture.x0 - texture.width : texture.x0,
          order.rowsSouthFirst ? texture.y0 : texture.fileHeight - texture.y0 - texture.height};
}

// Finds the pixels without altitude, reading the mask and the second band, when they count,
// a few rows at a time beside the samples already read.
AltitudeHoles findHoles(const Api& gdal, const Texture& texture, GDALDatasetH dataset,
                        GDALRasterBandH band, const StoredOrder& order,
                        const GdalMessages& messages, const AltitudeHoles& counted) {
  const HoleRules rules = holeRules(gdal, dataset, band);
  const bool floats = texture.sampleFormat == SampleFormat::kFloat32 ||
                      texture.sampleFormat == SampleFormat::kFloat64;
  AltitudeHoles holes;
  holes.noData = rules.noData;
  if (!rules.mask && !rules.secondBand && !rules.signedNoData && !floats) return holes;
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
        if (gdal.GDALRasterIO(gdal.GDALGetMaskBand(band), GF_Read, storedX, storedY + top, width,
                              rows, mask.data(), width, rows, GDT_Byte, 0, 0) != CE_None) {
          throw readFailure(gdal, texture.fileName, messages);
        }
      }
      if (rules.secondBand) {
        second.resize(count);
        if (gdal.GDALRasterIO(gdal.GDALGetRasterBand(dataset, 2), GF_Read, storedX, storedY + top,
                              width, rows, second.data(), width, rows, GDT_Float64, 0,
                              0) != CE_None) {
          throw readFailure(gdal, texture.fileName, messages);
        }
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

// Reads the band's samples into texture.pixels, each row where the map wants it: rows stored
// north first are laid bottom up, the first stored one last, by a negative line spacing
// rather than a pass that swaps the rows afterwards. A band of rows at a time, shared with one
// more thread, every other one each, as the run's other core has nothing to do while the
// altitude loads; a dataset serves one thread at a time, so each band but the first is read
// through an opening of its own.
// Only a GeoTIFF's rows are reached directly; a PNG, say, would be decoded from its first row
// again for every band, so other formats are read in one go. Signed bytes are widened to 16
// bits as they are read.
void readSamples(const Api& gdal, Texture& texture, GDALDatasetH dataset, GDALRasterBandH band,
                 GDALDataType type, bool signedBytes, const StoredOrder& order,
                 const GdalMessages& messages) {
  const std::size_t rowBytes =
      static_cast<std::size_t>(texture.width) * static_cast<std::size_t>(texture.bytesPerPixel);
  const char* driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const bool inBands = driver != nullptr && std::string_view(driver) == "GTiff";
  constexpr std::size_t kBandBytes = std::size_t{8} << 20;
  const int rowsPerBand =
      inBands ? static_cast<int>(std::max<std::size_t>(1, kBandBytes / rowBytes)) : texture.height;
  const int bandCount = (texture.height + rowsPerBand - 1) / rowsPerBand;
  checkDriverMemory(gdal, dataset, texture.fileName, 1, bandCount > 1 ? 2 : 1);
  resizeOnReadyPages(texture.pixels, rowBytes * static_cast<std::size_t>(texture.height));
  const auto lineSpace = static_cast<int>(order.rowsSouthFirst ? rowBytes : -rowBytes);
  // Plain variables: the lambdas below capture them, which clang 14 refuses for a structured
  // binding.
  const std::pair<int, int> corner = storedWindow(texture, order);
  const int storedX = corner.first;
  const int storedY = corner.second;
  // Reads bands first, first + 2, ... and returns the failure of the first that fails, or
  // nothing.
  const auto readBands = [&](int first, const GdalMessages& said) -> std::optional<Failure> {
    for (int index = first; index < bandCount; index += 2) {
      const int top = index * rowsPerBand;
      const int rows = std::min(rowsPerBand, texture.height - top);
      Dataset reopened(nullptr, DatasetCloser{&gdal});
      GDALRasterBandH from = band;
      if (index > 0) {
        reopened.reset(openRaster(gdal, texture.fileName));
        if (!reopened) return readFailure(gdal, texture.fileName, said);
        from = gdal.GDALGetRasterBand(reopened.get(), 1);
      }
      const int mapRow = order.rowsSouthFirst ? top : texture.height - 1 - top;
      std::uint8_t* firstRow = texture.pixels.data() + rowBytes * static_cast<std::size_t>(mapRow);
      if (from == nullptr ||
          gdal.GDALRasterIO(from, GF_Read, storedX, storedY + top, texture.width, rows, firstRow,
                            texture.width, rows, type, texture.bytesPerPixel,
                            lineSpace) != CE_None) {
        return readFailure(gdal, texture.fileName, said);
      }
    }
    return std::nullopt;
  };
  std::optional<Failure> helperFailure;
  std::thread helper;
  if (bandCount > 1) {
    try {
      helper = std::thread([&] {
        const GdalMessages said(gdal);  // GDAL's messages go to a handler of this thread's own
        helperFailure = readBands(1, said);
      });
    } catch (const std::system_error&) {
      // No thread to be had: this one reads them all, below.
    }
  }
  std::optional<Failure> failure = readBands(0, messages);
  if (helper.joinable()) {
    helper.join();
  } else if (!failure && bandCount > 1) {
    failure = readBands(1, messages);
  }
  if (!failure) failure = helperFailure;
  if (failure) throw *failure;
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

void readAltitude(const Api& gdal, Texture& texture, GDALDatasetH dataset,
                  const GdalMessages& messages, AltitudeHoles* tally) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  GDALRasterBandH band = bands >= 1 ? gdal.GDALGetRasterBand(dataset, 1) : nullptr;
  const GDALDataType type = band != nullptr ? gdal.GDALGetRasterDataType(band) : GDT_Unknown;
  const bool signedBytes = band != nullptr && holdsSignedBytes(gdal, band, type);
  const std::optional<SampleFormat> format =
      signedBytes ? std::optional(SampleFormat::kInt16) : altitudeFormat(type);
  if ((bands != 1 && bands != 2) || !format) {
    throw Failure("erreur: " + texture.fileName + " n'est pas une image d'altitude\n",
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
    if (scaled) setFormat(SampleFormat::kFloat64);
    return;
  }
  readSamples(gdal, texture, dataset, band, type, signedBytes, order, messages);
  // A paletted band's nodata value is an index, so it is looked for before the table.
  const AltitudeHoles holes =
      findHoles(gdal, texture, dataset, band, order, messages, tally ? *tally : AltitudeHoles{});
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
    readAltitude(gdal, *this, dataset.get(), messages, holes_);
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
                             AltitudeHoles* holes)
    : Texture(std::move(name), std::move(notes)),
      kind_(kind),
      window_(window),
      gdal_(gdal),
      grid_(std::move(grid)),
      holes_(holes) {
  load();
}

}  // namespace quorvel
