"""Builds a world's tiles with dask.distributed, one task per tile: the same tiles and manifest
as quorvel-world given the same command line.

PYTHONPATH=<prefix>/lib/python3/dist-packages python3 world_dask.py \\
    [quorvel-world's options] [--scheduler ADDRESS] prefix outdir [x y z] [z scale] [sea level]

The scheduler is ADDRESS, else $DASK_SCHEDULER_ADDRESS, else a LocalCluster of two worker
processes. The workers get the file names made absolute, as this directory sees them, so
that they may run in other directories: every worker must import quorvel and see the
images and outdir under those names (a shared disk). --jobs is taken and left to the
scheduler.
"""

import json
import os
import re
import sys

import quorvel

USAGE = ("usage: world_dask.py [options] [--scheduler ADDRESS] prefix outdir "
         "[x y z light direction] [z scale factor] [sea level]")
IMAGE_OPTIONS = {"--alt": "alt", "--difmat": "difmat", "--ambmat": "ambmat",
                 "--diflight": "diflight", "--amblight": "amblight", "--ext": "ext"}
NUMBER = re.compile(r"\s*[+-]?((\d+\.?\d*|\.\d+)([eE][+-]?\d+)?|inf(inity)?|nan)", re.IGNORECASE)


def usage_error(line):
    print(line)
    print(USAGE, file=sys.stderr)
    sys.exit(2)


def number(text):
    """A setting as quorvel reads one: the longest leading decimal number, else 0."""
    match = NUMBER.match(text)
    return float(match.group(0)) if match else 0.0


def for_workers(options):
    """options with every file name made absolute as this process sees it, for workers that
    run in other directories. A trailing separator is kept (a prefix "dir/" names
    dir/alt.bmp); a network name (scheme://...) is left alone."""
    names = ("prefix", "outdir", "alt", "difmat", "ambmat", "diflight", "amblight")
    return {key: os.path.join(os.getcwd(), value)
            if key in names and "://" not in value else value
            for key, value in options.items()}


def parse(arguments):
    """The keyword arguments of quorvel.World, the scheduler's address and --json."""
    options = {}
    scheduler = os.environ.get("DASK_SCHEDULER_ADDRESS")
    as_json = False
    i = 0

    def value():
        if i + 1 >= len(arguments):
            usage_error(f"world_dask.py: {arguments[i]} needs a value")
        return arguments[i + 1]

    while i < len(arguments) and arguments[i].startswith("--"):
        option = arguments[i]
        if option == "--":
            i += 1
            break
        if option in ("--json", "--trusted-inputs"):
            as_json = as_json or option == "--json"
            if option == "--trusted-inputs":
                options["trusted_inputs"] = True
            i += 1
            continue
        if option in ("--sky", "--sky=16", "--sky=8", "--shadows"):
            if option == "--shadows":
                options["shadows"] = True
            else:
                options["sky"] = 8 if option == "--sky=8" else 16
            i += 1
            continue
        if option.startswith("--sun-size="):
            options["sun_size"] = float(option[len("--sun-size="):])
            i += 1
            continue
        if option == "--sun-size":
            options["sun_size"] = float(value())
        elif option == "--tile":
            tile = value()
            if not tile.isdigit() or not 51 <= int(tile) <= 5001 or (int(tile) - 1) % 50:
                usage_error("world_dask.py: --tile needs a size of 50 n + 1 pixels from 51 to "
                            f"5001, not {tile}")
            options["tile"] = int(tile)
        elif option == "--shard":
            shard = re.fullmatch(r"(\d+)/(\d+)", value())
            if not shard or not int(shard.group(1)) < int(shard.group(2)):
                usage_error(f"world_dask.py: --shard needs K/N with 0 <= K < N, not {value()}")
            options["shard"] = (int(shard.group(1)), int(shard.group(2)))
        elif option == "--scheduler":
            scheduler = value()
        elif option == "--jobs":
            pass
        elif option in IMAGE_OPTIONS:
            options[IMAGE_OPTIONS[option]] = value()
        else:
            usage_error(f"erreur: option inconnue {option}")
        i += 2
    positional = arguments[i:]
    if len(positional) < 2:
        usage_error("world_dask.py: give the prefix and the output directory")
    settings = positional[2:]
    if len(settings) >= 3:
        options["light"] = tuple(number(text) for text in settings[0:3])
    if len(settings) >= 4:
        options["z_scale"] = number(settings[3])
    if len(settings) >= 5:
        options["sea_level"] = number(settings[4])
    return dict(prefix=positional[0], outdir=positional[1], **options), scheduler, as_json


def build_horizons(options, index):
    """One task of the first stage: what tile index hands on to the tiles beyond it."""
    return quorvel.World(**options).build_horizons(index)


def build_tile(options, index):
    """One task: the tile, unless its file already holds it, and its record."""
    return quorvel.World(**options).build_tile(index)


def main():
    options, scheduler, as_json = parse(sys.argv[1:])
    try:
        world = quorvel.World(**options)
    except quorvel.Error as refused:
        if as_json:
            print(json.dumps({"error": str(refused), "exit": 1}))
        else:
            print(str(refused))
        print(refused.hint, file=sys.stderr)
        return 1
    try:
        world.prepare()
    except quorvel.Error as refused:
        print(str(refused))
        print(refused.hint, file=sys.stderr)
        return 1

    from dask.distributed import Client, LocalCluster

    cluster = None
    if scheduler is None:
        cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                               dashboard_address=None)
    tile_options = for_workers(options)
    with Client(scheduler or cluster) as client:
        if world.has_horizons:
            # With sky or shadows, every tile's horizons before any tile: two stages of
            # independent tasks.
            stage = [client.submit(build_horizons, tile_options, index, key=f"horizons-{index}",
                                   pure=False) for index in range(world.tile_count)]
            try:
                client.gather(stage)
            except quorvel.Error as refused:
                print(str(refused))
                print(refused.hint, file=sys.stderr)
                return 1
        tasks = [client.submit(build_tile, tile_options, tile["index"], key=f"tile-{tile['index']}",
                               pure=False) for tile in world.tiles]
        try:
            records = client.gather(tasks)
        except quorvel.Error as refused:
            print(str(refused))
            print(refused.hint, file=sys.stderr)
            return 1
    if cluster is not None:
        cluster.close()
    result = world.finish(records)
    if as_json:
        print(json.dumps(result))
    else:
        print(f"tuiles: {result['columns']} x {result['rows']} de {result['tile_size']} pixels, "
              f"{result['built']} construites")
        print(f"{result['record']}{'' if result['record_written'] else ' (inchangé)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
