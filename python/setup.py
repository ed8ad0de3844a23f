"""Builds tarnwick._core from the core's sources in this repository (see native_sources.txt),
and packs precise mode's OSTN15 shift grid into the package from Debian's
libgeo-coordinates-osgb-perl with the repository's own packer."""

import os
import subprocess
import tempfile
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def relative(path):
    # setuptools takes sources only as paths relative to this directory.
    return os.path.relpath(path, HERE)


# The units of the shared C libraries, not of the core: the extension compiles neither.
C_INTERFACES = {"tarnwick.cpp", "tarnwick_transform.cpp"}


def native_sources():
    sources = sorted(relative(p) for p in (HERE / "src").glob("*.cpp"))
    include_dirs = []
    for line in (HERE / "native_sources.txt").read_text().splitlines():
        entry = line.split("#", 1)[0].strip()
        if not entry:
            continue
        path = ROOT / entry
        if path.is_dir():
            sources += sorted(relative(p) for p in path.glob("*.cpp") if p.name not in C_INTERFACES)
            include_dirs.append(str(path))
        else:
            sources.append(relative(path))
            include_dirs.append(str(path.parent))
    return sources, include_dirs


sources, include_dirs = native_sources()

# Where Debian installs the two OSTN15 shift files (TARNWICK_OSTN15_SOURCE_DIR overrides).
SHIFT_FILES_DIR = Path(os.environ.get("TARNWICK_OSTN15_SOURCE_DIR",
                                      "/usr/share/perl5/auto/share/dist/Geo-Coordinates-OSGB"))
SHIFT_FILES = ("ostn_east_shift_82140", "ostn_north_shift_-84180")


class build_ext_with_shift_grid(build_ext):
    """Also writes tarnwick/ostn15.dat, which the package names to the library when it is
    imported. Without Debian's shift files the package builds without it, and precise mode
    refuses with the reason."""

    def run(self):
        super().run()
        if not all((SHIFT_FILES_DIR / f).is_file() for f in SHIFT_FILES):
            print(f"warning: no OSTN15 shift files in {SHIFT_FILES_DIR} (Debian: "
                  "libgeo-coordinates-osgb-perl): precise mode will be unavailable")
            return
        target = Path(self.build_lib) / "tarnwick" / "ostn15.dat"
        target.parent.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryDirectory() as work:
            packer = str(Path(work) / "ostn15_pack")
            source = ROOT / "tools" / "ostn15-data" / "ostn15_pack.cpp"
            subprocess.run(["c++", "-std=c++20", "-O1", str(source), "-o", packer], check=True)
            subprocess.run([packer, *(str(SHIFT_FILES_DIR / f) for f in SHIFT_FILES),
                            str(target)], check=True)

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
            # No compiled-in place for the shift grid: the package names its own file.
            define_macros=[("TARNWICK_OSTN15_INSTALLED_FILE", '""'),
                           ("TARNWICK_OSTN15_BUILD_FILE", '""')],
        )
    ],
    cmdclass={"build_ext": build_ext_with_shift_grid},
)
