#include "inspect/map_picture.h"

#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "failure.h"
#include "file_handle.h"

namespace quorvel {
namespace {

Picture emptyPicture(const Map& map, int channels) {
  if (map.width() == 0) {
    throw Failure(ErrorKind::kFormat,
                  map.path() + " holds no MapCell to draw: the file has only its header\n");
  }
  Picture picture;
  picture.width = map.width();
  picture.height = map.height();
  picture.channels = channels;
  // At most 5001 x 5001 x 3 bytes: the header check bounds the size.
  picture.pixels.resize(static_cast<std::size_t>(picture.width) *
                        static_cast<std::size_t>(picture.height) *
                        static_cast<std::size_t>(channels));
  return picture;
}

}  // namespace

Picture previewPicture(const Map& map) {
  Picture picture = emptyPicture(map, 3);
  picture.pixels = map.colours();  // the same layout
  return picture;
}

Picture reliefPicture(const Map& map) {
  Picture picture = emptyPicture(map, 1);
  const std::vector<float>& heights = map.heights();
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  for (const float height : heights) {
    if (std::isfinite(height)) {
      if (height < low) low = height;
      if (height > high) high = height;
    }
  }
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const float height = heights[i];
    std::uint8_t grey = 0;
    if (std::isinf(height)) {
      grey = height > 0 ? 255 : 0;
    } else if (std::isnan(height)) {
      grey = 0;
    } else if (high > low) {
      grey = static_cast<std::uint8_t>((height - low) / (high - low) * 255.0 + 0.5);
    } else {
      grey = 128;
    }
    picture.pixels[i] = grey;
  }
  return picture;
}

void writePng(const Picture& picture, const std::string& fileName) {
  FileHandle file(std::fopen(fileName.c_str(), "wb"));
  if (!file)
    throw Failure(ErrorKind::kWrite,
                  "cannot create " + fileName + ": " + std::strerror(errno) + "\n");
  // Only a regular file is removed after a failure: the name may be a device or a pipe.
  struct stat status {};
  const bool regular = ::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = picture.channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  // A negative stride tells libpng that the buffer holds the bottom row first.
  const auto stride = static_cast<png_int_32>(-picture.width * picture.channels);
  const bool written =
      png_image_write_to_stdio(&image, file.get(), 0, picture.pixels.data(), stride, nullptr) != 0;
  std::string problem = written ? "" : image.message;
  png_image_free(&image);
  if (written && std::fflush(file.get()) != 0) problem = std::strerror(errno);
  if (std::fclose(file.release()) != 0 && problem.empty()) problem = std::strerror(errno);
  if (!problem.empty()) {
    if (regular) std::remove(fileName.c_str());
    throw Failure(ErrorKind::kWrite, "cannot write " + fileName + ": " + problem + "\n");
  }
}

}  // namespace quorvel
