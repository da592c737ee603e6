#include "image/texture_cache.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace quorvel {
namespace {

using test::bitsOf;
using test::Bytes;
using test::TempDir;

TEST(TextureCache, SecondLoadReturnsTheSameRecordWithoutReopening) {
  const TempDir dir;
  const std::string name = (dir / "a.bmp").string();
  test::writeFile(name, test::bmp24(1, 1, {1, 2, 3, 0}));
  TextureCache cache;
  Texture& first = cache.load(name);
  std::filesystem::remove(name);
  Texture& second = cache.load(name);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(second.pixels, (Bytes{3, 2, 1}));
  const TextureCacheEntry* head = cache.head();
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->texture, &first);
  EXPECT_EQ(head->refCount, 2);
  EXPECT_EQ(head->next, nullptr);
  EXPECT_EQ(head->prev, nullptr);
}

TEST(TextureCache, NewNamesAreAppendedInLoadOrderAndMatchCaseSensitively) {
  const TempDir dir;
  const std::string lower = (dir / "a.bmp").string();
  const std::string upper = (dir / "A.bmp").string();
  test::writeFile(lower, test::bmp24(1, 1, {1, 2, 3, 0}));
  test::writeFile(upper, test::bmp8(1, 1, {7, 0, 0, 0}));
  TextureCache cache;
  Texture& a = cache.load(lower);
  Texture& b = cache.load(upper);
  cache.load(upper);
  ASSERT_NE(&a, &b);
  EXPECT_EQ(a.pixels, (Bytes{3, 2, 1}));
  EXPECT_EQ(b.pixels, (Bytes{7}));

  const TextureCacheEntry* first = cache.head();
  ASSERT_NE(first, nullptr);
  const TextureCacheEntry* second = first->next;
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->texture, &a);
  EXPECT_EQ(first->refCount, 1);
  EXPECT_EQ(first->prev, nullptr);
  EXPECT_EQ(second->texture, &b);
  EXPECT_EQ(second->refCount, 2);
  EXPECT_EQ(second->prev, first);
  EXPECT_EQ(second->next, nullptr);
  EXPECT_EQ(a.cacheEntry, first);
  EXPECT_EQ(b.cacheEntry, second);
}

TEST(TextureCache, FreshRecordHasItsDefaults) {
  const TempDir dir;
  // 31 characters was the old limit of a record's name; names are now held whole.
  const std::string name = (dir / (std::string(40, 'n') + ".bmp")).string();
  test::writeFile(name, test::bmp8(1, 1, {0, 0, 0, 0}));
  TextureCache cache;
  const Texture& texture = cache.load(name);
  EXPECT_EQ(texture.fileName, name);
  EXPECT_EQ(texture.textureName, 0u);
  EXPECT_TRUE(texture.flag);
  EXPECT_EQ(bitsOf(texture.minFilter), bitsOf(9987.0f));
  EXPECT_EQ(bitsOf(texture.magFilter), bitsOf(9729.0f));
  EXPECT_EQ(bitsOf(texture.wrapS), bitsOf(10497.0f));
  EXPECT_EQ(bitsOf(texture.wrapT), bitsOf(10497.0f));
  EXPECT_EQ(bitsOf(texture.envMode), bitsOf(8448.0f));
  EXPECT_EQ(texture.cacheEntry, cache.head());
}

// A failed load leaves nothing behind: once the file is fixed the same name loads.
TEST(TextureCache, FailedLoadLeavesNoEntry) {
  const TempDir dir;
  const std::string name = (dir / "late.bmp").string();
  TextureCache cache;
  test::expectFailure([&] { cache.load(name); },
                      "erreur lors de l'ouverture du fichier " + name + "\n");
  EXPECT_EQ(cache.head(), nullptr);
  test::writeFile(name, test::bmp8(1, 1, {5, 0, 0, 0}));
  EXPECT_EQ(cache.load(name).pixels, (Bytes{5}));
  ASSERT_NE(cache.head(), nullptr);
  EXPECT_EQ(cache.head()->refCount, 1);
}

TEST(TextureCache, ProcessWideLoadReadsOnce) {
  const TempDir dir;
  const std::string name = (dir / "shared.bmp").string();
  test::writeFile(name, test::bmp24(1, 1, {1, 2, 3, 0}));
  const Texture& first = loadTexture(name);
  std::filesystem::remove(name);
  EXPECT_EQ(&loadTexture(name), &first);
  EXPECT_EQ(first.cacheEntry->refCount, 2);
}

}  // namespace
}  // namespace quorvel
