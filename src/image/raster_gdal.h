#pragma once

// The raster reader's view of GDAL: its functions as loaded, its messages, its datasets. Only
// the raster reader's files (raster_*.cpp) include this, with GDAL's headers.

#include "failure.h"
#include "image/raster_reader.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// GDAL and the hundred libraries it brings take about a tenth of a second of every run to load
// and start, BMP-only runs included; so it is loaded at the first image that needs it.
#define QUORVEL_GDAL_FUNCTIONS(X)            \
  X(CPLMalloc)                               \
  X(CPLPopErrorHandler)                      \
  X(CPLPushErrorHandlerEx)                   \
  X(CPLSetConfigOption)                      \
  X(CSLDestroy)                              \
  X(GDALAllRegister)                         \
  X(GDALApproxTransform)                     \
  X(GDALApproxTransformerOwnsSubtransformer) \
  X(GDALClose)                               \
  X(GDALCreateApproxTransformer)             \
  X(GDALCreateGenImgProjTransformer3)        \
  X(GDALCreateWarpOptions)                   \
  X(GDALCreateWarpedVRT)                     \
  X(GDALDatasetRasterIO)                     \
  X(GDALDestroyGenImgProjTransformer)        \
  X(GDALDestroyWarpOptions)                  \
  X(GDALGenImgProjTransform)                 \
  X(GDALGetColorEntry)                       \
  X(GDALGetColorEntryCount)                  \
  X(GDALGetDataTypeName)                     \
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
  X(GDALOpenEx)                              \
  X(GDALRasterIO)                            \
  X(GDALSetCacheMax64)                       \
  X(OSRDestroySpatialReference)              \
  X(OSRGetAngularUnits)                      \
  X(OSRGetLinearUnits)                       \
  X(OSRGetSemiMajor)                         \
  X(OSRIsGeographic)                         \
  X(OSRIsSame)                               \
  X(OSRNewSpatialReference)                  \
  X(VSIReadDirRecursive)

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
  explicit GdalMessages(const GdalApi& gdal) : gdal_(gdal), outer_(innermost()) {
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

 private:
  static void CPL_STDCALL collect(CPLErr level, CPLErrorNum, const char* message) {
    GdalMessages* self = innermost();
    if (self != nullptr && level >= CE_Failure && self->failure_.empty() && message != nullptr) {
      self->failure_ = message;
    }
  }

  // A variable of the function rather than of the class: g++ 12 under the undefined-behaviour
  // sanitizer tests the address of a class's thread_local with flags it never set, and
  // reports a null pointer where there is none.
  static GdalMessages*& innermost() {
    thread_local GdalMessages* current = nullptr;
    return current;
  }
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

// Opens fileName as a raster through the common drivers, or all of them when those do not
// recognise it; throws the open message with the reason when GDAL cannot.
Dataset openImage(GdalApi& gdal, const std::string& fileName);

// The open message naming fileName, with reason as its hint.
Failure cannotOpen(const std::string& fileName, const std::string& reason);

// Why fileName could not be opened: the system's reason for a file it cannot open (no such
// file, permission denied), which says more than GDAL's "not recognised"; for a headerless
// raw heightmap the header that makes it readable, for a zip archive the names of the files
// inside it; else GDAL's.
std::string openFailureReason(const GdalApi& gdal, const std::string& fileName,
                              const GdalMessages& messages);

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
