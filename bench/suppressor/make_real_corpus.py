#!/usr/bin/python3
"""The independent check: recorded speech that nothing here is tuned or
trained on. The voice clips alsa-utils ships (/usr/share/sounds/alsa, one
speaker, 48 kHz; Noise.wav is left out) are resampled to 16 kHz and joined
three to an utterance with pauses, then mixed with the benchmark's eight
noise types at its SNRs (seeds of their own). Same layout as the corpus,
split "real", written below $SUPPRESSOR_BENCH_WORK (scripts/bench-suppressor.sh
--real sets it, so the benchmark's own corpus and results stay as they are).
"""
import os
import sys
import tempfile

import numpy as np
from scipy import signal
from scipy.io import wavfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_corpus as mc  # noqa: E402
from paths import CORPUS  # noqa: E402

CLIPS = '/usr/share/sounds/alsa'
UTTERANCES = [('Front_Center', 'Front_Left', 'Front_Right'), ('Rear_Center', 'Rear_Left', 'Rear_Right'),
              ('Side_Left', 'Side_Right', 'Front_Center'), ('Front_Left', 'Rear_Right', 'Side_Left')]


def clip(name):
    rate, x = wavfile.read(os.path.join(CLIPS, name + '.wav'))
    if rate != 48000 or x.ndim != 1:
        raise SystemExit(f'{name}.wav: expected 48 kHz mono, got {rate} Hz, shape {x.shape}')
    return signal.resample_poly(x.astype(np.float64), 1, 3)


def build_clean(i):
    rng = np.random.default_rng(2000 + i)
    parts = [np.zeros(mc.FS)]
    for k, name in enumerate(UTTERANCES[i]):
        if k:
            parts.append(np.zeros(int(rng.uniform(0.4, 1.0) * mc.FS)))
        parts.append(clip(name))
    parts.append(np.zeros(int(0.6 * mc.FS)))
    x = np.concatenate(parts)
    return x * np.sqrt((10 ** (-26 / 10) * 32768 ** 2) / mc.active_power(x))  # -26 dBFS active level


def main():
    if not os.environ.get('SUPPRESSOR_BENCH_WORK'):
        raise SystemExit('set SUPPRESSOR_BENCH_WORK: this corpus must not replace the benchmark\'s own')
    os.makedirs(os.path.join(CORPUS, 'clean'), exist_ok=True)
    os.makedirs(os.path.join(CORPUS, 'noisy'), exist_ok=True)
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        for i in range(len(UTTERANCES)):
            clean = build_clean(i)
            for ni, kind in enumerate(mc.NOISES):
                rng = np.random.default_rng(70000 + 100 * i + ni)
                noise = mc.make_noise(kind, len(clean), rng, tmp)
                pn, ps = np.mean(noise ** 2), mc.active_power(clean)
                for snr in mc.SNRS:
                    name = f'r{i:02d}_{kind}_{snr:02d}dB'
                    mc.write_mixture(CORPUS, name, clean, clean + noise * np.sqrt(ps / (pn * 10 ** (snr / 10))))
                    rows.append(dict(name=name, utt=i, voice='alsa-utils', noise=kind, snr=snr, split='real',
                                     seconds=round(len(clean) / mc.FS, 3)))
    mc.write_rows(os.path.join(CORPUS, 'corpus.csv'), rows)
    print(f'{len(rows)} mixtures of recorded speech written to {CORPUS}', file=sys.stderr)


if __name__ == '__main__':
    main()
