#include "image/raster_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
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
#include "image/pixel_buffer.h"
#include "image/raster_gdal.h"
#include "printf_text.h"

namespace quorvel {

#ifdef QUORVEL_GDAL_LIBRARY

namespace {

using Api = GdalLibrary::Api;

constexpr int kPaletteEntries = 256;

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

// What a refused image holds, for the hint: "3 bands of type Float32".
std::string describeBands(const Api& gdal, GDALDatasetH dataset) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  if (bands == 0) return "no band";
  const GDALDataType type = gdal.GDALGetRasterDataType(gdal.GDALGetRasterBand(dataset, 1));
  return std::to_string(bands) + (bands == 1 ? " band" : " bands") + " of type " +
         gdal.GDALGetDataTypeName(type);
}

// Red, green, blue of each colour-table entry, zeros after the last one; a grey palette
// interpretation stores its level in the first component only.
std::vector<std::uint8_t> paletteOf(const Api& gdal, GDALColorTableH table, int& entries) {
  std::vector<std::uint8_t> palette(kPaletteEntries * 3, 0);
  entries = std::min(gdal.GDALGetColorEntryCount(table), kPaletteEntries);
  const bool grey = gdal.GDALGetPaletteInterpretation(table) == GPI_Gray;
  for (int i = 0; i < entries; ++i) {
    const GDALColorEntry* entry = gdal.GDALGetColorEntry(table, i);
    const auto level = [](short value) {
      return static_cast<std::uint8_t>(std::clamp<short>(value, 0, 255));
    };
    palette[3 * i + 0] = level(entry->c1);
    palette[3 * i + 1] = level(grey ? entry->c1 : entry->c2);
    palette[3 * i + 2] = level(grey ? entry->c1 : entry->c3);
  }
  return palette;
}

// The samples without an altitude: equal to the band's nodata value, NaN, or an infinity,
// which would make every height and normal around it meaningless. first is the first in the
// picture's order (rows top first), which is the last row of pixels.
template <typename Sample>
void countMissing(const std::vector<std::uint8_t>& pixels, std::size_t width, bool hasNoData,
                  double noData, long long& count, long long& first) {
  if (!std::is_floating_point_v<Sample> && !hasNoData) return;  // every integer is an altitude
  const std::size_t samples = pixels.size() / sizeof(Sample);
  if (samples == 0) return;
  const std::size_t rows = samples / width;
  for (std::size_t i = 0; i < samples; ++i) {
    Sample value;
    std::memcpy(&value, pixels.data() + i * sizeof(Sample), sizeof value);
    bool missing = false;
    if constexpr (std::is_floating_point_v<Sample>) {
      // A Float32 band's nodata value is given as a double; GDAL compares it as a float.
      missing = !std::isfinite(value) || (hasNoData && value == static_cast<Sample>(noData));
      // The largest floats are what GDAL reads an ASCII grid's inf or 1e400 as, and a common
      // nodata marker: never an altitude.
      if constexpr (std::is_same_v<Sample, float>) {
        missing = missing || std::fabs(value) == std::numeric_limits<float>::max();
      }
    } else {
      missing = hasNoData && static_cast<double>(value) == noData;
    }
    if (missing) {
      const auto atTop = static_cast<long long>((rows - 1 - i / width) * width + i % width);
      if (count == 0 || atTop < first) first = atTop;
      ++count;
    }
  }
}

void checkAltitudes(const Api& gdal, const Texture& texture, GDALRasterBandH band) {
  int flag = 0;
  const double noData = gdal.GDALGetRasterNoDataValue(band, &flag);
  const bool has = flag != 0;
  const std::vector<std::uint8_t>& pixels = texture.pixels;
  long long count = 0;
  long long first = 0;
  visitSample(texture.sampleFormat, [&]<class Sample>(Sample) {
    countMissing<Sample>(pixels, static_cast<std::size_t>(texture.width), has, noData, count,
                         first);
  });
  if (count == 0) return;
  const std::string& name = texture.fileName;
  throw Failure(
      "erreur: " + name + " contient " + std::to_string(count) + " pixels sans altitude\n",
      name + ": the first pixel without altitude is column " +
          std::to_string(first % texture.width) + ", row " + std::to_string(first / texture.width) +
          " from the top; fill them first, e.g. gdal_fillnodata.py " + name + " filled.tif\n");
}

// One line on standard error for a georeferenced altitude image: its pixel size on the
// ground, and the z scale factor that makes heights in metres true to it at 10 units per
// pixel. The scale follows the pixels' north-south size, which does not depend on the
// latitude.
void reportGroundSize(const Api& gdal, const Texture& texture, GDALDatasetH dataset) {
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
  texture.note(printfText("%s: pixels of %.1f x %.1f m on the ground; for heights in metres, z"
                          " scale factor %.4f gives true proportions at 10 units per pixel",
                          texture.fileName.c_str(), metresX, metresY, 10.0 / metresY));
}

void readAltitude(const Api& gdal, Texture& texture, GDALDatasetH dataset,
                  const GdalMessages& messages) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  GDALRasterBandH band = bands >= 1 ? gdal.GDALGetRasterBand(dataset, 1) : nullptr;
  const GDALDataType type = band != nullptr ? gdal.GDALGetRasterDataType(band) : GDT_Unknown;
  // Signed bytes are widened to 16 bits as they are read.
  const bool signedBytes = band != nullptr && holdsSignedBytes(gdal, band, type);
  const std::optional<SampleFormat> format =
      signedBytes ? std::optional(SampleFormat::kInt16) : altitudeFormat(type);
  if ((bands != 1 && bands != 2) || !format) {
    throw Failure("erreur: " + texture.fileName + " n'est pas une image d'altitude\n",
                  texture.fileName + ": " + describeBands(gdal, dataset) +
                      "; an altitude image has one band (or grey and alpha) of integers or"
                      " reals\n");
  }
  texture.sampleFormat = *format;
  texture.bytesPerPixel = sampleBytes(*format);
  texture.bitsPerPixel = 8 * texture.bytesPerPixel;
  reportGroundSize(gdal, texture, dataset);
  if (texture.width != texture.fileWidth || texture.height != texture.fileHeight) return;
  if (texture.width == 0 || texture.height == 0) return;

  const std::size_t rowBytes =
      static_cast<std::size_t>(texture.width) * static_cast<std::size_t>(texture.bytesPerPixel);
  // GDAL hands rows top first; row 0 of ours is the bottom row of the picture, as in a
  // bottom-up BMP, so the top row goes last: a negative line spacing, rather than a pass
  // that swaps the rows afterwards. A band of rows at a time, shared with one more thread,
  // every other one each, as the run's other core has nothing to do while the altitude
  // loads; a dataset serves one thread at a time, so each band but the first is read
  // through an opening of its own.
  // Only a GeoTIFF's rows are reached directly; a PNG, say, would be decoded from its first
  // row again for every band, so other formats are read in one go.
  const char* driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const bool inBands = driver != nullptr && std::string_view(driver) == "GTiff";
  constexpr std::size_t kBandBytes = std::size_t{8} << 20;
  const int rowsPerBand =
      inBands ? static_cast<int>(std::max<std::size_t>(1, kBandBytes / rowBytes)) : texture.height;
  const int bandCount = (texture.height + rowsPerBand - 1) / rowsPerBand;
  checkDriverMemory(gdal, dataset, texture.fileName, 1, bandCount > 1 ? 2 : 1);
  resizePixels(texture.pixels, rowBytes * static_cast<std::size_t>(texture.height));
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
      std::uint8_t* topRow =
          texture.pixels.data() + rowBytes * static_cast<std::size_t>(texture.height - 1 - top);
      if (from == nullptr ||
          gdal.GDALRasterIO(from, GF_Read, 0, top, texture.width, rows, topRow, texture.width, rows,
                            type, texture.bytesPerPixel, -static_cast<int>(rowBytes)) != CE_None) {
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
  // A paletted band's nodata value is an index, so it is looked for before the table.
  checkAltitudes(gdal, texture, band);
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
}

void readColour(const Api& gdal, Texture& texture, GDALDatasetH dataset,
                const GdalMessages& messages) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  bool bytes = bands >= 1 && bands <= 4;
  for (int i = 1; bytes && i <= std::min(bands, 3); ++i) {
    bytes = gdal.GDALGetRasterDataType(gdal.GDALGetRasterBand(dataset, i)) == GDT_Byte;
  }
  if (!bytes) {
    throw Failure("erreur: " + texture.fileName + " n'est pas une image couleur 8 bits\n",
                  texture.fileName + ": " + describeBands(gdal, dataset) +
                      "; a colour image has 3 or 4 bands of bytes (red, green, blue, alpha),"
                      " or 1 or 2 (grey)\n");
  }
  texture.sampleFormat = SampleFormat::kUInt8;
  texture.bytesPerPixel = 3;
  texture.bitsPerPixel = 24;
  if (texture.width == 0 || texture.height == 0) return;

  // The map reads the bottom rows of the picture, and of each row the left columns.
  const int top = texture.fileHeight - texture.height;
  const std::size_t rowBytes = static_cast<std::size_t>(texture.width) * 3;
  checkDriverMemory(gdal, dataset, texture.fileName, bands >= 3 ? 3 : 1, 1);
  resizePixels(texture.pixels, rowBytes * static_cast<std::size_t>(texture.height));
  std::uint8_t* out = texture.pixels.data();
  // Rows top first from GDAL, bottom first here, as for the altitude.
  std::uint8_t* lastRow = out + rowBytes * static_cast<std::size_t>(texture.height - 1);
  const int lineSpace = -static_cast<int>(rowBytes);
  CPLErr read = CE_None;
  if (bands >= 3) {
    int bandMap[3] = {1, 2, 3};
    read = gdal.GDALDatasetRasterIO(dataset, GF_Read, 0, top, texture.width, texture.height,
                                    lastRow, texture.width, texture.height, GDT_Byte, 3, bandMap, 3,
                                    lineSpace, 1);
  } else {
    GDALRasterBandH band = gdal.GDALGetRasterBand(dataset, 1);
    read = gdal.GDALRasterIO(band, GF_Read, 0, top, texture.width, texture.height, lastRow,
                             texture.width, texture.height, GDT_Byte, 3, lineSpace);
    // Grey levels, or the palette's colours; an index past the table's end has no colour
    // and reads as black.
    std::vector<std::uint8_t> colours(kPaletteEntries * 3);
    const GDALColorTableH table = gdal.GDALGetRasterColorTable(band);
    if (table != nullptr && gdal.GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex) {
      int entries = 0;
      colours = paletteOf(gdal, table, entries);
    } else {
      for (int i = 0; i < kPaletteEntries; ++i) {
        std::fill_n(colours.begin() + 3 * i, 3, static_cast<std::uint8_t>(i));
      }
    }
    for (std::size_t i = 0; i < texture.pixels.size(); i += 3) {
      std::copy_n(colours.begin() + 3 * out[i], 3, out + i);
    }
  }
  if (read != CE_None) throw readFailure(gdal, texture.fileName, messages);
}

}  // namespace

void RasterTexture::load() {
  const Api& gdal = gdal_.api();
  const GdalMessages messages(gdal);
  checkSource(gdal, fileName);
  const Dataset dataset(openRaster(gdal, fileName), DatasetCloser{&gdal});
  if (!dataset) throw readFailure(gdal, fileName, messages);
  fileWidth = gdal.GDALGetRasterXSize(dataset.get());
  fileHeight = gdal.GDALGetRasterYSize(dataset.get());
  std::tie(width, height) = keptSize(window_, fileWidth, fileHeight);
  try {
    if (kind_ == RasterKind::kAltitude) {
      readAltitude(gdal, *this, dataset.get(), messages);
    } else {
      readColour(gdal, *this, dataset.get(), messages);
    }
  } catch (const std::bad_alloc&) {
    throw outOfMemory(fileName);
  }
}

#else

// Builds made without GDAL read no raster: GdalLibrary refuses to load.
void RasterTexture::load() {}

#endif

RasterTexture::RasterTexture(std::string name, RasterKind kind, const KeepWindow& window,
                             GdalLibrary& gdal, NoteSink notes)
    : Texture(std::move(name), std::move(notes)), kind_(kind), window_(window), gdal_(gdal) {
  load();
}

}  // namespace quorvel