#pragma once

// The raster reader's view of GDAL: its functions as loaded, its messages, its datasets. Only
// the raster reader's files (raster_*.cpp) include this, with GDAL's headers.

#include "failure.h"
#include "image/raster_reader.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// GDAL and the hundred libraries it brings take about a tenth of a second of every run to load
// and start, BMP-only runs included; so it is loaded at the first image that needs it.
#define QUORVEL_GDAL_FUNCTIONS(X)            \
  X(CPLDestroyXMLNode)                       \
  X(CPLGetPath)                              \
  X(CPLIsFilenameRelative)                   \
  X(CPLMalloc)                               \
  X(CPLParseXMLFile)                         \
  X(CPLPopErrorHandler)                      \
  X(CPLProjectRelativeFilename)              \
  X(CPLPushErrorHandlerEx)                   \
  X(CPLGetThreadLocalConfigOption)           \
  X(CPLSetThreadLocalConfigOption)           \
  X(CSLDestroy)                              \
  X(CSLSetNameValue)                         \
  X(GDALApproxTransform)                     \
  X(GDALApproxTransformerOwnsSubtransformer) \
  X(GDALClose)                               \
  X(GDALCreateApproxTransformer)             \
  X(GDALCreateGenImgProjTransformer3)        \
  X(GDALCreateWarpOperation)                 \
  X(GDALCreateWarpOptions)                   \
  X(GDALDatasetRasterIO)                     \
  X(GDALDestroyGenImgProjTransformer)        \
  X(GDALDestroyTransformer)                  \
  X(GDALDestroyWarpOperation)                \
  X(GDALDestroyWarpOptions)                  \
  X(GDALGenImgProjTransform)                 \
  X(GDALFlushRasterCache)                    \
  X(GDALGetBlockSize)                        \
  X(GDALGetCacheMax64)                       \
  X(GDALGetColorEntry)                       \
  X(GDALGetColorEntryCount)                  \
  X(GDALGetDataTypeName)                     \
  X(GDALGetDataTypeSizeBytes)                \
  X(GDALGetDatasetDriver)                    \
  X(GDALGetDriverShortName)                  \
  X(GDALGetGeoTransform)                     \
  X(GDALGetMaskBand)                         \
  X(GDALGetMaskFlags)                        \
  X(GDALGetMetadata)                         \
  X(GDALGetMetadataItem)                     \
  X(GDALGetPaletteInterpretation)            \
  X(GDALGetProjectionRef)                    \
  X(GDALGetRasterBand)                       \
  X(GDALGetRasterColorInterpretation)        \
  X(GDALGetRasterColorTable)                 \
  X(GDALGetRasterCount)                      \
  X(GDALGetRasterDataType)                   \
  X(GDALGetRasterNoDataValue)                \
  X(GDALGetRasterOffset)                     \
  X(GDALGetRasterScale)                      \
  X(GDALGetRasterUnitType)                   \
  X(GDALGetRasterXSize)                      \
  X(GDALGetRasterYSize)                      \
  X(GDALGetSpatialRef)                       \
  X(GDALIdentifyDriverEx)                    \
  X(GDALOpenEx)                              \
  X(GDALRasterIO)                            \
  X(GDALWarpRegionToBuffer)                  \
  X(OCTDestroyCoordinateTransformation)      \
  X(OCTNewCoordinateTransformation)          \
  X(OCTTransform)                            \
  X(OSRDestroySpatialReference)              \
  X(OSRGetAngularUnits)                      \
  X(OSRGetLinearUnits)                       \
  X(OSRGetSemiMajor)                         \
  X(OSRImportFromEPSG)                       \
  X(OSRIsGeographic)                         \
  X(OSRIsSame)                               \
  X(OSRNewSpatialReference)                  \
  X(OSRSetAxisMappingStrategy)               \
  X(VSIFCloseL)                              \
  X(VSIFOpenL)                               \
  X(VSIFReadL)                               \
  X(VSIReadDirRecursive)

struct GdalLibrary::Api {
#define QUORVEL_GDAL_POINTER(name) decltype(&::name) name = nullptr;
  QUORVEL_GDAL_FUNCTIONS(QUORVEL_GDAL_POINTER)
#undef QUORVEL_GDAL_POINTER
  // The short names of the drivers GDALOpenEx may use, null-terminated: the file formats of
  // the allow-list that this GDAL has, and VRT with --trusted-inputs. Only these are ever
  // registered by this library.
  std::vector<const char*> drivers;
  bool trustedInputs = false;
};

using GdalApi = GdalLibrary::Api;

// GDAL's settings that our reads need, set for the calling thread only and given back as they
// were when the object goes: the host's own settings, and its other threads' reads of GDAL,
// stay as the host set them. GDAL looks at a thread's own settings before the process's.
class GdalThreadOptions {
 public:
  explicit GdalThreadOptions(const GdalApi& gdal);
  ~GdalThreadOptions();
  GdalThreadOptions(const GdalThreadOptions&) = delete;
  GdalThreadOptions& operator=(const GdalThreadOptions&) = delete;

 private:
  static constexpr int kOptions = 3;
  const GdalApi& gdal_;
  std::array<std::optional<std::string>, kOptions> outer_;  // the thread's values before
};

// Installed for the length of one read, with the read's settings on this thread: GDAL's
// messages would otherwise go to its default handler; kept here, the first failure becomes
// the hint of our own message. GDAL keeps its handlers per thread, and so does this: the
// handler finds the innermost object of its thread.
class GdalMessages {
 public:
  explicit GdalMessages(const GdalApi& gdal) : options_(gdal), gdal_(gdal), outer_(innermost()) {
    innermost() = this;
    gdal_.CPLPushErrorHandlerEx(&collect, nullptr);
  }
  ~GdalMessages() {
    gdal_.CPLPopErrorHandler();
    innermost() = outer_;
  }
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;

  [[nodiscard]] std::string reason() const {
    return failure_.empty() ? "not a raster format that GDAL recognises" : failure_;
  }
  // Whether GDAL said that an allocation failed.
  [[nodiscard]] bool outOfMemory() const { return outOfMemory_; }
  // How many failures GDAL has reported so far: a read that returns success may still have
  // met one (a block whose place in a cut file cannot be read is then taken for an empty one).
  [[nodiscard]] int failures() const { return failures_; }

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum number, const char* message) {
    GdalMessages* self = innermost();
    if (self == nullptr || level < CE_Failure) return;
    ++self->failures_;
    if (number == CPLE_OutOfMemory) self->outOfMemory_ = true;
    if (self->failure_.empty() && message != nullptr) self->failure_ = message;
  }

  // A variable of the function rather than of the class: g++ 12 under the undefined-behaviour
  // sanitizer tests the address of a class's thread_local with flags it never set, and
  // reports a null pointer where there is none.
  static GdalMessages*& innermost() {
    thread_local GdalMessages* current = nullptr;
    return current;
  }
  GdalThreadOptions options_;
  const GdalApi& gdal_;
  GdalMessages* outer_;
  std::string failure_;
  bool outOfMemory_ = false;
  int failures_ = 0;
};

struct DatasetCloser {
  const GdalApi* gdal;
  void operator()(void* dataset) const { gdal->GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// Throws the open message unless GDAL may open fileName: a local regular file, a path into a
// zip, tar or gzip archive that is one, or a subdataset of an allowed driver in one; with
// --trusted-inputs also a network name, and a VRT whose every source, recursively, is one
// of these. Checked before GDAL opens anything.
void checkSource(const GdalApi& gdal, const std::string& fileName);

// Opens fileName as a raster, read-only, with the allowed drivers only; null when GDAL cannot.
GDALDatasetH openRaster(const GdalApi& gdal, const std::string& fileName);

// checkSource, then openRaster; throws readFailure when GDAL cannot open fileName.
Dataset openImage(const GdalApi& gdal, const std::string& fileName, const GdalMessages& messages);

// Throws the memory message, before any pixel is read, when the driver's own buffers for
// reading `bands` bands of the dataset on `threads` threads at once would pass what the
// memory bound leaves them: a block of the file's layout decoded whole, an interlaced PNG's
// chunk, a progressive JPEG's coefficients, a WebP image.
void checkDriverMemory(const GdalApi& gdal, GDALDatasetH dataset, const std::string& fileName,
                       int bands, int threads);

// GDAL's block cache is the host's, of the size it chose (the programs give it 16 MiB), and
// the blocks a read leaves there would count against our memory bound as long as the cache
// has room for them. So each reader drops a band's blocks once it is past them: always when
// the read ended on whole blocks (wholeBlocks); otherwise only when the cache may hold more
// than the bound leaves GDAL, as some of them are read again.
void dropBlocks(const GdalApi& gdal, GDALRasterBandH band, bool wholeBlocks);

// The open message naming fileName, with reason as its hint.
Failure cannotOpen(const std::string& fileName, const std::string& reason);

// The memory message naming fileName.
Failure outOfMemory(const std::string& fileName, const std::string& hint = {});

// What a failed open or read of fileName gives: the memory message when GDAL ran out of
// memory, else the open message with the system's reason for a file it cannot open (no such
// file, permission denied), which says more than GDAL's "not recognised"; for a headerless raw
// heightmap the header that makes it readable, for a zip archive the names inside it; or
// GDAL's.
Failure readFailure(const GdalApi& gdal, const std::string& fileName, const GdalMessages& messages);

// The file's georeferencing, or none when it has no geotransform (GDAL's default one, pixel
// coordinates, counts as none).
std::optional<Georeference> georeferenceOf(const GdalApi& gdal, GDALDatasetH dataset);

// What a refused image holds, for the hint: "3 bands of type Float32"; for a file of
// subdatasets (netCDF, HDF) their names, to be given as the file name with option.
std::string describeBands(const GdalApi& gdal, GDALDatasetH dataset, const char* option);

inline constexpr int kPaletteEntries = 256;

// Red, green, blue of each colour-table entry, zeros after the last one; a grey palette
// interpretation stores its level in the first component only.
std::vector<std::uint8_t> paletteOf(const GdalApi& gdal, GDALColorTableH table, int& entries);

// Reverses the order of the pixels of each of rows rows of width pixels of pixelBytes bytes,
// the first at first and each next one lineBytes further: columns stored east first.
void mirrorRows(std::uint8_t* first, int rows, std::ptrdiff_t lineBytes, int width, int pixelBytes);

// The samples' bits when a band says it holds fewer than its type's (GDAL's NBITS), else 0.
int bandBits(const GdalApi& gdal, GDALRasterBandH band);

}  // namespace quorvel

#endif
