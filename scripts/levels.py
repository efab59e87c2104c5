#!/usr/bin/python3
"""Prints the levels of a 16-bit mono recording: the noise between words (the
quietest fifth of its 20 ms frames) and the voice (the loudest fifth), in dB
relative to full scale. Usage: levels.py FILE.wav ..."""
import array
import math
import sys
import wave


def levels(path):
    with wave.open(path, "rb") as w:
        frame = w.getframerate() // 50
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        samples.byteswap()
    power = sorted(sum(s * s for s in samples[i:i + frame]) / frame
                   for i in range(0, len(samples) - frame + 1, frame))
    if len(power) < 10:
        return None
    fifth = len(power) // 5
    db = lambda p: 10 * math.log10(sum(p) / len(p) / 32768.0 ** 2 + 1e-12)
    return db(power[:fifth]), db(power[-fifth:])


for path in sys.argv[1:]:
    result = levels(path)
    if result is None:
        print(f"{path}: too short to measure")
    else:
        print(f"{path}: noise between words {result[0]:.1f} dBFS, voice {result[1]:.1f} dBFS")
