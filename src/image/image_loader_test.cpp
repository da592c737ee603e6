#include "image/image_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

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

// A window given back is read into only for the file it came from: another file's window
// gets a record of its own, with that file's pixels.
TEST(ImageLoader, AWindowGivenBackIsReadIntoOnlyForItsOwnFile) {
  const TempDir dir;
  const std::string first = (dir / "a.bmp").string();
  const std::string second = (dir / "b.bmp").string();
  test::writeFile(first, test::bmp24(2, 1, {1, 2, 3, 4, 5, 6, 0, 0}));
  test::writeFile(second, test::bmp24(2, 1, {7, 8, 9, 10, 11, 12, 0, 0}));
  ImageLoader cache;
  cache.load(first, RasterKind::kColour);
  cache.load(second, RasterKind::kColour);
  std::unique_ptr<Texture> window =
      cache.loadWindow(first, RasterKind::kColour, KeepWindow{1, 1, false, 1, 0});
  const Texture* const given = window.get();
  window = cache.loadWindow(first, RasterKind::kColour, KeepWindow{1, 1, false, 0, 0}, {},
                            nullptr, std::move(window));
  EXPECT_EQ(window.get(), given);
  EXPECT_EQ(window->pixels, (Bytes{3, 2, 1}));
  window = cache.loadWindow(second, RasterKind::kColour, KeepWindow{2, 1, false}, {}, nullptr,
                            std::move(window));
  EXPECT_EQ(window->fileName, second);
  EXPECT_EQ(window->pixels, (Bytes{9, 8, 7, 12, 11, 10}));
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
