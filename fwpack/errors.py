"""The one error the packager raises: a message that names what is wrong."""


class FwpackError(Exception):
    pass
