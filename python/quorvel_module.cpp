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

#include "quorvel/quorvel.h"

namespace py = pybind11;

namespace {

// Raised for every refusal: str(e) is quorvel's message line (Latin-1), e.hint its hint.
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

// The arrays keep their own strides; a view is made of each, nothing copied here.
quorvel::AltitudeView altitudeView(const py::array& alt) {
  if (alt.ndim() != 2) throw py::type_error("alt must be a 2-D array (rows, columns)");
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
    throw py::type_error(std::string(role) + " must be a uint8 array of shape (rows, columns, 3)");
  }
  if (colour.strides(2) != 1) {
    throw py::type_error(std::string(role) + "'s red, green and blue must be adjacent bytes");
  }
  return {static_cast<const std::uint8_t*>(colour.data()),
          static_cast<std::int32_t>(colour.shape(1)), static_cast<std::int32_t>(colour.shape(0)),
          colour.strides(0), colour.strides(1)};
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
      PyErr_SetObject(errorType, value.ptr());
    }
  });

  m.def(
      "compile_map",
      [](const std::string& path, const py::array& alt, const py::array& difmat,
         const py::array& ambmat, const py::array& diflight, const py::array& amblight,
         std::array<float, 3> light, float zScale, float seaLevel) {
        const quorvel::TerrainViews views{
            altitudeView(alt), colourView("difmat", difmat), colourView("ambmat", ambmat),
            colourView("diflight", diflight), colourView("amblight", amblight)};
        const quorvel::Settings settings = settingsOf(light, zScale, seaLevel);
        quorvel::CompileResult result;
        {
          const py::gil_scoped_release released;
          result = quorvel::compileRasters(path, views, settings);
        }
        return resultOf(result);
      },
      py::arg("path"), py::arg("alt"), py::arg("difmat"), py::arg("ambmat"), py::arg("diflight"),
      py::arg("amblight"), py::arg("light") = std::array<float, 3>{0.0f, 0.0f, 1.0f},
      py::arg("z_scale") = 1.0f, py::arg("sea_level") = 0.0f,
      "Compiles the map at path from an altitude array (rows, columns) and four colour arrays "
      "(rows, columns, 3) of uint8, row 0 the south edge; returns largeur, hauteur, bytes.");

  m.def(
      "compile_files",
      [](const std::string& prefix, std::array<float, 3> light, float zScale, float seaLevel,
         std::optional<std::string> alt, std::optional<std::string> difmat,
         std::optional<std::string> ambmat, std::optional<std::string> diflight,
         std::optional<std::string> amblight, std::optional<std::string> ext) {
        quorvel::ImageFiles files;
        files.prefix = prefix;
        if (ext) files.ext = *ext;
        files.alt = std::move(alt);
        files.difmat = std::move(difmat);
        files.ambmat = std::move(ambmat);
        files.diflight = std::move(diflight);
        files.amblight = std::move(amblight);
        const quorvel::Settings settings = settingsOf(light, zScale, seaLevel);
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
      py::arg("ext") = py::none(),
      "Compiles prefix + '.map' from image files named as the command line names them.");

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
