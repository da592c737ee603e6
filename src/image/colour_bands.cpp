#include "image/colour_bands.h"

#include <string>

#include "image/bmp_reader.h"
#include "image/image_loader.h"

namespace quorvel {

BmpColourBands::BmpColourBands(const ColourImages& headers, std::int32_t columns, int slots,
                               std::int32_t blockColumns)
    : headers_(headers),
      columns_(columns),
      blockColumns_(blockColumns),
      bands_(static_cast<std::size_t>(kColourRoles * slots)) {
  for (int role = 0; role < kColourRoles; ++role) {
    source_[role] = role;
    for (int earlier = 0; earlier < role; ++earlier) {
      if (headers_[earlier]->fileName == headers_[role]->fileName) {
        source_[role] = earlier;
        break;
      }
    }
  }
}

BmpColourBands::~BmpColourBands() = default;

void BmpColourBands::read(int slot, int role, std::int32_t y0, std::int32_t rows) {
  if (source_[role] != role) return;
  const Texture& header = *headers_[role];
  const KeepWindow window{columns_, rows, false, 0, y0, blockColumns_};
  std::unique_ptr<BmpTexture>& band = bands_[static_cast<std::size_t>(kColourRoles * slot + role)];
  if (band) {
    band->loadWindow(window);
  } else {
    const NoteSink dropped = [](const std::string&) {};  // the first load gave the notes
    band = std::make_unique<BmpTexture>(header.fileName, window, nullptr, dropped);
  }
  checkWindowUnchanged(header, *band, columns_, rows);
}

const Texture& BmpColourBands::image(int slot, int role) const {
  return *bands_[static_cast<std::size_t>(kColourRoles * slot + source_[role])];
}

}  // namespace quorvel
