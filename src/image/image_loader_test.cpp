#include "image/image_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::TempDir;

TEST(ImageLoader, SecondLoadReturnsTheSameRecordWithoutReopening) {
  const TempDir dir;
  // 31 characters was the old limit of a record's name; names are now held whole.
  const std::string name = (dir / (std::string(40, 'n') + ".bmp")).string();
  test::writeFile(name, test::bmp24(1, 1, {1, 2, 3, 0}));
  ImageLoader cache;
  const Texture& first = cache.load(name, RasterKind::kColour);
  std::filesystem::remove(name);
  const Texture& second = cache.load(name, RasterKind::kColour);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(second.fileName, name);
  EXPECT_EQ(second.pixels, (Bytes{3, 2, 1}));
  EXPECT_EQ(&cache.load(name, RasterKind::kColour, KeepWindow{5, 5, false}), &first)
      << "the same pixels kept";
}

TEST(ImageLoader, NamesMatchCaseSensitivelyAndAnotherWindowLoadsAgain) {
  const TempDir dir;
  const std::string lower = (dir / "a.bmp").string();
  const std::string upper = (dir / "A.bmp").string();
  test::writeFile(lower, test::bmp24(2, 1, {1, 2, 3, 4, 5, 6, 0, 0}));
  test::writeFile(upper, test::bmp8(1, 1, {7, 0, 0, 0}));
  ImageLoader cache;
  const Texture& a = cache.load(lower, RasterKind::kColour);
  const Texture& b = cache.load(upper, RasterKind::kColour);
  ASSERT_NE(&a, &b);
  EXPECT_EQ(a.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(b.pixels, (Bytes{7}));
  const Texture& cropped = cache.load(lower, RasterKind::kColour, KeepWindow{1, 1, false});
  EXPECT_NE(&cropped, &a);
  EXPECT_EQ(cropped.pixels, (Bytes{3, 2, 1}));
  EXPECT_EQ(a.pixels, (Bytes{3, 2, 1, 6, 5, 4})) << "the first record is still valid";
}

// A failed load leaves nothing behind: once the file is fixed the same name loads.
TEST(ImageLoader, FailedLoadLeavesNoRecord) {
  const TempDir dir;
  const std::string name = (dir / "late.bmp").string();
  ImageLoader cache;
  test::expectFailure([&] { cache.load(name, RasterKind::kColour); },
                      "erreur lors de l'ouverture du fichier " + name + "\n");
  test::writeFile(name, test::bmp8(1, 1, {5, 0, 0, 0}));
  EXPECT_EQ(cache.load(name, RasterKind::kColour).pixels, (Bytes{5}));
}

// Nothing is shared between loaders: each reads the file for itself, and a record asked for
// as another kind of image is read again.
TEST(ImageLoader, LoadersShareNothing) {
  const TempDir dir;
  const std::string name = (dir / "shared.bmp").string();
  test::writeFile(name, test::bmp24(1, 1, {1, 2, 3, 0}));
  ImageLoader first;
  ImageLoader second;
  const Texture& one = first.load(name, RasterKind::kColour);
  const Texture& other = second.load(name, RasterKind::kColour);
  EXPECT_NE(&one, &other);
  EXPECT_NE(&first.load(name, RasterKind::kAltitude), &one);
  std::filesystem::remove(name);
  EXPECT_EQ(&first.load(name, RasterKind::kColour), &one);
}

}  // namespace
}  // namespace quorvel
