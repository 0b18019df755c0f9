"""Crash-state model files (.visual_processed, packed sections) with the material structure of a
real client (EU 2.4.0.2), for the demo client and the end-to-end tests.

Two files are a real client's own, decoded to text by a public dump and packed back here
(tests/fixtures/real-client/*.visual_processed.xml): an M4 Sherman's crash hull and an AMD Panhard
178B's crash chassis (a wheeled vehicle). Every other vehicle's files are made in their image:

- a hull holds three materials: the burnt interior tank_mat_inside (PBS_tank.fx, the shared
  crash_inside textures), the hull tank_hull_01 and the running-gear body tank_chassis_01
  (PBS_tank_crash.fx); lod4 uses <short>_proxy_AM.dds and has no interior;
- a turret (tank_turret_01) and a gun (tank_guns) one material each (PBS_tank_crash.fx);
- a tracked chassis the tracks track_mat_L_skinned and track_mat_R_skinned
  (PBS_tank_skinned_ao.fx with crash_coefficient 0.3); a wheeled one tank_chassis_01_skinned
  (PBS_tank_skinned_crash.fx) and tank_tire_01_skinned (PBS_wheel_skinned_crash.fx);
- the properties of a material come in an order that differs between files, and
  g_crashUVTiling is sometimes absent.
"""
import os
import random
import xml.etree.ElementTree as ET

import client_files as cf

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures",
                        "real-client")

FX = "shaders/std_effects/"
TRACK_FX = FX + "PBS_tank_skinned_ao.fx"
WHEELED_BODY_FX = FX + "PBS_tank_skinned_crash.fx"
WHEEL_FX = FX + "PBS_wheel_skinned_crash.fx"
COMMON_ID = "vehicles/russian/common/common_ID.dds"
# The interior textures lie in three folders whose names differ in case.
INSIDE_FOLDERS = {"american": "vehicles/american/crash_inside",
                  "german": "vehicles/german/Crash_inside"}
DEFAULT_INSIDE = "vehicles/russian/Crash_inside"


def _value(text):
    """A value of the dump's text form as the packed section stores it."""
    if text == "":
        return b""
    if text in ("true", "false"):
        return text == "true"
    try:
        return int(text)
    except ValueError:
        pass
    try:
        numbers = [float(part) for part in text.split()]
    except ValueError:
        return text
    return numbers if len(numbers) > 1 else numbers[0]


def _element(node):
    return cf.Element(node.tag, _value((node.text or "").strip()), [_element(c) for c in node])


def real_visual(name):
    """A real client's visual from its decoded text (tests/fixtures/real-client), packed."""
    with open(os.path.join(FIXTURES, name), encoding="utf-8") as handle:
        return cf.pack_section(_element(ET.fromstring(handle.read())))


REAL_SHERMAN_HULL = "A05_M4_Sherman.crash.lod0.Hull.visual_processed.xml"
REAL_PANHARD_CHASSIS = "F109_AMD_Panhard_178B.crash.lod0.Chassis.visual_processed.xml"


def _property(name, kind, value):
    return cf.Element("property", name, [cf.Element(kind, value)])


def _material(identifier, fx, textures, values, rng):
    """A material: its head elements, then its properties in a shuffled order, the fx element
    somewhere among them."""
    properties = [_property(name, "Texture", path) for name, path in textures]
    properties += [_property(name, kind, value) for name, kind, value in values]
    rng.shuffle(properties)
    head = [cf.Element("identifier", identifier), cf.Element("collisionFlags", 0),
            cf.Element("materialKind", 0)]
    cut = rng.randint(0, min(2, len(properties)))
    return cf.Element("material", b"",
                      head + properties[:cut] + [cf.Element("fx", fx)] + properties[cut:])


def _visual(materials):
    render_sets = []
    for number, material in enumerate(materials):
        group = cf.Element("primitiveGroup", number,
                           [material, cf.Element("groupOrigin", [0.0, 0.25, -0.125])])
        geometry = cf.Element("geometry", b"", [cf.Element("vertices", "vertices"),
                                                cf.Element("primitive", "indices"), group])
        render_sets.append(cf.Element("renderSet", b"", [
            cf.Element("treatAsWorldSpaceObject", False), cf.Element("node", "Scene Root"),
            geometry]))
    root = cf.Element("root", b"", [
        cf.Element("node", b"", [cf.Element("identifier", "Scene Root"),
                                 cf.Element("transform", b"", [
                                     cf.Element("row0", [1.0, 0.0, 0.0]),
                                     cf.Element("row1", [0.0, 1.0, 0.0]),
                                     cf.Element("row2", [0.0, 0.0, 1.0]),
                                     cf.Element("row3", [0.0, 0.0, 0.0])])])]
        + render_sets + [
        cf.Element("boundingBox", b"", [cf.Element("min", [-1.5, -0.75, -3.0]),
                                        cf.Element("max", [1.5, 1.25, 3.0])]),
        cf.Element("geometrySize", 1080352)])
    return cf.pack_section(root)


def _crash_values(rng, alpha_test):
    values = [("alphaReference", "Int", 64), ("alphaTestEnable", "Bool", alpha_test),
              ("g_useNormalPackDXT1", "Bool", False)]
    if rng.random() < 0.75:
        values.append(("g_crashUVTiling", "Vector4", [4.0, 4.0, 0.0, 0.0]))
    return values


def _own_textures(base, part, with_id=True):
    """The live tank's textures of one part, which its crash state shows too."""
    textures = [("diffuseMap", f"{base}_{part}_AM.dds"), ("normalMap", f"{base}_{part}_ANM.dds"),
                ("metallicGlossMap", f"{base}_{part}_GMM.dds"),
                ("excludeMaskAndAOMap", f"{base}_{part}_AO.dds"), ("crashTileMap", cf.CRASH_TILE)]
    if with_id:
        textures.append(("colorIdMap", COMMON_ID))
    return textures


def crash_part(nation, vehicle, part, lod=0, wheeled=False, seed=0):
    """A crash-state model of one vehicle part ("Hull", "Turret_01", "Gun_01", "Chassis")."""
    rng = random.Random(f"{vehicle}/{part}/{lod}/{seed}")
    short = vehicle.split("_", 1)[1] if "_" in vehicle else vehicle
    base = f"vehicles/{nation}/{vehicle}/{short}"
    kind = part.split("_")[0].lower()
    if lod >= 4 and kind != "chassis":
        proxy = [("diffuseMap", f"{base}_proxy_AM.dds"), ("crashTileMap", cf.CRASH_TILE)]
        name = {"hull": "tank_hull_01", "turret": "tank_turret_01", "gun": "tank_guns"}[kind]
        return _visual([_material(name, cf.CRASH_FX, proxy, _crash_values(rng, False), rng)])
    if kind == "hull":
        inside = INSIDE_FOLDERS.get(nation, DEFAULT_INSIDE)
        materials = [
            _material("tank_mat_inside", cf.TANK_FX,
                      [("metallicGlossMap", f"{inside}/crash_inside_GMM.dds"),
                       ("normalMap", f"{inside}/crash_inside_NM.dds"),
                       ("diffuseMap", f"{inside}/crash_inside_AM.dds"),
                       ("excludeMaskAndAOMap", f"{inside}/crash_inside_AO.dds")],
                      [("g_useNormalPackDXT1", "Bool", True)], rng),
            _material("tank_hull_01", cf.CRASH_FX, _own_textures(base, "hull_01"),
                      _crash_values(rng, False), rng),
            _material("tank_chassis_01", cf.CRASH_FX, _own_textures(base, "chassis_01"),
                      _crash_values(rng, True), rng)]
        rng.shuffle(materials)
        return _visual(materials)
    if kind == "turret":
        return _visual([_material("tank_turret_01", cf.CRASH_FX, _own_textures(base, "turret_01"),
                                  _crash_values(rng, False), rng)])
    if kind == "gun":
        values = _crash_values(rng, False) + [("selfIllumination", "Float", 0.0)]
        return _visual([_material("tank_guns", cf.CRASH_FX, _own_textures(base, "gun_01"), values,
                                  rng)])
    if wheeled:
        body = _own_textures(base, "chassis_01")
        return _visual([
            _material("tank_chassis_01_skinned", WHEELED_BODY_FX, body,
                      [("g_crashUVTiling", "Vector4", [2.0, 1.0, 0.0, 0.0])], rng),
            _material("tank_tire_01_skinned", WHEEL_FX, body[:5],
                      [("g_crashUVTiling", "Vector4", [2.0, 1.0, 0.0, 0.0])], rng)])
    tracks = []
    for side in ("L", "R"):
        textures = [("diffuseMap", f"vehicles/{nation}/tracks/{short}_track_AM.dds"),
                    ("normalMap", f"vehicles/{nation}/tracks/{short}_track_ANM.dds"),
                    ("metallicGlossMap", f"vehicles/{nation}/tracks/{short}_track_GMM.dds")]
        values = [("crash_coefficient", "Float", 0.3), ("g_useNormalPackDXT1", "Bool", True),
                  ("doubleSided", "Bool", False)]
        tracks.append(_material(f"track_mat_{side}_skinned", TRACK_FX, textures, values, rng))
    return _visual(tracks)


PARTS = ("Hull", "Turret_01", "Gun_01", "Chassis")


def vehicle_crash_files(nation, vehicle, lods=(0,), style=None, wheeled=False):
    """{package path: bytes} of a vehicle's crash models: every part in each lod, under
    crash/ or, for a 3D style, under _skins/<style>/crash/. The real client's own files stand
    for the Sherman's lod0 hull and the Panhard's lod0 chassis."""
    folder = f"vehicles/{nation}/{vehicle}/" + (f"_skins/{style}/" if style else "")
    files = {}
    for lod in lods:
        for part in PARTS:
            path = f"{folder}crash/lod{lod}/{part}.visual_processed"
            if lod == 0 and not style and vehicle == "A05_M4_Sherman" and part == "Hull":
                files[path] = real_visual(REAL_SHERMAN_HULL)
            elif (lod == 0 and not style and vehicle == "F109_AMD_Panhard_178B"
                  and part == "Chassis"):
                files[path] = real_visual(REAL_PANHARD_CHASSIS)
            else:
                files[path] = crash_part(nation, vehicle, part, lod, wheeled)
    return files


def normal_part(nation, vehicle, part):
    """The live state's model of a part: the same textures under the live tank shader."""
    rng = random.Random(f"{vehicle}/{part}/normal")
    short = vehicle.split("_", 1)[1] if "_" in vehicle else vehicle
    base = f"vehicles/{nation}/{vehicle}/{short}"
    kind = part.split("_")[0].lower()
    textures = _own_textures(base, {"gun": "gun_01", "turret": "turret_01",
                                    "chassis": "chassis_01"}.get(kind, "hull_01"))[:4]
    return _visual([_material(f"tank_{kind}_01", cf.TANK_FX, textures,
                              [("g_useNormalPackDXT1", "Bool", False)], rng)])
