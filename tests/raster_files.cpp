#include "raster_files.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <memory>

namespace quorvel::test {
namespace {

struct Closer {
  void operator()(void* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, Closer>;

// Record order (row 0 is the picture's bottom row) to stored order, top row first unless
// stored south first, for one channel of a packed image.
std::vector<double> storedOrder(const Bytes& packed, int width, int height, int channels,
                                int channel, double (*value)(std::uint8_t), Stored stored) {
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(width) * height);
  for (int n = 0; n < height; ++n) {
    const int row = stored == Stored::kSouthFirst ? n : height - 1 - n;
    for (int x = 0; x < width; ++x) {
      const std::size_t i = (static_cast<std::size_t>(row) * width + x) * channels + channel;
      samples.push_back(value(packed[i]));
    }
  }
  return samples;
}

Raster georeferenced(const Raster& raster, Stored stored) {
  if (stored == Stored::kPicture) return raster;
  std::array<double, 6> transform = kTerrainNorthFirst;
  if (stored == Stored::kSouthFirst) {
    transform[3] += raster.height * transform[5];
    transform[5] = -transform[5];
  }
  return raster.withGeoreference(transform, kTerrainEpsg);
}

double byteValue(std::uint8_t b) { return b; }

// GDAL's messages stay out of the test's output for the length of one write.
struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

// GDAL with every driver, writing no side files, once for the test program.
void startGdal() {
  static const bool started = [] {
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    GDALAllRegister();
    return true;
  }();
  (void)started;
}

}  // namespace

void writeRaster(const std::filesystem::path& path, const Raster& raster) {
  startGdal();
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
    if (raster.epsg != 0) GDALSetProjection(memory.get(), wktOf(raster.epsg).c_str());
  }
  GDALRasterBandH first = GDALGetRasterBand(memory.get(), 1);
  if (raster.scaleOffset) {
    GDALSetRasterScale(first, raster.scaleOffset->first);
    GDALSetRasterOffset(first, raster.scaleOffset->second);
  }
  if (!raster.unit.empty()) GDALSetRasterUnitType(first, raster.unit.c_str());
  if (!raster.mask.empty()) {
    ASSERT_EQ(raster.mask.size(), bandSamples);
    ASSERT_EQ(GDALCreateDatasetMaskBand(memory.get(), GMF_PER_DATASET), CE_None);
    std::vector<std::uint8_t> mask = raster.mask;
    ASSERT_EQ(GDALRasterIO(GDALGetMaskBand(first), GF_Write, 0, 0, raster.width, raster.height,
                           mask.data(), raster.width, raster.height, GDT_Byte, 0, 0),
              CE_None);
  }
  std::vector<const char*> options;
  for (const std::string& option : raster.options) options.push_back(option.c_str());
  options.push_back(nullptr);
  const Dataset copy(GDALCreateCopy(GDALGetDriverByName(raster.driver.c_str()),
                                    path.string().c_str(), memory.get(), TRUE,
                                    const_cast<char**>(options.data()), nullptr, nullptr));
  ASSERT_TRUE(copy) << path << ": " << CPLGetLastErrorMsg();
}

void warpRaster(const std::filesystem::path& from, const std::filesystem::path& to, int width,
                int height, const std::array<double, 6>& transform, const std::string& crs) {
  std::vector<std::string> arguments = {"-r",
                                        "bilinear",
                                        "-ts",
                                        std::to_string(width),
                                        std::to_string(height),
                                        "-te",
                                        std::to_string(transform[0]),
                                        std::to_string(transform[3] + height * transform[5]),
                                        std::to_string(transform[0] + width * transform[1]),
                                        std::to_string(transform[3]),
                                        "-of",
                                        "GTiff",
                                        "-nosrcalpha",
                                        "-overwrite"};
  if (!crs.empty()) arguments.insert(arguments.end(), {"-t_srs", crs});
  startGdal();
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const QuietGdal quiet;
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv.data(), nullptr);
  const Dataset source(GDALOpen(from.string().c_str(), GA_ReadOnly));
  ASSERT_TRUE(source) << from;
  GDALDatasetH sources[] = {source.get()};
  int error = 0;
  const Dataset warped(GDALWarp(to.string().c_str(), nullptr, 1, sources, options, &error));
  GDALWarpAppOptionsFree(options);
  ASSERT_TRUE(warped) << to << ": " << CPLGetLastErrorMsg();
}

void writeNetcdf(const std::filesystem::path& path, const std::vector<std::string>& variables) {
  startGdal();
  const Dataset file(GDALCreateMultiDimensional(GDALGetDriverByName("netCDF"),
                                                path.string().c_str(), nullptr, nullptr));
  ASSERT_TRUE(file) << path;
  GDALGroupH root = GDALDatasetGetRootGroup(file.get());
  GDALDimensionH dimensions[] = {GDALGroupCreateDimension(root, "y", nullptr, nullptr, 2, nullptr),
                                 GDALGroupCreateDimension(root, "x", nullptr, nullptr, 3, nullptr)};
  GDALExtendedDataTypeH type = GDALExtendedDataTypeCreate(GDT_Int16);
  for (const std::string& name : variables) {
    GDALMDArrayH array = GDALGroupCreateMDArray(root, name.c_str(), 2, dimensions, type, nullptr);
    ASSERT_NE(array, nullptr) << name;
    GDALMDArrayRelease(array);
  }
  GDALExtendedDataTypeRelease(type);
  for (GDALDimensionH dimension : dimensions) GDALDimensionRelease(dimension);
  GDALGroupRelease(root);
}

void writeZip(const std::filesystem::path& path, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    const std::string name = "/vsizip/" + path.string() + "/" + entry;
    VSILFILE* file = VSIFOpenL(name.c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    ASSERT_EQ(VSIFWriteL("data", 1, 4, file), 4u);
    ASSERT_EQ(VSIFCloseL(file), 0);
  }
}

std::string wktOf(int epsg) {
  OGRSpatialReferenceH reference = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(reference, epsg);
  char* text = nullptr;
  OSRExportToWkt(reference, &text);
  std::string wkt = text != nullptr ? text : "";
  CPLFree(text);
  OSRDestroySpatialReference(reference);
  return wkt;
}

void writeTerrainRasters(const std::filesystem::path& prefix, const TerrainImages& images,
                         const std::string& driver, const std::string& extension, Stored stored) {
  const std::string base = prefix.string();
  writeAltitude(base + "alt." + extension, images, driver, GDT_Byte, byteValue, stored);
  const std::pair<const char*, const Bytes*> colours[] = {{"DifMat", &images.difMat},
                                                          {"AmbMat", &images.ambMat},
                                                          {"DifLight", &images.difLight},
                                                          {"AmbLight", &images.ambLight}};
  for (const auto& [role, pixels] : colours) {
    Raster raster(driver, images.width, images.height, 3, GDT_Byte);
    for (int channel = 0; channel < 3; ++channel) {
      const std::vector<double> band =
          storedOrder(*pixels, images.width, images.height, 3, channel, byteValue, stored);
      raster.samples.insert(raster.samples.end(), band.begin(), band.end());
    }
    writeRaster(base + role + "." + extension, georeferenced(raster, stored));
  }
}

void writeAltitude(const std::filesystem::path& path, const TerrainImages& images,
                   const std::string& driver, GDALDataType type, double (*value)(std::uint8_t),
                   Stored stored, std::optional<double> scale) {
  Raster raster(driver, images.width, images.height, 1, type);
  raster.samples = storedOrder(images.alt, images.width, images.height, 1, 0, value, stored);
  if (scale) raster = raster.withScale(*scale, 0);
  writeRaster(path, georeferenced(raster, stored));
}

}  // namespace quorvel::test
