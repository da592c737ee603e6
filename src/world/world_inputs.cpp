#include "world/world_inputs.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <utility>

#include "failure.h"
#include "map/map_format.h"
#include "map/map_writer.h"
#include "world/sha256.h"
#include "world/world_files.h"

namespace quorvel {
namespace {

void putText(Sha256& sha, const std::string& text) {
  const std::string sized = std::to_string(text.size()) + ":" + text;
  sha.update(sized.data(), sized.size());
}

void putNumber(Sha256& sha, std::int64_t value) { putText(sha, std::to_string(value)); }

// What an image's header says that its pixels do not.
void putHeader(Sha256& sha, const Texture& header) {
  for (const std::int64_t value :
       {std::int64_t{header.fileWidth}, std::int64_t{header.fileHeight},
        std::int64_t{header.bitsPerPixel}, std::int64_t{header.bytesPerPixel},
        static_cast<std::int64_t>(header.sampleFormat)}) {
    putNumber(sha, value);
  }
  putNumber(sha, header.georeference ? 1 : 0);
  if (header.georeference) {
    for (const double value : header.georeference->transform) {
      putNumber(sha, std::bit_cast<std::int64_t>(value));
    }
    putText(sha, header.georeference->crs);
  }
}

}  // namespace

WorldInputs::WorldInputs(const ImageFiles& files, std::int32_t tileSize, bool trustedInputs,
                         NoteSink notes)
    : loader_(std::move(notes), ImageLoaderOptions{trustedInputs, {}}),
      names_(imageNamesOf(files)) {
  std::array<std::optional<FileIdentity>, kImageRoles> identities;
  bool vouched = !trustedInputs;
  for (std::size_t role = 0; role < names_.size(); ++role) {
    identities[role] = identityOf(names_[role]);
    vouched = vouched && identities[role].has_value();
    if (identities[role]) newestCtime_ = std::max(newestCtime_, identities[role]->ctimeNs);
  }
  const KeepWindow none{0, 0, false};
  headers_ = loader_.loadTerrain(names_, KeepRule{none, [none](const Texture&) { return none; }});
  const Texture& alt = *headers_[0];
  const Terrain terrain{*headers_[0], *headers_[1], *headers_[2], *headers_[3], *headers_[4], {}};
  checkTerrainDepths(terrain);
  checkWorldSize(alt);
  checkColourSizes(terrain);
  plan_ = planTiles(alt.fileWidth, alt.fileHeight, tileSize);
  grid_ = gridOf(alt);
  if (!vouched) return;
  Sha256 all;
  for (std::size_t role = 0; role < names_.size(); ++role) {
    Sha256 one;
    const FileIdentity& id = *identities[role];
    putText(one, names_[role]);
    for (const std::int64_t value : {id.size, id.mtimeNs, id.ctimeNs}) putNumber(one, value);
    for (const std::uint64_t value : {id.inode, id.device}) putText(one, std::to_string(value));
    putHeader(one, *headers_[role]);
    const std::string key = hexDigest(one.finish());
    if (role == 0) altitudeKey_ = key;
    putText(all, key);
  }
  filesKey_ = hexDigest(all.finish());
}

std::unique_ptr<Texture> WorldInputs::altitudeWindow(const PixelWindow& window,
                                                     AltitudeHoles* holes,
                                                     std::unique_ptr<Texture> reuse) const {
  return loader_.loadWindow(names_[0], RasterKind::kAltitude,
                            KeepWindow{window.width, window.height, false, window.x0, window.y0},
                            {}, holes, std::move(reuse));
}

TileInputs WorldInputs::load(std::int32_t index) {
  const PixelWindow apron = plan_.apron(index);
  const PixelWindow own = plan_.window(index);
  TileInputs old;
  {
    const std::lock_guard lock(spareMutex_);
    if (!spare_.empty()) {
      old = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  TileInputs inputs;
  inputs.alt = loader_.loadWindow(names_[0], RasterKind::kAltitude,
                                  KeepWindow{apron.width, apron.height, false, apron.x0, apron.y0},
                                  {}, nullptr, std::move(old.alt));
  checkWindowUnchanged(*headers_[0], *inputs.alt, apron.width, apron.height);
  inputs.roles[0] = inputs.alt.get();
  std::map<std::string, const Texture*> read;
  for (std::size_t role = 1; role < names_.size(); ++role) {
    const Texture*& image = read[names_[role]];
    if (image == nullptr) {
      // Every tile reads the same files in the same order: the n-th is the n-th of old.
      // A BMP's colours are kept in blocks of a blocFile's columns, as quorvel's bands are: the
      // encoder then reads each blocFile's as one run of memory, which the processor fetches
      // ahead, where a tile's rows lie kilobytes apart. Their digest is that of the rows. Only
      // speed.
      const std::size_t n = inputs.owned.size();
      inputs.owned.push_back(loader_.loadWindow(
          names_[role], RasterKind::kColour,
          KeepWindow{own.width, own.height, false, own.x0, own.y0, kBlocFilePixels + 1}, grid_,
          nullptr,
          n < old.owned.size() ? std::move(old.owned[n]) : nullptr));
      image = inputs.owned.back().get();
      checkWindowUnchanged(*headers_[role], *image, own.width, own.height);
    }
    inputs.roles[role] = image;
  }
  return inputs;
}

void WorldInputs::giveBack(TileInputs inputs) {
  const std::lock_guard lock(spareMutex_);
  spare_.push_back(std::move(inputs));
}

std::string WorldInputs::warpedFileHash(const Texture& image) {
  const std::lock_guard lock(hashesMutex_);
  std::string& hash = fileHashes_[image.fileName];
  if (hash.empty()) {
    const auto hashed = hashFile(image.fileName);
    if (!hashed)
      throw Failure(ErrorKind::kOpen,
                    "erreur lors de l'ouverture du fichier " + image.fileName + "\n");
    hash = hashed->second;
  }
  return hash;
}

}  // namespace quorvel
