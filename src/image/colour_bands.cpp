#include "image/colour_bands.h"

#include <string>

#include "failure.h"
#include "image/bmp_reader.h"

namespace quorvel {

BmpColourBands::BmpColourBands(const ColourImages& headers, std::int32_t columns, int slots)
    : headers_(headers), columns_(columns), bands_(static_cast<std::size_t>(kColourRoles * slots)) {
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
  const KeepWindow window{columns_, rows, false, 0, y0};
  std::unique_ptr<BmpTexture>& band = bands_[static_cast<std::size_t>(kColourRoles * slot + role)];
  const NoteSink dropped = [](const std::string&) {};  // the first load gave the notes
  if (band) {
    band->loadWindow(window);
  } else {
    band = std::make_unique<BmpTexture>(header.fileName, window, nullptr, dropped);
  }
  // A file rewritten since its headers were read would leave the encoder short of pixels.
  if (band->fileWidth != header.fileWidth || band->fileHeight != header.fileHeight ||
      band->bytesPerPixel != header.bytesPerPixel || band->width != columns_ ||
      band->height != rows) {
    throw Failure(header.fileName + " n'est pas un fichier bmp valide\n",
                  header.fileName + " changed while it was read: it was " +
                      std::to_string(header.fileWidth) + " x " + std::to_string(header.fileHeight) +
                      " pixels, and is now " + std::to_string(band->fileWidth) + " x " +
                      std::to_string(band->fileHeight) + "\n");
  }
}

const Texture& BmpColourBands::image(int slot, int role) const {
  return *bands_[static_cast<std::size_t>(kColourRoles * slot + source_[role])];
}

}  // namespace quorvel
