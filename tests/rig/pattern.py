#!/usr/bin/python3
"""Writes the rig's test signal: raw 16 kHz mono s16le in which every pair of
samples is a 32-bit counter (low half, then high half), starting at 1000. Any
dropped, repeated or reordered frame shows as a break in the count.
Usage: pattern.py OUT [SECONDS]; without SECONDS it never ends (OUT is then
a FIFO that a player reads as it plays)."""
import array
import itertools
import sys


def second(start):
    counter = range(start, start + 8000)
    samples = array.array("H", bytes(32000))
    samples[0::2] = array.array("H", (k & 0xFFFF for k in counter))
    samples[1::2] = array.array("H", (k >> 16 for k in counter))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


seconds = range(int(sys.argv[2])) if len(sys.argv) > 2 else itertools.count()
try:
    with open(sys.argv[1], "wb") as f:
        for s in seconds:
            second(1000 + 8000 * s).tofile(f)
except BrokenPipeError:  # the player was stopped
    pass
