# SPDX-License-Identifier: BSD-2-Clause-Patent
"""fwpack command line (python3 -m fwpack COMMAND ...; PYTHONPATH = the repository):

  depex   --module M -o X.depex                 the module's dependency expression
  ffs     --module M --pe32 X.efi -o X.ffs      a DRIVER file: DXE_DEPEX, PE32, USER_INTERFACE, VERSION
  fv      -o X.fv [--size N] FILE.ffs...        a firmware volume holding the files
  kit     --module M --shipped A.efi --diagnostics B.efi -o DIR
                                                both firmware files, .depex, UI section, images and the INF
  builtin --code OVMF_CODE.fd -o X.fd FILE.ffs...
                                                the code image with the files in its DXE volume
  show    FILE [--depex]                        reads a volume, firmware file or dependency expression back
  sizes   FILE.ffs [--code OVMF_CODE.fd]        its size, LZMA-compressed alone and as added to the DXE volume

Errors name what is wrong, exit with 1 and leave no output behind."""
import argparse
import os
import sys

from .errors import FwpackError
from . import compact, depex, ffs, inf, output, sections as sec
from .module import Module
from .volume import Volume, volume


def read(path, what):
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as error:
        raise FwpackError(f"cannot read {what} {path}: {error.strerror}") from None


def driver_file(module, image, depex_code):
    """The DRIVER firmware file of an image: DXE_DEPEX, PE32 (the image's bytes as they are), UI, VERSION."""
    if image[:2] != b"MZ":
        raise FwpackError("the PE32 image does not start with MZ: not an EFI image")
    body = sec.join([sec.section(sec.DXE_DEPEX, depex_code), sec.section(sec.PE32, image),
                     sec.user_interface(module.name), sec.version(module.version)])
    return ffs.firmware_file(module.file_guid, ffs.DRIVER, body)


def command_depex(args):
    module = Module(args.module)
    return {args.output: depex.all_of([guid for guid, _ in module.depends])}


def command_ffs(args):
    module = Module(args.module)
    code = depex.all_of([guid for guid, _ in module.depends])
    return {args.output: driver_file(module, read(args.pe32, "PE32 image"), code)}


def command_fv(args):
    files = [read(path, "firmware file") for path in args.files]
    for path, data in zip(args.files, files):
        ffs.FirmwareFile(data, 0, 1, f"firmware file {path}")
    return {args.output: volume(files, args.size)}


def command_kit(args):
    module = Module(args.module)
    code = depex.all_of([guid for guid, _ in module.depends])
    shipped = read(args.shipped, "PE32 image")
    diagnostics = read(args.diagnostics, "PE32 image")
    out = {os.path.join(args.output, f"{module.name}.depex"): code,
           os.path.join(args.output, f"{module.name}.ui"): sec.user_interface(module.name),
           os.path.join(args.output, os.path.basename(args.shipped)): shipped,
           os.path.join(args.output, os.path.basename(args.diagnostics)): diagnostics}
    for path, image in ((args.shipped, shipped), (args.diagnostics, diagnostics)):
        name = os.path.splitext(os.path.basename(path))[0] + ".ffs"
        out[os.path.join(args.output, name)] = driver_file(module, image, code)
    out[os.path.join(args.output, f"{module.name}.inf")] = inf.binary_inf(
        module, os.path.basename(args.shipped), f"{module.name}.depex", f"{module.name}.ui",
        module.consumes_later, module.produces)
    return out


def command_builtin(args):
    files = [read(path, "firmware file") for path in args.files]
    for path, data in zip(args.files, files):
        ffs.FirmwareFile(data, 0, 1, f"firmware file {path}")
    image = compact.CompactImage(read(args.code, "code image"))
    return {args.output: image.with_files(files)}


def describe_file(item, indent=""):
    lines = [f"{indent}file {item.name} {item.type_name} size {len(item.raw)}"]
    for section in item.sections():
        line = f"{indent}  section {section.name} size {len(section.raw)}"
        if section.kind in (sec.USER_INTERFACE, sec.VERSION):
            line += f" \"{section.text()}\""
        lines.append(line)
        if section.kind == sec.DXE_DEPEX:
            lines += [f"{indent}    {name}{' ' + guid if guid else ''}" for name, guid in depex.decode(section.body)]
    return lines


def describe_volume(fv, where):
    lines = [f"{where}: {fv.name or fv.file_system} size {fv.length} files {len(fv.files)} free {fv.free_space}"]
    for item in fv.files:
        lines += describe_file(item, "  ")
    return lines


def command_show(args):
    data = read(args.file, "input")
    if args.depex:
        lines = [f"{name}{' ' + guid if guid else ''}" for name, guid in depex.decode(data)]
    elif data[40:44] == b"_FVH":
        lines = []
        for offset, fv in compact.volumes(data):
            lines += describe_volume(fv, f"volume at 0x{offset:X}")
        if any(item.kind == ffs.FIRMWARE_VOLUME_IMAGE for _, fv in compact.volumes(data) for item in fv.files):
            try:
                image = compact.CompactImage(data)
            except FwpackError:
                image = None
            if image is not None:
                lines += describe_volume(image.dxe, "DXE volume in the LZMA section")
    else:
        lines = describe_file(ffs.FirmwareFile(data, 0, 1, f"firmware file {args.file}"))
    print("\n".join(lines))
    return {}


def command_sizes(args):
    """What a firmware file costs: its bytes, LZMA-compressed alone (the
    properties of OVMF's compressed volume: lc 3, lp 0, pb 2), and with --code
    how much the code image's LZMA section grows when the file is added to its
    DXE volume (both compressed here, so the figure is ours, not the
    original's)."""
    data = read(args.file, "firmware file")
    item = ffs.FirmwareFile(data, 0, 1, f"firmware file {args.file}")
    like = bytes([0x5D]) + (1 << 24).to_bytes(4, "little") + bytes(8)
    pe32 = item.section(sec.PE32)
    print(f"{os.path.basename(args.file)}: {len(data)} bytes, LZMA {len(compact.lzma_compress(data, like))} bytes"
          + (f" (its PE32 image alone: LZMA {len(compact.lzma_compress(pe32.body, like))} bytes)" if pe32 else ""))
    if args.code:
        image = compact.CompactImage(read(args.code, "code image"))
        without = len(compact.lzma_compress(image.contents, image.packed))
        grown = compact.CompactImage(image.with_files([data]))
        print(f"in the DXE volume of {os.path.basename(args.code)}: its LZMA section grows by "
              f"{len(grown.packed) - without} bytes ({without} -> {len(grown.packed)})")
    return {}


def parser():
    top = argparse.ArgumentParser(prog="fwpack", description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = top.add_subparsers(dest="command", required=True)
    item = commands.add_parser("depex")
    item.add_argument("--module", required=True)
    item.add_argument("-o", "--output", required=True)
    item.set_defaults(run=command_depex)
    item = commands.add_parser("ffs")
    item.add_argument("--module", required=True)
    item.add_argument("--pe32", required=True)
    item.add_argument("-o", "--output", required=True)
    item.set_defaults(run=command_ffs)
    item = commands.add_parser("fv")
    item.add_argument("--size", type=lambda text: int(text, 0))
    item.add_argument("-o", "--output", required=True)
    item.add_argument("files", nargs="+")
    item.set_defaults(run=command_fv)
    item = commands.add_parser("kit")
    item.add_argument("--module", required=True)
    item.add_argument("--shipped", required=True)
    item.add_argument("--diagnostics", required=True)
    item.add_argument("-o", "--output", required=True)
    item.set_defaults(run=command_kit)
    item = commands.add_parser("builtin")
    item.add_argument("--code", required=True)
    item.add_argument("-o", "--output", required=True)
    item.add_argument("files", nargs="+")
    item.set_defaults(run=command_builtin)
    item = commands.add_parser("show")
    item.add_argument("file")
    item.add_argument("--depex", action="store_true")
    item.set_defaults(run=command_show)
    item = commands.add_parser("sizes")
    item.add_argument("file")
    item.add_argument("--code")
    item.set_defaults(run=command_sizes)
    return top


def targets(args):
    """The outputs a command would write, known before it runs."""
    if args.command == "kit":
        return []  # a folder: its files are replaced one by one, each whole
    return [getattr(args, "output", None)]


def main(argv=None):
    args = parser().parse_args(argv)
    try:
        outputs = args.run(args)
    except FwpackError as error:
        output.discard(targets(args))
        print(f"fwpack {args.command}: error: {error}", file=sys.stderr)
        return 1
    for path, data in outputs.items():
        output.write(path, data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
