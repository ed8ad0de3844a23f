"""The package's functions: the published point, failures per point, refused arguments,
threads."""

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
    assert (one[0] == -1).any() and (one[3] != -1).any()
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
