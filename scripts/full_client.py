#!/usr/bin/env python3
"""Writes a synthetic client of the real one's shape and size class (EU 2.4.0.2), for the
full-client benchmark (scripts/bench_full_client.sh).

The client's root files are the real client's own (tests/fixtures/real-client: paths.xml, which
lists 218 packages, version.xml, game_info.xml), its executables and folders those of the demo
client (make_demo_client.py --no-packages). Every package that paths.xml lists is written, by
Python's zipfile, stored, with a folder entry for every folder, and holds what the real client
keeps there among filler of its kind:
  - vehicle packages (tiers 1-11, parts and HD twins as in paths.xml): 750 vehicles with live,
    crash (lod0-lod4, real material structure, tracked and wheeled) and collision models and
    their textures, some with a 3D style; about 21,000 crash visuals in all;
  - shared-content packages: 600 camouflages (vehicles/russian/Camouflage/, one in three
    2048x2048, the others 1024x1024, DXT5 with full mip chains, one in four with a _GMM map
    beside it), the tank wrecks and rolling stock of the maps (their names as MapTanks.cfg and
    MapTrains.cfg cover them, with HD twins) beside props, rails and other vehicles that no stage
    takes, the crash tile and interiors, and scenery;
  - every map package (73 of them) a space.bin of 10 to 30 MB (the demo content's layout: a
    section table, its BSMA section with embedded textures, some of them wrecks and rolling
    stock; the geometry section padded) beside terrain chunks; HD map twins the HD textures;
  - the other packages (gui, scripts, audio, shaders, features) filler of their kind;
about 655,000 entries and 7.8 GB. Textures are a small set of distinct DDS files written by
ImageMagick (from the real images of the benchmark corpus with --corpus, scripts/bench_corpus.sh,
as camo_client.py makes them; plasma images otherwise), reused under many names.

--scale multiplies every count (vehicles, crash visuals, camouflages, filler entries) and the
space.bin sizes; the package list and the texture sizes stay. --seed changes the names and the
choices, not the shape.

Usage: full_client.py OUT [--scale 1.0] [--seed 1] [--corpus DIR] [--jobs N]
"""
import argparse
import concurrent.futures
import multiprocessing
import os
import pathlib
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
REAL = ROOT / "tests" / "fixtures" / "real-client"
sys.path.insert(0, str(HERE))

import demo_content  # noqa: E402
import make_demo_client  # noqa: E402

cf = demo_content.client_files()
cv = demo_content.crash_visuals()

NATIONS = {"american": "A", "british": "GB", "chinese": "Ch", "czech": "Cz", "french": "F",
           "german": "G", "italy": "It", "japan": "J", "poland": "Pl", "russian": "R",
           "sweden": "S"}
# The vehicles the demo client and the tests know, among the generated ones: (nation, vehicle,
# wheeled). The Sherman's crash hull and the Panhard's crash chassis are the real client's files.
KNOWN_VEHICLES = [("russian", "R11_MS-1", False), ("american", "A01_T1_Cunningham", False),
                  ("french", "F109_AMD_Panhard_178B", True), ("american", "A05_M4_Sherman", False),
                  ("russian", "R04_T-34", False), ("german", "G04_PzVI_Tiger_I", False),
                  ("german", "G56_E-100", False)]
CAMO = "vehicles/russian/Camouflage/"
CAMO_EVENTS = ["gift_camouflage", "d_day", "bp2025", "manticore_2025", "onslaught_2026_phoenix",
               "halloween", "lunar_ny", "winter", "summer", "desert", "forest", "urban", "ranked",
               "clan_wars", "frontline", "mirny", "birthday", "twitch", "holiday_ops", "steel"]
# Map objects with the real client's names: what MEM-mod (tank wrecks) and CTM-mod (rolling
# stock) take, as (path, HD twin), and their neighbours, which no stage takes.
ME = "content/MilitaryEnvironment/"
RW = "content/Railway/"
WRECKS = [ME + "hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_AM.dds",
          ME + "hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman_track_AM.dds",
          ME + "hd_mle102_G01_Pz_IV_AusfG/hd_mle102_G01_Pz_IV_AusfG_AM.dds",
          ME + "hd_mle102_G01_Pz_IV_AusfG/hd_mle102_G01_Pz_IV_AusfG_Tracks_AM.dds"]
CARRIAGE = RW + "hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage"
TRAINS = [RW + "hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_AM.dds",
          RW + "hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive_tender_AM.dds",
          *(f"{CARRIAGE}_{n}_AM.dds" for n in ("01", "02", "03", "07", "08")),
          RW + "hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds",
          RW + "hd_rw_UNI_001_Trolley/hd_rw_UNI_001_Trolley_AM.dds"]
NEIGHBOURS = [ME + f"{o}/{o}_AM.dds" for o in (
    "hd_mle001_Fuel", "hd_mle006_WireBarricade", "hd_mle011_GroupBoxes", "hd_mle019_GerBoxes",
    "hd_mle022_Searchlight", "hd_mle044_barrel", "hd_mle_UNI_001_SdKfz", "hd_mle_UNI_809_LCT",
    "hd_mle_AF_012_Spitfire", "hd_mle_SU_003_Truck")] + [RW + f"{o}/{o}_AM.dds" for o in (
        "hd_rw_UNI_006_Platform", "hd_rw_EU_001_TramRails", "hd_rw_UNI_002_Sleepers",
        "hd_rw_UNI_003_Rail")]

# Entries per package kind at scale 1 (folder entries included), spread evenly over the packages
# of the kind; a package whose own content is larger keeps it all.
TARGETS = {"vehicles": 230000, "vehicles_hd": 40000, "shared": 95000, "shared_hd": 25000,
           "map": 110000, "map_hd": 40000, "gui": 35000, "scripts": 25000, "audio": 1800,
           "shaders": 6000, "particles": 10000, "particles_hd": 4000, "misc": 8000,
           "misc_hd": 2000, "feature": 20000, "feature_hd": 3000}


def kind_of(package):
    """The kind of a package of paths.xml (its name without .pkg)."""
    hd = package.endswith("_hd") or "_hd-part" in package
    if package.startswith("vehicles_level_"):
        return "vehicles_hd" if hd else "vehicles"
    if package.startswith("shared_content"):
        return "shared_hd" if hd else "shared"
    if re.match(r"(\d+_|h33_|hangar_v4)", package):
        return "map_hd" if hd else "map"
    for prefix in ("gui", "scripts", "audio", "shaders", "particles", "misc"):
        if package.startswith(prefix):
            return prefix + ("_hd" if hd else "")
    return "feature_hd" if hd else "feature"


def real_packages():
    text = (REAL / "paths.xml").read_text()
    return re.findall(r"\./res/packages/([^<]+)\.pkg</Package>", text)


# --- distinct content, made once and reused under many names ------------------------------------

class Pools:
    """DDS textures made by ImageMagick and byte blobs, each a handful of distinct files."""

    def __init__(self, rng, seed, corpus, jobs, work):
        self.convert = make_demo_client.imagemagick()
        self.demo = demo_content.DemoContent(self.convert, make_demo_client.parse_cfg,
                                             str(ROOT / "data" / "configs"))
        self.rng = rng
        with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
            def plasma(side, compression, count, first, alpha=True):
                return list(pool.map(lambda s: self.demo.dds(side, side, compression, seed=s,
                                                             alpha=alpha),
                                     range(seed * 1000 + first, seed * 1000 + first + count)))
            # Filler textures: SD and HD scenery, vehicle and map textures.
            self.dds_small = (plasma(32, "dxt1", 2, 1, False) + plasma(64, "dxt1", 3, 3, False)
                              + plasma(64, "dxt5", 3, 6) + plasma(128, "dxt1", 2, 9, False)
                              + plasma(128, "dxt5", 1, 11))
            self.dds_hd = (plasma(64, "dxt5", 1, 20) + plasma(128, "dxt1", 2, 21, False)
                           + plasma(128, "dxt5", 1, 23))
            self.embedded = plasma(128, "dxt5", 2, 30) + plasma(64, "dxt1", 2, 32, False)
            # Metallic/gloss maps beside camouflages, and the DXT1 wreck and train textures.
            self.gloss = {1024: plasma(1024, "dxt1", 1, 40, False)[0],
                          2048: plasma(2048, "dxt1", 1, 41, False)[0]}
            # Camouflages (and the DXT5 wreck and train textures): 1024x1024 and 2048x2048.
            self.camo = {1024: self.camouflages(pool, 1024, 12, corpus, seed, work),
                         2048: self.camouflages(pool, 2048, 6, corpus, seed + 7, work)}
        blob = rng.randbytes(1 << 21)
        # Model geometry, terrain chunks, scripts, shaders, GUI and audio: sizes in KiB.
        self.blobs = {name: [blob[i * 4099 % 8192:][:size << 10] for i, size in enumerate(sizes)]
                      for name, sizes in {"primitives": (2, 3, 4, 6, 8, 12), "chunk": (4, 8, 16),
                                          "pyc": (1, 2, 4, 8), "shader": (4, 8, 16),
                                          "gui": (1, 2, 6, 20), "text": (1, 2, 3),
                                          "audio": (32, 128, 384)}.items()}
        self.blobs["model"] = [b"<root>\n\t<nodefullVisual>%d</nodefullVisual>\n</root>\n" % i
                               + b" " * (i * 97) for i in range(4)]
        self.visuals = [cv.normal_part(n, v, p) for n, v, _ in KNOWN_VEHICLES[:3]
                        for p in cv.PARTS]
        self.padding = blob

    def camouflages(self, pool, side, count, corpus, seed, work):
        """Camouflage-like DXT5 textures with full mip chains: from the corpus's real images
        (colour of one, brightness of another as alpha) as camo_client.py makes them, or
        plasma."""
        if corpus:
            import camo_client
            images = sorted(pathlib.Path(corpus).glob("*.raw"))
            if len(images) >= 2:
                jobs = [(images[(3 * n + seed) % len(images)],
                         images[(3 * n + seed + 1) % len(images)], side,
                         pathlib.Path(work) / f"camo_{side}_{n}.dds", self.convert, "dxt5")
                        for n in range(count)]
                files = list(pool.map(camo_client.make_texture, jobs))
                return [path.read_bytes() for path in files]
        return list(pool.map(lambda s: self.demo.dds(side, side, "dxt5", seed=s),
                             range(seed * 1000 + 100 + side, seed * 1000 + 100 + side + count)))

    def pick(self, rng, name):
        return rng.choice(self.blobs[name] if name in self.blobs else getattr(self, name))

    def space_bin(self, embedded, size):
        """A map's space.bin: the demo content's layout (section table, BSMA with the embedded
        textures), its geometry section (BWSG, before BSMA) padded to `size` bytes in all."""
        data = bytearray(cf.space_bin(embedded, header_width=8))
        pad = max(0, size - len(data))
        rows = struct.unpack_from("<I", data, 20)[0]
        insert = None
        for row in range(1, rows):
            tag, kind, offset, length = struct.unpack_from("<4sIQQ", data, 24 * row)
            if insert is not None:
                struct.pack_into("<4sIQQ", data, 24 * row, tag, kind, offset + pad, length)
            elif tag == b"BWSG":
                insert = offset + length
                struct.pack_into("<4sIQQ", data, 24 * row, tag, kind, offset, length + pad)
        chunk = self.padding
        filler = chunk * (pad // len(chunk)) + chunk[:pad % len(chunk)]
        return bytes(data[:insert]) + filler + bytes(data[insert:])


# --- the plan: what each package holds --------------------------------------------------------

def vehicle_plan(rng, count, packages):
    """(package, nation, vehicle, parts, 3D style or None, wheeled) per vehicle; vehicles spread
    evenly over the SD vehicle packages, each in its package's tier."""
    sd = [p for p in packages if kind_of(p) == "vehicles"]
    vehicles = []
    names = list(KNOWN_VEHICLES)
    numbers = {}
    while len(names) < count:
        nation = rng.choice(list(NATIONS))
        number = numbers[nation] = numbers.get(nation, 5) + rng.randint(1, 3)
        wheeled = nation in ("french", "italy", "british") and rng.random() < 0.1
        names.append((nation, f"{NATIONS[nation]}{number:02d}_{nation.capitalize()}_"
                      f"{'Wheeled' if wheeled else 'Tank'}_{number}", wheeled))
    rng.shuffle(names)
    for index, (nation, vehicle, wheeled) in enumerate(names[:count]):
        package = sd[index % len(sd)]
        tier = int(package[len("vehicles_level_"):][:2])
        parts = ["Hull", "Chassis", "Turret_01", "Gun_01"]
        if rng.random() < 0.2:
            parts.append("Turret_02")
        parts += [f"Gun_{n:02d}" for n in range(2, 2 + rng.choice((0, 0, 1, 1, 2)))]
        style = f"{vehicle.split('_', 1)[1]}_3DSt_01" if tier >= 6 and rng.random() < 0.2 else None
        vehicles.append((package, nation, vehicle, parts, style, wheeled))
    return vehicles


def plan(rng, scale, packages):
    """{package: [item, ...]}; items are tuples that build() turns into entries."""
    items = {p: [] for p in packages}
    count = max(len(KNOWN_VEHICLES), round(750 * scale))
    for package, *vehicle in vehicle_plan(rng, count, packages):
        items[package].append(("vehicle", *vehicle))
    shared = ["shared_content-part1", "shared_content-part2", "shared_content-part3",
              "shared_content_sandbox-part1", "shared_content_sandbox-part2"]
    items["shared_content-part1"].append(("crash common",))
    camouflages = max(3, round(600 * scale))
    for n in range(camouflages):
        event = CAMO_EVENTS[n % len(CAMO_EVENTS)]
        name = event if n < len(CAMO_EVENTS) else f"{event}_{n // len(CAMO_EVENTS)}"
        side = 2048 if n % 3 == 0 else 1024
        package = shared[rng.choices(range(5), (30, 30, 30, 5, 5))[0]]
        items[package].append(("camouflage", name, side, n % 4 == 1, n))
    for n, path in enumerate(WRECKS + TRAINS + NEIGHBOURS):
        part = n % 3 + 1
        wanted = path not in NEIGHBOURS
        items[f"shared_content-part{part}"].append(("map object", path, wanted, n))
        items[f"shared_content_hd-part{part}"].append(("map object hd", path, wanted, n))
    for package in packages:
        if kind_of(package) == "map":
            embedded = rng.sample(WRECKS + TRAINS, rng.randint(0, 4))
            embedded += rng.sample(NEIGHBOURS, rng.randint(2, 5))
            size = int(rng.uniform(10, 30) * scale * (1 << 20))
            items[package].append(("space.bin", embedded, size))
    return items


# --- building one package -----------------------------------------------------------------------

POOLS = None


def vehicle_entries(pools, rng, nation, vehicle, parts, style, wheeled, models=True):
    """SD entries and HD texture entries of one vehicle (without models: the HD textures
    only)."""
    short = vehicle.split("_", 1)[1]
    sd, hd = [], []
    for folder in [f"vehicles/{nation}/{vehicle}/"] + (
            [f"vehicles/{nation}/{vehicle}/_skins/{style}/"] if style else []):
        textures = [f"{folder}{short}_{part}_{kind}.dds"
                    for part in sorted({p.split("_")[0].lower() + "_01" for p in parts})
                    for kind in ("AM", "ANM", "GMM", "AO")] + [f"{folder}{short}_proxy_AM.dds"]
        for path in textures:
            sd.append((path, pools.pick(rng, "dds_small")))
            hd.append((path[:-4] + "_hd.dds", pools.pick(rng, "dds_hd")))
        if not models:
            continue
        crash = cv.vehicle_crash_files(nation, vehicle, (0, 1, 2, 3, 4),
                                       folder.split("/")[-2] if "_skins" in folder else None,
                                       wheeled)
        for lod in range(5):
            for part in parts:
                path = f"{folder}crash/lod{lod}/{part}.visual_processed"
                if path not in crash:
                    crash[path] = cv.crash_part(nation, vehicle, part, lod, wheeled)
        for path, data in crash.items():
            sd.append((path, data))
            sd.append((path.replace(".visual_processed", ".primitives_processed"),
                       pools.pick(rng, "primitives")))
            sd.append((path.replace(".visual_processed", ".model"), pools.pick(rng, "model")))
        for lod in range(5):
            for part in parts:
                base = f"{folder}normal/lod{lod}/{part}"
                sd += [(base + ".visual_processed", pools.pick(rng, "visuals")),
                       (base + ".primitives_processed", pools.pick(rng, "primitives")),
                       (base + ".model", pools.pick(rng, "model"))]
    base = f"vehicles/{nation}/{vehicle}/collision_client/"
    for part in parts:
        sd += [(base + part + ".visual_processed", pools.pick(rng, "visuals")),
               (base + part + ".model", pools.pick(rng, "model"))]
    if not wheeled:
        for kind in ("AM", "ANM", "GMM"):
            sd.append((f"vehicles/{nation}/tracks/{short}_track_{kind}.dds",
                       pools.pick(rng, "dds_small")))
    return sd, hd


def item_entries(pools, rng, package, item):
    """(entries, HD texture entries) of one planned item; only a vehicle has the second, which
    its package's HD twin holds."""
    kind = item[0]
    if kind == "vehicle":
        return vehicle_entries(pools, rng, *item[1:])
    if kind == "crash common":
        entries = [(cf.CRASH_TILE, pools.dds_small[8]), (cv.COMMON_ID, pools.dds_small[5])]
        for folder in ("vehicles/american/crash_inside", "vehicles/german/Crash_inside",
                       "vehicles/russian/Crash_inside"):
            entries += [(f"{folder}/crash_inside_{s}.dds", pools.dds_small[6 + n])
                        for n, s in enumerate(("AM", "AO", "GMM", "NM"))]
        return entries, []
    if kind == "camouflage":
        _, name, side, gloss, n = item
        textures = pools.camo[side]
        entries = [(f"{CAMO}{name}.dds", textures[n // 3 % len(textures)])]
        if gloss:
            entries.append((f"{CAMO}{name}_GMM.dds", pools.gloss[side]))
        return entries, []
    if kind in ("map object", "map object hd"):
        _, path, wanted, n = item
        hd = kind.endswith("hd")
        side = (2048 if hd else 1024) if wanted else (256 if hd else 128)
        if wanted:
            texture = pools.camo[side][n % 3] if n % 2 else pools.gloss[side]
        else:
            texture = pools.pick(rng, "dds_hd" if hd else "dds_small")
        suffix = "_hd.dds" if hd else ".dds"
        entries = [(path[:-4] + suffix, texture)]
        base = path[:-len("_AM.dds")]
        entries += [(f"{base}_{s}{suffix}", pools.pick(rng, "dds_hd" if hd else "dds_small"))
                    for s in ("ANM", "GMM")]
        if not hd:
            folder = path.rsplit("/", 1)[0]
            model = folder + "/" + folder.rsplit("/", 1)[1]
            entries += [(model + ".model", pools.pick(rng, "model")),
                        (model + ".visual_processed", pools.pick(rng, "visuals")),
                        (model + ".primitives_processed", pools.pick(rng, "primitives"))]
        return entries, []
    if kind == "space.bin":
        _, names, size = item
        embedded = [(name, pools.pick(rng, "embedded")) for name in names]
        return [(f"spaces/{package}/space.bin", pools.space_bin(embedded, size)),
                (f"spaces/{package}/space.settings", pools.pick(rng, "model"))], []
    raise ValueError(kind)


REGIONS = ["EU", "UNI", "RU", "ASIA", "US", "AF"]
SCENERY = [("Buildings", "bld"), ("Nature", "nat"), ("Props", "prp"), ("Fences", "fnc"),
           ("Roads", "rd"), ("Bridges", "brg"), ("Ruins", "rns"), ("Industrial", "ind")]


def filler(pools, rng, package, kind, n, vehicles):
    """The n-th filler entry of a package of that kind: (path, bytes)."""
    group, member = divmod(n, 24)
    hd = kind.endswith("_hd")
    texture = "dds_hd" if hd else "dds_small"
    suffix = "_hd.dds" if hd else ".dds"
    if kind.startswith("vehicles"):
        nation, vehicle = vehicles[group % len(vehicles)] if vehicles else ("russian", "R00_Bench")
        short = vehicle.split("_", 1)[1]
        if hd:
            return (f"vehicles/{nation}/{vehicle}/details/{short}_detail_{n:05d}_AM_hd.dds",
                    pools.pick(rng, texture))
        stem = f"vehicles/{nation}/{vehicle}/normal/lod{member % 5}/details/part_{n:05d}"
        ext, pool = [(".primitives_processed", "primitives"), (".model", "model"),
                     (".visual_processed", "visuals"), ("_AM.dds", "dds_small")][member % 4]
        return stem + ext, pools.pick(rng, pool)
    if kind.startswith(("shared", "feature", "particles")):
        area = package.split("-")[0] if kind.startswith("feature") else "content"
        if kind.startswith("particles"):
            area = "particles"
        category, prefix = SCENERY[group % len(SCENERY)]
        token = re.sub(r"\W", "", package.replace("_hd", "").replace("shared_content", "Sc"))
        name = f"{prefix}_{REGIONS[group % len(REGIONS)]}_{group:04d}_{token}"
        stem = f"{area}/{category}/{name}/{name}"
        if hd:
            return f"{stem}_{member:02d}_AM{suffix}", pools.pick(rng, texture)
        ext, pool = [(f"_{member:02d}_AM.dds", texture), (f"_{member:02d}_ANM.dds", texture),
                     (f"_{member:02d}.model", "model"), (f"_{member:02d}.visual_processed",
                                                       "visuals"),
                     (f"_{member:02d}.primitives_processed", "primitives")][member % 5]
        return stem + ext, pools.pick(rng, pool)
    if kind.startswith("map"):
        space = package[:-3] if hd else package
        if hd:
            return (f"spaces/{space}/terrain/textures/{group:03d}_{member:02d}_AM{suffix}",
                    pools.pick(rng, texture))
        if member % 3:
            return (f"spaces/{space}/{group:04x}{member:04x}o.cdata_processed",
                    pools.pick(rng, "chunk"))
        return (f"content/Location_{space}/{group:03d}/{space}_{member:02d}_AM.dds",
                pools.pick(rng, texture))
    folder, ext, pool = {"gui": ("gui/maps/icons", ".png", "gui"),
                         "scripts": ("scripts/client", ".pyc", "pyc"),
                         "audio": ("audioww", ".bnk", "audio"),
                         "shaders": ("shaders/std_effects", ".fxo", "shader"),
                         "misc": ("text/lc_messages", ".mo", "text"),
                         "misc_hd": ("system/maps", "_hd.dds", texture)}[kind]
    return f"{folder}/{package}/{group:04d}/{member:02d}{ext}", pools.pick(rng, pool)


def folders_of(path, folders):
    parts = path.split("/")[:-1]
    for i in range(1, len(parts) + 1):
        folders.add("/".join(parts[:i]) + "/")


def build(job):
    """Writes one package; returns (package, files, folders, bytes)."""
    package, items, twin_items, target, seed, folder = job
    rng = random.Random(f"{seed}/{package}")
    pools = POOLS
    kind = kind_of(package)
    entries = []
    vehicles = []
    for item in items:
        sd, _ = item_entries(pools, rng, package, item)
        entries += sd
        if item[0] == "vehicle":
            vehicles.append((item[1], item[2]))
    for item in twin_items:  # the HD textures of the SD twin's vehicles
        _, hd = vehicle_entries(pools, rng, *item[1:], models=False)
        entries += hd
        vehicles.append((item[1], item[2]))
    folders = set()
    for path, _ in entries:
        folders_of(path, folders)
    n = 0
    while len(entries) + len(folders) < target:
        path, data = filler(pools, rng, package, kind, n, vehicles)
        entries.append((path, data))
        folders_of(path, folders)
        n += 1
    # Real packages keep an entry's folder before it; wanted entries lie among the filler. Map
    # objects that share a folder share their model files: each name is written once.
    entries = sorted(dict(entries).items())
    path = os.path.join(folder, package + ".pkg")
    cf.write_package(path, entries)
    return package, len(entries), len(folders), os.path.getsize(path)


def hd_twin(package):
    """The SD package whose vehicles' HD textures an HD vehicle package holds."""
    return package.replace("_hd", "")


def main():
    global POOLS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--corpus", help="images of scripts/bench_corpus.sh for the camouflages")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()
    begin = time.time()
    out = pathlib.Path(args.out).resolve()
    if out.exists():
        shutil.rmtree(out)
    subprocess.run([sys.executable, str(HERE / "make_demo_client.py"), str(out), "--no-packages"],
                   check=True, stdout=subprocess.DEVNULL)
    for name in ("paths.xml", "version.xml", "game_info.xml"):
        shutil.copyfile(REAL / name, out / name)
    packages = real_packages()
    rng = random.Random(args.seed)
    with tempfile.TemporaryDirectory() as work:
        POOLS = Pools(rng, args.seed, args.corpus, args.jobs, work)
    print(f"textures made in {time.time() - begin:.0f} s")
    items = plan(rng, args.scale, packages)
    per_kind = {}
    for package in packages:
        per_kind[kind_of(package)] = per_kind.get(kind_of(package), 0) + 1
    folder = out / "res" / "packages"
    jobs = []
    for package in packages:
        kind = kind_of(package)
        target = round(TARGETS[kind] * args.scale / per_kind[kind])
        twin = [i for i in items.get(hd_twin(package), []) if i[0] == "vehicle"] \
            if kind == "vehicles_hd" else []
        jobs.append((package, items[package], twin, target, args.seed, str(folder)))
    # Largest first, so that the workers end together.
    jobs.sort(key=lambda job: -sum(i[2] if i[0] == "space.bin" else 3 << 20 if i[0] ==
                                   "camouflage" else 1 << 16 for i in job[1] + job[2]))
    totals = {}
    context = multiprocessing.get_context("fork")
    with concurrent.futures.ProcessPoolExecutor(args.jobs, mp_context=context) as pool:
        for package, files, folders, size in pool.map(build, jobs):
            kind = kind_of(package)
            row = totals.setdefault(kind, [0, 0, 0, 0])
            row[0] += 1
            row[1] += files
            row[2] += folders
            row[3] += size
    visuals = sum(5 * len(i[3]) * (2 if i[4] else 1) for p in items.values() for i in p
                  if i[0] == "vehicle")
    camouflages = sum(1 for p in items.values() for i in p if i[0] == "camouflage")
    print(f"{'packages':<14}{'count':>6}{'files':>10}{'folders':>9}{'MiB':>10}")
    for kind, (count, files, folders, size) in sorted(totals.items()):
        print(f"{kind:<14}{count:>6}{files:>10}{folders:>9}{size / 2**20:>10.1f}")
    count, files, folders, size = (sum(row[i] for row in totals.values()) for i in range(4))
    print(f"{'all':<14}{count:>6}{files:>10}{folders:>9}{size / 2**20:>10.1f}")
    print(f"full client written to {out}: {count} packages, {files + folders} entries "
          f"({visuals} crash visuals, {camouflages} camouflages), {size / 1e9:.2f} GB, "
          f"{time.time() - begin:.0f} s")


if __name__ == "__main__":
    main()
