#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "inspect/cell_dump.h"
#include "inspect/gltf.h"
#include "inspect/map_diff.h"
#include "inspect/map_picture.h"
#include "inspect/map_summary.h"
#include "inspect/tileset.h"
#include "quorvel/map_cells.h"

namespace quorvel {

// quorvel-inspect's reports as JSON (--json), for printJson, as
// docs/schema/quorvel-inspect.schema.json describes them. Names are as given when they are
// UTF-8, else read as Latin-1 (see nameText). Reals are the stored floats exactly; NaN and
// the infinities, which JSON cannot hold, are null.
[[nodiscard]] nlohmann::json summaryJson(const std::string& fileName, const MapSummary& summary);
[[nodiscard]] nlohmann::json cellJson(const std::string& fileName, const CellDump& dump);
[[nodiscard]] nlohmann::json differenceJson(const MapCells& a, const MapCells& b,
                                            const MapDifference& difference);
// What --preview or --relief (kind) wrote.
[[nodiscard]] nlohmann::json pictureJson(const std::string& kind, const std::string& fileName,
                                         const Picture& picture);
[[nodiscard]] nlohmann::json gltfExportJson(const std::string& fileName, const GltfExport& done);
// What --3d-tiles wrote into directory.
[[nodiscard]] nlohmann::json tilesetJson(const std::string& directory, const TilesetReport& done);

}  // namespace quorvel
