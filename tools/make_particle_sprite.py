#!/usr/bin/env python3
"""Writes the demo's animated particle glow as a sprite atlas.

    python3 tools/make_particle_sprite.py      (run from the repository root)

Output: demo/assets/images/particle_sprite.tif, uncompressed RGBA 8-bit TIFF.

Atlas layout: 90 frames in a grid of 10 columns x 9 rows of square 64 x 64
cells, 640 x 576 pixels in all, RGBA 8-bit. Frame f (0..89) sits in column
f % 10 and row f / 10 (integer division), with row 0 at the TOP of the image
file (the file's first row of pixels).

Each frame is a white-hot core fading to transparent through a slightly warm
halo, crossed by thin rotating rays; the core radius pulses once per cycle.
Every moving part completes a whole number of periods in 90 frames, so frame
89 flows into frame 0. Colour is kept neutral so the shader can tint it.
Alpha is the glow and is zero for the outer 4 pixels of every cell, so
linear filtering, and the first couple of mipmap levels, do not bleed one
frame into the next.

The file is an ordinary RGBA TIFF with unassociated alpha: the colour
channels hold the straight colour (white at the core, slightly warm further
out). DevIL reads TIFF through libtiff's RGBA reader, which multiplies the
colour by alpha, so the engine receives colour * glow in RGB and the glow in
A: premultiplied, ready for additive or premultiplied-alpha blending. DevIL
also hands TIFF rows over bottom first (IL_ORIGIN_LOWER_LEFT), so in GL
texture coordinates the file's top row of cells ends up at t close to 1.

Needs numpy and Pillow (Debian: python3-numpy, python3-pil).
"""

import os
import sys

import system_python

system_python.require("numpy", "PIL")

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

CELL = 64
COLUMNS = 10
ROWS = 9
FRAMES = COLUMNS * ROWS
MARGIN = 4  # fully transparent pixels along each cell border
OUT_PATH = os.path.join("demo", "assets", "images", "particle_sprite.tif")

# Past this radius the glow is exactly zero, which leaves MARGIN clear
# pixels on every side of the cell centre.
FADE_RADIUS = CELL / 2 - MARGIN

WHITE = np.array([1.0, 1.0, 1.0])
WARM = np.array([1.0, 0.90, 0.76])

# Fixed ray layouts; the seeded generator only picks the starting angles so
# the frames are the same on every run.
_rng = np.random.default_rng(7)
MAIN_RAY_OFFSET = _rng.uniform(0.0, 2.0 * np.pi)
FINE_RAY_OFFSET = _rng.uniform(0.0, 2.0 * np.pi)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def ray_set(angle, r, count, rotation, width, length):
    """Thin streaks from the centre: count evenly spaced rays turned by
    rotation. Returns their intensity and the angle of the nearest ray."""
    spacing = 2.0 * np.pi / count
    rel = np.mod(angle - rotation + 0.5 * spacing, spacing) - 0.5 * spacing
    across = r * np.abs(np.sin(rel))  # distance from the ray's centre line
    nearest = angle - rel
    return np.exp(-((across / width) ** 2)) * np.exp(-r / length), nearest


def frame(f):
    """Straight-alpha RGBA floats for frame f, shape (CELL, CELL, 4)."""
    phase = f / FRAMES  # 0 at the first frame, 1 would be the first again
    turn = 2.0 * np.pi * phase
    centres = np.arange(CELL) + 0.5 - CELL / 2
    x, y = np.meshgrid(centres, centres)
    r = np.hypot(x, y)
    angle = np.arctan2(y, x)

    core_radius = 4.5 + 1.2 * np.sin(turn)
    core = np.exp(-((r / core_radius) ** 2))
    halo = (0.42 + 0.05 * np.sin(turn)) * np.exp(-r / 7.0)

    # Four long rays turn a quarter circle per cycle, six fine ones a sixth
    # the other way: each set ends where an identical set started.
    main, _ = ray_set(angle, r, 4, MAIN_RAY_OFFSET + turn / 4, 0.9, 10.0)
    main *= 0.50 + 0.08 * np.cos(2.0 * turn)
    fine, fine_angle = ray_set(angle, r, 6, FINE_RAY_OFFSET - turn / 6, 0.65, 7.5)
    # Each fine ray's flicker depends on where the ray points, not on which
    # ray it is, so the set still matches itself after its sixth of a turn.
    fine *= 0.30 + 0.12 * np.sin(2.0 * turn + 3.0 * fine_angle)

    # A smooth window to exactly zero at FADE_RADIUS keeps the borders clear
    # without a visible rim.
    window = np.clip(1.0 - (r / FADE_RADIUS) ** 2, 0.0, 1.0) ** 2
    # A soft knee instead of a hard clip: summed parts saturating at 1 left
    # a flat square plateau where the rays cross the core.
    glow = (1.0 - np.exp(-2.5 * (core + halo + main + fine))) * window

    colour = WHITE + (WARM - WHITE) * smoothstep(2.0, 18.0, r)[..., None]
    rgba = np.empty((CELL, CELL, 4))
    # Straight colour everywhere, even where alpha is zero, so that readers
    # which filter without premultiplying see no dark fringe.
    rgba[..., :3] = colour
    rgba[..., 3] = glow
    return rgba


def build_atlas():
    atlas = np.zeros((ROWS * CELL, COLUMNS * CELL, 4), np.uint8)
    for f in range(FRAMES):
        col, row = f % COLUMNS, f // COLUMNS
        pixels = np.round(frame(f) * 255.0).astype(np.uint8)
        atlas[row * CELL:(row + 1) * CELL, col * CELL:(col + 1) * CELL] = pixels
    return atlas


def check(path, expected):
    with Image.open(path) as img:
        assert img.format == "TIFF", img.format
        assert img.mode == "RGBA", img.mode
        assert img.size == (COLUMNS * CELL, ROWS * CELL), img.size
        pixels = np.asarray(img)
    assert np.array_equal(pixels, expected), "the file does not read back as written"
    assert os.path.getsize(path) < 2 * 1024 * 1024, "atlas file too large"
    cells = pixels.reshape(ROWS, CELL, COLUMNS, CELL, 4).transpose(0, 2, 1, 3, 4).reshape(FRAMES, CELL, CELL, 4)
    alpha = cells[..., 3]
    border = np.ones((CELL, CELL), bool)
    border[MARGIN:-MARGIN, MARGIN:-MARGIN] = False
    assert alpha[:, border].max() == 0, "glow reaches a cell border"
    assert np.all(alpha[:, CELL // 2, CELL // 2] >= 245), "a frame lacks its white-hot core"
    red, blue = cells[..., 0].astype(int), cells[..., 2].astype(int)
    assert red.min() == 255 and blue.min() > 0.7 * 255, "colour is no longer a neutral white"
    # Neighbouring frames, the wrap from the last to the first included,
    # differ by about the same small step: the loop has no jump.
    steps = np.array([np.abs(cells[(f + 1) % FRAMES].astype(int) - cells[f]).mean() for f in range(FRAMES)])
    assert steps.min() > 0.0, "two frames are identical"
    assert steps[-1] < 1.5 * np.median(steps[:-1]), "the loop jumps from frame 89 to frame 0"
    print("frame-to-frame mean change: median %.3f, wrap 89->0 %.3f" % (np.median(steps[:-1]), steps[-1]))


def main():
    atlas = build_atlas()
    os.makedirs(os.path.dirname(OUT_PATH), exist_ok=True)
    Image.fromarray(atlas, "RGBA").save(OUT_PATH, "TIFF", compression="raw")
    check(OUT_PATH, atlas)
    print("wrote", OUT_PATH, "(%d bytes)" % os.path.getsize(OUT_PATH))


if __name__ == "__main__":
    main()
