#!/usr/bin/env python3
"""Independent checks of what the program wrote, for the end-to-end tests. Each command exits
non-zero with a message when a check fails.

  package_checks.py wotmod PKG META_ID [ENTRY ...]     a sound .wotmod holding these entries
  package_checks.py exact PKG ENTRY ...                its files are these and meta.xml, no more
  package_checks.py solid PKG ENTRY RRGGBB             a texture decodes to one opaque colour
  package_checks.py solidall PKG RRGGBB                every texture of it is one opaque colour
  package_checks.py crashall PKG CLIENT tanks|tracks   every crash model of the client's vehicle
                                                       packages that the mod patches is in it,
                                                       patched, and nothing else is
  package_checks.py shaded PKG ENTRY SOURCE_PKG SOURCE_ENTRY PERCENT
  package_checks.py crashvisual PKG ENTRY SOURCE_PKG SOURCE_ENTRY tanks|tracks [remove-shadows]
  package_checks.py spacebin PKG ENTRY SOURCE_PKG SOURCE_ENTRY NAME ...
  package_checks.py loose FOLDER ENTRY ...             loose files exist below a folder
"""
import io
import struct
import sys
import zipfile

from PIL import Image


def fail(message):
    sys.exit("check failed: " + message)


def read_entry(package, entry):
    with zipfile.ZipFile(package) as archive:
        return archive.read(entry)


def check_wotmod(package, meta_id, entries):
    with zipfile.ZipFile(package) as archive:
        if archive.comment:
            fail("archive comment present")
        if archive.testzip() is not None:
            fail("testzip reports a bad entry")
        infos = archive.infolist()
        names = [info.filename for info in infos]
        for info in infos:
            if info.compress_type != zipfile.ZIP_STORED:
                fail(f"{info.filename} is not stored")
            if info.flag_bits & 0x08:
                fail(f"{info.filename} has a data descriptor")
            extra = info.extra
            while len(extra) >= 4:
                tag, size = struct.unpack("<HH", extra[:4])
                if tag == 0x0001:
                    fail(f"{info.filename} has a zip64 extra field")
                extra = extra[4 + size:]
        if names[-1] != "meta.xml" or names.count("meta.xml") != 1:
            fail(f"meta.xml is not the single last entry: {names[-3:]}")
        meta = archive.read("meta.xml").decode("ascii")
        if not meta.startswith(f"<root>\r\n    <id>{meta_id}</id>\r\n") or not meta.endswith(
                "</root>\r\n"):
            fail("meta.xml text: " + repr(meta))
        files = set(n for n in names if not n.endswith("/"))
        folders = set(n for n in names if n.endswith("/"))
        for name in files:
            parts = name.split("/")[:-1]
            for i in range(1, len(parts) + 1):
                if "/".join(parts[:i]) + "/" not in folders:
                    fail(f"no folder entry for {name}")
        for entry in entries:
            if entry not in files:
                fail(f"{entry} missing; package holds {sorted(files)}")


def decode(data):
    image = Image.open(io.BytesIO(data))
    image.load()
    return image.convert("RGBA")


def check_solid(package, entry, color):
    data = read_entry(package, entry)
    want = tuple(int(color[i:i + 2], 16) for i in (0, 2, 4))
    image = decode(data)
    for pixel in image.getdata():
        # 5:6:5 quantisation: at most 8 off per channel, fully opaque.
        if any(abs(pixel[c] - want[c]) > 8 for c in range(3)) or pixel[3] != 255:
            fail(f"{entry}: pixel {pixel} is not {want} opaque")
    source_header = struct.unpack("<I", data[28:32])[0]
    return image.size, source_header


def dds_levels(data):
    """(fourcc, [(offset, size) of each level the header counts and the data holds])."""
    height, width = struct.unpack("<II", data[12:20])
    count = max(1, struct.unpack("<I", data[28:32])[0])
    fourcc = data[84:88]
    block = 8 if fourcc == b"DXT1" else 16
    levels, offset = [], 128
    for _ in range(count):
        size = ((width + 3) // 4) * ((height + 3) // 4) * block
        if offset + size > len(data):
            break
        levels.append((offset, size))
        offset += size
        width, height = max(1, width // 2), max(1, height // 2)
    return fourcc, levels


def check_shaded(package, entry, source_package, source_entry, percent):
    """Shaded on the blocks: every colour near percent of the source's, the source's alpha (DXT5
    alpha halves byte for byte in every level the source holds, DXT1 transparency texel for
    texel), a full chain where the source has several levels."""
    shaded_data = read_entry(package, entry)
    source_data = read_entry(source_package, source_entry)
    shaded, source = decode(shaded_data), decode(source_data)
    if shaded.size != source.size:
        fail("size changed")
    worst = 0
    for a, b in zip(shaded.getdata(), source.getdata()):
        for c in range(3):
            worst = max(worst, abs(a[c] - b[c] * percent // 100))
        if a[3] != b[3]:
            fail(f"alpha changed: {a} from {b}")
    if worst > 16:
        fail(f"shaded colours off by {worst}")
    fourcc, source_levels = dds_levels(source_data)
    shaded_fourcc, shaded_levels = dds_levels(shaded_data)
    if shaded_fourcc != fourcc:
        fail(f"format {shaded_fourcc} from {fourcc}")
    if struct.unpack("<I", source_data[28:32])[0] > 1:
        width, height = struct.unpack("<II", source_data[16:20] + source_data[12:16])
        if len(shaded_levels) != max(width, height).bit_length():
            fail(f"{len(shaded_levels)} levels, not a full chain")
    if fourcc == b"DXT5":
        for (offset, size), _ in zip(source_levels, shaded_levels):
            for at in range(offset, offset + size, 16):
                if shaded_data[at:at + 8] != source_data[at:at + 8]:
                    fail(f"alpha block at byte {at} changed")

CRASH_FX = b"shaders/std_effects/PBS_tank_crash.fx"
TANK_FX = b"shaders/std_effects/PBS_tank.fx"


def expected_texture(kind, key, path, inside_step, remove_shadows):
    """The texture a crash patch gives the key `key` holding `path` ("/" or "\\" separated), or
    None where the value stays as it is. The tracks job replaces diffuse textures only."""
    keys = ["diffuseMap"] + (["excludeMaskAndAOMap"] if kind == "tanks" and remove_shadows
                             else [])
    if key not in keys:
        return None
    path = path.replace("\\", "/")
    name = path.rsplit("/", 1)[-1].lower()
    folder = path[:path.rfind("/") + 1].lower()
    if kind == "tracks":
        return "vehicles/track_crash.dds"
    if "_inside" in name:
        return "vehicles/inside_crash.dds" if inside_step else None
    if "_inside" in folder:
        return None
    return "vehicles/tank_crash.dds"


def expected_crash_visual(source, kind, inside_step, remove_shadows):
    """The bytes the crash patch must produce, computed from the file's own layout: a texture
    value follows its key directly and the byte four before the key counts key and value."""
    data = bytearray(source)
    if kind == "tanks":
        data = bytearray(bytes(data).replace(CRASH_FX, TANK_FX + b"\0" * 6))
    keys = [b"diffuseMap"] + ([b"excludeMaskAndAOMap"] if remove_shadows else [])
    j = 4
    while j < len(data):
        key = next((k for k in keys if data[j:j + len(k)] == k), None)
        if key is None:
            j += 1
            continue
        count = data[j - 4]
        value = bytes(data[j + len(key):j + count]).decode("latin-1")
        texture = expected_texture(kind, key.decode(), value, inside_step, remove_shadows)
        if texture is None or count == 0:
            j += 1
            continue
        data[j:j + count] = (key + texture.encode() + b"\0" * count)[:count]
        j += count
    return bytes(data)


PACKED_MAGIC = 0x62A14E45


def read_packed(data):
    """A packed section file as nested (name, value bytes, children) tuples; fails on a file
    whose descriptors do not fit."""
    if len(data) < 5 or struct.unpack_from("<I", data)[0] != PACKED_MAGIC:
        fail("not a packed section file")
    names = []
    at = 5
    while True:
        end = data.index(b"\0", at)
        if end == at:
            break
        names.append(data[at:end].decode("latin-1"))
        at = end + 1
    return ("root",) + read_section(data[at + 1:], names)


def read_section(data, names):
    count, own = struct.unpack_from("<hI", data)
    start = 6 + 6 * count
    children = []
    previous = own & 0x0FFFFFFF
    value = data[start:start + previous]
    for i in range(count):
        key, descriptor = struct.unpack_from("<HI", data, 6 + 6 * i)
        end = descriptor & 0x0FFFFFFF
        if end < previous or start + end > len(data) or key >= len(names):
            fail("a descriptor does not fit its section")
        body = data[start + previous:start + end]
        if descriptor >> 28 == 0:
            children.append((names[key],) + read_section(body, names))
        else:
            children.append((names[key], body, []))
        previous = end
    return value, children


def materials(node):
    name, _, children = node
    if name == "material":
        yield node
    for child in children:
        yield from materials(child)


def material_facts(material):
    """fx and {property: texture} of a material, NUL padding stripped."""
    fx = None
    textures = {}
    for name, value, children in material[2]:
        if name == "fx":
            fx = value.rstrip(b"\0").decode("latin-1")
        elif name == "property" and children and children[0][0] == "Texture":
            textures[value.decode("latin-1")] = children[0][1].rstrip(b"\0").decode("latin-1")
    return fx, textures


def check_crash_semantics(entry, patched, source, kind, inside_step, remove_shadows):
    """The patched model, read as a packed section: every crash material of a tank part uses the
    live tank shader and the one-colour textures; every diffuse texture of a chassis is the
    track texture; nothing else changed."""
    before = list(materials(read_packed(source)))
    after = list(materials(read_packed(patched)))
    if len(before) != len(after) or not after:
        fail(f"{entry}: materials changed from {len(before)} to {len(after)}")
    for old, new in zip(before, after):
        old_fx, old_textures = material_facts(old)
        new_fx, new_textures = material_facts(new)
        want_fx = old_fx
        if kind == "tanks" and old_fx == CRASH_FX.decode():
            want_fx = TANK_FX.decode()
        if new_fx != want_fx:
            fail(f"{entry}: fx {new_fx} instead of {want_fx}")
        for key, old_path in old_textures.items():
            want = expected_texture(kind, key, old_path, inside_step, remove_shadows) or old_path
            if new_textures.get(key) != want:
                fail(f"{entry}: {key} is {new_textures.get(key)} instead of {want}")


def check_crash_visual(package, entry, source_package, source_entry, kind, remove_shadows):
    patched = read_entry(package, entry)
    source = read_entry(source_package, source_entry)
    inside_step = "gun" not in entry.rsplit("/", 1)[-1].lower()
    check_crash_semantics(entry, patched, source, kind, inside_step, remove_shadows)
    expected = expected_crash_visual(source, kind, inside_step, remove_shadows)
    if expected == source:
        fail("the source has nothing to patch")
    if patched != expected:
        first = next(i for i in range(len(expected)) if i >= len(patched) or
                     patched[i] != expected[i])
        fail(f"{entry}: bytes differ from the expected patch at {first}: "
             f"{patched[first:first + 24]!r} vs {expected[first:first + 24]!r}")


def package_files(package):
    with zipfile.ZipFile(package) as archive:
        return sorted(n for n in archive.namelist() if not n.endswith("/") and n != "meta.xml")


def check_exact(package, entries):
    files = package_files(package)
    if files != sorted(entries):
        fail(f"files {files} instead of {sorted(entries)}")


def check_solid_all(package, color):
    textures = [n for n in package_files(package) if n.lower().endswith(".dds")]
    if not textures:
        fail("no texture")
    for name in textures:
        check_solid(package, name, color)


def crash_models(client, kind):
    """(package path, entry) of every crash model in the client's vehicle packages that the
    mod patches: hull, gun and turret for "tanks", chassis for "tracks"."""
    import glob
    import os
    found = []
    for source in sorted(glob.glob(os.path.join(client, "res", "packages", "vehicles_level_*"))):
        with zipfile.ZipFile(source) as archive:
            for name in archive.namelist():
                lower = name.lower()
                file = lower.rsplit("/", 1)[-1]
                if "/crash/" not in lower or ".visual" not in file:
                    continue
                tank = any(part in file for part in ("hull", "gun", "turret"))
                if ("chassis" in file) == (kind == "tracks") and (tank or "chassis" in file):
                    found.append((source, name))
    return found


def check_crash_all(package, client, kind):
    models = crash_models(client, kind)
    if not models:
        fail("the client has no crash model")
    expected = set("res/" + entry for _, entry in models)
    visuals = set(n for n in package_files(package) if ".visual" in n)
    if visuals != expected:
        fail(f"missing {sorted(expected - visuals)}, unexpected {sorted(visuals - expected)}")
    for source, entry in models:
        check_crash_visual(package, "res/" + entry, source, entry, kind, False)


def blobs(data):
    """(name, offset, length) of each embedded texture, found by the DDS magic."""
    result = []
    at = data.find(b"DDS ")
    while at >= 0:
        length = struct.unpack("<I", data[at - 4:at])[0]
        after = at + length
        sidecar = struct.unpack("<I", data[after:after + 4])[0]
        name_at = after + 4 + sidecar
        name_len = struct.unpack("<I", data[name_at:name_at + 4])[0]
        name = data[name_at + 4:name_at + 4 + name_len].decode("latin-1")
        result.append((name, at, length))
        at = data.find(b"DDS ", name_at + 4 + name_len)
    return result


def check_spacebin(package, entry, source_package, source_entry, names):
    patched = read_entry(package, entry)
    source = read_entry(source_package, source_entry)
    if len(patched) != len(source):
        fail("space.bin length changed")
    listed = set(n.lower() for n in names)
    records = blobs(source)
    changed_any = False
    last_end = 0
    for name, at, length in records:
        same = patched[at:at + length] == source[at:at + length]
        if patched[last_end:at] != source[last_end:at]:
            fail(f"bytes outside the textures changed before {name}")
        last_end = at + length
        if name.lower() in listed:
            if same:
                fail(f"listed texture {name} unchanged")
            changed_any = True
        elif not same:
            fail(f"unlisted texture {name} changed")
    if patched[last_end:] != source[last_end:]:
        fail("bytes after the textures changed")
    if not changed_any:
        fail("no texture changed")


def main(argv):
    command = argv[1]
    if command == "wotmod":
        check_wotmod(argv[2], argv[3], argv[4:])
    elif command == "exact":
        check_exact(argv[2], argv[3:])
    elif command == "solid":
        check_solid(argv[2], argv[3], argv[4])
    elif command == "solidall":
        check_solid_all(argv[2], argv[3])
    elif command == "crashall":
        check_crash_all(argv[2], argv[3], argv[4])
    elif command == "shaded":
        check_shaded(argv[2], argv[3], argv[4], argv[5], int(argv[6]))
    elif command == "crashvisual":
        check_crash_visual(argv[2], argv[3], argv[4], argv[5], argv[6],
                           len(argv) > 7 and argv[7] == "remove-shadows")
    elif command == "spacebin":
        check_spacebin(argv[2], argv[3], argv[4], argv[5], argv[6:])
    else:
        fail("unknown command " + command)
    print("ok")


if __name__ == "__main__":
    main(sys.argv)
