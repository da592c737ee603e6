"""Builds a terrain from numpy arrays: a volcano island in a sea, lit from the south-west.

PYTHONPATH=<prefix>/lib/python3/dist-packages python3 terrain_from_arrays.py island.map
"""

import sys

import numpy as np

import quorvel

SIDE = 251  # 50 n + 1 pixels: 5 x 5 blocFiles

y, x = np.mgrid[0:SIDE, 0:SIDE].astype(np.float64)  # row 0 is the south edge
r = np.hypot(x - SIDE / 2, y - SIDE / 2) / (SIDE / 2)
altitude = 120 * np.exp(-4 * r**2) - 40 * np.exp(-60 * r**2) - 10  # metres; a crater on top

land = altitude > 0
material = np.where(land[..., None], [[[110, 150, 70]]], [[[30, 80, 160]]]).astype(np.uint8)
white = np.full((SIDE, SIDE, 3), 255, np.uint8)
ambient = np.full((SIDE, SIDE, 3), 60, np.uint8)

result = quorvel.compile_map(sys.argv[1] if len(sys.argv) > 1 else "island.map",
                             altitude, material, material, white, ambient,
                             light=(-1, -1, 2), z_scale=1.0, sea_level=0.0)
print(f"{result['map']}: {result['largeur']} x {result['hauteur']} blocFiles, "
      f"{result['bytes']} bytes")
