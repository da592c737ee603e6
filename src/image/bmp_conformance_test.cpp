#include "image/bmp_reader.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "failure.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;

// One line of the suite's MANIFEST.tsv: the file, a few of its header fields, and either
// "load" with the file of its exact pixel buffer, or the number of the message it gives.
struct ManifestRow {
  std::string path;
  std::uintmax_t fileSize = 0;
  std::string width;
  std::string height;
  std::string bitCount;
  std::string expected;
  std::string expectedPixels;
};

std::vector<ManifestRow> readManifest() {
  std::ifstream in(test::testData("bmpsuite/MANIFEST.tsv"));
  std::vector<ManifestRow> rows;
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
    if (fields.size() != 11) {
      ADD_FAILURE() << "malformed manifest line: " << line;
      continue;
    }
    rows.push_back(ManifestRow{fields[0], std::stoull(fields[1]), fields[4], fields[5], fields[6],
                               fields[8], fields[10]});
  }
  return rows;
}

TEST(BmpConformance, EverySuiteFileGivesItsManifestOutcome) {
  const std::vector<ManifestRow> rows = readManifest();
  ASSERT_EQ(rows.size(), 60u);
  std::set<std::string> listed;
  for (const ManifestRow& row : rows) {
    SCOPED_TRACE(row.path);
    listed.insert(row.path);
    const std::string name = test::testData("bmpsuite/" + row.path).string();
    ASSERT_EQ(std::filesystem::file_size(name), row.fileSize) << "the copy is not byte-exact";
    if (row.expected != "load") {
      test::expectFailure([&] { const BmpTexture texture(name); },
                          test::bmpMessage(std::stoi(row.expected), name));
      continue;
    }
    try {
      const BmpTexture texture(name);
      EXPECT_EQ(std::to_string(texture.width), row.width);
      EXPECT_EQ(std::to_string(texture.height), row.height);
      EXPECT_EQ(std::to_string(texture.bitsPerPixel), row.bitCount);
      EXPECT_TRUE(texture.pixels ==
                  test::readFile(test::testData("bmpsuite/" + row.expectedPixels)))
          << "pixels differ";
      if (texture.bitsPerPixel == 8) {
        std::string palette = row.expectedPixels;
        palette.replace(palette.rfind(".pixels"), 7, ".palette");
        EXPECT_TRUE(texture.palette == test::readFile(test::testData("bmpsuite/" + palette)))
            << "palette differs";
      } else {
        EXPECT_TRUE(texture.palette.empty());
      }
    } catch (const Failure& failure) {
      ADD_FAILURE() << "expected a load, got: " << failure.what();
    }
  }
  // A file added to the suite without a manifest line would go unchecked.
  for (const char* directory : {"b", "g", "q"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(test::testData("bmpsuite/") / directory)) {
      const std::string path = std::string(directory) + "/" + entry.path().filename().string();
      EXPECT_TRUE(listed.count(path) == 1) << path << " has no manifest line";
    }
  }
}

// Files written by real tools (tests/data/producers/README.txt says how). Every 8-bit one
// shows the same 17 x 3 picture, grey 5 * (column + 17 * row) with row 0 at the top; the
// file stores the bottom row first.
TEST(BmpConformance, FilesFromRealToolsLoadAsTheirPictureOrAreRefused) {
  Bytes ramp;
  for (int storedRow = 0; storedRow < 3; ++storedRow) {
    for (int column = 0; column < 17; ++column) {
      ramp.push_back(static_cast<std::uint8_t>(5 * (column + 17 * (2 - storedRow))));
    }
  }
  Bytes colour;
  for (int i = 0; i < 5 * 4; ++i) colour.insert(colour.end(), {10, 200, 30});
  struct Case {
    const char* file;
    int message;  // 0: loads as expected
    const Bytes& expected;
  };
  const Case cases[] = {
      {"pillow_mode_L.bmp", 0, ramp},
      {"pillow_mode_P_51.bmp", 0, ramp},
      {"imagemagick_bmp3.bmp", 0, ramp},
      {"imagemagick_type_palette.bmp", 0, ramp},
      {"netpbm_ppmtobmp.bmp", 0, ramp},
      {"gdal_paletted_png.bmp", 0, ramp},
      {"imagemagick_truecolor.bmp", 0, colour},
      {"netpbm_ppmtobmp_24.bmp", 0, colour},
      {"imagemagick_bmp3_rle8.bmp", 5, ramp},
      {"imagemagick_bmp_v4.bmp", 3, ramp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string name = test::testData(std::string("producers/") + c.file).string();
    if (c.message != 0) {
      test::expectFailure([&] { const BmpTexture texture(name); },
                          test::bmpMessage(c.message, name));
      continue;
    }
    const BmpTexture texture(name);
    EXPECT_EQ(texture.pixels, c.expected);
  }
}

}  // namespace
}  // namespace quorvel
