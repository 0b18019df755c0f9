#!/usr/bin/env python3
"""End-to-end run of the Windows program under Wine on a demo client.

  wine_e2e.py --exe build-windows/pallograph.exe [--linux build/pallograph] [--wine WINE]

Checks, each with tools independent of the program (Python's zipfile and Pillow through
tests/e2e/package_checks.py):
  * all six mods in one run, the program's own 7z.dll beside it; every package checked;
  * the same run by the Linux program on a copy of the client: every texture and patched file
    in the packages is byte-identical (only zip host fields and times may differ);
  * without a 7z.dll beside the program: the embedded library is written out, used, removed;
  * silent mode prints nothing after the banner (which comes before the options are read);
  * exit codes arrive in full (16005 and 16001 through cmd's ERRORLEVEL, not modulo 256).
WINEPREFIX must name a prepared prefix (wineboot -i). Exits non-zero on the first failure.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable

SHERMAN = "content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/mle101_A05_M4_Sherman_AM.dds"
T34 = "content/MilitaryEnvironment/hd_mle102_R04_T-34/mle102_R04_T-34_AM.dds"
LOCOMOTIVE = "content/Railway/hd_rw401_Locomotive/rw401_Locomotive_AM.dds"
TENDER = "content/Railway/hd_rw402_Tender/rw402_Tender_AM.dds"
CAMO = "vehicles/german/Camouflage/christmas_german.dds"
MS_HULL = "vehicles/russian/R11_MS-1/crash/lod0/Hull.visual_processed"
CHASSIS = "vehicles/american/A01_T1_Cunningham/crash/lod0/Chassis.visual_processed"

SIX_MODS = ["--DPT-mod=FF0000", "--CCT-mod=00FF00", "--MEM-mod=FFFFFF", "--CTM-mod=00FFFF",
            "--SpaceBin-mod=FF0000|00FF00", "--CAMO-mod=40"]
OFFLINE = ["--no-send-statistic", "--no-update-configs"]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, flush=True)


def windows_path(native):
    """A native absolute path as the Windows program sees it through Wine's Z: drive."""
    return "Z:" + os.path.abspath(native).replace("/", "\\")


def wot_path(client):
    # A folder value must stand in quotes; single ones pass through Wine's argument joining.
    return "--wot-path='" + windows_path(client) + "'"


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", timeout=600,
                          **kwargs)


def check(*args):
    r = run([PYTHON, os.path.join(ROOT, "tests/e2e/package_checks.py"), *args])
    if r.returncode != 0:
        fail("package_checks " + " ".join(args[:2]) + ": " + (r.stdout + r.stderr).strip())


def one_package(folder, prefix):
    found = sorted(n for n in os.listdir(folder) if n.startswith(prefix))
    if len(found) != 1:
        fail(f"{prefix}: {len(found)} packages in {folder}")
        return None
    return os.path.join(folder, found[0])


def check_six_mods(client):
    mods = os.path.join(client, "mods", "1.28.0.0")
    pkgs = os.path.join(client, "res", "packages")
    tanks = one_package(mods, "mod.Pallograph.TankCrashTextures_")
    tracks = one_package(mods, "mod.Pallograph.TrackCrashTextures_")
    mem = one_package(mods, "mod.Pallograph.TankMapTextures_")
    ctm = one_package(mods, "mod.Pallograph.TrainMapTextures_")
    space = one_package(mods, "mod.Pallograph.SpaceBinPatched_")
    camo = one_package(mods, "mod.Pallograph.Camouflages_")
    if None in (tanks, tracks, mem, ctm, space, camo):
        return
    level01 = os.path.join(pkgs, "vehicles_level_01.pkg")
    check("wotmod", tanks, "mod.Pallograph.TankCrashTextures", "res/vehicles/tank_crash.dds",
          "res/vehicles/inside_crash.dds", "res/" + MS_HULL)
    check("wotmod", tracks, "mod.Pallograph.TrackCrashTextures", "res/vehicles/track_crash.dds")
    check("crashvisual", tanks, "res/" + MS_HULL, level01, MS_HULL, "tanks")
    check("crashvisual", tracks, "res/" + CHASSIS, level01, CHASSIS, "tracks")
    check("solid", tanks, "res/vehicles/tank_crash.dds", "FF0000")
    check("solid", tracks, "res/vehicles/track_crash.dds", "00FF00")
    sherman_hd = SHERMAN[:-4] + "_hd.dds"
    check("wotmod", mem, "mod.Pallograph.TankMapTextures", "res/" + SHERMAN, "res/" + sherman_hd,
          "res/" + T34)
    for entry in (SHERMAN, sherman_hd, T34):
        check("solid", mem, "res/" + entry, "FFFFFF")
    check("wotmod", ctm, "mod.Pallograph.TrainMapTextures", "res/" + LOCOMOTIVE, "res/" + TENDER)
    check("solid", ctm, "res/" + TENDER, "00FFFF")
    check("wotmod", space, "mod.Pallograph.SpaceBinPatched", "res/spaces/02_malinovka/space.bin",
          "res/spaces/19_monastery/space.bin", "res/spaces/101_dday/space.bin")
    check("spacebin", space, "res/spaces/02_malinovka/space.bin",
          os.path.join(pkgs, "02_malinovka.pkg"), "spaces/02_malinovka/space.bin", SHERMAN, T34,
          LOCOMOTIVE)
    check("wotmod", camo, "mod.Pallograph.Camouflages", "res/" + CAMO)
    check("shaded", camo, "res/" + CAMO, os.path.join(pkgs, "shared_content-part1.pkg"), CAMO,
          "40")


def package_entries(folder):
    """{package name without the run stamp: {entry: bytes}} for every package in a folder."""
    result = {}
    for name in sorted(os.listdir(folder)):
        with zipfile.ZipFile(os.path.join(folder, name)) as archive:
            key = name.split("_2.")[0]
            result[key] = {i.filename: archive.read(i) for i in archive.infolist()}
            # The version in meta.xml carries the run's time stamp.
            meta = result[key].get("meta.xml")
            if meta is not None:
                result[key]["meta.xml"] = re.sub(rb"<version>[^<]*</version>", b"", meta)
    return result


def compare_with_linux(windows_client, linux_client):
    ours = package_entries(os.path.join(windows_client, "mods", "1.28.0.0"))
    theirs = package_entries(os.path.join(linux_client, "mods", "1.28.0.0"))
    if sorted(ours) != sorted(theirs):
        fail(f"package sets differ: {sorted(ours)} vs {sorted(theirs)}")
        return 0
    compared = 0
    for package, entries in ours.items():
        if list(entries) != list(theirs[package]):
            fail(f"{package}: entry lists differ")
            continue
        for entry, data in entries.items():
            compared += 1
            if data != theirs[package][entry]:
                fail(f"{package}: {entry} differs between the Windows and the Linux program")
    return compared


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux", help="the Linux program, for the byte comparison")
    parser.add_argument("--wine", default="/usr/lib/wine/wine64")
    args = parser.parse_args()
    wine = args.wine
    build = os.path.dirname(os.path.abspath(args.exe))

    with tempfile.TemporaryDirectory(prefix="pallograph-wine-") as work:
        program = os.path.join(work, "bin")
        os.makedirs(program)
        for name in os.listdir(build):
            if name == "pallograph.exe" or name.endswith(".cfg") or name == "7z.dll":
                shutil.copy(os.path.join(build, name), program)
        exe = os.path.join(program, "pallograph.exe")
        client = os.path.join(work, "client")
        subprocess.run([PYTHON, os.path.join(ROOT, "scripts/make_demo_client.py"), client],
                       check=True, capture_output=True)
        pristine = os.path.join(work, "pristine")
        shutil.copytree(client, pristine)

        # Six mods, the program's own 7z.dll beside it.
        r = run([wine, exe, wot_path(client), *SIX_MODS, "--auto-close-console", *OFFLINE])
        if r.returncode != 0:
            fail(f"six mods: exit {r.returncode}\n{r.stdout}{r.stderr}")
        else:
            check_six_mods(client)
            print("six mods under wine: packages checked", flush=True)

        if args.linux:
            linux_client = os.path.join(work, "linux-client")
            shutil.copytree(pristine, linux_client)
            linux_bin = os.path.join(work, "linux-bin")
            os.makedirs(linux_bin)
            shutil.copy(args.linux, linux_bin)
            for name in os.listdir(program):
                if name.endswith(".cfg"):
                    shutil.copy(os.path.join(program, name), linux_bin)
            r = run([os.path.join(linux_bin, os.path.basename(args.linux)),
                     "--wot-path=" + linux_client, *SIX_MODS, "--auto-close-console", *OFFLINE])
            if r.returncode != 0:
                fail(f"Linux six mods: exit {r.returncode}\n{r.stdout}{r.stderr}")
            else:
                n = compare_with_linux(client, linux_client)
                print(f"Windows vs Linux: {n} package entries compared", flush=True)

        # Without a 7z.dll beside it, the program writes out its embedded copy and removes it.
        os.remove(os.path.join(program, "7z.dll"))
        embedded = os.path.join(work, "embedded")
        shutil.copytree(pristine, embedded)
        r = run([wine, exe, wot_path(embedded), "--CAMO-mod=40", "--auto-close-console", "--log",
                 *OFFLINE])
        log = open(os.path.join(program, "Pallograph2.log"), encoding="latin-1").read() if \
            os.path.exists(os.path.join(program, "Pallograph2.log")) else ""
        extracted = [line.split("Extract 7-zip dll: ", 1)[1].strip()
                     for line in log.splitlines() if "Extract 7-zip dll: " in line]
        if r.returncode != 0 or not extracted:
            fail(f"embedded library: exit {r.returncode}, log lines {extracted}\n{r.stdout}")
        else:
            check("wotmod", one_package(os.path.join(embedded, "mods", "1.28.0.0"),
                                        "mod.Pallograph.Camouflages_"),
                  "mod.Pallograph.Camouflages", "res/" + CAMO)
            # Written to the system's temporary folder on drive C:, which is the prefix's drive_c.
            left = extracted[0]
            if left[:3].upper() == "C:\\" and os.environ.get("WINEPREFIX"):
                host = os.path.join(os.environ["WINEPREFIX"], "drive_c",
                                    *left[3:].split("\\"))
                if os.path.exists(host) or os.path.exists(os.path.dirname(host)):
                    fail("the written-out 7z.dll was not removed: " + host)
            print("embedded 7z.dll written out, used and removed", flush=True)
        shutil.copy(os.path.join(build, "7z.dll"), program)

        # Silent mode prints nothing after the banner.
        silent = os.path.join(work, "silent")
        shutil.copytree(pristine, silent)
        r = run([wine, exe, wot_path(silent), "--CAMO-mod=40", "--silent-mode", *OFFLINE])
        banner, _, rest = r.stdout.partition("\n\n")
        if r.returncode != 0 or not banner.startswith("Pallograph 2") or rest or r.stderr:
            fail(f"silent mode: exit {r.returncode}, out {r.stdout!r}, err {r.stderr!r}")
        else:
            print("silent mode: nothing printed", flush=True)

        # Exit codes in full: cmd sees the whole 32-bit value.
        empty = os.path.join(work, "noconfigs")
        os.makedirs(empty)
        batch = os.path.join(work, "code.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write("@echo off\n")
            f.write(f"\"{windows_path(exe)}\" {wot_path(silent)} --configs-path='"
                    f"{windows_path(empty)}' --DPT-mod=FF0000 --silent-mode "
                    + " ".join(OFFLINE) + "\n")
            f.write("echo exit=%ERRORLEVEL%\n")
            f.write(f"\"{windows_path(exe)}\" --wot-path='' --silent-mode " + " ".join(OFFLINE)
                    + "\n")
            f.write("echo exit=%ERRORLEVEL%\n")
        r = run([wine, "cmd", "/c", windows_path(batch)])
        if "exit=16005" not in r.stdout or "exit=16001" not in r.stdout:
            fail(f"full exit codes: expected 16005 and 16001, got {r.stdout!r} {r.stderr!r}")
        else:
            print("exit codes 16005 and 16001 arrive in full", flush=True)

    if failures:
        print(f"wine end-to-end: {len(failures)} failure(s)")
        return 1
    print("wine end-to-end: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
