#!/usr/bin/env python3
"""Writes the files the program's update check reads, from the program's own version and build.

Usage: update_files.py [--asset NAME] [--check]

Reads kProgramVersion and kProgramBuild from run/ProgramInfo.h and writes, in data/update/:

  Pallograph.upd      the build, the version, and the release download of the Windows zip
                      (https://github.com/pallograph/pallograph/releases/latest/download/NAME)
  UpdateInfo_en.upd   the change notes: a first line naming version and build, then the notes
  UpdateInfo_ru.upd   as they stand in the file (edit them there before a release)

The notes files end without a line break: the program puts its own after the notes. --check
writes nothing and exits 1, naming each file that differs from what would be written.
"""
import argparse
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDER = ROOT / "data" / "update"
RELEASES = "https://github.com/pallograph/pallograph/releases/latest/download/"
HEADINGS = {
    "UpdateInfo_en.upd": "Pallograph {version} (build {build})",
    "UpdateInfo_ru.upd": "Pallograph {version} (сборка {build})",
}


def program_info():
    text = (ROOT / "run" / "ProgramInfo.h").read_text(encoding="utf-8")
    found = {}
    for name in ("Version", "Build"):
        match = re.search(r'kProgram%s\s*=\s*"([^"]*)"' % name, text)
        if not match:
            sys.exit("update_files.py: kProgram%s not found in run/ProgramInfo.h" % name)
        found[name.lower()] = match.group(1)
    if not found["build"].isdigit():
        sys.exit("update_files.py: the build is not a number: " + found["build"])
    return found


def wanted_files(info, asset):
    files = {"Pallograph.upd": "%s\n%s\n%s%s\n" % (info["build"], info["version"], RELEASES, asset)}
    for name, heading in HEADINGS.items():
        path = FOLDER / name
        old = path.read_text(encoding="utf-8").split("\n") if path.exists() else []
        notes = "\n".join(old[1:]).rstrip("\r\n")
        files[name] = heading.format(**info) + ("\n" + notes if notes else "")
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--asset", default="pallograph-windows-x64.zip",
                        help="file name of the Windows zip in the release")
    parser.add_argument("--check", action="store_true", help="compare only")
    options = parser.parse_args()
    files = wanted_files(program_info(), options.asset)
    differing = []
    for name, text in files.items():
        path = FOLDER / name
        data = text.encode("utf-8")
        if path.exists() and path.read_bytes() == data:
            continue
        differing.append(name)
        if not options.check:
            FOLDER.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
    verb = "differs" if options.check else "written"
    for name in differing:
        print("data/update/%s %s" % (name, verb))
    return 1 if options.check and differing else 0


if __name__ == "__main__":
    sys.exit(main())
