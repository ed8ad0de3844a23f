"""Converts a partitioned table of points on a Dask cluster, one partition per task.

Reads CSV (or Parquet) files, converts one column group per row with tarnwick, and writes
the input columns followed by the result columns, one output file per partition, in input
order. A row that cannot be converted keeps its place with zone 0, -1 (grid values) or NaN
(angles).

    # two local worker processes
    /usr/bin/python3 dask_convert.py 'points-*.csv' converted/ --cols easting,northing

    # an existing cluster: start `dask scheduler` and `dask worker tcp://host:8786` elsewhere
    /usr/bin/python3 dask_convert.py 'points-*.csv' converted/ --scheduler tcp://host:8786

Every worker needs the tarnwick package installed (the same pip command as here).
"""

from __future__ import annotations

import argparse
import sys
from pathlib import Path
from typing import Optional, Sequence

import dask.dataframe as dd
import numpy as np
import pandas as pd
from distributed import Client, LocalCluster, get_task_stream

import tarnwick

# Result columns by target system, named as tarnwick-convert names them.
RESULT_COLUMNS = {
    "bng": ("bng_easting", "bng_northing"),
    "utm": ("utm_zone", "utm_easting", "utm_northing"),
    "wgs84": ("latitude", "longitude"),
    "lv03": ("lv03_easting", "lv03_northing"),
    "lv95": ("lv95_easting", "lv95_northing"),
}
ALT_COLUMNS = ("alt_utm_zone", "alt_utm_easting", "alt_utm_northing")


def result_columns(target: str, alt: bool) -> tuple[str, ...]:
    return RESULT_COLUMNS[target] + (ALT_COLUMNS if alt else ())


def convert_partition(frame: pd.DataFrame, source: str, target: str, columns: Sequence[str],
                      zone: Optional[int] = None, alt: bool = False) -> pd.DataFrame:
    """One partition with the result columns appended. Dask runs partitions side by side, so
    each conversion keeps to one thread."""
    results = tarnwick.convert(source, target, *(frame[c].to_numpy() for c in columns),
                               zone=zone, alt=alt, threads=1)
    out = frame.copy()
    for name, values in zip(result_columns(target, alt), results):
        out[name] = values
    return out


def convert_table(table: dd.DataFrame, source: str, target: str, columns: Sequence[str],
                  zone: Optional[int] = None, alt: bool = False) -> dd.DataFrame:
    """The lazily converted table: ``convert_partition`` on every partition."""
    meta = table._meta.copy()
    for name in result_columns(target, alt):
        meta[name] = np.array([], dtype=np.float64 if target == "wgs84" else np.int32)
    return table.map_partitions(convert_partition, source, target, list(columns), zone, alt,
                                meta=meta)


def read_table(pattern: str) -> dd.DataFrame:
    if pattern.endswith(".parquet"):
        return dd.read_parquet(pattern)
    return dd.read_csv(pattern)


def main(argv: Optional[Sequence[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("input", help="CSV or Parquet files, a glob pattern ('points-*.csv')")
    parser.add_argument("output", help="directory for the converted partitions (CSV)")
    parser.add_argument("--from", dest="source", default="bng", choices=sorted(RESULT_COLUMNS))
    parser.add_argument("--to", dest="target", default="utm", choices=sorted(RESULT_COLUMNS))
    parser.add_argument("--cols", default="easting,northing",
                        help="the input columns of a point, comma-separated")
    parser.add_argument("--zone", type=int, help="force the zone of a UTM result")
    parser.add_argument("--alt", action="store_true", help="also the neighbouring zone")
    parser.add_argument("--scheduler", help="address of a running scheduler (tcp://host:8786);"
                        " without it a local cluster is started")
    parser.add_argument("--workers", type=int, default=2,
                        help="worker processes of the local cluster (default 2)")
    args = parser.parse_args(argv)

    if args.scheduler:
        client = Client(args.scheduler)
    else:
        client = Client(LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                     processes=True))
    with client:
        table = convert_table(read_table(args.input), args.source, args.target,
                              args.cols.split(","), args.zone, args.alt)
        Path(args.output).mkdir(parents=True, exist_ok=True)
        with get_task_stream(client) as stream:
            table.to_csv(str(Path(args.output) / "part-*.csv"), index=False,
                         name_function=lambda i: f"{i:05d}")
        workers = {task["worker"] for task in stream.data}
        print(f"{table.npartitions} partitions converted by {len(workers)} workers "
              f"into {args.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
