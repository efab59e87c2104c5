#!/usr/bin/python3
"""Writes the rig's noisy microphone signal: raw 16 kHz mono s16le, a voiced
sound (140 Hz with its harmonics, 0.4 s on, 0.6 s off) over steady white
noise about 30 dB below it. A one-second period, repeated, so the gaps where
only noise is heard come every second. Usage: noisy.py FILE SECONDS"""
import array
import math
import random
import sys

RATE, PERIOD = 16000, 16000
rng = random.Random(20261208)
period = []
for n in range(PERIOD):
    voiced = 0.0
    if n < 0.4 * RATE:
        edge = min(1.0, n / 160.0, (0.4 * RATE - n) / 160.0)  # 10 ms ramps
        voiced = edge * sum(2400.0 / h * math.sin(2 * math.pi * 140 * h * n / RATE)
                            for h in range(1, 9))
    period.append(int(round(max(-32768, min(32767, voiced + rng.gauss(0.0, 250.0))))))
samples = array.array("h", period)
if sys.byteorder != "little":
    samples.byteswap()
with open(sys.argv[1], "wb") as f:
    for _ in range(int(sys.argv[2])):
        samples.tofile(f)
