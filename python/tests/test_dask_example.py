"""examples/dask_convert.py on a local cluster of two worker processes: every row of a
partitioned table present, in order, and identical to the conversion in one process."""

import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

pd = pytest.importorskip("pandas")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"
sys.path.insert(0, str(EXAMPLES))
import dask_convert  # noqa: E402

PARTITIONS = 6
ROWS = 1500


def write_partitions(folder):
    rng = np.random.default_rng(16)
    for p in range(PARTITIONS):
        frame = pd.DataFrame({
            "id": np.arange(p * ROWS, (p + 1) * ROWS),
            "easting": rng.integers(-5_000, 705_000, ROWS),
            "northing": rng.integers(0, 1_300_000, ROWS),
        })
        frame.to_csv(folder / f"points-{p}.csv", index=False)


def test_the_example_converts_every_row_in_order_on_two_worker_processes(tmp_path):
    write_partitions(tmp_path)
    out = tmp_path / "converted"
    # The example as a user runs it, with its own local cluster of worker processes.
    done = subprocess.run(
        [sys.executable, str(EXAMPLES / "dask_convert.py"), str(tmp_path / "points-*.csv"),
         str(out), "--cols", "easting,northing", "--alt", "--workers", "2"],
        capture_output=True, text=True, timeout=600)
    assert done.returncode == 0, done.stderr
    assert f"{PARTITIONS} partitions converted by 2 workers" in done.stdout

    parts = sorted(out.glob("part-*.csv"))
    assert len(parts) == PARTITIONS
    distributed_result = pd.concat([pd.read_csv(p) for p in parts], ignore_index=True)

    table = pd.concat([pd.read_csv(tmp_path / f"points-{p}.csv") for p in range(PARTITIONS)],
                      ignore_index=True)
    single = dask_convert.convert_partition(table, "bng", "utm", ["easting", "northing"],
                                            alt=True)
    assert distributed_result["id"].tolist() == list(range(PARTITIONS * ROWS))
    pd.testing.assert_frame_equal(distributed_result, single, check_dtype=False)
    assert (single["utm_zone"] == 0).any() and (single["alt_utm_zone"] != 0).any()


def test_int64_partitions_sent_to_worker_processes_convert_as_in_one_process():
    # Regression: int64 columns that reached a worker through pickle were refused ("must be
    # float64 or int64, not int64").
    rng = np.random.default_rng(20)
    frame = pd.DataFrame({"easting": rng.integers(-5_000, 705_000, ROWS),
                          "northing": rng.integers(0, 1_300_000, ROWS)})
    columns = ["easting", "northing"]
    with distributed.LocalCluster(n_workers=1, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        table = dd.from_pandas(frame, npartitions=3)
        got = dask_convert.convert_table(table, "bng", "utm", columns, alt=True).compute()
    expected = dask_convert.convert_partition(frame, "bng", "utm", columns, alt=True)
    pd.testing.assert_frame_equal(got, expected)
