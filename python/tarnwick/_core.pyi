# The compiled part of the package; the functions of `tarnwick` check their arguments and call
# these with one-dimensional contiguous float64 columns (`convert` also takes int64 ones).
from typing import Any, List, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

Column = npt.NDArray[np.float64]
InputColumn = npt.NDArray[np.float64] | npt.NDArray[np.int64]

def convert(source: str, target: str, zone: int, alt: bool, method: str, threads: int,
            columns: List[InputColumn]) -> Tuple[npt.NDArray[np.uint8], ...]:
    """The status of every point (0: converted, else the failure kind), then the result
    columns of `target` (int32 zones, 0 where there is none, and grid values, -1 where there
    is none; float64 metres under method "ostn15", float64 degrees). Columns of another type
    than float64 or int64 raise TypeError. RuntimeError when "ostn15" has no shift grid."""

def failure_reason(source: str, target: str, zone: int, alt: bool, method: str,
                   columns: List[Column], index: int) -> str:
    """Why point `index` does not convert, ending in the failure kind's name; "" if it does."""

def systems() -> List[Tuple[str, Tuple[str, ...]]]:
    """The systems the array conversions take, by name, with the fields of a point in input
    order: ("bng", ("easting", "northing")), ..."""

def failure_name(status: int) -> str:
    """The full name of a failure kind by its status number; "" for 0."""

def to_gridref(easting: Column, northing: Column, digits: int
               ) -> Tuple[List[Optional[str]], npt.NDArray[np.uint8], Optional[Tuple[int, str]]]:
    """References (None for failing points), status, and the first failure (index, reason)."""

def from_gridref(refs: Sequence[Any]) -> Tuple[npt.NDArray[np.int32], npt.NDArray[np.int32],
                                               npt.NDArray[np.uint8], Optional[Tuple[int, str]]]:
    """Eastings, northings (-1 for failing references), status, and the first failure."""

def to_mgrs(latitude: Column, longitude: Column, digits: int, compact: bool
            ) -> Tuple[List[Optional[str]], npt.NDArray[np.uint8], Optional[Tuple[int, str]]]:
    """MGRS references (None for failing points), status, and the first failure."""

def from_mgrs(refs: Sequence[Any], corner: bool
              ) -> Tuple[npt.NDArray[np.float64], npt.NDArray[np.float64],
                         npt.NDArray[np.uint8], Optional[Tuple[int, str]]]:
    """Latitudes, longitudes (NaN for failing references), status, and the first failure."""

def time_core(source: str, target: str, zone: int, alt: bool, columns: List[Column]) -> float:
    """Seconds the core's array conversion takes on one thread, for the binding's benchmark."""
