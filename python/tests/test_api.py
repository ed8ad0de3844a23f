"""The package's functions: the published point, failures per point, refused arguments,
threads."""

import pickle
import threading

import numpy as np
import pytest

import tarnwick


def test_published_point_and_its_way_back():
    zone, easting, northing = tarnwick.bng_to_utm([651410], [313177])
    assert (zone.tolist(), easting.tolist(), northing.tolist()) == ([31], [413156], [5834998])
    assert zone.dtype == easting.dtype == northing.dtype == np.int32
    e, n = tarnwick.utm_to_bng(zone, easting, northing)
    assert (e.tolist(), n.tolist()) == ([651410], [313177])
    assert tarnwick.to_gridref([651410], [313177]).tolist() == ["TG 51410 13177"]
    e, n = tarnwick.from_gridref(np.array(["TG 51410 13177", "tg5113"]))
    assert (e.tolist(), n.tolist()) == ([651410, 651000], [313177, 313000])


# A published OSTN15 test point: ETRS89 latitude, longitude and its National Grid position.
TP09 = (51.4893656495, -0.1199255718, 530624.974, 178388.464)


def test_precise_mode_gives_the_published_point_in_unrounded_metres():
    lat, lon, e, n = TP09
    for easting, northing in (tarnwick.etrs89_to_bng([lat], [lon]),
                              tarnwick.wgs84_to_bng([lat], [lon], method="ostn15")):
        assert easting.dtype == northing.dtype == np.float64
        assert abs(easting[0] - e) < 1e-3 and abs(northing[0] - n) < 1e-3
    back = tarnwick.bng_to_etrs89([e], [n])
    assert abs(back[0][0] - lat) < 1e-8 and abs(back[1][0] - lon) < 1e-8
    np.testing.assert_array_equal(tarnwick.bng_to_wgs84([e], [n], method="ostn15"), back)

    # Through UTM and back: grid input taken as given, not rounded to whole metres.
    zone, ue, un = tarnwick.bng_to_utm([e], [n], method="ostn15")
    assert zone.dtype == np.int32 and ue.dtype == np.float64
    e2, n2 = tarnwick.utm_to_bng(zone, ue, un, method="ostn15")
    assert abs(e2[0] - e) < 1e-4 and abs(n2[0] - n) < 1e-4
    # The Helmert chain's answer for the same point is metres away: the methods differ.
    he, hn = tarnwick.etrs89_to_bng([lat], [lon])[0], tarnwick.wgs84_to_bng([lat], [lon])[0]
    assert 0.5 < abs(he[0] - hn[0]) < 10


def test_a_failing_point_gets_failure_values_and_the_others_convert():
    # Every kind of unusable point: outside the grid, NaN, zone the grid does not take.
    zone = [31, 31, 5, 31]
    easting = [413156, np.nan, 413156, 913156]
    northing = [5834998, 5834998, 5834998, 5834998]
    e, n = tarnwick.utm_to_bng(zone, easting, northing)
    assert e.tolist() == [651410, -1, -1, -1] and n.tolist() == [313177, -1, -1, -1]
    lat, lon = tarnwick.utm_to_wgs84(zone, easting, northing)
    assert np.isnan(lat[1]) and np.isnan(lon[1]) and not np.isnan(lat[0])
    refs = tarnwick.to_gridref([651410, 800000], [313177, 0], digits=4)
    assert refs.tolist() == ["TG 51 13", None]
    e, n = tarnwick.from_gridref(["TG 51410 13177", "TG 5141 131", None, float("nan")])
    assert e.tolist() == [651410, -1, -1, -1]


def test_a_reference_names_the_square_that_holds_the_point_as_given():
    # Regression: fractions were rounded first (531499.9457 gave square 315, not 314), and the
    # 100 km square alone was refused both ways.
    assert tarnwick.to_gridref([531499.9457], [882249.6589], digits=6).tolist() == ["OF 314 822"]
    assert tarnwick.to_gridref([651410.7], [313177], digits=0).tolist() == ["TG"]
    e, n = tarnwick.from_gridref(["TG"])
    assert (e.tolist(), n.tolist()) == ([600000], [300000])
    # Below the grid's first metre no square holds a point.
    assert tarnwick.to_gridref([-0.25, 5.5], [3, np.nan]).tolist() == [None, None]


@pytest.mark.parametrize("call, message", [
    (lambda: tarnwick.utm_to_bng([31, 31, 5], [413156, 913156, 1], [5834998] * 3,
                                 errors="raise"),
     "point 1 cannot be converted: outside the National Grid "
     "(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"),
    (lambda: tarnwick.bng_to_utm([1, 800000], [1, 1], errors="raise"),
     "point 1 cannot be converted: BNG easting 800000 is outside 0 .. 700000 "
     "(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"),
    (lambda: tarnwick.bng_to_etrs89([530624.974, 5], [178388.464, 5], errors="raise"),
     "point 1 cannot be converted: outside the OSTN15 shifts "
     "(UTM.EXCEPTIONS.EASTING_OUT_OF_RANGE)"),
    (lambda: tarnwick.wgs84_to_lv95([46.95, 48.85], [7.44, 2.35], errors="raise"),
     "point 1 cannot be converted: outside the LV95 grid (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"),
    (lambda: tarnwick.to_gridref([1, 1], [1, -1], errors="raise"),
     "point 1 cannot be converted: BNG northing -1 is outside the National Grid "
     "(0 .. 1300000) (UTM.EXCEPTIONS.NORTHING_OUT_OF_RANGE)"),
    (lambda: tarnwick.from_gridref(["TG 1 1", "TG 12 3"], errors="raise"),
     "point 1 cannot be converted: grid reference \"TG 12 3\" needs an even number of digits"),
    (lambda: tarnwick.from_mgrs(["30UXC9929309783", "32XMH1234"], errors="raise"),
     "point 1 cannot be converted: MGRS reference \"32XMH1234\" names zone 32X, which MGRS "
     "leaves out"),
    (lambda: tarnwick.bng_to_mgrs([1, 800000], [1, 1], errors="raise"),
     "point 1 cannot be converted: BNG easting 800000 is outside 0 .. 700000"),
])
def test_errors_raise_names_the_first_failing_point_and_why(call, message):
    with pytest.raises(ValueError) as raised:
        call()
    assert str(raised.value).startswith(message)


@pytest.mark.parametrize("call, error, words", [
    (lambda: tarnwick.bng_to_utm([[1, 2]], [[1, 2]]), ValueError, "one-dimensional"),
    (lambda: tarnwick.bng_to_utm(5, 5), ValueError, "one-dimensional"),
    (lambda: tarnwick.bng_to_utm([1, 2], [1]), ValueError, "differ in length"),
    (lambda: tarnwick.utm_to_bng([31], [1, 2], [1, 2]), ValueError, "differ in length"),
    (lambda: tarnwick.bng_to_utm(["1"], ["2"]), TypeError, "integers or floats"),
    (lambda: tarnwick.bng_to_utm([True], [False]), TypeError, "integers or floats"),
    (lambda: tarnwick.bng_to_utm([1 + 1j], [1]), TypeError, "integers or floats"),
    (lambda: tarnwick.bng_to_utm([1], [1], zone=61), ValueError, "1 .. 60"),
    (lambda: tarnwick.bng_to_utm([1], [1], zone=0), ValueError, "1 .. 60"),
    (lambda: tarnwick.bng_to_utm([1], [1], zone=30.5), TypeError, "whole number"),
    (lambda: tarnwick.bng_to_utm([1], [1], method="ostn02"), ValueError, "helmert"),
    (lambda: tarnwick.convert("utm", "wgs84", [30], [1], [1], method="ostn15"), ValueError,
     "by OSTN15"),
    (lambda: tarnwick.convert("etrs89", "bng", [52], [-1]), ValueError, "OSTN15"),
    (lambda: tarnwick.bng_to_utm([1], [1], zone=32, method="ostn15"), ValueError, "29 .. 31"),
    (lambda: tarnwick.bng_to_utm([1], [1], errors="ignore"), ValueError, "coerce"),
    (lambda: tarnwick.bng_to_utm([1], [1], threads=0), ValueError, "at least 1"),
    (lambda: tarnwick.utm_to_utm([31], [1], [1], to_zone=0), ValueError, "1 .. 60"),
    (lambda: tarnwick.convert("bng", "lv95", [1], [1]), ValueError, "share no ground"),
    (lambda: tarnwick.convert("bng", "utm", [1]), TypeError, "2 fields"),
    (lambda: tarnwick.to_gridref([1], [1], digits=7), ValueError, "2, 4, 6, 8 or 10"),
    (lambda: tarnwick.from_gridref([["TG 1 1"]]), ValueError, "one-dimensional"),
    (lambda: tarnwick.from_gridref([5]), TypeError, "must be strings"),
    (lambda: tarnwick.to_mgrs([1], [1], digits=6), ValueError, "0 .. 5"),
    (lambda: tarnwick.from_mgrs([5]), TypeError, "must be strings"),
])
def test_unusable_arguments_raise_at_once(call, error, words):
    with pytest.raises(error, match=words):
        call()


def test_threads_split_the_arrays_without_changing_a_result():
    rng = np.random.default_rng(16)
    n = 150_001  # several parts, the last one short
    easting = rng.integers(-10_000, 710_000, n)
    northing = rng.integers(0, 1_300_000, n)
    one = tarnwick.bng_to_utm(easting, northing, alt=True, threads=1)
    # int64 columns reach the core block by block; float64 ones whole: the same results.
    assert easting.dtype == np.int64
    reals = tarnwick.bng_to_utm(easting.astype(np.float64), northing.astype(np.float64),
                                alt=True, threads=1)
    for threads in (2, 7):
        many = tarnwick.bng_to_utm(easting, northing, alt=True, threads=threads)
        for a, b, c in zip(one, many, reals):
            np.testing.assert_array_equal(a, b)
            np.testing.assert_array_equal(a, c)
    assert (one[0] == 0).any() and (one[3] != 0).any()  # failures and neighbouring zones
    zone, ue, un = one[:3]
    mixed = tarnwick.utm_to_bng(zone.astype(np.int64), ue.astype(np.float64), un.astype(np.int64))
    same = tarnwick.utm_to_bng(zone.astype(np.float64), ue.astype(np.float64),
                               un.astype(np.float64))
    for a, b in zip(mixed, same):
        np.testing.assert_array_equal(a, b)

    # Python threads calling at once get their own results.
    results = [None] * 4

    def run(k):
        results[k] = tarnwick.bng_to_wgs84(easting[k::4], northing[k::4], threads=2)

    workers = [threading.Thread(target=run, args=(k,)) for k in range(4)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    lat, lon = tarnwick.bng_to_wgs84(easting, northing, threads=1)
    for k in range(4):
        np.testing.assert_array_equal(results[k][0], lat[k::4])
        np.testing.assert_array_equal(results[k][1], lon[k::4])


def test_a_failing_point_has_zone_0_which_no_point_has():
    # Regression: failing points got zone -1, which is also zone 1 south.
    zone, e, n, alt_zone, alt_e, alt_n = tarnwick.wgs84_to_utm([-10, 95, 52], [-177, 0, 2],
                                                               alt=True)
    assert zone.tolist() == [-1, 0, 31] and e[1] == n[1] == -1
    # No neighbouring zone (the first and last lie in no overlap strip) is zone 0 as well.
    assert alt_zone.tolist() == [0, 0, 0] and (alt_e == -1).all() and (alt_n == -1).all()
    assert tarnwick.utm_to_utm([-1, -1], [500000, 500000], [8894588, -5],
                               to_zone=-1)[0].tolist() == [-1, 0]


def _pickled(values):
    """int64 as a Dask worker receives a pandas column: a copy through pickle, whose dtype is
    int64 but not NumPy's own int64 object."""
    return pickle.loads(pickle.dumps(np.asarray(values, dtype=np.int64)))


def _pandas(dtype):
    def make(values):
        pd = pytest.importorskip("pandas")
        return pd.Series(values, dtype=dtype)
    return make


# Every integer and floating type NumPy casts safely to float64, as a user may hold them.
ACCEPTED = {
    **{np.dtype(t).name: (lambda t: lambda v: np.asarray(v, dtype=t))(t)
       for t in (np.int8, np.int16, np.int32, np.int64, np.uint8, np.uint16, np.uint32,
                 np.uint64, np.float16, np.float32, np.float64)},
    "longlong": lambda v: np.asarray(v, dtype=np.longlong),
    "big-endian int64": lambda v: np.asarray(v, dtype=">i8"),
    "big-endian float64": lambda v: np.asarray(v, dtype=">f8"),
    "int64 through pickle": _pickled,
    "pandas int64": _pandas("int64"),
    "pandas Int64": _pandas("Int64"),
    "pandas Float64": _pandas("Float64"),
    "pandas UInt16": _pandas("UInt16"),
}


@pytest.mark.parametrize("make", ACCEPTED.values(), ids=ACCEPTED.keys())
def test_every_type_float64_holds_converts_as_float64_does(make):
    # Regression: np.longlong and unpickled int64 (Dask's pandas partitions) were refused
    # with "must be float64 or int64, not int64".
    rng = np.random.default_rng(20)
    # Degrees that every type holds exactly (int8, uint8, float16): whole, 0 .. 84 and 127.
    lat = rng.integers(0, 85, 400).astype(np.float64)
    lon = rng.integers(0, 128, 400).astype(np.float64)
    expected = tarnwick.wgs84_to_utm(lat, lon, alt=True, threads=2)
    got = tarnwick.wgs84_to_utm(make(lat), make(lon), alt=True, threads=2)
    for a, b in zip(expected, got):
        np.testing.assert_array_equal(a, b)
    # The zone column of UTM input, the first column of a grid reference, the mixed call.
    zone, e, n = expected[:3]
    np.testing.assert_array_equal(tarnwick.utm_to_wgs84(make(zone), e, n),
                                  tarnwick.utm_to_wgs84(zone, e, n))
    assert tarnwick.to_gridref(make([127]), [1000], digits=4).tolist() == ["SV 00 01"]


@pytest.mark.parametrize("make, error, words", [
    (lambda: np.array([True, False]), TypeError, "northing must hold .* not bool"),
    (lambda: np.array([1, 2], dtype=object), TypeError, "northing must hold .* not object"),
    (lambda: np.array(["1", "2"]), TypeError, "northing must hold .* not <U1"),
    (lambda: np.array([1, 2], dtype=np.longdouble), TypeError, "not float128"),
    (lambda: _pandas("Int64")([313177, None]), ValueError,
     "northing .Int64. has a missing value at point 1"),
    (lambda: _pandas("boolean")([True, False]), TypeError, "northing must hold .* not boolean"),
    (lambda: _pandas("category")([1, 2]), TypeError, "northing must hold .* not category"),
], ids=["bool", "object", "str", "longdouble", "Int64 NA", "pandas boolean", "category"])
def test_a_column_of_another_type_or_a_missing_value_is_refused_by_name(make, error, words):
    # Regression: a pandas column with a missing value or of booleans was converted.
    with pytest.raises(error, match=words):
        tarnwick.bng_to_utm([651410, 651410], make())


MASKED_PAIRS = [
    ("bng", "utm", {"alt": True}, [[651410, 530000, 651410], [313177, 180000, 313177]]),
    ("utm", "wgs84", {}, [[31, 30, 31], [413156, 699293, 413156], [5834998, 5709783, 5834998]]),
    ("bng", "utm", {"method": "ostn15"}, [[651410.0, 530000, 651410], [313177, 180000, 313177]]),
]


@pytest.mark.parametrize("source, target, options, columns", MASKED_PAIRS,
                         ids=["bng-utm-alt", "utm-wgs84", "bng-utm-ostn15"])
def test_a_masked_point_gives_the_failure_values(source, target, options, columns):
    # Regression: masked arrays were converted as if unmasked.
    plain = tarnwick.convert(source, target, *columns, **options)
    for k in range(len(columns)):
        masked = [np.ma.masked_array(c, mask=[False, j == k, False]) for j, c in
                  enumerate(columns)]
        got = tarnwick.convert(source, target, *masked, **options)
        failed = tarnwick.convert(source, target, *[[c[0], np.nan, c[0]] for c in columns],
                                  **options)
        for a, b, f in zip(plain, got, failed):
            np.testing.assert_array_equal(a[[0, 2]], b[[0, 2]])
            np.testing.assert_array_equal(b[1], f[1])
        name = tarnwick._FIELDS[source][k]
        with pytest.raises(ValueError, match=f"point 1 cannot be converted: {name} is masked "
                                             r"\(CONSTRAINT_ERROR\)"):
            tarnwick.convert(source, target, *masked, errors="raise", **options)
    assert tarnwick.to_gridref(np.ma.masked_array([651410, 1], mask=[False, True]),
                               [313177, 1]).tolist() == ["TG 51410 13177", None]


def test_pandas_series_pair_by_index_only_when_their_indexes_agree():
    pd = pytest.importorskip("pandas")
    e = pd.Series([651410, 530000], index=[7, 3])
    n = pd.Series([313177, 180000], index=[7, 3])
    np.testing.assert_array_equal(tarnwick.bng_to_utm(e, n)[0], [31, 30])
    np.testing.assert_array_equal(tarnwick.bng_to_utm(e, n.to_numpy())[0], [31, 30])
    # Regression: Series with different indexes were paired by position.
    with pytest.raises(ValueError, match="easting and northing are pandas Series with "
                                         "different indexes"):
        tarnwick.bng_to_utm(e, n.sort_index())
    with pytest.raises(ValueError, match="different indexes"):
        tarnwick.to_gridref(e, n.reset_index(drop=True))


@pytest.mark.parametrize("alt", ["no", 1, None])
def test_a_flag_must_be_a_bool(alt):
    # Regression: alt="no" counted as true.
    with pytest.raises(TypeError, match="alt must be True or False"):
        tarnwick.bng_to_utm([651410], [313177], alt=alt)
    assert len(tarnwick.bng_to_utm([651410], [313177], alt=np.bool_(True))) == 6


@pytest.mark.parametrize("method", ["helmert", "ostn15"])
def test_bng_to_mgrs_is_bng_to_wgs84_to_mgrs_and_reads_back(method):
    rng = np.random.default_rng(23)
    e = rng.uniform(100000, 650000, 2000)
    n = rng.uniform(20000, 1200000, 2000)
    latitude, longitude = tarnwick.bng_to_wgs84(e, n, method=method)
    for digits in range(6):
        refs = tarnwick.bng_to_mgrs(e, n, digits, method=method, compact=digits % 2 == 1)
        assert refs.tolist() == tarnwick.to_mgrs(latitude, longitude, digits,
                                                 compact=digits % 2 == 1).tolist()
    # A 1 m square's centre comes back within the chain's rounding of the point.
    back_e, back_n = tarnwick.mgrs_to_bng(refs, method=method)
    ok = refs != None  # noqa: E711 (elementwise on an object array)
    assert ok.mean() > 0.9
    assert np.all(np.abs(back_e[ok] - e[ok]) < 2) and np.all(np.abs(back_n[ok] - n[ok]) < 2)
    lat, lon = tarnwick.from_mgrs(["30U XC 99293 09783", "30uxc9929309783", None])
    assert lat[0] == lat[1] and np.isnan(lat[2])
    assert tarnwick.to_mgrs(lat[:1], lon[:1]).tolist() == ["30U XC 99293 09783"]
