# SPDX-License-Identifier: BSD-2-Clause-Patent
"""The EDK II build description of a binary DXE driver (INF): a platform's
build takes the images and the dependency expression from [Binaries]
instead of compiling sources."""


def binary_inf(module, pe32, depex, ui, consumed=(), produced=()):
    lines = [
        "## @file",
        f"#  {module.name}: the \"Security\" page of the platform's setup program, as a binary DXE driver.",
        "#  For the diagnostic image, name QuorvaneDiagnostics.efi in the PE32 line.",
        "##",
        "",
        "[Defines]",
        "  INF_VERSION                    = 0x00010005",
        f"  BASE_NAME                      = {module.name}",
        f"  FILE_GUID                      = {module.file_guid}",
        "  MODULE_TYPE                    = DXE_DRIVER",
        f"  VERSION_STRING                 = {module.version}",
        "",
        "[Binaries.X64]",
        f"  PE32|{pe32}|*",
        f"  DXE_DEPEX|{depex}|*",
        f"  UI|{ui}|*",
        "",
        "# The dependency expression: the driver is dispatched once all of these are installed.",
    ]
    lines += [f"#   {guid}  ## CONSUMES  {description}" for guid, description in module.depends]
    if consumed:
        lines += ["# Also consumed, located when first needed:"]
        lines += [f"#   {guid}  ## SOMETIMES_CONSUMES  {description}" for guid, description in consumed]
    if produced:
        lines += ["# Produced:"]
        lines += [f"#   {guid}  ## PRODUCES  {description}" for guid, description in produced]
    return ("\n".join(lines) + "\n").encode()
