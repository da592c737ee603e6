#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// "largeur: 5, hauteur: 3 (en blocFile)", a map's size as the programs print it.
[[nodiscard]] std::string sizeLine(std::int32_t largeur, std::int32_t hauteur);

}  // namespace quorvel
