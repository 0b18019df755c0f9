"""Game client files for tests and the demo client: packed .visual_processed model files,
space.bin map files with embedded textures, DDS textures made by ImageMagick, and packages
(zip archives of stored entries) made by Python's zipfile.

Usable as a module (import client_files) or from the command line:
  client_files.py dds OUT.dds WIDTH HEIGHT COLOR {dxt1|dxt5} MIPMAPS [ALPHA_PERCENT]
"""
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

PACKED_MAGIC = 0x62A14E45
TYPE_SECTION, TYPE_STRING, TYPE_INT, TYPE_FLOATS, TYPE_BOOL, TYPE_BLOB = range(6)

CRASH_FX = "shaders/std_effects/PBS_tank_crash.fx"
TANK_FX = "shaders/std_effects/PBS_tank.fx"
CRASH_TILE = "vehicles/russian/Tank_detail/crash_tile.dds"


class Element:
    """One element of a packed section: a name, an own value and children."""

    def __init__(self, name, value=b"", children=None):
        self.name = name
        self.value = value
        self.children = list(children or [])


def _encode_value(value):
    if isinstance(value, bool):
        return TYPE_BOOL, (b"\x01" if value else b"")
    if isinstance(value, int):
        if value == 0:
            return TYPE_INT, b""
        for fmt, low, high in (("<b", -128, 127), ("<h", -32768, 32767),
                               ("<i", -2**31, 2**31 - 1)):
            if low <= value <= high:
                return TYPE_INT, struct.pack(fmt, value)
        return TYPE_INT, struct.pack("<q", value)
    if isinstance(value, float):
        return TYPE_FLOATS, struct.pack("<f", value)
    if isinstance(value, (list, tuple)):
        return TYPE_FLOATS, struct.pack("<%df" % len(value), *value)
    if isinstance(value, str):
        return TYPE_STRING, value.encode("latin-1")
    return TYPE_BLOB if value and not value.isascii() else TYPE_STRING, bytes(value)


def _collect_names(element, names):
    for child in element.children:
        if child.name not in names:
            names.append(child.name)
        _collect_names(child, names)


def _pack_element(element, index):
    """Bytes of an element as its parent stores them, and its type."""
    own_type, own = _encode_value(element.value)
    if not element.children:
        return own_type, own
    parts = []
    header = b""
    end = len(own)
    for child in element.children:
        child_type, data = _pack_element(child, index)
        end += len(data)
        header += struct.pack("<HI", index[child.name], (child_type << 28) | end)
        parts.append(data)
    section = struct.pack("<hI", len(element.children), (own_type << 28) | len(own))
    return TYPE_SECTION, section + header + own + b"".join(parts)


def pack_section(root):
    """A packed binary section file (magic, version, dictionary, root section)."""
    names = []
    _collect_names(root, names)
    index = {name: i for i, name in enumerate(names)}
    dictionary = b"".join(n.encode("latin-1") + b"\0" for n in names) + b"\0"
    _, body = _pack_element(Element(root.name, root.value, root.children or
                                     [Element("empty", 0)]), index)
    return struct.pack("<IB", PACKED_MAGIC, 0) + dictionary + body


def texture_property(name, path):
    """A material property holding a texture: own value the property name, child Texture."""
    return Element("property", name, [Element("Texture", path)])


def material(identifier, fx, textures, kind=0):
    """A material section; textures is a list of (property name, texture path)."""
    children = [Element("identifier", identifier), Element("fx", fx),
                Element("collisionFlags", 0), Element("materialKind", kind)]
    children += [texture_property(name, path) for name, path in textures]
    children.append(Element("property", "g_useNormalPackDXT1",
                            [Element("Bool", True)]))
    return Element("material", b"", children)


def visual_processed(materials, node="Scene Root"):
    """A model file: one renderSet per material, each with geometry and a primitive group.

    materials: list of (identifier, fx, [(property name, texture path), ...]).
    """
    render_sets = []
    for number, (identifier, fx, textures) in enumerate(materials):
        group = Element("primitiveGroup", number,
                        [material(identifier, fx, textures)])
        geometry = Element("geometry", b"", [
            Element("vertices", "%s_vertices" % identifier),
            Element("primitive", "%s_indices" % identifier), group])
        render_sets.append(Element("renderSet", b"", [
            Element("treatAsWorldSpaceObject", False), Element("node", node),
            geometry]))
    root = Element("root", b"", [
        Element("node", b"", [Element("identifier", node),
                              Element("transform", b"", [
                                  Element("row0", [1.0, 0.0, 0.0]),
                                  Element("row1", [0.0, 1.0, 0.0]),
                                  Element("row2", [0.0, 0.0, 1.0]),
                                  Element("row3", [0.0, 0.0, 0.0])])])]
        + render_sets + [
        Element("boundingBox", b"", [Element("min", [-1.5, 0.0, -3.0]),
                                     Element("max", [1.5, 2.0, 3.0])]),
        Element("geometrySize", 40960), Element("minUVDensity", 0.25)])
    return pack_section(root)


def crash_tank_visual(vehicle, part, nation="russian", fx=CRASH_FX, inside=True,
                      shadows=True):
    """A crash-state hull/turret/gun/chassis model of a vehicle with the textures a real client
    names (AM, ANM, GMM, AO, the crash tile and, for hull and turret, an _inside texture)."""
    short = vehicle.split("_")[0]
    base = "vehicles/%s/%s/%s_%s_01" % (nation, vehicle, short, part.lower())
    textures = [("diffuseMap", base + "_AM.dds"), ("normalMap", base + "_ANM.dds"),
                ("metallicGlossMap", base + "_GMM.dds")]
    if shadows:
        textures.append(("excludeMaskAndAOMap", base + "_AO.dds"))
    textures.append(("crashTileMap", CRASH_TILE))
    materials = [("%s_crash" % part.lower(), fx, textures)]
    if inside:
        inner = "vehicles/%s/%s/%s_inside" % (nation, vehicle, short)
        materials.append(("%s_inside" % part.lower(), fx,
                          [("diffuseMap", inner + "_AM.dds"),
                           ("excludeMaskAndAOMap", inner + "_AO.dds")]))
    return visual_processed(materials)


def _convert():
    """ImageMagick's own convert (the im6 binary when present, as some wrappers drop alpha)."""
    for candidate in ("/usr/bin/convert-im6.q16", "/usr/bin/convert"):
        if os.path.exists(candidate):
            return candidate
    return "convert"


def dds(width, height, color="red", compression="dxt1", mipmaps=0, alpha_percent=None,
        gradient=None):
    """DDS bytes written by ImageMagick. color: an ImageMagick colour; gradient: "a-b" colours
    for a gradient image instead; alpha_percent: set an alpha channel of that opacity."""
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "t.dds")
        source = ("gradient:%s" % gradient) if gradient else ("xc:%s" % color)
        args = [_convert(), "-size", "%dx%d" % (width, height), source]
        if alpha_percent is not None:
            args += ["-alpha", "set", "-channel", "A", "-evaluate", "set",
                     "%d%%" % alpha_percent, "+channel"]
        args += ["-define", "dds:compression=%s" % compression,
                 "-define", "dds:mipmaps=%d" % mipmaps, out]
        subprocess.run(args, check=True)
        with open(out, "rb") as f:
            return f.read()


def space_bin_with_offsets(textures, header_width=12, material_size=16,
                           sections_before=("BWST", "BWSG"), sections_after=("BWCS",)):
    """A space.bin with a section table, filler sections and a BSMA section holding the
    embedded textures. textures: list of (name, dds bytes[, sidecar bytes]). header_width: 12
    (clients up to 1.27) or 8 (from 1.28). Returns (data, [(blob offset, blob length), ...])."""
    tags = list(sections_before) + ["BSMA"] + list(sections_after)
    rows = len(tags) + 1
    position = 24 * rows
    bodies = []
    blobs = []
    for number, tag in enumerate(tags):
        if tag != "BSMA":
            body = (tag.encode() * 4) + bytes(range(number, number + 40))
        else:
            body = b""
            count = max(1, len(textures))
            for size, n in ((material_size, count), (4, 2), (12, 3), (64, 1), (16, 2)):
                body += struct.pack("<II", size, n) + bytes((i * 7) & 0xFF
                                                           for i in range(size * n))
            body += struct.pack("<I", len(textures))
            for number_t, texture in enumerate(textures):
                name, data = texture[0], texture[1]
                sidecar = texture[2] if len(texture) > 2 else b"\x11\x22\x33\x44\x55"
                if header_width == 12:
                    body += struct.pack("<III", (0x9E3779B1 * (number_t + 1)) & 0xFFFFFFFF,
                                        1, 1)
                else:
                    body += struct.pack("<II", 1, 1)
                body += struct.pack("<I", len(data))
                blobs.append((position + len(body), len(data)))
                body += data
                body += struct.pack("<I", len(sidecar)) + sidecar
                encoded = name.encode("latin-1")
                body += struct.pack("<I", len(encoded)) + encoded
        bodies.append((tag, position, body))
        position += len(body)
    table = struct.pack("<4sIQII", b"BWTB", 1, 0, 24 * rows, rows)
    for tag, offset, body in bodies:
        table += struct.pack("<4sIQQ", tag.encode(), 2, offset, len(body))
    return table + b"".join(body for _, _, body in bodies), blobs


def space_bin(textures, header_width=12, **options):
    """space.bin bytes; see space_bin_with_offsets."""
    return space_bin_with_offsets(textures, header_width, **options)[0]


def write_package(path, entries, folders=True):
    """A package: a zip archive of stored entries, with a folder entry for every folder.
    entries: list of (name with '/', bytes)."""
    if os.path.dirname(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as archive:
        written = set()
        for name, data in entries:
            if folders:
                parts = name.split("/")[:-1]
                for i in range(1, len(parts) + 1):
                    folder = "/".join(parts[:i]) + "/"
                    if folder not in written:
                        written.add(folder)
                        archive.writestr(zipfile.ZipInfo(folder), b"")
            archive.writestr(zipfile.ZipInfo(name), data)


def main(argv):
    if len(argv) >= 8 and argv[1] == "dds":
        alpha = int(argv[8]) if len(argv) > 8 else None
        data = dds(int(argv[3]), int(argv[4]), argv[5], argv[6], int(argv[7]), alpha)
        with open(argv[2], "wb") as f:
            f.write(data)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
