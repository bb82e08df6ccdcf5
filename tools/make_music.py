#!/usr/bin/env python3
"""Generates the demo's music, demo/assets/sounds/finish.mp3: one track as
long as the demo, which loops when the demo rests at its end.

    python3 tools/make_music.py demo/assets/sounds/finish.mp3

Given a .wav name instead, it writes just the loop as 16-bit stereo PCM, for
listening or measuring.

The track follows the shots of tools/demo_shots.py bar for bar (96 beats a
minute, 2.5 s a bar) in A minor, in four sections whose lengths come from
that file, so every shot change falls on a bar line:
    intro  a soft pad, then a bell arpeggio        (the establishing flight)
    build  bass, a kick on the half bars, hats, a riser into the peak
    peak   four-on-the-floor kick, claps, a lead line over the arpeggio
    outro  the pad and the bells alone, leading back into the intro
Each shot change is marked by a cymbal swell on its bar line.

Needs numpy (Debian: python3-numpy); lame (the Debian package of that name)
encodes the MP3 at 128 kbit/s and is needed only to regenerate the track.

The loop is seamless by construction: every note, echo and reverb tail is
written into a circular buffer of exactly LOOP_SAMPLES samples (the reverb
is a circular convolution), so whatever rings past the end of the loop
lands at its start, just as it would when the loop plays again.

The MP3 keeps it seamless. An encoder that saw the loop alone would take the
silence around it for part of the music and smear a click into both ends. So
lame gets one extra frame of the loop's own end before it and of its start
after it, and the delay and padding that lame records in the file's LAME tag
are then raised by that frame, so that a gapless decoder cuts the extra
frames off again and gives back exactly LOOP_SAMPLES samples per channel.
"""

import os
import struct
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import system_python  # noqa: E402

system_python.require("numpy")

import numpy as np  # noqa: E402

import demo_shots  # noqa: E402

RATE = 44100
# A bar of 2.5 s is a whole number of samples; a beat (27562.5) is not, so
# note starts are rounded from their place in the bar.
BAR = RATE * 60 * demo_shots.BEATS_PER_BAR // demo_shots.BEATS_PER_MINUTE
BEAT = BAR / demo_shots.BEATS_PER_BAR
BARS = demo_shots.total_bars()
LOOP_SAMPLES = BARS * BAR  # the player's tests check this length
PEAK = 0.7  # leaves headroom for the MP3 encoder's overshoot
CONTEXT_SAMPLES = 1152  # one MP3 frame of wrap-around context on each side
SEED = 96


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


# Per chord: bass root, pad voicing and the tones the arpeggio walks through (MIDI).
CHORDS = {
    "Am": (45, [57, 60, 64, 67, 71], [69, 72, 76, 79, 83, 79, 76, 72]),
    "F": (41, [57, 60, 64, 65, 69], [65, 69, 72, 76, 81, 76, 72, 69]),
    "C": (36, [55, 59, 60, 64, 67], [67, 71, 72, 76, 79, 76, 72, 71]),
    "G": (43, [55, 59, 62, 66, 67], [67, 71, 74, 78, 79, 78, 74, 71]),
    "Esus": (40, [56, 59, 62, 64, 69], [64, 69, 71, 74, 76, 74, 71, 68]),
}
PROGRESSION = ["Am", "F", "C", "G"]
OUTRO = ["F", "G", "Esus", "Am"]
# The lead's notes in the peak, two a bar (MIDI), over the progression.
LEAD = {"Am": [76, 72], "F": [77, 81], "C": [79, 76], "G": [74, 79]}


def sections():
    """The section of every bar, in order."""
    out = []
    for name, bars in demo_shots.SECTIONS:
        out += [(name, i, bars) for i in range(bars)]
    return out


def shot_starts():
    starts, bar = [], 0
    for shot in demo_shots.SHOTS:
        starts.append(bar)
        bar += shot["bars"]
    return starts


class Loop:
    """A stereo circular buffer: writing past the end wraps to the start."""

    def __init__(self):
        self.data = np.zeros((2, LOOP_SAMPLES))

    def add(self, start, samples, pan=0.0, gain=1.0):
        gains = np.array([np.cos((pan + 1.0) * np.pi / 4.0), np.sin((pan + 1.0) * np.pi / 4.0)]) * gain
        start %= LOOP_SAMPLES
        n = len(samples)
        first = min(n, LOOP_SAMPLES - start)
        self.data[:, start:start + first] += gains[:, None] * samples[None, :first]
        rest = n - first
        while rest > 0:
            take = min(rest, LOOP_SAMPLES)
            self.data[:, :take] += gains[:, None] * samples[None, n - rest:n - rest + take]
            rest -= take


def tone(hz, length, partials, detune_cents=0.0):
    hz *= 2.0 ** (detune_cents / 1200.0)
    t = np.arange(length) / RATE
    out = np.zeros(length)
    for harmonic, amplitude in partials:
        out += amplitude * np.sin(2 * np.pi * hz * harmonic * t)
    return out


def pad_envelope(length, attack, release):
    """Raised-cosine attack, hold, raised-cosine release: no corners."""
    i = np.arange(length)
    env = np.ones(length)
    env[:attack] = 0.5 - 0.5 * np.cos(np.pi * i[:attack] / attack)
    tail = i >= length - release
    env[tail] = 0.5 + 0.5 * np.cos(np.pi * (i[tail] - (length - release)) / release)
    return env


def pluck_envelope(length, attack, decay):
    """Quick rise, exponential decay, and a short fade to exactly zero."""
    i = np.arange(length)
    fade = length // 5
    rise = 0.5 - 0.5 * np.cos(np.pi * np.minimum(i, attack) / attack)
    end = 0.5 - 0.5 * np.cos(np.pi * np.minimum(length - 1 - i, fade) / fade)
    return rise * end * np.exp(-i / decay)


def chord_of(bar):
    name, index, count = sections()[bar]
    if name == "outro":
        return OUTRO[index % 4]
    return PROGRESSION[bar % 4]


def level(bar, fraction):
    """The pad's level through the track: it rises through the intro and falls
    back in the outro to where the intro starts."""
    name, index, count = sections()[bar]
    position = (index + fraction) / count
    if name == "intro":
        return 0.75 + 0.25 * position
    if name == "outro":
        return 1.0 - 0.25 * position
    return 1.0


def write_pad(loop):
    attack, release = int(0.8 * RATE), int(1.6 * RATE)
    partials = [(1, 1.0), (2, 0.3), (3, 0.12), (4, 0.05), (5, 0.02)]
    for bar in range(BARS):
        length = BAR + release
        env = pad_envelope(length, attack, release) * level(bar, 0.5)
        name, _, _ = sections()[bar]
        gain = 0.030 if name in ("intro", "outro") else 0.024
        for voice, note in enumerate(CHORDS[chord_of(bar)][1]):
            pan = -0.6 + 1.2 * voice / 4
            for cents, side in ((-7.0, -0.3), (7.0, 0.3)):
                loop.add(bar * BAR, tone(midi_hz(note), length, partials, cents) * env,
                         max(-1.0, min(1.0, pan + side)), gain)


def write_bells(loop):
    length = int(1.6 * RATE)
    partials = [(1, 1.0), (2, 0.18), (3, 0.05), (4.2, 0.04)]
    env = pluck_envelope(length, int(0.006 * RATE), 0.4 * RATE)
    for bar in range(BARS):
        name, index, count = sections()[bar]
        if name == "intro" and index < 2:
            continue  # the intro opens on the pad alone
        tones = CHORDS[chord_of(bar)][2]
        octave = 12 if name == "peak" and index % 2 == 1 else 0
        for step, note in enumerate(tones):
            if name == "outro" and step % 2 == 1:
                continue
            accent = 1.0 if step % 2 == 0 else 0.7
            pan = -0.4 if step % 2 == 0 else 0.4
            loop.add(bar * BAR + round(step * BEAT / 2), tone(midi_hz(note + octave), length, partials) * env, pan,
                     0.06 * accent)


def write_bass(loop):
    length = round(2 * BEAT) + int(0.8 * RATE)
    partials = [(1, 1.0), (2, 0.35), (3, 0.12), (4, 0.05)]
    env = pluck_envelope(length, int(0.01 * RATE), 0.7 * RATE)
    for bar in range(BARS):
        name, index, count = sections()[bar]
        if name == "intro" or (name == "outro" and index >= 2):
            continue
        root = CHORDS[chord_of(bar)][0]
        beats = [0, 2] if name != "peak" else [0, 1.5, 2, 3.5]
        for b in beats:
            loop.add(bar * BAR + round(b * BEAT), tone(midi_hz(root), length, partials) * env, 0.0,
                     0.15 if b in (0, 2) else 0.09)


def kick():
    n = int(0.35 * RATE)
    t = np.arange(n) / RATE
    hz = 45 + 80 * np.exp(-t / 0.03)
    phase = 2 * np.pi * np.cumsum(hz) / RATE
    return np.sin(phase) * np.exp(-t / 0.12) * pluck_envelope(n, int(0.002 * RATE), 1e9)


def noise_hit(length_s, decay_s, seed, brightness):
    """Noise with a quick decay; brightness 0..1 thins out the low end by
    subtracting a smoothed copy."""
    n = int(length_s * RATE)
    rng = np.random.default_rng(seed)
    x = rng.standard_normal(n)
    smooth_len = max(1, int(8 * (1.0 - brightness)) + 1)
    low = np.convolve(x, np.ones(smooth_len * 4) / (smooth_len * 4), mode="same")
    x = x - brightness * low
    return x * np.exp(-np.arange(n) / (decay_s * RATE)) * pluck_envelope(n, int(0.001 * RATE), 1e9)


def write_drums(loop):
    k = kick()
    hat = noise_hit(0.08, 0.018, SEED, 1.0)
    clap = noise_hit(0.25, 0.06, SEED + 1, 0.6)
    for bar in range(BARS):
        name, index, count = sections()[bar]
        start = bar * BAR
        if name == "build":
            kicks = [0, 2] if index >= 4 else ([0] if index >= 2 else [])
            hats = [b + 0.5 for b in range(4)] if index >= 6 else []
        elif name == "peak":
            kicks = [0, 1, 2, 3]
            hats = [b / 2 for b in range(8)]
        elif name == "outro" and index < 2:
            kicks, hats = [0], []
        else:
            kicks, hats = [], []
        for b in kicks:
            loop.add(start + round(b * BEAT), k, 0.0, 0.32)
        for i, b in enumerate(hats):
            loop.add(start + round(b * BEAT), hat, 0.25 if i % 2 else -0.25, 0.035 if b % 1 else 0.02)
        if name == "peak":
            for b in (1, 3):
                loop.add(start + round(b * BEAT), clap, -0.1, 0.09)
                loop.add(start + round(b * BEAT) + int(0.012 * RATE), clap, 0.1, 0.06)


def write_lead(loop):
    length = round(BEAT * 2)
    partials = [(h, 0.6 / h) for h in range(1, 8)]
    env = pad_envelope(length, int(0.03 * RATE), int(0.5 * RATE)) * np.exp(-np.arange(length) / (1.5 * RATE))
    for bar in range(BARS):
        name, index, count = sections()[bar]
        if name != "peak" or index < 2:
            continue
        for half, note in enumerate(LEAD[chord_of(bar)]):
            vibrato = 1.0 + 0.004 * np.sin(2 * np.pi * 5.5 * np.arange(length) / RATE)
            t = np.cumsum(np.full(length, midi_hz(note)) * vibrato) / RATE
            wave_ = sum(a * np.sin(2 * np.pi * h * t) for h, a in partials)
            loop.add(bar * BAR + round(half * 2 * BEAT), wave_ * env, 0.15 if half else -0.15, 0.045)


def write_swells(loop):
    """A reversed cymbal into every shot change, the bar line itself the peak,
    and a longer noise riser over the last two bars of the build."""
    n = int(1.2 * RATE)
    cymbal = noise_hit(1.2, 0.35, SEED + 2, 1.0)[::-1]
    for bar in shot_starts():
        loop.add(bar * BAR - n, cymbal, -0.2, 0.05)
        loop.add(bar * BAR - n, cymbal, 0.2, 0.05)
    build_end = sum(bars for name, bars in demo_shots.SECTIONS[:2]) * BAR
    riser_n = 2 * BAR
    rng = np.random.default_rng(SEED + 3)
    riser = rng.standard_normal(riser_n)
    riser -= np.convolve(riser, np.ones(6) / 6, mode="same")
    ramp = np.linspace(0.0, 1.0, riser_n) ** 2
    loop.add(build_end - riser_n, riser * ramp, 0.0, 0.05)


def reverb(channel, seconds=1.6, seed=SEED + 4):
    """A room as a circular convolution with decaying noise: the tail that
    runs past the end of the loop is heard at its start."""
    n = int(seconds * RATE)
    rng = np.random.default_rng(seed)
    impulse = rng.standard_normal(n) * np.exp(-np.arange(n) / (0.3 * RATE))
    impulse[: int(0.012 * RATE)] = 0.0  # pre-delay
    impulse /= np.sqrt(np.sum(impulse ** 2))
    padded = np.zeros(LOOP_SAMPLES)
    padded[:n] = impulse
    return np.fft.irfft(np.fft.rfft(channel) * np.fft.rfft(padded), LOOP_SAMPLES)


def ping_pong(loop, delay, feedback, taps=10):
    """Circular echo bouncing between the sides."""
    mono = loop.data.mean(axis=0)
    wet = np.zeros((2, LOOP_SAMPLES))
    term = mono
    for k in range(1, taps + 1):
        term = feedback * np.roll(term, delay)
        wet[k % 2] += term
    return wet


def mix():
    dry = Loop()
    write_pad(dry)
    write_bass(dry)
    write_drums(dry)
    write_lead(dry)
    write_swells(dry)
    bells = Loop()
    write_bells(bells)
    echo = ping_pong(bells, round(3 * BEAT / 2), 0.4)
    music = dry.data + bells.data + 0.45 * echo
    wet = np.stack([reverb(music[0], seed=SEED + 4), reverb(music[1], seed=SEED + 5)])
    music = music + 0.22 * wet
    return music * (PEAK / np.max(np.abs(music)))


def write_wav(path, music):
    frames = np.round(music.T * 32767).astype("<i2").tobytes()
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def lame_tag_crc(data):
    """CRC-16 (polynomial 0x8005, reflected) as lame computes it for its tag."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def extend_gapless_trim(path, extra):
    """Adds extra samples to the encoder delay and padding in the LAME tag."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    # The tag sits in the first frame, after the Info header; its CRC covers
    # the frame's first 190 bytes and is the last field of the tag.
    tag = data.find(b"LAME", 0, 400)
    if tag < 0 or tag + 34 != 190 or data[:2] != b"\xff\xfb":
        sys.exit(f"{path}: no LAME tag where lame puts it")
    if lame_tag_crc(data[:190]) != struct.unpack(">H", data[190:192])[0]:
        sys.exit(f"{path}: LAME tag CRC does not match")
    packed = data[tag + 21:tag + 24]
    delay = (packed[0] << 4) | (packed[1] >> 4)
    padding = ((packed[1] & 0x0F) << 8) | packed[2]
    delay += extra
    padding += extra
    if delay > 0xFFF or padding > 0xFFF:
        sys.exit(f"{path}: delay {delay} or padding {padding} does not fit the tag")
    data[tag + 21:tag + 24] = bytes([delay >> 4, ((delay & 0x0F) << 4) | (padding >> 8), padding & 0xFF])
    data[190:192] = struct.pack(">H", lame_tag_crc(data[:190]))
    with open(path, "wb") as f:
        f.write(data)


def write_mp3(path, music):
    context = np.concatenate([music[:, -CONTEXT_SAMPLES:], music, music[:, :CONTEXT_SAMPLES]], axis=1)
    with tempfile.TemporaryDirectory() as folder:
        wav = os.path.join(folder, "loop.wav")
        write_wav(wav, context)
        subprocess.run(["lame", "--silent", "-b", "128", "-q", "2", wav, path], check=True)
    extend_gapless_trim(path, CONTEXT_SAMPLES)


def main():
    if len(sys.argv) != 2 or not sys.argv[1].endswith((".mp3", ".wav")):
        sys.exit("usage: make_music.py OUTPUT.mp3|OUTPUT.wav")
    assert sum(bars for _, bars in demo_shots.SECTIONS) == BARS, "sections and shots differ in length"
    music = mix()
    if sys.argv[1].endswith(".wav"):
        write_wav(sys.argv[1], music)
    else:
        write_mp3(sys.argv[1], music)
    print("wrote %s: %d bars, %d samples (%.1f s)" % (sys.argv[1], BARS, LOOP_SAMPLES, LOOP_SAMPLES / RATE))


if __name__ == "__main__":
    main()
