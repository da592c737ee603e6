#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/texture.h"

namespace quorvel {

class BmpTexture;

// The colour images of a terrain, by role: difMat, ambMat, difLight, ambLight.
inline constexpr int kColourRoles = 4;
using ColourImages = std::array<const Texture*, kColourRoles>;

// A terrain's four colour images read a band of rows at a time, each band into one of a few
// buffers used in turn: the largest map's colours are 300 MB, and the first touch of that much
// fresh memory costs a virtual machine more than encoding it. Roles are as in ColourImages.
class ColourBands {
 public:
  ColourBands() = default;
  ColourBands(const ColourBands&) = delete;
  ColourBands& operator=(const ColourBands&) = delete;
  virtual ~ColourBands() = default;

  // Reads rows y0 to y0 + rows - 1 of role's image into slot's buffer. Threads may read into
  // different slots, or different roles of one slot, at once. Throws a Failure.
  virtual void read(int slot, int role, std::int32_t y0, std::int32_t rows) = 0;

  // What the last read of role into slot left there.
  [[nodiscard]] virtual const Texture& image(int slot, int role) const = 0;
};

// Colour BMPs, every one a regular file whose headers have been read (headers: their records
// with no pixels). Each band holds columns pixels of each row, in blocks of blockColumns
// (Texture::blockColumns) if that is above 1; a file named for two roles is read once a band.
class BmpColourBands final : public ColourBands {
 public:
  BmpColourBands(const ColourImages& headers, std::int32_t columns, int slots,
                 std::int32_t blockColumns = 0);
  ~BmpColourBands() override;

  void read(int slot, int role, std::int32_t y0, std::int32_t rows) override;
  [[nodiscard]] const Texture& image(int slot, int role) const override;

 private:
  ColourImages headers_;
  std::array<int, kColourRoles> source_{};  // the first role that names the same file
  std::int32_t columns_;
  std::int32_t blockColumns_;
  // slot * kColourRoles + role; each made by its first read
  std::vector<std::unique_ptr<BmpTexture>> bands_;
};

}  // namespace quorvel
