#include "image/image_loader.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "failure.h"
#include "image/bmp_reader.h"
#include "image/raster_reader.h"

namespace quorvel {

ImageLoader::ImageLoader(NoteSink notes, ImageLoaderOptions options)
    : options_(options), notes_(std::move(notes)) {}

// The prepared buffers' thread stops before the records go.
ImageLoader::~ImageLoader() = default;

const Texture& ImageLoader::load(const std::string& fileName, RasterKind kind,
                                 const KeepWindow& keep) {
  for (const Record& record : records_) {
    const Texture& texture = *record.texture;
    if (record.kind == kind && texture.fileName == fileName &&
        keptSize(keep, texture.fileWidth, texture.fileHeight) ==
            std::pair{texture.width, texture.height}) {
      return texture;
    }
  }
  std::unique_ptr<Texture> texture;
  if (isBmpName(fileName)) {
    texture = std::make_unique<BmpTexture>(fileName, keep, &buffers_, notes_);
  } else {
    if (!gdal_) gdal_ = std::make_unique<GdalLibrary>(fileName, options_.trustedInputs);
    texture = std::make_unique<RasterTexture>(fileName, kind, keep, *gdal_, notes_);
  }
  records_.push_back(Record{kind, std::move(texture)});
  return *records_.back().texture;
}

TerrainTextures ImageLoader::loadTerrain(const ImageNames& names, const KeepRule& keep) {
  // BMPs keep their reader and its depth messages; other files are read through GDAL, which
  // refuses what cannot be an altitude or colour image itself.
  const auto checked = [this](const std::string& fileName, RasterKind kind,
                              const KeepWindow& window) -> const Texture* {
    const Texture& texture = load(fileName, kind, window);
    const int bitsPerPixel = kind == RasterKind::kAltitude ? 8 : 24;
    if (isBmpName(fileName) && texture.bitsPerPixel != bitsPerPixel) {
      throw Failure("erreur: " + fileName + " n'est pas un bmp " + std::to_string(bitsPerPixel) +
                    "bit\n");
    }
    return &texture;
  };
  prepareColourBuffers(names, keep.altitude);
  TerrainTextures textures{};
  textures[0] = checked(names[0], RasterKind::kAltitude, keep.altitude);
  const KeepWindow colour = keep.colour(*textures[0]);
  if (colour.columns == 0) buffers_.prepare({});  // no map: no colour pixel is kept
  for (std::size_t role = 1; role < names.size(); ++role) {
    textures[role] = checked(names[role], RasterKind::kColour, colour);
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

bool isBmpName(const std::string& fileName) {
  if (fileName.size() < 4) return false;
  std::string end = fileName.substr(fileName.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return end == ".bmp";
}

}  // namespace quorvel
