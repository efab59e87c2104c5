#!/usr/bin/python3
"""Writes the rig's test signal: raw 16 kHz mono s16le in which every pair of
samples is a 32-bit counter (low half, then high half), starting at 1000. Any
dropped, repeated or reordered frame shows as a break in the count."""
import array
import sys

seconds = int(sys.argv[2])
pairs = seconds * 8000
counter = range(1000, 1000 + pairs)
samples = array.array("H", bytes(4 * pairs))
samples[0::2] = array.array("H", (k & 0xFFFF for k in counter))
samples[1::2] = array.array("H", (k >> 16 for k in counter))
if sys.byteorder != "little":
    samples.byteswap()
with open(sys.argv[1], "wb") as f:
    samples.tofile(f)
