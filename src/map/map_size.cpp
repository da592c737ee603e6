#include "map/map_size.h"

#include <limits>

#include "map/map_format.h"

namespace quorvel {
namespace {

constexpr std::int32_t kMaxSide = kMaxBlocFiles * kBlocFilePixels + 1;

bool sideFits(std::int32_t side) {
  return side >= 1 && (side - 1) % kBlocFilePixels == 0 && side <= kMaxSide;
}

// A world has no largest side, but its smallest is one blocFile.
constexpr std::int32_t kWorldMinSide = kBlocFilePixels + 1;
constexpr std::int32_t kNoMaxSide = std::numeric_limits<std::int32_t>::max();

// The valid side nearest to side; a tie goes to the larger, which loses no detail.
std::int32_t nearestSide(std::int32_t side, std::int32_t minSide, std::int32_t maxSide) {
  if (side <= minSide) return minSide;
  if (side >= maxSide) return maxSide;
  const std::int64_t below = (side - 1) / kBlocFilePixels * kBlocFilePixels + 1;
  const std::int64_t above = below + kBlocFilePixels;
  return static_cast<std::int32_t>(side - below < above - side || above > maxSide ? below : above);
}

// "the width 150 is not 50 n + 1 (101 or 151)", or empty when the side fits.
std::string sideProblem(const char* name, std::int32_t side, std::int32_t minSide,
                        std::int32_t maxSide) {
  if (side >= minSide && (side - 1) % kBlocFilePixels == 0 && side <= maxSide) return {};
  std::string text = std::string("the ") + name + " " + std::to_string(side);
  if (side > maxSide) return text + " is over 5001 pixels (100 blocFiles); ";
  if (side < minSide && minSide > 1) return text + " is less than one blocFile (51 pixels); ";
  if (side <= 1) return text + " is not 50 n + 1 (1 or 51); ";
  const std::int64_t below = (side - 1) / kBlocFilePixels * kBlocFilePixels + 1;
  return text + " is not 50 n + 1 (" + std::to_string(below) + " or " +
         std::to_string(below + kBlocFilePixels) + "); ";
}

std::string size(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// An altitude larger than the largest map keeps every pixel only as a world's maps.
std::string worldAdvice(std::int32_t width, std::int32_t height, std::int32_t maxSide,
                        const char* how) {
  if (width <= maxSide && height <= maxSide) return {};
  return std::string("; or keep every pixel: ") + how +
         " cuts an altitude of any size into the maps of a world";
}

// The sizes found and the nearest size that fits, with sides from minSide to maxSide.
std::string sizeHint(const Texture& alt, std::int32_t minSide, std::int32_t maxSide) {
  const std::int32_t width = nearestSide(alt.fileWidth, minSide, maxSide);
  const std::int32_t height = nearestSide(alt.fileHeight, minSide, maxSide);
  // GDAL writes bytes only into a BMP: wider samples go to a GeoTIFF, which keeps their type.
  const bool bytes = alt.sampleFormat == SampleFormat::kUInt8;
  return alt.fileName + " is " + size(alt.fileWidth, alt.fileHeight) + " pixels: " +
         sideProblem("width", alt.fileWidth, minSide, maxSide) +
         sideProblem("height", alt.fileHeight, minSide, maxSide) +
         "resize it, for example: gdal_translate " + (bytes ? "-of BMP " : "") + "-outsize " +
         std::to_string(width) + " " + std::to_string(height) + (bytes ? " " : " -r bilinear ") +
         alt.fileName + (bytes ? " resized.bmp" : " resized.tif") +
         worldAdvice(alt.fileWidth, alt.fileHeight, maxSide, "quorvel-world") + "\n";
}

}  // namespace

bool mapSizeFits(std::int32_t width, std::int32_t height) {
  return sideFits(width) && sideFits(height);
}

const char* mapSizeRefusal(std::int32_t width, std::int32_t height) {
  if ((width - 1) % kBlocFilePixels != 0) return "largeur incorrect\n";
  if ((width - 1) / kBlocFilePixels > kMaxBlocFiles) return "carte trop large\n";
  if ((height - 1) % kBlocFilePixels != 0) return "hauteur incorrect\n";
  if ((height - 1) / kBlocFilePixels > kMaxBlocFiles) return "carte trop haute\n";
  return nullptr;
}

KeepWindow altitudeKeepWindow() { return KeepWindow{kMaxSide, kMaxSide, true}; }

KeepWindow colourKeepWindow(const Texture& alt) {
  if (!mapSizeFits(alt.fileWidth, alt.fileHeight)) return KeepWindow{0, 0, false};
  return KeepWindow{alt.fileWidth, alt.fileHeight, false};
}

std::string altitudeSizeHint(const Texture& alt) { return sizeHint(alt, 1, kMaxSide); }

std::string worldSizeHint(const Texture& alt) { return sizeHint(alt, kWorldMinSide, kNoMaxSide); }

std::string smallerImageHint(const Texture& image, const Texture& alt) {
  return image.fileName + " is " + size(image.fileWidth, image.fileHeight) + " pixels, " +
         alt.fileName + " " + size(alt.fileWidth, alt.fileHeight) +
         ": every colour image must be at least as wide and as high as the altitude image\n";
}

std::string arraySizeHint(std::int32_t columns, std::int32_t rows) {
  return "alt has " + std::to_string(rows) + " rows and " + std::to_string(columns) +
         " columns: " + sideProblem("number of rows", rows, 1, kMaxSide) +
         sideProblem("number of columns", columns, 1, kMaxSide) + "crop or resample it to " +
         std::to_string(nearestSide(rows, 1, kMaxSide)) + " rows and " +
         std::to_string(nearestSide(columns, 1, kMaxSide)) + " columns" +
         worldAdvice(columns, rows, kMaxSide,
                     "written to a GeoTIFF, quorvel-world (quorvel.World in Python)") +
         "\n";
}

}  // namespace quorvel
