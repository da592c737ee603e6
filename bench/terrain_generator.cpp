#include "terrain_generator.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <stdexcept>

namespace quorvel::bench {
namespace {

constexpr std::int64_t kWaveScale = std::int64_t{1} << 14;

// Bhaskara's sine approximation in fixed point: within 0.2 % of a sine, smooth, and free of
// any floating-point rounding. phase is in 2^-32 turns; the result is in -kWaveScale..kWaveScale.
std::int64_t wave(std::uint32_t phase) {
  constexpr std::int64_t kHalf = std::int64_t{1} << 15;
  const std::int64_t t = (phase >> 16) & (kHalf - 1);
  const std::int64_t p = t * (kHalf - t);
  const std::int64_t value = 16 * p * kWaveScale / (5 * kHalf * kHalf - 4 * p);
  return (phase & 0x80000000u) != 0 ? -value : value;
}

// A plane wave along (dx, dy) whose phase turns once every `period` pixels of x * dx + y * dy,
// so its wavelength is period / |(dx, dy)| pixels.
struct Wave {
  int dx;
  int dy;
  int period;
  std::uint32_t offset;
};

std::uint32_t phaseOf(const Wave& w, int x, int y) {
  // Unsigned arithmetic wraps by definition, which is exactly a turn of phase.
  const auto stepX = static_cast<std::uint32_t>((std::int64_t{1} << 32) * w.dx / w.period);
  const auto stepY = static_cast<std::uint32_t>((std::int64_t{1} << 32) * w.dy / w.period);
  return stepX * static_cast<std::uint32_t>(x) + stepY * static_cast<std::uint32_t>(y) + w.offset;
}

enum class Shape { kRolling, kBentRolling, kRidge };

struct Relief {
  Wave wave;
  int amplitude;
  Shape shape;
};

// Broad hills (wavelengths of about 1650, 1030, 580 and 445 pixels), two families of sharp
// ridges, and ripples of 12 to 22 pixels so that neighbouring altitudes differ by a few steps
// and not only by 0 or 1.
constexpr Relief kRelief[] = {
    {{3, 1, 5200, 0x12345678u}, 40, Shape::kRolling},
    {{-1, 2, 2300, 0x9ABCDEF0u}, 30, Shape::kRolling},
    {{2, 3, 2100, 0x0F1E2D3Cu}, 22, Shape::kBentRolling},
    {{5, -2, 2400, 0x4B5A6978u}, 14, Shape::kRolling},
    {{1, 4, 1100, 0x31415926u}, 18, Shape::kRidge},
    {{-3, 2, 700, 0x27182818u}, 10, Shape::kRidge},
    {{4, 1, 90, 0x55555555u}, 2, Shape::kRolling},
    {{-1, 3, 40, 0xAAAAAAAAu}, 1, Shape::kRolling},
};
// Shifts the phase of bent waves and ridges by up to a quarter turn, so no crest is straight.
constexpr Wave kWarp = {2, -1, 3000, 0x01234567u};

std::int64_t rawHeight(int x, int y) {
  const auto bend = static_cast<std::uint32_t>(wave(phaseOf(kWarp, x, y)) * 65536);
  std::int64_t sum = 0;
  for (const Relief& r : kRelief) {
    const std::uint32_t phase = phaseOf(r.wave, x, y);
    if (r.shape == Shape::kRidge) {
      sum += (kWaveScale - 2 * std::abs(wave(phase + bend))) * r.amplitude;
    } else {
      sum += wave(r.shape == Shape::kBentRolling ? phase + bend : phase) * r.amplitude;
    }
  }
  return sum;
}

std::uint32_t noise(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^
                    static_cast<std::uint32_t>(y) * 0x85EBCA77u ^ seed;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// A value in -amount..amount that changes from pixel to pixel.
int jitter(int x, int y, std::uint32_t seed, int amount) {
  return static_cast<int>(noise(x, y, seed) % static_cast<std::uint32_t>(2 * amount + 1)) - amount;
}

// A slowly varying value in -amount..amount.
int drift(int x, int y, const Wave& w, int amount) {
  return static_cast<int>(wave(phaseOf(w, x, y)) * amount / kWaveScale);
}

std::uint8_t clampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

struct Rgb {
  int r;
  int g;
  int b;
};

struct ColorStop {
  int altitude;
  Rgb color;
};

// Deep water, shallows, sand, grass, forest, rock, bare stone, snow.
constexpr ColorStop kGround[] = {{0, {20, 40, 110}},    {50, {40, 90, 170}},
                                 {60, {200, 190, 140}}, {80, {90, 150, 60}},
                                 {140, {40, 100, 40}},  {190, {120, 110, 100}},
                                 {230, {200, 200, 205}}, {255, {250, 250, 255}}};

Rgb groundColor(int altitude) {
  for (std::size_t i = 1; i < std::size(kGround); ++i) {
    const ColorStop& low = kGround[i - 1];
    const ColorStop& high = kGround[i];
    if (altitude <= high.altitude) {
      const int span = high.altitude - low.altitude;
      const int t = altitude - low.altitude;
      return {low.color.r + (high.color.r - low.color.r) * t / span,
              low.color.g + (high.color.g - low.color.g) * t / span,
              low.color.b + (high.color.b - low.color.b) * t / span};
    }
  }
  return kGround[std::size(kGround) - 1].color;
}

constexpr Wave kDryness = {1, -3, 2600, 0x600DF00Du};
constexpr Wave kTint = {3, 2, 1500, 0x0BADCAFEu};
constexpr Wave kClouds = {2, 1, 900, 0x7E57AB1Eu};
constexpr Wave kCloudBands = {-1, 4, 1300, 0x5EED5EEDu};
constexpr Wave kSky = {1, 1, 2000, 0xC0FFEE00u};

void put(std::vector<std::uint8_t>& image, std::size_t pixel, Rgb c) {
  image[3 * pixel + 0] = clampByte(c.r);
  image[3 * pixel + 1] = clampByte(c.g);
  image[3 * pixel + 2] = clampByte(c.b);
}

void fillColors(SyntheticTerrain& t) {
  for (int y = 0; y < t.side; ++y) {
    for (int x = 0; x < t.side; ++x) {
      const std::size_t pixel = static_cast<std::size_t>(y) * t.side + x;
      const Rgb ground = groundColor(t.alt[pixel]);
      const int dry = drift(x, y, kDryness, 18);
      const Rgb difMat = {ground.r + dry + jitter(x, y, 1, 10), ground.g - dry + jitter(x, y, 2, 10),
                          ground.b + jitter(x, y, 3, 10)};
      put(t.difMat, pixel, difMat);

      const int tint = drift(x, y, kTint, 20);
      put(t.ambMat, pixel,
          {difMat.r * 3 / 5 + jitter(x, y, 4, 6), difMat.g * 3 / 5 + jitter(x, y, 5, 6),
           difMat.b * 3 / 5 + tint + jitter(x, y, 6, 6)});

      // Cloud shadows: only where the two cloud waves agree, up to 90 steps darker.
      const int cloud = std::max(0, drift(x, y, kClouds, 60) + drift(x, y, kCloudBands, 60));
      const int shade = cloud * 90 / 120;
      put(t.difLight, pixel,
          {255 - shade + jitter(x, y, 7, 3), 245 - shade + jitter(x, y, 8, 3),
           225 - shade / 2 + jitter(x, y, 9, 3)});

      const int sky = drift(x, y, kSky, 25);
      put(t.ambLight, pixel,
          {70 + sky + jitter(x, y, 10, 4), 80 + sky + jitter(x, y, 11, 4),
           120 - sky + jitter(x, y, 12, 4)});
    }
  }
}

void putLe16(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

void putLe32(std::uint8_t* out, std::uint32_t value) {
  putLe16(out, value);
  putLe16(out + 2, value >> 16);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

SyntheticTerrain generateTerrain(int side) {
  if (side < 1 || side > 20001) throw std::runtime_error("side must be 1..20001");
  SyntheticTerrain t;
  t.side = side;
  const std::size_t pixels = static_cast<std::size_t>(side) * side;
  std::vector<std::int64_t> raw(pixels);
  std::int64_t low = std::numeric_limits<std::int64_t>::max();
  std::int64_t high = std::numeric_limits<std::int64_t>::min();
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const std::int64_t h = rawHeight(x, y);
      raw[static_cast<std::size_t>(y) * side + x] = h;
      low = std::min(low, h);
      high = std::max(high, h);
    }
  }
  // Stretched so that the lowest pixel is 0 and the highest 255, whatever the side.
  const std::int64_t range = std::max<std::int64_t>(high - low, 1);
  t.alt.resize(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    t.alt[i] = static_cast<std::uint8_t>((raw[i] - low) * 255 / range);
  }
  t.difMat.resize(3 * pixels);
  t.ambMat.resize(3 * pixels);
  t.difLight.resize(3 * pixels);
  t.ambLight.resize(3 * pixels);
  fillColors(t);
  return t;
}

void writeBmp(const std::string& fileName, int width, int height, int bytesPerPixel,
              const std::vector<std::uint8_t>& pixels) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
  const std::size_t stride = (rowBytes + 3) / 4 * 4;
  const std::size_t tableBytes = bytesPerPixel == 1 ? 256 * 4 : 0;
  const std::size_t dataOffset = 14 + 40 + tableBytes;
  const std::size_t imageBytes = stride * static_cast<std::size_t>(height);

  std::vector<std::uint8_t> header(dataOffset, 0);
  header[0] = 'B';
  header[1] = 'M';
  putLe32(&header[2], static_cast<std::uint32_t>(dataOffset + imageBytes));
  putLe32(&header[10], static_cast<std::uint32_t>(dataOffset));
  putLe32(&header[14], 40);
  putLe32(&header[18], static_cast<std::uint32_t>(width));
  putLe32(&header[22], static_cast<std::uint32_t>(height));
  putLe16(&header[26], 1);
  putLe16(&header[28], static_cast<std::uint32_t>(8 * bytesPerPixel));
  putLe32(&header[34], static_cast<std::uint32_t>(imageBytes));
  putLe32(&header[38], 2835);  // 72 dots per inch
  putLe32(&header[42], 2835);
  putLe32(&header[46], bytesPerPixel == 1 ? 256 : 0);
  for (std::size_t i = 0; i < tableBytes / 4; ++i) {
    const auto grey = static_cast<std::uint8_t>(i);
    header[54 + 4 * i + 0] = grey;
    header[54 + 4 * i + 1] = grey;
    header[54 + 4 * i + 2] = grey;
  }

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + fileName);
  bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
  std::vector<std::uint8_t> row(stride, 0);
  for (int y = 0; y < height && ok; ++y) {
    const std::uint8_t* source = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
    if (bytesPerPixel == 3) {
      for (std::size_t i = 0; i < rowBytes; i += 3) {  // stored blue, green, red
        row[i + 0] = source[i + 2];
        row[i + 1] = source[i + 1];
        row[i + 2] = source[i + 0];
      }
    } else {
      std::copy(source, source + rowBytes, row.begin());
    }
    ok = std::fwrite(row.data(), 1, stride, file.get()) == stride;
  }
  // Closed here, not by the owner, because a failed close can lose the last bytes.
  if (std::fclose(file.release()) != 0 || !ok) throw std::runtime_error("cannot write " + fileName);
}

void writeAltitude16Tiff(const std::string& fileName, int side,
                         const std::vector<std::uint8_t>& alt) {
  struct Entry {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG
    std::uint32_t value;
  };
  const std::uint32_t count = 10;
  const std::uint32_t dataOffset = 8 + 2 + 12 * count + 4;
  const auto stripBytes = static_cast<std::uint32_t>(2 * static_cast<std::size_t>(side) * side);
  const Entry entries[count] = {
      {256, 4, static_cast<std::uint32_t>(side)},  // width
      {257, 4, static_cast<std::uint32_t>(side)},  // height
      {258, 3, 16},                                // bits per sample
      {259, 3, 1},                                 // no compression
      {262, 3, 1},                                 // black is zero
      {273, 4, dataOffset},                        // the strip's offset
      {277, 3, 1},                                 // samples per pixel
      {278, 4, static_cast<std::uint32_t>(side)},  // rows per strip: one strip
      {279, 4, stripBytes},
      {339, 3, 1},  // unsigned integer samples
  };
  std::vector<std::uint8_t> header(dataOffset, 0);
  header[0] = 'I';
  header[1] = 'I';
  putLe16(&header[2], 42);
  putLe32(&header[4], 8);
  putLe16(&header[8], count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* at = &header[10 + 12 * i];
    putLe16(at, entries[i].tag);
    putLe16(at + 2, entries[i].type);
    putLe32(at + 4, 1);
    if (entries[i].type == 3) {
      putLe16(at + 8, entries[i].value);
    } else {
      putLe32(at + 8, entries[i].value);
    }
  }  // the next IFD offset stays 0: one image

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + fileName);
  bool ok = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
  std::vector<std::uint8_t> row(2 * static_cast<std::size_t>(side));
  for (int y = side - 1; y >= 0 && ok; --y) {
    const std::uint8_t* source = alt.data() + static_cast<std::size_t>(y) * side;
    for (int x = 0; x < side; ++x) putLe16(&row[2 * static_cast<std::size_t>(x)], source[x] * 256u);
    ok = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
  }
  if (std::fclose(file.release()) != 0 || !ok) throw std::runtime_error("cannot write " + fileName);
}

void writeTerrain(const std::string& prefix, const SyntheticTerrain& terrain) {
  const int side = terrain.side;
  writeBmp(prefix + "alt.bmp", side, side, 1, terrain.alt);
  writeBmp(prefix + "DifMat.bmp", side, side, 3, terrain.difMat);
  writeBmp(prefix + "AmbMat.bmp", side, side, 3, terrain.ambMat);
  writeBmp(prefix + "DifLight.bmp", side, side, 3, terrain.difLight);
  writeBmp(prefix + "AmbLight.bmp", side, side, 3, terrain.ambLight);
}

}  // namespace quorvel::bench
