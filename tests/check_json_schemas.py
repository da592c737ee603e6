"""Runs the built programs with --json and checks what each prints against its schema.

    check_json_schemas.py SCHEMA_DIR NAME=PROGRAM...

Every case below names a program, its arguments, the exit code it must end with and the
schema (in SCHEMA_DIR) that its standard output must match: exactly one JSON object, whose
"exit", when it reports an error, is the exit code itself. The cases run in a temporary
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

INSPECT = "quorvel-inspect.schema.json"

# (program, arguments, exit code, schema). Names are bytes where a case needs a byte that is
# not UTF-8.
CASES = [
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
]


def make_inputs(directory):
    """Maps of 1 x 1 blocFiles (8 header bytes, 625 records of 159), and broken ones."""
    records = 625 * 159
    flat = (1).to_bytes(4, "little") * 2 + bytes(records)
    changed = bytearray(flat)
    changed[8 + 159 + 30] = 0x40  # a height of the second record
    files = {
        "flat.map": flat,
        "changed.map": bytes(changed),
        "header.map": bytes(8),
        "short.map": bytes(5),
    }
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


def main():
    schema_dir = sys.argv[1]
    programs = dict(argument.split("=", 1) for argument in sys.argv[2:])
    schemas = {}
    for name in sorted({case[3] for case in CASES}):
        with open(os.path.join(schema_dir, name), encoding="utf-8") as text:
            schemas[name] = json.load(text)
        jsonschema.validators.validator_for(schemas[name]).check_schema(schemas[name])
    failures = 0
    with tempfile.TemporaryDirectory() as directory:
        make_inputs(directory)
        for case in CASES:
            shown = " ".join(os.fsdecode(argument) for argument in [case[0]] + case[1])
            if case[0] not in programs:
                print(f"skipped (not built): {shown}")
                continue
            problem = check(programs, schemas, directory, case)
            print(f"{'FAILED' if problem else 'ok'}: {shown}" + (f": {problem}" if problem else ""))
            failures += problem is not None
    print(f"{len(CASES)} cases, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
