#!/usr/bin/env python3
"""Writes a large synthetic client for the large-client run: the demo client of
make_demo_client.py, then
  - filler map packages (copies of a small map package under new names) up to --packages in all;
  - in the packages every stage walks (vehicles_level_01.pkg for the crash stages,
    shared_content-part1.pkg for the map and camouflage stages, 02_malinovka.pkg for space.bin),
    --entries small filler entries before the wanted ones, which makes them zip64 archives
    (more than 65,535 entries);
  - with --huge-gib G, one stored filler entry of G GiB at the front of shared_content-part1.pkg,
    so the wanted entries lie beyond 4 GiB.
Packages are written by Python's zipfile. paths.xml lists every package.
Usage: large_client.py OUT [--packages 520] [--entries 70000] [--huge-gib 0]
"""
import argparse
import pathlib
import shutil
import subprocess
import sys
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
WALKED = ("vehicles_level_01.pkg", "shared_content-part1.pkg", "02_malinovka.pkg")
HUGE_TARGET = "shared_content-part1.pkg"


def write_huge_entry(archive, name, size):
    """A stored entry of `size` zero bytes, streamed in chunks."""
    info = zipfile.ZipInfo(name, date_time=(2024, 5, 1, 12, 0, 0))
    info.compress_type = zipfile.ZIP_STORED
    info.file_size = size
    chunk = bytes(1 << 24)
    with archive.open(info, "w", force_zip64=True) as out:
        left = size
        while left:
            step = min(left, len(chunk))
            out.write(chunk[:step])
            left -= step


def refill(path, entries, huge_bytes):
    """Rewrites the package with filler entries in front of its own entries."""
    with zipfile.ZipFile(path) as source:
        own = [(info, source.read(info)) for info in source.infolist()]
    temporary = path.with_suffix(".tmp")
    with zipfile.ZipFile(temporary, "w", allowZip64=True) as archive:
        if huge_bytes:
            write_huge_entry(archive, "filler/huge.bin", huge_bytes)
        for i in range(entries):
            archive.writestr(zipfile.ZipInfo(f"filler/{i // 1000:03d}/{i % 1000:03d}.bin",
                                             date_time=(2024, 5, 1, 12, 0, 0)),
                             b"%08d" % i * 8)
        for info, data in own:
            archive.writestr(info, data)
    temporary.replace(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--packages", type=int, default=520)
    parser.add_argument("--entries", type=int, default=70000)
    parser.add_argument("--huge-gib", type=float, default=0)
    args = parser.parse_args()
    out = pathlib.Path(args.out).resolve()
    subprocess.run([sys.executable, str(HERE / "make_demo_client.py"), str(out)], check=True,
                   stdout=subprocess.DEVNULL)
    folder = out / "res" / "packages"
    existing = sorted(p.name for p in folder.glob("*.pkg"))
    for i in range(max(0, args.packages - len(existing))):
        shutil.copyfile(folder / "101_dday.pkg", folder / f"{300 + i}_filler.pkg")
    for name in WALKED:
        huge = int(args.huge_gib * (1 << 30)) if name == HUGE_TARGET else 0
        refill(folder / name, args.entries, huge)

    version_folder = next((out / "mods").iterdir()).name
    lines = []
    for name in sorted(p.name for p in folder.glob("*.pkg")):
        kind = "hd" if ("_hd.pkg" in name or "_hd-part" in name) else "sd,hd"
        lines.append(f'\t\t\t<Package type="{kind}">./res/packages/{name}</Package>')
    (out / "paths.xml").write_text(
        "<root>\n\t<Paths>\n"
        f"\t\t<Path cacheSubdirs=\"true\">./res_mods/{version_folder}</Path>\n"
        f"\t\t<Path mask=\"*.wotmod\" mode=\"recursive\" root=\"res\">./mods/{version_folder}</Path>\n"
        "\t\t<Packages>\n" + "\n".join(lines) + "\n\t\t</Packages>\n"
        "\t\t<Path>./res</Path>\n\t</Paths>\n</root>\n")
    total = sum(p.stat().st_size for p in folder.glob("*.pkg"))
    print(f"large client written to {out}: {len(lines)} packages, {total / (1 << 20):.1f} MiB")


if __name__ == "__main__":
    main()
