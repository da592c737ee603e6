#include "image/colour_bands.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "failure.h"
#include "image/bmp_reader.h"
#include "image/image_loader.h"
#include "memory_texture.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;

// Bands come from the files as they are when each is read: one rewritten since its headers
// were read is refused, whether it shrank or grew, rather than read short or past a buffer;
// the first file named for two roles is the one read.
TEST(ColourBands, BandsOfFilesRewrittenSinceTheirHeadersAreRefused) {
  const test::TempDir dir;
  const auto picture = [](std::int32_t width, std::int32_t height, std::uint8_t level) {
    const Bytes pixels(static_cast<std::size_t>(width) * height * 3, level);
    return test::bmp24(width, height, test::padRows(width, height, 3, pixels));
  };
  const std::string a = (dir / "a.bmp").string();
  const std::string b = (dir / "b.bmp").string();
  test::writeFile(a, picture(10, 8, 40));
  test::writeFile(b, picture(10, 8, 90));
  const BmpTexture headerA(a, KeepWindow{0, 0});
  const BmpTexture headerB(b, KeepWindow{0, 0});
  BmpColourBands bands({&headerA, &headerB, &headerA, &headerB}, 10, 2);
  bands.read(1, 0, 2, 3);
  bands.read(1, 1, 2, 3);
  bands.read(1, 2, 2, 3);  // the same file as role 0: nothing more is read
  bands.read(1, 3, 2, 3);
  EXPECT_EQ(&bands.image(1, 2), &bands.image(1, 0));
  const Texture& band = bands.image(1, 1);
  EXPECT_EQ(band.y0, 2);
  EXPECT_EQ(band.height, 3);
  EXPECT_EQ(band.pixels, Bytes(10 * 3 * 3, 90));

  const std::string refused = b + " n'est pas un fichier bmp valide\n";
  for (const auto& [width, height] : {std::pair{10, 4}, std::pair{9, 8}, std::pair{12, 9}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    test::writeFile(b, picture(width, height, 90));
    test::expectFailure([&] { bands.read(0, 1, 2, 3); }, refused);
    test::expectFailure([&] { bands.read(1, 1, 2, 3); }, refused);
  }
}

// A window read again must still come from the file its headers described, whatever reads it
// (a band of a map, a world's tile), and hold what was asked; BMPs and other files each get
// their own message.
TEST(ColourBands, WindowsOfAChangedFileAreRefused) {
  struct Case {
    std::int32_t fileWidth, fileHeight, bytesPerPixel, width, height;
    bool refused;
  };
  const Case cases[] = {{10, 8, 3, 10, 3, false}, {11, 8, 3, 10, 3, true}, {10, 7, 3, 10, 3, true},
                        {10, 8, 1, 10, 3, true},  {10, 8, 3, 9, 3, true},  {10, 8, 3, 10, 2, true}};
  for (const std::string name : {"c.bmp", "c.tif"}) {
    const test::MemoryTexture header(name, 10, 8, 3, {});
    for (const Case& c : cases) {
      test::MemoryTexture window(name, c.width, c.height, c.bytesPerPixel, {});
      window.fileWidth = c.fileWidth;
      window.fileHeight = c.fileHeight;
      const auto check = [&] { checkWindowUnchanged(header, window, 10, 3); };
      if (!c.refused) {
        EXPECT_NO_THROW(check());
        continue;
      }
      test::expectFailure(check, name == "c.bmp" ? "c.bmp n'est pas un fichier bmp valide\n"
                                                 : "erreur lors de l'ouverture du fichier c.tif\n");
    }
  }
}

}  // namespace
}  // namespace quorvel
