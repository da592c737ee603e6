#include "map/map_writer.h"

#include <cstdio>

#include "failure.h"
#include "map/cell_encoding.h"
#include "map/map_format.h"
#include "map/normals.h"

namespace quorvel {
namespace {

// The altitude image must be 50 n + 1 pixels each way, at most 100 blocFiles; the first
// failing check, in this order, is the one reported.
void checkSize(const Texture& alt, int& largeur, int& hauteur) {
  if ((alt.width - 1) % kBlocFilePixels != 0) throw Failure("largeur incorrect\n");
  largeur = (alt.width - 1) / kBlocFilePixels;
  if (largeur > kMaxBlocFiles) throw Failure("carte trop large\n");
  if ((alt.height - 1) % kBlocFilePixels != 0) throw Failure("hauteur incorrect\n");
  hauteur = (alt.height - 1) / kBlocFilePixels;
  if (hauteur > kMaxBlocFiles) throw Failure("carte trop haute\n");
}

// Colour images are read at alt's pixel coordinates, so none may be smaller than alt.
void checkColorImages(const Terrain& terrain) {
  for (const Texture* image : {&terrain.difMat, &terrain.ambMat, &terrain.difLight,
                               &terrain.ambLight}) {
    if (image->width < terrain.alt.width || image->height < terrain.alt.height) {
      throw Failure("erreur: " + image->fileName + " est plus petit que " +
                    terrain.alt.fileName + "\n");
    }
  }
}

}  // namespace

void writeCell(MapFile& file, const Terrain& terrain, int ox, int oy) {
  const int cx = ox + 1;
  const int cy = oy + 1;
  for (const PixelOffset v : kCellVertices) writeVertexColor(file, terrain, cx + v.dx, cy + v.dy);
  for (const PixelOffset v : kCellVertices) writeVertexHeight(file, terrain, cx + v.dx, cy + v.dy);
  writeFaceNormals(file, terrain.alt, terrain.settings.zScaleFactor, cx, cy);
}

void writeSubBlock(MapFile& file, const Terrain& terrain, int x0, int y0) {
  for (int cy = 0; cy < kCellsPerSide; ++cy) {
    for (int cx = 0; cx < kCellsPerSide; ++cx) {
      writeCell(file, terrain, x0 + kCellPixels * cx, y0 + kCellPixels * cy);
    }
  }
}

void writeBlock(MapFile& file, const Terrain& terrain, int x0, int y0) {
  for (int sy = 0; sy < kSubBlocksPerSide; ++sy) {
    for (int sx = 0; sx < kSubBlocksPerSide; ++sx) {
      writeSubBlock(file, terrain, x0 + kSubBlockPixels * sx, y0 + kSubBlockPixels * sy);
    }
  }
}

void writeMap(const std::string& prefix, const Terrain& terrain) {
  int largeur = 0;
  int hauteur = 0;
  checkSize(terrain.alt, largeur, hauteur);
  checkColorImages(terrain);
  MapFile file(prefix + ".map");
  std::printf("largeur: %d, hauteur: %d (en blocFile)\n", largeur, hauteur);
  file.putI32(largeur);
  file.putI32(hauteur);

  Terrain lit = terrain;
  normalize(lit.settings.lightDirection);
  for (int by = 0; by < hauteur; ++by) {
    for (int bx = 0; bx < largeur; ++bx) {
      writeBlock(file, lit, kBlocFilePixels * bx, kBlocFilePixels * by);
    }
  }
  file.commit();
}

}  // namespace quorvel
