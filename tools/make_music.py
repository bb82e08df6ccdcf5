#!/usr/bin/env python3
"""Generates the demo's music loop, demo/assets/sounds/finish.mp3.

A soft pad, a bell arpeggio and a pulsing bass over four chords in A minor,
with a ping-pong echo and a small room. Python 3 standard library only; lame
(the Debian package of that name) encodes the MP3 and is needed only to
regenerate the track:

    python3 tools/make_music.py demo/assets/sounds/finish.mp3

Given a .wav name instead, it writes just the loop as 16-bit stereo PCM, for
listening or measuring.

The loop is seamless by construction: every note, echo and reverb tail is
written into a circular buffer of exactly LOOP_SAMPLES samples, so whatever
rings past the end of the loop lands at its start, just as it would when the
loop plays again.

The MP3 keeps it seamless. An encoder that saw the loop alone would take the
silence around it for part of the music and smear a click into both ends. So
lame gets one extra frame of the loop's own end before it and of its start
after it, and the delay and padding that lame records in the file's LAME tag
are then raised by that frame, so that a gapless decoder cuts the extra
frames off again and gives back exactly LOOP_SAMPLES samples per channel.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 44100
BEATS_PER_MINUTE = 80
BEATS = 16  # four chords of four beats
BEAT_SAMPLES = RATE * 60 // BEATS_PER_MINUTE
LOOP_SAMPLES = BEATS * BEAT_SAMPLES  # 12 s; the player's tests check this length
PEAK = 0.7  # leaves headroom for the MP3 encoder's overshoot
CONTEXT_SAMPLES = 1152  # one MP3 frame of wrap-around context on each side


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


# Am9, Fmaj7, Cmaj7, Esus4: bass root and pad voicing (MIDI notes), and the
# tones the arpeggio walks through.
CHORDS = [
    (45, [57, 60, 64, 67, 71], [69, 72, 76, 79, 83, 79, 76, 72]),
    (41, [57, 60, 64, 65, 69], [65, 69, 72, 76, 81, 76, 72, 69]),
    (36, [55, 59, 60, 64, 67], [67, 71, 72, 76, 79, 76, 72, 71]),
    (40, [56, 59, 62, 64, 69], [64, 69, 71, 74, 76, 74, 71, 68]),
]


class Loop:
    """A stereo circular buffer: writing past the end wraps to the start."""

    def __init__(self):
        self.left = [0.0] * LOOP_SAMPLES
        self.right = [0.0] * LOOP_SAMPLES

    def add(self, start, samples, pan):
        gain_left = math.cos((pan + 1.0) * math.pi / 4.0)
        gain_right = math.sin((pan + 1.0) * math.pi / 4.0)
        left, right = self.left, self.right
        for i, value in enumerate(samples):
            n = (start + i) % LOOP_SAMPLES
            left[n] += value * gain_left
            right[n] += value * gain_right


def tone(hz, length, partials, envelope, detune_cents=0.0):
    """Additive tone: partials is a list of (harmonic, amplitude)."""
    hz *= 2.0 ** (detune_cents / 1200.0)
    steps = [2.0 * math.pi * hz * h / RATE for h, _ in partials]
    out = []
    for i in range(length):
        value = 0.0
        for (_, amplitude), step in zip(partials, steps):
            value += amplitude * math.sin(step * i)
        out.append(value * envelope(i))
    return out


def pad_envelope(hold, attack, release):
    """Raised-cosine attack, hold, raised-cosine release: no corners."""

    def envelope(i):
        if i < attack:
            return 0.5 - 0.5 * math.cos(math.pi * i / attack)
        if i < hold:
            return 1.0
        return 0.5 + 0.5 * math.cos(math.pi * min(i - hold, release) / release)

    return envelope


def pluck_envelope(attack, decay, length):
    """Quick rise, exponential decay, and a short fade so the note ends at
    exactly zero instead of being cut off."""
    fade = length // 5

    def envelope(i):
        rise = 0.5 - 0.5 * math.cos(math.pi * min(i, attack) / attack)
        tail = 0.5 - 0.5 * math.cos(math.pi * min(length - 1 - i, fade) / fade)
        return rise * tail * math.exp(-i / decay)

    return envelope


def write_pad(loop):
    chord_samples = 4 * BEAT_SAMPLES
    attack, release = int(0.9 * RATE), int(2.2 * RATE)
    length = chord_samples + release
    partials = [(1, 1.0), (2, 0.32), (3, 0.14), (4, 0.06), (5, 0.03)]
    envelope = pad_envelope(chord_samples, attack, release)
    for index, (_, voicing, _) in enumerate(CHORDS):
        start = index * chord_samples
        for voice, note in enumerate(voicing):
            pan = -0.6 + 1.2 * voice / (len(voicing) - 1)
            for cents, side in ((-6.0, -0.3), (6.0, 0.3)):
                samples = tone(midi_hz(note), length, partials, envelope, cents)
                loop.add(start, [0.035 * s for s in samples], max(-1.0, min(1.0, pan + side)))


def write_bass(loop):
    length = 2 * BEAT_SAMPLES + int(1.5 * RATE)
    partials = [(1, 1.0), (2, 0.25), (3, 0.05)]
    envelope = pluck_envelope(int(0.06 * RATE), 0.9 * RATE, length)
    for index, (root, _, _) in enumerate(CHORDS):
        for half in range(2):
            start = (index * 4 + half * 2) * BEAT_SAMPLES
            accent = 1.0 if half == 0 else 0.75
            samples = tone(midi_hz(root), length, partials, envelope)
            loop.add(start, [0.16 * accent * s for s in samples], 0.0)


def write_arpeggio(loop):
    """Bell notes in eighths; returned separately so only they feed the echo."""
    eighth = BEAT_SAMPLES / 2.0
    length = int(1.8 * RATE)
    partials = [(1, 1.0), (2, 0.18), (3, 0.05), (4.2, 0.04)]
    envelope = pluck_envelope(int(0.008 * RATE), 0.45 * RATE, length)
    for index, (_, _, tones) in enumerate(CHORDS):
        for step, note in enumerate(tones):
            start = round((index * 8 + step) * eighth)
            accent = 1.0 if step % 2 == 0 else 0.7
            pan = -0.35 if step % 2 == 0 else 0.35
            samples = tone(midi_hz(note), length, partials, envelope)
            loop.add(start, [0.075 * accent * s for s in samples], pan)


def rotate(samples, shift):
    shift %= len(samples)
    return samples[-shift:] + samples[:-shift] if shift else samples[:]


def ping_pong(loop, delay, feedback, taps=14):
    """Circular echo bouncing between the sides; returns the wet loop."""
    mono = [(l + r) * 0.5 for l, r in zip(loop.left, loop.right)]
    wet = Loop()
    term = mono
    for k in range(1, taps + 1):
        term = [feedback * s for s in rotate(term, delay)]
        side = wet.right if k % 2 else wet.left
        for n, s in enumerate(term):
            side[n] += s
    return wet


def room(channel, combs, allpasses, feedback=0.78, damping=0.35):
    """Small Schroeder reverb run over two turns of the loop so that its tail
    wraps into the start; the second turn is the steady state."""
    out = [0.0] * LOOP_SAMPLES
    for delay in combs:
        buffer = [0.0] * delay
        filtered = 0.0
        position = 0
        for turn in range(2):
            for n in range(LOOP_SAMPLES):
                y = buffer[position]
                filtered = y * (1.0 - damping) + filtered * damping
                buffer[position] = channel[n] + filtered * feedback
                position = (position + 1) % delay
                if turn:
                    out[n] += y
    for delay in allpasses:
        buffer = [0.0] * delay
        position = 0
        result = [0.0] * LOOP_SAMPLES
        for turn in range(2):
            for n in range(LOOP_SAMPLES):
                delayed = buffer[position]
                x = out[n]
                buffer[position] = x + delayed * 0.5
                position = (position + 1) % delay
                if turn:
                    result[n] = delayed - x
        out = result
    return out


def mix():
    dry = Loop()
    write_pad(dry)
    write_bass(dry)
    bells = Loop()
    write_arpeggio(bells)
    echo = ping_pong(bells, 3 * BEAT_SAMPLES // 2, 0.42)

    left = [d + b + 0.5 * e for d, b, e in zip(dry.left, bells.left, echo.left)]
    right = [d + b + 0.5 * e for d, b, e in zip(dry.right, bells.right, echo.right)]
    room_left = room(left, [1557, 1617, 1491, 1422], [556, 441])
    room_right = room(right, [1580, 1640, 1514, 1445], [579, 464])
    left = [s + 0.05 * r for s, r in zip(left, room_left)]
    right = [s + 0.05 * r for s, r in zip(right, room_right)]

    peak = max(max(abs(s) for s in left), max(abs(s) for s in right))
    scale = PEAK / peak
    return [s * scale for s in left], [s * scale for s in right]


def write_wav(path, left, right):
    frames = bytearray()
    for l, r in zip(left, right):
        frames += struct.pack("<hh", round(l * 32767), round(r * 32767))
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


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


def write_mp3(path, left, right):
    before = slice(LOOP_SAMPLES - CONTEXT_SAMPLES, LOOP_SAMPLES)
    after = slice(0, CONTEXT_SAMPLES)
    with tempfile.TemporaryDirectory() as folder:
        wav = os.path.join(folder, "loop.wav")
        write_wav(wav, left[before] + left + left[after], right[before] + right + right[after])
        subprocess.run(["lame", "--silent", "-b", "128", "-q", "2", wav, path], check=True)
    extend_gapless_trim(path, CONTEXT_SAMPLES)


def main():
    if len(sys.argv) != 2 or not sys.argv[1].endswith((".mp3", ".wav")):
        sys.exit("usage: make_music.py OUTPUT.mp3|OUTPUT.wav")
    left, right = mix()
    if sys.argv[1].endswith(".wav"):
        write_wav(sys.argv[1], left, right)
    else:
        write_mp3(sys.argv[1], left, right)


if __name__ == "__main__":
    main()
