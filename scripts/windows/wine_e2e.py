#!/usr/bin/env python3
"""End-to-end run of the Windows program under Wine on a demo client.

  wine_e2e.py --exe build-windows/pallograph.exe [--linux build/pallograph] [--wine WINE]

Checks, each with tools independent of the program (Python's zipfile and Pillow through
tests/e2e/package_checks.py):
  * all six mods in one run, the program's own 7z.dll beside it; every package checked;
  * the same run by the Linux program on a copy of the client: every texture and patched file
    in the packages is byte-identical (only zip host fields and times may differ);
  * the same run again with every folder named in Cyrillic, Chinese and with an emoji (the
    program's, the client's, the mods, the configs and the temporary folder) and with package
    names in Cyrillic: the packages hold the same entries, byte for byte, as the first run's; the
    console (redirected: UTF-8) and the run log name the folders and packages readably;
  * without a 7z.dll beside the program: the embedded library is written out, used, removed;
  * silent mode prints nothing after the banner (which comes before the options are read);
  * exit codes arrive in full (16005 and 16001 through cmd's ERRORLEVEL, not modulo 256);
  * README.txt's examples with the command lines cmd, PowerShell (the folder without its quotes)
    and a shortcut pass; an unquoted folder that is not there is named in the parse error.
WINEPREFIX must name a prepared prefix (wineboot -i). Wine runs under the C.UTF-8 locale, in
which it passes Linux names in any script to the program. Exits non-zero on the first failure.
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

SHERMAN = ("content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/"
           "hd_mle101_A05_M4_Sherman_AM.dds")
SHERMAN_TRACK = ("content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/"
                 "hd_mle101_A05_M4_Sherman_track_AM.dds")
LOCOMOTIVE = "content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_AM.dds"
TENDER = "content/Railway/hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_tender_AM.dds"
CAMO = "vehicles/russian/Camouflage/gift_camouflage.dds"
# The demo client's version folder (make_demo_client.py's default version).
VERSION = "2.4.0.2"
MS_HULL = "vehicles/russian/R11_MS-1/crash/lod0/Hull.visual_processed"
CHASSIS = "vehicles/american/A01_T1_Cunningham/crash/lod0/Chassis.visual_processed"

# Package names in Cyrillic, and the default package name each stands for.
CYRILLIC_NAMES = {
    "DPT": ("\u0422\u0430\u043d\u043a\u0438_\u043f\u043e\u0434\u0431\u0438\u0442\u044b\u0435",
            "mod.Pallograph.TankCrashTextures"),
    "CCT": ("\u0413\u0443\u0441\u0435\u043d\u0438\u0446\u044b", "mod.Pallograph.TrackCrashTextures"),
    "MEM": ("\u0422\u0430\u043d\u043a\u0438_\u043d\u0430_\u043a\u0430\u0440\u0442\u0430\u0445",
            "mod.Pallograph.TankMapTextures"),
    "CTM": ("\u041f\u043e\u0435\u0437\u0434\u0430", "mod.Pallograph.TrainMapTextures"),
    "SpaceBin": ("\u041a\u0430\u0440\u0442\u044b", "mod.Pallograph.SpaceBinPatched"),
    "CAMO": ("\u041a\u0430\u043c\u0443\u0444\u043b\u044f\u0436", "mod.Pallograph.Camouflages"),
}
# Folders in Cyrillic, Chinese and with an emoji (one outside the basic plane: a surrogate pair in
# UTF-16).
UNICODE_ROOT = "\u042e\u043d\u0438\u043a\u043e\u0434_\u7edf\u4e00\u7801_\U0001f310"
UNICODE_PROGRAM = "\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430_\u7a0b\u5e8f_\U0001f680"
UNICODE_CLIENT = "\u0418\u0433\u0440\u044b_\u5766\u514b_\U0001f3ae"
UNICODE_MODS = "\u041c\u043e\u0434\u044b_\u6a21\u7ec4_\U0001f4e6"
UNICODE_CONFIGS = "\u041a\u043e\u043d\u0444\u0438\u0433\u0438_\u914d\u7f6e_\U0001f9e9"
UNICODE_TEMP = "\u0422\u0435\u043c\u043f_\u4e34\u65f6_\U0001f600"

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
    return path_option("wot-path", client)


def path_option(name, native):
    # A folder value must stand in quotes; single ones pass through Wine's argument joining.
    return "--" + name + "='" + windows_path(native) + "'"


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, encoding="utf-8",
                          errors="replace", timeout=600, **kwargs)


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
    mods = os.path.join(client, "mods", VERSION)
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
          "res/" + SHERMAN_TRACK)
    for entry in (SHERMAN, sherman_hd, SHERMAN_TRACK):
        check("solid", mem, "res/" + entry, "FFFFFF")
    check("wotmod", ctm, "mod.Pallograph.TrainMapTextures", "res/" + LOCOMOTIVE, "res/" + TENDER)
    check("solid", ctm, "res/" + TENDER, "00FFFF")
    check("wotmod", space, "mod.Pallograph.SpaceBinPatched", "res/spaces/02_malinovka/space.bin",
          "res/spaces/19_monastery/space.bin", "res/spaces/101_dday/space.bin")
    check("spacebin", space, "res/spaces/02_malinovka/space.bin",
          os.path.join(pkgs, "02_malinovka.pkg"), "spaces/02_malinovka/space.bin", SHERMAN,
          SHERMAN_TRACK, LOCOMOTIVE, TENDER)
    check("wotmod", camo, "mod.Pallograph.Camouflages", "res/" + CAMO)
    check("shaded", camo, "res/" + CAMO, os.path.join(pkgs, "shared_content-part1.pkg"), CAMO,
          "40")


def entries_of(package):
    """{entry: bytes} of one package, in the package's order."""
    with zipfile.ZipFile(package) as archive:
        entries = {i.filename: archive.read(i) for i in archive.infolist()}
    # The version in meta.xml carries the run's time stamp.
    meta = entries.get("meta.xml")
    if meta is not None:
        entries["meta.xml"] = re.sub(rb"<version>[^<]*</version>", b"", meta)
    return entries


def package_entries(folder):
    """{package name without the run stamp: {entry: bytes}} for every package in a folder."""
    return {name.split("_2.")[0]: entries_of(os.path.join(folder, name))
            for name in sorted(os.listdir(folder))}


def same_entries(label, ours, theirs):
    """Fails unless both packages hold the same entries in the same order; the entries compared."""
    if list(ours) != list(theirs):
        fail(f"{label}: entry lists differ: {list(ours)} vs {list(theirs)}")
        return 0
    for entry, data in ours.items():
        if data != theirs[entry]:
            fail(f"{label}: {entry} differs")
    return len(ours)


def compare_with_linux(windows_client, linux_client):
    ours = package_entries(os.path.join(windows_client, "mods", VERSION))
    theirs = package_entries(os.path.join(linux_client, "mods", VERSION))
    if sorted(ours) != sorted(theirs):
        fail(f"package sets differ: {sorted(ours)} vs {sorted(theirs)}")
        return 0
    return sum(same_entries(f"{package} (Windows vs Linux)", entries, theirs[package])
               for package, entries in ours.items())


def run_in_any_script(wine, build, pristine, ascii_client, work):
    """Six mods with every folder and package name outside ASCII; the packages against the ASCII
    run's ones."""
    root = os.path.join(work, UNICODE_ROOT)
    program = os.path.join(root, UNICODE_PROGRAM)
    client = os.path.join(root, UNICODE_CLIENT, "World_of_Tanks")
    mods = os.path.join(root, UNICODE_MODS)
    configs = os.path.join(root, UNICODE_CONFIGS)
    temp = os.path.join(root, UNICODE_TEMP)
    for folder in (program, mods, configs, temp):
        os.makedirs(folder)
    shutil.copytree(pristine, client)
    for name in os.listdir(build):
        if name.endswith(".cfg"):
            shutil.copy(os.path.join(build, name), configs)
    for name in ("pallograph.exe", "7z.dll"):
        shutil.copy(os.path.join(build, name), program)
    exe = os.path.join(program, "pallograph.exe")
    names = [f"--{mod}-wotmod-name={name}" for mod, (name, _) in CYRILLIC_NAMES.items()]
    # Wine's processes take the temporary folder from the prefix's registry: cmd sets it for the
    # program (cmd's own characters, the '|' of a colour pair, escaped).
    command = [windows_path(exe), wot_path(client), path_option("mods-path", mods),
               path_option("configs-path", configs), *SIX_MODS, *names, "--auto-close-console",
               "--log", *OFFLINE]
    r = run([wine, "cmd", "/c", "set", "TEMP=" + windows_path(temp), "&&", "set",
             "TMP=" + windows_path(temp), "&&",
             *(re.sub(r"([&|<>^])", r"^\1", word) for word in command)])
    if r.returncode != 0:
        fail(f"any script: exit {r.returncode}\n{r.stdout}{r.stderr}")
        return
    expected = sorted(name + ".wotmod" for name, _ in CYRILLIC_NAMES.values())
    if sorted(os.listdir(mods)) != expected:
        fail(f"any script: packages {sorted(os.listdir(mods))}, expected {expected}")
        return
    theirs = package_entries(os.path.join(ascii_client, "mods", VERSION))
    compared = 0
    for name, default in CYRILLIC_NAMES.values():
        compared += same_entries(f"{name}.wotmod vs {default}",
                                 entries_of(os.path.join(mods, name + ".wotmod")), theirs[default])
        if "          " + name + ".wotmod\n" not in r.stdout:
            fail(f"any script: {name}.wotmod not named on the console: {r.stdout!r}")
    left = os.listdir(temp)
    if left:
        fail(f"any script: the temporary folder keeps {left}")
    log_file = os.path.join(program, "Pallograph2.log")
    log = open(log_file, encoding="utf-8").read() if os.path.exists(log_file) else ""
    for line in ("WOT Path: " + windows_path(client) + "\\", "Mods Path: " + windows_path(mods),
                 "Configs Path: " + windows_path(configs) + "\\",
                 "Temp Path: " + windows_path(temp) + "\\"):
        if line not in log:
            fail(f"any script: the run log lacks {line!r}")
    print(f"any script (Cyrillic, Chinese, emoji): {compared} package entries as in the ASCII run",
          flush=True)


def run_batch(wine, work, name, lines):
    """Runs lines through cmd in a batch file: cmd hands each command line to the program as
    written, as a shortcut's target or a typed command is handed over."""
    batch = os.path.join(work, name + ".bat")
    with open(batch, "w", newline="\r\n") as f:
        f.write("@echo off\n")
        for line in lines:
            f.write(line + "\n")
        f.write("echo exit=%ERRORLEVEL%\n")
    return run([wine, "cmd", "/c", windows_path(batch)], stdin=subprocess.DEVNULL)


def run_readme_command_lines(wine, exe, pristine, work):
    """README.txt's examples with the command lines cmd, PowerShell and a shortcut pass: the
    folder in quotes after the bare program name (cmd), without its quotes after the program's
    full path (PowerShell drops the quotes of a value without blanks), in quotes after the quoted
    path (a shortcut's target)."""
    program = windows_path(exe)
    examples = [
        ("cmd", 'pallograph.exe --wot-path="{client}" --DPT-mod=FF0000 --CAMO-mod=40',
         ["mod.Pallograph.TankCrashTextures_", "mod.Pallograph.Camouflages_"]),
        ("PowerShell", '"' + program + '" --wot-path={client} --DPT-mod=FF0000 --CAMO-mod=40',
         ["mod.Pallograph.TankCrashTextures_", "mod.Pallograph.Camouflages_"]),
        ("shortcut", '"' + program + '" --wot-path="{client}" --MEM-mod=FFFFFF',
         ["mod.Pallograph.TankMapTextures_"]),
    ]
    for shell, line, packages in examples:
        client = os.path.join(work, "readme-" + shell)
        shutil.copytree(pristine, client)
        command = line.format(client=windows_path(client)) + " " + " ".join(OFFLINE)
        r = run_batch(wine, work, shell, ['cd /d "' + windows_path(os.path.dirname(exe)) + '"',
                                          command])
        if "exit=0" not in r.stdout:
            fail(f"README example from {shell}: {command}\n{r.stdout}{r.stderr}")
            continue
        for prefix in packages:
            one_package(os.path.join(client, "mods", VERSION), prefix)
        print(f"README example from {shell}: {command}", flush=True)
    # A folder that is not there: the command line is not understood, the value named.
    nowhere = windows_path(os.path.join(work, "nowhere")) + "\\World_of_Tanks"
    r = run_batch(wine, work, "nowhere", ['"' + program + '" --wot-path=' + nowhere +
                                          " --CAMO-mod=40 " + " ".join(OFFLINE)])
    if "exit=16009" not in r.stdout or \
            "Parse error at this position: " + nowhere + " --CAMO-mod=40" not in r.stderr:
        fail(f"unquoted folder that is not there: {r.stdout!r} {r.stderr!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--linux", help="the Linux program, for the byte comparison")
    parser.add_argument("--wine", default="/usr/lib/wine/wine64")
    args = parser.parse_args()
    wine = args.wine
    os.environ["LC_ALL"] = "C.UTF-8"
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

        if r.returncode == 0:
            run_in_any_script(wine, build, pristine, client, work)
        run_readme_command_lines(wine, exe, pristine, work)

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
            check("wotmod", one_package(os.path.join(embedded, "mods", VERSION),
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

        # Silent mode prints nothing, the banner included.
        silent = os.path.join(work, "silent")
        shutil.copytree(pristine, silent)
        r = run([wine, exe, wot_path(silent), "--CAMO-mod=40", "--silent-mode", *OFFLINE])
        if r.returncode != 0 or r.stdout or r.stderr:
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
