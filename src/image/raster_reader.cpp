#include "image/raster_reader.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <cpl_conv.h>
#include <cpl_error.h>
#include <dlfcn.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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

namespace quorvel {

#ifdef QUORVEL_GDAL_LIBRARY

// GDAL and the hundred libraries it brings take about a tenth of a second of every run to load
// and start, BMP-only runs included; so it is loaded at the first image that needs it.
#define QUORVEL_GDAL_FUNCTIONS(X)     \
  X(CPLPopErrorHandler)               \
  X(CPLPushErrorHandlerEx)            \
  X(CPLSetConfigOption)               \
  X(GDALAllRegister)                  \
  X(GDALClose)                        \
  X(GDALDatasetRasterIO)              \
  X(GDALGetColorEntry)                \
  X(GDALGetColorEntryCount)           \
  X(GDALGetDataTypeName)              \
  X(GDALGetDatasetDriver)             \
  X(GDALGetDriverShortName)           \
  X(GDALGetGeoTransform)              \
  X(GDALGetPaletteInterpretation)     \
  X(GDALGetRasterBand)                \
  X(GDALGetRasterColorInterpretation) \
  X(GDALGetRasterColorTable)          \
  X(GDALGetRasterCount)               \
  X(GDALGetRasterDataType)            \
  X(GDALGetRasterNoDataValue)         \
  X(GDALGetRasterXSize)               \
  X(GDALGetRasterYSize)               \
  X(GDALGetSpatialRef)                \
  X(GDALOpenEx)                       \
  X(GDALRasterIO)                     \
  X(GDALSetCacheMax64)                \
  X(OSRGetAngularUnits)               \
  X(OSRGetLinearUnits)                \
  X(OSRGetSemiMajor)                  \
  X(OSRIsGeographic)

struct GdalLibrary::Api {
#define QUORVEL_GDAL_POINTER(name) decltype(&::name) name = nullptr;
  QUORVEL_GDAL_FUNCTIONS(QUORVEL_GDAL_POINTER)
#undef QUORVEL_GDAL_POINTER
  // The drivers of the formats elevation models and their colour images mostly come in;
  // each registers itself. All of GDAL's 140 take 7 ms and 9 MB more, so the rest are
  // registered only when none of these recognises a file.
  bool allRegistered = false;
};

namespace {

using Api = GdalLibrary::Api;

constexpr int kPaletteEntries = 256;

constexpr const char* kCommonDrivers[] = {"GDALRegister_GTiff",   "GDALRegister_PNG",
                                          "GDALRegister_SRTMHGT", "GDALRegister_JPEG",
                                          "GDALRegister_AAIGrid", "GDALRegister_EHdr"};

// Loads GDAL and sets it up; returns the reason when it cannot be loaded. Loading it again
// costs nothing: the library stays loaded, and its drivers registered, once they are.
std::unique_ptr<Api> startGdal(std::string& failure) {
  void* library = dlopen(QUORVEL_GDAL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    failure = dlerror();
    return nullptr;
  }
  auto loaded = std::make_unique<Api>();
#define QUORVEL_GDAL_RESOLVE(name)                                   \
  if (void* symbol = dlsym(library, #name); symbol != nullptr) {     \
    loaded->name = std::bit_cast<decltype(&::name)>(symbol);         \
  } else {                                                           \
    failure = std::string(QUORVEL_GDAL_LIBRARY) + " lacks " + #name; \
    return nullptr;                                                  \
  }
  QUORVEL_GDAL_FUNCTIONS(QUORVEL_GDAL_RESOLVE)
#undef QUORVEL_GDAL_RESOLVE
  // GDAL would otherwise write .aux.xml files beside the images it reads.
  loaded->CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
  // The pixels are copied into our record once; GDAL's block cache (5 % of the memory by
  // default) would only hold a second copy of them.
  loaded->GDALSetCacheMax64(std::int64_t{16} << 20);
  // An uncompressed GeoTIFF is then read through a mapping of the file rather than a read
  // call a strip: 5001 calls for a 5001-row altitude, 0.07 s of the largest map's run on a
  // virtual machine. GDAL still refuses strips the file does not hold. A user's own setting
  // of the option wins.
  if (std::getenv("GTIFF_VIRTUAL_MEM_IO") == nullptr) {
    loaded->CPLSetConfigOption("GTIFF_VIRTUAL_MEM_IO", "YES");
  }
  for (const char* name : kCommonDrivers) {
    if (void* symbol = dlsym(library, name); symbol != nullptr) {
      std::bit_cast<void (*)()>(symbol)();
    }
  }
  return loaded;
}

// Installed for the length of one read: GDAL's messages would otherwise go to its default
// handler; kept here, the first failure becomes the hint of our own message. GDAL keeps its
// handlers per thread, and so does this: the handler finds the innermost object of its
// thread.
class GdalMessages {
 public:
  explicit GdalMessages(const Api& gdal) : gdal_(gdal), outer_(innermost) {
    innermost = this;
    gdal_.CPLPushErrorHandlerEx(&collect, nullptr);
  }
  ~GdalMessages() {
    gdal_.CPLPopErrorHandler();
    innermost = outer_;
  }
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;

  [[nodiscard]] std::string reason() const {
    return failure_.empty() ? "not a raster format that GDAL recognises" : failure_;
  }

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum, const char* message) {
    GdalMessages* self = innermost;
    if (self != nullptr && level >= CE_Failure && self->failure_.empty() && message != nullptr) {
      self->failure_ = message;
    }
  }

  static thread_local GdalMessages* innermost;
  const Api& gdal_;
  GdalMessages* outer_;
  std::string failure_;
};

thread_local GdalMessages* GdalMessages::innermost = nullptr;

struct DatasetCloser {
  const Api* gdal;
  void operator()(void* dataset) const { gdal->GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

GDALDatasetH openRaster(const Api& gdal, const std::string& fileName) {
  return gdal.GDALOpenEx(fileName.c_str(),
                          GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr,
                          nullptr, nullptr);
}

Failure cannotOpen(const std::string& fileName, const std::string& reason) {
  return Failure("erreur lors de l'ouverture du fichier " + fileName + "\n",
                 fileName + ": " + reason + "\n");
}

// A file the system cannot open gets the system's reason (no such file, permission
// denied), which says more than GDAL's "not recognised".
std::string openFailureReason(const std::string& fileName, const GdalMessages& messages) {
  errno = 0;
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file && errno != 0 && !fileName.starts_with("/vsi")) return std::strerror(errno);
  return messages.reason();
}

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
void reportGroundSize(const Api& gdal, const std::string& fileName, GDALDatasetH dataset) {
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
  std::fprintf(stderr,
               "%s: pixels of %.1f x %.1f m on the ground; for heights in metres, z scale"
               " factor %.4f gives true proportions at 10 units per pixel\n",
               fileName.c_str(), metresX, metresY, 10.0 / metresY);
}

void readAltitude(const Api& gdal, Texture& texture, GDALDatasetH dataset, const GdalMessages& messages) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  GDALRasterBandH band = bands >= 1 ? gdal.GDALGetRasterBand(dataset, 1) : nullptr;
  const GDALDataType type = band != nullptr ? gdal.GDALGetRasterDataType(band) : GDT_Unknown;
  const std::optional<SampleFormat> format = altitudeFormat(type);
  if ((bands != 1 && bands != 2) || !format) {
    throw Failure("erreur: " + texture.fileName + " n'est pas une image d'altitude\n",
                  texture.fileName + ": " + describeBands(gdal, dataset) +
                      "; an altitude image has one band (or grey and alpha) of integers or"
                      " reals\n");
  }
  texture.sampleFormat = *format;
  texture.bytesPerPixel = sampleBytes(*format);
  texture.bitsPerPixel = 8 * texture.bytesPerPixel;
  reportGroundSize(gdal, texture.fileName, dataset);
  if (texture.width != texture.fileWidth || texture.height != texture.fileHeight) return;
  if (texture.width == 0 || texture.height == 0) return;

  const std::size_t rowBytes =
      static_cast<std::size_t>(texture.width) * static_cast<std::size_t>(texture.bytesPerPixel);
  resizePixels(texture.pixels, rowBytes * static_cast<std::size_t>(texture.height));
  // GDAL hands rows top first; row 0 of ours is the bottom row of the picture, as in a
  // bottom-up BMP, so the top row goes last: a negative line spacing, rather than a pass
  // that swaps the rows afterwards. A band of rows at a time, each but the first through an
  // opening of its own: GDAL reads an uncompressed GeoTIFF through a mapping of the file,
  // whose pages count as the run's memory until the dataset closes, so that at most a band
  // of the file a thread is mapped beside the pixels (the whole file was 50 MB at the
  // largest size, more than the memory beyond the pixels allows).
  // The bands are shared with one more thread, every other one each, as the run's other
  // core has nothing to do while the altitude loads; a dataset serves one thread at a time,
  // so each band but the first is read through an opening of its own anyway.
  // Only a GeoTIFF's rows are reached directly; a PNG, say, would be decoded from its first
  // row again for every band, so other formats are read in one go.
  const char* driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const bool inBands = driver != nullptr && std::string_view(driver) == "GTiff";
  constexpr std::size_t kBandBytes = std::size_t{8} << 20;
  const int rowsPerBand =
      inBands ? static_cast<int>(std::max<std::size_t>(1, kBandBytes / rowBytes)) : texture.height;
  const int bandCount = (texture.height + rowsPerBand - 1) / rowsPerBand;
  // Reads bands first, first + 2, ... and returns GDAL's reason for the first that fails,
  // or nothing.
  const auto readBands = [&](int first, const GdalMessages& said) -> std::optional<std::string> {
    for (int index = first; index < bandCount; index += 2) {
      const int top = index * rowsPerBand;
      const int rows = std::min(rowsPerBand, texture.height - top);
      Dataset reopened(nullptr, DatasetCloser{&gdal});
      GDALRasterBandH from = band;
      if (index > 0) {
        reopened.reset(openRaster(gdal, texture.fileName));
        if (!reopened) return said.reason();
        from = gdal.GDALGetRasterBand(reopened.get(), 1);
      }
      std::uint8_t* topRow =
          texture.pixels.data() + rowBytes * static_cast<std::size_t>(texture.height - 1 - top);
      if (from == nullptr ||
          gdal.GDALRasterIO(from, GF_Read, 0, top, texture.width, rows, topRow, texture.width,
                             rows, type, 0, -static_cast<int>(rowBytes)) != CE_None) {
        return said.reason();
      }
    }
    return std::nullopt;
  };
  std::optional<std::string> helperFailure;
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
  std::optional<std::string> failure = readBands(0, messages);
  if (helper.joinable()) {
    helper.join();
  } else if (!failure && bandCount > 1) {
    failure = readBands(1, messages);
  }
  if (!failure) failure = helperFailure;
  if (failure) throw cannotOpen(texture.fileName, *failure);
  // A paletted band's nodata value is an index, so it is looked for before the table.
  checkAltitudes(gdal, texture, band);
  const GDALColorTableH table = gdal.GDALGetRasterColorTable(band);
  if (type == GDT_Byte && table != nullptr &&
      gdal.GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex) {
    int entries = 0;
    texture.palette = paletteOf(gdal, table, entries);
    if (isGreyTable(texture.palette, entries)) {
      applyGreyTable(texture.palette, entries, texture.pixels);
    } else {
      std::fprintf(stderr,
                   "%s: its colour table is not grey, so the colour indices are used as"
                   " altitudes\n",
                   texture.fileName.c_str());
    }
  }
}

void readColour(const Api& gdal, Texture& texture, GDALDatasetH dataset, const GdalMessages& messages) {
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
  resizePixels(texture.pixels, rowBytes * static_cast<std::size_t>(texture.height));
  std::uint8_t* out = texture.pixels.data();
  // Rows top first from GDAL, bottom first here, as for the altitude.
  std::uint8_t* lastRow = out + rowBytes * static_cast<std::size_t>(texture.height - 1);
  const int lineSpace = -static_cast<int>(rowBytes);
  CPLErr read = CE_None;
  if (bands >= 3) {
    int bandMap[3] = {1, 2, 3};
    read = gdal.GDALDatasetRasterIO(dataset, GF_Read, 0, top, texture.width, texture.height,
                                     lastRow, texture.width, texture.height, GDT_Byte, 3, bandMap,
                                     3, lineSpace, 1);
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
  if (read != CE_None) throw cannotOpen(texture.fileName, messages.reason());
}

}  // namespace

GdalLibrary::GdalLibrary(const std::string& fileName) {
  std::string reason;
  api_ = startGdal(reason);
  if (!api_) {
    throw Failure("erreur lors de l'ouverture du fichier " + fileName + "\n",
                  fileName + ": GDAL, which reads this format, cannot be loaded: " + reason + "\n");
  }
}

void RasterTexture::load() {
  Api& gdal = gdal_.api();
  Dataset dataset(nullptr, DatasetCloser{&gdal});
  if (!gdal.allRegistered) {
    const GdalMessages untried(gdal);  // what the common drivers say is not the answer
    dataset.reset(openRaster(gdal, fileName));
  }
  const GdalMessages messages(gdal);
  if (!dataset) {
    if (!gdal.allRegistered) gdal.GDALAllRegister();
    gdal.allRegistered = true;
    dataset.reset(openRaster(gdal, fileName));
  }
  if (!dataset) throw cannotOpen(fileName, openFailureReason(fileName, messages));
  fileWidth = gdal.GDALGetRasterXSize(dataset.get());
  fileHeight = gdal.GDALGetRasterYSize(dataset.get());
  std::tie(width, height) = keptSize(window_, fileWidth, fileHeight);
  if (kind_ == RasterKind::kAltitude) {
    readAltitude(gdal, *this, dataset.get(), messages);
  } else {
    readColour(gdal, *this, dataset.get(), messages);
  }
}

#else

struct GdalLibrary::Api {};

// Builds made without GDAL (the static cross builds) read BMP files only.
GdalLibrary::GdalLibrary(const std::string& fileName) {
  throw Failure("erreur lors de l'ouverture du fichier " + fileName + "\n",
                fileName + ": this quorvel was built without GDAL, so it reads BMP files only\n");
}

void RasterTexture::load() {}

#endif

GdalLibrary::~GdalLibrary() = default;

RasterTexture::RasterTexture(std::string name, RasterKind kind, const KeepWindow& window,
                             GdalLibrary& gdal)
    : Texture(std::move(name)), kind_(kind), window_(window), gdal_(gdal) {
  load();
}

}  // namespace quorvel
