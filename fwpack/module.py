# SPDX-License-Identifier: BSD-2-Clause-Patent
"""Module descriptions (*.module): what a driver's firmware file carries.

  [module]
  name = Quorvane              USER_INTERFACE section, BASE_NAME of the INF
  file-guid = XXXXXXXX-...     the firmware file's name
  version = 1.0                VERSION section
  depends =                    the dependency expression: all of these
      GUID  description        one protocol a line
  consumes-later =             protocols located when first needed (INF comments)
  produces =                   protocols installed (INF comments)
"""
import configparser

from .errors import FwpackError
from .guid import guid_bytes


class Module:
    def __init__(self, path):
        parser = configparser.ConfigParser(interpolation=None, comment_prefixes=("#",), inline_comment_prefixes=None)
        try:
            with open(path, encoding="utf-8") as handle:
                parser.read_file(handle)
        except (OSError, configparser.Error) as error:
            raise FwpackError(f"module description {path}: {error}") from None
        if not parser.has_section("module"):
            raise FwpackError(f"module description {path}: no [module] section")
        section = parser["module"]
        missing = [key for key in ("name", "file-guid", "version") if not section.get(key)]
        if missing:
            raise FwpackError(f"module description {path}: missing {', '.join(missing)}")
        self.path = path
        self.name = section["name"].strip()
        self.file_guid = section["file-guid"].strip().upper()
        guid_bytes(self.file_guid)
        self.version = section["version"].strip()
        self.depends = _guid_lines(section.get("depends", ""))
        self.consumes_later = _guid_lines(section.get("consumes-later", ""))
        self.produces = _guid_lines(section.get("produces", ""))


def _guid_lines(text):
    """(GUID, description) for each "GUID description" line of text."""
    found = []
    for line in text.splitlines():
        line = line.strip()
        if line:
            guid, _, description = line.partition(" ")
            guid_bytes(guid)
            found.append((guid.upper(), description.strip()))
    return found
