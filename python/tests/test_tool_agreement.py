"""Every pair of tarnwick-convert against the package on the same random points: the same
results, the same failing rows with the same reasons."""

import csv
import subprocess

import numpy as np
import pytest

import tarnwick
from tarnwick import _core

POINTS = 2500

# Where random points of a system fall: mostly inside the target's grid, some outside it.
GB = {"lat": (49.0, 61.5), "lon": (-9.0, 3.0)}
CH = {"lat": (45.6, 48.0), "lon": (5.7, 10.7)}
WORLD = {"lat": (-80.0, 84.0), "lon": (-180.0, 179.999)}


def random_points(rng, source, target):
    """Columns of the source system, as text for the tool and as numbers for the package."""
    n = POINTS
    if source == "bng":
        e = rng.integers(-5_000, 705_000, n).astype(float)
        n_ = rng.integers(-5_000, 1_305_000, n).astype(float)
        e[::10] += 0.5  # halves round away from zero
        return [e, n_]
    if source in ("lv03", "lv95"):
        offset = (0, 0) if source == "lv03" else (2_000_000, 1_000_000)
        e = rng.integers(470_000, 850_000, n) + offset[0]
        n_ = rng.integers(60_000, 310_000, n) + offset[1]
        return [e.astype(float), n_.astype(float)]
    if source in ("wgs84", "etrs89"):
        region = CH if target in ("lv03", "lv95") else GB if target == "bng" else WORLD
        lat = rng.uniform(*region["lat"], n).round(7)
        lon = rng.uniform(*region["lon"], n).round(7)
        if target == "utm":
            lat[: n // 4] = rng.uniform(*GB["lat"], n // 4).round(7)
            lon[: n // 4] = rng.uniform(*GB["lon"], n // 4).round(7)
        lat[::97] = 91.5  # outside the latitudes
        return [lat, lon]
    # utm: from the zones of the target, plus zones it does not take
    if target in ("lv03", "lv95"):
        zones = rng.choice([32, 32, 32, 31, -32], n)
        e = rng.integers(250_000, 560_000, n)
        n_ = rng.integers(5_020_000, 5_320_000, n)
    else:
        zones = rng.choice([29, 30, 31, 30, 32, -30, 60, 1], n)
        e = rng.integers(150_000, 860_000, n)
        n_ = rng.integers(5_400_000, 6_900_000, n)
    zones[::53] = 0  # not a zone
    return [zones.astype(float), e.astype(float), n_.astype(float)]


def text(v):
    return str(int(v)) if float(v).is_integer() else repr(float(v))


def angle_text(degrees):
    """An angle as the tool writes it."""
    return f"{0.0 if abs(degrees) < 0.5e-8 else degrees:.8f}"


def run_tool(tool, tmp_path, args, columns):
    path = tmp_path / "in.csv"
    with path.open("w", newline="") as f:
        w = csv.writer(f)
        w.writerow([f"c{k}" for k in range(len(columns))])
        for row in zip(*columns):
            w.writerow([text(v) if isinstance(v, float) else v for v in row])
    out = tmp_path / "out.csv"
    # The header's names are none the tool knows, so the columns are named by index.
    cols = ",".join(str(k + 1) for k in range(len(columns)))
    done = subprocess.run([tool, *args, "--header", "--cols", cols, "--quiet", "-i", str(path),
                           "-o", str(out)], capture_output=True, text=True)
    assert done.returncode in (0, 1), done.stderr
    with out.open(newline="") as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == len(columns[0])
    return rows


PAIRS = [
    ("bng", "utm", None, False), ("bng", "utm", None, True), ("bng", "utm", 30, False),
    ("bng", "wgs84", None, False),
    ("utm", "bng", None, False), ("utm", "wgs84", None, False), ("utm", "utm", 31, True),
    ("utm", "lv03", None, False), ("utm", "lv95", None, False),
    ("wgs84", "bng", None, False), ("wgs84", "utm", None, True), ("wgs84", "utm", 31, False),
    ("wgs84", "lv03", None, False), ("wgs84", "lv95", None, False),
    ("lv03", "utm", None, True), ("lv03", "wgs84", None, False), ("lv03", "lv95", None, False),
    ("lv95", "utm", 31, False), ("lv95", "wgs84", None, False), ("lv95", "lv03", None, False),
]
PAIRS = [p + ("helmert",) for p in PAIRS] + [
    # Precise mode (OSTN15): grid results in metres with the tool's 3 decimals.
    ("bng", "utm", None, True, "ostn15"), ("bng", "utm", 30, False, "ostn15"),
    ("utm", "bng", None, False, "ostn15"), ("wgs84", "bng", None, False, "ostn15"),
    ("etrs89", "bng", None, False, "ostn15"), ("bng", "etrs89", None, False, "ostn15"),
]

HEADERS = {
    "bng": ["bng_easting", "bng_northing"], "utm": ["utm_zone", "utm_easting", "utm_northing"],
    "wgs84": ["latitude", "longitude"], "lv03": ["lv03_easting", "lv03_northing"],
    "lv95": ["lv95_easting", "lv95_northing"], "etrs89": ["latitude", "longitude"],
}


def assert_tool_agrees(tool, tmp_path, source, target, zone, alt, method, columns):
    """The tool and the package give the same results and the same failing rows with the same
    reasons; returns the number of failing rows."""
    args = ["--from", source, "--to", target] + (["--zone", str(zone)] if zone else [])
    args += ["--alt"] if alt else []
    args += ["--method", method] if method != "helmert" else []
    rows = run_tool(tool, tmp_path, args, columns)
    results = tarnwick.convert(source, target, *columns, zone=zone, alt=alt, method=method)
    angles = target in ("wgs84", "etrs89")
    headers = HEADERS[target] + (["alt_utm_zone", "alt_utm_easting", "alt_utm_northing"]
                                 if alt else [])
    cols = [np.ascontiguousarray(c, dtype=float) for c in columns]
    failures = 0
    for i, row in enumerate(rows):
        if row["error"]:
            failures += 1
            got = [r[i] for r in results]
            # Zones 0 (no point has it), grid values -1, angles and precise metres NaN.
            zones = {0, 3} if target == "utm" else set()
            assert all(v == 0 if k in zones else
                       np.isnan(v) if angles or v.dtype.kind == "f" else v == -1
                       for k, v in enumerate(got)), (i, row)
            reason = _core.failure_reason(source, target, zone or 0, alt, method, cols, i)
            assert reason == row["error"], i
            continue
        # No neighbouring zone: zone 0, -1 (NaN in metres) in its easting.
        no_alt = alt and (results[4][i] == -1 or np.isnan(results[4][i]))
        for name, values in zip(headers, results):
            expected = row[name]
            if angles:
                assert angle_text(values[i]) == expected, (i, name)
            elif values.dtype.kind == "f":  # precise metres
                none = name.startswith("alt") and no_alt
                assert ("" if none else f"{values[i]:.3f}") == expected, (i, name, row)
            else:
                none = name.startswith("alt") and no_alt
                assert ("" if none else str(values[i])) == expected, (i, name, row)
    return failures


@pytest.mark.parametrize("source, target, zone, alt, method", PAIRS,
                         ids=[f"{s}-{t}{'-z' + str(z) if z else ''}{'-alt' if a else ''}"
                              f"{'-' + m if m != 'helmert' else ''}"
                              for s, t, z, a, m in PAIRS])
def test_every_pair_agrees_with_the_tool(tool, tmp_path, source, target, zone, alt, method):
    rng = np.random.default_rng([16, len(source), len(target), zone or 0, alt, len(method)])
    columns = random_points(rng, source, target)
    failures = assert_tool_agrees(tool, tmp_path, source, target, zone, alt, method, columns)
    # Both outcomes were tried, the conversions on a good share of the points.
    assert 0 < failures < len(columns[0]) * 9 // 10


def domain_points(rng, source, n=1500):
    """Points over the source system's whole domain and its edges: UTM zones 1 and 60 and the
    southern zones, northings up to and beyond each pole; the poles, the antimeridian and
    latitudes beyond 84 degrees; the National Grid's edges and their 3 m bands."""
    if source == "utm":
        zones = rng.choice([1, 60, -1, -60, 31, -31], n) * 1.0
        zones[::2] = rng.integers(1, 61, n // 2) * rng.choice([1, -1], n // 2)
        pole = 9_997_965 + rng.integers(-3, 4, n) + rng.choice([0, 0, 1, 900, -5_000], n)
        northing = np.where(zones > 0, pole, 10_000_000 - pole).astype(float)
        northing[::3] = rng.integers(0, 11_000_001, len(northing[::3]))
        easting = rng.integers(0, 1_000_000, n).astype(float)
        zones[::5], easting[::5] = 30, rng.integers(300_000, 700_000, len(easting[::5]))
        northing[::5] = rng.integers(5_600_000, 6_600_000, len(northing[::5]))  # Great Britain
        return [zones, easting, northing]
    if source == "wgs84":
        lat = rng.choice([90.0, -90.0, 89.9999999, -89.9999999], n)
        lat[::2] = rng.uniform(-90.0, 90.0, len(lat[::2])).round(7)
        lon = rng.choice([-180.0, 179.9999999, -177.0, 177.0], n)
        lon[::2] = rng.uniform(-180.0, 180.0, len(lon[::2])).round(7)
        return [lat, lon]
    edges = [lambda k: rng.choice([0, 700_000], k), lambda k: rng.choice([0, 1_300_000], k)]
    e, n_ = [edge(n) + rng.integers(-4, 5, n) for edge in edges]
    e[::2] = rng.integers(0, 700_001, n // 2)
    n_[1::2] = rng.integers(0, 1_300_001, n // 2)
    return [e.astype(float), n_.astype(float)]


DOMAIN_PAIRS = [("utm", "wgs84", None, False), ("utm", "utm", -31, True), ("utm", "utm", 1, False),
                ("wgs84", "utm", None, True), ("wgs84", "utm", -1, False), ("utm", "bng", None, False),
                ("bng", "utm", None, True), ("bng", "wgs84", None, False)]


@pytest.mark.parametrize("source, target, zone, alt", DOMAIN_PAIRS,
                         ids=[f"{s}-{t}{'-z' + str(z) if z else ''}{'-alt' if a else ''}"
                              for s, t, z, a in DOMAIN_PAIRS])
def test_the_whole_domain_agrees_with_the_tool(tool, tmp_path, source, target, zone, alt):
    """The same points through the tool, the package and the array conversion beneath both, at
    the poles and beyond them, across the antimeridian and on the grids' edges."""
    rng = np.random.default_rng([20, len(source), len(target), abs(zone or 0), alt])
    columns = domain_points(rng, source)
    failures = assert_tool_agrees(tool, tmp_path, source, target, zone, alt, "helmert", columns)
    assert failures < len(columns[0]) * 19 // 20  # a good share of the points converts


@pytest.mark.parametrize("digits", [0, 2, 6, 10])
def test_grid_references_agree_with_the_tool(tool, tmp_path, digits):
    rng = np.random.default_rng(digits)
    e = rng.integers(-2_000, 702_000, POINTS).astype(float)
    n = rng.integers(-2_000, 1_302_000, POINTS).astype(float)
    e[::3] += rng.uniform(0, 1, len(e[::3]))  # fractions: truncated, never rounded
    n[::4] -= rng.uniform(0, 1, len(n[::4]))
    rows = run_tool(tool, tmp_path, ["--from", "bng", "--to", "gridref", "--digits",
                                     str(digits)], [e, n])
    refs = tarnwick.to_gridref(e, n, digits)
    assert [r or "" for r in refs] == [row["gridref"] for row in rows]

    # Back, with the spellings a person types and some that are not references.
    written = [r if r else "XY 1 2" for r in refs]
    written = [r.replace(" ", "") if k % 3 == 0 else r.lower() if k % 3 == 1 else r
               for k, r in enumerate(written)]
    written[::41] = ["TG 1234 567"] * len(written[::41])
    rows = run_tool(tool, tmp_path, ["--from", "gridref", "--to", "bng"], [written])
    easting, northing = tarnwick.from_gridref(written)
    for i, row in enumerate(rows):
        expected = (-1, -1) if row["error"] else (int(row["bng_easting"]),
                                                   int(row["bng_northing"]))
        assert (easting[i], northing[i]) == expected, (i, written[i])
