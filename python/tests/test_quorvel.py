"""The Python module, run against the installed package:
PYTHONPATH=<prefix>/lib/python3/dist-packages python3 -m pytest python/tests"""

import struct
import threading

import numpy as np
import pytest

import quorvel

WIDTH, HEIGHT = 101, 51


def terrain():
    """An altitude (rows, columns) of uint8 and four colour images (rows, columns, 3)."""
    i = np.arange(WIDTH * HEIGHT, dtype=np.int64)
    alt = ((i * 37 + i // WIDTH * 11) % 200).astype(np.uint8).reshape(HEIGHT, WIDTH)
    colours = []
    for image in range(4):
        rgb = np.stack([(i * (image + 3) + c * 40) % 256 for c in range(3)], axis=1)
        colours.append(rgb.astype(np.uint8).reshape(HEIGHT, WIDTH, 3))
    return alt, colours


def write_bmp(path, pixels):
    """An uncompressed BMP, row 0 stored first (the bottom row of the picture)."""
    channels = 1 if pixels.ndim == 2 else 3
    height, width = pixels.shape[:2]
    row_bytes = (width * channels + 3) // 4 * 4
    table = b"".join(bytes((v, v, v, 0)) for v in range(256)) if channels == 1 else b""
    header = b"BM" + struct.pack("<IHHI", 54 + len(table) + row_bytes * height, 0, 0,
                                 54 + len(table))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8 * channels, 0, 0, 0, 0, 0, 0)
    rows = []
    for row in pixels:
        data = row[:, ::-1].tobytes() if channels == 3 else row.tobytes()
        rows.append(data + bytes(row_bytes - len(data)))
    path.write_bytes(header + info + table + b"".join(rows))


def write_terrain(prefix, alt, colours):
    write_bmp(prefix.with_name(prefix.name + "alt.bmp"), alt)
    for role, pixels in zip(("DifMat", "AmbMat", "DifLight", "AmbLight"), colours):
        write_bmp(prefix.with_name(prefix.name + role + ".bmp"), pixels)


SETTINGS = dict(light=(1, -0.5, 2), z_scale=0.7, sea_level=12)


@pytest.mark.parametrize("dtype", ["int16", "uint16", "int32", "uint32", "float32", "float64"])
def test_arrays_give_the_files_map(tmp_path, dtype):
    alt, colours = terrain()
    write_terrain(tmp_path / "t", alt, colours)
    made = quorvel.compile_files(str(tmp_path / "t"), **SETTINGS)
    assert (made["largeur"], made["hauteur"], made["bytes"]) == (2, 1, 8 + 2 * 99375)
    expected = (tmp_path / "t.map").read_bytes()
    # Any strides: every other column of a wider array, rows reversed.
    wide = np.zeros((HEIGHT, 2 * WIDTH), dtype=dtype)
    wide[::-1, ::2] = alt
    result = quorvel.compile_map(str(tmp_path / "m.map"), wide[::-1, ::2], *colours, **SETTINGS)
    assert result["bytes"] == len(expected)
    assert (tmp_path / "m.map").read_bytes() == expected
    quorvel.compile_map(str(tmp_path / "u.map"), alt, *colours, **SETTINGS)
    assert (tmp_path / "u.map").read_bytes() == expected


def test_baked_light(tmp_path):
    alt, colours = terrain()
    write_terrain(tmp_path / "t", alt, colours)
    plain = quorvel.compile_files(str(tmp_path / "t"), **SETTINGS) and (tmp_path / "t.map").read_bytes()
    baked = dict(SETTINGS, sky=8, shadows=True, sun_size=2.0)
    quorvel.compile_files(str(tmp_path / "t"), **baked)
    from_files = (tmp_path / "t.map").read_bytes()
    quorvel.compile_map(str(tmp_path / "m.map"), alt, *colours, **baked)
    assert (tmp_path / "m.map").read_bytes() == from_files
    # Heights and normals stay; only colours change.
    assert from_files[:8] == plain[:8] and from_files != plain
    with pytest.raises(quorvel.Error, match="valeur incorrecte pour --sky: 5"):
        quorvel.compile_map(str(tmp_path / "m.map"), alt, *colours, sky=5)
    with pytest.raises(quorvel.Error, match="--sun-size"):
        quorvel.compile_map(str(tmp_path / "m.map"), alt, *colours, shadows=True, sun_size=0)


def test_refusals(tmp_path):
    alt, colours = terrain()
    holes = alt.astype(np.float32)
    holes[HEIGHT - 1, 3] = np.nan
    with pytest.raises(quorvel.Error) as refused:
        quorvel.compile_map(str(tmp_path / "m.map"), holes, *colours)
    assert str(refused.value) == "erreur: alt contient 1 pixels sans altitude"
    assert refused.value.hint.startswith(
        "alt: the first pixel without altitude is row 50, column 3")
    with pytest.raises(quorvel.Error, match="erreur: ambmat n'a pas la taille de alt"):
        quorvel.compile_map(str(tmp_path / "m.map"), alt, colours[0], colours[1][:, 1:], *colours[2:])
    with pytest.raises(TypeError):
        quorvel.compile_map(str(tmp_path / "m.map"), alt.astype(np.complex64), *colours)
    with pytest.raises(TypeError):
        quorvel.compile_map(str(tmp_path / "m.map"), alt, alt, *colours[1:])
    # Messages are Latin-1: é is U+00E9.
    write_terrain(tmp_path / "t", alt, colours)
    data = bytearray((tmp_path / "talt.bmp").read_bytes())
    data[30] = 1
    (tmp_path / "talt.bmp").write_bytes(bytes(data))
    with pytest.raises(quorvel.Error) as compressed:
        quorvel.compile_files(str(tmp_path / "t"))
    assert str(compressed.value) == str(tmp_path / "talt.bmp") + " est un fichier bmp comprim\u00e9"
    assert not (tmp_path / "t.map").exists()


def test_array_refusals_speak_of_arrays(tmp_path):
    alt, colours = terrain()
    wide = np.zeros((HEIGHT, 5101), dtype=np.uint8)
    wide_colour = np.zeros((HEIGHT, 5101, 3), dtype=np.uint8)
    cases = [
        ("size", "alt has 51 rows and 100 columns", lambda: quorvel.compile_map(
            str(tmp_path / "m.map"), alt[:, 1:], *[c[:, 1:] for c in colours])),
        ("size", "quorvel.World", lambda: quorvel.compile_map(
            str(tmp_path / "m.map"), wide, *[wide_colour] * 4)),
        ("size", "ambmat has 51 rows and 100 columns, alt 51 and 101", lambda: quorvel.compile_map(
            str(tmp_path / "m.map"), alt, colours[0], colours[1][:, 1:], *colours[2:])),
        ("write", "the folder " + str(tmp_path / "no") + " does not exist", lambda:
            quorvel.compile_map(str(tmp_path / "no" / "m.map"), alt, *colours)),
    ]
    for kind, hint, action in cases:
        with pytest.raises(quorvel.Error) as refused:
            action()
        assert refused.value.kind == kind and hint in refused.value.hint, refused.value.hint
        assert "gdal_translate" not in refused.value.hint and ".tif" not in refused.value.hint
    # A list where an array belongs is refused in one short line, not echoed.
    for at in range(5):
        arguments = [alt, *colours]
        arguments[at] = arguments[at].tolist()
        with pytest.raises(TypeError) as refused:
            quorvel.compile_map(str(tmp_path / "m.map"), *arguments)
        assert str(refused.value).endswith("must be a numpy array, not list")
        assert len(str(refused.value)) < 80


def test_error_kinds(tmp_path):
    alt, colours = terrain()
    write_terrain(tmp_path / "t", alt, colours)
    holes = alt.astype(np.float32)
    holes[0, 0] = np.nan
    big = np.full((HEIGHT, WIDTH), 3e38, dtype=np.float32)
    cases = [
        ("open", lambda: quorvel.compile_files(str(tmp_path / "none"))),
        ("format", lambda: quorvel.compile_files(str(tmp_path / "t"),
                                                 alt=str(tmp_path / "tDifMat.bmp"))),
        ("size", lambda: quorvel.compile_map(str(tmp_path / "m.map"), alt[:, 1:],
                                             *[c[:, 1:] for c in colours])),
        ("nodata", lambda: quorvel.compile_map(str(tmp_path / "m.map"), holes, *colours)),
        ("range", lambda: quorvel.compile_map(str(tmp_path / "m.map"), big, *colours, z_scale=2)),
        ("write", lambda: quorvel.compile_map(str(tmp_path / "no" / "m.map"), alt, *colours)),
        ("usage", lambda: quorvel.compile_map(str(tmp_path / "m.map"), alt, *colours, sky=5)),
    ]
    for kind, action in cases:
        with pytest.raises(quorvel.Error) as refused:
            action()
        assert refused.value.kind == kind, (kind, str(refused.value))


def test_read_map(tmp_path):
    alt, colours = terrain()
    quorvel.compile_map(str(tmp_path / "m.map"), alt, *colours, z_scale=0.5, sea_level=10)
    read = quorvel.read_map(str(tmp_path / "m.map"))
    assert (read.largeur, read.hauteur) == (2, 1)
    assert read.heights.dtype == np.float32 and read.heights.shape == (HEIGHT, WIDTH)
    assert read.colours.dtype == np.uint8 and read.colours.shape == (HEIGHT, WIDTH, 3)
    assert np.array_equal(read.heights, ((alt.astype(np.float64) - 10) * 0.5).astype(np.float32))
    with pytest.raises(quorvel.Error):
        quorvel.read_map(str(tmp_path / "none.map"))


def test_threads_compile_at_once(tmp_path):
    alt, colours = terrain()
    maps = {}

    def compile_one(name, altitudes):
        for _ in range(5):
            quorvel.compile_map(str(tmp_path / name), altitudes, *colours)
        maps[name] = quorvel.read_map(str(tmp_path / name)).heights

    threads = [threading.Thread(target=compile_one, args=(name, a))
               for name, a in (("a.map", alt), ("b.map", 255 - alt))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert np.array_equal(maps["a.map"], alt.astype(np.float32))
    assert np.array_equal(maps["b.map"], (255 - alt).astype(np.float32))


def test_world_tiles_one_at_a_time(tmp_path):
    alt, colours = terrain()  # 101 x 51: two tiles of 51
    write_terrain(tmp_path / "t", alt, colours)
    quorvel.compile_files(str(tmp_path / "t"), **SETTINGS)
    whole = (tmp_path / "t.map").read_bytes()
    world = quorvel.World(str(tmp_path / "t"), str(tmp_path / "out"), tile=51, **SETTINGS)
    assert [(t["index"], t["x0"], t["file"]) for t in world.tiles] == [(0, 0, "t_0_0.map"),
                                                                       (1, 50, "t_1_0.map")]
    world.prepare()
    records = [world.build_tile(t["index"]) for t in world.tiles]
    for index, record in enumerate(records):
        tile = (tmp_path / "out" / record["file"]).read_bytes()
        assert record["built"] and record["bytes"] == len(tile) == 8 + 99375
        assert tile[8:] == whole[8 + index * 99375:8 + (index + 1) * 99375]
    done = world.finish(records)
    assert done["record"] == str(tmp_path / "out" / "t.world.json") and done["record_written"]
    # Built already: the next World finds the files as recorded and writes nothing.
    again = quorvel.World(str(tmp_path / "t"), str(tmp_path / "out"), tile=51, **SETTINGS)
    assert [again.build_tile(t["index"])["built"] for t in again.tiles] == [False, False]
    write_bmp(tmp_path / "wide.bmp", np.ascontiguousarray(alt[:, :100]))
    with pytest.raises(quorvel.Error, match="largeur incorrect"):
        quorvel.World(str(tmp_path / "t"), str(tmp_path / "out"), alt=str(tmp_path / "wide.bmp"))


def test_gdal_settings_stay_as_the_host_set_them(tmp_path):
    """A program that uses GDAL itself finds its settings as it set them after compiles from
    GeoTIFFs on two threads at once."""
    gdal = pytest.importorskip("osgeo.gdal")
    alt, colours = terrain()
    driver = gdal.GetDriverByName("GTiff")
    for prefix in ("a", "b"):
        for role, pixels in zip(("alt", "DifMat", "AmbMat", "DifLight", "AmbLight"),
                                [alt] + colours):
            bands = 1 if pixels.ndim == 2 else 3
            dataset = driver.Create(str(tmp_path / (prefix + role + ".tif")), WIDTH, HEIGHT,
                                    bands, gdal.GDT_Byte)
            for band in range(bands):
                plane = pixels if bands == 1 else pixels[:, :, band]
                dataset.GetRasterBand(band + 1).WriteArray(plane)
            dataset = None
    keys = ("GDAL_PAM_ENABLED", "GTIFF_VIRTUAL_MEM_IO", "GDAL_VRT_ENABLE_PYTHON")
    before = [gdal.GetConfigOption(key) for key in keys] + [gdal.GetCacheMax()]
    for key in keys:
        gdal.SetConfigOption(key, "host")
    gdal.SetCacheMax(200 * 1024 * 1024 + 12345)
    try:
        threads = [threading.Thread(target=quorvel.compile_files, args=(str(tmp_path / name),),
                                    kwargs=dict(ext="tif")) for name in ("a", "b")]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert [gdal.GetConfigOption(key) for key in keys] == ["host"] * 3
        assert gdal.GetCacheMax() == 200 * 1024 * 1024 + 12345
    finally:
        for key, value in zip(keys, before):
            gdal.SetConfigOption(key, value)
        gdal.SetCacheMax(before[-1])
    first = (tmp_path / "a.map").read_bytes()
    assert len(first) == 8 + 2 * 99375
    assert (tmp_path / "b.map").read_bytes() == first
