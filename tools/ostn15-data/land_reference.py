#!/usr/bin/env python3
"""Writes the reference table of the OSTN15 tests (library/tests/data/ostn15-land-reference.tsv):
the National Grid's 10 km nodes that lie on land, each with an ETRS89 latitude and longitude
near it and the OSGB36 easting and northing that the Perl module Geo::Coordinates::OSGB (a test
reference only, Debian libgeo-coordinates-osgb-perl) gives for that latitude and longitude.

Land is the Natural Earth 1:10m land data that tools/mapgen draws the map from (its
land_to_text.mjs writes the lon/lat ring file; see tools/mapgen/README.md), Great Britain and its
islands only: the rings of Ireland and of the mainland of Europe are left out, and so are the
Channel Islands, which have datums of their own. A node is on land when its position lies
inside an odd number of the remaining rings.

Usage: land_reference.py <land ring file> <output file>
Run once; the output is checked in.
"""
import subprocess
import sys


def read_rings(path):
    rings, ring = [], None
    with open(path) as f:
        for line in f:
            parts = line.split()
            if parts[0] == "ring":
                ring = []
                rings.append(ring)
            else:
                ring.append((float(parts[0]), float(parts[1])))
    return rings


def in_ring(ring, lon, lat):
    count = 0
    n = len(ring)
    for i in range(n):
        x1, y1 = ring[i]
        x2, y2 = ring[(i + 1) % n]
        if (y1 > lat) != (y2 > lat) and lon < x1 + (lat - y1) * (x2 - x1) / (y2 - y1):
            count += 1
    return count % 2 == 1


def british_rings(rings):
    paris, ireland = (2.35, 48.86), (-7.9, 53.4)
    kept = []
    for ring in rings:
        if in_ring(ring, *paris) or in_ring(ring, *ireland):
            continue
        lons = [p[0] for p in ring]
        lats = [p[1] for p in ring]
        if -2.8 <= min(lons) and max(lons) <= -2.0 and 49.1 <= min(lats) and max(lats) <= 49.8:
            continue  # a Channel Island
        kept.append((min(lons), max(lons), min(lats), max(lats), ring))
    return kept


def inside(rings, lon, lat):
    count = sum(1 for west, east, south, north, ring in rings
                if west <= lon <= east and south <= lat <= north and in_ring(ring, lon, lat))
    return count % 2 == 1


def perl(program, lines):
    out = subprocess.run(["perl", "-MGeo::Coordinates::OSGB=ll_to_grid,grid_to_ll", "-ne", program],
                         input="".join(lines), capture_output=True, text=True, check=True)
    return [line.split() for line in out.stdout.splitlines()]


def main():
    rings = british_rings(read_rings(sys.argv[1]))
    nodes = [(e, n) for n in range(0, 1250001, 10000) for e in range(0, 700001, 10000)]
    # An ETRS89 position of each node (the module's own way back, a few millimetres off the
    # node, which does not matter: the position is the input of the comparison).
    lat_lon = perl('my ($e, $n) = split; printf "%.10f %.10f\\n", grid_to_ll($e, $n);',
                   [f"{e} {n}\n" for e, n in nodes])
    land = [(node, (float(lat), float(lon))) for node, (lat, lon) in zip(nodes, lat_lon)
            if inside(rings, float(lon), float(lat))]
    grid = perl('my ($lat, $lon) = split; printf "%.3f %.3f\\n", ll_to_grid($lat, $lon);',
                [f"{lat:.10f} {lon:.10f}\n" for _, (lat, lon) in land])
    with open(sys.argv[2], "w") as out:
        out.write("# National Grid 10 km nodes on the land of Great Britain and its islands (Natural Earth\n"
                  "# 1:10m land data, without Ireland, France and the Channel Islands): the node, an ETRS89\n"
                  "# latitude and longitude (degrees) near it, and the OSGB36 easting and northing (metres,\n"
                  "# rounded to the millimetre) of that latitude and longitude by Geo::Coordinates::OSGB's\n"
                  "# ll_to_grid. Made by tools/ostn15-data/land_reference.py.\n")
        out.write("node_e\tnode_n\tetrs89_lat_deg\tetrs89_lon_deg\tosgb_e\tosgb_n\n")
        for ((e, n), (lat, lon)), (ge, gn) in zip(land, grid):
            out.write(f"{e}\t{n}\t{lat:.10f}\t{lon:.10f}\t{ge}\t{gn}\n")
    print(f"{sys.argv[2]}: {len(land)} of {len(nodes)} nodes on land")


if __name__ == "__main__":
    main()
