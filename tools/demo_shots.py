#!/usr/bin/env python3
"""The shots of the bundled demo: paths, speeds, look-at points, light and
switches, and the bar grid the music is written on.

    python3 tools/demo_shots.py [demo folder]      (default: demo)

writes config/timeline.yaml of the demo folder. tools/make_demo_models.py
imports this module for the path markers it puts into the room, and
tools/make_music.py for the length of each section, so the three always
agree.

Every shot lasts a whole number of bars. The speeds written to the timeline
are the relative speed shapes below, scaled so that the camera and the
particle each take exactly the shot's bars to run their paths, as the player
steps them (the Bezier cursor of the player, re-enacted here, at 60 frames a
second). Shot changes then fall on the music's bar lines.

Coordinates here are the room file's: Z up, metres. A point (x, y, z) is at
(x, z, -y) in the timeline file's Y-up world; `world` does that turn.
"""

import math
import os
import sys

BEATS_PER_MINUTE = 96
BEATS_PER_BAR = 4
BAR_SECONDS = 60.0 * BEATS_PER_BAR / BEATS_PER_MINUTE  # 2.5 s
FRAME = 1.0 / 60.0

# Look-at points and marks of the room (Z-up).
LAMP = (0.0, 0.0, 6.2)
MIRROR = (-2.5, 8.0, 1.6)
GLASS = (2.5, 8.0, 1.6)
PARTICLE = None  # look at the main particle, wherever it is

# One entry per shot, in playing order.
#   bars         length of the shot
#   camera       anchors of the camera path; particle: of the particle path
#   camera_speed, particle_speed: relative speed shapes [progress, speed]
#   look_at      [progress, point]; a single entry holds the view on one point.
#                With several, the first point is also where the camera looks
#                once its path is done, so give the first and the last the
#                same point where the camera comes to rest (a synced shot's
#                wait, the last shot).
#   light        the particle light's level [progress, factor]; the value of
#                the next-to-last key holds once the path is done, so the
#                generator repeats the last value.
#   off          the shot's inactive targets; sync: wait for each other
SHOTS = [
    {
        "name": "establishing flight",
        "about": "From outside the hall, level with its roof, the camera follows the spark over the "
                 "south wall and sinks into the nave while the spark spirals down around the lamp, its "
                 "light swelling; the camera lands at the south end, looking up the room. No sparks yet.",
        "bars": 8,
        "camera": [(-13.0, -27.0, 9.5), (-6.0, -19.5, 10.5), (-1.5, -12.5, 8.6), (0.5, -10.5, 4.8),
                   (0.0, -12.3, 2.4)],
        "camera_speed": [[0, 1.0], [0.4, 1.1], [0.8, 0.8], [1, 0.5]],
        "particle": [(-5.0, -21.0, 9.0), (-1.5, -16.0, 9.8), (0.5, -9.0, 8.0), (3.0, -2.0, 6.4), (2.0, 2.5, 5.2),
                     (-2.5, 1.5, 4.2), (-1.5, -3.0, 3.2), (2.2, -3.5, 2.4), (0.8, -7.5, 1.8)],
        "particle_speed": [[0, 0.9], [0.3, 1.0], [1, 0.8]],
        # Before its first step the spark is not on its path yet: the first
        # key is where it starts, then the view takes it up.
        "look_at": [[0, (-5.0, -21.0, 9.0)], [0.05, PARTICLE], [0.45, PARTICLE], [0.75, (0.0, 0.0, 3.0)],
                    [1, (0.0, 5.0, 2.0)]],
        "light": [[0, 0.3], [0.4, 0.55], [1, 0.35]],
        "off": ["particle_system"],
        "sync": False,
    },
    {
        "name": "close pass along the pillars",
        "about": "Low in the east aisle the camera slides past the colonnade, fluted shafts sweeping "
                 "through the frame, while the spark weaves along the nave and throws the pillars' "
                 "shadows across the tiles; the lamp's own shadows are off so the moving ones read.",
        "bars": 4,
        "camera": [(7.9, -12.6, 1.3), (7.6, -4.0, 1.6), (7.7, 4.0, 1.9), (7.4, 11.8, 2.3)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.8]],
        "particle": [(0.8, -7.5, 1.8), (4.6, -5.0, 1.2), (3.0, -2.0, 1.8), (4.6, 1.5, 1.3), (3.0, 5.0, 1.9),
                     (4.4, 8.5, 1.4), (2.5, 12.0, 2.0)],
        "particle_speed": [[0, 0.9], [0.5, 1.0], [1, 0.9]],
        "look_at": [],
        "light": [[0, 0.35], [0.3, 0.55], [0.6, 0.3], [1, 0.45]],
        "off": ["roomlight_shadows"],
        "sync": False,
    },
    {
        "name": "the lamp and the shafts",
        "about": "Night: the sky is switched off and the camera walks the west aisle looking up at the "
                 "lamp, whose shafts are cut by the pillars passing in front of it; the spark circles "
                 "the lamp, dimmed, then flares.",
        "bars": 4,
        "camera": [(-8.6, -7.5, 1.2), (-8.4, -2.5, 1.7), (-8.4, 2.5, 2.2), (-8.0, 7.0, 2.6)],
        "camera_speed": [[0, 0.9], [0.5, 1.0], [1, 0.9]],
        "particle": [(2.2, 0.0, 5.6), (0.0, 2.2, 5.9), (-2.2, 0.0, 6.3), (0.0, -2.2, 5.9), (2.2, 0.0, 5.6),
                     (0.0, 2.2, 5.2)],
        "particle_speed": [[0, 1.0], [1, 1.0]],
        "look_at": [[0, LAMP]],
        "light": [[0, 0.45], [0.4, 0.05], [0.8, 0.05], [1, 0.5]],
        "off": ["cubemap", "shadowcast_pillars"],
        "sync": False,
    },
    {
        "name": "the mirror and the glass",
        "about": "At the north end the camera arcs around the mirror orb and the glass gem on their "
                 "pedestals while the spark slips between them and stops before the mirror; the two "
                 "meet there (sync). Shafts and glow are off for a clean look at the sky in the chrome "
                 "and through the glass.",
        "bars": 4,
        "camera": [(5.0, 2.5, 2.6), (2.0, 3.2, 2.0), (-1.5, 3.8, 1.7), (-4.2, 5.2, 1.8)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.7]],
        "particle": [(0.0, 2.0, 4.5), (2.5, 6.2, 2.5), (0.0, 9.8, 2.6), (-1.8, 6.5, 1.9)],
        "particle_speed": [[0, 1.0], [0.6, 1.0], [1, 0.6]],
        "look_at": [[0, (0.0, 8.0, 1.7)], [0.45, GLASS], [1, (0.0, 8.0, 1.7)]],
        "light": [[0, 0.5], [0.5, 0.3], [1, 0.4]],
        "off": ["bloom", "godray_pre", "godray_post"],
        "sync": True,
    },
    {
        "name": "sparks swarming",
        "about": "The peak: the spark whirls a figure of eight down the nave, throwing up a fountain "
                 "of sparks whose lights run over the floor, pillars and walls, while its own light "
                 "breathes with the music; the camera keeps pace beside it, a few metres off.",
        "bars": 6,
        "camera": [(4.6, 10.8, 2.2), (4.4, 5.5, 2.6), (4.3, 0.5, 3.2), (3.8, -4.0, 3.4), (1.0, -7.5, 3.0),
                   (-3.0, -7.8, 2.6)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.8]],
        "particle": [(-1.8, 6.5, 1.9), (1.5, 3.5, 2.8), (-1.5, 0.5, 3.4), (1.5, -2.5, 2.6), (-1.0, -5.0, 1.6),
                     (-2.5, -2.0, 2.8), (0.0, 0.5, 3.6), (2.5, -1.5, 2.4), (0.5, -4.0, 1.6)],
        "particle_speed": [[0, 0.9], [0.5, 1.1], [1, 0.9]],
        "look_at": [],
        "light": [[0, 0.4], [0.17, 0.6], [0.33, 0.2], [0.5, 0.6], [0.67, 0.2], [0.83, 0.6], [1, 0.3]],
        "off": ["particle_shadows"],
        "sync": False,
    },
    {
        "name": "the vanishing colonnade",
        "about": "The pillars, the mirror and the glass are gone, the capitals and arcades float, and "
                 "only the pillars' shadows stay on the floor; the spark itself is hidden, and its swarm "
                 "alone sweeps north through the empty hall with the camera behind it.",
        "bars": 4,
        "camera": [(-3.5, -12.5, 3.6), (-3.8, -6.5, 4.2), (-3.6, -1.0, 4.4), (-2.8, 3.5, 4.0)],
        "camera_speed": [[0, 0.9], [0.5, 1.0], [1, 0.8]],
        "particle": [(0.5, -4.0, 1.6), (-3.0, -1.0, 2.2), (0.0, 3.0, 2.8), (3.0, 6.0, 2.2), (0.0, 10.0, 1.8)],
        "particle_speed": [[0, 1.0], [1, 1.0]],
        "look_at": [],
        "light": [[0, 0.3], [0.5, 0.5], [1, 0.3]],
        "off": ["render_pillars", "main_particle", "reflection", "refraction"],
        "sync": False,
    },
    {
        "name": "finale",
        "about": "The camera climbs out through the open roof, looking down on the lit hall, while the "
                 "spark rises to rest beside the lamp and its light dies away; both arrive together "
                 "and the view stays on the lamp.",
        "bars": 4,
        "camera": [(-1.5, 12.0, 2.5), (-2.5, 9.0, 6.0), (-2.5, 6.5, 10.0), (-2.2, 5.0, 14.0)],
        "camera_speed": [[0, 0.7], [0.4, 1.0], [1, 0.5]],
        "particle": [(0.0, 10.0, 1.8), (-1.5, 6.0, 3.0), (-1.0, 2.5, 5.0), (1.0, 0.5, 6.0)],
        "particle_speed": [[0, 1.0], [0.6, 0.9], [1, 0.5]],
        "look_at": [[0, (0.0, 0.0, 4.0)]],
        "light": [[0, 0.3], [0.5, 0.45], [1, 0.0]],
        "off": ["parallax"],
        "sync": True,
    },
]

# The music's sections, in bars; they add up to the shots' bars.
SECTIONS = [("intro", 8), ("build", 12), ("peak", 10), ("outro", 4)]


def total_bars():
    return sum(shot["bars"] for shot in SHOTS)


def world(p):
    """Z-up room coordinates to the timeline file's Y-up world."""
    x, y, z = p
    return (x, z, -y)


# --- path markers --------------------------------------------------------------


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


def markers(prefix):
    """(name, point) of every path marker, in the order the player reads them:
    per shot, per anchor: the anchor, its incoming and its outgoing handle."""
    out = []
    for number, shot in enumerate(SHOTS, start=1):
        anchors = shot["camera" if prefix == "Camera" else "particle"]
        for k, (anchor, (incoming, outgoing)) in enumerate(zip(anchors, handles(anchors))):
            name = "%s%03d_%d" % (prefix, number, k)
            out += [(name, anchor), (name + "_in", incoming), (name + "_out", outgoing)]
    return out


# --- the player's path cursor, re-enacted ----------------------------------------


def bezier(seg, t):
    p0, p1, p2, p3 = seg
    u = 1.0 - t
    return tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
                 for a, b, c, d in zip(p0, p1, p2, p3))


def tangent(seg, t):
    p0, p1, p2, p3 = seg
    return tuple(t * t * (-3 * a + 9 * b - 9 * c + 3 * d) + t * (6 * a - 12 * b + 6 * c) + (-3 * a + 3 * b)
                 for a, b, c, d in zip(p0, p1, p2, p3))


def segments(anchors):
    hs = handles([world(a) for a in anchors])
    pts = [world(a) for a in anchors]
    segs = [(pts[i], hs[i][1], hs[i + 1][0], pts[i + 1]) for i in range(len(pts) - 1)]
    lengths = []
    for s in segs:
        samples = [bezier(s, i / 100.0) for i in range(100)]
        lengths.append(sum(length(sub(samples[i + 1], samples[i])) for i in range(99)))
    return segs, lengths


def key_value(keys, x):
    """A speed or light curve at progress x, eased between keys as the player reads it."""
    k0, kn = keys[0][0], keys[-1][0]
    k = k0 + min(max(x, 0.0), 1.0) * (kn - k0)
    for (a, va), (b, vb) in zip(keys, keys[1:]):
        if k <= b:
            p = (k - a) / (b - a)
            return va + (vb - va) * (3 * p * p - 2 * p * p * p)
    return keys[-1][1]


def frames_to_finish(anchors, speeds):
    """Frames of FRAME seconds the player needs to run the path at these speeds."""
    segs, lengths = segments(anchors)
    total = sum(lengths)
    seg, param, frames = 0, 0.0, 0
    while seg < len(segs):
        progress = (sum(lengths[:seg]) + lengths[seg] * param) / total
        speed = key_value(speeds, progress)
        d = length(tangent(segs[seg], param))
        step = FRAME * speed
        param += step / d if d != 0 else step
        if param > 1.0:
            seg += 1
            param -= 1.0
        frames += 1
    return frames


def fitted(anchors, shape, seconds):
    """The speed shape scaled so that the path takes `seconds`, to 3 decimals."""
    factor = 1.0
    for _ in range(6):
        keys = [[k, round(v * factor, 3)] for k, v in shape]
        took = frames_to_finish(anchors, keys) * FRAME
        factor *= took / seconds
    keys = [[k, round(v * factor, 3)] for k, v in shape]
    return keys, frames_to_finish(anchors, keys) * FRAME


# --- timeline file ------------------------------------------------------------------


def number(v):
    text = ("%.3f" % v).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def write_timeline(path):
    lines = [
        "# The shots of the bundled demo, written by tools/demo_shots.py (edit it there",
        "# and run tools/make-demo). Shot N flies the camera along the scene's",
        "# \"CameraNNN\" markers and the main particle along its \"ParticleNNN\" markers.",
        "# Keys are fractions of the path: 0 at its start, 1 at its end. Points are",
        "# world coordinates (Y up). Every shot lasts whole bars of the music",
        "# (%d beats a minute, %d beats a bar: %.1f s a bar); the speeds are scaled so" % (
            BEATS_PER_MINUTE, BEATS_PER_BAR, BAR_SECONDS),
        "# that both paths take exactly that long.",
        "shots:",
    ]
    start_bar = 0
    report = []
    for i, shot in enumerate(SHOTS, start=1):
        seconds = shot["bars"] * BAR_SECONDS
        camera, camera_took = fitted(shot["camera"], shot["camera_speed"], seconds)
        particle, particle_took = fitted(shot["particle"], shot["particle_speed"], seconds)
        report.append("shot %d: bars %d-%d, %.2f s: camera %.3f s, particle %.3f s" % (
            i, start_bar + 1, start_bar + shot["bars"], seconds, camera_took, particle_took))
        start_bar += shot["bars"]
        light = list(shot["light"])
        # Past the end the player holds the next-to-last key's value.
        light = light[:-1] + [[light[-1][0] - 0.02, light[-1][1]], light[-1]]

        lines.append("")
        lines.append("  # %d. %s (%d bars, %.1f s)." % (i, shot["name"].capitalize(), shot["bars"], seconds))
        words = shot["about"].split()
        line = "  #"
        for word in words:
            if len(line) + 1 + len(word) > 88:
                lines.append(line)
                line = "  #"
            line += " " + word
        lines.append(line)
        pairs = lambda keys: "[" + ", ".join("[%s, %s]" % (number(k), number(v)) for k, v in keys) + "]"
        lines.append("  - camera_velocity: " + pairs(camera))
        lines.append("    particle_velocity: " + pairs(particle))
        if shot["look_at"]:
            keys = []
            for k, p in shot["look_at"]:
                x, y, z = (0.0, 0.0, 0.0) if p is None else world(p)
                keys.append("[%s, %s, %s, %s]" % (number(k), number(x), number(y), number(z)))
            lines.append("    look_at: [" + ", ".join(keys) + "]")
        lines.append("    diffuse_factor: " + pairs(light))
        if shot["off"]:
            lines.append("    inactive_targets: [" + ", ".join(shot["off"]) + "]")
        if shot["sync"]:
            lines.append("    sync: true")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return report


def main():
    assert sum(bars for _, bars in SECTIONS) == total_bars(), "music sections and shots differ in length"
    for before, after in zip(SHOTS, SHOTS[1:]):
        # A camera that follows the spark into a shot must not find it a
        # frame late at the end of the last shot's path.
        if not after["look_at"] or PARTICLE in [p for _, p in after["look_at"]]:
            assert after["particle"][0] == before["particle"][-1], after["name"] + ": the spark jumps"
    demo = sys.argv[1] if len(sys.argv) > 1 else "demo"
    path = os.path.join(demo, "config", "timeline.yaml")
    for line in write_timeline(path):
        print(line)
    print("wrote", path, "(%d bars, %.1f s)" % (total_bars(), total_bars() * BAR_SECONDS))


if __name__ == "__main__":
    main()
