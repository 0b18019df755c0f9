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
                        "-define", f"dds:mipmaps={'8' if mipmaps else '0'}", out]
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
        """Mod content: filled in by the crash, map, space.bin and camouflage content below."""
        for builder in (self.add_crash_content, self.add_map_content, self.add_camo_content):
            builder(package)

    def add_crash_content(self, package):
        pass

    def add_map_content(self, package):
        pass

    def add_camo_content(self, package):
        pass
