#pragma once

// The raster reader's view of GDAL: its functions as loaded, its messages, its datasets. Only
// the raster reader's files include this, with GDAL's headers.

#include "failure.h"
#include "image/raster_reader.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <memory>
#include <string>

namespace quorvel {

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

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum, const char* message) {
    GdalMessages* self = innermost;
    if (self != nullptr && level >= CE_Failure && self->failure_.empty() && message != nullptr) {
      self->failure_ = message;
    }
  }

  static thread_local GdalMessages* innermost;
  const GdalApi& gdal_;
  GdalMessages* outer_;
  std::string failure_;
};

struct DatasetCloser {
  const GdalApi* gdal;
  void operator()(void* dataset) const { gdal->GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// Opens fileName as a raster, read-only; null when GDAL cannot.
GDALDatasetH openRaster(const GdalApi& gdal, const std::string& fileName);

// The open message naming fileName, with reason as its hint.
Failure cannotOpen(const std::string& fileName, const std::string& reason);

// Why fileName could not be opened: the system's reason for a file it cannot open (no such
// file, permission denied), which says more than GDAL's "not recognised", else GDAL's.
std::string openFailureReason(const std::string& fileName, const GdalMessages& messages);

}  // namespace quorvel

#endif
