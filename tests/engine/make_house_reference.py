#!/usr/bin/env python3
# Writes house_reference.txt beside it, which tests/engine/houses_test.cpp
# reads: the cusps, the Ascendant and the MC of a few charts in every house
# system, from the swetest program (Swiss Ephemeris' own command line), at
# Universal Time. One chart a line: year month day hour minute latitude
# longitude place system cusp1..cusp12 ascendant mc (degrees).
import subprocess

CHARTS = [  # year, month, day, hour, minute, latitude, longitude, place
    (1600, 3, 15, 6, 0, 48.85, 2.35, "Paris"),
    (1750, 7, 4, 18, 30, 40.71, -74.01, "New York"),
    (1890, 11, 20, 3, 15, -33.87, 151.21, "Sydney"),
    (1990, 1, 1, 12, 0, 52.52, 13.405, "Berlin"),
    (2050, 6, 21, 0, 0, 34.05, -118.24, "Los Angeles"),
    (2099, 12, 30, 22, 45, -34.60, -58.38, "Buenos Aires"),
]
SYSTEMS = "PKRCOEW"

for (y, mo, d, h, mi, lat, lon, place) in CHARTS:
    for s in SYSTEMS:
        out = subprocess.run(
            ["swetest", f"-b{d}.{mo}.{y}", f"-ut{h}:{mi:02d}", f"-house{lon},{lat},{s}", "-fPl", "-head", "-p"],
            capture_output=True, text=True, check=True).stdout
        values = {}
        for line in out.splitlines():
            name, _, number = line.rpartition(" ")
            values[name.strip()] = number
        cusps = " ".join(values[f"house {k:2d}"] for k in range(1, 13))
        print(f'{y} {mo} {d} {h} {mi} {lat} {lon} {place.replace(" ", "_")} {s} {cusps} '
              f'{values["Ascendant"]} {values["MC"]}')
