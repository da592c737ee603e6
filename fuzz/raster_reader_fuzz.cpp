// The GDAL path on arbitrary bytes, with its allow-list in force as in every run without
// --trusted-inputs: the first byte chooses the file's name (some drivers go by it) and
// whether it is read as an altitude or a colour image; the rest is the file. The load must
// either give a record whose pixels are exactly its size says, or a Failure; no crash, no
// sanitizer report, and nothing read beyond what the allow-list lets GDAL open.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "failure.h"
#include "image/image_loader.h"

namespace {

namespace fs = std::filesystem;

fs::path workDirectory;

void check(bool condition, const char* what) {
  if (!condition) {
    // On standard output: .ci/fuzz closes the target's standard error.
    std::printf("raster_reader_fuzz: %s\n", what);
    std::fflush(stdout);
    std::abort();
  }
}

void removeWorkDirectory() {
  std::error_code ignored;
  fs::remove_all(workDirectory, ignored);
}

// Names whose drivers look at the name as well as the bytes.
constexpr const char* kNames[] = {"in.tif", "in.png", "in.jpg", "in.asc",  "N45E006.hgt", "in.xyz",
                                  "in.img", "in.bt",  "in.grd", "in.webp", "in.vrt",      "in.dem",
                                  "in.ter", "in.dt0", "in.nc",  "in.bil"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (fs::temp_directory_path() / "quorvel-fuzz-XXXXXX").string();
  check(::mkdtemp(pattern.data()) != nullptr, "mkdtemp failed");
  workDirectory = pattern;
  std::atexit(removeWorkDirectory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t selector = data[0];
  const fs::path name = workDirectory / kNames[selector % std::size(kNames)];
  {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    check(static_cast<bool>(out), "cannot write the input file");
  }
  const bool colour = (selector & 0x80) != 0;
  // The windows of a map: the whole altitude up to the largest map, a colour image's corner.
  const quorvel::KeepWindow window =
      colour ? quorvel::KeepWindow{51, 51, false} : quorvel::KeepWindow{5001, 5001, true};
  quorvel::ImageLoader loader;
  try {
    const quorvel::Texture& texture =
        loader.load(name.string(),
                    colour ? quorvel::RasterKind::kColour : quorvel::RasterKind::kAltitude, window);
    check(texture.width >= 0 && texture.height >= 0, "negative size");
    check(texture.pixels.size() == static_cast<std::size_t>(texture.width) *
                                       static_cast<std::size_t>(texture.height) *
                                       static_cast<std::size_t>(texture.bytesPerPixel),
          "pixels do not match the size");
    check(texture.bytesPerPixel == (colour ? 3 : quorvel::sampleBytes(texture.sampleFormat)),
          "wrong bytes per pixel");
  } catch (const quorvel::Failure&) {
    // A refusal, with its message: what the fuzzer is meant to reach.
  }
  std::error_code ignored;
  fs::remove(name, ignored);
  return 0;
}
