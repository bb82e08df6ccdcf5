#!/usr/bin/env python3
"""Writes the demo's evening sky box as six cube-map faces.

    python3 tools/make_sky.py            (run from the repository root)

Output: demo/assets/images/cubemap/{right,left,top,bottom,back,front}.jpg,
512 x 512 baseline RGB JPEG each. The engine uploads them in that order to
GL_TEXTURE_CUBE_MAP_POSITIVE_X, NEGATIVE_X, POSITIVE_Y, NEGATIVE_Y,
POSITIVE_Z, NEGATIVE_Z, with the first row of each file as the face's t = 0
row (DevIL hands JPEG rows over top first and the engine does not flip them).

World is Y up. Every pixel is coloured from its world direction alone, so
faces meet without seams: a deep blue zenith with the first stars, a warm
hazy horizon, soft clouds in the upper hemisphere, a plain of dry grass in
the evening light below the horizon (the ground the hall stands on, seen
from about its roof) and a setting sun towards normalize(-0.45, 0.07, -0.8),
a few degrees above the horizon in the right part of the front (-Z) face; the
demo room's light openings face that way. The sun is low, large, soft-edged
and orange, as the sunset colours of the haze around it call for.

Needs numpy and Pillow (Debian: python3-numpy, python3-pil).
"""

import os
import sys

import system_python

system_python.require("numpy", "PIL")

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

SIZE = 512
SEED = 20240611
OUT_DIR = os.path.join("demo", "assets", "images", "cubemap")

# The engine's upload order; each entry maps face-local (s', t') in [-1, 1]
# to a world direction, following GL's cube-map face orientation table.
FACES = [
    ("right", lambda s, t: (np.ones_like(s), -t, -s)),
    ("left", lambda s, t: (-np.ones_like(s), -t, s)),
    ("top", lambda s, t: (s, np.ones_like(s), t)),
    ("bottom", lambda s, t: (s, -np.ones_like(s), -t)),
    ("back", lambda s, t: (s, -t, np.ones_like(s))),
    ("front", lambda s, t: (-s, -t, -np.ones_like(s))),
]

SUN_DIR = np.array([-0.45, 0.07, -0.8])
SUN_DIR = SUN_DIR / np.linalg.norm(SUN_DIR)

ZENITH = np.array([0.05, 0.10, 0.30])
MID_SKY = np.array([0.28, 0.38, 0.62])
HORIZON_SUNWARD = np.array([1.00, 0.70, 0.42])
HORIZON_AWAY = np.array([0.80, 0.60, 0.58])
GROUND_HAZE = np.array([0.58, 0.46, 0.40])
GROUND_FIELD = np.array([0.38, 0.33, 0.20])
GROUND_SHADE = np.array([0.17, 0.19, 0.13])
STAR = np.array([0.95, 0.97, 1.00])
STAR_COUNT = 2600
CLOUD_LIT = np.array([1.00, 0.74, 0.52])
CLOUD_DARK = np.array([0.40, 0.33, 0.42])
SUN_GLOW = np.array([1.00, 0.78, 0.50])
SUN_DISC = np.array([1.00, 0.80, 0.52])


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    """Blends colour arrays a and b by t, broadcasting t over the channels."""
    t = np.asarray(t)[..., None]
    return a * (1.0 - t) + b * t


class ValueNoise:
    """2D fractal value noise on a 256-periodic lattice, fixed by its seed."""

    def __init__(self, seed):
        rng = np.random.default_rng(seed)
        self.perm = rng.permutation(256)
        self.values = rng.random(256)

    def _lattice(self, ix, iy):
        return self.values[self.perm[(self.perm[ix & 255] + iy) & 255]]

    def noise(self, x, y):
        fx, fy = np.floor(x), np.floor(y)
        ix, iy = fx.astype(np.int64), fy.astype(np.int64)
        u, v = smoothstep(0.0, 1.0, x - fx), smoothstep(0.0, 1.0, y - fy)
        a, b = self._lattice(ix, iy), self._lattice(ix + 1, iy)
        c, d = self._lattice(ix, iy + 1), self._lattice(ix + 1, iy + 1)
        return (a * (1 - u) + b * u) * (1 - v) + (c * (1 - u) + d * u) * v

    def fbm(self, x, y, octaves):
        total = np.zeros_like(x)
        amplitude, norm = 0.5, 0.0
        # Turning each octave keeps the lattice axes from lining up into
        # visible streaks.
        cos_r, sin_r = np.cos(0.9), np.sin(0.9)
        for i in range(octaves):
            total += amplitude * self.noise(x + 17.3 * i, y - 9.1 * i)
            norm += amplitude
            x, y = 2.03 * (cos_r * x - sin_r * y), 2.03 * (sin_r * x + cos_r * y)
            amplitude *= 0.5
        return total / norm


def face_directions(face_fn, n):
    centres = 2.0 * (np.arange(n) + 0.5) / n - 1.0
    s, t = np.meshgrid(centres, centres)  # t varies down the rows
    d = np.stack(face_fn(s, t), axis=-1)
    return d / np.linalg.norm(d, axis=-1, keepdims=True)


def star_field(face, n, seed):
    """Star brightness over one face's texels: fixed random directions over
    the sphere, each splatted as a small soft dot on the face GL picks for it."""
    rng = np.random.default_rng(seed)
    d = rng.normal(size=(STAR_COUNT, 3))
    d /= np.linalg.norm(d, axis=-1, keepdims=True)
    brightness = 0.25 + 0.75 * rng.random(STAR_COUNT) ** 6
    field = np.zeros((n, n))
    ax, ay, az = np.abs(d[:, 0]), np.abs(d[:, 1]), np.abs(d[:, 2])
    x, y, z = d[:, 0], d[:, 1], d[:, 2]
    hit = np.where((ax >= ay) & (ax >= az), np.where(x > 0, 0, 1),
                   np.where(ay >= az, np.where(y > 0, 2, 3), np.where(z > 0, 4, 5)))
    ma = np.choose(hit, [ax, ax, ay, ay, az, az])
    sc = np.choose(hit, [-z, z, x, x, x, -x])
    tc = np.choose(hit, [-y, -y, z, -z, -y, -y])
    cols = (sc / ma + 1.0) * 0.5 * n - 0.5
    rows = (tc / ma + 1.0) * 0.5 * n - 0.5
    for row, col, b in zip(rows[hit == face], cols[hit == face], brightness[hit == face]):
        r0, c0 = int(np.floor(row)), int(np.floor(col))
        for dr in (-1, 0, 1, 2):
            for dc in (-1, 0, 1, 2):
                r, c = r0 + dr, c0 + dc
                if 0 <= r < n and 0 <= c < n:
                    field[r, c] += b * np.exp(-((r - row) ** 2 + (c - col) ** 2) / 0.55)
    return np.clip(field, 0.0, 1.0)


def sky_colour(d, clouds, ground, stars=None):
    """Colours unit directions d (..., 3); returns display values in [0, 1]."""
    x, y, z = d[..., 0], d[..., 1], d[..., 2]
    cos_sun = np.clip(d @ SUN_DIR, -1.0, 1.0)
    sun_angle = np.arccos(cos_sun)
    up = np.maximum(y, 0.0)

    # The haze warms on the sun's side of the horizon and cools opposite it.
    sunward = 0.5 + 0.5 * cos_sun
    horizon = mix(HORIZON_AWAY, HORIZON_SUNWARD, sunward ** 1.5)
    upper = mix(MID_SKY, ZENITH, smoothstep(0.05, 0.95, up) ** 0.8)
    sky = mix(upper, horizon, np.exp(-up / 0.22))

    # Clouds sit on a flat layer overhead: projecting onto it makes them
    # shrink and crowd towards the horizon the way real ones do.
    lift = y + 0.12
    safe_lift = np.where(lift > 0.02, lift, 0.02)
    cx, cz = 1.3 * x / safe_lift, 2.2 * z / safe_lift
    density = clouds.fbm(cx, cz, 6)
    cover = smoothstep(0.48, 0.72, density)
    # Far off the layer's texture is finer than a pixel; fading it there
    # avoids shimmer and leaves the horizon haze clean.
    cover *= smoothstep(0.03, 0.30, y)
    # The sun burns a clear gap in the layer so its disc reads as the sun
    # and not as a half-covered moon.
    cover *= 0.25 + 0.75 * smoothstep(0.06, 0.25, sun_angle)
    lit = np.exp(-sun_angle / 0.7)
    cloud = mix(CLOUD_DARK, CLOUD_LIT, 0.25 + 0.75 * lit)
    cloud = mix(cloud, CLOUD_DARK * 0.8, smoothstep(0.62, 0.95, density))
    sky = mix(sky, cloud, 0.85 * cover)

    halo = 0.55 * np.exp(-sun_angle / 0.07) + 0.30 * np.exp(-sun_angle / 0.30)
    sky = sky + SUN_GLOW * (halo * (1.0 - 0.5 * cover))[..., None]
    # Seen through the haze a setting sun is larger and has no hard rim.
    disc = smoothstep(0.060, 0.036, sun_angle) * (1.0 - 0.4 * cover)
    sky = mix(sky, SUN_DISC, disc)

    if stars is not None:
        # The first stars: high up, away from the sun, between the clouds.
        shows = smoothstep(0.22, 0.65, y) * (1.0 - cover) * smoothstep(0.6, 1.4, sun_angle)
        sky = sky + STAR * (1.5 * stars * shows)[..., None]

    # A plain seen from about ten metres up: the texture is projected onto a
    # ground plane, so fields shrink towards the horizon, and it is lit low
    # from the sun's side.
    down = np.maximum(-y, 0.0)
    gx, gz = x / (down + 0.02), z / (down + 0.02)
    fields = ground.fbm(0.35 * gx, 0.35 * gz, 5)
    grain = ground.fbm(4.0 * gx + 31.0, 4.0 * gz - 7.0, 3)
    land = mix(GROUND_SHADE, GROUND_FIELD, smoothstep(0.35, 0.65, fields))
    land = land * (0.85 + 0.3 * grain)[..., None]
    land = mix(land, GROUND_HAZE, np.exp(-down / 0.06))
    land = land + SUN_GLOW * (0.10 * np.exp(-sun_angle / 0.6))[..., None]

    colour = mix(land, sky, smoothstep(-0.025, 0.01, y))
    return np.clip(colour, 0.0, 1.0)


def to_bytes(colour):
    return np.round(colour * 255.0).astype(np.uint8)


def lookup(faces, d):
    """Nearest-texel cube-map fetch of directions d, as GL selects faces.

    Returns the colours and the index of the face each direction hit."""
    ax, ay, az = np.abs(d[..., 0]), np.abs(d[..., 1]), np.abs(d[..., 2])
    x, y, z = d[..., 0], d[..., 1], d[..., 2]
    face = np.where(
        (ax >= ay) & (ax >= az),
        np.where(x > 0, 0, 1),
        np.where(ay >= az, np.where(y > 0, 2, 3), np.where(z > 0, 4, 5)),
    )
    ma = np.choose(face, [ax, ax, ay, ay, az, az])
    sc = np.choose(face, [-z, z, x, x, x, -x])
    tc = np.choose(face, [-y, -y, z, -z, -y, -y])
    n = faces[0].shape[0]
    col = np.clip(((sc / ma + 1.0) * 0.5 * n).astype(np.int64), 0, n - 1)
    row = np.clip(((tc / ma + 1.0) * 0.5 * n).astype(np.int64), 0, n - 1)
    stack = np.stack(faces)
    return stack[face, row, col].astype(np.float64), face


def check_seams(faces):
    """Compares each edge texel with the texel just across the edge.

    The fetch across the edge goes through GL's face selection, so a face
    written in the wrong orientation shows up as a large difference."""
    n = faces[0].shape[0]
    idx = np.arange(n)
    centres = 2.0 * (idx + 0.5) / n - 1.0
    beyond = 1.0 + 1.0 / n  # the centre of the texel row just off the face
    edge_diffs = []
    for f, (_, fn) in enumerate(FACES):
        for s, t, rows, cols in (
            (centres, np.full(n, -beyond), np.zeros(n, int), idx),
            (centres, np.full(n, beyond), np.full(n, n - 1), idx),
            (np.full(n, -beyond), centres, idx, np.zeros(n, int)),
            (np.full(n, beyond), centres, idx, np.full(n, n - 1)),
        ):
            d = np.stack(fn(s, t), axis=-1)
            d /= np.linalg.norm(d, axis=-1, keepdims=True)
            across, hit = lookup(faces, d)
            assert np.all(hit != f), "a step off the face landed on the same face"
            own = faces[f][rows, cols].astype(np.float64)
            edge_diffs.append(np.abs(across - own).max(axis=-1))
    edge = np.concatenate(edge_diffs)
    inner = np.concatenate(
        [np.abs(np.diff(img.astype(np.float64), axis=a)).max(axis=-1).ravel() for img in faces for a in (0, 1)]
    )
    print(
        "seams: edge neighbour diff mean %.2f p99 %.1f max %.0f; "
        "inside faces mean %.2f p99 %.1f max %.0f"
        % (edge.mean(), np.percentile(edge, 99), edge.max(), inner.mean(), np.percentile(inner, 99), inner.max())
    )
    # Across a true seam, neighbours differ about as much as neighbours
    # inside a face; a flipped or swapped face gives tens of levels.
    assert edge.mean() < inner.mean() + 2.0, "faces do not meet smoothly"
    assert np.percentile(edge, 99) < max(12.0, 2.0 * np.percentile(inner, 99)), "faces do not meet smoothly"


def check_sun(faces):
    front = faces[5].astype(np.float64).sum(axis=-1)
    rows, cols = np.nonzero(front >= 0.92 * front.max())
    n = faces[5].shape[0]
    # Where GL's -Z face puts the sun direction: s' = -x/|z|, t' = -y/|z|.
    want_col = (-SUN_DIR[0] / abs(SUN_DIR[2]) + 1.0) * 0.5 * n - 0.5
    want_row = (-SUN_DIR[1] / abs(SUN_DIR[2]) + 1.0) * 0.5 * n - 0.5
    print(
        "sun: brightest front texels centred at row %.1f col %.1f (expected %.1f, %.1f)"
        % (rows.mean(), cols.mean(), want_row, want_col)
    )
    # Texels shrink towards a face's edges, so a disc off the face's centre
    # spreads over more of them on its outer side: its centroid moves out
    # by a few texels.
    assert abs(rows.mean() - want_row) < 4 and abs(cols.mean() - want_col) < 4, "sun is off its direction"
    assert 300 < rows.size < 4000, "the sun disc has the wrong size"


def write_preview(faces, path, cell=256):
    """A cross as seen from inside: front in the middle, turning right along
    the middle row, top above and bottom below the front."""
    centres = 2.0 * (np.arange(cell) + 0.5) / cell - 1.0
    u, v = np.meshgrid(centres, centres)  # u rightwards, v downwards
    one = np.ones_like(u)
    views = {
        (1, 0): (-one, -v, -u),  # left (-X)
        (1, 1): (u, -v, -one),  # front (-Z)
        (1, 2): (one, -v, u),  # right (+X)
        (1, 3): (-u, -v, one),  # back (+Z)
        (0, 1): (u, one, -v),  # top (+Y)
        (2, 1): (u, -one, v),  # bottom (-Y)
    }
    canvas = np.full((3 * cell, 4 * cell, 3), 40, np.uint8)
    for (r, c), comps in views.items():
        d = np.stack(comps, axis=-1)
        d /= np.linalg.norm(d, axis=-1, keepdims=True)
        colours, _ = lookup(faces, d)
        canvas[r * cell:(r + 1) * cell, c * cell:(c + 1) * cell] = colours.astype(np.uint8)
    Image.fromarray(canvas, "RGB").save(path)
    print("preview:", path)


def main():
    clouds, ground = ValueNoise(SEED), ValueNoise(SEED + 1)
    os.makedirs(OUT_DIR, exist_ok=True)
    written = []
    for index, (name, fn) in enumerate(FACES):
        stars = star_field(index, SIZE, SEED + 2)
        pixels = to_bytes(sky_colour(face_directions(fn, SIZE), clouds, ground, stars))
        assert pixels.shape == (SIZE, SIZE, 3)
        path = os.path.join(OUT_DIR, name + ".jpg")
        # 4:4:4 keeps the sun's rim and cloud edges free of colour fringes.
        Image.fromarray(pixels, "RGB").save(path, "JPEG", quality=90, subsampling=0, progressive=False)
        written.append(path)

    # The checks read the files back, so they judge what ships, JPEG loss
    # included.
    faces = []
    for path in written:
        with Image.open(path) as img:
            assert img.format == "JPEG" and img.mode == "RGB" and img.size == (SIZE, SIZE), path
            faces.append(np.asarray(img))
        print("wrote", path)
    if "--preview" in sys.argv:
        write_preview(faces, sys.argv[sys.argv.index("--preview") + 1])
    check_seams(faces)
    check_sun(faces)


if __name__ == "__main__":
    main()
