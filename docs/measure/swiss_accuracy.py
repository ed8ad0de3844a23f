#!/usr/bin/python3
"""Measures the Swiss grids' conversions of tarnwick-convert against pyproj (Debian
python3-pyproj, a reference only) with the official CHENyx06 shift grids of Debian's proj-data
(CHENYX06a.gsb: LV03 -> LV95, CHENYX06_etrs.gsb: LV03 <-> ETRS89, here taken as WGS84).

Usage, from the repository's root after the build:
    /usr/bin/python3 docs/measure/swiss_accuracy.py [build/default/tools/tarnwick-convert/tarnwick-convert]
Prints, per conversion, the points compared and the horizontal distance of tarnwick's whole-metre
result from the reference (median, 95th percentile, maximum) and the mean east and north offset.
"""
import subprocess
import sys

import numpy as np
from pyproj import Transformer

TOOL = sys.argv[1] if len(sys.argv) > 1 else "build/default/tools/tarnwick-convert/tarnwick-convert"
POINTS = 5000
SEED = 20261210

# The two Swiss projections on Bessel 1841 (EPSG:21781 and EPSG:2056), as PROJ strings.
LV03 = ("+proj=somerc +lat_0=46.9524055555556 +lon_0=7.43958333333333 +k_0=1 "
        "+x_0=600000 +y_0=200000 +ellps=bessel")
LV95 = LV03.replace("+x_0=600000 +y_0=200000", "+x_0=2600000 +y_0=1200000")


def pipeline(*steps):
    return Transformer.from_pipeline("+proj=pipeline " + " ".join("+step " + s for s in steps))


# LV03 -> LV95 by the official grid; LV03 -> WGS84 (as ETRS89) by the official grid.
LV03_TO_LV95 = pipeline("+inv " + LV03, "+proj=hgridshift +grids=CHENYX06a.gsb", LV95)
LV03_TO_WGS84 = pipeline("+inv " + LV03, "+proj=hgridshift +grids=CHENYX06_etrs.gsb",
                         "+proj=unitconvert +xy_in=rad +xy_out=deg")
# WGS84 (as CHTRF95/ETRS89) -> LV95: swisstopo's frame change is a shift of the geocentre.
WGS84_TO_LV95 = Transformer.from_crs("EPSG:4326", "EPSG:2056", always_xy=True)


def tarnwick(source, target, a, b):
    """Runs the tool on a table of points; its results as floats (NaN where a row failed)."""
    table = "a,b\n" + "".join(f"{x!r},{y!r}\n" for x, y in zip(a, b))
    out = subprocess.run([TOOL, "--from", source, "--to", target, "--cols", "a,b", "-q"],
                         input=table, capture_output=True, text=True, check=False).stdout
    rows = [line.split(",") for line in out.splitlines()[1:]]
    return (np.array([float(r[2]) if r[2] else np.nan for r in rows]),
            np.array([float(r[3]) if r[3] else np.nan for r in rows]))


def report(name, reference, e, n):
    de, dn = e - reference[0], n - reference[1]
    keep = np.isfinite(de) & np.isfinite(dn)
    d = np.hypot(de[keep], dn[keep])
    print(f"{name}: {keep.sum()} points, median {np.median(d):.3f} m, 95th percentile "
          f"{np.percentile(d, 95):.3f} m, maximum {d.max():.3f} m, mean offset east "
          f"{de[keep].mean():+.3f} m, north {dn[keep].mean():+.3f} m")


def main():
    rng = np.random.default_rng(SEED)
    e03 = rng.uniform(485000, 835000, POINTS * 2)
    n03 = rng.uniform(75000, 295000, POINTS * 2)
    e95, n95 = LV03_TO_LV95.transform(e03, n03)
    lon, lat = LV03_TO_WGS84.transform(e03, n03)
    inside = np.isfinite(e95) & np.isfinite(lon) & (np.abs(e95 - e03 - 2e6) < 10)
    e03, n03, e95, n95, lon, lat = (v[inside][:POINTS] for v in (e03, n03, e95, n95, lon, lat))
    ref95 = WGS84_TO_LV95.transform(lon, lat)
    report("WGS84 -> LV95 (pyproj EPSG:4326 -> EPSG:2056)", ref95,
           *tarnwick("wgs84", "lv95", lat, lon))
    report("WGS84 -> LV03 (CHENyx06 ETRS89 grid)", (e03, n03), *tarnwick("wgs84", "lv03", lat, lon))
    report("LV03 -> LV95 (CHENyx06 grid, whole-metre LV03 input)", LV03_TO_LV95.transform(
        np.round(e03), np.round(n03)), *tarnwick("lv03", "lv95", np.round(e03), np.round(n03)))
    # LV95 -> WGS84: tarnwick's latitude and longitude taken back to LV95 by the reference.
    e95, n95 = np.round(e95), np.round(n95)
    report("LV95 -> WGS84 (pyproj EPSG:4326 -> EPSG:2056 of the result)", (e95, n95),
           *WGS84_TO_LV95.transform(*reversed(tarnwick("lv95", "wgs84", e95, n95))))


if __name__ == "__main__":
    main()
