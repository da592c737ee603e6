#pragma once

// The raster reader's view of GDAL: its functions as loaded, its messages, its datasets. Only
// the raster reader's files include this, with GDAL's headers.

#include "failure.h"
#include "image/raster_reader.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_minixml.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// GDAL and the hundred libraries it brings take about a tenth of a second of every run to load
// and start, BMP-only runs included; so it is loaded at the first image that needs it.
#define QUORVEL_GDAL_FUNCTIONS(X)     \
  X(CPLDestroyXMLNode)                \
  X(CPLGetPath)                       \
  X(CPLIsFilenameRelative)            \
  X(CPLParseXMLFile)                  \
  X(CPLPopErrorHandler)               \
  X(CPLProjectRelativeFilename)       \
  X(CPLPushErrorHandlerEx)            \
  X(CPLSetConfigOption)               \
  X(GDALClose)                        \
  X(GDALDatasetRasterIO)              \
  X(GDALGetBlockSize)                 \
  X(GDALGetColorEntry)                \
  X(GDALGetColorEntryCount)           \
  X(GDALGetDataTypeName)              \
  X(GDALGetDataTypeSizeBytes)         \
  X(GDALGetDatasetDriver)             \
  X(GDALGetDriverShortName)           \
  X(GDALGetGeoTransform)              \
  X(GDALGetMetadataItem)              \
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
  X(GDALIdentifyDriverEx)             \
  X(GDALOpenEx)                       \
  X(GDALRasterIO)                     \
  X(GDALSetCacheMax64)                \
  X(OSRGetAngularUnits)               \
  X(OSRGetLinearUnits)                \
  X(OSRGetSemiMajor)                  \
  X(OSRIsGeographic)                  \
  X(VSIFCloseL)                       \
  X(VSIFOpenL)                        \
  X(VSIFReadL)

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

// Installed for the length of one read: GDAL's messages would otherwise go to its default
// handler; kept here, the first failure becomes the hint of our own message. GDAL keeps its
// handlers per thread, and so does this: the handler finds the innermost object of its
// thread.
class GdalMessages {
 public:
  explicit GdalMessages(const GdalApi& gdal) : gdal_(gdal), outer_(innermost) {
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
  // Whether GDAL said that an allocation failed.
  [[nodiscard]] bool outOfMemory() const { return outOfMemory_; }

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum number, const char* message) {
    GdalMessages* self = innermost;
    if (self == nullptr || level < CE_Failure) return;
    if (number == CPLE_OutOfMemory) self->outOfMemory_ = true;
    if (self->failure_.empty() && message != nullptr) self->failure_ = message;
  }

  static thread_local GdalMessages* innermost;
  const GdalApi& gdal_;
  GdalMessages* outer_;
  std::string failure_;
  bool outOfMemory_ = false;
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

// Throws the memory message, before any pixel is read, when the driver's own buffers for
// reading `bands` bands of the dataset on `threads` threads at once would pass what the
// memory bound leaves them: a block of the file's layout decoded whole, an interlaced PNG's
// chunk, a progressive JPEG's coefficients, a WebP image.
void checkDriverMemory(const GdalApi& gdal, GDALDatasetH dataset, const std::string& fileName,
                       int bands, int threads);

// The open message naming fileName, with reason as its hint.
Failure cannotOpen(const std::string& fileName, const std::string& reason);

// The memory message naming fileName.
Failure outOfMemory(const std::string& fileName, const std::string& hint = {});

// What a failed open or read of fileName gives: the memory message when GDAL ran out of
// memory, else the open message with the system's reason for a file it cannot open (no such
// file, permission denied), which says more than GDAL's "not recognised", or GDAL's.
Failure readFailure(const GdalApi& gdal, const std::string& fileName, const GdalMessages& messages);

}  // namespace quorvel

#endif
