#pragma once

#include "quorvel/version.h"

namespace quorvel {

// Both programs print it in their banners.
inline constexpr const char* kVersion = QUORVEL_VERSION_STRING;

namespace version_detail {

constexpr bool digitsAre(const char*& text, int value, int width) {
  int read = 0;
  for (int i = 0; i < width; ++i, ++text) {
    if (*text < '0' || *text > '9') return false;
    read = read * 10 + (*text - '0');
  }
  return read == value;
}

// Whether text is major.minor.patch with the minor in two digits and the patch in four.
constexpr bool spells(const char* text, int major, int minor, int patch) {
  return digitsAre(text, major, 1) && *text++ == '.' && digitsAre(text, minor, 2) &&
         *text++ == '.' && digitsAre(text, patch, 4) && *text == '\0';
}

}  // namespace version_detail

// The banner's string and the package's numbers are one version: a release changes both.
static_assert(version_detail::spells(QUORVEL_VERSION_STRING, QUORVEL_VERSION_MAJOR,
                                     QUORVEL_VERSION_MINOR, QUORVEL_VERSION_PATCH),
              "QUORVEL_VERSION_STRING must spell MAJOR.MINOR.PATCH as 0.01.0000 spells 0.1.0");

}  // namespace quorvel
