#!/usr/bin/env python3
"""Benchmark of the map stages on a large generated client.

Generates a client (the demo client's layout, its map packages replaced by large ones: at least
1 GB of packages, a few hundred listed textures up to 2048x2048, mostly DXT5 with alpha, written
by ImageMagick) and times, in the same run:
  (a) MEM-mod with the default worker limit;
  (b) the I/O floor: `7z x` of exactly the listed entries into a temporary folder, then
      `7z a -tzip -mx0` of the result;
and prints the ratio (a)/(b). Then CAMO-mod (the path that runs the full cluster fit) with
--cpu-count=1 and 2, reported as seconds per megapixel.

Usage: bench_map_stage.py [--binary build/pallograph] [--work DIR] [--reps N] [--keep]
"""

import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(ROOT / "tests" / "mods"))

import client_files as cf  # noqa: E402

MAP_PACKAGES = ("02_malinovka.pkg", "101_dday.pkg", "19_monastery.pkg")
CAMO_PACKAGE = "shared_content-part1.pkg"
ROOT_FOLDER = "content/Bench/"
# Per map package: (count, side, compression, alpha) of listed textures.
LISTED = ((20, 2048, "dxt5", 50), (6, 2048, "dxt1", None), (40, 1024, "dxt5", 70),
          (40, 512, "dxt5", 30))
FILLER_MB_PER_PACKAGE = 150
CAMO = ((6, 1024, "dxt5", 60), (4, 512, "dxt1", None))


def mip_count(side):
    return side.bit_length()


def make_texture(side, compression, alpha):
    return cf.dds(side, side, gradient="#c08040-#204060", compression=compression,
                  mipmaps=mip_count(side) - 1, alpha_percent=alpha)


def write_stored(path, entries):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED, allowZip64=True) as archive:
        for name, data in entries:
            archive.writestr(zipfile.ZipInfo(name), data)


def build_client(work):
    client = work / "client"
    subprocess.run([sys.executable, str(HERE / "make_demo_client.py"), str(client)], check=True,
                   stdout=subprocess.DEVNULL)
    packages = client / "res" / "packages"
    # Only the benchmark's content is walked for work: every other package is emptied.
    for package in packages.glob("*.pkg"):
        write_stored(package, [("readme.txt", b"emptied for the benchmark")])

    textures = {}
    for count, side, compression, alpha in LISTED + CAMO:
        key = (side, compression, alpha)
        if key not in textures:
            textures[key] = make_texture(side, compression, alpha)
    filler = os.urandom(1 << 20)

    listed = {}
    for number, package in enumerate(MAP_PACKAGES):
        entries = []
        for count, side, compression, alpha in LISTED:
            for i in range(count):
                name = "%sp%d_%s_%d_%d_AM.dds" % (ROOT_FOLDER, number, compression, side, i)
                entries.append((name, textures[(side, compression, alpha)]))
        listed[package] = [name for name, _ in entries]
        entries += [("content/Filler/f%d_%d.bin" % (number, i), filler)
                    for i in range(FILLER_MB_PER_PACKAGE)]
        write_stored(packages / package, entries)

    camo_entries = []
    camo_pixels = 0
    for count, side, compression, alpha in CAMO:
        for i in range(count):
            camo_entries.append(("vehicles/german/Camouflage/bench_%s_%d_%d.dds"
                                 % (compression, side, i), textures[(side, compression, alpha)]))
            camo_pixels += side * side * 4 // 3
    write_stored(packages / CAMO_PACKAGE, camo_entries)

    configs = work / "configs"
    configs.mkdir(exist_ok=True)
    for cfg in (ROOT / "data" / "configs").glob("*.cfg"):
        shutil.copy(cfg, configs / cfg.name)
    names = sorted({name[len(ROOT_FOLDER):] for names in listed.values() for name in names})
    (configs / "MapTanks.cfg").write_text(
        "version = 1\n" + ROOT_FOLDER.replace("/", "\\") + "\n" +
        "".join("\t%s\n" % n.replace("/", "\\") for n in names))
    (configs / "Camouflage.cfg").write_text("version = 1\nres\\packages\\%s\n" % CAMO_PACKAGE)
    return client, configs, listed, camo_pixels


def run_program(binary, client, configs, args):
    for old in (client / "mods").glob("*/*"):
        shutil.rmtree(old) if old.is_dir() else old.unlink()
    start = time.perf_counter()
    result = subprocess.run([binary, "--wot-path=%s" % client, "--configs-path=%s" % configs,
                             "--auto-close-console", "--no-send-statistic",
                             "--no-update-configs"] + args,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("pallograph failed (%d):\n%s" % (result.returncode, result.stdout))
    return elapsed


def io_floor(client, listed, work):
    with tempfile.TemporaryDirectory(dir=work) as folder:
        folder = pathlib.Path(folder)
        start = time.perf_counter()
        for package, names in listed.items():
            listfile = folder / (package + ".lst")
            listfile.write_text("\n".join(names) + "\n")
            subprocess.run(["7z", "x", "-y", "-o%s" % (folder / "out"),
                            str(client / "res" / "packages" / package), "-i@%s" % listfile],
                           check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["7z", "a", "-tzip", "-mx0", str(folder / "floor.zip"),
                        str(folder / "out" / "*")], check=True, stdout=subprocess.DEVNULL)
        return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", default=str(ROOT / "build" / "pallograph"))
    parser.add_argument("--work", default=None, help="folder for the client (default: temp)")
    parser.add_argument("--reps", type=int, default=1)
    parser.add_argument("--keep", action="store_true", help="keep the generated client")
    options = parser.parse_args()

    work = pathlib.Path(options.work or tempfile.mkdtemp(prefix="pallograph-bench-"))
    work.mkdir(parents=True, exist_ok=True)
    try:
        start = time.perf_counter()
        client, configs, listed, camo_pixels = build_client(work)
        total = sum(p.stat().st_size for p in (client / "res" / "packages").glob("*.pkg"))
        count = sum(len(names) for names in listed.values())
        print("client: %.2f GB of packages, %d listed textures (generated in %.0f s)"
              % (total / 1e9, count, time.perf_counter() - start))
        for package in (client / "res" / "packages").glob("*.pkg"):
            package.read_bytes()  # both sides start with the packages in the page cache

        mem, floor = [], []
        for _ in range(options.reps):
            floor.append(io_floor(client, listed, work))
            mem.append(run_program(options.binary, client, configs, ["--MEM-mod=FFFFFF"]))
        a, b = min(mem), min(floor)
        print("(a) MEM-mod, default worker limit: %.2f s" % a)
        print("(b) I/O floor, 7z x listed + 7z a -mx0: %.2f s" % b)
        print("ratio (a)/(b): %.2f (target <= 1.5)" % (a / b))

        megapixels = camo_pixels / 1e6
        for workers in (1, 2):
            seconds = run_program(options.binary, client, configs,
                                  ["--CAMO-mod=40", "--cpu-count=%d" % workers])
            print("CAMO-mod, --cpu-count=%d: %.2f s for %.1f MP, %.3f s/MP"
                  % (workers, seconds, megapixels, seconds / megapixels))
    finally:
        if not options.keep and not options.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
