"""Builds the quorvel module with the project's CMake build, for pip install ."""

import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def version():
    """The package version, from the numbers of the public header."""
    text = (ROOT / "include" / "quorvel" / "version.h").read_text()
    return ".".join(
        re.search(rf"^#define QUORVEL_VERSION_{part} (\d+)$", text, re.M).group(1)
        for part in ("MAJOR", "MINOR", "PATCH"))


class CMakeBuild(build_ext):
    """Configures the project for the running Python and builds only the module's target."""

    def build_extension(self, ext):
        built = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(built), "-DCMAKE_BUILD_TYPE=Release",
            "-DQUORVEL_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
            "-DQUORVEL_TESTS=OFF", "-DQUORVEL_BENCH=OFF", "-DQUORVEL_INSPECT=OFF"]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        try:  # pybind11 from the package index, in an isolated build; else CMake finds Debian's
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(built), "--target", "quorvel_python"], check=True)
        module = next(built.glob("quorvel.*.so"))
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(module, target)


setup(
    version=version(),
    packages=[],
    ext_modules=[Extension("quorvel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-python"}},
)
