#!/usr/bin/python3
"""Reads WAV recordings of the rig's counter signal (see pattern.py) and prints,
for each, the counter values read, the samples of silence (the source gave
nothing: not a loss) and the counter values lost or repeated on the way.
Works sample by sample, so silence inserted inside one counter value is told
from a break. Exit status 1 when any file lost or repeated audio."""
import array
import sys


def value_at(samples, i):
    return samples[i] | (samples[i + 1] << 16)


def first_pair(samples):
    """Where the count starts: a source that underran by an odd number of
    samples leaves the pairs one sample off the start of the recording."""
    for i in range(len(samples) - 3):
        if value_at(samples, i + 2) == value_at(samples, i) + 1 and samples[i + 1] < 0x100:
            return i
    return len(samples)


def breaks(samples):
    """Follows the count sample by sample: a zero where another sample was
    due is silence (the count goes on after it, even inside one value);
    anything else is a break, after which the count is found again."""
    pairs = silent = lost = repeated = 0
    i = first_pair(samples)
    silent += i
    expected, half = (value_at(samples, i), 0) if i + 1 < len(samples) else (0, 0)
    while i < len(samples):
        due = expected & 0xFFFF if half == 0 else expected >> 16
        if samples[i] == due:
            half ^= 1
            if half == 0:
                pairs += 1
                expected += 1
            i += 1
        elif samples[i] == 0:
            silent += 1
            i += 1
        else:
            start = i + first_pair(samples[i:i + 64])
            if start + 1 >= len(samples):
                break
            value = value_at(samples, start)
            if value > expected:
                lost += value - expected
            else:
                repeated += expected - value + (half == 1)
            expected, half, i = value, 0, start
    return pairs, silent, lost, repeated


def main():
    bad = False
    for path in sys.argv[1:]:
        data = open(path, "rb").read()[44:]  # the header vmic writes
        samples = array.array("H", data[: len(data) // 2 * 2])
        if sys.byteorder != "little":
            samples.byteswap()
        pairs, silent, lost, repeated = breaks(samples)
        bad |= lost + repeated > 0
        print(f"{path}: {pairs} counter values ({pairs / 8000:.1f} s), "
              f"silence {silent / 16000:.2f} s, lost {lost}, repeated {repeated}")
    return 1 if bad else 0


sys.exit(main())
