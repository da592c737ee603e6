#include "image/raster_gdal.h"

#ifdef QUORVEL_GDAL_LIBRARY
#include <dlfcn.h>
#include <sys/stat.h>
#if defined(QUORVEL_PROJ_LIBRARY) && __has_include(<proj.h>)
#include <proj.h>
#define QUORVEL_PROJ_AHEAD 1
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "file_handle.h"
#endif

namespace quorvel {

#ifdef QUORVEL_GDAL_LIBRARY
namespace {

// What the memory bound leaves GDAL's drivers beyond the pixels, with room to spare for the
// block cache and the rest of the run.
constexpr double kDriverBytes = 32 << 20;

using Api = GdalLibrary::Api;

struct AllowedDriver {
  const char* registration;  // the function that registers it
  const char* name;          // its short name
};

// The file formats GDAL may read: each reads the named file and at most its standard
// sidecars (.aux.xml, .hdr, .prj, .msk, .ovr, world files). Never VRT, MEM, the web services
// or the databases, which can reach any file, address or memory; nor GIF, whose driver
// decodes a whole image at once whatever its size. GeoTIFF and PNG come first, as most
// files are one or the other.
constexpr AllowedDriver kAllowedDrivers[] = {
    {"GDALRegister_GTiff", "GTiff"},     {"GDALRegister_PNG", "PNG"},
    {"GDALRegister_JPEG", "JPEG"},       {"GDALRegister_WEBP", "WEBP"},
    {"GDALRegister_SRTMHGT", "SRTMHGT"}, {"GDALRegister_AAIGrid", "AAIGrid"},
    {"GDALRegister_EHdr", "EHdr"},       {"GDALRegister_ENVI", "ENVI"},
    {"GDALRegister_HFA", "HFA"},         {"GDALRegister_netCDF", "netCDF"},
    {"GDALRegister_HDF5", "HDF5"},       {"GDALRegister_HDF5Image", "HDF5Image"},
    {"GDALRegister_XYZ", "XYZ"},         {"GDALRegister_BT", "BT"},
    {"GDALRegister_DTED", "DTED"},       {"GDALRegister_USGSDEM", "USGSDEM"},
    {"GDALRegister_GSAG", "GSAG"},       {"GDALRegister_GSBG", "GSBG"},
    {"GDALRegister_GS7BG", "GS7BG"},     {"GDALRegister_Terragen", "Terragen"},
};
// What --trusted-inputs adds: the mosaics users make of their own tiles.
constexpr AllowedDriver kTrustedDriver = {"GDALRegister_VRT", "VRT"};

// Loads the libraries GDAL names as its own dependencies (the build reads them from GDAL's
// library), each on its own, before GDAL itself; speed only. Every symbol a library takes is
// looked for through the libraries in its scope until one defines it. Loaded with GDAL, a
// dependency's scope is GDAL and the whole tree of a hundred libraries it brings, in the
// order they are first named, so that a library far down that tree, binding its own C++
// functions, looks through most of the others first; loaded alone, its scope is itself and
// its own dependencies. It is then bound to its own copy of what it defines (as GDAL's
// plugins are, loaded on their own: the same functions, and templates' unique objects stay
// one in the process), and GDAL's loading finds it loaded: some 0.2 G instructions of GDAL's
// loading became 0.13 G. A library that cannot be loaded alone (one that takes symbols from a
// sibling without naming it) is left to GDAL's loading, which loads it as before. Each stays
// loaded, as GDAL keeps it.
void loadGdalDependencies() {
#ifdef QUORVEL_GDAL_NEEDED
  std::string_view names = QUORVEL_GDAL_NEEDED;
  while (!names.empty()) {
    const std::size_t end = names.find(':');
    const std::string name(names.substr(0, end));
    if (dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL) == nullptr) dlerror();  // clears its reason
    names = end == std::string_view::npos ? std::string_view() : names.substr(end + 1);
  }
#endif
}

// Loads GDAL and sets it up; returns the reason when it cannot be loaded. Loading it again
// costs nothing: the library stays loaded, and its drivers registered, once they are.
std::unique_ptr<Api> startGdal(bool trustedInputs, std::string& failure) {
  loadGdalDependencies();
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
  loaded->trustedInputs = trustedInputs;
  const auto enable = [&](const AllowedDriver& driver) {
    if (void* symbol = dlsym(library, driver.registration); symbol != nullptr) {
      std::bit_cast<void (*)()>(symbol)();
      loaded->drivers.push_back(driver.name);
    }
  };
  for (const AllowedDriver& driver : kAllowedDrivers) enable(driver);
  if (trustedInputs) enable(kTrustedDriver);
  loaded->drivers.push_back(nullptr);
  return loaded;
}

struct ThreadOption {
  const char* key;
  const char* value;
};

// Set on each reading thread for the length of its reads (GdalThreadOptions), never for the
// process. GDAL's block cache is left at the size the program or host gave it: the readers
// drop their blocks as they go (dropBlocks).
constexpr ThreadOption kThreadOptions[] = {
    // GDAL would otherwise write .aux.xml files beside the images it reads.
    {"GDAL_PAM_ENABLED", "NO"},
    // A file mapped into memory that shrinks while it is read kills the process with SIGBUS;
    // read calls fail with a message instead. Whatever the user's environment says.
    {"GTIFF_VIRTUAL_MEM_IO", "NO"},
    // A trusted VRT may still not run code of its own.
    {"GDAL_VRT_ENABLE_PYTHON", "NO"},
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           const auto lower = [](char c) {
             return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
           };
           return lower(a) == lower(b);
         });
}

bool equalsNoCase(std::string_view text, std::string_view other) {
  return text.size() == other.size() && startsWithNoCase(text, other);
}

// The handler of one of GDAL's virtual file names, "curl" for /vsicurl/...; empty for
// other names.
std::string_view virtualHandler(std::string_view name) {
  if (!name.starts_with("/vsi")) return {};
  const std::size_t end = name.find_first_of("/?", 4);
  return name.substr(4, end == std::string_view::npos ? std::string_view::npos : end - 4);
}

bool isNetworkName(std::string_view name) {
  constexpr std::string_view kNetworkHandlers[] = {
      "curl",         "curl_streaming", "s3",    "s3_streaming",    "gs",   "gs_streaming", "az",
      "az_streaming", "adls",           "swift", "swift_streaming", "hdfs", "webhdfs",      "oss",
      "oss_streaming"};
  const std::string_view handler = virtualHandler(name);
  return std::find(std::begin(kNetworkHandlers), std::end(kNetworkHandlers), handler) !=
             std::end(kNetworkHandlers) ||
         startsWithNoCase(name, "http:") || startsWithNoCase(name, "https:") ||
         startsWithNoCase(name, "ftp:");
}

// The file a subdataset name of an allowed driver reads (NETCDF:"f.nc":var, HDF5:f.h5://x,
// GTIFF_DIR:2:f.tif), as those drivers take it apart; nothing when name is none.
std::optional<std::string> subdatasetFile(std::string_view name) {
  for (const std::string_view prefix : {"GTIFF_DIR:", "GTIFF_RAW:"}) {
    if (!startsWithNoCase(name, prefix)) continue;
    std::string_view rest = name.substr(prefix.size());
    if (prefix == "GTIFF_RAW:") return std::string(rest);
    if (startsWithNoCase(rest, "off:")) rest.remove_prefix(4);
    const std::size_t colon = rest.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(rest.substr(colon + 1));
  }
  for (const std::string_view prefix : {"NETCDF:", "HDF5:"}) {
    if (!startsWithNoCase(name, prefix)) continue;
    const std::string_view rest = name.substr(prefix.size());
    if (rest.starts_with('"')) {
      const std::size_t close = rest.find('"', 1);
      return close == std::string_view::npos ? std::string()
                                             : std::string(rest.substr(1, close - 1));
    }
    return std::string(rest.substr(0, rest.find(':')));
  }
  return std::nullopt;
}

std::string localRefusal(const std::string& name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) return std::strerror(errno);
  if (S_ISREG(status.st_mode)) return "";
  if (S_ISDIR(status.st_mode)) return "a directory, not a regular file";
  if (S_ISFIFO(status.st_mode)) return "a named pipe, not a regular file";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device, not a regular file";
  return "not a regular file";
}

constexpr int kMaxNesting = 8;

// Why GDAL may not read name, or "" when it may (see checkSource).
std::string refusal(std::string_view name, bool trusted, int depth) {
  if (depth > kMaxNesting) return "names nested too deeply";
  if (isNetworkName(name)) {
    return trusted ? ""
                   : "a network name, which GDAL would fetch: quorvel reads local files only,"
                     " unless --trusted-inputs is given";
  }
  const std::string_view handler = virtualHandler(name);
  // What follows "/vsizip/", "/vsigzip/" or "/vsitar/".
  const std::string_view rest = name.substr(std::min(name.size(), 5 + handler.size()));
  if (handler == "gzip") return refusal(rest, trusted, depth + 1);
  if (handler == "zip" || handler == "tar") {
    // The archive is the leading part of the rest that is a file: {braced}, a name of
    // GDAL's own, or the first local path on the way that is a regular file.
    if (rest.starts_with('{')) {
      const std::size_t close = rest.find('}');
      if (close == std::string_view::npos) return "an archive path without its closing brace";
      return refusal(rest.substr(1, close - 1), trusted, depth + 1);
    }
    if (rest.starts_with("/vsi")) return refusal(rest, trusted, depth + 1);
    for (std::size_t end = rest.find('/', 1);; end = rest.find('/', end + 1)) {
      if (localRefusal(std::string(rest.substr(0, end))).empty()) return "";
      if (end == std::string_view::npos) break;
    }
    return "no local regular file holds this archive path";
  }
  if (!handler.empty()) {
    return "a GDAL virtual file (/vsi" + std::string(handler) + "/), not a local regular file";
  }
  if (const std::optional<std::string> file = subdatasetFile(name)) {
    return refusal(*file, trusted, depth + 1);
  }
  return localRefusal(std::string(name));
}

bool isVrt(const Api& gdal, const std::string& name) {
  const GDALDriverH driver =
      gdal.GDALIdentifyDriverEx(name.c_str(), GDAL_OF_RASTER, gdal.drivers.data(), nullptr);
  return driver != nullptr && std::string_view(gdal.GDALGetDriverShortName(driver)) == "VRT";
}

struct XmlDeleter {
  const Api* gdal;
  void operator()(CPLXMLNode* node) const { gdal->CPLDestroyXMLNode(node); }
};

// Every source a VRT names (SourceFilename, a warped VRT's SourceDataset), resolved as
// GDAL resolves it, must pass the name rules, and a source that is a VRT in turn the same,
// before GDAL opens any of them. A source's own text is the name GDAL opens, so a MEM or
// inline dataset, or a name of any other kind, fails here even where GDALGetFileList would
// show nothing.
void checkVrtSources(const Api& gdal, const std::string& fileName, const std::string& vrt,
                     int depth) {
  if (depth > kMaxNesting) throw cannotOpen(fileName, vrt + ": VRTs nested too deeply");
  const std::unique_ptr<CPLXMLNode, XmlDeleter> root(gdal.CPLParseXMLFile(vrt.c_str()),
                                                     XmlDeleter{&gdal});
  if (!root) throw cannotOpen(fileName, vrt + ": not a VRT GDAL can read");
  const std::string directory = gdal.CPLGetPath(vrt.c_str());
  const auto visit = [&](const auto& self, const CPLXMLNode* node,
                         const CPLXMLNode* parent) -> void {
    for (; node != nullptr; node = node->psNext) {
      if (node->eType != CXT_Element) continue;
      const std::string_view element = node->pszValue;
      if (equalsNoCase(element, "SourceFilename") || equalsNoCase(element, "SourceDataset")) {
        std::string source;
        // A raw band's file is relative to the VRT unless it says otherwise; other
        // sources are relative to the VRT only when they say so.
        bool relative = parent != nullptr && equalsNoCase(parent->pszValue, "VRTRasterBand");
        for (const CPLXMLNode* part = node->psChild; part != nullptr; part = part->psNext) {
          if (part->eType == CXT_Text) source += part->pszValue;
          if (part->eType == CXT_Attribute && equalsNoCase(part->pszValue, "relativeToVRT") &&
              part->psChild != nullptr) {
            relative = std::string_view(part->psChild->pszValue) == "1";
          }
        }
        if (relative && gdal.CPLIsFilenameRelative(source.c_str())) {
          source = gdal.CPLProjectRelativeFilename(directory.c_str(), source.c_str());
        }
        if (const std::string why = refusal(source, true, 0); !why.empty()) {
          throw cannotOpen(fileName, "the source " + source + " of " + vrt + ": " + why);
        }
        if (isVrt(gdal, source)) checkVrtSources(gdal, fileName, source, depth + 1);
      }
      self(self, node->psChild, node);
    }
  };
  visit(visit, root.get(), nullptr);
}

// Up to count bytes from the start of name, through GDAL's own file layer, so that archive
// paths read the same bytes GDAL does.
std::vector<unsigned char> firstBytes(const Api& gdal, const std::string& name, std::size_t count) {
  std::vector<unsigned char> bytes(count);
  VSILFILE* file = gdal.VSIFOpenL(name.c_str(), "rb");
  if (file == nullptr) return {};
  bytes.resize(gdal.VSIFReadL(bytes.data(), 1, count, file));
  gdal.VSIFCloseL(file);
  return bytes;
}

// The interlace method, the last byte of the header chunk that opens every PNG.
bool isInterlacedPng(const std::vector<unsigned char>& bytes) {
  return bytes.size() == 29 && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0 && bytes[28] != 0;
}

// Whether a JPEG's first frame is progressive, which libjpeg decodes by holding every
// coefficient of the image.
bool isProgressiveJpeg(const std::vector<unsigned char>& bytes) {
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
    const unsigned char marker = bytes[at + 1];
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    at += 2 + (std::size_t{bytes[at + 2]} << 8 | bytes[at + 3]);
  }
  return false;
}

std::string lowerExtension(const std::string& fileName) {
  std::string extension = std::filesystem::path(fileName).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return extension;
}

// Terrain editors write heightmaps as bare 16-bit samples, low byte first, in a square; GDAL
// reads such a file once an ESRI header beside it gives its size and sample type. The hint is
// one line, so the header's seven lines come as the command that writes them.
std::string rawHeaderRecipe(const std::string& fileName) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(fileName, error);
  const auto side = static_cast<std::uintmax_t>(std::llround(std::sqrt(bytes / 2.0)));
  const bool square = !error && bytes > 0 && side * side * 2 == bytes;
  const std::string rows = square ? std::to_string(side) : "ROWS";
  const std::string columns = square ? std::to_string(side) : "COLUMNS";
  return "a raw heightmap without a header, which GDAL reads once a header beside it describes"
         " it (16-bit samples, low byte first, as terrain editors write them" +
         std::string(square ? "; the size from the file's length" : "") + "): printf 'NROWS " +
         rows + "\\nNCOLS " + columns +
         "\\nNBANDS 1\\nNBITS 16\\nPIXELTYPE UNSIGNEDINT\\nBYTEORDER I\\nLAYOUT BIL\\n' > " +
         std::filesystem::path(fileName).replace_extension(".hdr").string();
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

std::string mebibytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f MiB", bytes / (1 << 20));
  return text;
}

}  // namespace

GdalThreadOptions::GdalThreadOptions(const Api& gdal) : gdal_(gdal) {
  static_assert(std::size(kThreadOptions) == kOptions);
  for (int i = 0; i < kOptions; ++i) {
    const ThreadOption& option = kThreadOptions[i];
    if (const char* value = gdal.CPLGetThreadLocalConfigOption(option.key, nullptr)) {
      outer_[i] = value;
    }
    gdal.CPLSetThreadLocalConfigOption(option.key, option.value);
  }
}

GdalThreadOptions::~GdalThreadOptions() {
  for (int i = 0; i < kOptions; ++i) {
    gdal_.CPLSetThreadLocalConfigOption(kThreadOptions[i].key,
                                        outer_[i] ? outer_[i]->c_str() : nullptr);
  }
}

GdalLibrary::GdalLibrary(const std::string& fileName, bool trustedInputs) {
  std::string reason;
  api_ = startGdal(trustedInputs, reason);
  if (!api_) {
    throw Failure(ErrorKind::kOpen, "erreur lors de l'ouverture du fichier " + fileName + "\n",
                  fileName + ": GDAL, which reads this format, cannot be loaded: " + reason + "\n");
  }
}

void GdalLibrary::allowDriver(const char* name) {
  api_->drivers.insert(api_->drivers.end() - 1, name);
}

void checkSource(const Api& gdal, const std::string& fileName) {
  if (const std::string why = refusal(fileName, gdal.trustedInputs, 0); !why.empty()) {
    throw cannotOpen(fileName, why);
  }
  if (gdal.trustedInputs && isVrt(gdal, fileName)) checkVrtSources(gdal, fileName, fileName, 0);
}

GDALDatasetH openRaster(const Api& gdal, const std::string& fileName) {
  return gdal.GDALOpenEx(fileName.c_str(),
                         GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                         gdal.drivers.data(), nullptr, nullptr);
}

Dataset openImage(const Api& gdal, const std::string& fileName, const GdalMessages& messages) {
  checkSource(gdal, fileName);
  Dataset dataset(openRaster(gdal, fileName), DatasetCloser{&gdal});
  if (!dataset) throw readFailure(gdal, fileName, messages);
  return dataset;
}

void checkDriverMemory(const Api& gdal, GDALDatasetH dataset, const std::string& fileName,
                       int bands, int threads) {
  const std::string_view driver = gdal.GDALGetDriverShortName(gdal.GDALGetDatasetDriver(dataset));
  const double width = gdal.GDALGetRasterXSize(dataset);
  const double height = gdal.GDALGetRasterYSize(dataset);
  const int bandCount = gdal.GDALGetRasterCount(dataset);
  GDALRasterBandH band = gdal.GDALGetRasterBand(dataset, 1);
  if (band == nullptr) return;
  const double sampleBytes = gdal.GDALGetDataTypeSizeBytes(gdal.GDALGetRasterDataType(band));
  const std::string size = std::to_string(gdal.GDALGetRasterXSize(dataset)) + " x " +
                           std::to_string(gdal.GDALGetRasterYSize(dataset));
  const std::string rewrite =
      "; rewrite it in tiles, e.g. gdal_translate -co TILED=YES " + fileName + " tiled.tif\n";
  double bytes = 0;
  std::string layout;
  if (driver == "WEBP") {
    bytes = width * height * bandCount;
    layout = "a WebP image of " + size + " pixels, which GDAL decodes whole";
  } else if (driver == "PNG" && isInterlacedPng(firstBytes(gdal, fileName, 29))) {
    // GDAL decodes an interlaced PNG in chunks of rows of up to 100 MB, the whole image when
    // it is smaller.
    const double pixelBytes = bandCount * sampleBytes;
    const double rows = std::min(height, std::max(1.0, std::floor(1e8 / (pixelBytes * width))));
    bytes = pixelBytes * width * rows;
    layout = "an interlaced PNG of " + size + " pixels, which GDAL decodes " + mebibytes(bytes) +
             " at a time";
  } else if (driver == "JPEG" && isProgressiveJpeg(firstBytes(gdal, fileName, 1 << 18))) {
    bytes = width * height * bandCount * 2;  // a 16-bit coefficient per sample
    layout = "a progressive JPEG of " + size + " pixels, whose decoder holds " + mebibytes(bytes);
  } else {
    int blockWidth = 0;
    int blockHeight = 0;
    gdal.GDALGetBlockSize(band, &blockWidth, &blockHeight);
    const char* interleave = gdal.GDALGetMetadataItem(dataset, "INTERLEAVE", "IMAGE_STRUCTURE");
    const bool pixelInterleaved = interleave != nullptr && std::string_view(interleave) == "PIXEL";
    const double block = static_cast<double>(blockWidth) * blockHeight * sampleBytes *
                         (pixelInterleaved ? bandCount : bands);
    // Each reading thread holds a block in GDAL's cache and, compressed or converted, in a
    // buffer of the driver's as large.
    bytes = 2 * block * threads;
    layout = "stored in blocks of " + std::to_string(blockWidth) + " x " +
             std::to_string(blockHeight) + " pixels (" + mebibytes(block) + " each)";
  }
  if (bytes > kDriverBytes) {
    const std::string limit =
        ", more than GDAL may use beyond the pixels (" + mebibytes(kDriverBytes) + ")";
    throw outOfMemory(fileName, fileName + ": " + layout + limit + rewrite);
  }
}

void dropBlocks(const Api& gdal, GDALRasterBandH band, bool wholeBlocks) {
  // Half the drivers' share: a block being read and its neighbours fit beside it.
  if (band == nullptr || (!wholeBlocks && gdal.GDALGetCacheMax64() <= kDriverBytes / 2)) return;
  gdal.GDALFlushRasterCache(band);
}

Failure cannotOpen(const std::string& fileName, const std::string& reason) {
  return Failure(ErrorKind::kOpen, "erreur lors de l'ouverture du fichier " + fileName + "\n",
                 fileName + ": " + reason + "\n");
}

Failure outOfMemory(const std::string& fileName, const std::string& hint) {
  return Failure(ErrorKind::kMemory, "erreur: m\xe9moire insuffisante pour " + fileName + "\n",
                 hint);
}

Failure readFailure(const Api& gdal, const std::string& fileName, const GdalMessages& messages) {
  if (messages.outOfMemory()) {
    return outOfMemory(fileName, fileName + ": " + messages.reason() + "\n");
  }
  errno = 0;
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file && errno != 0 && virtualHandler(fileName).empty() && !isNetworkName(fileName) &&
      !subdatasetFile(fileName)) {
    return cannotOpen(fileName, std::strerror(errno));
  }
  // What the allowed drivers cannot open may be one of the formats they leave out on
  // purpose: say so rather than "not recognised".
  const std::vector<unsigned char> head = firstBytes(gdal, fileName, 1024);
  const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
  if (text.find("<VRTDataset") != std::string_view::npos && !gdal.trustedInputs) {
    return cannotOpen(fileName,
                      "a GDAL virtual dataset (VRT), which can read any file or address: quorvel"
                      " opens one only with --trusted-inputs");
  }
  for (const std::string_view service : {"<GDAL_WMS", "<GDAL_WMTS", "<WCS_GDAL"}) {
    if (text.find(service) != std::string_view::npos) {
      return cannotOpen(fileName, "a web service description, which quorvel never opens");
    }
  }
  const std::string extension = lowerExtension(fileName);
  if (file && (extension == ".r16" || extension == ".raw")) {
    return cannotOpen(fileName, rawHeaderRecipe(fileName));
  }
  if (file && extension == ".zip") return cannotOpen(fileName, zipEntries(gdal, fileName));
  return cannotOpen(fileName, messages.reason());
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

#ifdef QUORVEL_PROJ_AHEAD

struct ProjAhead::Functions {
  decltype(&::proj_context_create) createContext;
  decltype(&::proj_context_destroy) destroyContext;
  decltype(&::proj_create_from_database) fromDatabase;
  decltype(&::proj_destroy) destroy;
  decltype(&::proj_context_set_search_paths) setSearchPaths;
  PJ_CONTEXT* context = nullptr;
};

ProjAhead::ProjAhead() {
  void* proj = dlopen(QUORVEL_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (proj == nullptr) return;
  const auto find = [proj]<class Function>(Function*, const char* name) {
    return std::bit_cast<Function*>(dlsym(proj, name));
  };
  Functions found{find(&::proj_context_create, "proj_context_create"),
                  find(&::proj_context_destroy, "proj_context_destroy"),
                  find(&::proj_create_from_database, "proj_create_from_database"),
                  find(&::proj_destroy, "proj_destroy"),
                  find(&::proj_context_set_search_paths, "proj_context_set_search_paths")};
  if (found.createContext != nullptr && found.destroyContext != nullptr &&
      found.fromDatabase != nullptr && found.destroy != nullptr &&
      found.setSearchPaths != nullptr) {
    found.context = found.createContext();
    if (found.context == nullptr) return;
    // Where the database lies, said outright: PROJ would otherwise ask the system's loader
    // where its library is, which waits until GDAL is loaded.
    const char* const paths[] = {QUORVEL_PROJ_DATA};
    found.setSearchPaths(found.context, 1, paths);
    functions_ = std::make_unique<Functions>(found);
  }
}

void ProjAhead::openDatabase() const {
  if (!functions_) return;
  // What an SRTM tile and most elevation models are georeferenced in.
  if (PJ* crs = functions_->fromDatabase(functions_->context, "EPSG", "4326", PJ_CATEGORY_CRS, 0,
                                         nullptr)) {
    functions_->destroy(crs);
  }
}

#endif

#else

struct GdalLibrary::Api {};

void GdalLibrary::allowDriver(const char*) {}

// Builds made without GDAL (the static cross builds) read BMP files only.
GdalLibrary::GdalLibrary(const std::string& fileName, bool) {
  throw Failure(ErrorKind::kOpen, "erreur lors de l'ouverture du fichier " + fileName + "\n",
                fileName + ": this quorvel was built without GDAL, so it reads BMP files only\n");
}

#endif

GdalLibrary::~GdalLibrary() = default;

#ifndef QUORVEL_PROJ_AHEAD
struct ProjAhead::Functions {};
ProjAhead::ProjAhead() = default;
void ProjAhead::openDatabase() const {}
#endif

ProjAhead::~ProjAhead() {
#ifdef QUORVEL_PROJ_AHEAD
  if (functions_) functions_->destroyContext(functions_->context);
#endif
}

}  // namespace quorvel
