#include "image/image_loader.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <latch>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "failure.h"
#include "image/bmp_reader.h"
#include "image/raster_reader.h"
#include "image/samples_ahead.h"
#include "page_advice.h"
#include "printf_text.h"
#include "worker_threads.h"

namespace quorvel {

ImageLoader::ImageLoader(NoteSink notes, ImageLoaderOptions options)
    : options_(options), notes_(std::move(notes)) {}

// The prepared buffers' thread stops before the records go.
ImageLoader::~ImageLoader() = default;

namespace {

// The bytes of a local regular file read through GDAL, as a guess of its samples' bytes, when
// they are no more than the window may keep at the largest sample (8 bytes); else 0.
std::size_t samplePagesGuess(const std::string& fileName, const KeepWindow& keep) {
  if (fileName.find(':') != std::string::npos || fileName.starts_with("/vsi")) return 0;
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return 0;
  const std::uintmax_t bytes = std::filesystem::file_size(fileName, error);
  const std::uintmax_t pixels = static_cast<std::uintmax_t>(std::max(keep.columns, 0)) *
                                static_cast<std::uintmax_t>(std::max(keep.rows, 0));
  return error || (bytes + 7) / 8 > pixels ? 0 : static_cast<std::size_t>(bytes);
}

// Samples read ahead seen as an altitude, for the functions that take one.
class SamplesView final : public Texture {
 public:
  explicit SamplesView(SamplesAhead& ahead) : Texture("(samples read ahead)"), ahead_(ahead) {
    width = fileWidth = height = fileHeight = ahead.side;
    sampleFormat = SampleFormat::kInt16;
    bytesPerPixel = 2;
    bitsPerPixel = 16;
    pixels.swap(ahead.pixels);
  }
  ~SamplesView() override { pixels.swap(ahead_.pixels); }
  SamplesView(const SamplesView&) = delete;
  SamplesView& operator=(const SamplesView&) = delete;
  void load() override {}

 private:
  SamplesAhead& ahead_;
};

// Reserves the memory of an altitude's samples, guessed from its file's bytes, and makes its
// first pages: no more than kReadySpareBytes, which the memory bound leaves beyond the pixels
// whatever the file turns out to keep (two bands, overviews, a picture too large for the
// window). The reader makes the rest once it knows the kept samples. What is reserved without
// pages is not resident, but counts against a limit of the address space: under one, nothing
// is made ahead (addressSpaceLimited).
void makeSamplePagesAhead(std::vector<std::uint8_t>& ready, std::size_t guess) {
  const std::size_t made = std::min(guess, kReadySpareBytes);
  ready.reserve(guess);  // allocates without touching a page
  adviseHugePages(ready.data(), ready.capacity());
  populatePages(ready.data(), made);
  ready.resize(made);
}

bool addressSpaceLimited() {
  rlimit limit{};
  return ::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY;
}

}  // namespace

const Texture& ImageLoader::load(const std::string& fileName, RasterKind kind,
                                 const KeepWindow& keep, const ImageGrid& grid) {
  const bool bmp = isBmpName(fileName);
  const bool placed = kind == RasterKind::kColour && !bmp;
  for (const Record& record : records_) {
    const Texture& texture = *record.texture;
    if (record.kind == kind && texture.fileName == fileName && (!placed || record.grid == grid) &&
        texture.x0 == keep.x0 && texture.y0 == keep.y0 &&
        keptSize(keep, texture.fileWidth, texture.fileHeight) ==
            std::pair{texture.width, texture.height}) {
      return texture;
    }
  }
  std::unique_ptr<Texture> texture;
  if (bmp) {
    texture = std::make_unique<BmpTexture>(fileName, keep, &buffers_, notes_, &rings_);
  } else {
    SamplesAhead ready;
    if (!gdal_) {
      // GDAL and its libraries take tens of milliseconds to load, on one core: meanwhile
      // another makes ready the memory of an altitude's samples, as much as the file's bytes
      // (an uncompressed model's samples, and its header), which the reader takes when it
      // fits. An SRTM tile, known by its name and length, is read into it then, and its
      // voids looked for: the reader keeps the samples once GDAL has found the same. Where no
      // other thread can be had, the guess is left alone rather than made after.
      // Under a limit of the address space, a second thread's stack and heap taken while GDAL
      // loads could leave GDAL's libraries too little of it, now and then: nothing is made
      // ahead there.
      const std::size_t guess = kind == RasterKind::kAltitude && !addressSpaceLimited()
                                    ? samplePagesGuess(fileName, keep)
                                    : 0;
      const int side = guess > 0 ? srtmSideGuess(fileName) : 0;
      // Such a tile is georeferenced, so PROJ's database is opened there too, once the tile
      // is read; PROJ is loaded here, before GDAL, as GDAL's loading would have done (two
      // loads at once would only wait for each other). The other core starts first: a thread
      // made while this one loads can wait milliseconds for its core, and its work is as long
      // as the loading. Files that may not be georeferenced leave PROJ to GDAL.
      std::optional<ProjAhead> proj;
      std::latch projLoaded(1);
      const std::thread::id caller = std::this_thread::get_id();
      runJobs(guess > 0 ? 2 : 1, 2, [&](int job) {
        if (job == 0) {
          try {
            if (side > 0) proj.emplace();
          } catch (...) {
            projLoaded.count_down();
            throw;
          }
          projLoaded.count_down();
          gdal_ = std::make_unique<GdalLibrary>(fileName, options_.trustedInputs);
          return;
        }
        if (std::this_thread::get_id() == caller) return;
        try {
          if (side > 0) {
            readSrtmAhead(fileName, side, ready);
            if (ready.side > 0 && options_.sixteenBitReach) {
              ready.reach16 = options_.sixteenBitReach(SamplesView(ready));
            }
          } else {
            makeSamplePagesAhead(ready.pixels, guess);
          }
        } catch (const std::bad_alloc&) {
          ready = {};  // only a guess: the reader makes its own pages
        }
        projLoaded.wait();
        if (proj) proj->openDatabase();
      });
    }
    texture =
        std::make_unique<RasterTexture>(fileName, kind, keep, *gdal_, notes_,
                                        placed ? grid : ImageGrid{}, nullptr, std::move(ready));
  }
  records_.push_back(Record{kind, placed ? grid : ImageGrid{}, std::move(texture)});
  return *records_.back().texture;
}

namespace {

// A BMP of the wrong depth: the depth found, and what to do about it. The reader takes
// only 8 and 24 bits, so an altitude found wrong is 24-bit and a colour image 8-bit.
Failure wrongDepth(const std::string& fileName, RasterKind kind, int bits) {
  const std::string found =
      std::string(bits == 8 ? ": is an " : ": is a ") + std::to_string(bits) + "-bit BMP";
  if (kind == RasterKind::kAltitude) {
    return Failure(ErrorKind::kFormat, "erreur: " + fileName + " n'est pas un bmp 8bit\n",
                   fileName + found +
                       " (colour), and an altitude BMP holds one grey level a"
                       " pixel (8 bits). For a grey picture saved in colour, gdal_translate -b 1 " +
                       fileName +
                       " alt8.bmp keeps its levels; altitudes finer than 256 levels can be given"
                       " in another format (a 16-bit PNG or GeoTIFF), read through GDAL\n");
  }
  return Failure(ErrorKind::kFormat, "erreur: " + fileName + " n'est pas un bmp 24bit\n",
                 fileName + found +
                     " (grey or paletted), and a colour BMP holds red, green and"
                     " blue a pixel (24 bits). gdal_translate -expand rgb " +
                     fileName +
                     " colour24.bmp writes its colours; a PNG, grey or paletted, is read as it"
                     " is\n");
}

// Colour images taken pixel for pixel, as a BMP always is, use only what the altitude covers.
void noteLargerImage(const Texture& image, const Texture& alt) {
  if (image.fileWidth < alt.fileWidth || image.fileHeight < alt.fileHeight ||
      (image.fileWidth == alt.fileWidth && image.fileHeight == alt.fileHeight)) {
    return;
  }
  image.note(
      printfText("%s is %d x %d pixels, %s %d x %d: only its bottom-left %d x %d pixels"
                 " are used",
                 image.fileName.c_str(), image.fileWidth, image.fileHeight, alt.fileName.c_str(),
                 alt.fileWidth, alt.fileHeight, alt.fileWidth, alt.fileHeight));
}

// DifLight and AmbLight are the images a user most often has not made yet, and most
// terrains want them uniform: a missing one points to the README's recipe.
constexpr std::size_t kFirstLightRole = 3;

template <class Load>
const Texture* withLightRecipe(const Load& load) {
  try {
    return load();
  } catch (const Failure& failure) {
    if (failure.kind() != ErrorKind::kOpen) throw;
    std::string hint = failure.hint();
    if (hint.ends_with('\n')) hint.pop_back();
    throw Failure(failure.kind(), failure.what(),
                  (hint.empty() ? "" : hint + "; ") +
                      "light images of one colour are made in one command: see \"Light "
                      "images\" in the README\n",
                  failure.exitCode());
  }
}

}  // namespace

std::unique_ptr<Texture> ImageLoader::loadWindow(const std::string& fileName, RasterKind kind,
                                                 const KeepWindow& window, const ImageGrid& grid,
                                                 AltitudeHoles* holes,
                                                 std::unique_ptr<Texture> reuse) const {
  const NoteSink dropped = [](const std::string&) {};
  if (isBmpName(fileName)) {
    if (auto* bmp = dynamic_cast<BmpTexture*>(reuse.get());
        bmp != nullptr && bmp->fileName == fileName) {
      bmp->loadWindow(window);
      return reuse;
    }
    return std::make_unique<BmpTexture>(fileName, window, nullptr, dropped, &rings_);
  }
  if (!gdal_)
    throw Failure(ErrorKind::kOpen, "erreur lors de l'ouverture du fichier " + fileName + "\n");
  return std::make_unique<RasterTexture>(fileName, kind, window, *gdal_, dropped,
                                         kind == RasterKind::kColour ? grid : ImageGrid{}, holes);
}

TerrainTextures ImageLoader::loadTerrain(const ImageNames& names, const KeepRule& keep) {
  // BMPs keep their reader and its depth messages; other files are read through GDAL, which
  // refuses what cannot be an altitude or colour image itself.
  const auto checked = [this](const std::string& fileName, RasterKind kind,
                              const KeepWindow& window, const ImageGrid& grid) -> const Texture* {
    const Texture& texture = load(fileName, kind, window, grid);
    const int bitsPerPixel = kind == RasterKind::kAltitude ? 8 : 24;
    if (isBmpName(fileName) && texture.bitsPerPixel != bitsPerPixel) {
      throw wrongDepth(fileName, kind, texture.bitsPerPixel);
    }
    return &texture;
  };
  if (!keep.colourHeadersOnly) prepareColourBuffers(names, keep.altitude);
  TerrainTextures textures{};
  textures[0] = checked(names[0], RasterKind::kAltitude, keep.altitude, {});
  const Texture& alt = *textures[0];
  const KeepWindow colour = keep.colour(alt);
  const KeepWindow loaded = keep.colourHeadersOnly ? KeepWindow{0, 0, false} : colour;
  if (loaded.columns == 0) buffers_.prepare({});  // no colour pixel is kept now
  const ImageGrid grid = gridOf(alt);
  for (std::size_t role = 1; role < names.size(); ++role) {
    textures[role] = role < kFirstLightRole
                         ? checked(names[role], RasterKind::kColour, loaded, grid)
                         : withLightRecipe([&] {
                             return checked(names[role], RasterKind::kColour, loaded, grid);
                           });
    const Texture& image = *textures[role];
    const bool placed = alt.georeference && image.georeference;
    const bool first =
        std::find(textures.begin() + 1, textures.begin() + role, &image) == textures.begin() + role;
    if (!placed && first && colour.columns != 0) noteLargerImage(image, alt);
  }
  return textures;
}

// The colour BMPs' memory is made ready on another core while the altitude image loads
// (through GDAL, that core would otherwise wait for the library to load). Sized from the
// files themselves, which opens none of them (a named pipe is read once, in its turn): at
// most what a file holds, and at most a colour image as large as the altitude's window. One
// buffer a distinct file, as a file named twice is loaded once; a load that keeps less gives
// the rest back.
void ImageLoader::prepareColourBuffers(const ImageNames& names, const KeepWindow& altitude) {
  const std::uintmax_t largest = static_cast<std::uintmax_t>(altitude.columns) *
                                 static_cast<std::uintmax_t>(altitude.rows) * 3;
  std::vector<PreparedFile> files;
  for (std::size_t role = 1; role < names.size(); ++role) {
    const std::string& name = names[role];
    const auto known = [&](const PreparedFile& file) { return file.fileName == name; };
    if (name == names[0] || !isBmpName(name) || std::any_of(files.begin(), files.end(), known)) {
      continue;
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(name, error);
    if (error || !std::filesystem::is_regular_file(status)) continue;
    const std::uintmax_t bytes = std::filesystem::file_size(name, error);
    if (error) continue;
    files.push_back({name, static_cast<std::size_t>(std::min(bytes, largest))});
  }
  buffers_.prepare(std::move(files));
}

ImageNames imageNamesOf(const ImageFiles& files) {
  const std::array<std::pair<const std::optional<std::string>*, const char*>, kImageRoles> roles{{
      {&files.alt, "alt"},
      {&files.difmat, "DifMat"},
      {&files.ambmat, "AmbMat"},
      {&files.diflight, "DifLight"},
      {&files.amblight, "AmbLight"},
  }};
  ImageNames names;
  for (std::size_t role = 0; role < roles.size(); ++role) {
    const auto& [given, suffix] = roles[role];
    names[role] = given->has_value() ? **given : files.prefix + suffix + "." + files.ext;
  }
  return names;
}

void checkWindowUnchanged(const Texture& header, const Texture& window, std::int32_t columns,
                          std::int32_t rows) {
  if (window.fileWidth == header.fileWidth && window.fileHeight == header.fileHeight &&
      window.bytesPerPixel == header.bytesPerPixel && window.width == columns &&
      window.height == rows) {
    return;
  }
  const std::string& name = header.fileName;
  const std::string message = isBmpName(name)
                                  ? name + " n'est pas un fichier bmp valide\n"
                                  : "erreur lors de l'ouverture du fichier " + name + "\n";
  throw Failure(isBmpName(name) ? ErrorKind::kFormat : ErrorKind::kOpen, message,
                name + " changed while it was read: it was " + std::to_string(header.fileWidth) +
                    " x " + std::to_string(header.fileHeight) + " pixels of " +
                    std::to_string(header.bytesPerPixel) + " bytes, and is now " +
                    std::to_string(window.fileWidth) + " x " + std::to_string(window.fileHeight) +
                    " of " + std::to_string(window.bytesPerPixel) + "\n");
}

bool coloursReadableByBand(const ImageNames& names) {
  for (std::size_t role = 1; role < names.size(); ++role) {
    std::error_code error;
    if (names[role] == names[0] || !isBmpName(names[role]) ||
        !std::filesystem::is_regular_file(names[role], error)) {
      return false;
    }
  }
  return true;
}

bool isBmpName(const std::string& fileName) {
  if (fileName.size() < 4) return false;
  std::string end = fileName.substr(fileName.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return end == ".bmp";
}

}  // namespace quorvel
