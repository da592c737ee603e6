#include "cli/size_line.h"

namespace quorvel {

std::string sizeLine(std::int32_t largeur, std::int32_t hauteur) {
  return "largeur: " + std::to_string(largeur) + ", hauteur: " + std::to_string(hauteur) +
         " (en blocFile)";
}

}  // namespace quorvel
