#include "image/raster_gdal.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <dlfcn.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "file_handle.h"
#endif

#include "failure.h"
#include "image/raster_reader.h"

namespace quorvel {

#ifdef QUORVEL_GDAL_LIBRARY
namespace {

using Api = GdalLibrary::Api;

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

std::string lowerExtension(const std::string& fileName) {
  std::string extension = std::filesystem::path(fileName).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return extension;
}

// Terrain editors write heightmaps as bare 16-bit samples, low byte first, in a square; GDAL
// reads such a file once an ESRI header beside it gives its size and sample type.
std::string rawHeaderRecipe(const std::string& fileName) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(fileName, error);
  const auto side = static_cast<std::uintmax_t>(std::llround(std::sqrt(bytes / 2.0)));
  const bool square = !error && bytes > 0 && side * side * 2 == bytes;
  const std::string rows = square ? std::to_string(side) : "<rows>";
  const std::string columns = square ? std::to_string(side) : "<columns>";
  return "a raw heightmap without a header, which GDAL reads once one describes it: write "
         "these seven lines into " +
         std::filesystem::path(fileName).replace_extension(".hdr").string() +
         " beside it (16-bit samples, low byte first, as terrain editors write them" +
         (square ? "; the size from the file's length" : "") + ")\n" + "NROWS " + rows +
         "\nNCOLS " + columns +
         "\nNBANDS 1\nNBITS 16\nPIXELTYPE UNSIGNEDINT\nBYTEORDER I\nLAYOUT BIL";
}

// GDAL reads a file inside a zip archive by its /vsizip/ name.
std::string zipEntries(const Api& gdal, const std::string& fileName) {
  const std::string archive = "/vsizip/" + fileName;
  std::string names;
  char** entries = gdal.VSIReadDirRecursive(archive.c_str());
  for (char** entry = entries; entry != nullptr && *entry != nullptr; ++entry) {
    if (std::string_view(*entry).ends_with('/')) continue;
    names += (names.empty() ? "" : ", ") + archive + "/" + *entry;
  }
  gdal.CSLDestroy(entries);
  return "a zip archive; give the image inside it by its name through GDAL's /vsizip/: " +
         (names.empty() ? archive + "/NAME" : names);
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

GDALDatasetH openRaster(const Api& gdal, const std::string& fileName) {
  return gdal.GDALOpenEx(fileName.c_str(),
                         GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR, nullptr,
                         nullptr, nullptr);
}

Failure cannotOpen(const std::string& fileName, const std::string& reason) {
  return Failure("erreur lors de l'ouverture du fichier " + fileName + "\n",
                 fileName + ": " + reason + "\n");
}

Dataset openImage(Api& gdal, const std::string& fileName) {
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
  if (!dataset) throw cannotOpen(fileName, openFailureReason(gdal, fileName, messages));
  return dataset;
}

std::string openFailureReason(const Api& gdal, const std::string& fileName,
                              const GdalMessages& messages) {
  errno = 0;
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file && errno != 0 && !fileName.starts_with("/vsi")) return std::strerror(errno);
  const std::string extension = lowerExtension(fileName);
  if (file && (extension == ".r16" || extension == ".raw")) return rawHeaderRecipe(fileName);
  if (file && extension == ".zip") return zipEntries(gdal, fileName);
  return messages.reason();
}

std::optional<Georeference> georeferenceOf(const Api& gdal, GDALDatasetH dataset) {
  Georeference georeference;
  constexpr std::array<double, 6> kPixelCoordinates{0, 1, 0, 0, 0, 1};
  if (gdal.GDALGetGeoTransform(dataset, georeference.transform.data()) != CE_None ||
      georeference.transform == kPixelCoordinates) {
    return std::nullopt;
  }
  const char* crs = gdal.GDALGetProjectionRef(dataset);
  if (crs != nullptr) georeference.crs = crs;
  return georeference;
}

std::string describeBands(const Api& gdal, GDALDatasetH dataset, const char* option) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  if (bands == 0) {
    std::string names;
    char** metadata = gdal.GDALGetMetadata(dataset, "SUBDATASETS");
    for (char** item = metadata; item != nullptr && *item != nullptr; ++item) {
      const std::string_view entry = *item;
      const std::size_t equals = entry.find('=');
      if (equals == std::string_view::npos || !entry.substr(0, equals).ends_with("_NAME")) continue;
      names += (names.empty() ? "" : ", ") + std::string(entry.substr(equals + 1));
    }
    if (names.empty()) return "no band";
    return std::string("no band but subdatasets; give one of them with ") + option + ": " + names;
  }
  const GDALDataType type = gdal.GDALGetRasterDataType(gdal.GDALGetRasterBand(dataset, 1));
  return std::to_string(bands) + (bands == 1 ? " band" : " bands") + " of type " +
         gdal.GDALGetDataTypeName(type);
}

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

void mirrorRows(std::uint8_t* first, int rows, std::ptrdiff_t lineBytes, int width,
                int pixelBytes) {
  for (int j = 0; j < rows; ++j) {
    std::uint8_t* left = first + j * lineBytes;
    std::uint8_t* right = left + static_cast<std::ptrdiff_t>(width - 1) * pixelBytes;
    for (; left < right; left += pixelBytes, right -= pixelBytes) {
      std::swap_ranges(left, left + pixelBytes, right);
    }
  }
}

int bandBits(const Api& gdal, GDALRasterBandH band) {
  const char* text = gdal.GDALGetMetadataItem(band, "NBITS", "IMAGE_STRUCTURE");
  if (text == nullptr) return 0;
  const int bits = std::atoi(text);
  return bits >= 1 && bits < 8 ? bits : 0;
}

#else

struct GdalLibrary::Api {};

// Builds made without GDAL (the static cross builds) read BMP files only.
GdalLibrary::GdalLibrary(const std::string& fileName) {
  throw Failure("erreur lors de l'ouverture du fichier " + fileName + "\n",
                fileName + ": this quorvel was built without GDAL, so it reads BMP files only\n");
}

#endif

GdalLibrary::~GdalLibrary() = default;

}  // namespace quorvel
