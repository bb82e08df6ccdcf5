#!/usr/bin/env python3
"""Writes the bundled demo's models and their textures.

    python3 tools/make_demo_models.py [demo folder]      (default: demo)

Output, relative to the demo folder:
    assets/models/room.gltf + room.bin          the scene file
    assets/models/crate, pedestal, statue, sphere, gem, particle,
                  bounding_sphere (.gltf + .bin) the catalogue's models
    assets/images/*.png, *.jpg                  material textures, 512 x 512
                                                (the lantern's iron 128 x 128)

Every model is glTF 2.0 with a side .bin buffer. Materials use the
KHR_materials_pbrSpecularGlossiness extension so that the importer hands out
all four texture kinds the loaders look up:
    normalTexture                     -> normal map
    specularGlossinessTexture         -> specular map
    occlusionTexture                  -> height map for parallax (the mesh's
                                         displacement slot)
    diffuseTexture / baseColorTexture -> diffuse map

The textures are drawn with numpy from tileable value noise, so they repeat
without seams: floor tiles with grout in two marbles, ashlar blocks for the
walls, fluted marble for the pillars, a plain limestone for arches, plinths
and pedestals, planks for the crates and a hammered iron for the lantern.
Each material has a diffuse, a normal (from its height field), a specular
and a height map.

Coordinates are authored Z-up (metres); the room file's root node "Room"
turns them into GL's Y-up with a rotation of -90 degrees about X, so an
authored point (x, y, z) ends up at world (x, z, -y).

The room (authored, Z-up): a hall 20 wide (x) and 28 long (y), walls 8 high
and no roof, so the sky shows overhead. The north and south walls each have
three tall arched windows. Two colonnades of four fluted pillars
("Pillar_001".."Pillar_008", x = +-6, y = -9, -3, 3, 9) carry arcades of
flat arches that run from wall to wall; a tie beam crosses the nave at
y = 0, and the lamp "Room_Light" hangs from it at (0, 0, 6.2) in an iron
lantern ("Lantern_Cage" and "Lantern_Glazing", see lantern_cage). Placements:
crates in the north-west corner, two statues on pedestals flanking the
south end of the nave, and at the north end a mirror orb (model-orb_001)
and a glass gem (model-gem_001) on pedestals.

The path markers come from tools/demo_shots.py: empty nodes directly below
"Room", camera paths first, then particle paths; each anchor is followed by
its incoming and then its outgoing handle.
"""

import json
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import system_python  # noqa: E402

system_python.require("numpy", "PIL")

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

import demo_shots  # noqa: E402
from demo_shots import add, length, normalise, scale, sub  # noqa: E402

TEXTURE_SIZE = 512

# --- textures ----------------------------------------------------------------------


def smooth(t):
    return t * t * (3.0 - 2.0 * t)


def tile_noise(size, period, seed):
    """Value noise in 0..1 on a period x period lattice that wraps around the
    size x size image, so the image tiles without a seam."""
    rng = np.random.default_rng(seed)
    lattice = rng.random((period, period))
    coords = np.arange(size) * period / size
    i0 = np.floor(coords).astype(int)
    f = smooth(coords - i0)
    i1 = (i0 + 1) % period
    rows0, rows1 = lattice[i0], lattice[i1]  # along y
    a = rows0[:, i0] * (1 - f)[None, :] + rows0[:, i1] * f[None, :]
    b = rows1[:, i0] * (1 - f)[None, :] + rows1[:, i1] * f[None, :]
    return a * (1 - f)[:, None] + b * f[:, None]


def fbm(size, period, octaves, seed, gain=0.5):
    total, amplitude, norm = np.zeros((size, size)), 1.0, 0.0
    for o in range(octaves):
        total += amplitude * tile_noise(size, period * 2 ** o, seed + 17 * o)
        norm += amplitude
        amplitude *= gain
    return total / norm


def normal_map(height, strength):
    """Tangent-space normals of a wrapping height field (white is high)."""
    dx = (np.roll(height, -1, axis=1) - np.roll(height, 1, axis=1)) * strength
    # Image rows run downwards while texture v runs upwards.
    dy = (np.roll(height, 1, axis=0) - np.roll(height, -1, axis=0)) * strength
    n = np.stack([-dx, -dy, np.ones_like(height)], axis=-1)
    n /= np.linalg.norm(n, axis=-1, keepdims=True)
    return n * 0.5 + 0.5


def marble(size, seed, scale_, turbulence):
    """Veins in 0..1 (1 is a vein) of a marble with the given turbulence."""
    y, x = np.mgrid[0:size, 0:size] / size
    warp = fbm(size, 4, 5, seed)
    wave = np.sin(2 * np.pi * (scale_ * (x + 0.5 * y) + turbulence * warp))
    return (1.0 - np.abs(wave)) ** 6


def distance_to_lines(coord, spacing):
    """Distance in pixels of each coordinate to the nearest multiple of spacing."""
    m = np.mod(coord, spacing)
    return np.minimum(m, spacing - m)


def floor_maps(n):
    """Square tiles of 256 px (half a texture: 1 m on the floor) in two
    alternating marbles, with sunken grout lines."""
    y, x = np.mgrid[0:n, 0:n].astype(float)
    tile = n // 2
    d = np.minimum(distance_to_lines(x + 0.5, tile), distance_to_lines(y + 0.5, tile))
    grout = d < 3.5
    bevel = np.clip((d - 3.5) / 6.0, 0.0, 1.0)
    checker = ((x // tile + y // tile) % 2).astype(bool)
    grain = fbm(n, 16, 4, 11)
    height = np.where(grout, 0.15 + 0.1 * grain, 0.55 + 0.45 * np.sqrt(bevel)) - 0.04 * fbm(n, 32, 3, 12)
    light_veins = marble(n, 13, 3.0, 2.5)
    dark_veins = marble(n, 14, 2.0, 3.0)
    cream = np.array([0.86, 0.80, 0.70]) * (0.9 + 0.1 * grain)[..., None]
    cream = cream * (1 - 0.35 * light_veins[..., None]) + np.array([0.55, 0.48, 0.40]) * 0.35 * light_veins[..., None]
    green = np.array([0.22, 0.28, 0.26]) * (0.85 + 0.3 * grain)[..., None]
    green = green * (1 - 0.6 * dark_veins[..., None]) + np.array([0.75, 0.78, 0.72]) * 0.6 * dark_veins[..., None]
    diffuse = np.where(checker[..., None], green, cream)
    diffuse = np.where(grout[..., None], np.array([0.30, 0.28, 0.25]) * (0.8 + 0.4 * grain)[..., None], diffuse)
    specular = np.where(grout, 0.05, 0.55 + 0.25 * (1 - grain))
    return diffuse, height, specular, 5.0


def wall_maps(n):
    """Ashlar: courses of 128 px (0.5 m) of blocks 256 px (1 m) long, every
    other course shifted by half a block, in a warm sandstone."""
    y, x = np.mgrid[0:n, 0:n].astype(float)
    course = n // 4
    row = (y // course).astype(int)
    shifted = x + np.where(row % 2 == 1, course, 0)
    block = n // 2
    d = np.minimum(distance_to_lines(shifted + 0.5, block), distance_to_lines(y + 0.5, course))
    mortar = d < 3.0
    chamfer = np.clip((d - 3.0) / 8.0, 0.0, 1.0)
    rough = fbm(n, 8, 6, 21)
    height = np.where(mortar, 0.1, 0.45 + 0.35 * chamfer + 0.2 * rough)
    # Each block its own shade.
    block_id = row * 7 + (shifted // block).astype(int) % 2 + (shifted // block).astype(int) * 3
    shade = np.random.default_rng(22).random(64)[block_id % 64]
    base = np.array([0.78, 0.66, 0.50])
    diffuse = base * (0.82 + 0.18 * shade[..., None]) * (0.8 + 0.3 * rough[..., None])
    diffuse = np.where(mortar[..., None], np.array([0.55, 0.50, 0.44]), diffuse)
    specular = np.where(mortar, 0.04, 0.10 + 0.15 * rough)
    return diffuse, height, specular, 4.0


def pillar_maps(n):
    """White marble with four vertical flutes across the texture (the shaft
    wraps it four times: sixteen flutes), flat fillets between them."""
    y, x = np.mgrid[0:n, 0:n].astype(float)
    flute = n / 4
    s = np.mod(x + 0.5, flute) / flute  # 0..1 across one flute and its fillet
    fillet = 0.14
    inside = np.clip((s - fillet / 2) / (1 - fillet), 0.0, 1.0)
    depth = np.sqrt(np.clip(1.0 - (2 * inside - 1) ** 2, 0.0, 1.0))
    depth = np.where((s < fillet / 2) | (s > 1 - fillet / 2), 0.0, depth)
    grain = fbm(n, 8, 5, 31)
    height = 1.0 - 0.85 * depth - 0.03 * grain
    veins = marble(n, 32, 1.5, 2.0)
    diffuse = np.array([0.90, 0.88, 0.84]) * (0.93 + 0.07 * grain)[..., None]
    diffuse = diffuse * (1 - 0.3 * veins[..., None]) + np.array([0.45, 0.45, 0.50]) * 0.3 * veins[..., None]
    # A little darker down in the flutes, where dust and shade gather.
    diffuse *= (1.0 - 0.15 * depth)[..., None]
    specular = 0.7 + 0.2 * (1 - grain) - 0.3 * depth
    return diffuse, height, specular, 4.0


def stone_maps(n):
    """A fine limestone with faint bedding, for arches, plinths and pedestals."""
    y, x = np.mgrid[0:n, 0:n].astype(float)
    rough = fbm(n, 16, 6, 41)
    pits = np.clip((fbm(n, 64, 2, 42) - 0.72) * 6.0, 0.0, 1.0)
    bedding = 0.5 + 0.5 * np.sin(2 * np.pi * (y / n * 6 + 0.6 * fbm(n, 4, 3, 43)))
    height = 0.6 + 0.3 * rough - 0.4 * pits
    diffuse = np.array([0.80, 0.76, 0.68]) * (0.85 + 0.15 * rough + 0.05 * bedding)[..., None]
    diffuse *= (1.0 - 0.3 * pits)[..., None]
    specular = 0.15 + 0.15 * rough
    return diffuse, height, specular, 3.0


def crate_maps(n):
    """One crate face: a frame of boards around four horizontal planks, all
    in grained pine, dark gaps between the boards."""
    y, x = np.mgrid[0:n, 0:n].astype(float)
    frame = 56
    in_frame = (x < frame) | (x >= n - frame) | (y < frame) | (y >= n - frame)
    plank = (n - 2 * frame) / 4
    py = np.mod(y - frame, plank)
    gap = (~in_frame) & ((py < 3) | (py > plank - 3))
    edge = np.minimum.reduce([x, y, n - 1 - x, n - 1 - y])
    frame_gap = in_frame & ((np.abs(edge - frame) < 3) | (edge < 2))
    warp = fbm(n, 4, 4, 51)
    # Grain runs along each board: across x for the planks, along the frame's boards.
    vertical = in_frame & ((x < frame) | (x >= n - frame)) & ~((y < frame) | (y >= n - frame))
    along = np.where(vertical, x, y)
    grain = 0.5 + 0.5 * np.sin(along * 0.9 + 9.0 * warp + 3.0 * np.floor((y - frame) / plank))
    rings = grain ** 3
    wood = np.array([0.70, 0.50, 0.30]) * (0.85 + 0.15 * fbm(n, 16, 3, 52))[..., None]
    diffuse = wood * (1 - 0.35 * rings[..., None])
    diffuse = np.where(in_frame[..., None], diffuse * 0.85, diffuse)
    dark = gap | frame_gap
    diffuse = np.where(dark[..., None], np.array([0.16, 0.10, 0.06]), diffuse)
    height = np.where(dark, 0.0, np.where(in_frame, 1.0, 0.8) - 0.08 * rings)
    specular = np.where(dark, 0.02, 0.12 + 0.08 * (1 - rings))
    return diffuse, height, specular, 5.0


def iron_maps(n):
    """Forged iron for the lantern's cage: near black, hammered, with a
    little rust gathered in the dents. Its bars are a few centimetres
    across, so the texture is small and its pattern coarse."""
    hammer = fbm(n, 8, 4, 61)
    dents = np.clip((0.55 - fbm(n, 16, 2, 62)) * 4.0, 0.0, 1.0)
    rust = np.clip((fbm(n, 8, 3, 63) - 0.55) * 5.0, 0.0, 1.0) * dents
    height = 0.6 + 0.25 * hammer - 0.3 * dents
    iron = np.array([0.10, 0.095, 0.09]) * (0.8 + 0.4 * hammer)[..., None]
    diffuse = iron * (1 - rust[..., None]) + np.array([0.26, 0.13, 0.06]) * rust[..., None]
    specular = 0.35 + 0.2 * hammer - 0.3 * rust
    return diffuse, height, specular, 3.0


def save_rgb(path, rgb, quality=None):
    pixels = np.clip(np.round(rgb * 255.0), 0, 255).astype(np.uint8)
    image = Image.fromarray(pixels, "RGB")
    if path.endswith(".jpg"):
        image.save(path, "JPEG", quality=quality or 92, subsampling=0, optimize=True)
    else:
        image.save(path, "PNG", optimize=True)


def save_grey(path, grey):
    Image.fromarray(np.clip(np.round(grey * 255.0), 0, 255).astype(np.uint8), "L").save(path, "PNG", optimize=True)


MATERIAL_MAPS = {"floor": floor_maps, "wall": wall_maps, "pillar": pillar_maps, "stone": stone_maps,
                 "crate": crate_maps, "iron": iron_maps}
# Smaller than TEXTURE_SIZE where the surfaces are small on screen.
MATERIAL_SIZES = {"iron": 128}


def texture_names(material):
    return {"diffuse": material + "_diffuse.jpg", "normal": material + "_normal.png",
            "specular": material + "_specular.png", "light": material + "_height.png"}


def write_textures(images):
    os.makedirs(images, exist_ok=True)
    for material, maps in MATERIAL_MAPS.items():
        n = MATERIAL_SIZES.get(material, TEXTURE_SIZE)
        diffuse, height, specular, strength = maps(n)
        names = texture_names(material)
        save_rgb(os.path.join(images, names["diffuse"]), diffuse)
        save_rgb(os.path.join(images, names["normal"]), normal_map(height, strength))
        save_grey(os.path.join(images, names["specular"]), specular)
        save_grey(os.path.join(images, names["light"]), np.clip(height, 0.0, 1.0))
    # The lamp: an amber glow, brightest in the middle of each face and
    # falling to about half at the corners, below full so that with the
    # shafts and the bloom on top it still reads as warm lit glass and not
    # as a flat white shape against a bright sky.
    y, x = np.mgrid[0:64, 0:64] / 63.0
    glow = 0.8 - 0.55 * np.hypot(x - 0.5, y - 0.5)
    save_rgb(os.path.join(images, "lamp_diffuse.png"), np.array([1.0, 0.78, 0.45]) * glow[..., None])


# --- meshes ------------------------------------------------------------------


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


class MeshData:
    def __init__(self):
        self.positions, self.normals, self.uvs, self.indices = [], [], [], []

    def vertex(self, p, n, uv):
        self.positions.append(tuple(p))
        self.normals.append(tuple(n))
        self.uvs.append(tuple(uv))
        return len(self.positions) - 1

    def triangle(self, a, b, c):
        """Vertex indices, turned to face along the first vertex's normal."""
        pa, pb, pc = self.positions[a], self.positions[b], self.positions[c]
        if dot(cross(sub(pb, pa), sub(pc, pa)), self.normals[a]) < 0:
            b, c = c, b
        self.indices += [a, b, c]

    def quad(self, corners, normal, uvs):
        """Four corners around the quad (either way round), with their uvs."""
        ids = [self.vertex(p, normal, uv) for p, uv in zip(corners, uvs)]
        self.triangle(ids[0], ids[1], ids[2])
        self.triangle(ids[0], ids[2], ids[3])

    def planar_quad(self, corners, normal, u_axis, v_axis, uv_per_metre):
        uvs = [(dot(p, u_axis) * uv_per_metre, dot(p, v_axis) * uv_per_metre) for p in corners]
        self.quad(corners, normal, uvs)

    def extend(self, other):
        base = len(self.positions)
        self.positions += other.positions
        self.normals += other.normals
        self.uvs += other.uvs
        self.indices += [i + base for i in other.indices]
        return self

    def triangles(self):
        return len(self.indices) // 3


# Texture axes per face normal: u and v span the face, as a viewer facing it sees them.
FACE_AXES = {
    (1, 0, 0): ((0, 1, 0), (0, 0, 1)), (-1, 0, 0): ((0, -1, 0), (0, 0, 1)),
    (0, 1, 0): ((-1, 0, 0), (0, 0, 1)), (0, -1, 0): ((1, 0, 0), (0, 0, 1)),
    (0, 0, 1): ((1, 0, 0), (0, 1, 0)), (0, 0, -1): ((-1, 0, 0), (0, 1, 0)),
}


def box(lo, hi, uv_per_metre=None, inward=False, skip=()):
    """Axis-aligned box from corner lo to corner hi. With uv_per_metre the
    textures are laid on by position (neighbouring boxes continue each
    other's pattern); without, each face shows the whole texture once."""
    m = MeshData()
    for normal, (u, v) in FACE_AXES.items():
        if normal in skip:
            continue
        axis = [i for i in range(3) if normal[i] != 0][0]
        others = [i for i in range(3) if i != axis]
        fixed = hi[axis] if normal[axis] > 0 else lo[axis]
        corners = []
        for a, b in [(0, 0), (1, 0), (1, 1), (0, 1)]:
            p = [0.0, 0.0, 0.0]
            p[axis] = fixed
            p[others[0]] = (lo, hi)[a][others[0]]
            p[others[1]] = (lo, hi)[b][others[1]]
            corners.append(tuple(p))
        n = scale(normal, -1) if inward else normal
        if uv_per_metre is not None:
            m.planar_quad(corners, n, u, v, uv_per_metre)
        else:
            uvs = [(dot(sub(p, lo), u) / max(1e-9, abs(dot(sub(hi, lo), u))) % 1.0001,
                    dot(sub(p, lo), v) / max(1e-9, abs(dot(sub(hi, lo), v))) % 1.0001) for p in corners]
            uvs = [(abs(a), abs(b)) for a, b in uvs]
            m.quad(corners, n, uvs)
    return m


def centred_box(sx, sy, sz, centre=(0, 0, 0), **kwargs):
    h = (sx / 2, sy / 2, sz / 2)
    return box(sub(centre, h), add(centre, h), **kwargs)


def shaft(radius, z0, z1, segments, flute_wraps, u_offset, v_per_metre):
    """An open upright cylinder; u wraps the texture flute_wraps times around it."""
    m = MeshData()
    rows = 4
    for r in range(rows + 1):
        z = z0 + (z1 - z0) * r / rows
        for s in range(segments + 1):
            a = 2 * math.pi * s / segments
            n = (math.cos(a), math.sin(a), 0.0)
            m.vertex((radius * n[0], radius * n[1], z), n, (u_offset + flute_wraps * s / segments, z * v_per_metre))
    for r in range(rows):
        for s in range(segments):
            a = r * (segments + 1) + s
            b = a + segments + 1
            m.triangle(a, a + 1, b + 1)
            m.triangle(a, b + 1, b)
    return m


def sphere(radius, rings=12, segments=16, centre=(0, 0, 0)):
    m = MeshData()
    for r in range(rings + 1):
        theta = math.pi * r / rings
        for s in range(segments + 1):
            phi = 2 * math.pi * s / segments
            n = (math.sin(theta) * math.cos(phi), math.sin(theta) * math.sin(phi), math.cos(theta))
            m.vertex(add(centre, scale(n, radius)), n, (s / segments, r / rings))
    for r in range(rings):
        for s in range(segments):
            a = r * (segments + 1) + s
            b = a + segments + 1
            if r > 0:
                m.triangle(a, b, a + 1)
            if r < rings - 1:
                m.triangle(a + 1, b, b + 1)
    return m


def gem(radius, centre, sides=16):
    """A round brilliant standing on its point: a flat table on top, a crown
    of kite-shaped facets down to a thin girdle, and a pavilion narrowing to
    the point. Every facet is flat (its own normal at its corners), so each
    one bends the room behind it its own way and the stone sparkles instead
    of blurring like a lens.

    Heights are in radii, the point at the bottom of what the old egg
    occupied, so the stone sits on its pedestal as before."""
    def ring(r, z, turn):
        return [add(centre, (r * radius * math.cos(2 * math.pi * (i + turn) / sides),
                             r * radius * math.sin(2 * math.pi * (i + turn) / sides), z * radius))
                for i in range(sides)]

    table = ring(0.55, 0.62, 0.0)
    crown = ring(0.84, 0.38, 0.5)
    girdle_top = ring(1.0, 0.16, 0.0)
    girdle_bottom = ring(1.0, 0.10, 0.0)
    pavilion = ring(0.55, -0.55, 0.5)
    culet = add(centre, (0.0, 0.0, -1.25 * radius))
    top = add(centre, (0.0, 0.0, 0.62 * radius))
    m = MeshData()

    def facet(*corners):
        n = normalise(cross(sub(corners[1], corners[0]), sub(corners[2], corners[0])))
        middle = scale(add(add(corners[0], corners[1]), corners[2]), 1.0 / 3.0)
        if dot(n, sub(middle, centre)) < 0:
            n = scale(n, -1)
            corners = corners[::-1]
        m.triangle(*[m.vertex(c, n, (0.5, 0.5)) for c in corners])

    for i in range(sides):
        j = (i + 1) % sides
        facet(top, table[i], table[j])
        # Crown: a star facet between the table's edge and the crown ring,
        # then two halves down to the girdle, meeting at the crown's corners.
        facet(table[i], table[j], crown[i])
        facet(table[j], crown[j], crown[i])
        facet(crown[i], crown[j], girdle_top[j])
        facet(girdle_top[i], crown[i], girdle_top[j])
        facet(girdle_top[i], girdle_top[j], girdle_bottom[j])
        facet(girdle_top[i], girdle_bottom[j], girdle_bottom[i])
        # Pavilion: the same down to its ring, then long facets to the point.
        facet(girdle_bottom[i], girdle_bottom[j], pavilion[i])
        facet(girdle_bottom[j], pavilion[j], pavilion[i])
        facet(pavilion[i], pavilion[j], culet)
    return m


def torus_knot(p, q, radius, tube, centre, segments=180, sides=10, uv_per_metre=1.0):
    """A (p, q) torus knot swept by a circle: the statues' sculpture."""
    def point(t):
        r = radius * (0.6 + 0.4 * math.cos(q * t))
        return (r * math.cos(p * t), r * math.sin(p * t), radius * 0.55 * math.sin(q * t))
    m = MeshData()
    for i in range(segments + 1):
        t = 2 * math.pi * i / segments
        c = point(t)
        ahead = normalise(sub(point(t + 1e-3), point(t - 1e-3)))
        side = normalise(cross(ahead, (0, 0, 1)))
        up = cross(side, ahead)
        for j in range(sides + 1):
            a = 2 * math.pi * j / sides
            n = add(scale(side, math.cos(a)), scale(up, math.sin(a)))
            m.vertex(add(centre, add(c, scale(n, tube))), n, (i / segments * 8, j / sides))
    for i in range(segments):
        for j in range(sides):
            a = i * (sides + 1) + j
            b = a + sides + 1
            m.triangle(a, b, b + 1)
            m.triangle(a, b + 1, a + 1)
    return m


def arch_panel(origin, along, depth, half_width, z_spring, rise, z_top, thickness, uv_per_metre, uv_origin=0.0,
               steps=14, sides=True):
    """The solid above an arch: a slab from z_spring to z_top, half_width to
    either side of origin along `along` and `thickness` deep along `depth`,
    with a half-ellipse of the given rise cut from its underside. The face
    at depth 0 looks along -depth, the other along +depth; their textures
    run along `along` from uv_origin at origin, as a box's faces would."""
    up = (0.0, 0.0, 1.0)
    front_normal = scale(depth, -1)

    def at(u, z, d):
        return add(add(origin, scale(along, u)), add(scale(up, z), scale(depth, d)))

    corner_angles = [math.atan2(z_top - z_spring, half_width), math.atan2(z_top - z_spring, -half_width)]
    angles = sorted(set([math.pi * i / steps for i in range(steps + 1)] + corner_angles))
    inner, outer = [], []
    for a in angles:
        ca, sa = math.cos(a), math.sin(a)
        inner.append((half_width * ca, z_spring + rise * sa))
        reach = []
        if abs(ca) > 1e-9:
            reach.append(half_width / abs(ca))
        if sa > 1e-9:
            reach.append((z_top - z_spring) / sa)
        t = min(reach)
        outer.append((max(-half_width, min(half_width, t * ca)), min(z_top, z_spring + t * sa)))
    m = MeshData()
    for d, normal in [(0.0, front_normal), (thickness, depth)]:
        for i in range(len(angles) - 1):
            corners = [at(*inner[i], d), at(*outer[i], d), at(*outer[i + 1], d), at(*inner[i + 1], d)]
            uvs = [((u + uv_origin) * uv_per_metre * (1 if d == 0 else -1), z * uv_per_metre)
                   for u, z in [inner[i], outer[i], outer[i + 1], inner[i + 1]]]
            m.quad(corners, normal, uvs)
    # The arch's underside, facing down into the opening.
    run = 0.0
    for i in range(len(angles) - 1):
        (u0, z0), (u1, z1) = inner[i], inner[i + 1]
        step = math.hypot(u1 - u0, z1 - z0)
        mid = ((u0 + u1) / 2, (z0 + z1 - 2 * z_spring) / 2)
        n = normalise(add(scale(along, -mid[0] / half_width ** 2), scale(up, -mid[1] / rise ** 2)))
        corners = [at(u0, z0, 0.0), at(u0, z0, thickness), at(u1, z1, thickness), at(u1, z1, 0.0)]
        uvs = [(run * uv_per_metre, 0.0), (run * uv_per_metre, thickness * uv_per_metre),
               ((run + step) * uv_per_metre, thickness * uv_per_metre), ((run + step) * uv_per_metre, 0.0)]
        m.quad(corners, n, uvs)
        run += step
    top = [at(-half_width, z_top, 0), at(half_width, z_top, 0), at(half_width, z_top, thickness),
           at(-half_width, z_top, thickness)]
    m.quad(top, up, [(0, 0), (2 * half_width * uv_per_metre, 0), (2 * half_width * uv_per_metre,
                                                                   thickness * uv_per_metre),
                     (0, thickness * uv_per_metre)])
    if sides:
        for sign in (-1, 1):
            corners = [at(sign * half_width, z_spring, 0), at(sign * half_width, z_top, 0),
                       at(sign * half_width, z_top, thickness), at(sign * half_width, z_spring, thickness)]
            m.quad(corners, scale(along, sign), [(0, z_spring * uv_per_metre), (0, z_top * uv_per_metre),
                                                 (thickness * uv_per_metre, z_top * uv_per_metre),
                                                 (thickness * uv_per_metre, z_spring * uv_per_metre)])
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


# --- the room ----------------------------------------------------------------------

HALF_X, HALF_Y = 10.0, 14.0  # inner faces of the walls
WALL_HEIGHT, WALL_THICKNESS = 8.0, 0.6
WINDOW_XS, WINDOW_HALF_WIDTH = (-5.0, 0.0, 5.0), 1.3
SILL, SPRING = 1.2, 5.2
PILLAR_XS, PILLAR_YS = (-6.0, 6.0), (-9.0, -3.0, 3.0, 9.0)
PILLAR_RADIUS, CAPITAL_TOP = 0.42, 5.55
ARCADE_THICKNESS = 0.7
LAMP_AT = demo_shots.LAMP
WALL_UV = STONE_UV = 0.5  # one texture per 2 m


def end_wall(y_inner, outward):
    """The north (outward = +1) or south (-1) wall with its three arched windows."""
    y_outer = y_inner + outward * WALL_THICKNESS
    ylo, yhi = min(y_inner, y_outer), max(y_inner, y_outer)
    m = MeshData()
    edges = [-HALF_X]
    for x in WINDOW_XS:
        edges += [x - WINDOW_HALF_WIDTH, x + WINDOW_HALF_WIDTH]
    edges.append(HALF_X)
    for x0, x1 in zip(edges[0::2], edges[1::2]):
        m.extend(box((x0, ylo, 0.0), (x1, yhi, WALL_HEIGHT), uv_per_metre=WALL_UV))
    # Looking out, the texture runs the way the piers' faces run it.
    along = (-outward, 0.0, 0.0) if outward < 0 else (1.0, 0.0, 0.0)
    for x in WINDOW_XS:
        m.extend(box((x - WINDOW_HALF_WIDTH, ylo, 0.0), (x + WINDOW_HALF_WIDTH, yhi, SILL), uv_per_metre=WALL_UV))
        m.extend(arch_panel((x, y_inner, 0.0), along, (0.0, outward, 0.0), WINDOW_HALF_WIDTH, SPRING,
                            WINDOW_HALF_WIDTH, WALL_HEIGHT, WALL_THICKNESS, WALL_UV,
                            uv_origin=x * along[0], sides=False))
    return m


def arcade(x_pillars):
    """Flat arches from wall to wall over one colonnade, springing from the capitals."""
    side = 1.0 if x_pillars > 0 else -1.0
    face = x_pillars - side * ARCADE_THICKNESS / 2
    m = MeshData()
    spans = [-HALF_Y] + list(PILLAR_YS) + [HALF_Y]
    for y0, y1 in zip(spans, spans[1:]):
        half = (y1 - y0) / 2
        centre = (y0 + y1) / 2
        along = (0.0, side, 0.0)
        m.extend(arch_panel((face, centre, 0.0), along, (side, 0.0, 0.0), half, CAPITAL_TOP, half * 0.5,
                            WALL_HEIGHT, ARCADE_THICKNESS, STONE_UV, uv_origin=centre * side, sides=False))
    return m


def plinth_and_capital():
    m = MeshData()
    for size, z0, z1 in [(1.1, 0.0, 0.35), (0.95, 0.35, 0.5), (0.95, 5.15, 5.35), (1.15, 5.35, CAPITAL_TOP)]:
        m.extend(box((-size / 2, -size / 2, z0), (size / 2, size / 2, z1), uv_per_metre=STONE_UV))
    return m


def lantern():
    """An upright octahedron around the node's origin, flat-shaded."""
    tips = [(0, 0, 0.45), (0, 0, -0.45)]
    ring = [(0.3, 0, 0), (0, 0.3, 0), (-0.3, 0, 0), (0, -0.3, 0)]
    m = MeshData()
    for tip in tips:
        for i in range(4):
            a, b = ring[i], ring[(i + 1) % 4]
            n = normalise(cross(sub(a, tip), sub(b, tip)))
            if dot(n, add(add(a, b), tip)) < 0:
                n = scale(n, -1)
            ids = [m.vertex(tip, n, (0.5, 1.0)), m.vertex(a, n, (0.0, 0.0)), m.vertex(b, n, (1.0, 0.0))]
            m.triangle(*ids)
    return m


def bar(a, b, width, across, uv_per_metre):
    """A square bar from point a to point b, width on a side, capped at both
    ends; across (any direction not along the bar) turns two of its faces
    to face that way."""
    along = normalise(sub(b, a))
    u = normalise(cross(along, across))
    v = cross(u, along)
    h = width / 2
    m = MeshData()
    run = length(sub(b, a)) * uv_per_metre
    for n, t in [(u, v), (v, u), (scale(u, -1), v), (scale(v, -1), u)]:
        side = scale(n, h)
        corners = [add(add(a, side), scale(t, -h)), add(add(a, side), scale(t, h)),
                   add(add(b, side), scale(t, h)), add(add(b, side), scale(t, -h))]
        m.quad(corners, n, [(0.0, 0.0), (width * uv_per_metre, 0.0), (width * uv_per_metre, run), (0.0, run)])
    for end, n in [(a, scale(along, -1)), (b, along)]:
        corners = [add(end, add(scale(u, su * h), scale(v, sv * h))) for su, sv in [(-1, -1), (1, -1), (1, 1), (-1, 1)]]
        m.quad(corners, n, [(0.0, 0.0), (width * uv_per_metre, 0.0), (width * uv_per_metre, width * uv_per_metre),
                            (0.0, width * uv_per_metre)])
    return m


# The lantern around the lamp (authored around the lamp's centre): an iron
# cage of four corner posts, a head rail and a roof of ribs up to a collar
# on the hanging rod ("Lantern_Cage"), and in each of its four faces a star
# of glazing bars, upright, level and two diagonals, all crossing at the
# lamp's height ("Lantern_Glazing"). Seen face on, a face's star lies on
# lines through the lamp on screen, and the god rays' march runs along
# exactly such lines: the star cuts the lamp's glow into eight beams. The
# lantern is turned so that a face looks down the diagonal of the hall,
# towards the south-west corner the lamp shot watches from. The bottom
# stays open: a foot frame would ring the floor under the lamp with a band
# of shadow.
CAGE_HALF, CAGE_TURN = 0.45, 45.0
CAGE_FOOT, CAGE_HEAD, CAGE_APEX = -0.6, 0.55, 0.85
POST_WIDTH, BAR_WIDTH, COLLAR = 0.08, 0.06, 0.06
IRON_UV = 4.0


def lantern_turned(x, y, z):
    turn = math.radians(CAGE_TURN)
    return (math.cos(turn) * x - math.sin(turn) * y, math.sin(turn) * x + math.cos(turn) * y, z)


CAGE_CORNERS = [(CAGE_HALF, CAGE_HALF), (-CAGE_HALF, CAGE_HALF), (-CAGE_HALF, -CAGE_HALF), (CAGE_HALF, -CAGE_HALF)]


def lantern_cage():
    at = lantern_turned
    up = (0.0, 0.0, 1.0)
    m = MeshData()
    for i, (x, y) in enumerate(CAGE_CORNERS):
        nx, ny = CAGE_CORNERS[(i + 1) % 4]
        m.extend(bar(at(x, y, CAGE_FOOT - 0.05), at(x, y, CAGE_HEAD), POST_WIDTH, at(x, y, 0.0), IRON_UV))
        # The head rail runs on past the posts to close the corners.
        along = normalise(at(nx - x, ny - y, 0.0))
        m.extend(bar(add(at(x, y, CAGE_HEAD), scale(along, -POST_WIDTH / 2)),
                     add(at(nx, ny, CAGE_HEAD), scale(along, POST_WIDTH / 2)), BAR_WIDTH, up, IRON_UV))
        outward = normalise(at(x, y, 0.0))
        m.extend(bar(at(x, y, CAGE_HEAD), add(scale(outward, COLLAR), (0.0, 0.0, CAGE_APEX)), BAR_WIDTH * 0.8,
                     (-outward[1], outward[0], 0.0), IRON_UV))
    m.extend(box((-COLLAR, -COLLAR, CAGE_APEX - 0.04), (COLLAR, COLLAR, CAGE_APEX + 0.06), uv_per_metre=IRON_UV))
    return m


def lantern_glazing():
    """The glazing stars in the lantern's faces, set a little inside the posts."""
    at = lantern_turned
    m = MeshData()
    for i, (x, y) in enumerate(CAGE_CORNERS):
        nx, ny = CAGE_CORNERS[(i + 1) % 4]
        outward = normalise(at(x + nx, y + ny, 0.0))
        inset = scale(outward, -0.01)
        mx, my = (x + nx) / 2, (y + ny) / 2
        m.extend(bar(add(at(mx, my, CAGE_FOOT), inset), add(at(mx, my, CAGE_HEAD), inset), BAR_WIDTH, outward,
                     IRON_UV))
        m.extend(bar(add(at(x, y, 0.0), inset), add(at(nx, ny, 0.0), inset), BAR_WIDTH, (0.0, 0.0, 1.0), IRON_UV))
        for z0 in (-CAGE_HALF, CAGE_HALF):
            m.extend(bar(add(at(x, y, z0), inset), add(at(nx, ny, -z0), inset), BAR_WIDTH, outward, IRON_UV))
    return m


def material_of(g, name, maps):
    names = texture_names(maps)
    return g.material(name, diffuse=names["diffuse"], normal=names["normal"], specular=names["specular"],
                      light=names["light"])


def room(folder):
    g = Gltf("room")
    root = g.node("Room", rotation=quaternion_about((1, 0, 0), -90))
    floor = material_of(g, "Floor", "floor")
    wall = material_of(g, "Wall", "wall")
    marble = material_of(g, "Marble", "pillar")
    stone = material_of(g, "Stone", "stone")
    lamp = g.material("Lamp", diffuse="lamp_diffuse.png")
    sky = g.material("Sky")
    counts = {}

    def place(name, data, material, translation=None, rotation=None):
        counts[name] = data.triangles()
        g.node(name, g.mesh(name, data, material), translation, rotation, parent=root)

    place("Floor", box((-HALF_X - WALL_THICKNESS, -HALF_Y - WALL_THICKNESS, -0.2),
                       (HALF_X + WALL_THICKNESS, HALF_Y + WALL_THICKNESS, 0.0), uv_per_metre=WALL_UV), floor)
    place("Wall_North", end_wall(HALF_Y, 1.0), wall)
    place("Wall_South", end_wall(-HALF_Y, -1.0), wall)
    outer_y = HALF_Y + WALL_THICKNESS
    place("Wall_East", box((HALF_X, -outer_y, 0.0), (HALF_X + WALL_THICKNESS, outer_y, WALL_HEIGHT),
                           uv_per_metre=WALL_UV), wall)
    place("Wall_West", box((-HALF_X - WALL_THICKNESS, -outer_y, 0.0), (-HALF_X, outer_y, WALL_HEIGHT),
                           uv_per_metre=WALL_UV), wall)
    cornice = MeshData()
    for lo, hi in [((HALF_X - 0.3, -HALF_Y, 7.6), (HALF_X, HALF_Y, WALL_HEIGHT)),
                   ((-HALF_X, -HALF_Y, 7.6), (-HALF_X + 0.3, HALF_Y, WALL_HEIGHT)),
                   ((-HALF_X + 0.3, HALF_Y - 0.3, 7.6), (HALF_X - 0.3, HALF_Y, WALL_HEIGHT)),
                   ((-HALF_X + 0.3, -HALF_Y, 7.6), (HALF_X - 0.3, -HALF_Y + 0.3, WALL_HEIGHT))]:
        cornice.extend(box(lo, hi, uv_per_metre=STONE_UV))
    place("Cornice", cornice, stone)
    place("Arcade_East", arcade(PILLAR_XS[1]), stone)
    place("Arcade_West", arcade(PILLAR_XS[0]), stone)
    beam = box((PILLAR_XS[0] + ARCADE_THICKNESS / 2, -0.2, 7.4), (PILLAR_XS[1] - ARCADE_THICKNESS / 2, 0.2, 8.0),
               uv_per_metre=STONE_UV)
    beam.extend(box((-0.03, -0.03, LAMP_AT[2] + 0.4), (0.03, 0.03, 7.4), uv_per_metre=STONE_UV))
    place("Beam", beam, stone)

    # Named as part of the pillars: a shot that hides the pillars hides
    # their plinths and capitals with them.
    plinth = g.mesh("Pillar_Plinth", plinth_and_capital(), stone)
    number = 0
    for x in PILLAR_XS:
        for y in PILLAR_YS:
            number += 1
            # Each shaft's texture starts at its own place round the shaft,
            # which also keeps the importer from merging the eight meshes.
            data = shaft(PILLAR_RADIUS, 0.5, 5.15, 32, 4, 0.0137 * number, 0.5)
            name = "Pillar_%03d" % number
            counts[name] = data.triangles()
            g.node(name, g.mesh(name, data, marble), (x, y, 0.0), parent=root)
            g.node("Plinth_%03d" % number, plinth, (x, y, 0.0), parent=root)
    place("Room_Light", lantern(), lamp, LAMP_AT)
    iron = material_of(g, "Iron", "iron")
    place("Lantern_Cage", lantern_cage(), iron, LAMP_AT)
    place("Lantern_Glazing", lantern_glazing(), iron, LAMP_AT)
    place("Skybox", centred_box(400, 400, 400, inward=True), sky)

    # Catalogue placements; the node's own transform places the model.
    placements = [
        ("crate_001", (-8.6, 12.6, 0.5), 10), ("crate_002", (-7.3, 12.9, 0.5), -8),
        ("crate_003", (-8.5, 12.5, 1.5), 35), ("crate_004", (-8.8, 11.2, 0.5), 20),
        ("pedestal_001", (MIRROR_AT[0], MIRROR_AT[1], 0.0), 0), ("pedestal_002", (GLASS_AT[0], GLASS_AT[1], 0.0), 0),
        ("pedestal_003", (-3.5, -11.0, 0.0), 0), ("pedestal_004", (3.5, -11.0, 0.0), 0),
        ("statue_001", (-3.5, -11.0, PEDESTAL_TOP), 0), ("statue_002", (3.5, -11.0, PEDESTAL_TOP), 90),
        ("orb_001", MIRROR_AT, 0), ("glass_001", GLASS_AT, 0),
    ]
    for name, at, degrees in placements:
        g.node("model-" + name, translation=at,
               rotation=quaternion_about((0, 0, 1), degrees) if degrees else None, parent=root)

    for prefix in ("Camera", "Particle"):
        for name, point in demo_shots.markers(prefix):
            g.node(name, translation=point, parent=root)
    g.save(folder)
    return counts


PEDESTAL_TOP = 1.1
MIRROR_AT = demo_shots.MIRROR
GLASS_AT = (demo_shots.GLASS[0], demo_shots.GLASS[1], demo_shots.GLASS[2] + 0.05)


def pedestal():
    m = MeshData()
    for size, z0, z1 in [(1.0, 0.0, 0.15), (0.75, 0.15, 1.0), (0.95, 1.0, PEDESTAL_TOP)]:
        m.extend(box((-size / 2, -size / 2, z0), (size / 2, size / 2, z1), uv_per_metre=STONE_UV * 2))
    return m


def single(folder, file_name, node_name, mesh_name, data, material=None, **textures):
    """A catalogue model: one root node carrying one mesh, identity transform.
    The node name is what clones of the model are called, so it must not
    contain "Camera", "Particle" or "Pillar"."""
    g = Gltf(file_name)
    mat = material_of(g, mesh_name, material) if material else g.material(mesh_name, **textures)
    g.node(node_name, g.mesh(mesh_name, data, mat))
    g.save(folder)
    return data.triangles()


def main():
    demo = sys.argv[1] if len(sys.argv) > 1 else "demo"
    models = os.path.join(demo, "assets", "models")
    os.makedirs(models, exist_ok=True)
    write_textures(os.path.join(demo, "assets", "images"))
    counts = room(models)
    counts["crate"] = single(models, "crate", "Crate", "Crate", box((-0.5, -0.5, -0.5), (0.5, 0.5, 0.5)),
                             material="crate")
    counts["pedestal"] = single(models, "pedestal", "Pedestal", "Pedestal", pedestal(), material="stone")
    counts["statue"] = single(models, "statue", "Statue", "Statue",
                              torus_knot(2, 3, 0.5, 0.12, (0.0, 0.0, 0.55)), material="stone")
    counts["orb"] = single(models, "sphere", "Orb", "Orb", sphere(0.6, 16, 24), colour=(0.9, 0.9, 0.9))
    counts["gem"] = single(models, "gem", "Gem", "Gem", gem(0.5, (0.0, 0.0, 0.0)), colour=(0.9, 0.95, 1.0))
    single(models, "particle", "Spark", "Spark", sphere(0.08, 6, 8), colour=(1.0, 0.9, 0.6))
    # Light volume: the faces, not only the vertices, must reach radius 1,
    # so the vertices sit slightly outside the unit sphere.
    rings, segments = 12, 16
    outer = 1.0 / (math.cos(math.pi / segments) * math.cos(math.pi / (2 * rings)))
    single(models, "bounding_sphere", "BoundingSphere", "BoundingSphere", sphere(outer, rings, segments))
    print("triangles:", ", ".join("%s %d" % item for item in counts.items()))


if __name__ == "__main__":
    main()
