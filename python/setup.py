"""Builds tarnwick._core from the core's sources in this repository (see native_sources.txt)."""

import os
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def relative(path):
    # setuptools takes sources only as paths relative to this directory.
    return os.path.relpath(path, HERE)


def native_sources():
    sources = sorted(relative(p) for p in (HERE / "src").glob("*.cpp"))
    include_dirs = []
    for line in (HERE / "native_sources.txt").read_text().splitlines():
        entry = line.split("#", 1)[0].strip()
        if not entry:
            continue
        path = ROOT / entry
        if path.is_dir():
            sources += sorted(relative(p) for p in path.glob("*.cpp") if p.name != "tarnwick.cpp")
            include_dirs.append(str(path))
        else:
            sources.append(relative(path))
            include_dirs.append(str(path.parent))
    return sources, include_dirs


sources, include_dirs = native_sources()

# The core has twenty units; compile them side by side (TARNWICK_BUILD_JOBS overrides).
ParallelCompile("TARNWICK_BUILD_JOBS", default=2).install()

setup(
    ext_modules=[
        Pybind11Extension(
            "tarnwick._core",
            sources,
            include_dirs=include_dirs,
            cxx_std=20,
            # Every product and sum rounded on its own, as the core is built everywhere else,
            # so that the package gives the library's results to the last bit.
            extra_compile_args=["-ffp-contract=off"],
        )
    ],
)
