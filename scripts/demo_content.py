"""Content of the demo client: executables, and the package entries each mod works on.

The packages follow a real client's (EU 2.4.0.2) package names and paths: vehicle packages with
normal, crash (real material structure, lod0-lod4, a 3D style, a wheeled vehicle) and collision
models; map packages with tank wrecks, rolling stock and other scenery beside them, an HD twin
package, and a space.bin with embedded textures; shared_content packages with scenery and
camouflages. With `later`, content a later client may add: a wreck, a carriage variant, a
camouflage and a tier package that the shipped configs were not written for.
"""

import os
import struct
import subprocess
import tempfile


# --- executables -----------------------------------------------------------------------------

def make_pe_with_version(version, size):
    """A minimal PE32+ image with one .rsrc section holding a VS_VERSIONINFO resource."""
    major, minor, patch, build = version
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, (major << 16) | minor,
                        (patch << 16) | build, (major << 16) | minor, (patch << 16) | build,
                        0x3F, 0, 0x40004, 1, 0, 0, 0)
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    header_len = 6 + len(key)
    pad = (4 - header_len % 4) % 4
    info = struct.pack("<HHH", 6 + len(key) + pad + len(fixed), len(fixed), 0) + key + b"\0" * pad
    info += fixed

    section_rva = 0x1000
    file_offset = 0x200
    # Resource tree: root -> type 16 -> name 1 -> language 0x409 -> data entry.
    def directory(entries):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(entries)) + b"".join(
            struct.pack("<II", ident, target) for ident, target in entries)
    root = directory([(16, 0x80000000 | 0x18)])
    names = directory([(1, 0x80000000 | 0x30)])
    langs = directory([(0x409, 0x48)])
    data_entry = struct.pack("<IIII", section_rva + 0x58, len(info), 0, 0)
    rsrc = root + names + langs + data_entry
    rsrc += b"\0" * (0x58 - len(rsrc)) + info
    rsrc_raw = rsrc + b"\0" * ((0x200 - len(rsrc) % 0x200) % 0x200)

    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x40)
    coff = struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, 240, 0x22)
    optional = struct.pack("<HBBIIIIIQIIHHHHHHIIIIHHQQQQII", 0x20B, 14, 0, 0, len(rsrc_raw), 0,
                           0, 0, 0x140000000, 0x1000, 0x200, 6, 0, 0, 0, 6, 0, 0,
                           section_rva + len(rsrc_raw), 0x200, 0, 3, 0x8160, 0x100000, 0x1000,
                           0x100000, 0x1000, 0, 16)
    dirs = [(0, 0)] * 16
    dirs[2] = (section_rva, len(rsrc))
    optional += b"".join(struct.pack("<II", a, b) for a, b in dirs)
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), section_rva, len(rsrc_raw),
                          file_offset, 0, 0, 0, 0, 0x40000040)
    headers = dos + b"PE\0\0" + coff + optional + section
    image = headers + b"\0" * (file_offset - len(headers)) + rsrc_raw
    if len(image) < size:
        image += b"\0" * (size - len(image))
    return image


class DemoContent:
    """Builds the packages of the demo client from the shipped configs."""

    def __init__(self, convert, parse_cfg, configs_folder):
        self.convert = convert
        self.parse_cfg = parse_cfg
        self.configs = configs_folder
        self.cache = {}

    def cfg(self, name):
        return self.parse_cfg(os.path.join(self.configs, name))

    def dds(self, width, height, compression, mipmaps=True, seed=1, alpha=True):
        """A DDS texture written by ImageMagick (plasma with a real alpha channel)."""
        key = (width, height, compression, mipmaps, seed, alpha)
        if key in self.cache:
            return self.cache[key]
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "t.dds")
            command = [self.convert, "-seed", str(seed), "-size", f"{width}x{height}",
                       "plasma:fractal"]
            if alpha:
                command += ["(", "-size", f"{width}x{height}", "gradient:white-black", ")",
                            "-alpha", "off", "-compose", "CopyOpacity", "-composite"]
            command += ["-define", f"dds:compression={compression}",
                        "-define", f"dds:mipmaps={'16' if mipmaps else '0'}", out]
            subprocess.run(command, check=True)
            with open(out, "rb") as handle:
                data = handle.read()
        self.cache[key] = data
        return data

    def build(self, package_class, later=False):
        packages = {}

        def package(name):
            if name not in packages:
                packages[name] = package_class(name)
            return packages[name]

        # Packages every client has, with nothing any mod wants.
        package("scripts.pkg").add("scripts/client/gui/__init__.pyc", b"\x42" * 300, deflate=True)
        package("gui-part1.pkg").add("gui/flash/atlases/battleAtlas.dds",
                                     self.dds(64, 64, "dxt5", seed=9))
        package("misc.pkg").add("text/lc_messages/readme.txt", "demo client\n", deflate=True)
        self.add_crash_content(package, later)
        self.add_map_content(package, later)
        self.add_camo_content(package, later)
        return list(packages.values())

    # Vehicle packages of the real names: each vehicle with its crash models (every part, real
    # material structure), its live models, a collision model and a texture. Only the crash
    # models are what DPT-mod and CCT-mod patch. (nation, vehicle, crash lods, 3D style, wheeled)
    VEHICLES = {
        "vehicles_level_01.pkg": [("russian", "R11_MS-1", (0, 1, 2, 3, 4), None, False),
                                  ("american", "A01_T1_Cunningham", (0,), None, False)],
        "vehicles_level_02.pkg": [("french", "F109_AMD_Panhard_178B", (0,), None, True)],
        "vehicles_level_05-part1.pkg": [("american", "A05_M4_Sherman", (0, 4), None, False),
                                        ("russian", "R04_T-34", (0,), None, False)],
        "vehicles_level_07-part2.pkg": [("german", "G04_PzVI_Tiger_I", (0,), None, False),
                                        ("german", "G04_PzVI_Tiger_I", (0,), "Tiger_I_Style_01",
                                         False)],
        "vehicles_level_10-part2.pkg": [("german", "G56_E-100", (0,), None, False)],
    }
    # A tier split into one more part than the shipped configs were written for.
    LATER_VEHICLES = {
        "vehicles_level_08-part4.pkg": [("british", "GB83_FV4004", (0,), None, False)],
    }

    def add_crash_content(self, package, later):
        visuals = crash_visuals()
        vehicles = dict(self.VEHICLES, **(self.LATER_VEHICLES if later else {}))
        for name, entries in vehicles.items():
            pkg = package(name)
            for nation, vehicle, lods, style, wheeled in entries:
                for path, data in visuals.vehicle_crash_files(nation, vehicle, lods, style,
                                                              wheeled).items():
                    pkg.add(path, data)
                    pkg.add(path.replace(".visual_processed", ".primitives_processed"),
                            b"\0" * 64)
                if style:
                    continue
                base = f"vehicles/{nation}/{vehicle}"
                for part in visuals.PARTS:
                    pkg.add(f"{base}/normal/lod0/{part}.visual_processed",
                            visuals.normal_part(nation, vehicle, part))
                    pkg.add(f"{base}/normal/lod0/{part}.model", b"<root/>", deflate=True)
                pkg.add(f"{base}/collision_client/Hull.visual_processed",
                        visuals.normal_part(nation, vehicle, "Hull"))
                short = vehicle.split("_", 1)[1]
                pkg.add(f"{base}/{short}_hull_01_AM.dds", self.dds(64, 64, "dxt5", seed=3))
        # The HD twin of a tier package holds the HD textures.
        package("vehicles_level_05_hd-part1.pkg").add(
            "vehicles/american/A05_M4_Sherman/M4_Sherman_hull_01_AM_hd.dds",
            self.dds(128, 128, "dxt5", seed=3))

    # Objects of the maps' scenery with the real client's paths.
    WRECKS = "content/MilitaryEnvironment/"
    RAILWAY = "content/Railway/"
    SHERMAN = WRECKS + "hd_mle101_A05_M4_Sherman/hd_mle101_A05_M4_Sherman"
    PZ_IV = WRECKS + "hd_mle102_G01_Pz_IV_AusfG/hd_mle102_G01_Pz_IV_AusfG"
    LOCOMOTIVE = RAILWAY + "hd_rw_UNI_005_Locomotive/hd_rw_UNI_005_Locomotive"
    CARRIAGE = RAILWAY + "hd_rw_UNI_004_Carriage/hd_rw_UNI_004_Carriage"

    # Map packages: (package, textures as (path, width, height, format, mip chain, embedded in
    # space.bin), HD twin package, space.bin record header width: 8 from client 1.28 on, 12
    # before). Tank wrecks and rolling stock are what MEM-mod and CTM-mod repaint; the normal and
    # metallic/gloss maps beside them, the props, platforms, rails and other vehicles are not.
    MAPS = [
        ("02_malinovka", [
            (SHERMAN + "_AM.dds", 256, 256, "dxt5", True, True),
            (SHERMAN + "_track_AM.dds", 128, 128, "dxt1", False, True),
            (SHERMAN + "_ANM.dds", 64, 64, "dxt5", True, False),
            (SHERMAN + "_GMM.dds", 64, 64, "dxt1", True, False),
            (LOCOMOTIVE + "_AM.dds", 128, 64, "dxt5", True, True),
            (LOCOMOTIVE + "_tender_AM.dds", 64, 64, "dxt5", True, True),
            (WRECKS + "hd_mle001_Fuel/hd_mle001_Fuel_AM.dds", 32, 32, "dxt1", True, True),
            ("content/Buildings/bld_EU_001_House/bld_EU_001_House_AM.dds", 64, 64, "dxt1", True,
             False),
        ], True, 8),
        ("19_monastery", [
            (PZ_IV + "_AM.dds", 100, 60, "dxt5", True, True),
            (CARRIAGE + "_01_AM.dds", 64, 64, "dxt1", True, True),
            (CARRIAGE + "_02_AM.dds", 64, 64, "dxt1", True, False),
            (CARRIAGE + "_01_ANM.dds", 64, 64, "dxt5", True, False),
            (RAILWAY + "hd_rw407_CarriageWatchbox2/hd_rw407_CarriageWatchbox2_AM.dds", 64, 64,
             "dxt1", True, True),
            (RAILWAY + "hd_rw_UNI_003_Rail/hd_rw_UNI_003_Rail_AM.dds", 32, 32, "dxt1", True,
             True),
        ], True, 12),
        ("101_dday", [
            (PZ_IV + "_Tracks_AM.dds", 64, 32, "dxt1", True, True),
            (RAILWAY + "hd_rw_UNI_001_Trolley/hd_rw_UNI_001_Trolley_AM.dds", 64, 64, "dxt5",
             False, True),
            (RAILWAY + "hd_rw_UNI_006_Platform/hd_rw_UNI_006_Platform_AM.dds", 64, 64, "dxt5",
             False, True),
            (WRECKS + "hd_mle_UNI_001_SdKfz/hd_mle_UNI_001_SdKfz_AM.dds", 32, 32, "dxt1", True,
             True),
        ], False, 8),
    ]
    # A map with a wreck that the shipped configs were not written for.
    LATER_MAPS = [
        ("05_prohorovka", [
            (WRECKS + "hd_mle103_R04_T-34/hd_mle103_R04_T-34_AM.dds", 64, 64, "dxt5", True,
             True),
            (WRECKS + "hd_mle044_barrel/hd_mle044_barrel_AM.dds", 32, 32, "dxt1", True, True),
        ], True, 8),
    ]

    def add_map_content(self, package, later):
        files = client_files()
        maps = self.MAPS + (self.LATER_MAPS if later else [])
        for number, (name, textures, hd, width) in enumerate(maps):
            sd = package(name + ".pkg")
            twin = package(name + "_hd.pkg") if hd else None
            embedded = []
            for index, (path, w, h, compression, mips, in_space) in enumerate(textures):
                seed = 10 * number + index + 1
                sd.add(path, self.dds(w, h, compression, mipmaps=mips, seed=seed))
                if twin is not None:
                    twin.add(path[:-4] + "_hd.dds",
                             self.dds(2 * w, 2 * h, compression, mipmaps=mips, seed=seed))
                # The maps embed their static models' textures in space.bin, with a full chain.
                if in_space:
                    embedded.append((path, self.dds(32, 32, compression, mipmaps=True,
                                                    seed=seed)))
            sd.add(f"spaces/{name}/space.bin", files.space_bin(embedded, header_width=width))
            sd.add(f"spaces/{name}/terrain/chunk0000.chunk", b"\x01" * 256)
        # Scenery textures of the shared packages, which MEM-mod and CTM-mod search too.
        shared = package("shared_content-part2.pkg")
        shared_hd = package("shared_content_hd-part2.pkg")
        variants = ["_07_AM.dds", "_08_AM.dds"] + (["_09_AM.dds"] if later else [])
        for index, suffix in enumerate(variants):
            shared.add(self.CARRIAGE + suffix, self.dds(128, 128, "dxt5", seed=60 + index))
            shared_hd.add(self.CARRIAGE + suffix[:-4] + "_hd.dds",
                          self.dds(256, 256, "dxt5", seed=60 + index))
        shared.add("particles/smoke/smoke01.dds", self.dds(32, 32, "dxt5", seed=70))

    # Camouflages: every one in vehicles/russian/Camouflage/, whatever its nation; newer ones
    # with a metallic/gloss map beside them, which holds no colour. (package, HD twin package,
    # names)
    CAMO = "vehicles/russian/Camouflage/"
    CAMOUFLAGES = [
        ("shared_content-part1.pkg", "shared_content_hd-part1.pkg",
         ["gift_camouflage.dds", "d_day.dds", "manticore_2025_4.dds", "manticore_2025_4_GMM.dds"]),
        ("shared_content_sandbox-part1.pkg", None, ["bp2025_1.dds"]),
    ]
    LATER_CAMOUFLAGES = [
        ("shared_content-part3.pkg", "shared_content_hd-part3.pkg",
         ["onslaught_2026_phoenix_annual.dds", "onslaught_2026_phoenix_5_GMM.dds"]),
    ]

    def add_camo_content(self, package, later):
        for sd_name, hd_name, names in self.CAMOUFLAGES + (self.LATER_CAMOUFLAGES if later else []):
            sd = package(sd_name)
            for index, name in enumerate(names):
                seed = 50 + index
                sd.add(self.CAMO + name, self.dds(128, 128, "dxt5", seed=seed))
                if hd_name:
                    package(hd_name).add(self.CAMO + name[:-4] + "_hd.dds",
                                         self.dds(256, 256, "dxt5", seed=seed))
        # Not a camouflage: a texture in a vehicle folder is not touched.
        package("shared_content-part1.pkg").add(
            "vehicles/german/G56_E-100/E-100_hull_01_AM.dds", self.dds(64, 64, "dxt1"))


def _test_module(name):
    """A game-file builder shared with the tests (tests/mods)."""
    import importlib
    import sys
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "mods")
    if folder not in sys.path:
        sys.path.insert(0, folder)
    return importlib.import_module(name)


def client_files():
    """Packed model files, space.bin files, packages."""
    return _test_module("client_files")


def crash_visuals():
    """Crash-state models with the real client's material structure."""
    return _test_module("crash_visuals")
