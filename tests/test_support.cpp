#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "failure.h"

namespace quorvel::test {
namespace {

Bytes header(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::size_t rowBytes,
             std::size_t tableBytes) {
  Bytes bytes(54, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  setLe32(bytes, 2, static_cast<std::uint32_t>(54 + tableBytes + rowBytes));
  setLe32(bytes, 10, static_cast<std::uint32_t>(54 + tableBytes));
  setLe32(bytes, 14, 40);
  setLe32(bytes, 18, static_cast<std::uint32_t>(width));
  setLe32(bytes, 22, static_cast<std::uint32_t>(height));
  setLe16(bytes, 26, 1);
  setLe16(bytes, 28, bitCount);
  setLe32(bytes, 34, static_cast<std::uint32_t>(rowBytes));
  return bytes;
}

Bytes bmpFromPacked(std::int32_t width, std::int32_t height, int bytesPerPixel,
                    const Bytes& rgbOrIndex) {
  Bytes packed = rgbOrIndex;
  if (bytesPerPixel == 3) {
    for (std::size_t i = 0; i + 2 < packed.size(); i += 3) std::swap(packed[i], packed[i + 2]);
  }
  const Bytes rows = padRows(width, height, bytesPerPixel, packed);
  return bytesPerPixel == 1 ? bmp8(width, height, rows) : bmp24(width, height, rows);
}

}  // namespace

Bytes bmp8(std::int32_t width, std::int32_t height, const Bytes& rows, const Bytes& table) {
  Bytes bytes = header(width, height, 8, rows.size(), 1024);
  if (table.empty()) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(i);
      bytes.insert(bytes.end(), {v, v, v, 0});
    }
  } else {
    bytes.insert(bytes.end(), table.begin(), table.end());
  }
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

Bytes bmp24(std::int32_t width, std::int32_t height, const Bytes& rows) {
  Bytes bytes = header(width, height, 24, rows.size(), 0);
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

Bytes padRows(std::int32_t width, std::int32_t height, int bytesPerPixel, const Bytes& packed) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
  const std::size_t pad = (4 - rowBytes % 4) % 4;
  Bytes rows;
  for (std::int32_t y = 0; y < height; ++y) {
    const auto begin = packed.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
    rows.insert(rows.end(), begin, begin + static_cast<std::ptrdiff_t>(rowBytes));
    rows.insert(rows.end(), pad, 0);
  }
  return rows;
}

void setLe16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void setLe32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getLe32(const Bytes& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{bytes.at(offset + i)} << (8 * i);
  return value;
}

float getFloat(const Bytes& bytes, std::size_t offset) {
  return std::bit_cast<float>(getLe32(bytes, offset));
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

TempFile::TempFile(const Bytes& bytes) { writeFile(dir_ / "image.bmp", bytes); }

std::string bmpMessage(int number, const std::string& fileName) {
  switch (number) {
    case 1:
      return "erreur lors de l'ouverture du fichier " + fileName + "\n";
    case 2:
      return fileName + " n'est pas un fichier bmp\n";
    case 3:
      return fileName + " n'est pas un fichier bmp valide\n";
    case 4:
      return fileName + " n'est pas un fichier bmp 8 ou 24 bits\n";
    case 5:
      return fileName + " est un fichier bmp comprim\xe9\n";
  }
  throw std::invalid_argument("no BMP message " + std::to_string(number));
}

void expectFailure(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "expected the failure: " << message;
  } catch (const Failure& failure) {
    EXPECT_EQ(std::string(failure.what()), message);
  }
}

TerrainImages uniformTerrain(std::int32_t width, std::int32_t height, std::uint8_t alt,
                             std::array<std::uint8_t, 3> difMat, std::array<std::uint8_t, 3> ambMat,
                             std::array<std::uint8_t, 3> difLight,
                             std::array<std::uint8_t, 3> ambLight) {
  TerrainImages images;
  images.width = width;
  images.height = height;
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  images.alt.assign(pixels, alt);
  const auto fill = [pixels](std::array<std::uint8_t, 3> rgb) {
    Bytes bytes;
    bytes.reserve(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) bytes.insert(bytes.end(), rgb.begin(), rgb.end());
    return bytes;
  };
  images.difMat = fill(difMat);
  images.ambMat = fill(ambMat);
  images.difLight = fill(difLight);
  images.ambLight = fill(ambLight);
  return images;
}

void writeTerrain(const std::filesystem::path& prefix, const TerrainImages& images) {
  const std::string base = prefix.string();
  writeFile(base + "alt.bmp", bmpFromPacked(images.width, images.height, 1, images.alt));
  writeFile(base + "DifMat.bmp", bmpFromPacked(images.width, images.height, 3, images.difMat));
  writeFile(base + "AmbMat.bmp", bmpFromPacked(images.width, images.height, 3, images.ambMat));
  writeFile(base + "DifLight.bmp", bmpFromPacked(images.width, images.height, 3, images.difLight));
  writeFile(base + "AmbLight.bmp", bmpFromPacked(images.width, images.height, 3, images.ambLight));
}

std::filesystem::path testData(const std::string& relative) {
  return std::filesystem::path(QUORVEL_TEST_DATA) / relative;
}

TerrainImages randomTerrain(std::mt19937& random, std::int32_t width, std::int32_t height,
                            int roughness) {
  TerrainImages images;
  images.width = width;
  images.height = height;
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> step(-roughness, roughness);
  const auto pixels = static_cast<std::size_t>(width) * height;
  int level = byte(random);
  for (std::size_t i = 0; i < pixels; ++i) {
    level = std::clamp(level + step(random), 0, 255);
    images.alt.push_back(static_cast<std::uint8_t>(level));
  }
  for (Bytes* image : {&images.difMat, &images.ambMat, &images.difLight, &images.ambLight}) {
    for (std::size_t i = 0; i < 3 * pixels; ++i)
      image->push_back(static_cast<std::uint8_t>(byte(random)));
  }
  return images;
}

std::string textFromChildWithin(std::size_t extraBytes, const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid < 0) return "no child";
  if (pid == 0) {
    ::close(fds[0]);
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extraBytes;
    const rlimit addressSpace{limit, limit};
    const std::string text = ::setrlimit(RLIMIT_AS, &addressSpace) == 0 ? body() : "no limit";
    const bool written =
        ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[256];
  for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) text += " (the child died)";
  return text;
}

}  // namespace quorvel::test
