#!/usr/bin/python3
"""Share of clipped pixels in captured frames, one line per frame.

    tools/clipped_pixels.py DIR_OR_PNG...

A pixel counts as clipped to white when all three channels are at 255, and
as saturated when at least one is: surfaces that wash out to flat white are
what the tone curve should prevent, while a saturated channel is normal for
the coloured glow of lights and sparks. The last line sums up all frames.
Exits with status 1 when no PNG was found.
"""

import pathlib
import sys

import numpy as np
from PIL import Image


def frames(arguments):
    for argument in arguments:
        path = pathlib.Path(argument)
        if path.is_dir():
            yield from sorted(path.glob("*.png"))
        else:
            yield path


def clipped(image):
    """(white share, saturated share) of an RGB image, in percent."""
    rgb = np.asarray(image.convert("RGB"))
    full = rgb == 255
    count = rgb.shape[0] * rgb.shape[1]
    return 100.0 * full.all(axis=2).sum() / count, 100.0 * full.any(axis=2).sum() / count


def main(arguments):
    if not arguments:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    whites = []
    saturated = []
    for path in frames(arguments):
        with Image.open(path) as image:
            white, any_channel = clipped(image)
        whites.append(white)
        saturated.append(any_channel)
        print(f"{path}: {white:.2f} % white, {any_channel:.2f} % saturated")
    if not whites:
        print("no PNG frames found", file=sys.stderr)
        return 1
    print(f"{len(whites)} frames: white mean {np.mean(whites):.2f} %, max {np.max(whites):.2f} %; "
          f"saturated mean {np.mean(saturated):.2f} %, max {np.max(saturated):.2f} %")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
