// The Python module: quorvel's library over numpy arrays. Compiles and reads release the GIL,
// so threads run them in parallel.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "quorvel/quorvel.h"

namespace py = pybind11;

namespace {

// Raised for every refusal: str(e) is quorvel's message line (Latin-1), e.hint its hint,
// e.kind what went wrong ("open", "format", "size", "nodata", "range", "memory", "write",
// "usage").
PyObject* errorType = nullptr;

std::string latin1(const std::string& bytes) {
  return py::reinterpret_steal<py::str>(
             PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), nullptr))
      .cast<std::string>();
}

quorvel::Settings settingsOf(std::array<float, 3> light, float zScale, float seaLevel) {
  quorvel::Settings settings;
  settings.lightDirection = {light[0], light[1], light[2]};
  settings.zScaleFactor = zScale;
  settings.seaLevel = seaLevel;
  return settings;
}

// The baked light's keywords, checked by the library as the command line's options are.
quorvel::Settings bakedSettingsOf(std::array<float, 3> light, float zScale, float seaLevel,
                                  int sky, bool shadows, double sunSize) {
  quorvel::Settings settings = settingsOf(light, zScale, seaLevel);
  settings.baked.skyDirections = sky;
  settings.baked.shadows = shadows;
  settings.baked.sunDiameter = sunSize;
  return settings;
}

py::dict resultOf(const quorvel::CompileResult& result) {
  py::dict out;
  out["largeur"] = result.largeur;
  out["hauteur"] = result.hauteur;
  out["bytes"] = result.bytes;
  out["map"] = result.map;
  py::list notes;
  for (const std::string& note : result.notes) notes.append(latin1(note));
  out["notes"] = notes;
  return out;
}

quorvel::SampleType sampleTypeOf(const py::dtype& type) {
  const std::pair<py::dtype, quorvel::SampleType> kTypes[] = {
      {py::dtype::of<std::int8_t>(), quorvel::SampleType::kInt8},
      {py::dtype::of<std::uint8_t>(), quorvel::SampleType::kUInt8},
      {py::dtype::of<std::int16_t>(), quorvel::SampleType::kInt16},
      {py::dtype::of<std::uint16_t>(), quorvel::SampleType::kUInt16},
      {py::dtype::of<std::int32_t>(), quorvel::SampleType::kInt32},
      {py::dtype::of<std::uint32_t>(), quorvel::SampleType::kUInt32},
      {py::dtype::of<float>(), quorvel::SampleType::kFloat32},
      {py::dtype::of<double>(), quorvel::SampleType::kFloat64}};
  for (const auto& [dtype, sampleType] : kTypes) {
    if (type.equal(dtype)) return sampleType;
  }
  throw py::type_error(
      "alt must be a 2-D array of int8, uint8, int16, uint16, int32, uint32, "
      "float32 or float64, not " +
      py::str(py::handle(type)).cast<std::string>());
}

// The array an argument holds. Taken as any object so that a refusal is one line: pybind11's
// own would convert a list, or echo the whole of it (megabytes) when it cannot.
py::array arrayOf(const char* role, const py::object& value) {
  if (!py::isinstance<py::array>(value)) {
    throw py::type_error(std::string(role) + " must be a numpy array, not " +
                         Py_TYPE(value.ptr())->tp_name);
  }
  return py::reinterpret_borrow<py::array>(value);
}

// "(300, 401, 3)": an array's shape as numpy prints it.
std::string shapeOf(const py::array& array) {
  return py::str(array.attr("shape")).cast<std::string>();
}

// The arrays keep their own strides; a view is made of each, nothing copied here.
quorvel::AltitudeView altitudeView(const py::array& alt) {
  if (alt.ndim() != 2) {
    throw py::type_error("alt must be a 2-D array (rows, columns), not of shape " + shapeOf(alt));
  }
  const quorvel::SampleType type = sampleTypeOf(alt.dtype());
  if (alt.dtype().attr("isnative").cast<bool>() == false) {
    throw py::type_error("alt must be in the machine's byte order");
  }
  return {alt.data(),
          static_cast<std::int32_t>(alt.shape(1)),
          static_cast<std::int32_t>(alt.shape(0)),
          alt.strides(0),
          type,
          alt.strides(1)};
}

quorvel::ColourView colourView(const char* role, const py::array& colour) {
  if (colour.ndim() != 3 || colour.shape(2) != 3 ||
      !colour.dtype().equal(py::dtype::of<std::uint8_t>())) {
    throw py::type_error(std::string(role) +
                         " must be a uint8 array of shape (rows, columns, 3), not " +
                         py::str(py::handle(colour.dtype())).cast<std::string>() + " of shape " +
                         shapeOf(colour));
  }
  if (colour.strides(2) != 1) {
    throw py::type_error(std::string(role) + "'s red, green and blue must be adjacent bytes");
  }
  return {static_cast<const std::uint8_t*>(colour.data()),
          static_cast<std::int32_t>(colour.shape(1)), static_cast<std::int32_t>(colour.shape(0)),
          colour.strides(0), colour.strides(1)};
}

py::dict tileDict(const quorvel::WorldTile& tile) {
  py::dict out;
  out["column"] = tile.column;
  out["row"] = tile.row;
  out["x0"] = tile.x0;
  out["y0"] = tile.y0;
  out["width"] = tile.width;
  out["height"] = tile.height;
  out["file"] = tile.file;
  out["bytes"] = tile.bytes;
  out["sha256"] = tile.sha256;
  out["fingerprint"] = tile.fingerprint;
  out["built"] = tile.built;
  return out;
}

quorvel::WorldTile tileOf(const py::dict& record) {
  quorvel::WorldTile tile;
  tile.column = record["column"].cast<std::int32_t>();
  tile.row = record["row"].cast<std::int32_t>();
  tile.x0 = record["x0"].cast<std::int32_t>();
  tile.y0 = record["y0"].cast<std::int32_t>();
  tile.width = record["width"].cast<std::int32_t>();
  tile.height = record["height"].cast<std::int32_t>();
  tile.file = record["file"].cast<std::string>();
  tile.bytes = record["bytes"].cast<std::int64_t>();
  tile.sha256 = record["sha256"].cast<std::string>();
  tile.fingerprint = record["fingerprint"].cast<std::string>();
  tile.built = record.contains("built") && record["built"].cast<bool>();
  return tile;
}

py::dict worldResultOf(const quorvel::WorldResult& result) {
  py::dict out;
  out["record"] = result.record;
  out["record_written"] = result.recordWritten;
  out["width"] = result.width;
  out["height"] = result.height;
  out["tile_size"] = result.tileSize;
  out["columns"] = result.columns;
  out["rows"] = result.rows;
  out["built"] = result.built;
  py::list tiles;
  for (const quorvel::WorldTile& tile : result.tiles) tiles.append(tileDict(tile));
  out["tiles"] = tiles;
  py::list notes;
  for (const std::string& note : result.notes) notes.append(latin1(note));
  out["notes"] = notes;
  return out;
}

// A map read whole: largeur, hauteur, heights (rows, columns) float32 and colours
// (rows, columns, 3) uint8, row 0 first (the south edge).
struct PyMap {
  std::int32_t largeur;
  std::int32_t hauteur;
  py::array_t<float> heights;
  py::array_t<std::uint8_t> colours;
};

}  // namespace

PYBIND11_MODULE(quorvel, m) {
  m.doc() = "quorvel: compile terrains for a 3D engine, and read them back";
  m.attr("__version__") = quorvel::version();
  errorType = PyErr_NewException("quorvel.Error", PyExc_Exception, nullptr);
  m.attr("Error") = py::handle(errorType);
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const quorvel::Error& error) {
      py::object value = py::handle(errorType)(latin1(error.what()));
      value.attr("hint") = latin1(error.hint());
      value.attr("kind") = quorvel::errorKindName(error.kind());
      PyErr_SetObject(errorType, value.ptr());
    }
  });

  m.def(
      "compile_map",
      [](const std::string& path, const py::object& alt, const py::object& difmat,
         const py::object& ambmat, const py::object& diflight, const py::object& amblight,
         std::array<float, 3> light, float zScale, float seaLevel, int sky, bool shadows,
         double sunSize) {
        const py::array arrays[] = {arrayOf("alt", alt), arrayOf("difmat", difmat),
                                    arrayOf("ambmat", ambmat), arrayOf("diflight", diflight),
                                    arrayOf("amblight", amblight)};
        const quorvel::TerrainViews views{
            altitudeView(arrays[0]), colourView("difmat", arrays[1]),
            colourView("ambmat", arrays[2]), colourView("diflight", arrays[3]),
            colourView("amblight", arrays[4])};
        const quorvel::Settings settings =
            bakedSettingsOf(light, zScale, seaLevel, sky, shadows, sunSize);
        quorvel::CompileResult result;
        {
          const py::gil_scoped_release released;
          result = quorvel::compileRasters(path, views, settings);
        }
        return resultOf(result);
      },
      py::arg("path"), py::arg("alt"), py::arg("difmat"), py::arg("ambmat"), py::arg("diflight"),
      py::arg("amblight"), py::arg("light") = std::array<float, 3>{0.0f, 0.0f, 1.0f},
      py::arg("z_scale") = 1.0f, py::arg("sea_level") = 0.0f, py::kw_only(), py::arg("sky") = 0,
      py::arg("shadows") = false, py::arg("sun_size") = 0.53,
      "Compiles the map at path from an altitude array (rows, columns) and four colour arrays "
      "(rows, columns, 3) of uint8, row 0 the south edge; returns largeur, hauteur, bytes. "
      "sky (8 or 16 directions, 0 for none), shadows and sun_size (degrees) bake the light as "
      "quorvel's --sky, --shadows and --sun-size do.");

  m.def(
      "compile_files",
      [](const std::string& prefix, std::array<float, 3> light, float zScale, float seaLevel,
         std::optional<std::string> alt, std::optional<std::string> difmat,
         std::optional<std::string> ambmat, std::optional<std::string> diflight,
         std::optional<std::string> amblight, std::optional<std::string> ext, int sky,
         bool shadows, double sunSize) {
        quorvel::ImageFiles files;
        files.prefix = prefix;
        if (ext) files.ext = *ext;
        files.alt = std::move(alt);
        files.difmat = std::move(difmat);
        files.ambmat = std::move(ambmat);
        files.diflight = std::move(diflight);
        files.amblight = std::move(amblight);
        const quorvel::Settings settings =
            bakedSettingsOf(light, zScale, seaLevel, sky, shadows, sunSize);
        quorvel::CompileResult result;
        {
          const py::gil_scoped_release released;
          result = quorvel::compileFiles(files, settings);
        }
        return resultOf(result);
      },
      py::arg("prefix"), py::arg("light") = std::array<float, 3>{0.0f, 0.0f, 1.0f},
      py::arg("z_scale") = 1.0f, py::arg("sea_level") = 0.0f, py::arg("alt") = py::none(),
      py::arg("difmat") = py::none(), py::arg("ambmat") = py::none(),
      py::arg("diflight") = py::none(), py::arg("amblight") = py::none(),
      py::arg("ext") = py::none(), py::kw_only(), py::arg("sky") = 0, py::arg("shadows") = false,
      py::arg("sun_size") = 0.53,
      "Compiles prefix + '.map' from image files named as the command line names them; sky, "
      "shadows and sun_size as for compile_map.");

  py::class_<quorvel::World>(m, "World",
                             "A world's plan of tiles, and the tiles built one at a time: each "
                             "from its window of the images and its neighbours' border pixels.")
      .def(py::init([](const std::string& prefix, const std::string& outdir, std::int32_t tile,
                       std::array<float, 3> light, float zScale, float seaLevel,
                       std::optional<std::string> alt, std::optional<std::string> difmat,
                       std::optional<std::string> ambmat, std::optional<std::string> diflight,
                       std::optional<std::string> amblight, std::optional<std::string> ext,
                       std::array<std::int32_t, 2> shard, bool trustedInputs, bool verify,
                       int sky, bool shadows, double sunSize) {
             quorvel::WorldOptions options;
             options.files.prefix = prefix;
             if (ext) options.files.ext = *ext;
             options.files.alt = std::move(alt);
             options.files.difmat = std::move(difmat);
             options.files.ambmat = std::move(ambmat);
             options.files.diflight = std::move(diflight);
             options.files.amblight = std::move(amblight);
             options.settings = bakedSettingsOf(light, zScale, seaLevel, sky, shadows, sunSize);
             options.outdir = outdir;
             options.tileSize = tile;
             options.shardIndex = shard[0];
             options.shardCount = shard[1];
             options.trustedInputs = trustedInputs;
             options.verify = verify;
             const py::gil_scoped_release released;
             return quorvel::World(options);
           }),
           py::arg("prefix"), py::arg("outdir"), py::arg("tile") = 5001,
           py::arg("light") = std::array<float, 3>{0.0f, 0.0f, 1.0f}, py::arg("z_scale") = 1.0f,
           py::arg("sea_level") = 0.0f, py::arg("alt") = py::none(), py::arg("difmat") = py::none(),
           py::arg("ambmat") = py::none(), py::arg("diflight") = py::none(),
           py::arg("amblight") = py::none(), py::arg("ext") = py::none(),
           py::arg("shard") = std::array<std::int32_t, 2>{0, 1}, py::arg("trusted_inputs") = false,
           py::arg("verify") = false, py::arg("sky") = 0, py::arg("shadows") = false,
           py::arg("sun_size") = 0.53,
           "Reads the images' headers and checks them as quorvel-world does, creates outdir and "
           "reads what earlier runs recorded. verify: hash every tile and read every input, "
           "even a file whose size, times and inode are those recorded.")
      .def_property_readonly(
          "tiles",
          [](const quorvel::World& world) {
            py::list tiles;
            for (const quorvel::WorldTile& tile : world.plan()) {
              py::dict record = tileDict(tile);
              record["index"] = tile.row * world.columns() + tile.column;
              tiles.append(record);
            }
            return tiles;
          },
          "The run's tiles: index, column, row, pixel window and file.")
      .def_property_readonly("notes",
                             [](const quorvel::World& world) {
                               py::list notes;
                               for (const std::string& note : world.notes())
                                 notes.append(latin1(note));
                               return notes;
                             })
      .def(
          "prepare",
          [](const quorvel::World& world) {
            const py::gil_scoped_release released;
            world.prepare();
          },
          "Before the first tile: checks the altitude's pixels over the whole world as quorvel "
          "does, and removes the temporary files that interrupted runs left.")
      .def_property_readonly("tile_count", &quorvel::World::tileCount,
                             "The whole world's tiles, numbered row x columns + column.")
      .def_property_readonly("has_horizons", &quorvel::World::hasHorizons,
                             "True with sky or shadows: every tile's horizons are built "
                             "(build_horizons) before any tile.")
      .def(
          "build_horizons",
          [](const quorvel::World& world, std::int32_t index) {
            const py::gil_scoped_release released;
            return world.buildHorizons(index);
          },
          py::arg("index"),
          "Writes tile index's horizons (what it hands on to the tiles beyond it) unless its "
          "file already holds them; returns whether it wrote.")
      .def(
          "build_tile",
          [](const quorvel::World& world, std::int32_t index, int threads) {
            quorvel::WorldTile tile;
            {
              const py::gil_scoped_release released;
              tile = world.buildTile(index, threads);
            }
            return tileDict(tile);
          },
          py::arg("index"), py::arg("threads") = 1,
          "Builds tile index unless its file already holds it; returns its record.")
      .def(
          "finish",
          [](const quorvel::World& world, const py::list& records) {
            std::vector<quorvel::WorldTile> tiles;
            for (const py::handle record : records)
              tiles.push_back(tileOf(record.cast<py::dict>()));
            quorvel::WorldResult result;
            {
              const py::gil_scoped_release released;
              result = world.finish(tiles);
            }
            return worldResultOf(result);
          },
          py::arg("records"),
          "Writes the manifest (or the shard's record) from the records of every tile of the "
          "run, by index, unless it already says the same.");

  m.def(
      "merge_world",
      [](const std::string& outdirBase) {
        quorvel::WorldResult result;
        {
          const py::gil_scoped_release released;
          result = quorvel::mergeWorld(outdirBase);
        }
        return worldResultOf(result);
      },
      py::arg("outdir_base"), "Writes outdir/base.world.json from the records of every shard.");

  py::class_<PyMap>(m, "Map")
      .def_readonly("largeur", &PyMap::largeur)
      .def_readonly("hauteur", &PyMap::hauteur)
      .def_readonly("heights", &PyMap::heights)
      .def_readonly("colours", &PyMap::colours);

  m.def(
      "read_map",
      [](const std::string& path) {
        std::optional<quorvel::Map> map;
        {
          const py::gil_scoped_release released;
          map.emplace(path);
        }
        const auto rows = static_cast<py::ssize_t>(map->height());
        const auto columns = static_cast<py::ssize_t>(map->width());
        py::array_t<float> heights({rows, columns});
        py::array_t<std::uint8_t> colours({rows, columns, py::ssize_t{3}});
        std::copy(map->heights().begin(), map->heights().end(), heights.mutable_data());
        std::copy(map->colours().begin(), map->colours().end(), colours.mutable_data());
        return PyMap{map->largeur(), map->hauteur(), std::move(heights), std::move(colours)};
      },
      py::arg("path"), "Reads a terrain file: its size, every vertex's height and colour.");
}
