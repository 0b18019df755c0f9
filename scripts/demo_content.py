"""Content of the demo client: executables, and the package entries each mod works on.

The packages follow the game's real layout (see the names in data/configs/*.cfg): vehicle
packages with normal, crash and collision models; map packages with the tank and train textures
of their static models, an HD twin package, and a space.bin with embedded textures;
shared_content packages; camouflage textures.
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

    def build(self, package_class):
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
        self.add_mod_content(package)
        return list(packages.values())

    def add_mod_content(self, package):
        """Files for every mod, at the paths the shipped configs name."""
        self.add_crash_content(package)
        self.add_map_content(package)
        self.add_camo_content(package)

    # Vehicle packages: each vehicle with normal, crash and collision models. Only the crash
    # models carry the crash shader and are what DPT-mod and CCT-mod patch.
    VEHICLES = {
        "vehicles_level_01.pkg": [("russian", "R11_MS-1"), ("american", "A01_T1_Cunningham")],
        "vehicles_level_05-part1.pkg": [("russian", "R04_T-34")],
        "vehicles_level_10-part2.pkg": [("german", "G56_E-100")],
    }
    PARTS = ["Hull", "Turret_01", "Gun_01", "Chassis"]

    def add_crash_content(self, package):
        files = client_files()
        for name, vehicles in self.VEHICLES.items():
            pkg = package(name)
            for nation, vehicle in vehicles:
                base = f"vehicles/{nation}/{vehicle}"
                for part in self.PARTS:
                    crash = files.crash_tank_visual(vehicle, part.split("_")[0], nation,
                                                    inside=part in ("Hull", "Turret_01"))
                    normal = files.crash_tank_visual(vehicle, part.split("_")[0], nation,
                                                     fx="shaders/std_effects/PBS_tank.fx",
                                                     inside=False)
                    pkg.add(f"{base}/crash/lod0/{part}.visual_processed", crash)
                    pkg.add(f"{base}/crash/lod0/{part}.primitives_processed", b"\0" * 64)
                    pkg.add(f"{base}/normal/lod0/{part}.visual_processed", normal)
                    pkg.add(f"{base}/normal/lod0/{part}.model", b"<root/>", deflate=True)
                pkg.add(f"{base}/collision_client/Hull.visual_processed",
                        files.crash_tank_visual(vehicle, "hull", nation, inside=False))
                short = vehicle.split("_")[0]
                pkg.add(f"{base}/{short}_hull_01_AM.dds", self.dds(64, 64, "dxt5", seed=3))

    # Map packages: (package, SD textures with their size, format and mip chain, HD twin package,
    # space.bin record header width: 8 from client 1.28 on, 12 before).
    MAPS = [
        ("02_malinovka", [
            ("content/MilitaryEnvironment/hd_mle101_A05_M4_Sherman/mle101_A05_M4_Sherman_AM.dds",
             256, 256, "dxt5", True),
            ("content/MilitaryEnvironment/hd_mle102_R04_T-34/mle102_R04_T-34_AM.dds",
             128, 128, "dxt1", False),
            ("content/Railway/hd_rw401_Locomotive/rw401_Locomotive_AM.dds", 128, 64, "dxt5", True),
            ("content/Buildings/bld01_House/bld01_House_AM.dds", 64, 64, "dxt1", True),
        ], True, 8),
        ("19_monastery", [
            ("content/MilitaryEnvironment/hd_mle103_G04_PzVI_Tiger_I/"
             "mle103_G04_PzVI_Tiger_I_AM.dds", 100, 60, "dxt5", True),
            ("content/Railway/hd_rw407_CarriageWatchbox2/rw407_CarriageWatchbox2_AM.dds",
             64, 64, "dxt1", True),
        ], True, 12),
        ("101_dday", [
            ("content/MilitaryEnvironment/hd_mle104_G03_PzV_Panther/"
             "mle104_G03_PzV_Panther_AM.dds", 128, 128, "dxt5", True),
            ("content/MilitaryEnvironment/hd_mle104_G03_PzV_Panther/"
             "mle104_G03_PzV_Panther_track_AM.dds", 64, 32, "dxt1", True),
            ("content/Railway/hd_rw410_Platform/rw410_Platform_AM.dds", 64, 64, "dxt5", False),
        ], False, 8),
    ]

    def add_map_content(self, package):
        files = client_files()
        for number, (name, textures, hd, width) in enumerate(self.MAPS):
            sd = package(name + ".pkg")
            twin = package(name + "_hd.pkg") if hd else None
            embedded = []
            for index, (path, w, h, compression, mips) in enumerate(textures):
                seed = 10 * number + index + 1
                sd.add(path, self.dds(w, h, compression, mipmaps=mips, seed=seed))
                if twin is not None:
                    twin.add(path[:-4] + "_hd.dds",
                             self.dds(2 * w, 2 * h, compression, mipmaps=mips, seed=seed))
                # The maps embed their static models' textures in space.bin, with a full chain.
                embedded.append((path, self.dds(32, 32, compression, mipmaps=True, seed=seed)))
            embedded.append(("content/Props/prop01_Barrel/prop01_Barrel_AM.dds",
                             self.dds(16, 16, "dxt1", mipmaps=True, seed=99)))
            sd.add(f"spaces/{name}/space.bin", files.space_bin(embedded, header_width=width))
            sd.add(f"spaces/{name}/terrain/chunk0000.chunk", b"\x01" * 256)

    CAMOUFLAGES = ["vehicles/german/Camouflage/christmas_german.dds",
                   "vehicles/russian/Camouflage/winter_russian.dds"]

    def add_camo_content(self, package):
        sd = package("shared_content-part1.pkg")
        hd = package("shared_content_hd-part1.pkg")
        for index, path in enumerate(self.CAMOUFLAGES):
            sd.add(path, self.dds(128, 128, "dxt5", seed=50 + index))
            hd.add(path[:-4] + "_hd.dds", self.dds(256, 256, "dxt5", seed=50 + index))
        # Textures of the shared packages that MEM-mod and CTM-mod look for too.
        tender = "content/Railway/hd_rw402_Tender/rw402_Tender_AM.dds"
        sd.add(tender, self.dds(128, 128, "dxt5", seed=60))
        hd.add(tender[:-4] + "_hd.dds", self.dds(256, 256, "dxt5", seed=60))
        # Not a camouflage: a texture in a vehicle folder is not touched.
        sd.add("vehicles/german/G56_E-100/G56_E-100_hull_01_AM.dds", self.dds(64, 64, "dxt1"))
        package("shared_content-part2.pkg").add("particles/smoke/smoke01.dds",
                                                self.dds(32, 32, "dxt5", seed=70))


def client_files():
    """The game-file builders shared with the tests (packed model files, space.bin)."""
    import importlib
    import sys
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "mods")
    if folder not in sys.path:
        sys.path.insert(0, folder)
    return importlib.import_module("client_files")
