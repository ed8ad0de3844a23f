"""Coordinate conversions between the British National Grid, UTM, WGS84 and the Swiss grids
on NumPy arrays.

Every function takes one-dimensional array-likes of equal length (lists, NumPy arrays,
pandas Series) and returns a tuple of NumPy arrays, one element per point, with the same
results as the command-line tool ``tarnwick-convert``:

- input columns hold integers or floats of a type NumPy casts safely to float64 (int8 ..
  int64, uint8 .. uint64, float16 .. float64, pandas ``Int64``, ``Float64`` and the like
  without missing values); booleans, strings, objects, categories, ``longdouble`` and a
  missing value (``pd.NA``) raise at once, naming the column. NaN in a float column fails its
  point, and so does a masked point of a masked array. pandas Series pair by their index: two
  Series with different indexes raise ``ValueError`` (plain arrays pair by position);
- grid values are whole metres (``int32``); fractional input metres are rounded, halves away
  from zero; latitudes and longitudes are decimal degrees (``float64``);
- a point that cannot be converted gives zone 0 (which no point has; -1 is zone 1 south), -1
  in its eastings and northings and NaN in its angles, and the call goes on; with
  ``errors="raise"`` the call raises ``ValueError`` naming the first such point and the
  reason;
- ``alt`` takes ``True`` or ``False`` (a NumPy bool too); anything else raises TypeError;
- the conversion runs without the GIL, split over ``threads`` threads (default: all cores);
- the National Grid functions take ``method="helmert"`` (the default: the seven-parameter
  Helmert transformation, up to about 5 m from the definitive one) or ``method="ostn15"``
  (precise mode: the Ordnance Survey's OSTN15 between ETRS89 and the National Grid, to the
  millimetre). Precise mode gives grid values as ``float64`` metres, not rounded, takes grid
  input as given, takes WGS84 as ETRS89 (they differ by well under a metre in Britain today,
  and that difference stays in the result), and converts UTM on GRS80 in zones 29 .. 31.

>>> import tarnwick
>>> tarnwick.bng_to_utm([651410], [313177])
(array([31], dtype=int32), array([413156], dtype=int32), array([5834998], dtype=int32))
"""

from __future__ import annotations

import os
import sys
from pathlib import Path
from typing import Any, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

# An installed package brings precise mode's shift grid along; the library reads the file that
# TARNWICK_OSTN15 names, and a file named there by the user comes first.
_SHIFT_GRID = Path(__file__).with_name("ostn15.dat")
if _SHIFT_GRID.is_file():
    os.environ.setdefault("TARNWICK_OSTN15", str(_SHIFT_GRID))

from . import _core  # noqa: E402

__all__ = [
    "bng_to_utm", "utm_to_bng", "bng_to_wgs84", "wgs84_to_bng", "wgs84_to_utm", "utm_to_wgs84",
    "utm_to_utm", "lv03_to_utm", "lv95_to_utm", "utm_to_lv03", "utm_to_lv95", "lv03_to_wgs84",
    "lv95_to_wgs84", "wgs84_to_lv03", "wgs84_to_lv95", "lv03_to_lv95", "lv95_to_lv03",
    "bng_to_etrs89", "etrs89_to_bng", "to_gridref", "from_gridref", "to_mgrs", "from_mgrs",
    "bng_to_mgrs", "mgrs_to_bng", "convert",
]

__version__ = "1.0.0"

ArrayLike = npt.ArrayLike
Ints = npt.NDArray[np.int32]
Floats = npt.NDArray[np.float64]

# The fields of a point of each system, in the order the functions take them: the array
# systems of the core's systems table, by their names alone.
_FIELDS = dict(_core.systems())

_METHODS = ("helmert", "ostn15")

_ERRORS = ("coerce", "raise")


def _unusable(name: str, dtype: Any) -> TypeError:
    return TypeError(f"{name} must hold integers or floats that float64 holds (int8 .. int64, "
                     f"uint8 .. uint64, float16 .. float64), not {dtype}")


def _pandas_values(name: str, values: Any) -> np.ndarray:
    """A pandas column of a nullable or Arrow type as the NumPy array of its values; a missing
    value is refused, since no number stands for it."""
    numpy_dtype = getattr(values.dtype, "numpy_dtype", None)
    if numpy_dtype is None or numpy_dtype.kind not in "iuf":
        raise _unusable(name, values.dtype)
    missing = np.flatnonzero(np.asarray(values.isna(), dtype=bool))
    if missing.size:
        raise ValueError(f"{name} ({values.dtype}) has a missing value at point {missing[0]}: "
                         "fill or drop it first")
    return values.to_numpy(dtype=numpy_dtype)


def _column(name: str, values: Any) -> Tuple[np.ndarray, Optional[np.ndarray]]:
    """One input column as contiguous float64 or int64 (the extension turns int64 into float64
    a block at a time, without a whole copy first), and the mask of a masked array (None
    without one; a masked point is NaN in the column, so the core fails it); or TypeError /
    ValueError at once."""
    mask = None
    if isinstance(values, np.ma.MaskedArray):
        mask = np.ma.getmaskarray(values)
        values = values.data
    pd = sys.modules.get("pandas")
    if pd is not None and isinstance(getattr(values, "dtype", None),
                                     pd.api.extensions.ExtensionDtype):
        values = _pandas_values(name, values)
    a = np.asarray(values)
    if a.ndim != 1:
        raise ValueError(f"{name} must be one-dimensional, not of shape {a.shape}")
    # Booleans cast safely too, but no coordinate is true or false.
    if a.dtype.kind not in "iuf" or not np.can_cast(a.dtype, np.float64, "safe"):
        raise _unusable(name, a.dtype)
    if mask is not None and mask.any():
        a = a.astype(np.float64)
        a[mask] = np.nan
        return a, mask
    if a.dtype == np.int64:
        return np.ascontiguousarray(a), None
    return np.ascontiguousarray(a, dtype=np.float64), None


def _columns(names: Sequence[str], values: Sequence[Any]) -> Tuple[list, list]:
    """The input columns of a call, as ``_column`` makes them, and their masks; every entry
    point reads its numbers through here. Columns must have one length; pandas Series must
    have one index, since pairing their values by position would be a silent guess."""
    cols, masks = zip(*(_column(n, v) for n, v in zip(names, values)))
    for n, c in zip(names[1:], cols[1:]):
        if len(c) != len(cols[0]):
            raise ValueError(f"{names[0]} and {n} differ in length ({len(cols[0])} and {len(c)})")
    pd = sys.modules.get("pandas")
    series = [(n, v) for n, v in zip(names, values) if pd is not None and
              isinstance(v, pd.Series)]
    for n, v in series[1:]:
        if not v.index.equals(series[0][1].index):
            raise ValueError(f"{series[0][0]} and {n} are pandas Series with different indexes; "
                             "give them one index (align or reindex them) or pass arrays, "
                             "which pair by position")
    return list(cols), list(masks)


def _masked_reason(names: Sequence[str], masks: Sequence[Optional[np.ndarray]], i: int,
                   status: int) -> Optional[str]:
    """Why point ``i`` failed with ``status`` if a mask hides one of its fields (the core saw
    NaN there), else None."""
    masked = [n for n, m in zip(names, masks) if m is not None and m[i]]
    return f"{masked[0]} is masked ({_core.failure_name(status)})" if masked else None


def _flag(name: str, value: Any) -> bool:
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be True or False, not {value!r}")
    return bool(value)


def _reals(column: np.ndarray) -> np.ndarray:
    return np.ascontiguousarray(column, dtype=np.float64)


def _threads(threads: Optional[int]) -> int:
    if threads is None:
        return os.cpu_count() or 1
    if isinstance(threads, bool) or not isinstance(threads, (int, np.integer)):
        raise TypeError(f"threads must be a whole number, not {threads!r}")
    if threads < 1:
        raise ValueError(f"threads must be at least 1, not {threads}")
    return int(threads)


def _check_errors(errors: str) -> None:
    if errors not in _ERRORS:
        raise ValueError(f'errors must be "coerce" or "raise", not {errors!r}')


def convert(
    source: str,
    target: str,
    *columns: ArrayLike,
    zone: Optional[int] = None,
    alt: bool = False,
    method: str = "helmert",
    errors: str = "coerce",
    threads: Optional[int] = None,
) -> Tuple[np.ndarray, ...]:
    """Converts points of system ``source`` to ``target`` ("bng", "utm", "wgs84", "lv03",
    "lv95", "etrs89"); ``columns`` are the source's fields in the order of the named
    functions. ``method="ostn15"`` joins "bng" with "wgs84", "etrs89" or "utm"; "etrs89"
    needs it. The named functions (``bng_to_utm``, ...) call this one. Raises RuntimeError
    when precise mode has no shift grid (the message says how to get it)."""
    if source not in _FIELDS or target not in _FIELDS:
        raise ValueError(f"systems are {', '.join(_FIELDS)}; not {source!r} to {target!r}")
    names = _FIELDS[source]
    if len(columns) != len(names):
        raise TypeError(f"{source} points have {len(names)} fields ({', '.join(names)}), "
                        f"{len(columns)} given")
    _check_errors(errors)
    if method not in _METHODS:
        raise ValueError(f'method must be "helmert" or "ostn15", not {method!r}')
    if zone is not None and (isinstance(zone, bool) or not isinstance(zone, (int, np.integer))):
        raise TypeError(f"zone must be a whole number, not {zone!r}")
    alt = _flag("alt", alt)
    cols, masks = _columns(names, columns)
    forced = 0 if zone is None else int(zone)
    if zone is not None and forced == 0:
        raise ValueError("zone 0: UTM zones are 1 .. 60, negative for the southern hemisphere")
    status, *results = _core.convert(source, target, forced, alt, method,
                                     _threads(threads), cols)
    if errors == "raise":
        failed = np.flatnonzero(status)
        if failed.size:
            i = int(failed[0])
            reason = _masked_reason(names, masks, i, int(status[i])) or _core.failure_reason(
                source, target, forced, alt, method, [_reals(c) for c in cols], i)
            raise ValueError(f"point {i} cannot be converted: {reason}")
    return tuple(results)


def bng_to_utm(easting: ArrayLike, northing: ArrayLike, *, zone: Optional[int] = None,
               alt: bool = False, method: str = "helmert", errors: str = "coerce",
               threads: Optional[int] = None) -> Tuple[np.ndarray, ...]:
    """National Grid easting, northing (metres) to UTM ``(zone, easting, northing)``.

    The zone is that of the point's longitude (29, 30 or 31), or ``zone`` for every point;
    a forced zone that cannot hold a point fails it. With ``alt=True`` three more arrays give
    the point in the neighbouring zone where it lies in an overlap strip (elsewhere zone 0,
    easting and northing -1).
    ``method="ostn15"``: UTM on ETRS89 (GRS80), easting and northing as float64 metres (NaN
    where there is none)."""
    return convert("bng", "utm", easting, northing, zone=zone, alt=alt, method=method,
                   errors=errors, threads=threads)


def utm_to_bng(zone: ArrayLike, easting: ArrayLike, northing: ArrayLike, *,
               method: str = "helmert", errors: str = "coerce",
               threads: Optional[int] = None) -> Tuple[np.ndarray, np.ndarray]:
    """UTM zone (29 .. 31), easting, northing (metres) to National Grid ``(easting,
    northing)``. A point more than 3 m outside the National Grid fails. ``method="ostn15"``:
    UTM on ETRS89 (GRS80), float64 metres out."""
    return convert("utm", "bng", zone, easting, northing, method=method, errors=errors,
                   threads=threads)


def bng_to_wgs84(easting: ArrayLike, northing: ArrayLike, *, method: str = "helmert",
                 errors: str = "coerce", threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """National Grid easting, northing (metres) to WGS84 ``(latitude, longitude)`` in decimal
    degrees; with ``method="ostn15"`` ETRS89, as ``bng_to_etrs89``."""
    return convert("bng", "wgs84", easting, northing, method=method, errors=errors,
                   threads=threads)


def wgs84_to_bng(latitude: ArrayLike, longitude: ArrayLike, *, method: str = "helmert",
                 errors: str = "coerce",
                 threads: Optional[int] = None) -> Tuple[np.ndarray, np.ndarray]:
    """WGS84 latitude, longitude (decimal degrees) to National Grid ``(easting, northing)``. A
    point more than 3 m outside the National Grid fails. With ``method="ostn15"`` the point is
    taken as ETRS89, as ``etrs89_to_bng``."""
    return convert("wgs84", "bng", latitude, longitude, method=method, errors=errors,
                   threads=threads)


def bng_to_etrs89(easting: ArrayLike, northing: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """National Grid easting, northing (metres, as given) to ETRS89 ``(latitude, longitude)``
    in decimal degrees by OSTN15, within 1e-8 degrees. Points within about 100 m of the
    grid's edges lie outside OSTN15's shifts and fail."""
    return convert("bng", "etrs89", easting, northing, method="ostn15", errors=errors,
                   threads=threads)


def etrs89_to_bng(latitude: ArrayLike, longitude: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """ETRS89 latitude, longitude (decimal degrees) to National Grid ``(easting, northing)``
    in float64 metres by OSTN15, to the millimetre."""
    return convert("etrs89", "bng", latitude, longitude, method="ostn15", errors=errors,
                   threads=threads)


def wgs84_to_utm(latitude: ArrayLike, longitude: ArrayLike, *, zone: Optional[int] = None,
                 alt: bool = False, errors: str = "coerce",
                 threads: Optional[int] = None) -> Tuple[Ints, ...]:
    """WGS84 latitude (-90 .. 90), longitude (-180 up to 180, decimal degrees) to UTM
    ``(zone, easting, northing)``; southern points go into the southern zone (negative zone
    number). ``zone`` and ``alt`` as for ``bng_to_utm``."""
    return convert("wgs84", "utm", latitude, longitude, zone=zone, alt=alt, errors=errors,
                   threads=threads)


def utm_to_wgs84(zone: ArrayLike, easting: ArrayLike, northing: ArrayLike, *,
                 errors: str = "coerce",
                 threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """UTM zone (1 .. 60, negative south of the equator), easting, northing to WGS84
    ``(latitude, longitude)`` in decimal degrees."""
    return convert("utm", "wgs84", zone, easting, northing, errors=errors, threads=threads)


def utm_to_utm(zone: ArrayLike, easting: ArrayLike, northing: ArrayLike, *, to_zone: int,
               alt: bool = False, errors: str = "coerce",
               threads: Optional[int] = None) -> Tuple[Ints, ...]:
    """UTM points re-expressed in zone ``to_zone``: ``(zone, easting, northing)``. A point
    that the zone's grid cannot hold fails."""
    return convert("utm", "utm", zone, easting, northing, zone=to_zone, alt=alt,
                   errors=errors, threads=threads)


def lv03_to_utm(easting: ArrayLike, northing: ArrayLike, *, zone: Optional[int] = None,
                alt: bool = False, errors: str = "coerce",
                threads: Optional[int] = None) -> Tuple[Ints, ...]:
    """Swiss LV03 easting (Y), northing (X) to UTM ``(zone, easting, northing)``."""
    return convert("lv03", "utm", easting, northing, zone=zone, alt=alt, errors=errors,
                   threads=threads)


def lv95_to_utm(easting: ArrayLike, northing: ArrayLike, *, zone: Optional[int] = None,
                alt: bool = False, errors: str = "coerce",
                threads: Optional[int] = None) -> Tuple[Ints, ...]:
    """Swiss LV95 easting (E), northing (N) to UTM ``(zone, easting, northing)``."""
    return convert("lv95", "utm", easting, northing, zone=zone, alt=alt, errors=errors,
                   threads=threads)


def utm_to_lv03(zone: ArrayLike, easting: ArrayLike, northing: ArrayLike, *,
                errors: str = "coerce", threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """UTM points of zone 32 to Swiss LV03 ``(easting, northing)``; up to 3 m outside the
    grid is its edge, further out fails."""
    return convert("utm", "lv03", zone, easting, northing, errors=errors, threads=threads)


def utm_to_lv95(zone: ArrayLike, easting: ArrayLike, northing: ArrayLike, *,
                errors: str = "coerce", threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """UTM points of zone 32 to Swiss LV95 ``(easting, northing)``, as ``utm_to_lv03``."""
    return convert("utm", "lv95", zone, easting, northing, errors=errors, threads=threads)


def lv03_to_wgs84(easting: ArrayLike, northing: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """Swiss LV03 easting, northing to WGS84 ``(latitude, longitude)`` in decimal degrees."""
    return convert("lv03", "wgs84", easting, northing, errors=errors, threads=threads)


def lv95_to_wgs84(easting: ArrayLike, northing: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Floats, Floats]:
    """Swiss LV95 easting, northing to WGS84 ``(latitude, longitude)`` in decimal degrees."""
    return convert("lv95", "wgs84", easting, northing, errors=errors, threads=threads)


def wgs84_to_lv03(latitude: ArrayLike, longitude: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """WGS84 latitude, longitude to Swiss LV03 ``(easting, northing)``; a point more than 3 m
    outside the grid fails."""
    return convert("wgs84", "lv03", latitude, longitude, errors=errors, threads=threads)


def wgs84_to_lv95(latitude: ArrayLike, longitude: ArrayLike, *, errors: str = "coerce",
                  threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """WGS84 latitude, longitude to Swiss LV95 ``(easting, northing)``, as ``wgs84_to_lv03``."""
    return convert("wgs84", "lv95", latitude, longitude, errors=errors, threads=threads)


def lv03_to_lv95(easting: ArrayLike, northing: ArrayLike, *, errors: str = "coerce",
                 threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """Swiss LV03 to LV95 ``(easting, northing)``."""
    return convert("lv03", "lv95", easting, northing, errors=errors, threads=threads)


def lv95_to_lv03(easting: ArrayLike, northing: ArrayLike, *, errors: str = "coerce",
                 threads: Optional[int] = None) -> Tuple[Ints, Ints]:
    """Swiss LV95 to LV03 ``(easting, northing)``."""
    return convert("lv95", "lv03", easting, northing, errors=errors, threads=threads)


def to_gridref(easting: ArrayLike, northing: ArrayLike, digits: int = 10, *,
               errors: str = "coerce") -> npt.NDArray[np.object_]:
    """National Grid easting, northing (metres) to lettered references of ``digits`` (0, 2,
    .., 10) figures, "TG 51410 13177", or the letters alone ("TG") for 0: the square of that
    size that holds the point as given, fractions included (figures truncated, never rounded).
    An object array of str, None where no square of the grid holds the point (a value below 0,
    from 700001 east or 1300001 north, or NaN)."""
    _check_errors(errors)
    names = ("easting", "northing")
    cols, masks = _columns(names, (easting, northing))
    e, n = (_reals(c) for c in cols)
    refs, status, first_failure = _core.to_gridref(e, n, _whole("digits", digits))
    if first_failure is not None:
        i = first_failure[0]
        first_failure = (i, _masked_reason(names, masks, i, int(status[i])) or first_failure[1])
    _raise_first(errors, first_failure)
    out = np.empty(len(refs), dtype=object)
    out[:] = refs
    return out


def from_gridref(refs: Sequence[Any] | ArrayLike, *, errors: str = "coerce") -> Tuple[Ints, Ints]:
    """Lettered National Grid references ("TG 51410 13177", "TG5113", 0 to 10 figures, blanks
    optional) to ``(easting, northing)``: the south-west corner of the square each names.
    None and NaN are missing references and fail like malformed ones."""
    _check_errors(errors)
    easting, northing, _status, first_failure = _core.from_gridref(_references(refs))
    _raise_first(errors, first_failure)
    return easting, northing


def _references(refs: Sequence[Any] | ArrayLike) -> list:
    a = np.asarray(refs, dtype=object)
    if a.ndim != 1:
        raise ValueError(f"refs must be one-dimensional, not of shape {a.shape}")
    return a.tolist()


def _whole(name: str, value: Any) -> int:
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be a whole number, not {value!r}")
    return int(value)


def to_mgrs(latitude: ArrayLike, longitude: ArrayLike, digits: int = 5, *,
            compact: bool = False, errors: str = "coerce") -> npt.NDArray[np.object_]:
    """WGS84 latitude, longitude (decimal degrees) to MGRS references of ``digits`` (0 .. 5)
    per coordinate, "30U XC 99293 09783" ("30UXC9929309783" with ``compact=True``), in MGRS's
    standard zone (32V and 31X .. 37X included; the polar grid south of 80 S and from 84 N):
    the square of that size that holds the point (digits truncated, never rounded). An object
    array of str, None where a point has none (NaN, or a value outside its range)."""
    _check_errors(errors)
    names = ("latitude", "longitude")
    cols, masks = _columns(names, (latitude, longitude))
    lat, lon = (_reals(c) for c in cols)
    refs, status, first_failure = _core.to_mgrs(lat, lon, _whole("digits", digits), bool(compact))
    if first_failure is not None:
        i = first_failure[0]
        first_failure = (i, _masked_reason(names, masks, i, int(status[i])) or first_failure[1])
    _raise_first(errors, first_failure)
    out = np.empty(len(refs), dtype=object)
    out[:] = refs
    return out


def from_mgrs(refs: Sequence[Any] | ArrayLike, *, corner: bool = False,
              errors: str = "coerce") -> Tuple[Floats, Floats]:
    """MGRS references (any case, blanks optional, 0 to 5 digits per coordinate) to WGS84
    ``(latitude, longitude)`` in decimal degrees: the centre of the square each names, or its
    south-west corner with ``corner=True``. None and NaN are missing references and fail like
    malformed ones (NaN results)."""
    _check_errors(errors)
    latitude, longitude, _status, first_failure = _core.from_mgrs(_references(refs), bool(corner))
    _raise_first(errors, first_failure)
    return latitude, longitude


def bng_to_mgrs(easting: ArrayLike, northing: ArrayLike, digits: int = 5, *,
                method: str = "helmert", compact: bool = False, errors: str = "coerce",
                threads: Optional[int] = None) -> npt.NDArray[np.object_]:
    """National Grid easting, northing (metres) to MGRS references: ``bng_to_wgs84`` by
    ``method``, then ``to_mgrs``. None where a point fails."""
    latitude, longitude = bng_to_wgs84(easting, northing, method=method, errors=errors,
                                       threads=threads)
    return to_mgrs(latitude, longitude, digits, compact=compact, errors=errors)


def mgrs_to_bng(refs: Sequence[Any] | ArrayLike, *, method: str = "helmert",
                corner: bool = False, errors: str = "coerce",
                threads: Optional[int] = None) -> Tuple[np.ndarray, np.ndarray]:
    """MGRS references to National Grid ``(easting, northing)``: ``from_mgrs``, then
    ``wgs84_to_bng`` by ``method``; a reference that fails gives -1 (NaN under OSTN15)."""
    latitude, longitude = from_mgrs(refs, corner=corner, errors=errors)
    return wgs84_to_bng(latitude, longitude, method=method, errors=errors, threads=threads)


def _raise_first(errors: str, first_failure: Optional[Tuple[int, str]]) -> None:
    if errors == "raise" and first_failure is not None:
        i, reason = first_failure
        raise ValueError(f"point {i} cannot be converted: {reason}")
