# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The one error the packager raises: a message that names what is wrong."""


class FwpackError(Exception):
    pass
