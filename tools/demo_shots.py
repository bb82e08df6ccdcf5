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
# Beside the spark at rest before the mirror: where shot 4 ends, the orb on
# its left and the gem on its right.
MEETING = (-1.5, 6.8, 1.8)

# The player's own emission: one light spark (and its embers) every 250 ms.
DEFAULT_SPARKS = {"count": 1, "lights": 1, "interval_ms": 250, "lifetime_ms": 4000, "speed": 1.2,
                  "start_hue": 0, "end_hue": 1}

# One entry per shot, in playing order.
#   bars         length of the shot
#   camera       anchors of the camera path; particle: of the particle path
#   camera_speed, particle_speed: relative speed shapes [progress, speed]
#   look_at      [progress, point]; a single entry holds the view on one point.
#                With several, the first point is also where the camera looks
#                once its path is done, so give the first and the last the
#                same point where the camera comes to rest (a synced shot's
#                wait, the last shot).
#                Two or more keys are written out as a key every fifth of a
#                second along the way the player will take, eased between
#                the keys given here and following the spark where they
#                say so, so the view turns smoothly with no jumps in its
#                rate at the keys.
#   light        the particle light's level [time, factor], time a fraction
#                of the shot; the value of the next-to-last key holds once
#                the path is done, so the generator repeats the last value.
#   bloom        optional: the glow's strength on the music's beats ("beat",
#                "bar" on the bar lines) and halfway between them ("between")
#   sparks       the sparks the spark throws from the start of the shot on
#   off          the shot's inactive targets; sync: wait for each other
SHOTS = [
    {
        "name": "establishing flight",
        "about": "From outside the hall, level with its roof, the camera follows the spark over the "
                 "south wall and sinks into the nave while the spark spirals down around the lamp, its "
                 "light swelling; the camera lands at the south end, looking up the room. No sparks yet.",
        "bars": 8,
        # High enough that the camera looks over the south wall into the lit
        # hall and across the plain around it, not at the wall's dark face.
        "camera": [(-14.0, -28.0, 13.5), (-6.5, -20.0, 12.8), (-1.5, -12.5, 9.0), (0.5, -10.5, 4.8),
                   (0.0, -12.3, 2.4)],
        "camera_speed": [[0, 1.0], [0.4, 1.1], [0.8, 0.8], [1, 0.5]],
        "particle": [(-5.0, -21.0, 9.0), (-1.5, -16.0, 9.8), (0.5, -9.0, 8.0), (3.0, -2.0, 6.4), (2.0, 2.5, 5.2),
                     (-2.5, 1.5, 4.2), (-1.5, -3.0, 3.2), (2.2, -3.5, 2.4), (0.8, -7.5, 1.8)],
        "particle_speed": [[0, 0.9], [0.3, 1.0], [1, 0.8]],
        # Before its first step the spark is not on its path yet: the first
        # key is where it starts, then the view takes it up.
        "look_at": [[0, (-5.0, -21.0, 9.0)], [0.05, PARTICLE], [0.45, PARTICLE], [0.75, (0.0, 0.0, 3.0)],
                    [1, (0.0, 5.0, 2.0)]],
        "light": [[0, 0.5], [0.4, 0.45], [1, 0.35]],
        "off": ["particle_system"],
        "sync": False,
        "sparks": DEFAULT_SPARKS,
    },
    {
        "name": "close pass along the pillars",
        "about": "Low in the nave the camera slides along the east colonnade, the fluted shafts sweeping "
                 "past at its shoulder with their lit faces turned to it, while the spark weaves ahead "
                 "down the middle of the nave and throws the west pillars' shadows across the tiles; the "
                 "lamp's own shadows are off so the moving ones read.",
        "bars": 4,
        # It starts past the statue on the south-east pedestal (otherwise
        # its unlit knot fills half the first frame) and stops short of the
        # gem, which ends the shot whole in the frame.
        "camera": [(4.6, -10.0, 1.5), (4.4, -5.5, 1.7), (4.3, 0.0, 2.0), (4.2, 4.5, 2.3)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.8]],
        "particle": [(0.8, -7.5, 1.8), (2.4, -5.0, 1.3), (0.6, -2.0, 1.9), (2.6, 1.5, 1.4), (0.8, 5.0, 2.0),
                     (2.8, 8.5, 1.5), (2.5, 12.0, 2.0)],
        "particle_speed": [[0, 0.9], [0.5, 1.0], [1, 0.9]],
        "look_at": [],
        "light": [[0, 0.35], [0.3, 0.55], [0.6, 0.3], [1, 0.45]],
        "off": ["roomlight_shadows"],
        "sync": False,
        "sparks": DEFAULT_SPARKS,
    },
    {
        "name": "the lamp and the shafts",
        "about": "Dusk: from the south-west corner of the west aisle, at the height of the capitals, the "
                 "camera drifts north looking across the colonnade at the lamp, seen under an arch just "
                 "past the near pillar's capital against the dark east arcade; capital, arch, tie beam and "
                 "the far pillars cut the lamp's shafts into bands that sweep as the camera moves. The spark "
                 "circles the lamp, dimmed, then flares.",
        "bars": 4,
        "camera": [(-9.6, -11.95, 5.0), (-9.55, -11.75, 4.95), (-9.5, -11.55, 4.9), (-9.45, -11.43, 4.85)],
        "camera_speed": [[0, 0.9], [0.5, 1.0], [1, 0.9]],
        "particle": [(2.2, 0.0, 5.6), (0.0, 2.2, 5.9), (-2.2, 0.0, 6.3), (0.0, -2.2, 5.9), (2.2, 0.0, 5.6),
                     (0.0, 2.2, 5.2)],
        "particle_speed": [[0, 1.0], [1, 1.0]],
        "look_at": [[0, LAMP]],
        "light": [[0, 0.45], [0.4, 0.05], [0.8, 0.05], [1, 0.4]],
        "off": ["shadowcast_pillars"],
        "sync": False,
        "sparks": DEFAULT_SPARKS,
    },
    {
        "name": "the mirror and the glass",
        "about": "At the north end the camera arcs around the mirror orb and the glass gem on their "
                 "pedestals while the spark slips between them and stops before the mirror; the two "
                 "meet there (sync). Shafts and glow are off for a clean look at the sky in the chrome "
                 "and through the glass.",
        "bars": 4,
        "camera": [(5.0, 2.5, 2.6), (2.0, 2.2, 2.2), (-1.5, 2.8, 2.0), (-4.5, 4.0, 2.0)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.7]],
        "particle": [(0.0, 2.0, 4.5), (2.5, 6.2, 2.5), (0.0, 9.8, 2.6), (-1.8, 6.5, 1.9)],
        "particle_speed": [[0, 1.0], [0.6, 1.0], [1, 0.6]],
        # It ends where it began, on the spark come to rest before the
        # mirror, between the orb and the gem.
        "look_at": [[0, MEETING], [0.45, GLASS], [1, MEETING]],
        "light": [[0, 0.4], [0.5, 0.3], [1, 0.4]],
        "off": ["bloom", "godray_pre", "godray_post"],
        "sync": True,
        "sparks": DEFAULT_SPARKS,
    },
    {
        "name": "sparks swarming",
        "about": "The peak: the spark whirls a figure of eight down the nave, throwing up a fountain "
                 "of sparks whose lights run over the floor, pillars and walls, while its own light "
                 "breathes with the music; the camera keeps pace beside it, a few metres off.",
        "bars": 6,
        # It starts clear of the gem, which stays behind its right shoulder.
        "camera": [(3.8, 4.5, 2.6), (4.3, 0.5, 3.2), (3.8, -4.0, 3.4), (1.0, -7.5, 3.0), (-3.0, -7.8, 2.6)],
        "camera_speed": [[0, 0.8], [0.5, 1.0], [1, 0.8]],
        "particle": [(-1.8, 6.5, 1.9), (1.5, 3.5, 2.8), (-1.5, 0.5, 3.4), (1.5, -2.5, 2.6), (-1.0, -5.0, 1.6),
                     (-2.5, -2.0, 2.8), (0.0, 0.5, 3.6), (2.5, -1.5, 2.4), (0.5, -4.0, 1.6)],
        "particle_speed": [[0, 0.9], [0.5, 1.1], [1, 0.9]],
        "look_at": [],
        # One swell a bar, on the bar line; the glow pulses on every kick.
        # Peaks held below the level where the lit floor under the fountain
        # washes out to flat white (tools/clipped_pixels.py).
        "light": [[0, 0.4]] + [[k / 12, 0.6 if k % 2 == 0 else 0.25] for k in range(1, 12)] + [[1, 0.3]],
        "bloom": {"beat": 1.35, "bar": 1.7, "between": 0.7},
        "off": ["particle_shadows"],
        "sync": False,
        # A dense fountain of sparks, two of every four carrying a light: each
        # spark is born at its own hue anywhere on the wheel (its turn of the
        # range) and burns on round it as it ages, so the lights fall in
        # pools of many colours that add up to no single tint.
        "sparks": {"count": 4, "lights": 2, "interval_ms": 70, "lifetime_ms": 3000, "speed": 2.2,
                   "start_hue": 0.0, "end_hue": 1.0},
    },
    {
        "name": "the vanishing colonnade",
        "about": "The pillars, the mirror and the glass are gone, the capitals and arcades float, and "
                 "only the pillars' shadows stay on the floor; the spark itself is hidden, and its swarm "
                 "alone sweeps north through the empty hall under the dusk sky with the camera behind it.",
        "bars": 4,
        "camera": [(-3.5, -12.5, 3.6), (-3.8, -6.5, 4.2), (-3.6, -1.0, 4.4), (-2.8, 3.5, 4.0)],
        "camera_speed": [[0, 0.9], [0.5, 1.0], [1, 0.8]],
        "particle": [(0.5, -4.0, 1.6), (-3.0, -1.0, 2.2), (0.0, 3.0, 2.8), (3.0, 6.0, 2.2), (0.0, 10.0, 1.8)],
        "particle_speed": [[0, 1.0], [1, 1.0]],
        "look_at": [],
        "light": [[0, 0.3], [0.5, 0.5], [1, 0.3]],
        "bloom": {"beat": 1.4, "bar": 1.9, "between": 0.85},
        "off": ["render_pillars", "shadowcast_pillars", "main_particle", "reflection", "refraction"],
        "sync": False,
        "sparks": {"count": 2, "lights": 2, "interval_ms": 120, "lifetime_ms": 3500, "speed": 1.6,
                   "start_hue": 0.5, "end_hue": 0.95},
    },
    {
        "name": "finale",
        "about": "Night: the sky has gone out and the windows are dark. The camera climbs out through "
                 "the open roof, looking down on the lit hall, while the spark rises to rest beside the "
                 "lamp and its light dies away; both arrive together and the view stays on the lamp.",
        "bars": 4,
        # It opens past the orb and the gem, which stay behind it out of
        # the frame, then rises.
        "camera": [(0.0, 9.0, 2.6), (-0.8, 8.0, 6.0), (-1.6, 6.8, 10.0), (-2.2, 5.0, 14.0)],
        "camera_speed": [[0, 0.7], [0.4, 1.0], [1, 0.5]],
        "particle": [(0.0, 10.0, 1.8), (-1.5, 6.0, 3.0), (-1.0, 2.5, 5.0), (1.0, 0.5, 6.0)],
        "particle_speed": [[0, 1.0], [0.6, 0.9], [1, 0.5]],
        "look_at": [[0, (0.0, 0.0, 4.0)]],
        "light": [[0, 0.3], [0.5, 0.45], [1, 0.0]],
        "off": ["parallax", "cubemap"],
        "sync": True,
        "sparks": DEFAULT_SPARKS,
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


def trace(anchors, speeds):
    """The player's steps along the path, one per frame of FRAME seconds:
    (progress before the step, point after it) until the path is done."""
    segs, lengths = segments(anchors)
    total = sum(lengths)
    seg, param, steps = 0, 0.0, []
    while seg < len(segs):
        progress = (sum(lengths[:seg]) + lengths[seg] * param) / total
        speed = key_value(speeds, progress)
        d = length(tangent(segs[seg], param))
        step = FRAME * speed
        param += step / d if d != 0 else step
        point = bezier(segs[seg], param)
        if param > 1.0:
            seg += 1
            param -= 1.0
        steps.append((progress, point))
    return steps


def frames_to_finish(anchors, speeds):
    """Frames of FRAME seconds the player needs to run the path at these speeds."""
    return len(trace(anchors, speeds))


def ease(p):
    return p * p * (3 - 2 * p)


def eased(keys, x, resolve):
    """The point of [key, point] entries at x, eased from key to key."""
    if x <= keys[0][0]:
        return resolve(keys[0][1])
    for (a, pa), (b, pb) in zip(keys, keys[1:]):
        if x <= b:
            e = ease((x - a) / (b - a)) if b > a else 1.0
            return tuple(u * (1 - e) + v * e for u, v in zip(resolve(pa), resolve(pb)))
    return resolve(keys[-1][1])


def resolved_look_at(shot, camera, particle):
    """Look-at keys in world coordinates, one every fifth of a second of the
    camera's run, following the spark where the shot's keys say PARTICLE."""
    cam = trace(shot["camera"], camera)
    spark = trace(shot["particle"], particle)
    start = world(shot["particle"][0])
    keys = []
    every = 12
    for f, (progress, _) in enumerate(cam):
        if f % every and f != len(cam) - 1:
            continue
        # The camera looks before the spark takes this frame's step.
        here = spark[min(f, len(spark)) - 1][1] if f > 0 else start
        target = eased(shot["look_at"], progress, lambda p: here if p is None else world(p))
        keys.append([progress, target])
    # The last key sits at the path's end; the first holds once it is done.
    keys[-1][0] = 1.0
    return keys


def at_progress(steps, fractions):
    """Progress along a traced path at fractions of its running time."""
    return [steps[min(int(round(t * len(steps))), len(steps) - 1)][0] if t < 1 else 1.0 for t in fractions]


def bloom_keys(shot, steps):
    """The glow's [progress, strength] keys: up on every beat, down halfway."""
    beats = shot["bars"] * BEATS_PER_BAR
    times, values = [], []
    for k in range(2 * beats + 1):
        times.append(k / (2.0 * beats))
        if k % 2:
            values.append(shot["bloom"]["between"])
        else:
            values.append(shot["bloom"]["bar" if (k // 2) % BEATS_PER_BAR == 0 else "beat"])
    return list(zip(at_progress(steps, times), values))


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
        particle_steps = trace(shot["particle"], particle)
        light = [[k, v] for k, v in zip(at_progress(particle_steps, [t for t, _ in shot["light"]]),
                                        [v for _, v in shot["light"]])]
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
        if len(shot["look_at"]) == 1:
            k, p = shot["look_at"][0]
            x, y, z = (0.0, 0.0, 0.0) if p is None else world(p)
            lines.append("    look_at: [[%s, %s, %s, %s]]" % (number(k), number(x), number(y), number(z)))
        elif shot["look_at"]:
            keys = ["[%s, %s, %s, %s]" % (number(k), number(x), number(y), number(z))
                    for k, (x, y, z) in resolved_look_at(shot, camera, particle)]
            lines.append("    look_at:")
            for start in range(0, len(keys), 3):
                lines.append("      %s %s%s" % ("[" if start == 0 else " ", ", ".join(keys[start:start + 3]),
                                                "]" if start + 3 >= len(keys) else ","))
        lines.append("    diffuse_factor: " + pairs(light))
        if "bloom" in shot:
            lines.append("    bloom: " + pairs(bloom_keys(shot, trace(shot["camera"], camera))))
        if "sparks" in shot:
            lines.append("    sparks: {" + ", ".join("%s: %s" % (k, number(v)) for k, v in shot["sparks"].items()) + "}")
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
