#include "image/raster_placement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"
#include "image/raster_gdal.h"
#include "image/raster_reader.h"

namespace quorvel {

StoredOrder storedOrder(const std::optional<Georeference>& georeference) {
  if (!georeference) return {};
  const std::array<double, 6>& t = georeference->transform;
  if (t[2] != 0.0 || t[4] != 0.0) return StoredOrder{false, false, true};
  return StoredOrder{t[5] > 0.0, t[1] < 0.0, false};
}

std::string rotatedNote(const std::string& fileName) {
  return fileName +
         ": its georeferencing is rotated, so its pixels are taken in the order they are stored,"
         " the last stored row as the map's first";
}

#ifdef QUORVEL_GDAL_LIBRARY

namespace {

using Api = GdalLibrary::Api;

// What GDAL's warper is allowed to miss a pixel's place by in its interpolated transform, in
// pixels: gdalwarp's own default, so that the colours are the ones GDAL's warp gives.
constexpr double kWarpError = 0.125;
// How far, in colour pixels, the altitude's outline may pass the colour's extent, or a
// placement be off a whole pixel, for rounding in the geotransforms.
constexpr double kSlack = 1e-6;

// Which bands give red, green and blue, and the colour each byte read becomes in each.
struct ColourBands {
  bool threeBands = true;  // bands 1, 2, 3; else band 1 for all three
  std::array<std::array<std::uint8_t, 256>, 3> tables{};
  bool asRead = true;  // three bands and every table the identity
};

// The identity, or v x 255 / (2^bits - 1) rounded for a band of fewer than 8 bits.
std::array<std::uint8_t, 256> stretchTable(int bits) {
  std::array<std::uint8_t, 256> table{};
  const int top = bits == 0 ? 255 : (1 << bits) - 1;
  for (int v = 0; v < 256; ++v) {
    table[v] = static_cast<std::uint8_t>(v >= top ? 255 : (v * 255 + top / 2) / top);
  }
  return table;
}

ColourBands colourBands(const Api& gdal, GDALDatasetH dataset, const std::string& fileName) {
  const int bands = gdal.GDALGetRasterCount(dataset);
  bool bytes = bands >= 1 && bands <= 4;
  for (int i = 1; bytes && i <= std::min(bands, 3); ++i) {
    bytes = gdal.GDALGetRasterDataType(gdal.GDALGetRasterBand(dataset, i)) == GDT_Byte;
  }
  if (!bytes) {
    const bool sixteenBits =
        bands >= 1 && gdal.GDALGetRasterDataType(gdal.GDALGetRasterBand(dataset, 1)) == GDT_UInt16;
    throw Failure(ErrorKind::kFormat,
                  "erreur: " + fileName + " n'est pas une image couleur 8 bits\n",
                  fileName + ": " + describeBands(gdal, dataset, "the colour image's option") +
                      "; a colour image has 3 or 4 bands of bytes (red, green, blue, alpha),"
                      " or 1 or 2 (grey)" +
                      (sixteenBits ? "; make it 8-bit: gdal_translate -ot Byte -scale 0 65535 0 "
                                     "255 " +
                                         fileName + " colour8.tif"
                                   : "") +
                      "\n");
  }
  ColourBands colours;
  colours.threeBands = bands >= 3;
  if (colours.threeBands) {
    for (int c = 0; c < 3; ++c) {
      const int bits = bandBits(gdal, gdal.GDALGetRasterBand(dataset, c + 1));
      colours.tables[c] = stretchTable(bits);
      colours.asRead = colours.asRead && bits == 0;
    }
    return colours;
  }
  // Grey levels, or the palette's colours; an index past the table's end has no colour and
  // reads as black.
  colours.asRead = false;
  GDALRasterBandH band = gdal.GDALGetRasterBand(dataset, 1);
  const GDALColorTableH table = gdal.GDALGetRasterColorTable(band);
  if (table != nullptr && gdal.GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex) {
    int entries = 0;
    const std::vector<std::uint8_t> palette = paletteOf(gdal, table, entries);
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < kPaletteEntries; ++v) colours.tables[c][v] = palette[3 * v + c];
    }
  } else {
    colours.tables.fill(stretchTable(bandBits(gdal, band)));
  }
  return colours;
}

// Reads columns x to x + width - 1 of rows y to y + height - 1 as stored, the first row at
// first and each next one lineBytes further (a negative step lays them bottom up), as red,
// green, blue bytes; false when GDAL cannot.
bool readColourRows(const Api& gdal, GDALDatasetH dataset, const ColourBands& colours, int x,
                    int y, int width, int height, std::uint8_t* first, std::ptrdiff_t lineBytes) {
  const auto lineSpace = static_cast<int>(lineBytes);
  if (colours.threeBands) {
    int bandMap[3] = {1, 2, 3};
    if (gdal.GDALDatasetRasterIO(dataset, GF_Read, x, y, width, height, first, width, height,
                                 GDT_Byte, 3, bandMap, 3, lineSpace, 1) != CE_None) {
      return false;
    }
  } else if (gdal.GDALRasterIO(gdal.GDALGetRasterBand(dataset, 1), GF_Read, x, y, width, height,
                               first, width, height, GDT_Byte, 3, lineSpace) != CE_None) {
    return false;
  }
  if (colours.asRead) return true;
  for (int j = 0; j < height; ++j) {
    std::uint8_t* row = first + j * lineBytes;
    for (int i = 0; i < 3 * width; i += 3) {
      const std::uint8_t red = row[i];
      const std::uint8_t green = colours.threeBands ? row[i + 1] : red;
      const std::uint8_t blue = colours.threeBands ? row[i + 2] : red;
      row[i] = colours.tables[0][red];
      row[i + 1] = colours.tables[1][green];
      row[i + 2] = colours.tables[2][blue];
    }
  }
  return true;
}

// readColourRows in strips that end on the file's block rows, each strip's blocks dropped
// once it is read: GDAL's cache holds a strip's blocks at most, whatever its size.
bool readColours(const Api& gdal, GDALDatasetH dataset, const ColourBands& colours, int x, int y,
                 int width, int height, std::uint8_t* first, std::ptrdiff_t lineBytes) {
  const int bands = colours.threeBands ? 3 : 1;
  int blockWidth = 0;
  int blockHeight = 0;
  gdal.GDALGetBlockSize(gdal.GDALGetRasterBand(dataset, 1), &blockWidth, &blockHeight);
  // Files stored a row or two per block are read 64 rows or so at a time, few calls.
  const int stripRows = std::max(1, blockHeight) * std::max(1, 64 / std::max(1, blockHeight));
  for (int top = y; top < y + height;) {
    const int bottom = std::min(y + height, (top / stripRows + 1) * stripRows);
    if (!readColourRows(gdal, dataset, colours, x, top, width, bottom - top,
                        first + (top - y) * lineBytes, lineBytes)) {
      return false;
    }
    for (int band = 1; band <= bands; ++band) {
      dropBlocks(gdal, gdal.GDALGetRasterBand(dataset, band), true);
    }
    top = bottom;
  }
  return true;
}

// The warper's source chunk as colours, before it is resampled: palette indices, grey levels
// and samples of fewer bits become red, green and blue through their tables (the three
// bands read are band 1 thrice for a single band). The kernel's class is GDAL's, whose type
// information only the library that is loaded later holds: the sanitizer's check of it
// would not link.
__attribute__((no_sanitize("vptr"))) CPLErr expandChunk(void* kernel, void* colourBands) {
  auto& chunk = *static_cast<GDALWarpKernel*>(kernel);
  const auto& colours = *static_cast<const ColourBands*>(colourBands);
  const std::size_t count =
      static_cast<std::size_t>(chunk.nSrcXSize) * static_cast<std::size_t>(chunk.nSrcYSize);
  for (int band = 0; band < 3 && band < chunk.nBands; ++band) {
    std::uint8_t* samples = chunk.papabySrcImage[band];
    for (std::size_t i = 0; i < count; ++i) samples[i] = colours.tables[band][samples[i]];
  }
  return CE_None;
}

bool sameReference(const Api& gdal, const std::string& a, const std::string& b) {
  if (a == b) return true;
  OGRSpatialReferenceH first = gdal.OSRNewSpatialReference(a.c_str());
  OGRSpatialReferenceH second = gdal.OSRNewSpatialReference(b.c_str());
  const bool same = first != nullptr && second != nullptr && gdal.OSRIsSame(first, second) != 0;
  if (first != nullptr) gdal.OSRDestroySpatialReference(first);
  if (second != nullptr) gdal.OSRDestroySpatialReference(second);
  return same;
}

// Takes the grid's pixel coordinates to the colour image's, exactly (GDAL's transformer
// between the two geotransforms, through the reference systems when they differ).
class GridToColour {
 public:
  GridToColour(const Api& gdal, const Georeference& colour, const Georeference& grid,
               bool reproject)
      : gdal_(gdal),
        transformer_(gdal.GDALCreateGenImgProjTransformer3(
            reproject ? colour.crs.c_str() : nullptr, colour.transform.data(),
            reproject ? grid.crs.c_str() : nullptr, grid.transform.data())) {}
  ~GridToColour() {
    if (transformer_ != nullptr) gdal_.GDALDestroyGenImgProjTransformer(transformer_);
  }
  GridToColour(const GridToColour&) = delete;
  GridToColour& operator=(const GridToColour&) = delete;

  // False when the point cannot be taken into the colour's reference system.
  bool operator()(double column, double row, double& x, double& y) const {
    x = column;
    y = row;
    double z = 0.0;
    int success = 0;
    return transformer_ != nullptr &&
           gdal_.GDALGenImgProjTransform(transformer_, TRUE, 1, &x, &y, &z, &success) != 0 &&
           success != 0;
  }

 private:
  const Api& gdal_;
  void* transformer_;
};

}  // namespace

// The warper's blocks: the grid is warped in these, counted from its first stored pixel, so
// that any window is cut from blocks warped the same way, whatever else is read.
constexpr int kBlockWidth = 512;
constexpr int kBlockHeight = 128;

struct WarperDeleter {
  const Api* gdal;
  void operator()(void* warper) const { gdal->GDALDestroyWarpOperation(warper); }
};
struct TransformerDeleter {
  const Api* gdal;
  void operator()(void* transformer) const { gdal->GDALDestroyTransformer(transformer); }
};

struct ColourPlacement::State {
  enum class Mode { kPixels, kAligned, kWarped };

  State(const Api& api, std::string name, Dataset opened)
      : gdal(api), fileName(std::move(name)), colour(std::move(opened)) {}

  void place(const ImageGrid& grid, const NoteSink& notes);
  void checkCovers(const GridToColour& toColour, const ImageGrid& grid) const;
  bool aligned(const GridToColour& toColour, const ImageGrid& grid);
  void warp(const ImageGrid& grid, bool reproject);
  bool readWarped(int x, int y, int width, int height, std::uint8_t* first,
                  std::ptrdiff_t lineBytes) const;

  const Api& gdal;
  std::string fileName;
  Dataset colour;
  // The warper reads the colour image through the transformer; both go before it.
  std::unique_ptr<void, TransformerDeleter> transformer{nullptr, TransformerDeleter{&gdal}};
  std::unique_ptr<void, WarperDeleter> warper{nullptr, WarperDeleter{&gdal}};
  ColourBands colours;
  int fileWidth = 0;
  int fileHeight = 0;
  std::optional<Georeference> georeference;
  Mode mode = Mode::kPixels;
  // What read() reads from: the grid's size and order, and where its first stored pixel is
  // in the colour image when the colours are read as they are.
  int gridWidth = 0;
  int gridHeight = 0;
  StoredOrder order;
  int offsetX = 0;
  int offsetY = 0;
};

void ColourPlacement::State::place(const ImageGrid& grid, const NoteSink& notes) {
  if (!grid.georeference || !georeference) {
    gridWidth = fileWidth;
    gridHeight = fileHeight;
    order = storedOrder(georeference);
    if (order.rotated) sendNote(notes, rotatedNote(fileName));
    return;
  }
  gridWidth = grid.width;
  gridHeight = grid.height;
  order = storedOrder(grid.georeference);
  const std::string& gridCrs = grid.georeference->crs;
  const std::string& colourCrs = georeference->crs;
  // One with a reference system and one without are placed by their geotransforms alone.
  const bool reproject = !gridCrs.empty() && !colourCrs.empty();
  const bool sameCrs = gridCrs.empty() == colourCrs.empty() &&
                       (!reproject || sameReference(gdal, gridCrs, colourCrs));
  const GridToColour toColour(gdal, *georeference, *grid.georeference, reproject && !sameCrs);
  checkCovers(toColour, grid);
  if (sameCrs && aligned(toColour, grid)) {
    mode = Mode::kAligned;
    return;
  }
  warp(grid, reproject && !sameCrs);
}

// Every point of the grid's outline, each pixel corner along its four edges, must fall inside
// the colour image.
void ColourPlacement::State::checkCovers(const GridToColour& toColour,
                                         const ImageGrid& grid) const {
  const auto inside = [&](int column, int row) {
    double x = 0.0;
    double y = 0.0;
    return toColour(column, row, x, y) && x >= -kSlack && x <= fileWidth + kSlack && y >= -kSlack &&
           y <= fileHeight + kSlack;
  };
  std::optional<std::pair<int, int>> outside;
  for (int i = 0; i <= grid.width && !outside; ++i) {
    if (!inside(i, 0)) outside = {i, 0};
    if (!inside(i, grid.height)) outside = {i, grid.height};
  }
  for (int j = 0; j <= grid.height && !outside; ++j) {
    if (!inside(0, j)) outside = {0, j};
    if (!inside(grid.width, j)) outside = {grid.width, j};
  }
  if (!outside) return;
  throw Failure(ErrorKind::kSize, "erreur: " + fileName + " ne couvre pas " + grid.fileName + "\n",
                fileName + ": the corner of " + grid.fileName + "'s pixels at column " +
                    std::to_string(outside->first) + ", row " + std::to_string(outside->second) +
                    " of its grid lies outside this image (" + std::to_string(fileWidth) + " x " +
                    std::to_string(fileHeight) +
                    " pixels, by their georeferencing); a colour image must cover the whole"
                    " altitude image: cut the altitude to what the colour covers, or give a"
                    " larger colour image\n");
}

// Whether the grid's pixels are whole colour pixels, the same size and the same way round:
// then each is read as it is.
bool ColourPlacement::State::aligned(const GridToColour& toColour, const ImageGrid& grid) {
  double x0 = 0.0;
  double y0 = 0.0;
  double x1 = 0.0;
  double y1 = 0.0;
  double x2 = 0.0;
  double y2 = 0.0;
  if (!toColour(0, 0, x0, y0) || !toColour(grid.width, 0, x1, y1) ||
      !toColour(0, grid.height, x2, y2)) {
    return false;
  }
  const double column = std::round(x0);
  const double row = std::round(y0);
  const auto near = [](double a, double b) { return std::fabs(a - b) <= kSlack; };
  if (!near(x0, column) || !near(y0, row) || !near(x1, column + grid.width) || !near(y1, row) ||
      !near(x2, column) || !near(y2, row + grid.height)) {
    return false;
  }
  offsetX = static_cast<int>(column);
  offsetY = static_cast<int>(row);
  return true;
}

// GDAL's warper onto the grid, on the colours as read, bilinear (wider when shrinking), with
// gdalwarp's approximate transform: the colours GDAL's own warp gives.
void ColourPlacement::State::warp(const ImageGrid& grid, bool reproject) {
  const Georeference& target = *grid.georeference;
  void* exact = gdal.GDALCreateGenImgProjTransformer3(
      reproject ? georeference->crs.c_str() : nullptr, georeference->transform.data(),
      reproject ? target.crs.c_str() : nullptr, target.transform.data());
  if (exact == nullptr) throw cannotOpen(fileName, "GDAL cannot relate it to " + grid.fileName);
  transformer.reset(
      gdal.GDALCreateApproxTransformer(gdal.GDALGenImgProjTransform, exact, kWarpError));
  gdal.GDALApproxTransformerOwnsSubtransformer(transformer.get(), TRUE);
  GDALWarpOptions* options = gdal.GDALCreateWarpOptions();
  options->hSrcDS = colour.get();
  options->nBandCount = 3;
  options->panSrcBands = static_cast<int*>(gdal.CPLMalloc(3 * sizeof(int)));
  options->panDstBands = static_cast<int*>(gdal.CPLMalloc(3 * sizeof(int)));
  for (int band = 0; band < 3; ++band) {
    options->panSrcBands[band] = colours.threeBands ? band + 1 : 1;
    options->panDstBands[band] = band + 1;
  }
  options->eResampleAlg = GRA_Bilinear;
  options->eWorkingDataType = GDT_Byte;
  // No destination to start from: every pixel of the grid is warped.
  options->papszWarpOptions = gdal.CSLSetNameValue(nullptr, "INIT_DEST", "0");
  options->pfnTransformer = gdal.GDALApproxTransform;
  options->pTransformerArg = transformer.get();
  if (!colours.asRead) {
    options->pfnPreWarpChunkProcessor = expandChunk;
    options->pPreWarpProcessorArg = &colours;
  }
  warper.reset(gdal.GDALCreateWarpOperation(options));
  gdal.GDALDestroyWarpOptions(options);
  if (!warper) throw cannotOpen(fileName, "GDAL cannot warp it onto " + grid.fileName);
  mode = Mode::kWarped;
}

// Stored columns x to x + width - 1 of rows y to y + height - 1 of the grid, the first row at
// first and each next one lineBytes further; false when GDAL cannot.
bool ColourPlacement::State::readWarped(int x, int y, int width, int height, std::uint8_t* first,
                                        std::ptrdiff_t lineBytes) const {
  std::vector<std::uint8_t> block;
  for (int top = y / kBlockHeight * kBlockHeight; top < y + height; top += kBlockHeight) {
    for (int left = x / kBlockWidth * kBlockWidth; left < x + width; left += kBlockWidth) {
      const int blockWidth = std::min(kBlockWidth, gridWidth - left);
      const int blockHeight = std::min(kBlockHeight, gridHeight - top);
      const std::size_t bandBytes = static_cast<std::size_t>(blockWidth) * blockHeight;
      block.resize(3 * bandBytes);
      if (gdal.GDALWarpRegionToBuffer(warper.get(), left, top, blockWidth, blockHeight,
                                      block.data(), GDT_Byte, 0, 0, 0, 0) != CE_None) {
        return false;
      }
      // The block's bands follow one another; the window's pixels are red, green, blue.
      const int fromX = std::max(x, left);
      const int toX = std::min(x + width, left + blockWidth);
      for (int row = std::max(y, top); row < std::min(y + height, top + blockHeight); ++row) {
        std::uint8_t* out = first + (row - y) * lineBytes + 3 * (fromX - x);
        const std::size_t at = static_cast<std::size_t>(row - top) * blockWidth + (fromX - left);
        for (int i = 0; i < toX - fromX; ++i) {
          for (int c = 0; c < 3; ++c) out[3 * i + c] = block[c * bandBytes + at + i];
        }
      }
    }
    // The next row of blocks reads some of these source blocks again.
    for (int band = 1; band <= (colours.threeBands ? 3 : 1); ++band) {
      dropBlocks(gdal, gdal.GDALGetRasterBand(colour.get(), band), false);
    }
  }
  return true;
}

ColourPlacement::ColourPlacement(const std::string& fileName, const ImageGrid& grid,
                                 GdalLibrary& gdal, const NoteSink& notes) {
  const Api& api = gdal.api();
  const GdalMessages messages(api);
  state_ = std::make_unique<State>(api, fileName, openImage(api, fileName, messages));
  State& state = *state_;
  GDALDatasetH colour = state.colour.get();
  state.fileWidth = api.GDALGetRasterXSize(colour);
  state.fileHeight = api.GDALGetRasterYSize(colour);
  state.colours = colourBands(api, colour, fileName);
  checkDriverMemory(api, colour, fileName, state.colours.threeBands ? 3 : 1, 1);
  state.georeference = georeferenceOf(api, colour);
  state.place(grid, notes);
}

void ColourPlacement::read(int x, int y, int width, int height, std::uint8_t* out,
                           std::ptrdiff_t lineBytes) const {
  if (width <= 0 || height <= 0) return;
  const State& state = *state_;
  const GdalMessages messages(state.gdal);
  // The map window's place among the stored pixels; rows stored north first land bottom up.
  const StoredOrder& order = state.order;
  const int storedX = order.columnsEastFirst ? state.gridWidth - x - width : x;
  const int storedY = order.rowsSouthFirst ? y : state.gridHeight - y - height;
  std::uint8_t* first = order.rowsSouthFirst ? out : out + (height - 1) * lineBytes;
  const std::ptrdiff_t step = order.rowsSouthFirst ? lineBytes : -lineBytes;
  const bool read =
      state.mode == State::Mode::kWarped
          ? state.readWarped(storedX, storedY, width, height, first, step)
          : readColours(state.gdal, state.colour.get(), state.colours, storedX + state.offsetX,
                        storedY + state.offsetY, width, height, first, step);
  if (!read) throw readFailure(state.gdal, state.fileName, messages);
  if (order.columnsEastFirst) mirrorRows(first, height, step, width, 3);
}

bool ColourPlacement::placed() const { return state_->mode != State::Mode::kPixels; }
bool ColourPlacement::warped() const { return state_->mode == State::Mode::kWarped; }

// The dataset is closed under the reads' settings, as it was opened.
ColourPlacement::~ColourPlacement() {
  if (!state_) return;
  const GdalThreadOptions options(state_->gdal);
  state_.reset();
}

#else

struct ColourPlacement::State {
  int fileWidth = 0;
  int fileHeight = 0;
  std::optional<Georeference> georeference;
};

// Builds made without GDAL read no raster: GdalLibrary refuses to load.
ColourPlacement::ColourPlacement(const std::string&, const ImageGrid&, GdalLibrary&,
                                 const NoteSink&)
    : state_(std::make_unique<State>()) {}

ColourPlacement::~ColourPlacement() = default;
void ColourPlacement::read(int, int, int, int, std::uint8_t*, std::ptrdiff_t) const {}
bool ColourPlacement::placed() const { return false; }
bool ColourPlacement::warped() const { return false; }

#endif

std::int32_t ColourPlacement::fileWidth() const { return state_->fileWidth; }
std::int32_t ColourPlacement::fileHeight() const { return state_->fileHeight; }
const std::optional<Georeference>& ColourPlacement::georeference() const {
  return state_->georeference;
}

}  // namespace quorvel
