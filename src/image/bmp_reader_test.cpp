#include "image/bmp_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "failure.h"
#include "image/read_ring.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::bmp24;
using test::bmp8;
using test::bmpMessage;
using test::Bytes;
using test::setLe16;
using test::setLe32;
using test::TempDir;
using test::TempFile;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// "load" when the file loads, else the message it fails with.
std::string outcome(const std::string& fileName) {
  try {
    const BmpTexture texture(fileName);
    return "load";
  } catch (const Failure& failure) {
    return failure.what();
  }
}

// Expects the file made of bytes to fail with the reader's message number.
void expectMessage(const Bytes& bytes, int number) {
  const TempFile file(bytes);
  EXPECT_EQ(outcome(file.name()), bmpMessage(number, file.name()));
}

// A new file each time: a file truncated and rewritten in place is flushed to disk on close
// by some file systems, which makes the loops over every length slow.
void replaceFile(const std::string& name, const Bytes& bytes) {
  std::filesystem::remove(name);
  test::writeFile(name, bytes);
}

// A 2 x 2 file of either depth whose rows hold distinct bytes.
Bytes small8() { return bmp8(2, 2, {1, 2, 0, 0, 3, 4, 0, 0}); }
Bytes small24() { return bmp24(2, 2, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}); }

TEST(BmpReader, ChecksComeInOrderAndNameTheFile) {
  struct Case {
    std::uint16_t signature;
    std::uint32_t infoHeaderBytes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::int32_t width;
    std::int32_t height;
    int expected;
  };
  constexpr std::uint16_t kBm = 0x4D42;
  const Case cases[] = {
      {0x4E42, 40, 8, 0, 2, 2, 2},          // "BN"
      {0x424D, 40, 24, 0, 2, 2, 2},         // "MB"
      {0, 12, 4, 1, -2, -2, 2},             // every check fails: the first one speaks
      {kBm, 12, 4, 1, 2, 2, 3},             // a 12-byte header whatever the bit count
      {kBm, 124, 24, 0, 2, 2, 3},           // a later header kind
      {kBm, 40, 4, 2, 2, 2, 4},             // 4 bits even when compressed
      {kBm, 40, 0, 0, 2, 2, 4},             // 0 bits
      {kBm, 40, 1, 0, 2, 2, 4},             // 1 bit
      {kBm, 40, 16, 0, 2, 2, 4},            // 16 bits
      {kBm, 40, 32, 0, 2, 2, 4},            // 32 bits
      {kBm, 40, 264, 0, 2, 2, 4},           // 8 in the low byte only
      {kBm, 40, 1, 0, -1, 2, 4},            // the bit count before the size
      {kBm, 40, 8, 1, 2, 2, 5},             // 8-bit run-length
      {kBm, 40, 24, 3, 2, 2, 5},            // 24-bit bit fields
      {kBm, 40, 24, 0x80000000u, 2, 2, 5},  // not read as a negative number
      {kBm, 40, 8, 1, 2, -2, 5},            // the compression before the size
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "signature " << c.signature << ", header " << c.infoHeaderBytes << ", "
                 << c.bitCount << " bits, compression " << c.compression);
    Bytes bytes = c.bitCount == 24 ? small24() : small8();
    setLe16(bytes, 0, c.signature);
    setLe32(bytes, 14, c.infoHeaderBytes);
    setLe32(bytes, 18, static_cast<std::uint32_t>(c.width));
    setLe32(bytes, 22, static_cast<std::uint32_t>(c.height));
    setLe16(bytes, 28, c.bitCount);
    setLe32(bytes, 30, c.compression);
    expectMessage(bytes, c.expected);
  }
  const TempDir dir;
  EXPECT_EQ(outcome((dir / "absent.bmp").string()), bmpMessage(1, (dir / "absent.bmp").string()));
  EXPECT_EQ(outcome(dir.path().string()), bmpMessage(2, dir.path().string()))
      << "a directory opens but has no signature to read";
}

TEST(BmpReader, RowPadBytesAreReadAndDropped) {
  struct Case {
    int bytesPerPixel;
    std::int32_t width;
    std::size_t pad;
  };
  // The last six are 21 pixels a vector and a remainder of none, one or 20 pixels.
  const Case cases[] = {{1, 1, 3},  {1, 2, 2},  {1, 3, 1},  {1, 4, 0},  {1, 5, 3},  {1, 51, 1},
                        {3, 1, 1},  {3, 2, 2},  {3, 3, 3},  {3, 4, 0},  {3, 5, 1},  {3, 51, 3},
                        {3, 21, 1}, {3, 42, 2}, {3, 43, 3}, {3, 22, 2}, {3, 41, 1}, {3, 64, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bytesPerPixel * 8) + " bits, width " + std::to_string(c.width));
    const std::int32_t height = 3;
    // Pads hold 0xEE, which no pixel byte does: a pad taken as a pixel shows up.
    Bytes rows;
    Bytes expected;
    std::uint8_t next = 1;
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < c.width; ++x) {
        Bytes pixel;
        for (int i = 0; i < c.bytesPerPixel; ++i) {
          pixel.push_back(static_cast<std::uint8_t>(next++ % 200 + 1));
        }
        rows.insert(rows.end(), pixel.begin(), pixel.end());
        expected.insert(expected.end(), pixel.rbegin(), pixel.rend());
      }
      rows.insert(rows.end(), c.pad, 0xEE);
    }
    ASSERT_EQ(rows.size() % 4, 0u);
    const TempFile file(c.bytesPerPixel == 1 ? bmp8(c.width, height, rows)
                                             : bmp24(c.width, height, rows));
    const BmpTexture texture(file.name());
    EXPECT_EQ(texture.pixels, expected);
  }
}

TEST(BmpReader, EightBitRecordKeepsIndicesAndTurnsTheColourTable) {
  Bytes table;
  for (int i = 0; i < 256; ++i) {
    table.insert(table.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i ^ 0x55),
                               static_cast<std::uint8_t>(255 - i), 40});
  }
  table[0] = 10, table[1] = 20, table[2] = 30;
  const TempFile file(bmp8(3, 2, {7, 0, 255, 0xEE, 9, 8, 1, 0xEE}, table));
  const BmpTexture texture(file.name());
  EXPECT_EQ(texture.width, 3);
  EXPECT_EQ(texture.height, 2);
  EXPECT_EQ(texture.bitsPerPixel, 8);
  EXPECT_EQ(texture.bytesPerPixel, 1);
  EXPECT_EQ(texture.pixels, (Bytes{7, 0, 255, 9, 8, 1}));  // the first row stored is row 0
  ASSERT_EQ(texture.palette.size(), 768u);
  EXPECT_EQ(Bytes(texture.palette.begin(), texture.palette.begin() + 3), (Bytes{30, 20, 10}));
  for (int i = 1; i < 256; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texture.palette[3 * i + 0], 255 - i);
    EXPECT_EQ(texture.palette[3 * i + 1], i ^ 0x55);
    EXPECT_EQ(texture.palette[3 * i + 2], i);
  }
}

TEST(BmpReader, TwentyFourBitRecordIsRedGreenBlueWithoutPalette) {
  const TempFile file(small24());
  const BmpTexture texture(file.name());
  EXPECT_EQ(texture.width, 2);
  EXPECT_EQ(texture.height, 2);
  EXPECT_EQ(texture.bitsPerPixel, 24);
  EXPECT_EQ(texture.bytesPerPixel, 3);
  EXPECT_TRUE(texture.palette.empty());
  EXPECT_EQ(texture.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
}

// One 8-bit row of two pixels (indices a, b and two pad bytes) or one 24-bit pixel, after a
// colour table of `table` entries and `gap` bytes; the header fields are set as given.
struct LayoutCase {
  const char* what;
  int bits;
  std::uint32_t coloursUsed;
  int table;            // entries written
  bool grey;            // entry i is grey 10 i + 5, else red i, green 0, blue 0
  std::size_t gap;      // bytes between the table and the rows, filled with 0xEE
  std::int64_t offset;  // pixel-data offset field; -1: the end of the gap
  Bytes rows;
  Bytes expected;
};

Bytes layoutFile(const LayoutCase& c) {
  Bytes bytes = c.bits == 8 ? bmp8(2, 1, {}) : bmp24(1, 1, {});
  bytes.resize(54);
  for (int i = 0; i < c.table; ++i) {
    const auto level = static_cast<std::uint8_t>(c.grey ? 10 * i + 5 : 0);
    bytes.insert(bytes.end(), {level, level, c.grey ? level : static_cast<std::uint8_t>(i), 0});
  }
  bytes.insert(bytes.end(), c.gap, 0xEE);
  setLe32(bytes, 10, static_cast<std::uint32_t>(c.offset < 0 ? bytes.size() : c.offset));
  setLe32(bytes, 46, c.coloursUsed);
  bytes.insert(bytes.end(), c.rows.begin(), c.rows.end());
  return bytes;
}

TEST(BmpReader, RowsBeginWhereTheFileSaysAndGreyTablesGiveTheLevels) {
  const LayoutCase cases[] = {
      {"two grey entries", 8, 2, 2, true, 0, -1, {0, 1, 0, 0}, {5, 15}},
      {"an index past the table keeps its value", 8, 2, 2, true, 0, -1, {1, 9, 0, 0}, {15, 9}},
      {"a gap before the rows", 8, 2, 2, true, 6, -1, {1, 0, 0, 0}, {15, 5}},
      {"an offset inside the table reads from its end",
       8,
       2,
       2,
       true,
       2,
       58,
       {0xEE, 0xEE, 1, 0},
       {238, 238}},
      {"an offset past the end reads from the table's end",
       8,
       2,
       2,
       true,
       0,
       5000,
       {1, 1, 0, 0},
       {15, 15}},
      {"an offset at the very end: every byte missing",
       8,
       2,
       2,
       true,
       0,
       66,
       {1, 1, 0, 0},
       {255, 255}},
      {"colours used 0 means 256", 8, 0, 256, true, 0, -1, {3, 255, 0, 0}, {35, 251}},
      {"colours used 300 means 256", 8, 300, 256, true, 0, -1, {25, 26, 0, 0}, {255, 9}},
      {"a table that is not grey keeps the indices", 8, 3, 3, false, 0, -1, {2, 7, 0, 0}, {2, 7}},
      {"24-bit rows after a gap", 24, 0, 0, false, 4, -1, {1, 2, 3, 0}, {3, 2, 1}},
      {"24-bit offset inside the header", 24, 0, 0, false, 0, 40, {1, 2, 3, 0}, {3, 2, 1}},
      {"24-bit offset past the end", 24, 0, 0, false, 0, 59, {1, 2, 3, 0}, {3, 2, 1}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TempFile file(layoutFile(c));
    const BmpTexture texture(file.name());
    EXPECT_EQ(texture.pixels, c.expected);
  }
  // The stored palette holds the table's entries and zeros after them.
  const TempFile file(layoutFile(cases[8]));
  const BmpTexture texture(file.name());
  Bytes palette(768, 0);
  palette[3] = 1;
  palette[6] = 2;
  EXPECT_EQ(texture.palette, palette);
}

TEST(BmpReader, KeepWindowCropsOrDropsThePixels) {
  struct Case {
    const char* what;
    Bytes file;
    KeepWindow keep;
    std::int32_t width;
    std::int32_t height;
    Bytes pixels;
  };
  const Bytes eight = bmp8(3, 2, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE});
  Bytes cut = bmp24(3, 3, Bytes(36, 0));
  cut.resize(54 + 12);  // the first row only
  for (std::size_t i = 0; i < 9; ++i) cut[54 + i] = static_cast<std::uint8_t>(i + 1);
  const Bytes wide = bmp8(5, 2, {1, 2, 3, 4, 5, 0, 0, 0, 6, 7, 8, 9, 10, 0, 0, 0});
  Bytes wideCut = bmp24(5, 2, Bytes(32, 0));
  for (std::size_t i = 0; i < 32; ++i) wideCut[54 + i] = static_cast<std::uint8_t>(i + 1);
  wideCut.resize(54 + 16 + 6);  // the second row's first two pixels
  // Rows 28 bytes apart of which a window keeps 6: read apart, many at a time where the system
  // has read rings. Cut inside the second row's window.
  Bytes apart = bmp24(9, 3, Bytes(84, 0));
  for (std::size_t i = 0; i < 84; ++i) apart[54 + i] = static_cast<std::uint8_t>(i + 1);
  Bytes apartCut = apart;
  apartCut.resize(54 + 28 + 21 + 4);
  const Case cases[] = {
      {"a narrow window, rows read apart",
       apart,
       {2, 3, false, 7, 0},
       2,
       3,
       {24, 23, 22, 27, 26, 25, 52, 51, 50, 55, 54, 53, 80, 79, 78, 83, 82, 81}},
      {"rows read apart, cut short",
       apartCut,
       {2, 3, false, 7, 0},
       2,
       3,
       {24, 23, 22, 27, 26, 25, 52, 51, 50, 255, 255, 53, 255, 255, 255, 255, 255, 255}},
      {"everything", eight, {}, 3, 2, {1, 2, 3, 4, 5, 6}},
      {"in blocks of 3 columns, overlapping",
       wide,
       {5, 2, false, 0, 0, 3},
       5,
       2,
       {1, 2, 3, 6, 7, 8, 3, 4, 5, 8, 9, 10}},
      {"in rows when blocks do not fit",
       wide,
       {4, 2, false, 0, 0, 3},
       4,
       2,
       {1, 2, 3, 4, 6, 7, 8, 9}},
      {"24-bit blocks, cut short",
       wideCut,
       {5, 2, false, 0, 0, 3},
       5,
       2,
       {3, 2, 1, 6,  5,  4,  9,  8,  7,  19,  18,  17,  22,  21,  20,  255, 255, 255,
        9, 8, 7, 12, 11, 10, 15, 14, 13, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
      {"the first columns of the first row", eight, {2, 1, false}, 2, 1, {1, 2}},
      {"whole when it fits", eight, {3, 2, true}, 3, 2, {1, 2, 3, 4, 5, 6}},
      {"nothing when too wide", eight, {2, 2, true}, 0, 0, {}},
      {"24-bit, one column", small24(), {1, 2, false}, 1, 2, {3, 2, 1, 9, 8, 7}},
      {"cut short",
       cut,
       {2, 3, false},
       2,
       3,
       {3, 2, 1, 6, 5, 4, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
  };
  for (const bool allowed : {true, false}) {
    ReadRings rings(allowed);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (allowed ? "" : ", one read a row"));
      const TempFile file(c.file);
      const BmpTexture texture(file.name(), c.keep, nullptr, {}, &rings);
      EXPECT_EQ(texture.width, c.width);
      EXPECT_EQ(texture.height, c.height);
      EXPECT_EQ(texture.fileHeight, c.file[22]) << "the file's own size is kept";
      EXPECT_EQ(texture.pixels, c.pixels);
    }
  }
}

// The line on standard output stays the old one; the hint on standard error says what was
// found. A table that is not grey loads, with a warning.
TEST(BmpReader, EveryRefusalHasAHintAndAColourTableAWarning) {
  struct Case {
    std::size_t offset;  // of the field to set, or of the cut when size is 0
    std::uint32_t value;
    int size;  // 2 or 4 bytes; 0: the file is cut at offset
    int message;
    const char* hint;
  };
  const Case cases[] = {
      {0, 0x5089, 2, 2, " does not begin with \"BM\" but with the bytes 0x89 0x50"},
      {14, 12, 4, 3, " has a 12-byte info header (OS/2 1.x BITMAPCOREHEADER)"},
      {14, 124, 4, 3, "GIMP \"Do not write color space information\""},
      {22, static_cast<std::uint32_t>(-2), 4, 3, " is stored top-down (height -2)"},
      {28, 32, 2, 4, " has 32 bits per pixel; drop the alpha channel"},
      {30, 1, 4, 5, " is compressed (compression 1, RLE8)"},
      {40, 0, 0, 3, " ends inside its headers, after 40 bytes"},
      {60, 0, 0, 3, " ends inside its colour table of 256 entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hint);
    Bytes bytes = small8();
    if (c.size == 2) setLe16(bytes, c.offset, static_cast<std::uint16_t>(c.value));
    if (c.size == 4) setLe32(bytes, c.offset, c.value);
    if (c.size == 0) bytes.resize(c.offset);
    const TempFile file(bytes);
    try {
      const BmpTexture texture(file.name());
      ADD_FAILURE() << "loaded";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.what(), bmpMessage(c.message, file.name()));
      EXPECT_TRUE(failure.hint().starts_with(file.name()) && failure.hint().ends_with("\n") &&
                  failure.hint().find(c.hint) != std::string::npos)
          << failure.hint();
    }
  }
  const TempDir dir;
  try {
    const BmpTexture texture((dir / "absent.bmp").string());
    ADD_FAILURE() << "loaded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.hint(), (dir / "absent.bmp").string() + ": No such file or directory\n");
  }

  Bytes table;
  for (int i = 0; i < 256; ++i) table.insert(table.end(), {0, 0, static_cast<std::uint8_t>(i), 0});
  const TempFile colours(bmp8(2, 2, {1, 2, 0, 0, 3, 4, 0, 0}, table));
  ::testing::internal::CaptureStderr();
  const BmpTexture texture(colours.name());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            colours.name() +
                ": the colour table is not grey, so its colour indices are used as altitudes\n");
  EXPECT_EQ(texture.pixels, (Bytes{1, 2, 3, 4}));
}

// Every length of the headers and colour table: the first field that cannot be read whole
// gives message 3 (message 2 for the signature), and a check whose field was read still runs.
TEST(BmpReader, FileEndingInsideHeadersOrColourTableGivesTheMessageOfItsField) {
  // Shorter than 2 bytes: message 2. Shorter than checkedFrom: message 3. From checkedFrom
  // on, the field that decides has been read and its check gives `checked` (0: the load).
  struct Case {
    const char* what;
    Bytes bytes;
    std::size_t lastLength;  // the end of the headers, or of the colour table
    std::size_t checkedFrom;
    int checked;
  };
  Bytes fourBit = small8();
  setLe16(fourBit, 28, 4);
  Bytes compressed = small8();
  setLe32(compressed, 30, 1);
  Bytes wrongHeader = small24();
  setLe32(wrongHeader, 14, 12);
  Bytes negative = small24();
  setLe32(negative, 18, -2u);
  Bytes notBmp = small8();
  notBmp[0] = 'b';
  const Case cases[] = {
      {"8-bit", small8(), 1078, 1078, 0},
      {"24-bit", small24(), 54, 54, 0},
      {"4-bit", fourBit, 54, 30, 4},
      {"compressed", compressed, 54, 34, 5},
      {"12-byte info header", wrongHeader, 54, 18, 3},
      {"negative width", negative, 54, 54, 3},
      {"not a BMP", notBmp, 54, 2, 2},
  };
  const TempDir dir;
  const std::string name = (dir / "cut.bmp").string();
  for (const Case& c : cases) {
    for (std::size_t length = 0; length <= c.lastLength; ++length) {
      SCOPED_TRACE(std::string(c.what) + " cut to " + std::to_string(length) + " bytes");
      replaceFile(name, Bytes(c.bytes.begin(), c.bytes.begin() + length));
      const int expected = length < 2 ? 2 : length < c.checkedFrom ? 3 : c.checked;
      EXPECT_EQ(outcome(name), expected == 0 ? "load" : bmpMessage(expected, name));
    }
  }
}

// What reading one byte at a time gives: past the end of the file every byte reads 255.
Bytes bytewisePixels(const Bytes& file, std::size_t start, std::int32_t width, std::int32_t height,
                     int bytesPerPixel, std::size_t pad) {
  std::size_t at = start;
  const auto next = [&] { return at < file.size() ? file[at++] : (++at, std::uint8_t{255}); };
  Bytes pixels;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      Bytes pixel;
      for (int i = 0; i < bytesPerPixel; ++i) pixel.push_back(next());
      pixels.insert(pixels.end(), pixel.rbegin(), pixel.rend());
    }
    for (std::size_t i = 0; i < pad; ++i) next();
  }
  return pixels;
}

TEST(BmpReader, PixelBytesPastEndOfFileRead255) {
  // 1 x 2 pixels: each row is one blue-green-red pixel and one pad byte.
  Bytes bytes = bmp24(1, 2, {1, 2, 3, 0, 4, 5, 6, 0});
  bytes.resize(bytes.size() - 2);  // the second pixel lost its red and its pad
  {
    const TempFile file(bytes);
    EXPECT_EQ(BmpTexture(file.name()).pixels, (Bytes{3, 2, 1, 255, 5, 4}));
  }

  struct Case {
    int bytesPerPixel;
    std::int32_t width;
    std::int32_t height;
    std::size_t pad;
  };
  const TempDir dir;
  const std::string name = (dir / "cut.bmp").string();
  for (const Case& c : {Case{1, 3, 3, 1}, Case{1, 4, 2, 0}, Case{3, 3, 2, 3}, Case{3, 5, 3, 1}}) {
    Bytes rows;
    for (std::size_t i = 0; i < (c.width * c.bytesPerPixel + c.pad) * c.height; ++i) {
      rows.push_back(static_cast<std::uint8_t>(i + 1));
    }
    const Bytes full =
        c.bytesPerPixel == 1 ? bmp8(c.width, c.height, rows) : bmp24(c.width, c.height, rows);
    const std::size_t start = full.size() - rows.size();
    for (std::size_t length = start; length <= full.size(); ++length) {
      SCOPED_TRACE(std::to_string(c.bytesPerPixel * 8) + " bits, width " + std::to_string(c.width) +
                   ", cut to " + std::to_string(length));
      const Bytes cut(full.begin(), full.begin() + length);
      replaceFile(name, cut);
      const BmpTexture texture(name);
      EXPECT_EQ(texture.pixels,
                bytewisePixels(cut, start, c.width, c.height, c.bytesPerPixel, c.pad));
    }
  }
}

// Images of 16 MiB or more are read by every core at once, each a band of rows: the same
// pixels as in order, whole or cut short anywhere.
TEST(BmpReader, LargeImageReadInBandsGivesThePixelsInOrder) {
  constexpr std::int32_t kWidth = 2401;  // 7203 bytes and 1 pad byte a row
  constexpr std::int32_t kHeight = 2400;
  constexpr std::size_t kStride = 3 * kWidth + 1;
  Bytes rows(kStride * kHeight);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = static_cast<std::uint8_t>(i * 7 + i / 4099);
  }
  const Bytes full = bmp24(kWidth, kHeight, rows);
  const std::size_t start = full.size() - rows.size();
  const TempDir dir;
  const std::string name = (dir / "large.bmp").string();
  for (const std::size_t length :
       {full.size(), start + kStride * 1700 + 1000, start + kStride * 600, start + 5}) {
    SCOPED_TRACE("cut to " + std::to_string(length));
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    replaceFile(name, cut);
    EXPECT_EQ(BmpTexture(name).pixels, bytewisePixels(cut, start, kWidth, kHeight, 3, 1));
  }
}

TEST(BmpReader, ZeroWidthOrHeightLoadsEmpty) {
  struct Case {
    int bits;
    std::int32_t width;
    std::int32_t height;
  };
  // A zero width with a huge height must not read, or even walk, two billion empty rows.
  for (const Case& c : {Case{8, 0, 5}, Case{8, 5, 0}, Case{24, 0, 0}, Case{24, 0, kInt32Max},
                        Case{8, kInt32Max, 0}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " +
                 std::to_string(c.height));
    const TempFile file(c.bits == 8 ? bmp8(c.width, c.height, {1, 2, 3, 4})
                                    : bmp24(c.width, c.height, {1, 2, 3, 4}));
    const BmpTexture texture(file.name());
    EXPECT_EQ(texture.width, c.width);
    EXPECT_EQ(texture.height, c.height);
    EXPECT_TRUE(texture.pixels.empty());
    EXPECT_EQ(texture.bytesPerPixel, c.bits / 8);
  }
}

// Checked after the five checks and before anything is allocated: the oversized claims would
// otherwise ask for up to 3 * (2^31 - 1)^2 bytes.
TEST(BmpReader, NegativeOrOversizedSizesAreInvalid) {
  struct Case {
    int bits;
    std::int32_t width;
    std::int32_t height;
  };
  const Case cases[] = {
      {8, -1, 1},
      {8, 1, -1},
      {24, -127, 64},
      {24, 127, -64},
      {8, -5, 0},
      {24, 0, -5},
      {8, kInt32Min, kInt32Min},
      {24, -1, -1},
      {8, 65536, 32768},
      {8, kInt32Max, 2},
      {24, 715827883, 1},
      {24, 46341, 46341},
      {24, 3000000, 2000000},
      {24, kInt32Max, kInt32Max},
      {8, kInt32Max, kInt32Max},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " +
                 std::to_string(c.height));
    const Bytes bytes = c.bits == 8 ? bmp8(c.width, c.height, {}) : bmp24(c.width, c.height, {});
    expectMessage(bytes, 3);
  }
}

// The largest buffers still accepted, loaded in a child whose address space cannot hold them.
TEST(BmpReader, BufferThatCannotBeAllocatedIsReported) {
  if (test::underAddressSanitizer()) GTEST_SKIP() << "the sanitizer's allocator aborts instead";
  const TempDir dir;
  const std::string eight = (dir / "eight.bmp").string();
  const std::string twentyFour = (dir / "twentyFour.bmp").string();
  // No row at all: nothing to allocate, however long the rows it claims.
  const std::string noRow = (dir / "noRow.bmp").string();
  test::writeFile(eight, bmp8(kInt32Max, 1, {}));
  test::writeFile(twentyFour, bmp24(715827882, 1, {}));
  test::writeFile(noRow, bmp24(715827882, 0, {}));
  const std::string noMemory = "erreur: m\xe9moire insuffisante pour ";
  // Each outcome is followed by the failure's kind.
  for (const auto& [name, expected] : {std::pair{eight, noMemory + eight + "\nmemory"},
                                       std::pair{twentyFour, noMemory + twentyFour + "\nmemory"},
                                       std::pair{noRow, std::string("load")}}) {
    SCOPED_TRACE(name);
    const std::string text = test::textFromChildWithin(std::size_t{512} << 20, [&] {
      std::string outcome = "load";
      try {
        const BmpTexture texture(name);
      } catch (const Failure& failure) {
        outcome = failure.what() + std::string(errorKindName(failure.kind()));
      }
      return outcome;
    });
    EXPECT_EQ(text, expected);
  }
}

std::size_t openFileCount() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

TEST(BmpReader, FileIsClosedAfterLoadAndAfterFailure) {
  Bytes compressed = small24();
  setLe32(compressed, 30, 1);
  Bytes cut = small8();
  cut.resize(100);
  for (const Bytes& bytes : {small8(), small24(), compressed, cut}) {
    const TempFile file(bytes);
    const std::size_t before = openFileCount();
    outcome(file.name());
    EXPECT_EQ(openFileCount(), before);
  }
}

}  // namespace
}  // namespace quorvel
