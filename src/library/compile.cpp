#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "image/colour_bands.h"
#include "image/image_loader.h"
#include "image/texture.h"
#include "library/error.h"
#include "library/settings_check.h"
#include "map/altitude_step.h"
#include "map/map_file.h"
#include "map/map_format.h"
#include "map/map_size.h"
#include "map/map_writer.h"
#include "printf_text.h"
#include "quorvel/quorvel.h"
#include "version.h"

namespace quorvel {
namespace {

// Where a compile's lines go: kept for the result, and handed on as they come.
struct Lines {
  CompileResult& result;
  const CompileOptions& options;

  void note(const std::string& line) const {
    result.notes.push_back(line);
    if (options.onNote) options.onNote(line);
  }
  void size(std::int32_t largeur, std::int32_t hauteur) const {
    if (options.onSize) options.onSize(largeur, hauteur);
  }
};

}  // namespace

void checkSettingsFinite(const Settings& settings) {
  for (const float value : {settings.lightDirection.x, settings.lightDirection.y,
                            settings.lightDirection.z, settings.zScaleFactor, settings.seaLevel}) {
    if (!std::isfinite(value)) {
      const std::string text = std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
      throw Failure(ErrorKind::kUsage, "erreur: " + text + " n'est pas un nombre fini\n",
                    "the settings must be finite, at most about 3.4e38 in size\n");
    }
  }
  // What quorvel's options refuse, in the same words.
  const BakedLight& baked = settings.baked;
  if (baked.skyDirections != 0 && baked.skyDirections != 8 && baked.skyDirections != 16) {
    throw Failure(
        ErrorKind::kUsage,
        "erreur: valeur incorrecte pour --sky: " + std::to_string(baked.skyDirections) + "\n",
        "the sky is looked at in 8 or 16 directions, or 0 for none\n");
  }
  if (!std::isfinite(baked.sunDiameter) || !(baked.sunDiameter > 0.0)) {
    throw Failure(
        ErrorKind::kUsage,
        "erreur: valeur incorrecte pour --sun-size: " + printfText("%g", baked.sunDiameter) + "\n",
        "the sun's diameter is a finite number of degrees above 0 (default 0.53)\n");
  }
}

namespace {

CompileResult writeTerrain(const std::string& mapName, const TerrainTextures& images,
                           const Settings& settings, const Lines& lines,
                           ColourBands* colourBands = nullptr) {
  MapWriterOptions writer;
  writer.threads = lines.options.threads;
  writer.colourBands = colourBands;
  CompileResult& result = lines.result;
  result.largeur = (images[0]->fileWidth - 1) / kBlocFilePixels;
  result.hauteur = (images[0]->fileHeight - 1) / kBlocFilePixels;
  writer.onSizeLine = [&](const std::string&) { lines.size(result.largeur, result.hauteur); };
  writeMapFile(mapName,
               Terrain{*images[0], *images[1], *images[2], *images[3], *images[4], settings},
               writer);
  result.map = mapName;
  result.bytes = mapFileBytes(result.largeur, result.hauteur);
  return result;
}

// An image handed over in memory, copied into a record of its own: the map code reads
// packed rows, row 0 first.
class MemoryTexture final : public Texture {
 public:
  MemoryTexture(std::string role, std::int32_t w, std::int32_t h, SampleFormat format, int channels)
      : Texture(std::move(role)) {
    width = fileWidth = w;
    height = fileHeight = h;
    sampleFormat = format;
    bytesPerPixel = sampleBytes(format) * channels;
    bitsPerPixel = 8 * bytesPerPixel;
  }
  void load() override {}
};

// Copies width x height pixels of pixelBytes bytes from data, rows rowStride apart and
// pixels pixelStride apart, into packed rows.
void copyPixels(const void* data, std::int32_t w, std::int32_t h, std::ptrdiff_t rowStride,
                std::ptrdiff_t pixelStride, std::size_t pixelBytes,
                std::vector<std::uint8_t>& out) {
  out.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * pixelBytes);
  const auto* base = static_cast<const std::uint8_t*>(data);
  std::uint8_t* to = out.data();
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* row = base + y * rowStride;
    if (pixelStride == static_cast<std::ptrdiff_t>(pixelBytes)) {
      std::memcpy(to, row, static_cast<std::size_t>(w) * pixelBytes);
      to += static_cast<std::size_t>(w) * pixelBytes;
      continue;
    }
    for (std::int32_t x = 0; x < w; ++x, to += pixelBytes) {
      std::memcpy(to, row + x * pixelStride, pixelBytes);
    }
  }
}

void checkView(const char* role, const void* data, std::int32_t w, std::int32_t h) {
  if (w < 0 || h < 0 || (data == nullptr && w > 0 && h > 0)) {
    const std::string found =
        w < 0 || h < 0 ? "has a size of " + std::to_string(w) + " x " + std::to_string(h)
                       : "has no pixels (a null pointer) for " + std::to_string(w) + " x " +
                             std::to_string(h);
    throw Failure(ErrorKind::kFormat, std::string("erreur: ") + role + " n'est pas une image\n",
                  std::string(role) + ": the view " + found +
                      "; a view needs its pixels and a size of 0 or more\n");
  }
}

// The altitude as a record of a sample format the map code reads: every type keeps its
// values (signed bytes become 16-bit samples), and NaN or an infinity is a pixel without
// altitude.
std::unique_ptr<Texture> altitudeTexture(const AltitudeView& view) {
  checkView("alt", view.data, view.width, view.height);
  struct Type {
    SampleType type;
    SampleFormat format;
    std::size_t bytes;
  };
  constexpr Type kTypes[] = {{SampleType::kInt8, SampleFormat::kInt16, 1},
                             {SampleType::kUInt8, SampleFormat::kUInt8, 1},
                             {SampleType::kInt16, SampleFormat::kInt16, 2},
                             {SampleType::kUInt16, SampleFormat::kUInt16, 2},
                             {SampleType::kInt32, SampleFormat::kInt32, 4},
                             {SampleType::kUInt32, SampleFormat::kUInt32, 4},
                             {SampleType::kFloat32, SampleFormat::kFloat32, 4},
                             {SampleType::kFloat64, SampleFormat::kFloat64, 8}};
  const Type* type = std::find_if(std::begin(kTypes), std::end(kTypes),
                                  [&](const Type& t) { return t.type == view.type; });
  if (type == std::end(kTypes))
    throw Failure(ErrorKind::kFormat, "erreur: alt n'est pas une image d'altitude\n");
  auto texture = std::make_unique<MemoryTexture>("alt", view.width, view.height, type->format, 1);
  const std::ptrdiff_t pixelStride =
      view.pixelStride != 0 ? view.pixelStride : static_cast<std::ptrdiff_t>(type->bytes);
  std::vector<std::uint8_t> samples;
  copyPixels(view.data, view.width, view.height, view.rowStride, pixelStride, type->bytes, samples);
  if (view.type == SampleType::kInt8) {
    texture->pixels.resize(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const auto wide = static_cast<std::int16_t>(static_cast<std::int8_t>(samples[i]));
      std::memcpy(texture->pixels.data() + 2 * i, &wide, 2);
    }
  } else {
    texture->pixels = std::move(samples);
  }
  // Pixels without altitude, and the first of them in the array's own order (row 0 first, as
  // numpy counts rows), which is where its caller looks.
  long long count = 0;
  long long first = 0;
  visitSample(texture->sampleFormat, [&]<class Sample>(Sample) {
    if constexpr (std::is_floating_point_v<Sample>) {
      const std::size_t n = texture->pixels.size() / sizeof(Sample);
      for (std::size_t i = 0; i < n; ++i) {
        Sample value;
        std::memcpy(&value, texture->pixels.data() + i * sizeof(Sample), sizeof value);
        if (std::isfinite(value)) continue;
        if (count == 0) first = static_cast<long long>(i);
        ++count;
      }
    }
  });
  if (count > 0) {
    throw Failure(ErrorKind::kNoData,
                  "erreur: alt contient " + std::to_string(count) + " pixels sans altitude\n",
                  "alt: the first pixel without altitude is row " +
                      std::to_string(first / view.width) + ", column " +
                      std::to_string(first % view.width) +
                      " (row 0 the array's first, the south edge); NaN and infinities are not"
                      " altitudes\n");
  }
  return texture;
}

std::unique_ptr<Texture> colourTexture(const char* role, const ColourView& view,
                                       const Texture& alt) {
  checkView(role, view.data, view.width, view.height);
  if (view.width != alt.width || view.height != alt.height) {
    throw Failure(ErrorKind::kSize, std::string("erreur: ") + role + " n'a pas la taille de alt\n",
                  std::string(role) + " has " + std::to_string(view.height) + " rows and " +
                      std::to_string(view.width) + " columns, alt " + std::to_string(alt.height) +
                      " and " + std::to_string(alt.width) +
                      ": every colour array must have the altitude's rows and columns\n");
  }
  auto texture =
      std::make_unique<MemoryTexture>(role, view.width, view.height, SampleFormat::kUInt8, 3);
  copyPixels(view.data, view.width, view.height, view.rowStride,
             view.pixelStride != 0 ? view.pixelStride : 3, 3, texture->pixels);
  return texture;
}

// A map that cannot be made is found out before the images are read, but reported where
// it always was: after the refusals of the images' headers, depths and sizes, which come
// first when both are wrong. Only the checks that read pixels (holes, heights out of range)
// are skipped, since they are the work the early look saves.
[[noreturn]] void refuseAfterHeaders(ImageLoader& loader, const ImageNames& names,
                                     const Failure& uncreatable) {
  const KeepWindow none{0, 0, false};
  const TerrainTextures headers =
      loader.loadTerrain(names, KeepRule{none, [none](const Texture&) { return none; }, true});
  const Texture& alt = *headers[0];
  if (const char* refusal = mapSizeRefusal(alt.fileWidth, alt.fileHeight)) {
    throw Failure(ErrorKind::kSize, refusal, altitudeSizeHint(alt));
  }
  checkColourSizes(Terrain{alt, *headers[1], *headers[2], *headers[3], *headers[4], {}});
  throw uncreatable;
}

}  // namespace

const char* version() { return kVersion; }


Error::Error(const std::string& message, std::string hint, ErrorKind kind)
    : std::runtime_error(message), hint_(std::move(hint)), kind_(kind) {}

const char* errorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kOpen:
      return "open";
    case ErrorKind::kFormat:
      return "format";
    case ErrorKind::kSize:
      return "size";
    case ErrorKind::kNoData:
      return "nodata";
    case ErrorKind::kRange:
      return "range";
    case ErrorKind::kMemory:
      return "memory";
    case ErrorKind::kWrite:
      return "write";
    case ErrorKind::kUsage:
      return "usage";
  }
  return "format";
}

CompileResult compileFiles(const ImageFiles& files, const Settings& settings,
                           const CompileOptions& options) {
  CompileResult result;
  const Lines lines{result, options};
  try {
    checkSettingsFinite(settings);
    // The altitude image decides how much of each image is kept: memory follows the map,
    // not what the headers claim.
    ImageLoader loader([&](const std::string& line) { lines.note(line); },
                       ImageLoaderOptions{options.trustedInputs, [](const Texture& alt) {
                                            const AltitudeReach reach = sixteenBitReach(alt, 1);
                                            return std::array{reach.step, reach.rise};
                                          }});
    const ImageNames names = imageNamesOf(files);
    const std::string mapName = files.prefix + ".map";
    if (const std::optional<Failure> uncreatable = mapCreationFailure(mapName)) {
      refuseAfterHeaders(loader, names, *uncreatable);
    }
    // Colour BMPs are read a band at a time as the map is encoded, into a few buffers used
    // again: never all of their pixels at once.
    const bool byBand = coloursReadableByBand(names);
    const TerrainTextures images =
        loader.loadTerrain(names, KeepRule{altitudeKeepWindow(), colourKeepWindow, byBand});
    std::unique_ptr<BmpColourBands> bands;
    if (byBand) {
      bands = std::make_unique<BmpColourBands>(
          ColourImages{images[1], images[2], images[3], images[4]},
          colourKeepWindow(*images[0]).columns, kColourBandSlots,
          kBlocFilePixels + 1);  // each blocFile's colours in a few pages
    }
    return writeTerrain(mapName, images, settings, lines, bands.get());
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

CompileResult compileRasters(const std::string& mapPath, const TerrainViews& views,
                             const Settings& settings, const CompileOptions& options) {
  CompileResult result;
  const Lines lines{result, options};
  try {
    checkSettingsFinite(settings);
    const std::unique_ptr<Texture> alt = altitudeTexture(views.alt);
    const std::unique_ptr<Texture> difMat = colourTexture("difmat", views.difmat, *alt);
    const std::unique_ptr<Texture> ambMat = colourTexture("ambmat", views.ambmat, *alt);
    const std::unique_ptr<Texture> difLight = colourTexture("diflight", views.diflight, *alt);
    const std::unique_ptr<Texture> ambLight = colourTexture("amblight", views.amblight, *alt);
    // The writer checks the size again, but its hint speaks of files.
    if (const char* refusal = mapSizeRefusal(alt->width, alt->height)) {
      throw Failure(ErrorKind::kSize, refusal, arraySizeHint(alt->width, alt->height));
    }
    return writeTerrain(mapPath,
                        {alt.get(), difMat.get(), ambMat.get(), difLight.get(), ambLight.get()},
                        settings, lines);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

}  // namespace quorvel
