#!/usr/bin/env python3
"""Writes the bundled demo's models and their textures (Python 3 stdlib only).

    python3 tools/make_demo_models.py [demo folder]      (default: demo)

Output, relative to the demo folder:
    assets/models/room.gltf + room.bin          the scene file
    assets/models/crate.gltf, sphere.gltf, particle.gltf, bounding_sphere.gltf
    assets/images/*.png                         material textures

Every model is glTF 2.0 with a side .bin buffer. Materials use the
KHR_materials_pbrSpecularGlossiness extension so that the importer hands out
all four texture kinds the loaders look up:
    normalTexture                     -> normal map
    specularGlossinessTexture         -> specular map
    occlusionTexture                  -> light map (the mesh's displacement slot)
    diffuseTexture / baseColorTexture -> diffuse map

Coordinates are authored Z-up (metres); the room file's root node "Room"
turns them into GL's Y-up with a rotation of -90 degrees about X, so an
authored point (x, y, z) ends up at world (x, z, -y).

Room layout (authored, Z-up): floor 20 x 20 centred on the origin at z = 0,
walls 6 high at x = +-10 and y = +-10, no ceiling (the sky box shows above),
four pillars "Pillar_001".."Pillar_004" at (+-5, +-5), the lamp "Room_Light"
hanging at (0, 0, 5), crates model-crate_001 (3, -3), model-crate_002
(-3.5, 2.5, turned 30 degrees) and model-crate_003 (stacked on crate 001),
a mirror sphere model-orb_001 at (0, 3.5, 1) and a glass sphere
model-glass_001 at (-2, -4, 1).

Path markers (empty nodes directly below "Room", in this order; each anchor
is followed by its incoming and then its outgoing handle):
    Camera<NNN>_<k>, Camera<NNN>_<k>_in, Camera<NNN>_<k>_out
    Particle<NNN>_<k>, Particle<NNN>_<k>_in, Particle<NNN>_<k>_out
CAMERA_PATHS and PARTICLE_PATHS below hold the anchors (authored Z-up
coordinates); the handles lie on the curve's tangent at each anchor, a third
of the way to the neighbouring anchors. Path 001 serves shot 1, 002 shot 2,
003 shot 3.
"""

import json
import math
import os
import struct
import sys
import zlib

# --- path markers ------------------------------------------------------------

# Anchors per path, authored Z-up. Keep the camera inside the walls (|x|, |y|
# < 10) and below the wall tops (z < 6), and clear of the pillars at (+-5, +-5).
CAMERA_PATHS = {
    1: [(-7.0, -8.0, 2.0), (0.0, -8.5, 2.8), (7.0, -7.0, 2.2)],   # along the south wall
    2: [(8.0, -6.0, 3.0), (8.5, 0.0, 4.0), (7.0, 7.0, 3.0)],      # up the east side, higher
    3: [(5.0, 8.0, 4.0), (0.0, 7.0, 2.5), (-7.0, 6.0, 1.5)],      # descending along the north
}
PARTICLE_PATHS = {
    1: [(-5.0, 0.0, 1.5), (0.0, -2.0, 2.0), (5.0, 0.0, 1.5)],     # low sweep between the pillars
    2: [(5.0, 1.0, 2.0), (2.0, 4.0, 3.0), (-2.0, 3.0, 2.5)],      # rising arc to the north
    3: [(-3.0, 2.0, 2.0), (0.0, 0.0, 3.0), (3.0, -3.0, 2.0)],     # across the middle under the lamp
}

# --- small vector helpers ----------------------------------------------------


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def scale(a, s):
    return tuple(x * s for x in a)


def length(a):
    return math.sqrt(sum(x * x for x in a))


def normalise(a):
    n = length(a)
    return tuple(x / n for x in a) if n > 0 else a


def handles(anchors):
    """Incoming and outgoing handle per anchor, Catmull-Rom style: along the
    direction from the previous to the next anchor, a third of the distance
    to the neighbour on that side (ends use their one neighbour)."""
    result = []
    for i, p in enumerate(anchors):
        prev = anchors[i - 1] if i > 0 else None
        nxt = anchors[i + 1] if i + 1 < len(anchors) else None
        if prev and nxt:
            direction = normalise(sub(nxt, prev))
        elif nxt:
            direction = normalise(sub(nxt, p))
        else:
            direction = normalise(sub(p, prev))
        back = length(sub(p, prev)) / 3 if prev else length(sub(nxt, p)) / 3
        ahead = length(sub(nxt, p)) / 3 if nxt else back
        result.append((sub(p, scale(direction, back)), add(p, scale(direction, ahead))))
    return result


# --- PNG ---------------------------------------------------------------------


def write_png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b) floats in 0..1; writes an 8-bit RGB PNG."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for x in range(width):
            for c in pixel(x, y):
                rows.append(max(0, min(255, int(round(c * 255)))))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def noise(x, y, seed):
    """Cheap deterministic value noise in 0..1."""
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return (n & 0xFFFF) / 65535.0


def normal_from_height(height, size, strength):
    def pixel(x, y):
        dx = height((x + 1) % size, y) - height((x - 1) % size, y)
        dy = height(x, (y + 1) % size) - height(x, (y - 1) % size)
        n = normalise((-dx * strength, -dy * strength, 1.0))
        return tuple(c * 0.5 + 0.5 for c in n)
    return pixel


def write_textures(images):
    os.makedirs(images, exist_ok=True)
    size = 64

    def tile_height(x, y):  # grooves every 16 texels
        return 0.0 if (x % 16 == 0 or y % 16 == 0) else 1.0

    def tile_diffuse(x, y):
        v = 0.55 + 0.1 * noise(x // 16, y // 16, 1) + 0.05 * noise(x, y, 2)
        return (v, v * 0.95, v * 0.85) if tile_height(x, y) else (0.25, 0.25, 0.25)

    def plank_height(x, y):  # boards 16 texels wide with a dark edge
        return 0.0 if x % 16 in (0, 15) or y in (0, size - 1) else 1.0

    def plank_diffuse(x, y):
        grain = 0.5 + 0.5 * math.sin(y * 0.6 + 3 * noise(x // 16, 0, 3))
        base = (0.55 + 0.1 * grain, 0.36 + 0.06 * grain, 0.18)
        return base if plank_height(x, y) else (0.2, 0.12, 0.06)

    def edge_occlusion(x, y):  # darker towards the border: baked light
        d = min(x, y, size - 1 - x, size - 1 - y) / (size / 2)
        v = 0.55 + 0.45 * min(1.0, d * 3)
        return (v, v, v)

    def plaster(x, y):
        v = 0.78 + 0.08 * noise(x, y, 4)
        return (v, v * 0.97, v * 0.92)

    def plaster_height(x, y):
        return noise(x // 2, y // 2, 5)

    def marble(x, y):
        v = 0.8 + 0.15 * math.sin((x + y) * 0.25 + 4 * noise(x // 8, y // 8, 6))
        return (v, v, v * 0.97)

    def flutes_height(x, y):  # vertical flutes around the pillar
        return 0.5 + 0.5 * math.cos(x * 2 * math.pi / 8)

    textures = {
        "floor_diffuse.png": tile_diffuse,
        "floor_normal.png": normal_from_height(tile_height, size, 2.0),
        "floor_specular.png": lambda x, y: (0.6, 0.6, 0.6) if tile_height(x, y) else (0.1, 0.1, 0.1),
        "floor_light.png": edge_occlusion,
        "wall_diffuse.png": plaster,
        "wall_normal.png": normal_from_height(plaster_height, size, 1.5),
        "pillar_diffuse.png": marble,
        "pillar_normal.png": normal_from_height(flutes_height, size, 1.0),
        "pillar_specular.png": lambda x, y: (0.9, 0.9, 0.9),
        "crate_diffuse.png": plank_diffuse,
        "crate_normal.png": normal_from_height(plank_height, size, 2.0),
        "crate_specular.png": lambda x, y: (0.2, 0.2, 0.2) if plank_height(x, y) else (0.05, 0.05, 0.05),
        "crate_light.png": edge_occlusion,
        "lamp_diffuse.png": lambda x, y: (1.0, 0.95, 0.75),
    }
    for name, pixel in textures.items():
        write_png(os.path.join(images, name), size, size, pixel)


# --- meshes ------------------------------------------------------------------


class MeshData:
    def __init__(self):
        self.positions, self.normals, self.uvs, self.indices = [], [], [], []

    def quad(self, corners, normal, uv_scale=(1.0, 1.0)):
        """corners counter-clockwise seen from the side the normal points to."""
        base = len(self.positions)
        for corner, uv in zip(corners, [(0, 0), (1, 0), (1, 1), (0, 1)]):
            self.positions.append(corner)
            self.normals.append(normal)
            self.uvs.append((uv[0] * uv_scale[0], uv[1] * uv_scale[1]))
        self.indices += [base, base + 1, base + 2, base, base + 2, base + 3]


def box(sx, sy, sz, uv_per_metre=None, inward=False):
    """Axis-aligned box centred on the origin; uv_per_metre tiles the textures."""
    hx, hy, hz = sx / 2, sy / 2, sz / 2
    m = MeshData()
    faces = [  # normal, u axis, v axis, half sizes along normal/u/v
        ((1, 0, 0), (0, 1, 0), (0, 0, 1), hx, hy, hz),
        ((-1, 0, 0), (0, -1, 0), (0, 0, 1), hx, hy, hz),
        ((0, 1, 0), (-1, 0, 0), (0, 0, 1), hy, hx, hz),
        ((0, -1, 0), (1, 0, 0), (0, 0, 1), hy, hx, hz),
        ((0, 0, 1), (1, 0, 0), (0, 1, 0), hz, hx, hy),
        ((0, 0, -1), (-1, 0, 0), (0, 1, 0), hz, hx, hy),
    ]
    for n, u, v, hn, hu, hv in faces:
        centre = scale(n, hn)
        corners = [add(centre, add(scale(u, su * hu), scale(v, sv * hv)))
                   for su, sv in [(-1, -1), (1, -1), (1, 1), (-1, 1)]]
        uv_scale = (1.0, 1.0) if uv_per_metre is None else (2 * hu * uv_per_metre, 2 * hv * uv_per_metre)
        if inward:
            corners = [corners[0], corners[3], corners[2], corners[1]]
            n = scale(n, -1)
        m.quad(corners, n, uv_scale)
    return m


def cylinder(radius, height, segments=16):
    """Upright cylinder standing on z = 0, with caps."""
    m = MeshData()
    for i in range(segments):
        a0, a1 = 2 * math.pi * i / segments, 2 * math.pi * (i + 1) / segments
        p0 = (radius * math.cos(a0), radius * math.sin(a0))
        p1 = (radius * math.cos(a1), radius * math.sin(a1))
        base = len(m.positions)
        for (x, y), a, z, u in [(p0, a0, 0, i), (p1, a1, 0, i + 1), (p1, a1, height, i + 1), (p0, a0, height, i)]:
            m.positions.append((x, y, z))
            m.normals.append((math.cos(a), math.sin(a), 0.0))
            m.uvs.append((u / segments * 2, z / height * 3))
        m.indices += [base, base + 1, base + 2, base, base + 2, base + 3]
        for z, n in [(0.0, -1.0), (height, 1.0)]:
            base = len(m.positions)
            tri = [(0, 0), p0, p1] if n > 0 else [(0, 0), p1, p0]
            for x, y in tri:
                m.positions.append((x, y, z))
                m.normals.append((0.0, 0.0, n))
                m.uvs.append((0.5 + x / (2 * radius), 0.5 + y / (2 * radius)))
            m.indices += [base, base + 1, base + 2]
    return m


def sphere(radius, rings=12, segments=16):
    m = MeshData()
    for r in range(rings + 1):
        theta = math.pi * r / rings
        for s in range(segments + 1):
            phi = 2 * math.pi * s / segments
            n = (math.sin(theta) * math.cos(phi), math.sin(theta) * math.sin(phi), math.cos(theta))
            m.positions.append(scale(n, radius))
            m.normals.append(n)
            m.uvs.append((s / segments, r / rings))
    for r in range(rings):
        for s in range(segments):
            a = r * (segments + 1) + s
            b = a + segments + 1
            if r > 0:
                m.indices += [a, b, a + 1]
            if r < rings - 1:
                m.indices += [a + 1, b, b + 1]
    return m


# --- glTF --------------------------------------------------------------------


def quaternion_about(axis, degrees):
    half = math.radians(degrees) / 2
    s = math.sin(half)
    return [axis[0] * s, axis[1] * s, axis[2] * s, math.cos(half)]


class Gltf:
    def __init__(self, name):
        self.name = name
        self.doc = {"asset": {"version": "2.0", "generator": "orv tools/make_demo_models.py"},
                    "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [], "meshes": [],
                    "materials": [], "textures": [], "images": [],
                    "accessors": [], "bufferViews": [], "buffers": []}
        self.blob = bytearray()
        self.mesh_ids, self.material_ids, self.image_ids = {}, {}, {}

    def node(self, name, mesh=None, translation=None, rotation=None, parent=None):
        entry = {"name": name}
        if mesh is not None:
            entry["mesh"] = mesh
        if translation is not None:
            entry["translation"] = [round(c, 5) for c in translation]
        if rotation is not None:
            entry["rotation"] = [round(c, 7) for c in rotation]
        self.doc["nodes"].append(entry)
        index = len(self.doc["nodes"]) - 1
        if parent is not None:
            self.doc["nodes"][parent].setdefault("children", []).append(index)
        return index

    def _view(self, data, target):
        while len(self.blob) % 4:
            self.blob.append(0)
        self.doc["bufferViews"].append({"buffer": 0, "byteOffset": len(self.blob),
                                        "byteLength": len(data), "target": target})
        self.blob += data
        return len(self.doc["bufferViews"]) - 1

    def _accessor(self, values, kind, component, target, minmax=False):
        width = {"VEC2": 2, "VEC3": 3, "SCALAR": 1}[kind]
        flat = [c for v in values for c in (v if width > 1 else (v,))]
        fmt = "<%d%s" % (len(flat), "f" if component == 5126 else "I")
        accessor = {"bufferView": self._view(struct.pack(fmt, *flat), target),
                    "componentType": component, "count": len(values), "type": kind}
        if minmax:
            accessor["min"] = [min(v[i] for v in values) for i in range(width)]
            accessor["max"] = [max(v[i] for v in values) for i in range(width)]
        self.doc["accessors"].append(accessor)
        return len(self.doc["accessors"]) - 1

    def image(self, uri):
        if uri not in self.image_ids:
            self.doc["images"].append({"uri": uri})
            self.doc["textures"].append({"source": len(self.doc["images"]) - 1})
            self.image_ids[uri] = len(self.doc["textures"]) - 1
        return {"index": self.image_ids[uri]}

    def material(self, name, diffuse=None, normal=None, specular=None, light=None, colour=(1, 1, 1)):
        """Texture arguments are image names under assets/images/."""
        if name in self.material_ids:
            return self.material_ids[name]
        uri = lambda image: "../images/" + image
        mat = {"name": name, "pbrMetallicRoughness": {"baseColorFactor": list(colour) + [1.0],
                                                       "metallicFactor": 0.0}}
        sg = {"diffuseFactor": list(colour) + [1.0]}
        if diffuse:
            mat["pbrMetallicRoughness"]["baseColorTexture"] = self.image(uri(diffuse))
            sg["diffuseTexture"] = self.image(uri(diffuse))
        if specular:
            sg["specularGlossinessTexture"] = self.image(uri(specular))
        if normal:
            mat["normalTexture"] = self.image(uri(normal))
        if light:
            mat["occlusionTexture"] = self.image(uri(light))
        mat["extensions"] = {"KHR_materials_pbrSpecularGlossiness": sg}
        self.doc["materials"].append(mat)
        self.material_ids[name] = len(self.doc["materials"]) - 1
        return self.material_ids[name]

    def mesh(self, name, data, material):
        if name in self.mesh_ids:
            return self.mesh_ids[name]
        attributes = {"POSITION": self._accessor(data.positions, "VEC3", 5126, 34962, minmax=True),
                      "NORMAL": self._accessor(data.normals, "VEC3", 5126, 34962),
                      "TEXCOORD_0": self._accessor(data.uvs, "VEC2", 5126, 34962)}
        indices = self._accessor(data.indices, "SCALAR", 5125, 34963)
        self.doc["meshes"].append({"name": name, "primitives": [
            {"attributes": attributes, "indices": indices, "material": material}]})
        self.mesh_ids[name] = len(self.doc["meshes"]) - 1
        return self.mesh_ids[name]

    def save(self, folder):
        doc = self.doc
        for key in ["materials", "textures", "images"]:
            if not doc[key]:
                del doc[key]
        if "materials" in doc:
            doc["extensionsUsed"] = ["KHR_materials_pbrSpecularGlossiness"]
        doc["buffers"] = [{"byteLength": len(self.blob), "uri": self.name + ".bin"}]
        with open(os.path.join(folder, self.name + ".bin"), "wb") as f:
            f.write(self.blob)
        with open(os.path.join(folder, self.name + ".gltf"), "w") as f:
            json.dump(doc, f, indent=1)
            f.write("\n")


def room(folder):
    g = Gltf("room")
    root = g.node("Room", rotation=quaternion_about((1, 0, 0), -90))

    floor = g.material("Floor", diffuse="floor_diffuse.png", normal="floor_normal.png",
                       specular="floor_specular.png", light="floor_light.png")
    wall = g.material("Wall", diffuse="wall_diffuse.png", normal="wall_normal.png")
    marble = g.material("Marble", diffuse="pillar_diffuse.png", normal="pillar_normal.png",
                        specular="pillar_specular.png")
    lamp = g.material("Lamp", diffuse="lamp_diffuse.png")
    sky = g.material("Sky")

    g.node("Floor", g.mesh("Floor", box(20, 20, 0.2, uv_per_metre=0.5), floor), (0, 0, -0.1), parent=root)
    for name, pos, size in [("Wall_North", (0, 10.1, 3), (20.4, 0.2, 6)),
                            ("Wall_South", (0, -10.1, 3), (20.4, 0.2, 6)),
                            ("Wall_East", (10.1, 0, 3), (0.2, 20.0, 6)),
                            ("Wall_West", (-10.1, 0, 3), (0.2, 20.0, 6))]:
        g.node(name, g.mesh(name, box(*size, uv_per_metre=0.5), wall), pos, parent=root)
    pillar = g.mesh("Pillar", cylinder(0.5, 6.0), marble)
    for i, (x, y) in enumerate([(5, 5), (-5, 5), (-5, -5), (5, -5)], start=1):
        g.node("Pillar_%03d" % i, pillar, (x, y, 0), parent=root)
    g.node("Room_Light", g.mesh("Room_Light", box(0.6, 0.6, 0.2), lamp), (0, 0, 5), parent=root)
    g.node("Skybox", g.mesh("Skybox", box(400, 400, 400, inward=True), sky), parent=root)

    # Catalogue placements; the node's own transform places the model.
    g.node("model-crate_001", translation=(3, -3, 0.5), parent=root)
    g.node("model-crate_002", translation=(-3.5, 2.5, 0.5),
           rotation=quaternion_about((0, 0, 1), 30), parent=root)
    g.node("model-crate_003", translation=(3, -3, 1.5),
           rotation=quaternion_about((0, 0, 1), 15), parent=root)
    g.node("model-orb_001", translation=(0, 3.5, 1.0), parent=root)
    g.node("model-glass_001", translation=(-2, -4, 1.0), parent=root)

    for prefix, paths in [("Camera", CAMERA_PATHS), ("Particle", PARTICLE_PATHS)]:
        for number, anchors in sorted(paths.items()):
            for k, (anchor, (incoming, outgoing)) in enumerate(zip(anchors, handles(anchors))):
                name = "%s%03d_%d" % (prefix, number, k)
                g.node(name, translation=anchor, parent=root)
                g.node(name + "_in", translation=incoming, parent=root)
                g.node(name + "_out", translation=outgoing, parent=root)
    g.save(folder)


def single(folder, file_name, node_name, mesh_name, data, **material):
    """A catalogue model: one root node carrying one mesh, identity transform.
    The node name is what clones of the model are called, so it must not
    contain "Camera", "Particle" or "Pillar"."""
    g = Gltf(file_name)
    g.node(node_name, g.mesh(mesh_name, data, g.material(mesh_name, **material)))
    g.save(folder)


def main():
    demo = sys.argv[1] if len(sys.argv) > 1 else "demo"
    models = os.path.join(demo, "assets", "models")
    os.makedirs(models, exist_ok=True)
    write_textures(os.path.join(demo, "assets", "images"))
    room(models)
    single(models, "crate", "Crate", "Crate", box(1, 1, 1),
           diffuse="crate_diffuse.png", normal="crate_normal.png",
           specular="crate_specular.png", light="crate_light.png")
    single(models, "sphere", "Orb", "Orb", sphere(0.6, 16, 24), colour=(0.9, 0.9, 0.9))
    single(models, "particle", "Spark", "Spark", sphere(0.08, 6, 8), colour=(1.0, 0.9, 0.6))
    # Light volume: the faces, not only the vertices, must reach radius 1,
    # so the vertices sit slightly outside the unit sphere.
    rings, segments = 12, 16
    outer = 1.0 / (math.cos(math.pi / segments) * math.cos(math.pi / (2 * rings)))
    single(models, "bounding_sphere", "BoundingSphere", "BoundingSphere", sphere(outer, rings, segments))


if __name__ == "__main__":
    main()
