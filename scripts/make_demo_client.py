#!/usr/bin/env python3
"""Writes a small synthetic World of Tanks client folder for the demo and the end-to-end tests.

The client has the real layout (win64/WorldOfTanks.exe, paths.xml, version.xml, game_info.xml,
res/packages/*.pkg zip archives, res_mods/<version>/ and mods/<version>/). Its packages hold the
files that the shipped config files (data/configs/*.cfg) name, under a real client's names (see
demo_content.py), so that every mod finds work: crash models of vehicles, tank and train
textures of the maps (with HD twins), a space.bin per map with embedded textures, and
camouflage textures; and scenery beside them that no mod may touch. Textures are written by ImageMagick's DDS
writer, packages by Python's zipfile: the program under test writes none of its own inputs.

Usage: make_demo_client.py OUT [--layout win64|win32|both|single] [--version 2.4.0.2]
                                [--build 966] [--configs DIR] [--no-packages] [--broken PKG ...]
                                [--later-client]

--later-client adds what a later client may bring and the shipped configs were not written for:
a tank wreck, a carriage variant, a camouflage and one more part of a tier package.
"""

import argparse
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(HERE))

import demo_content  # noqa: E402  (the mod-specific content lives beside this script)


def imagemagick():
    """The real ImageMagick convert (not a wrapper that flattens alpha)."""
    for candidate in ("/usr/bin/convert-im6.q16", "/usr/bin/convert", "convert"):
        if shutil.which(candidate):
            return shutil.which(candidate)
    sys.exit("ImageMagick's convert is needed (Debian: imagemagick)")


def pe_stub(version=(1, 28, 0, 1234), size=4096):
    """A small PE file whose only use is its version resource and its size."""
    return demo_content.make_pe_with_version(version, size)


def write(path, data):
    path = pathlib.Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    path.write_bytes(data)


def parse_cfg(path):
    """The config format: version line, roots (unindented), names (indented). Returns roots."""
    roots = []
    if not os.path.exists(path):
        return roots
    with open(path, encoding="utf-8", errors="replace") as handle:
        for raw in handle.read().splitlines():
            line = raw.strip()
            if not line or line.startswith("#") or line.startswith("version ="):
                continue
            if raw[0] in " \t":
                if roots:
                    roots[-1][1].append(line)
            else:
                roots.append((line, []))
    return roots


class Package:
    """One .pkg file being assembled: entries in insertion order, folder entries included."""

    def __init__(self, name):
        self.name = name
        self.entries = {}

    def add(self, path, data, deflate=False):
        path = path.replace("\\", "/")
        self.entries[path] = (data if isinstance(data, bytes) else data.encode("utf-8"), deflate)

    def write(self, folder):
        target = pathlib.Path(folder) / self.name
        target.parent.mkdir(parents=True, exist_ok=True)
        folders = set()
        for path in self.entries:
            parts = path.split("/")[:-1]
            for i in range(1, len(parts) + 1):
                folders.add("/".join(parts[:i]) + "/")
        with zipfile.ZipFile(target, "w") as archive:
            for folder_name in sorted(folders):
                archive.writestr(zipfile.ZipInfo(folder_name), b"")
            for path, (data, deflate) in self.entries.items():
                method = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
                archive.writestr(zipfile.ZipInfo(path, date_time=(2024, 5, 1, 12, 0, 0)), data,
                                 compress_type=method)
        return target


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--layout", choices=["win64", "win32", "both", "single"], default="win64")
    parser.add_argument("--version", default="2.4.0.2")
    parser.add_argument("--build", default="966")
    parser.add_argument("--configs", default=str(ROOT / "data" / "configs"))
    parser.add_argument("--no-packages", action="store_true")
    parser.add_argument("--broken", action="append", default=[],
                        help="package file name to write as a corrupt zip")
    parser.add_argument("--common-test", action="store_true")
    parser.add_argument("--later-client", action="store_true")
    args = parser.parse_args()

    out = pathlib.Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    version = args.version
    version_folder = version + (" Common Test" if args.common_test else "")
    numbers = tuple(int(x) for x in version.split("."))[:3] + (int(args.build),)

    # Executables: the root stub, and the game's own in win64/ or win32/.
    write(out / "WorldOfTanks.exe", pe_stub(numbers, 2048))
    if args.layout in ("win64", "both"):
        write(out / "win64" / "WorldOfTanks.exe", pe_stub(numbers, 8192))
    if args.layout in ("win32", "both"):
        write(out / "win32" / "WorldOfTanks.exe", pe_stub(numbers, 6144))

    label = " Common Test" if args.common_test else ""
    write(out / "version.xml",
          "<version.xml>\n\t<appname>WorldOfTanks</appname>\n"
          f"\t<version> v.{version}{label} #{args.build} </version>\n"
          "\t<showLicense> true </showLicense>\n"
          "\t<meta>\n\t\t<realm> EU </realm>\n\t</meta>\n</version.xml>\n")
    write(out / "game_info.xml",
          '<protocol name="game_info" version="6.0" wgc_publisher_id="wargaming">\n'
          "\t<game>\n\t\t<id>WOT.EU.PRODUCTION</id>\n"
          f"\t\t<version_name>{version}.{args.build}</version_name>\n\t</game>\n</protocol>\n")
    write(out / "app_type.xml",
          '<protocol name="app_type" version="3.0">\n\t<app_type>hd</app_type>\n</protocol>\n')
    (out / "res_mods" / version_folder).mkdir(parents=True, exist_ok=True)
    (out / "mods" / version_folder).mkdir(parents=True, exist_ok=True)
    (out / "replays").mkdir(exist_ok=True)

    packages = []
    if not args.no_packages:
        content = demo_content.DemoContent(imagemagick(), parse_cfg, args.configs)
        packages = content.build(Package, later=args.later_client)
    folder = out / "res" / "packages"
    folder.mkdir(parents=True, exist_ok=True)
    for package in packages:
        package.write(folder)
    for broken in args.broken:
        write(folder / broken, b"PK\x03\x04 this is not a complete zip archive" + b"\0" * 64)

    names = sorted(p.name for p in folder.glob("*.pkg"))
    lines = []
    for name in names:
        kind = "hd" if ("_hd.pkg" in name or "_hd-part" in name) else "sd,hd"
        if name.startswith("shared_content_sandbox") and kind != "hd":
            kind = "sandbox,sd,hd"
        lines.append(f'\t\t\t<Package type="{kind}">./res/packages/{name}</Package>')
    write(out / "paths.xml",
          "<root>\n\t<Paths>\n"
          f"\t\t<Path cacheSubdirs=\"true\">./res_mods/{version_folder}</Path>\n"
          f"\t\t<Path mask=\"*.wotmod\" mode=\"recursive\" root=\"res\">./mods/{version_folder}</Path>\n"
          "\t\t<Packages>\n" + "\n".join(lines) + "\n\t\t</Packages>\n"
          "\t\t<Path>./res</Path>\n\t</Paths>\n</root>\n")
    print(f"demo client written to {out} ({len(names)} packages)")


if __name__ == "__main__":
    main()
