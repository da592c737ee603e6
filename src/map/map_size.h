#pragma once

#include <cstdint>
#include <string>

#include "image/texture.h"

namespace quorvel {

// True when an altitude image of this size makes a map: 50 n + 1 pixels each way, n at most
// 100. The map writer's checks say which rule a size breaks.
[[nodiscard]] bool mapSizeFits(std::int32_t width, std::int32_t height);

// The line of the first rule a size breaks, in the order width remainder, width limit,
// height remainder, height limit ("largeur incorrect\n"), or null when it makes a map.
[[nodiscard]] const char* mapSizeRefusal(std::int32_t width, std::int32_t height);

// What each load keeps. The altitude image keeps all of its pixels when it is no larger than
// the largest map and none otherwise; a colour image keeps what the map reads of it (the
// altitude image's size from its first row and column), or nothing when alt makes no map.
[[nodiscard]] KeepWindow altitudeKeepWindow();
[[nodiscard]] KeepWindow colourKeepWindow(const Texture& alt);

// The standard-error lines of the size refusals: the sizes found and how to fix them. A
// world's altitude has no largest size, but at least one blocFile each way.
[[nodiscard]] std::string altitudeSizeHint(const Texture& alt);
[[nodiscard]] std::string worldSizeHint(const Texture& alt);
[[nodiscard]] std::string smallerImageHint(const Texture& image, const Texture& alt);
// The same for an altitude handed over as an array, counted in rows and columns as the array
// holds them.
[[nodiscard]] std::string arraySizeHint(std::int32_t columns, std::int32_t rows);

}  // namespace quorvel
