#!/usr/bin/env bash
# The README's install of the Python package, as a user on a fresh machine runs it: a virtual
# environment of Debian's Python with the system's packages, `pip install --no-build-isolation`
# of a copy of the sources, no package index (everything must come from Debian), then the
# README's one-line check.
# Usage: pip_install_check.sh <python3> <repository root> <work directory>
set -euo pipefail
python=$1
root=$2
work=$3

rm -rf "$work"
mkdir -p "$work/src"
# The sources only: no build trees, earlier pip leftovers or fetched node modules.
tar -C "$root" --exclude=build --exclude='*.egg-info' --exclude=node_modules \
    --exclude=__pycache__ --exclude='*.so' -cf - library tools python | tar -C "$work/src" -xf -

"$python" -m venv --system-site-packages "$work/venv"
cd "$work/src"
PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_CACHE_DIR=1 \
    "$work/venv/bin/python3" -m pip install --quiet --no-index --no-build-isolation ./python

cd "$work"
out=$("$work/venv/bin/python3" -c "import tarnwick; print(tarnwick.bng_to_utm([651410], [313177]))")
echo "$out"
expected="(array([31], dtype=int32), array([413156], dtype=int32), array([5834998], dtype=int32))"
if [ "$out" != "$expected" ]; then
    echo "expected: $expected" >&2
    exit 1
fi
# The installed package is the one imported, with its type information.
"$work/venv/bin/python3" - <<'PY'
import pathlib, tarnwick
package = pathlib.Path(tarnwick.__file__).parent
assert "venv" in str(package), package
assert (package / "py.typed").exists() and (package / "_core.pyi").exists()
# Precise mode works from the installed package with the shift grid packed into it.
e, n = tarnwick.etrs89_to_bng([51.4893656495], [-0.1199255718])
assert abs(e[0] - 530624.974) < 1e-3 and abs(n[0] - 178388.464) < 1e-3, (e, n)
PY
rm -rf "$work"
