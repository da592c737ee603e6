"""Checks that dependencies point one way, downwards, by the project's own includes.

    check_layers.py SOURCE_DIR

The programs (src/compiler, src/world_program, src/inspect), their CLI layer (src/cli) and
the Python module stand on the public headers (include/quorvel) and the CLI layer, besides
their own folder and the shared leaf headers (LEAVES); the CLI layer may also use src/math,
which depends on nothing (the settings are rounded to float as the map code rounds); src/library is the one door to the
engine below it (src/world, src/map, src/image, src/math and the shared headers of src/),
none of which includes the library, the CLI layer or a program. Tests (*_test.cpp) may
include anything. Exits 1 and names each include that breaks a rule.
"""

import os
import re
import sys

PROGRAMS = ["src/compiler", "src/world_program", "src/inspect", "src/cli", "python"]
ENGINE = ["src/world", "src/map", "src/image", "src/math"]
ABOVE_ENGINE = ("library/", "cli/", "compiler/", "world_program/", "inspect/")

# The shared leaf headers of src/, which include nothing of the project but the public
# types: the one error type, printf into a string, the byte-order helpers and the owning file
# handle. Every layer may use them; none of them knows a map, an image or a world.
LEAVES = {"failure.h", "printf_text.h", "little_endian.h", "file_handle.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def sources(root, folder):
    path = os.path.join(root, folder)
    for directory, _, names in os.walk(path):
        for name in sorted(names):
            if name.endswith((".cpp", ".h")) and not name.endswith("_test.cpp"):
                yield os.path.join(directory, name)


def includes(path):
    with open(path, encoding="utf-8") as text:
        return INCLUDE.findall(text.read())


def main():
    root = sys.argv[1]
    problems = []
    for folder in PROGRAMS:
        own = folder.split("/")[-1] + "/"
        for path in sources(root, folder):
            for name in includes(path):
                allowed = (name.startswith(("quorvel/", "cli/", own)) or name in LEAVES or
                           (folder == "src/cli" and name.startswith("math/")))
                if not allowed:
                    problems.append(f"{os.path.relpath(path, root)}: includes {name}, below the "
                                    "public headers")
    for folder in ENGINE + ["src"]:
        paths = (sources(root, folder) if folder != "src" else
                 (os.path.join(root, "src", name) for name in sorted(os.listdir(
                     os.path.join(root, "src"))) if name.endswith((".cpp", ".h"))))
        for path in paths:
            for name in includes(path):
                if name.startswith(ABOVE_ENGINE):
                    problems.append(f"{os.path.relpath(path, root)}: includes {name}, above it")
    for path in sources(root, "src/library"):
        for name in includes(path):
            if name.startswith(ABOVE_ENGINE[1:]):
                problems.append(f"{os.path.relpath(path, root)}: includes {name}, above it")
    for problem in problems:
        print(problem)
    print(f"{len(problems)} includes against the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
