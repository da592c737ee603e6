#pragma once

#include <string_view>
#include <vector>

namespace quorvel {

// A file of the tileset viewer (the repository's viewer/ folder, built into the program so
// that it needs nothing beside it): its name from the tileset's directory, and its bytes.
struct ViewerFile {
  const char* name;
  std::string_view bytes;
};

[[nodiscard]] std::vector<ViewerFile> viewerFiles();

}  // namespace quorvel
