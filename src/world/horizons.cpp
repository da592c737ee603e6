#include "world/horizons.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <type_traits>

#include "failure.h"
#include "file_read.h"
#include "little_endian.h"
#include "map/altitude_step.h"
#include "map/baked_light.h"
#include "version.h"
#include "world/sha256.h"
#include "world/world_files.h"

namespace quorvel {
namespace {

constexpr char kMagic[] = "quorvel horizons 2\n";
constexpr std::size_t kMagicBytes = sizeof kMagic - 1;
// The magic, the key, the identity, the samples' digest, the extremes and D.
constexpr std::size_t kFixedHead = kMagicBytes + 32 + 40 + 32 + 16 + 4;

const SkyDirection& directionOf(int directions, int direction) {
  return directions == 8 ? kSkyDirections8[static_cast<std::size_t>(direction)]
                         : kSkyDirections16[static_cast<std::size_t>(direction)];
}

void putLe64(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void putLe32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// Unsigned LEB128: seven bits a byte, low first, the high bit set on every byte but the last.
// Returns the byte after the varint.
constexpr std::size_t kLongestVarint = 5;  // of 32 bits
std::uint8_t* putVarint(std::uint8_t* out, std::uint32_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<std::uint8_t>(value | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<std::uint8_t>(value);
  return out;
}

// Reads a varint of at most 32 bits at `at`, advancing it; false when the bytes end first or
// it is longer.
inline bool getVarint(const std::uint8_t*& at, const std::uint8_t* end, std::uint32_t& value) {
  if (at < end && *at < 0x80) {  // most are steps and rises of a few units
    value = *at++;
    return true;
  }
  value = 0;
  for (int shift = 0; shift < 35 && at < end; shift += 7) {
    const std::uint8_t byte = *at++;
    if (shift == 28 && byte > 0x0F) return false;
    value |= std::uint32_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return true;
  }
  return false;
}

// Signed differences as unsigned varints, small either way: 0, -1, 1, -2 ... as 0, 1, 2, 3 ...
std::uint32_t zigzag(std::int64_t value) {
  return static_cast<std::uint32_t>(value < 0 ? -2 * value - 1 : 2 * value);
}
std::int64_t unzigzag(std::uint32_t value) {
  return (value & 1) != 0 ? -(std::int64_t{value} + 1) / 2 : std::int64_t{value} / 2;
}

const std::uint8_t* bytesOf(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

// Reads size bytes at offset of the file, or nothing.
std::optional<std::string> readAt(const std::string& fileName, std::int64_t offset,
                                  std::int64_t size) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const std::size_t done = quorvel::readAt(fd, reinterpret_cast<std::uint8_t*>(bytes.data()),
                                           bytes.size(), static_cast<std::uint64_t>(offset));
  ::close(fd);
  if (done != bytes.size()) return std::nullopt;
  return bytes;
}

// Pushes v, nearer than every vertex of hull, onto it: the vertices it hides go, as the
// sweep's own step takes them (a vertex goes when the one behind it is seen at least as
// steeply), in exact integers. The hull is the vertices of stack from base on (a tile's seeds
// are merged in their own storage, not in a hull copied there); v lies outside stack.
inline void pushVertex(std::vector<SkyVertex>& stack, std::size_t base, const SkyVertex& v) {
  while (stack.size() - base >= 2) {
    const SkyVertex& top = stack.back();
    const SkyVertex& second = stack[stack.size() - 2];
    const std::int64_t riseTop = std::int64_t{top.height} - v.height;
    const std::int64_t distanceTop = std::int64_t{top.step} - v.step;
    const std::int64_t riseSecond = std::int64_t{second.height} - v.height;
    const std::int64_t distanceSecond = std::int64_t{second.step} - v.step;
    if (!(riseSecond * distanceTop >= riseTop * distanceSecond)) break;
    stack.pop_back();
  }
  stack.push_back(v);
}

// Pushes piece, a line's strict upper hull nearer than every vertex of the hull, onto it (the
// vertices of stack from base on), as pushVertex would one vertex at a time. Once two of the
// piece's vertices are on top, each vertex after them lies beyond the chord of any two before
// it, so none of the rest pops anything: they are taken as they are.
void pushHull(std::vector<SkyVertex>& stack, std::size_t base, std::span<const SkyVertex> piece) {
  std::size_t below = stack.size() - base;  // the hull's own vertices still under the piece's
  for (std::size_t k = 0; k < piece.size(); ++k) {
    pushVertex(stack, base, piece[k]);
    below = std::min(below, stack.size() - base - 1);
    if (stack.size() - base - below >= 2) {
      stack.insert(stack.end(), piece.begin() + static_cast<std::ptrdiff_t>(k) + 1, piece.end());
      return;
    }
  }
}

// A direction's section of a tile's file, by line.
struct Section {
  struct Line {
    std::int64_t begin = 0;
    std::int32_t count = 0;
    std::int32_t first = 0;  // steps of its first and last pixel in the piece
    std::int32_t last = 0;
  };
  struct Class {
    int firstLine = 0;
    std::vector<Line> lines;  // by line - firstLine; count -1 for a line not in the piece
  };
  std::vector<SkyVertex> vertices;
  std::vector<Class> classes;
  const Line* find(int lineClass, int line) const {
    if (lineClass >= static_cast<int>(classes.size())) return nullptr;
    const Class& c = classes[static_cast<std::size_t>(lineClass)];
    const int at = line - c.firstLine;
    if (at < 0 || at >= static_cast<int>(c.lines.size())) return nullptr;
    const Line& found = c.lines[static_cast<std::size_t>(at)];
    return found.count < 0 ? nullptr : &found;
  }
};

// The lines of a piece, in file order, each in its class's table.
void layLines(const HorizonSettings& settings, const SkyRectangle& piece, int direction,
              Section& section) {
  forEachSkyLine(settings.directions, direction, settings.worldWidth, settings.worldHeight, piece,
                 [&](int c, int o, int first, int last) {
                   if (static_cast<int>(section.classes.size()) <= c) {
                     section.classes.resize(static_cast<std::size_t>(c) + 1);
                   }
                   Section::Class& lines = section.classes[static_cast<std::size_t>(c)];
                   if (lines.lines.empty()) lines.firstLine = o;
                   const auto at = static_cast<std::size_t>(o - lines.firstLine);
                   if (lines.lines.size() == at) {  // the usual next line: no filling call
                     lines.lines.push_back(Section::Line{0, 0, first, last});
                     return;
                   }
                   lines.lines.resize(at + 1, Section::Line{0, -1, 0, 0});
                   lines.lines.back() = Section::Line{0, 0, first, last};
                 });
}

Failure unreadable(const std::string& fileName) {
  return Failure(ErrorKind::kOpen, "erreur: " + fileName + " n'est pas lisible\n",
                 "run quorvel-world --stage horizons with the same options first\n");
}

Section readSection(const HorizonSettings& settings, const TilePlan& plan, std::int32_t index,
                    int direction, const std::string& fileName) {
  Section section;
  layLines(settings, horizonPiece(plan, index, settings.directions, direction), direction,
           section);
  const std::optional<HorizonsHead> head = readHorizonsHead(fileName);
  if (!head || static_cast<std::size_t>(direction) >= head->sections.size()) {
    throw unreadable(fileName);
  }
  const auto [offset, size] = head->sections[static_cast<std::size_t>(direction)];
  const std::optional<std::string> bytes = readAt(fileName, offset, size);
  if (!bytes) throw unreadable(fileName);
  const std::uint8_t* at = bytesOf(*bytes);
  const std::uint8_t* end = at + bytes->size();
  section.vertices.reserve(bytes->size() / 2);  // each takes two varints at least
  for (Section::Class& c : section.classes) {
    for (Section::Line& line : c.lines) {
      if (line.count < 0) continue;
      std::uint32_t count = 0;
      if (!getVarint(at, end, count) || count > static_cast<std::uint32_t>(end - at)) {
        throw unreadable(fileName);
      }
      line.begin = static_cast<std::int64_t>(section.vertices.size());
      line.count = static_cast<std::int32_t>(count);
      std::int64_t step = line.last + 1;
      std::int64_t height = 0;
      for (std::uint32_t k = 0; k < count; ++k) {
        std::uint32_t gap = 0;
        std::uint32_t rise = 0;
        if (!getVarint(at, end, gap) || !getVarint(at, end, rise)) throw unreadable(fileName);
        step -= std::int64_t{gap} + 1;
        height += unzigzag(rise);
        if (step < line.first || height < std::numeric_limits<std::int32_t>::min() ||
            height > std::numeric_limits<std::int32_t>::max()) {
          throw unreadable(fileName);
        }
        section.vertices.push_back(
            {static_cast<std::int32_t>(height), static_cast<std::int32_t>(step)});
      }
    }
  }
  if (at != end) throw unreadable(fileName);
  return section;
}

// The direction that walks direction's lines the other way.
int oppositeOf(int directions, int direction) {
  const SkyDirection& u = directionOf(directions, direction);
  for (int d = 0; d < directions; ++d) {
    const SkyDirection& v = directionOf(directions, d);
    if (v.dx == -u.dx && v.dy == -u.dy) return d;
  }
  return direction;  // never: each table holds every direction's opposite
}

SkyRectangle overlapOf(const SkyRectangle& a, const SkyRectangle& b) {
  const int x0 = std::max(a.x0, b.x0);
  const int y0 = std::max(a.y0, b.y0);
  const int x1 = std::min(a.x0 + a.columns, b.x0 + b.columns);
  const int y1 = std::min(a.y0 + a.rows, b.y0 + b.rows);
  if (x1 <= x0 || y1 <= y0) return SkyRectangle{};
  return SkyRectangle{x0, y0, x1 - x0, y1 - y0};
}

// The hull height of the window's pixel at step of line (lineClass, line) of direction.
std::int32_t heightAtStep(const HorizonSettings& settings, const Texture& window, int direction,
                          int lineClass, int line, int step) {
  int x = 0;
  int y = 0;
  skyPixelOf(settings.directions, direction, settings.worldWidth, settings.worldHeight,
             SkyLine{lineClass, line, step}, x, y);
  const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y - window.y0) * window.width +
                            (x - window.x0);
  return skyHeightOf(window.sampleFormat, window.pixels.data(), at, settings.zScaleFactor);
}

// Puts hull, farthest first, as line (lineClass, line) of section.
void storeHull(Section& section, int lineClass, int line, std::span<const SkyVertex> hull) {
  Section::Class& lines = section.classes[static_cast<std::size_t>(lineClass)];
  Section::Line& found = lines.lines[static_cast<std::size_t>(line - lines.firstLine)];
  found.begin = static_cast<std::int64_t>(section.vertices.size());
  found.count = static_cast<std::int32_t>(hull.size());
  section.vertices.insert(section.vertices.end(), hull.begin(), hull.end());
}

// Fills every direction's section of tile index, laid out by layLines. A direction and its
// opposite walk the same lines, and a line's upper hull is the same vertices whichever way it
// is walked: each pair's lines are swept once, over the pixels both pieces hold, and each
// piece's hull is that one with the piece's own pixels pushed on as the sweep would push
// them, beyond it for the direction swept (its piece's far column or row), before it for the
// opposite (its near one). Half the sweeps, the same bytes. Of each pair, the direction
// swept is the one toward larger x (or y, for the two along columns): its lines' neighbouring
// pixels lie in the order of the row, read a vector at a time.
void pieceHulls(const HorizonSettings& settings, const TilePlan& plan, std::int32_t index,
                const Texture& window, std::vector<Section>& sections) {
  const int directions = settings.directions;
  if (directions == 0) return;
  const auto at = [](int d) { return static_cast<std::size_t>(d); };
  std::vector<int> opposite(at(directions));
  std::vector<SkyRectangle> pieces(at(directions));
  std::vector<SkyRectangle> shared(at(directions));
  std::vector<Section> middles(at(directions));
  std::vector<char> swept(at(directions));
  for (int d = 0; d < directions; ++d) {
    opposite[at(d)] = oppositeOf(directions, d);
    pieces[at(d)] = horizonPiece(plan, index, directions, d);
    const SkyDirection& u = directionOf(directions, d);
    swept[at(d)] = u.dx > 0 || (u.dx == 0 && u.dy > 0) ? 1 : 0;
  }
  for (int d = 0; d < directions; ++d) {
    if (swept[at(d)] == 0) continue;
    shared[at(d)] = overlapOf(pieces[at(d)], pieces[at(opposite[at(d)])]);
    layLines(settings, shared[at(d)], d, middles[at(d)]);
  }
  skyHullsOfWindow(
      window, settings.zScaleFactor, directions, settings.worldWidth, settings.worldHeight,
      [&](int d) { return swept[at(d)] != 0 ? shared[at(d)] : SkyRectangle{}; },
      [&](int d, int c, int o, std::span<const SkyVertex> hull) {
        storeHull(middles[at(d)], c, o, hull);
      });
  std::vector<SkyVertex> hull;
  for (int d = 0; d < directions; ++d) {
    const int e = opposite[at(d)];
    if (swept[at(d)] == 0) continue;
    const Section& middle = middles[at(d)];
    const auto middleOf = [&](const Section::Line& line) {
      return std::span<const SkyVertex>(middle.vertices.data() + line.begin,
                                        static_cast<std::size_t>(line.count));
    };
    // d's piece: its pixels beyond the shared ones on a line come first.
    forEachSkyLine(directions, d, settings.worldWidth, settings.worldHeight, pieces[at(d)],
                   [&](int c, int o, int first, int last) {
                     hull.clear();
                     const Section::Line* line = middle.find(c, o);
                     const int farthestShared = line != nullptr ? line->last : first - 1;
                     for (int step = last; step > farthestShared; --step) {
                       pushVertex(hull, 0, {heightAtStep(settings, window, d, c, o, step), step});
                     }
                     if (line != nullptr) {
                       pushHull(hull, 0, middleOf(*line));
                     }
                     storeHull(sections[at(d)], c, o, hull);
                   });
    // The opposite's piece, seen along d: its pixels before the shared ones come last; then
    // its hull, farthest first along e, is d's nearest first, each step counted back.
    forEachSkyLine(
        directions, d, settings.worldWidth, settings.worldHeight, pieces[at(e)],
        [&](int c, int o, int first, int last) {
          hull.clear();
          const Section::Line* line = middle.find(c, o);
          if (line != nullptr) {
            const std::span<const SkyVertex> shares = middleOf(*line);
            hull.assign(shares.begin(), shares.end());
          }
          const int nearestShared = line != nullptr ? line->first : last + 1;
          for (int step = nearestShared - 1; step >= first; --step) {
            pushVertex(hull, 0, {heightAtStep(settings, window, d, c, o, step), step});
          }
          int x = 0;
          int y = 0;
          skyPixelOf(directions, d, settings.worldWidth, settings.worldHeight,
                     SkyLine{c, o, first}, x, y);
          const SkyLine back =
              skyLineOf(directions, e, settings.worldWidth, settings.worldHeight, x, y);
          const int sum = back.step + first;
          std::reverse(hull.begin(), hull.end());
          for (SkyVertex& v : hull) v.step = sum - v.step;
          storeHull(sections[at(e)], back.lineClass, back.line, hull);
        });
  }
}

}  // namespace

FileIdentity fileIdentityOf(const std::string& fileName) {
  return identityOf(fileName).value_or(FileIdentity{});
}

std::string horizonsFileName(const std::string& base, std::int32_t column, std::int32_t row) {
  return base + "_" + std::to_string(column) + "_" + std::to_string(row) + ".horizons";
}

SkyRectangle horizonPiece(const TilePlan& plan, std::int32_t index, int directions,
                          int direction) {
  const SkyDirection& u = directionOf(directions, direction);
  const PixelWindow window = plan.window(index);
  const auto side = [](int toward, bool first, bool last, std::int32_t start, std::int32_t size,
                       int& from, int& count) {
    int low = start;
    int high = start + size - 1;
    if (toward > 0 && !first) ++low;
    if (toward <= 0 && !last) --high;
    from = low;
    count = high - low + 1;
  };
  SkyRectangle piece;
  const std::int32_t column = plan.column(index);
  const std::int32_t row = plan.row(index);
  side(u.dx, column == 0, column == plan.columns - 1, window.x0, window.width, piece.x0,
       piece.columns);
  side(u.dy, row == 0, row == plan.rows - 1, window.y0, window.height, piece.y0, piece.rows);
  return piece;
}

std::int32_t horizonTileOf(const TilePlan& plan, int directions, int direction, std::int32_t x,
                           std::int32_t y) {
  const SkyDirection& u = directionOf(directions, direction);
  const std::int32_t step = plan.tileSize - 1;
  const auto tileOf = [step](int toward, std::int32_t at, std::int32_t count) {
    const std::int32_t tile = toward > 0 ? (at == 0 ? 0 : (at - 1) / step) : at / step;
    return std::min(tile, count - 1);
  };
  return tileOf(u.dy, y, plan.rows) * plan.columns + tileOf(u.dx, x, plan.columns);
}

std::string horizonKey(const HorizonSettings& settings, std::int32_t index) {
  Sha256 sha;
  std::string text = std::string("quorvel-world horizons\n") + kVersion + "\n";
  for (const std::int64_t value :
       {std::int64_t{settings.worldWidth}, std::int64_t{settings.worldHeight},
        std::int64_t{settings.tileSize}, std::int64_t{settings.directions},
        std::int64_t{settings.zScaleFactor < 0.0f ? -1 : settings.zScaleFactor > 0.0f ? 1 : 0},
        std::int64_t{static_cast<int>(settings.sampleFormat)}, std::int64_t{index}}) {
    putLe64(text, static_cast<std::uint64_t>(value));
  }
  sha.update(text.data(), text.size());
  const Sha256Digest digest = sha.finish();
  return std::string(digest.begin(), digest.end());
}

std::optional<HorizonsHead> readHorizonsHead(const std::string& fileName) {
  std::optional<std::string> fixed = readAt(fileName, 0, kFixedHead);
  if (!fixed || fixed->compare(0, kMagicBytes, kMagic) != 0) return std::nullopt;
  const std::uint8_t* at = bytesOf(*fixed) + kMagicBytes;
  HorizonsHead head;
  head.key.assign(fixed->data() + kMagicBytes, 32);
  at += 32;
  head.altitude.size = static_cast<std::int64_t>(loadLe64(at));
  head.altitude.mtimeNs = static_cast<std::int64_t>(loadLe64(at + 8));
  head.altitude.ctimeNs = static_cast<std::int64_t>(loadLe64(at + 16));
  head.altitude.inode = loadLe64(at + 24);
  head.altitude.device = loadLe64(at + 32);
  at += 40;
  head.samples.assign(reinterpret_cast<const char*>(at), 32);
  at += 32;
  head.lowest = std::bit_cast<double>(loadLe64(at));
  head.highest = std::bit_cast<double>(loadLe64(at + 8));
  at += 16;
  const std::uint32_t directions = loadLe32(at);
  if (directions > 16) return std::nullopt;
  const std::optional<std::string> table = readAt(fileName, kFixedHead, directions * 16);
  if (!table) return std::nullopt;
  for (std::uint32_t d = 0; d < directions; ++d) {
    const std::uint8_t* entry = bytesOf(*table) + d * 16;
    head.sections.emplace_back(static_cast<std::int64_t>(loadLe64(entry)),
                               static_cast<std::int64_t>(loadLe64(entry + 8)));
  }
  return head;
}

void sampleExtremes(const Texture& window, double& lowest, double& highest) {
  lowest = std::numeric_limits<double>::infinity();
  highest = -std::numeric_limits<double>::infinity();
  visitSample(window.sampleFormat, [&]<class Sample>(Sample) {
    const std::size_t count =
        static_cast<std::size_t>(window.width) * static_cast<std::size_t>(window.height);
    if constexpr (std::is_integral_v<Sample>) {
      // Integers have no NaN, and their order is their doubles': a loop the compiler widens.
      if (count == 0) return;
      Sample low = std::numeric_limits<Sample>::max();
      Sample high = std::numeric_limits<Sample>::lowest();
      widenIntegerExtremes(window.pixels.data(), count, low, high);
      lowest = static_cast<double>(low);
      highest = static_cast<double>(high);
      return;
    }
    for (std::size_t i = 0; i < count; ++i) {
      Sample sample;
      std::memcpy(&sample, window.pixels.data() + i * sizeof(Sample), sizeof sample);
      const auto value = static_cast<double>(sample);
      lowest = value < lowest ? value : lowest;
      highest = value > highest ? value : highest;
    }
  });
}

bool writeHorizons(const std::string& fileName, const HorizonSettings& settings,
                   const TilePlan& plan, std::int32_t index, const Texture& window,
                   const FileIdentity& altitude, const std::string& samples) {
  // Each direction's hulls, laid out by line as the file holds them.
  std::vector<Section> sections(static_cast<std::size_t>(settings.directions));
  for (int d = 0; d < settings.directions; ++d) {
    layLines(settings, horizonPiece(plan, index, settings.directions, d), d,
             sections[static_cast<std::size_t>(d)]);
  }
  pieceHulls(settings, plan, index, window, sections);
  double lowest = 0.0;
  double highest = 0.0;
  sampleExtremes(window, lowest, highest);
  std::string bytes(kMagic, kMagicBytes);
  bytes += horizonKey(settings, index);
  putLe64(bytes, static_cast<std::uint64_t>(altitude.size));
  putLe64(bytes, static_cast<std::uint64_t>(altitude.mtimeNs));
  putLe64(bytes, static_cast<std::uint64_t>(altitude.ctimeNs));
  putLe64(bytes, altitude.inode);
  putLe64(bytes, altitude.device);
  bytes += samples;
  putLe64(bytes, std::bit_cast<std::uint64_t>(lowest));
  putLe64(bytes, std::bit_cast<std::uint64_t>(highest));
  putLe32(bytes, static_cast<std::uint32_t>(settings.directions));
  const std::size_t table = bytes.size();
  bytes.resize(table + sections.size() * 16);
  for (std::size_t d = 0; d < sections.size(); ++d) {
    const std::size_t begin = bytes.size();
    // Into room for the longest varints, cut to what they took: pushed a byte at a time onto
    // the string, they took some 8 % of the stage's time. Only speed.
    std::size_t room = 0;
    for (const Section::Class& c : sections[d].classes) {
      for (const Section::Line& line : c.lines) {
        if (line.count < 0) continue;
        room += kLongestVarint * (1 + 2 * static_cast<std::size_t>(line.count));
      }
    }
    bytes.resize(begin + room);
    std::uint8_t* at = reinterpret_cast<std::uint8_t*>(bytes.data()) + begin;
    const SkyVertex* const vertices = sections[d].vertices.data();  // bytes stored alias all
    for (const Section::Class& c : sections[d].classes) {
      for (const Section::Line& line : c.lines) {
        if (line.count < 0) continue;
        at = putVarint(at, static_cast<std::uint32_t>(line.count));
        std::int64_t step = line.last + 1;
        std::int64_t height = 0;
        const SkyVertex* const first = vertices + line.begin;
        for (std::int32_t k = 0; k < line.count; ++k) {
          const SkyVertex& v = first[k];
          at = putVarint(at, static_cast<std::uint32_t>(step - v.step - 1));
          at = putVarint(at, zigzag(v.height - height));
          step = v.step;
          height = v.height;
        }
      }
    }
    bytes.resize(static_cast<std::size_t>(at - reinterpret_cast<std::uint8_t*>(bytes.data())));
    std::string entry;
    putLe64(entry, begin);
    putLe64(entry, bytes.size() - begin);
    bytes.replace(table + d * 16, 16, entry);
  }
  return writeIfChanged(fileName, bytes);
}

struct HorizonSections::Impl {
  struct Entry {
    std::shared_ptr<const Section> section;
    std::size_t bytes = 0;
    std::uint64_t used = 0;
  };
  std::mutex mutex;
  std::map<std::pair<std::int32_t, int>, Entry> entries;  // by tile and direction
  std::size_t bytes = 0;
  std::size_t budget = 0;
  std::uint64_t clock = 0;

  std::shared_ptr<const Section> get(const HorizonSettings& settings, const TilePlan& plan,
                                     std::int32_t tile, int direction,
                                     const std::string& fileName) {
    const std::pair<std::int32_t, int> key{tile, direction};
    {
      const std::lock_guard lock(mutex);
      const auto found = entries.find(key);
      if (found != entries.end()) {
        found->second.used = ++clock;
        return found->second.section;
      }
    }
    Section read = readSection(settings, plan, tile, direction, fileName);
    read.vertices.shrink_to_fit();  // the budget counts what is held
    std::size_t size = read.vertices.capacity() * sizeof(SkyVertex);
    for (const Section::Class& c : read.classes) size += c.lines.capacity() * sizeof(Section::Line);
    auto section = std::make_shared<const Section>(std::move(read));
    const std::lock_guard lock(mutex);
    const auto [at, added] = entries.emplace(key, Entry{section, size, ++clock});
    if (!added) return at->second.section;  // another thread read it meanwhile
    bytes += size;
    while (bytes > budget && entries.size() > 1) {
      auto oldest = entries.begin();
      for (auto e = entries.begin(); e != entries.end(); ++e) {
        if (e->second.used < oldest->second.used) oldest = e;
      }
      bytes -= oldest->second.bytes;
      entries.erase(oldest);
    }
    return section;
  }
};

HorizonSections::HorizonSections(std::size_t budgetBytes) : impl_(std::make_unique<Impl>()) {
  impl_->budget = budgetBytes;
}

HorizonSections::~HorizonSections() = default;

HorizonSeeds::HorizonSeeds(const HorizonSettings& settings, const TilePlan& plan,
                           const SkyRectangle& window, const std::vector<std::string>& files,
                           HorizonSections* shared, std::vector<SkyVertex> storage)
    : vertices_(std::move(storage)) {
  vertices_.clear();
  directions_.resize(static_cast<std::size_t>(settings.directions));
  std::vector<std::span<const SkyVertex>> pieces;
  for (int d = 0; d < settings.directions; ++d) {
    // Of the tiles beyond, read once; held while this direction's seeds are made.
    std::map<std::int32_t, std::shared_ptr<const Section>> sections;
    std::vector<Class>& classes = directions_[static_cast<std::size_t>(d)];
    const SkyDirection& u = directionOf(settings.directions, d);
    forEachSkyLine(
        settings.directions, d, settings.worldWidth, settings.worldHeight, window,
        [&](int c, int o, int, int last) {
          // The pieces beyond the window on the line, nearest first.
          pieces.clear();
          // A step further on the line is a step of u in the image.
          int x0 = 0;
          int y0 = 0;
          skyPixelOf(settings.directions, d, settings.worldWidth, settings.worldHeight,
                     SkyLine{c, o, last + 1}, x0, y0);
          for (int step = last + 1;;) {
            const int x = x0 + (step - last - 1) * u.dx;
            const int y = y0 + (step - last - 1) * u.dy;
            if (x < 0 || y < 0 || x >= settings.worldWidth || y >= settings.worldHeight) break;
            const std::int32_t tile = horizonTileOf(plan, settings.directions, d, x, y);
            auto found = sections.find(tile);
            if (found == sections.end()) {
              const std::string& file = files[static_cast<std::size_t>(tile)];
              found = sections
                          .emplace(tile, shared != nullptr
                                             ? shared->impl_->get(settings, plan, tile, d, file)
                                             : std::make_shared<const Section>(
                                                   readSection(settings, plan, tile, d, file)))
                          .first;
            }
            const Section::Line* line = found->second->find(c, o);
            if (line == nullptr || line->first != step) {
              throw unreadable(files[static_cast<std::size_t>(tile)]);
            }
            pieces.emplace_back(found->second->vertices.data() + line->begin,
                                static_cast<std::size_t>(line->count));
            step = line->last + 1;
          }
          const std::size_t base = vertices_.size();
          for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
            pushHull(vertices_, base, *piece);
          }
          if (static_cast<int>(classes.size()) <= c) classes.resize(static_cast<std::size_t>(c) + 1);
          Class& lines = classes[static_cast<std::size_t>(c)];
          if (lines.lines.empty()) lines.firstLine = o;
          lines.lines.resize(static_cast<std::size_t>(o - lines.firstLine) + 1);
          lines.lines.back() = Line{static_cast<std::int64_t>(base),
                                    static_cast<std::int32_t>(vertices_.size() - base)};
        });
  }
}

std::span<const SkyVertex> HorizonSeeds::seed(int direction, int lineClass, int line) const {
  const Class& c = directions_[static_cast<std::size_t>(direction)]
                              [static_cast<std::size_t>(lineClass)];
  const Line& found = c.lines[static_cast<std::size_t>(line - c.firstLine)];
  return {vertices_.data() + found.begin, static_cast<std::size_t>(found.count)};
}

std::string HorizonSeeds::digest() const {
  Sha256 sha;
  std::vector<std::uint8_t> text;
  for (const std::vector<Class>& classes : directions_) {
    for (const Class& c : classes) {
      std::size_t bytes = 8 + 4 * c.lines.size();
      for (const Line& line : c.lines) bytes += 8 * static_cast<std::size_t>(line.count);
      text.resize(bytes);
      std::uint8_t* at = text.data();
      const auto put = [&at](std::int32_t value) {
        storeLe32(at, static_cast<std::uint32_t>(value));
        at += 4;
      };
      put(c.firstLine);
      put(static_cast<std::int32_t>(c.lines.size()));
      for (const Line& line : c.lines) {
        put(line.count);
        for (const SkyVertex& v : std::span(vertices_).subspan(
                 static_cast<std::size_t>(line.begin), static_cast<std::size_t>(line.count))) {
          put(v.height);
          put(v.step);
        }
      }
      sha.update(text.data(), text.size());
    }
  }
  return hexDigest(sha.finish());
}

}  // namespace quorvel
