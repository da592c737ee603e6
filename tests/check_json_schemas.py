"""Runs the built programs with --json and checks what each prints against its schema.

    check_json_schemas.py SCHEMA_DIR NAME=PROGRAM...

Every case below names a program, its arguments, the exit code it must end with and the
schema (in SCHEMA_DIR) that its standard output must match: exactly one JSON object, whose
"exit", when it reports an error, is the exit code itself. Then the files that FILES names,
which the cases wrote (a world's manifest, a georeferenced one, a shard's record), are checked
against theirs. The cases run in a temporary
directory that holds the files made by make_inputs. A program not given on the command line
is not built: its cases are skipped, and said so. Needs the jsonschema module (Debian's
python3-jsonschema).
"""

import json
import os
import subprocess
import sys
import tempfile

import jsonschema

COMPILER = "quorvel.schema.json"
INSPECT = "quorvel-inspect.schema.json"
WORLD = "quorvel-world.schema.json"
MANIFEST = "world-manifest.schema.json"

# (program, arguments, exit code, schema). Names are bytes where a case needs a byte that is
# not UTF-8.
CASES = [
    ("quorvel", ["--json", "t", "1", "1", "2", "0.5"], 0, COMPILER),
    ("quorvel", ["--version", "--json"], 0, COMPILER),
    ("quorvel", ["--json", "none"], 1, COMPILER),
    ("quorvel", ["--json", "--bogus", "t"], 1, COMPILER),
    ("quorvel", ["--json", "t", "1", "2"], 0, COMPILER),
    ("quorvel", ["--json", "--strict", "t", "1", "2"], 2, COMPILER),
    ("quorvel", ["--json", "--sky=8", "--shadows", "--sun-size", "2", "t", "1", "1", "2"], 0,
     COMPILER),
    ("quorvel", ["--json", "--sky=3", "t"], 2, COMPILER),
    ("quorvel", ["--json"], 0, COMPILER),
    ("quorvel-inspect", ["flat.map", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["--json", "header.map"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "--cell", "50", "0", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "flat.map", "--diff", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "changed.map", "--diff", "--json"], 1, INSPECT),
    ("quorvel-inspect", ["flat.map", "header.map", "--diff", "--json"], 1, INSPECT),
    ("quorvel-inspect", ["flat.map", "--preview", "p.png", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "--relief", "r.png", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "--gltf", "t.glb", "--max-triangles", "100", "--json"], 0,
     INSPECT),
    ("quorvel-inspect", ["short.map", "--json"], 1, INSPECT),
    ("quorvel-inspect", [b"\xe9t\xe9.map", "--json"], 1, INSPECT),
    ("quorvel-inspect", ["flat.map", "none.map", "--diff", "--json"], 2, INSPECT),
    ("quorvel-inspect", ["flat.map", "--cell", "1", "--json"], 2, INSPECT),
    ("quorvel-inspect", ["--json"], 2, INSPECT),
    ("quorvel-world", ["--json", "--tile", "51", "t", "w", "1", "1", "2", "0.5"], 0, WORLD),
    ("quorvel-world", ["--json", "--shard", "0/2", "t", "parts"], 0, WORLD),
    ("quorvel-world", ["--json", "--merge", "parts/t"], 1, WORLD),
    ("quorvel-world", ["--json", "--tile", "50", "t", "w"], 2, WORLD),
    ("quorvel-world", ["--json", "none", "w"], 1, WORLD),
    ("quorvel-world", ["--version", "--json"], 0, WORLD),
    ("quorvel-world", ["--json"], 0, WORLD),
    ("quorvel-inspect", ["w/t.world.json", "--3d-tiles", "tiles", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["flat.map", "--3d-tiles", "tiles-map", "--json"], 0, INSPECT),
    ("quorvel-inspect", ["w/t.world.json", "--preview", "w.png", "--width", "20", "--json"], 0,
     INSPECT),
    ("quorvel-inspect", ["w/t.world.json", "--json"], 0, INSPECT),
    # A georeferenced world: the example elevation model (GeoTIFF altitude, PNG colours).
    ("quorvel-world", ["--json", "--tile", "101", "--alt", "jacksboro/jacksboroalt.tif", "--ext",
                       "png", "jacksboro/jacksboro", "geo", "1", "1", "2", "0.1", "0"], 0, WORLD),
    ("quorvel-inspect", ["geo/jacksboro.world.json", "--json"], 0, INSPECT),
]

# Files the cases above write, the schema each must match and the fields it must hold.
FILES = [
    ("quorvel-world", "w/t.world.json", MANIFEST, []),
    ("quorvel-world", "parts/t.shard-0-of-2.json", MANIFEST, []),
    ("quorvel-world", "geo/jacksboro.world.json", MANIFEST, ["georeference"]),
]


def bmp(width, height, bits, level):
    """A bottom-up BMP of one level everywhere: 8 bits with a grey table, or 24 bits."""
    row = bytes([level] * (width * bits // 8))
    row += bytes(-len(row) % 4)
    table = b"".join(bytes([i, i, i, 0]) for i in range(256)) if bits == 8 else b""
    offset = 14 + 40 + len(table)
    size = offset + len(row) * height

    def le(value, length):
        return value.to_bytes(length, "little", signed=True)

    return (b"BM" + le(size, 4) + le(0, 4) + le(offset, 4) + le(40, 4) + le(width, 4) +
            le(height, 4) + le(1, 2) + le(bits, 2) + le(0, 4) + le(len(row) * height, 4) +
            le(2835, 4) * 2 + le(256 if bits == 8 else 0, 4) + le(0, 4) + table + row * height)


def make_inputs(directory, examples):
    """A terrain's five BMPs (prefix t), maps of 1 x 1 blocFiles (8 header bytes, 625 records
    of 159 bytes), broken ones, and the example elevation model (jacksboro/)."""
    os.symlink(os.path.join(examples, "jacksboro"), os.path.join(directory, "jacksboro"))
    records = 625 * 159
    flat = (1).to_bytes(4, "little") * 2 + bytes(records)
    changed = bytearray(flat)
    changed[8 + 159 + 30] = 0x40  # a height of the second record
    files = {
        "flat.map": flat,
        "changed.map": bytes(changed),
        "header.map": bytes(8),
        "short.map": bytes(5),
        "talt.bmp": bmp(51, 51, 8, 10),
    }
    for role in ("DifMat", "AmbMat", "DifLight", "AmbLight"):
        files[f"t{role}.bmp"] = bmp(51, 51, 24, 200)
    for name, content in files.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(content)


def check(programs, schemas, directory, case):
    """Returns what is wrong with one case, or None."""
    program, arguments, exit_code, schema = case
    run = subprocess.run([programs[program]] + arguments, cwd=directory, capture_output=True,
                         timeout=120)
    if run.returncode != exit_code:
        return f"exit code {run.returncode}, not {exit_code}"
    try:
        report = json.loads(run.stdout.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        return f"standard output is not one JSON object ({error}): {run.stdout!r}"
    try:
        jsonschema.validate(report, schemas[schema],
                            cls=jsonschema.validators.validator_for(schemas[schema]))
    except jsonschema.ValidationError as error:
        return f"does not match {schema}: {error.message} at {list(error.absolute_path)}"
    if isinstance(report, dict) and "error" in report and report.get("exit") != run.returncode:
        return f"reports exit {report.get('exit')} but exits with {run.returncode}"
    return None


def check_file(schemas, path, schema, fields):
    """Returns what is wrong with a file the programs wrote, or None."""
    try:
        with open(path, encoding="utf-8") as text:
            report = json.load(text)
    except (OSError, UnicodeDecodeError, json.JSONDecodeError) as error:
        return f"cannot be read as JSON ({error})"
    try:
        jsonschema.validate(report, schemas[schema],
                            cls=jsonschema.validators.validator_for(schemas[schema]))
    except jsonschema.ValidationError as error:
        return f"does not match {schema}: {error.message} at {list(error.absolute_path)}"
    missing = [field for field in fields if field not in report]
    return f"has no {', '.join(missing)}" if missing else None


def main():
    schema_dir = sys.argv[1]
    programs = {name: os.path.abspath(path)
                for name, path in (argument.split("=", 1) for argument in sys.argv[2:])}
    schemas = {}
    for name in sorted({case[3] for case in CASES} | {file[2] for file in FILES}):
        with open(os.path.join(schema_dir, name), encoding="utf-8") as text:
            schemas[name] = json.load(text)
        jsonschema.validators.validator_for(schemas[name]).check_schema(schemas[name])
    failures = 0
    with tempfile.TemporaryDirectory() as directory:
        make_inputs(directory, os.path.join(os.path.abspath(schema_dir), "..", "..", "examples"))
        for case in CASES:
            shown = " ".join(os.fsdecode(argument) for argument in [case[0]] + case[1])
            if case[0] not in programs:
                print(f"skipped (not built): {shown}")
                continue
            problem = check(programs, schemas, directory, case)
            print(f"{'FAILED' if problem else 'ok'}: {shown}" + (f": {problem}" if problem else ""))
            failures += problem is not None
        for program, name, schema, fields in FILES:
            if program not in programs:
                continue
            problem = check_file(schemas, os.path.join(directory, name), schema, fields)
            print(f"{'FAILED' if problem else 'ok'}: {name}" + (f": {problem}" if problem else ""))
            failures += problem is not None
    print(f"{len(CASES) + len(FILES)} cases, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
