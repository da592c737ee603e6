#include "quorvel/world.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "library/error.h"
#include "world/manifest.h"

namespace quorvel {

WorldManifest readWorldManifest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(path + " cannot be read", "", ErrorKind::kOpen);
  const std::optional<WorldRecord> record =
      parseRecord(std::string(std::istreambuf_iterator<char>(in), {}));
  if (!record || record->shardCount != 1) {
    throw Error(path + " is not a world's manifest (quorvel-world writes them)", "",
                ErrorKind::kFormat);
  }
  const WorldHeader& header = record->header;
  WorldManifest manifest{header.width,   header.height,   header.tileSize, header.columns,
                         header.rows,    header.settings, std::nullopt,    record->tiles};
  if (header.georeference) {
    manifest.georeference =
        WorldGeoreference{header.georeference->transform, header.georeference->crs};
  }
  return manifest;
}

}  // namespace quorvel
