import os
import shutil

import pytest


@pytest.fixture(scope="session")
def tool():
    """The built tarnwick-convert, which CTest names in TARNWICK_CONVERT."""
    path = os.environ.get("TARNWICK_CONVERT") or shutil.which("tarnwick-convert")
    if not path:
        pytest.skip("tarnwick-convert is not built (TARNWICK_CONVERT unset)")
    return path
