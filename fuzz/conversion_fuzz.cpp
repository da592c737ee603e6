// A whole conversion on five images and settings made from the fuzzer's bytes: a 51 x 51 or
// 101 x 51 altitude image and four colour images, each either well formed, of another size or
// depth, cut short, with a header field overwritten, or raw bytes. The images are loaded in
// the driver's order through a cache of this run's own (the process-wide one would keep the
// first input's images) and the map is written over an earlier one. Then:
// - the run succeeds exactly when every image loads with its depth, the altitude size is
//   50 n + 1 pixels each way, no colour image is smaller than it, every height is finite as
//   a float and every rise within a twentieth of the largest float (its normal's cross
//   product overflows beyond);
// - a successful map holds exactly the bytes of the plain reference writer; with the baked sky
//   or shadows (asked for only with finite settings, as the command line allows), every colour
//   byte within one of the reference's brute force and every other byte exactly;
// - a failed run leaves the earlier map as it was;
// - no temporary file is ever left beside the map.

#include <unistd.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "failure.h"
#include "image/image_loader.h"
#include "map/map_size.h"
#include "map/map_writer.h"
#include "math/vector3.h"
#include "reference_map.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

struct Role {
  const char* suffix;
  int bitsPerPixel;
};
constexpr std::array<Role, 5> kRoles{{{"alt.bmp", 8},
                                      {"DifMat.bmp", 24},
                                      {"AmbMat.bmp", 24},
                                      {"DifLight.bmp", 24},
                                      {"AmbLight.bmp", 24}}};

const Bytes kEarlierMap = {'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'm', 'a', 'p'};

// Inputs with an image that would make the reader fill more pixels than this are left out:
// filling a buffer of hundreds of megabytes with 255 teaches the fuzzer nothing. Larger claims
// that the reader refuses before allocating stay in.
constexpr std::int64_t kMaxPixels = std::int64_t{16} << 20;

fs::path workDirectory;

void check(bool condition, const char* what) {
  if (!condition) {
    // On standard output: .ci/fuzz closes the target's standard error.
    std::printf("conversion_fuzz: %s\n", what);
    std::fflush(stdout);
    std::abort();
  }
}

void putLe(Bytes& bytes, std::size_t offset, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A well-formed file; pixel bytes repeat the pattern (or count up when it is empty).
Bytes makeBmp(std::int32_t width, std::int32_t height, int bitsPerPixel, const Bytes& pattern) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (bitsPerPixel / 8);
  const std::size_t stride = (rowBytes + 3) / 4 * 4;
  const std::size_t tableBytes = bitsPerPixel == 8 ? 1024 : 0;
  Bytes bytes(54 + tableBytes, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  putLe(bytes, 2, static_cast<std::uint32_t>(54 + tableBytes + stride * height), 4);
  putLe(bytes, 10, static_cast<std::uint32_t>(54 + tableBytes), 4);
  putLe(bytes, 14, 40, 4);
  putLe(bytes, 18, static_cast<std::uint32_t>(width), 4);
  putLe(bytes, 22, static_cast<std::uint32_t>(height), 4);
  putLe(bytes, 26, 1, 2);
  putLe(bytes, 28, static_cast<std::uint32_t>(bitsPerPixel), 2);
  for (std::size_t i = 0; i < tableBytes / 4; ++i) {
    const auto grey = static_cast<std::uint8_t>(i);
    bytes[54 + 4 * i] = bytes[55 + 4 * i] = bytes[56 + 4 * i] = grey;
  }
  std::size_t n = 0;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < rowBytes; ++i, ++n) {
      bytes.push_back(pattern.empty() ? static_cast<std::uint8_t>(n * 7)
                                      : pattern[n % pattern.size()]);
    }
    bytes.insert(bytes.end(), stride - rowBytes, 0);
  }
  return bytes;
}

Bytes makeImage(FuzzedDataProvider& in, std::int32_t width, std::int32_t height, int bitsPerPixel) {
  const int mode = in.ConsumeIntegralInRange(0, 7);
  if (mode == 7) return in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 4096));
  if (mode == 4) {
    width = in.ConsumeIntegralInRange(0, 160);
    height = in.ConsumeIntegralInRange(0, 110);
    bitsPerPixel = in.ConsumeBool() ? 8 : 24;
  }
  const Bytes pattern = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange(0, 64));
  Bytes bytes = makeBmp(width, height, bitsPerPixel, pattern);
  if (mode == 5) bytes.resize(in.ConsumeIntegralInRange<std::size_t>(0, bytes.size()));
  if (mode == 6) {
    putLe(bytes, in.ConsumeIntegralInRange(0, 50), in.ConsumeIntegral<std::uint32_t>(), 4);
  }
  return bytes;
}

// Mostly the default, small whole numbers or moderate values; sometimes any bits at all,
// infinities and NaNs included.
float makeSetting(FuzzedDataProvider& in, float initial) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return initial;
    case 1:
      return static_cast<float>(in.ConsumeIntegralInRange(-8, 8));
    case 2:
      return in.ConsumeFloatingPointInRange(-1000.0f, 1000.0f);
    default:
      return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
  }
}

// Whether every height is finite as a float, and every rise between row, column or even
// diagonal neighbours within a twentieth of the largest float, pixel by pixel as the rule
// says: the writer refuses the terrain otherwise.
bool heightsFit(const quorvel::Texture& alt, const quorvel::Settings& settings) {
  const double z = settings.zScaleFactor;
  const auto at = [&](int x, int y) {
    return static_cast<double>(alt.pixels[static_cast<std::size_t>(y) * alt.width + x]);
  };
  const auto finite = [](double value) { return std::isfinite(quorvel::roundToFloat(value)); };
  for (int y = 0; y < alt.height; ++y) {
    for (int x = 0; x < alt.width; ++x) {
      if (!finite((at(x, y) - settings.seaLevel) * z)) return false;
      for (const auto& [dx, dy] : {std::pair{1, 0}, {0, 1}, {1, 1}, {1, -1}}) {
        const int nx = x + dx;
        const int ny = y + dy;
        if (dx == dy || dx == -dy) {
          if ((x + y) % 2 != 0) continue;
        }
        if (nx >= alt.width || ny < 0 || ny >= alt.height) continue;
        const float rise = quorvel::roundToFloat((at(nx, ny) - at(x, y)) * z);
        if (!(std::fabs(rise) <= std::numeric_limits<float>::max() / 20)) return false;
      }
    }
  }
  return true;
}

bool claimsTooManyPixels(const Bytes& bytes) {
  if (bytes.size() < 30) return false;
  const auto field = [&](std::size_t offset, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return value;
  };
  const std::int64_t width = static_cast<std::int32_t>(field(18, 4));
  const std::int64_t height = static_cast<std::int32_t>(field(22, 4));
  const std::int64_t bytesPerPixel = field(28, 2) == 8 ? 1 : 3;
  const std::int64_t pixels = width * height;
  return width > 0 && height > 0 && pixels > kMaxPixels &&
         pixels <= std::numeric_limits<std::int32_t>::max() / bytesPerPixel;
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  check(static_cast<bool>(out), "cannot write an input file");
}

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The loaded images as the reference writer takes them: every image cut to the altitude size.
quorvel::test::TerrainImages referenceImages(const std::array<const quorvel::Texture*, 5>& images) {
  quorvel::test::TerrainImages out;
  const quorvel::Texture& alt = *images[0];
  out.width = alt.width;
  out.height = alt.height;
  out.alt = alt.pixels;
  Bytes* colors[4] = {&out.difMat, &out.ambMat, &out.difLight, &out.ambLight};
  for (int i = 0; i < 4; ++i) {
    const quorvel::Texture& image = *images[i + 1];
    for (std::int32_t y = 0; y < alt.height; ++y) {
      const auto row = image.pixels.begin() + 3 * (static_cast<std::ptrdiff_t>(y) * image.width);
      colors[i]->insert(colors[i]->end(), row, row + 3 * alt.width);
    }
  }
  return out;
}

// Equal maps; with baked light, colours (the first 27 bytes of each 159-byte cell) may be one
// off the brute force.
bool sameMap(const Bytes& map, const Bytes& expected, bool baked) {
  if (!baked || map.size() != expected.size()) return map == expected;
  for (std::size_t at = 0; at < map.size(); ++at) {
    const bool colour = at >= 8 && (at - 8) % 159 < 27;
    const int difference = std::abs(map[at] - expected[at]);
    if (difference > (colour ? 1 : 0)) return false;
  }
  return true;
}

void removeWorkDirectory() {
  std::error_code ignored;
  fs::remove_all(workDirectory, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The size line goes to stdout; the fuzzer reports on stderr.
  check(std::freopen("/dev/null", "w", stdout) != nullptr, "cannot silence stdout");
  std::string pattern = (fs::temp_directory_path() / "quorvel-fuzz-XXXXXX").string();
  check(::mkdtemp(pattern.data()) != nullptr, "mkdtemp failed");
  workDirectory = pattern;
  std::atexit(removeWorkDirectory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  quorvel::Settings settings;
  settings.lightDirection.x = makeSetting(in, 0.0f);
  settings.lightDirection.y = makeSetting(in, 0.0f);
  settings.lightDirection.z = makeSetting(in, 1.0f);
  settings.zScaleFactor = makeSetting(in, 1.0f);
  settings.seaLevel = makeSetting(in, 0.0f);
  const std::int32_t altWidth = in.ConsumeBool() ? 101 : 51;
  const bool finite = std::isfinite(settings.lightDirection.x) &&
                      std::isfinite(settings.lightDirection.y) &&
                      std::isfinite(settings.lightDirection.z) &&
                      std::isfinite(settings.zScaleFactor) && std::isfinite(settings.seaLevel);
  if (finite && in.ConsumeBool()) {
    settings.baked.skyDirections = in.PickValueInArray({0, 8, 16});
    settings.baked.shadows = in.ConsumeBool();
    settings.baked.sunDiameter = in.PickValueInArray({0.53, 4.0, 90.0, 1e-9});
  }

  std::array<Bytes, kRoles.size()> files;
  for (std::size_t i = 0; i < kRoles.size(); ++i) {
    files[i] = makeImage(in, altWidth, 51, kRoles[i].bitsPerPixel);
    if (claimsTooManyPixels(files[i])) return -1;
  }

  for (const fs::directory_entry& entry : fs::directory_iterator(workDirectory)) {
    fs::remove(entry.path());
  }
  const std::string prefix = (workDirectory / "t").string();
  for (std::size_t i = 0; i < kRoles.size(); ++i) writeBytes(prefix + kRoles[i].suffix, files[i]);
  const fs::path mapPath = prefix + ".map";
  writeBytes(mapPath, kEarlierMap);

  quorvel::ImageLoader loader;
  quorvel::TerrainTextures images{};
  bool loaded = false;
  bool written = false;
  try {
    quorvel::ImageNames names;
    for (std::size_t i = 0; i < kRoles.size(); ++i) names[i] = prefix + kRoles[i].suffix;
    // The driver's windows: the colour images keep only what alt's map reads.
    images = loader.loadTerrain(
        names, quorvel::KeepRule{quorvel::altitudeKeepWindow(), quorvel::colourKeepWindow});
    loaded = true;
    quorvel::writeMap(prefix, quorvel::Terrain{*images[0], *images[1], *images[2], *images[3],
                                               *images[4], settings});
    written = true;
  } catch (const quorvel::Failure&) {
    // A refused input is a normal outcome; what it leaves behind is checked below.
  }

  std::size_t left = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(workDirectory)) {
    check(entry.path().string().find(".tmp") == std::string::npos, "a temporary file was left");
    ++left;
  }
  check(left == kRoles.size() + 1, "an unexpected file was left");

  bool sizesFit = false;
  Bytes expected;
  if (loaded) {
    const quorvel::Texture& alt = *images[0];
    sizesFit = quorvel::mapSizeFits(alt.fileWidth, alt.fileHeight);
    for (std::size_t i = 1; i < images.size(); ++i) {
      sizesFit = sizesFit && images[i]->fileWidth >= alt.fileWidth &&
                 images[i]->fileHeight >= alt.fileHeight;
    }
    sizesFit = sizesFit && heightsFit(alt, settings);
    if (sizesFit) expected = quorvel::test::referenceMap(referenceImages(images), settings);
  }
  check(written == (loaded && sizesFit && !expected.empty()),
        written ? "a map was written from refused images" : "a valid terrain was refused");
  const Bytes map = readBytes(mapPath);
  if (written) {
    check(sameMap(map, expected, settings.baked.skyDirections > 0 || settings.baked.shadows),
          "the map differs from the reference");
  } else {
    check(map == kEarlierMap, "a failed run changed the earlier map");
  }
  return 0;
}
