# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Writing outputs whole or not at all: each goes to a temporary file beside
its target and is renamed over it only once complete. A failed run removes
what an earlier run left at the target, so no stale output passes for new."""
import os
import tempfile


def write(path, data):
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    handle, temp = tempfile.mkstemp(prefix=".fwpack-", dir=folder)
    try:
        with os.fdopen(handle, "wb") as stream:
            stream.write(data)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temp, 0o666 & ~umask)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def discard(paths):
    for path in paths:
        if path and os.path.exists(path):
            os.unlink(path)
