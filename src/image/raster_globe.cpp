#include "image/raster_globe.h"

#include <algorithm>

#include "failure.h"
#include "image/raster_gdal.h"
#include "image/raster_reader.h"

namespace quorvel {

#ifdef QUORVEL_GDAL_LIBRARY

namespace {

struct ReferenceCloser {
  const GdalApi* gdal;
  void operator()(void* reference) const { gdal->OSRDestroySpatialReference(reference); }
};
using Reference = std::unique_ptr<void, ReferenceCloser>;

}  // namespace

struct GeocentricTransform::State {
  const GdalApi* gdal = nullptr;
  OGRCoordinateTransformationH transformation = nullptr;
  std::string what;
  ~State() {
    if (transformation != nullptr) gdal->OCTDestroyCoordinateTransformation(transformation);
  }
};

GeocentricTransform::GeocentricTransform(const GdalLibrary& library, const std::string& crs,
                                         const std::string& what)
    : state_(std::make_unique<State>()) {
  const GdalApi& gdal = library.api();
  state_->gdal = &gdal;
  state_->what = what;
  const GdalMessages messages(gdal);
  const Reference source(gdal.OSRNewSpatialReference(crs.c_str()), ReferenceCloser{&gdal});
  Reference target(gdal.OSRNewSpatialReference(nullptr), ReferenceCloser{&gdal});
  if (!source || !target || gdal.OSRImportFromEPSG(target.get(), 4978) != OGRERR_NONE) {
    throw Failure(ErrorKind::kFormat, what + ": GDAL cannot read its reference system: " +
                                          messages.reason() + "\n");
  }
  // Easting and northing, longitude and latitude, as the geotransform gives them, whatever
  // order the system's definition lists its axes in.
  gdal.OSRSetAxisMappingStrategy(source.get(), OAMS_TRADITIONAL_GIS_ORDER);
  gdal.OSRSetAxisMappingStrategy(target.get(), OAMS_TRADITIONAL_GIS_ORDER);
  state_->transformation = gdal.OCTNewCoordinateTransformation(source.get(), target.get());
  if (state_->transformation == nullptr) {
    throw Failure(ErrorKind::kFormat, what + ": GDAL cannot take its reference system to WGS 84: " +
                                          messages.reason() + "\n");
  }
}

void GeocentricTransform::transform(std::vector<std::array<double, 3>>& points) const {
  const GdalApi& gdal = *state_->gdal;
  const GdalMessages messages(gdal);
  // GDAL takes the coordinates axis by axis, in pieces that keep the copies small.
  constexpr std::size_t kPiece = 4096;
  std::vector<double> x, y, z;
  for (std::size_t first = 0; first < points.size(); first += kPiece) {
    const std::size_t count = std::min(kPiece, points.size() - first);
    x.resize(count);
    y.resize(count);
    z.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      x[i] = points[first + i][0];
      y[i] = points[first + i][1];
      z[i] = points[first + i][2];
    }
    if (gdal.OCTTransform(state_->transformation, static_cast<int>(count), x.data(), y.data(),
                          z.data()) == 0) {
      throw Failure(ErrorKind::kFormat, state_->what +
                                            ": GDAL cannot take a point to WGS 84: " +
                                            messages.reason() + "\n");
    }
    for (std::size_t i = 0; i < count; ++i) points[first + i] = {x[i], y[i], z[i]};
  }
}

#else

struct GeocentricTransform::State {};

GeocentricTransform::GeocentricTransform(const GdalLibrary&, const std::string&,
                                         const std::string& what) {
  throw Failure(ErrorKind::kOpen,
                what + ": this quorvel was built without GDAL, which places it on the Earth\n");
}

void GeocentricTransform::transform(std::vector<std::array<double, 3>>&) const {}

#endif

GeocentricTransform::~GeocentricTransform() = default;

}  // namespace quorvel
