#include "raster_files.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <memory>

namespace quorvel::test {
namespace {

struct Closer {
  void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, Closer>;

// Record order (row 0 is the picture's bottom row) to picture order, for one channel of a
// packed image.
std::vector<double> pictureOrder(const Bytes& packed, int width, int height, int channels,
                                 int channel, double (*value)(std::uint8_t)) {
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(width) * height);
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = (static_cast<std::size_t>(row) * width + x) * channels + channel;
      samples.push_back(value(packed[i]));
    }
  }
  return samples;
}

double byteValue(std::uint8_t b) { return b; }

// GDAL's messages stay out of the test's output for the length of one write.
struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

}  // namespace

void writeRaster(const std::filesystem::path& path, const Raster& raster) {
  static const bool started = [] {
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    GDALAllRegister();
    return true;
  }();
  (void)started;
  const QuietGdal quiet;
  const Dataset memory(GDALCreate(GDALGetDriverByName("MEM"), "", raster.width, raster.height,
                                  raster.bands, raster.type, nullptr));
  ASSERT_TRUE(memory);
  const std::size_t bandSamples = static_cast<std::size_t>(raster.width) * raster.height;
  ASSERT_EQ(raster.samples.size(), bandSamples * raster.bands);
  for (int b = 1; b <= raster.bands; ++b) {
    GDALRasterBandH band = GDALGetRasterBand(memory.get(), b);
    std::vector<double> samples(raster.samples.begin() + (b - 1) * bandSamples,
                                raster.samples.begin() + b * bandSamples);
    ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, raster.width, raster.height, samples.data(),
                           raster.width, raster.height, GDT_Float64, 0, 0),
              CE_None);
    if (raster.noData) GDALSetRasterNoDataValue(band, *raster.noData);
    if (raster.signedBytes) GDALSetMetadataItem(band, "PIXELTYPE", "SIGNEDBYTE", "IMAGE_STRUCTURE");
  }
  if (!raster.colourTable.empty()) {
    GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
    for (std::size_t i = 0; i < raster.colourTable.size(); ++i) {
      const auto& c = raster.colourTable[i];
      const GDALColorEntry entry{c[0], c[1], c[2], 255};
      GDALSetColorEntry(table, static_cast<int>(i), &entry);
    }
    GDALSetRasterColorTable(GDALGetRasterBand(memory.get(), 1), table);
    GDALDestroyColorTable(table);
  }
  if (raster.geoTransform) {
    std::array<double, 6> transform = *raster.geoTransform;
    GDALSetGeoTransform(memory.get(), transform.data());
    OGRSpatialReferenceH reference = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(reference, raster.epsg);
    GDALSetSpatialRef(memory.get(), reference);
    OSRDestroySpatialReference(reference);
  }
  const Dataset copy(GDALCreateCopy(GDALGetDriverByName(raster.driver.c_str()),
                                    path.string().c_str(), memory.get(), TRUE, nullptr, nullptr,
                                    nullptr));
  ASSERT_TRUE(copy) << path << ": " << CPLGetLastErrorMsg();
}

void writeTerrainRasters(const std::filesystem::path& prefix, const TerrainImages& images,
                         const std::string& driver, const std::string& extension) {
  const std::string base = prefix.string();
  writeAltitude(base + "alt." + extension, images, driver, GDT_Byte, byteValue);
  const std::pair<const char*, const Bytes*> colours[] = {{"DifMat", &images.difMat},
                                                          {"AmbMat", &images.ambMat},
                                                          {"DifLight", &images.difLight},
                                                          {"AmbLight", &images.ambLight}};
  for (const auto& [role, pixels] : colours) {
    Raster raster(driver, images.width, images.height, 3, GDT_Byte);
    for (int channel = 0; channel < 3; ++channel) {
      const std::vector<double> band =
          pictureOrder(*pixels, images.width, images.height, 3, channel, byteValue);
      raster.samples.insert(raster.samples.end(), band.begin(), band.end());
    }
    writeRaster(base + role + "." + extension, raster);
  }
}

void writeAltitude(const std::filesystem::path& path, const TerrainImages& images,
                   const std::string& driver, GDALDataType type, double (*value)(std::uint8_t)) {
  Raster raster(driver, images.width, images.height, 1, type);
  raster.samples = pictureOrder(images.alt, images.width, images.height, 1, 0, value);
  writeRaster(path, raster);
}

}  // namespace quorvel::test
