#pragma once

#include <string>

#include "inspect/cell_dump.h"
#include "inspect/gltf.h"
#include "inspect/map_diff.h"
#include "inspect/map_picture.h"
#include "inspect/map_reader.h"
#include "inspect/map_summary.h"

namespace quorvel {

// quorvel-inspect's reports as JSON (--json), each one object followed by a line feed, as
// docs/schema/quorvel-inspect.schema.json describes them. Names and messages are bytes; they
// are read as Latin-1, so é (byte 0xE9) becomes U+00E9 and any name gives valid UTF-8, and
// encoding the text as Latin-1 gives the bytes back. Reals are the stored floats exactly;
// NaN and the infinities, which JSON cannot hold, are null.
[[nodiscard]] std::string summaryJson(const std::string& fileName, const MapSummary& summary);
[[nodiscard]] std::string cellJson(const std::string& fileName, const CellDump& dump);
[[nodiscard]] std::string differenceJson(const MapReader& a, const MapReader& b,
                                         const MapDifference& difference);
// What --preview or --relief (kind) wrote.
[[nodiscard]] std::string pictureJson(const std::string& kind, const std::string& fileName,
                                      const Picture& picture);
[[nodiscard]] std::string gltfExportJson(const std::string& fileName, const GltfExport& done);
// A failure: its message line without the line feed, and the exit code.
[[nodiscard]] std::string errorJson(const std::string& message, int exitCode);

}  // namespace quorvel
