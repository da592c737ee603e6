#include "inspect/gltf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "failure.h"
#include "inspect/mesh_error.h"
#include "printf_text.h"
#include "little_endian.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

constexpr std::uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr std::uint32_t kGlbVersion = 2;
constexpr std::uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;   // "BIN\0"
constexpr std::uint64_t kGlbHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kVec3Bytes = 12;

// The output file under a temporary name until commit(); the destructor removes it otherwise.
class GlbFile {
 public:
  explicit GlbFile(std::string fileName) : fileName_(std::move(fileName)) {
    struct stat target {};
    // Renaming over a device or a directory would replace it, or come after all the work.
    if (::stat(fileName_.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
      throw Failure(ErrorKind::kWrite, "cannot create " + fileName_ + ": not a regular file\n");
    }
    const std::string base = fileName_ + ".tmp" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      temporaryName_ = base + std::to_string(attempt);
      fd_ = ::open(temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0)
      throw Failure(ErrorKind::kWrite,
                    "cannot create " + fileName_ + ": " + std::strerror(errno) + "\n");
  }
  GlbFile(const GlbFile&) = delete;
  GlbFile& operator=(const GlbFile&) = delete;
  ~GlbFile() {
    if (committed_) return;
    ::close(fd_);
    ::unlink(temporaryName_.c_str());
  }

  void putU32(std::uint32_t value) {
    if (kBufferBytes - used_ < 4) flush();
    storeLe32(buffer_.get() + used_, value);
    used_ += 4;
  }
  void putFloat(float value) { putU32(std::bit_cast<std::uint32_t>(value)); }
  // Any count, written at once past the buffer.
  void putBlock(const std::uint8_t* data, std::size_t count) {
    flush();
    writeAll(data, count);
  }
  // count is at most the buffer's size.
  void putBytes(const void* data, std::size_t count) {
    if (kBufferBytes - used_ < count) flush();
    std::memcpy(buffer_.get() + used_, data, count);
    used_ += count;
  }

  void commit() {
    flush();
    if (::close(std::exchange(fd_, -1)) != 0) fail(errno);
    if (std::rename(temporaryName_.c_str(), fileName_.c_str()) != 0) fail(errno);
    committed_ = true;
  }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

  void flush() {
    writeAll(buffer_.get(), used_);
    used_ = 0;
  }
  void writeAll(const std::uint8_t* data, std::size_t left) {
    while (left > 0) {
      const ssize_t written = ::write(fd_, data, left);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) fail(written < 0 ? errno : ENOSPC);
      data += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  [[noreturn]] void fail(int error) const {
    throw Failure(ErrorKind::kWrite,
                  "cannot write " + fileName_ + ": " + std::strerror(error) + "\n");
  }

  std::string fileName_;
  std::string temporaryName_;
  int fd_ = -1;
  std::unique_ptr<std::uint8_t[]> buffer_ = std::make_unique<std::uint8_t[]>(kBufferBytes);
  std::size_t used_ = 0;
  bool committed_ = false;
};

// The sRGB transfer function undone, once per byte.
std::array<float, 256> linearFromSrgb() {
  std::array<float, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    const double c = byte / 255.0;
    table[byte] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return table;
}

// The position of pixel index, as the accessor holds it. The sides are whole multiples of 10
// below 2^24, so exact; -10 * 0 is an integer zero and never becomes -0.
std::array<float, 3> positionOf(const HeightField& field, std::uint32_t pixel) {
  const auto width = static_cast<std::uint32_t>(field.width);
  return {static_cast<float>(10 * static_cast<std::int64_t>(pixel % width)), field.heights[pixel],
          static_cast<float>(-10 * static_cast<std::int64_t>(pixel / width))};
}

std::string gltfJson(const std::array<float, 3>& low, const std::array<float, 3>& high,
                     std::uint64_t vertices, std::uint64_t indices) {
  const std::uint64_t vec3Bytes = kVec3Bytes * vertices;
  const std::uint64_t indexBytes = 4 * indices;
  // %.9g gives back every float exactly, as the validator checks min and max against the data.
  return printfText(
      "{\"asset\":{\"version\":\"2.0\",\"generator\":\"quorvel-inspect %s\"},"
      "\"extensionsUsed\":[\"KHR_materials_unlit\"],"
      "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
      "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"COLOR_0\":1},"
      "\"indices\":2,\"material\":0,\"mode\":4}]}],"
      "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,1,1,1],"
      "\"metallicFactor\":0,\"roughnessFactor\":1},\"extensions\":{\"KHR_materials_unlit\":{}}}],"
      "\"buffers\":[{\"byteLength\":%llu}],"
      "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":%llu,\"target\":34962},"
      "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34962},"
      "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34963}],"
      "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC3\","
      "\"min\":[%.9g,%.9g,%.9g],\"max\":[%.9g,%.9g,%.9g]},"
      "{\"bufferView\":1,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC3\"},"
      "{\"bufferView\":2,\"componentType\":5125,\"count\":%llu,\"type\":\"SCALAR\"}]}",
      version(), static_cast<unsigned long long>(2 * vec3Bytes + indexBytes),
      static_cast<unsigned long long>(vec3Bytes), static_cast<unsigned long long>(vec3Bytes),
      static_cast<unsigned long long>(vec3Bytes), static_cast<unsigned long long>(2 * vec3Bytes),
      static_cast<unsigned long long>(indexBytes), static_cast<unsigned long long>(vertices),
      double{low[0]}, double{low[1]}, double{low[2]}, double{high[0]}, double{high[1]},
      double{high[2]}, static_cast<unsigned long long>(vertices),
      static_cast<unsigned long long>(indices));
}

}  // namespace

std::uint64_t glbFileBytes(std::uint64_t jsonBytes, std::uint64_t binBytes,
                           const std::string& fileName) {
  const std::uint64_t total = kGlbHeaderBytes + 2 * kChunkHeaderBytes + jsonBytes + binBytes;
  if (total > 0xFFFFFFFF) {
    throw Failure(ErrorKind::kSize,
                  fileName + printfText(" would take %llu bytes, more than a .glb can hold: "
                                        "lower --max-triangles\n",
                                        static_cast<unsigned long long>(total)));
  }
  return total;
}

namespace {

// Both writers in one: position(i) gives vertex i's, colour(i) its stored colour.
template <typename Position, typename Colour>
void writeGlbOf(std::size_t vertices, const Position& position, const Colour& colour,
                const std::vector<std::uint32_t>& indices, const std::string& fileName) {
  std::array<float, 3> low = position(0);
  std::array<float, 3> high = low;
  for (std::size_t i = 0; i < vertices; ++i) {
    const std::array<float, 3> at = position(i);
    for (int axis = 0; axis < 3; ++axis) {
      if (at[axis] < low[axis]) low[axis] = at[axis];
      if (at[axis] > high[axis]) high[axis] = at[axis];
    }
  }
  std::string json = gltfJson(low, high, vertices, indices.size());
  json.resize((json.size() + 3) / 4 * 4, ' ');  // chunks start on 4-byte boundaries
  const std::uint64_t binBytes = 2 * kVec3Bytes * vertices + 4 * indices.size();
  const std::uint64_t total = glbFileBytes(json.size(), binBytes, fileName);

  GlbFile file(fileName);
  file.putU32(kGlbMagic);
  file.putU32(kGlbVersion);
  file.putU32(static_cast<std::uint32_t>(total));
  file.putU32(static_cast<std::uint32_t>(json.size()));
  file.putU32(kJsonChunk);
  file.putBytes(json.data(), json.size());
  file.putU32(static_cast<std::uint32_t>(binBytes));
  file.putU32(kBinChunk);
  for (std::size_t i = 0; i < vertices; ++i) {
    for (const float value : position(i)) file.putFloat(value);
  }
  static const std::array<float, 256> kLinear = linearFromSrgb();
  for (std::size_t i = 0; i < vertices; ++i) {
    for (const std::uint8_t channel : colour(i)) file.putFloat(kLinear[channel]);
  }
  for (const std::uint32_t vertex : indices) file.putU32(vertex);
  file.commit();
}

}  // namespace

void writeGlb(const HeightField& field, const TerrainMesh& mesh, const std::string& fileName) {
  writeGlbOf(
      mesh.pixels.size(), [&](std::size_t i) { return positionOf(field, mesh.pixels.at(i)); },
      [&](std::size_t i) { return field.colors[mesh.pixels[i]]; }, mesh.indices, fileName);
}

namespace {

// Triangles drawn with 16-bit indices counted from the primitive's lowest vertex.
struct ShortPrimitive {
  std::size_t firstIndex = 0;
  std::size_t indexCount = 0;
  std::uint32_t low = 0;  // its vertices, both ends included
  std::uint32_t high = 0;
};

// The mesh's triangles cut, in their order, into runs whose vertices lie at most 65,534 apart:
// 65,535 is the restart index, which a client must not be given.
std::vector<ShortPrimitive> shortPrimitives(const std::vector<std::uint32_t>& indices,
                                            const std::string& fileName) {
  constexpr std::uint32_t kSpan = 65534;
  std::vector<ShortPrimitive> runs;
  for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
    const std::uint32_t low = std::min({indices[t], indices[t + 1], indices[t + 2]});
    const std::uint32_t high = std::max({indices[t], indices[t + 1], indices[t + 2]});
    if (high - low > kSpan) {
      throw Failure(ErrorKind::kFormat,
                    "cannot write " + fileName + ": a triangle's vertices lie too far apart\n");
    }
    if (!runs.empty()) {
      ShortPrimitive& run = runs.back();
      const std::uint32_t from = std::min(run.low, low);
      const std::uint32_t to = std::max(run.high, high);
      if (to - from <= kSpan) {
        run = {run.firstIndex, run.indexCount + 3, from, to};
        continue;
      }
    }
    runs.push_back({t, 3, low, high});
  }
  return runs;
}

// The sRGB transfer function undone, once per byte, as a normalised 16-bit value: a viewer
// writing sRGB gives back every stored byte, which 8 bits of linear light could not hold.
std::array<std::uint16_t, 256> shortLinearFromSrgb() {
  std::array<std::uint16_t, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    const double c = byte / 255.0;
    const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    table[byte] = static_cast<std::uint16_t>(std::lround(linear * 65535));
  }
  return table;
}

std::string compactJson(const GlbMesh& mesh, const std::vector<ShortPrimitive>& primitives,
                        std::uint64_t binBytes) {
  const std::uint64_t vertices = mesh.positions.size();
  std::string accessors;
  std::string parts;
  for (std::size_t p = 0; p < primitives.size(); ++p) {
    const ShortPrimitive& run = primitives[p];
    std::array<float, 3> low = mesh.positions[run.low];
    std::array<float, 3> high = low;
    for (std::uint32_t i = run.low; i <= run.high; ++i) {
      for (int axis = 0; axis < 3; ++axis) {
        low[axis] = std::min(low[axis], mesh.positions[i][axis]);
        high[axis] = std::max(high[axis], mesh.positions[i][axis]);
      }
    }
    const auto count = static_cast<unsigned long long>(run.high - run.low + 1);
    // %.9g gives back every float exactly, as the validator checks min and max against the
    // data. Primitives overlap on the vertices their runs share, read through one buffer view.
    accessors += printfText(
        "%s{\"bufferView\":0,\"byteOffset\":%llu,\"componentType\":5126,\"count\":%llu,"
        "\"type\":\"VEC3\",\"min\":[%.9g,%.9g,%.9g],\"max\":[%.9g,%.9g,%.9g]},"
        "{\"bufferView\":1,\"byteOffset\":%llu,\"componentType\":5123,\"normalized\":true,"
        "\"count\":%llu,\"type\":\"VEC3\"},"
        "{\"bufferView\":2,\"byteOffset\":%llu,\"componentType\":5123,\"count\":%llu,"
        "\"type\":\"SCALAR\"}",
        p == 0 ? "" : ",", static_cast<unsigned long long>(kVec3Bytes * run.low), count,
        double{low[0]}, double{low[1]}, double{low[2]}, double{high[0]}, double{high[1]},
        double{high[2]}, static_cast<unsigned long long>(8 * std::uint64_t{run.low}), count,
        static_cast<unsigned long long>(2 * run.firstIndex),
        static_cast<unsigned long long>(run.indexCount));
    parts += printfText(
        "%s{\"attributes\":{\"POSITION\":%zu,\"COLOR_0\":%zu},\"indices\":%zu,"
        "\"material\":0,\"mode\":4}",
        p == 0 ? "" : ",", 3 * p, 3 * p + 1, 3 * p + 2);
  }
  return printfText(
      "{\"asset\":{\"version\":\"2.0\",\"generator\":\"quorvel-inspect %s\"},"
      "\"extensionsUsed\":[\"KHR_materials_unlit\"],"
      "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
      "\"meshes\":[{\"primitives\":[%s]}],"
      "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,1,1,1],"
      "\"metallicFactor\":0,\"roughnessFactor\":1},\"extensions\":{\"KHR_materials_unlit\":{}}}],"
      "\"buffers\":[{\"byteLength\":%llu}],"
      "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":%llu,\"byteStride\":12,"
      "\"target\":34962},"
      "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"byteStride\":8,\"target\":34962},"
      "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34963}],"
      "\"accessors\":[%s]}",
      version(), parts.c_str(), static_cast<unsigned long long>(binBytes),
      static_cast<unsigned long long>(kVec3Bytes * vertices),
      static_cast<unsigned long long>(kVec3Bytes * vertices),
      static_cast<unsigned long long>(8 * vertices),
      static_cast<unsigned long long>(20 * vertices),
      static_cast<unsigned long long>(2 * mesh.indices.size()), accessors.c_str());
}

}  // namespace

void writeGlbMesh(const GlbMesh& mesh, const std::string& fileName) {
  const std::vector<ShortPrimitive> primitives = shortPrimitives(mesh.indices, fileName);
  const std::uint64_t vertices = mesh.positions.size();
  // Positions, colours of 8 bytes (three values and two bytes of padding, as vertex data
  // starts on 4-byte boundaries), indices, and the padding that ends a chunk on a boundary.
  const std::uint64_t binBytes = (20 * vertices + 2 * mesh.indices.size() + 3) / 4 * 4;
  std::string json = compactJson(mesh, primitives, binBytes);
  json.resize((json.size() + 3) / 4 * 4, ' ');
  const std::uint64_t total = glbFileBytes(json.size(), binBytes, fileName);

  // The whole file in memory, then one write: a tileset's many files cost the kernel one
  // call each, and the values are stored without a check of room per value.
  std::vector<std::uint8_t> bytes(total);
  std::uint8_t* out = bytes.data();
  const auto put32 = [&out](std::uint32_t value) {
    storeLe32(out, value);
    out += 4;
  };
  put32(kGlbMagic);
  put32(kGlbVersion);
  put32(static_cast<std::uint32_t>(total));
  put32(static_cast<std::uint32_t>(json.size()));
  put32(kJsonChunk);
  out = std::copy(json.begin(), json.end(), out);
  put32(static_cast<std::uint32_t>(binBytes));
  put32(kBinChunk);
  for (const std::array<float, 3>& position : mesh.positions) {
    for (const float value : position) put32(std::bit_cast<std::uint32_t>(value));
  }
  static const std::array<std::uint16_t, 256> kShortLinear = shortLinearFromSrgb();
  for (const std::array<std::uint8_t, 3>& colour : mesh.colours) {
    put32(kShortLinear[colour[0]] | std::uint32_t{kShortLinear[colour[1]]} << 16);
    put32(kShortLinear[colour[2]]);  // and two bytes of padding
  }
  for (const ShortPrimitive& run : primitives) {
    for (std::size_t k = 0; k < run.indexCount; ++k) {
      storeLe16(out, static_cast<std::uint16_t>(mesh.indices[run.firstIndex + k] - run.low));
      out += 2;
    }
  }
  // The vector's zeros pad the chunk to its end.
  GlbFile file(fileName);
  file.putBlock(bytes.data(), bytes.size());
  file.commit();
}

GltfExport exportGltf(MapCells& cells, const std::string& fileName, std::int64_t maxTriangles) {
  const HeightField field = readHeightField(cells);
  const TerrainMesh mesh = terrainMesh(field, maxTriangles);
  writeGlb(field, mesh, fileName);
  const double error = mesh.kind == MeshKind::kCellFans ? 0.0 : maxVerticalError(field, mesh);
  return {cellCount(field) * MapCell::kTriangles, mesh.triangles(), mesh.kind, error, mesh.fallback};
}

}  // namespace quorvel
