#include "image/raster_gdal.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <dlfcn.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file_handle.h"
#endif

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

// Installed for the length of one read: GDAL's messages would otherwise go to its default
// handler; kept here, the first failure becomes the hint of our own message. GDAL keeps its
// handlers per thread, and so does this: the handler finds the innermost object of its

}  // namespace

thread_local GdalMessages* GdalMessages::innermost = nullptr;

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

std::string openFailureReason(const std::string& fileName, const GdalMessages& messages) {
  errno = 0;
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file && errno != 0 && !fileName.starts_with("/vsi")) return std::strerror(errno);
  return messages.reason();
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
