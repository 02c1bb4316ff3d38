#!/usr/bin/env python3
"""Writes resources/beep.wav, the built-in alarm beep (wave resource IDR_BEEP).

One 70 ms tone burst, 22050 Hz, 8-bit unsigned, stereo. Played in a loop it
repeats about 14 times a second, which is what the ear takes for the beep.
The output is fully deterministic: run it again and the committed file comes
back byte for byte.

Usage: tools/gen_beep.py [output path]   (default: resources/beep.wav)
"""
import math
import os
import struct
import sys

RATE = 22050
CHANNELS = 2
BITS = 8
FRAMES = 1550                   # about 70.3 ms
PERIOD = 21                     # samples per cycle: 22050 / 21 = 1050 Hz
EDGE = 110                      # about 5 ms of soft start and of decay
SOFTWARE = b"Dawnbell tools/gen_beep.py"
SOFTWARE_FIELD = 54             # NUL-padded so the LIST chunk is 66 bytes


def one_cycle():
    """One cycle of the tone: 1050 Hz with strong 2100 Hz and 4200 Hz overtones.

    Rounded to a fixed grid so that tiny differences between maths libraries
    cannot change a single output byte.
    """
    cycle = []
    for i in range(PERIOD):
        t = 2.0 * math.pi * i / PERIOD
        v = math.sin(t) + 0.6 * math.sin(2.0 * t + 0.5) + 0.45 * math.sin(4.0 * t + 1.0)
        cycle.append(round(v * 4096))
    return cycle


def gain_4096(frame):
    """Envelope in 1/4096 steps: a lower level first, then far past full scale
    (the tone is clipped into a near-square wave), dying away at the end."""
    if frame < EDGE:
        # About a third of full scale, reached within half a millisecond so
        # the loop seam does not click.
        return min(100 * frame, 1100 + 1300 * frame // EDGE)
    last = FRAMES - 1 - frame
    if last < EDGE:
        return 12000 * last // EDGE                 # down to silence at the loop seam
    return 12000


def clip(v):
    return 0 if v < 0 else 255 if v > 255 else v


def samples():
    cycle = one_cycle()
    out = bytearray()
    for n in range(FRAMES):
        g = gain_4096(n)
        left = cycle[n % PERIOD] * g
        # The right channel lags one sample and is a touch quieter: nearly,
        # not exactly, the same as the left.
        right = cycle[(n - 1) % PERIOD] * g * 15 // 16
        # 4096 * 4096 units -> +-1.0; 100 of 127 levels for a unit amplitude.
        out.append(clip(128 + (left * 100) // (4096 * 4096)))
        out.append(clip(128 + (right * 100) // (4096 * 4096)))
    return bytes(out)


def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body


def wave_file():
    block = CHANNELS * BITS // 8
    fmt = struct.pack("<HHIIHH", 1, CHANNELS, RATE, RATE * block, block, BITS)
    data = samples()
    assert len(data) == FRAMES * block
    isft = SOFTWARE.ljust(SOFTWARE_FIELD, b"\0")
    info = chunk(b"LIST", b"INFO" + chunk(b"ISFT", isft))
    body = b"WAVE" + chunk(b"fmt ", fmt) + chunk(b"data", data) + info
    return chunk(b"RIFF", body)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "beep.wav")
    blob = wave_file()
    assert len(blob) == 3218, len(blob)
    with open(path, "wb") as f:
        f.write(blob)
    print("wrote %s (%d bytes)" % (path, len(blob)))


if __name__ == "__main__":
    main()
