#include "inspect/map_summary.h"

#include <cinttypes>
#include <cmath>

#include "failure.h"
#include "printf_text.h"

namespace quorvel {

MapSummary summarizeMap(MapCells& cells) {
  MapSummary summary;
  summary.largeur = cells.largeur();
  summary.hauteur = cells.hauteur();
  summary.widthPixels = MapCell::kBlocFilePixels * cells.largeur() + 1;
  summary.heightPixels = MapCell::kBlocFilePixels * cells.hauteur() + 1;
  summary.fileBytes = cells.bytes();

  std::array<std::uint64_t, 3> sums{};
  std::array<int, 3> mins{255, 255, 255};
  std::array<int, 3> maxs{0, 0, 0};
  bool anyHeight = false;
  // File order: the first of two equal extremes is kept, which decides the printed sign of a
  // zero.
  MapCell cell;
  while (cells.next(cell)) {
    for (int k = 0; k < MapCell::kVertices; ++k) {
      if (!cells.holds(cell, k)) continue;
      ++summary.vertexCount;
      for (int c = 0; c < 3; ++c) {
        const int value = cell.colours[k][c];
        sums[c] += static_cast<std::uint64_t>(value);
        if (value < mins[c]) mins[c] = value;
        if (value > maxs[c]) maxs[c] = value;
      }
      const float height = cell.heights[k];
      if (std::isnan(height)) {
        ++summary.nanHeights;
      } else if (!anyHeight) {
        summary.minHeight = summary.maxHeight = height;
        anyHeight = true;
      } else {
        if (height < summary.minHeight) summary.minHeight = height;
        if (height > summary.maxHeight) summary.maxHeight = height;
      }
    }
  }
  if (summary.vertexCount > 0) {
    for (int c = 0; c < 3; ++c) {
      summary.channels[c] = {
          mins[c], maxs[c],
          static_cast<double>(sums[c]) / static_cast<double>(summary.vertexCount)};
    }
  }
  return summary;
}

std::string formatSummary(const std::string& fileName, const MapSummary& summary) {
  std::string text;
  text += printfText("%s: %d x %d blocFiles, %d x %d pixels\n", escapeControls(fileName).c_str(),
                     summary.largeur, summary.hauteur, summary.widthPixels, summary.heightPixels);
  text += printfText("size: %" PRId64 " bytes, as the header gives (8 + %d x %d x %d)\n",
                     summary.fileBytes, summary.largeur, summary.hauteur,
                     static_cast<int>(MapCell::kBlocFileBytes));
  if (summary.vertexCount == 0) {
    text += "no MapCell: the file holds only its header\n";
    return text;
  }
  if (summary.nanHeights == summary.vertexCount) {
    text += printfText("heights: all %" PRId64 " are NaN\n", summary.nanHeights);
  } else {
    text +=
        printfText("heights: %.9g to %.9g", double{summary.minHeight}, double{summary.maxHeight});
    if (summary.nanHeights > 0) text += printfText(", and %" PRId64 " NaN", summary.nanHeights);
    text += "\n";
  }
  static constexpr const char* kNames[3] = {"red", "green", "blue"};
  for (int c = 0; c < 3; ++c) {
    const ChannelRange& range = summary.channels[c];
    text += printfText("%s: %d to %d, mean %.2f\n", kNames[c], range.min, range.max, range.mean);
  }
  return text;
}

}  // namespace quorvel
