#!/usr/bin/python3
"""Speech nearer a recorded voice than the benchmark's espeak-ng, mixed with
the benchmark's eight noise types at its SNRs (seeds of their own), in the
corpus's layout below $SUPPRESSOR_BENCH_WORK (so the benchmark's own corpus
and results stay as they are).

  --source alsa      the independent check, split "real": the voice clips
                     alsa-utils ships (/usr/share/sounds/alsa, one speaker,
                     48 kHz; Noise.wav left out), three to an utterance with
                     pauses. Never tuned or trained on.
  --source festival  a stand-in that may be tuned on, split "festival":
                     festival's diphone voices (cut from recordings) and one
                     HTS voice reading the benchmark's English sentences;
                     ked_diphone is in no training mixture. Needs festival,
                     festvox-kallpc16k, festvox-kdlpc16k, festvox-us-slt-hts.
  --source prompts   a recorded stand-in that may be tuned on, split "prompts":
                     one speaker's telephone prompts (asterisk's fr_CA_f_June, in
                     no training mixture), three to an utterance. Needs
                     asterisk-core-sounds-fr-g722 and ffmpeg.
"""
import argparse
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
ALSA = [('Front_Center', 'Front_Left', 'Front_Right'), ('Rear_Center', 'Rear_Left', 'Rear_Right'),
        ('Side_Left', 'Side_Right', 'Front_Center'), ('Front_Left', 'Rear_Right', 'Side_Left')]
PROMPTER = 'fr_CA_f_June'
FESTIVAL = ['voice_kal_diphone', 'voice_ked_diphone', 'voice_cmu_us_slt_arctic_hts', 'voice_ked_diphone']


def clip(name):
    rate, x = wavfile.read(os.path.join(CLIPS, name + '.wav'))
    if rate != 48000 or x.ndim != 1:
        raise SystemExit(f'{name}.wav: expected 48 kHz mono, got {rate} Hz, shape {x.shape}')
    return signal.resample_poly(x.astype(np.float64), 1, 3)


def utterance(parts, rng):
    """Parts joined with 0.4-1.0 s pauses, 1 s before, 0.6 s after, at -26 dBFS active level."""
    out = [np.zeros(mc.FS)]
    for k, x in enumerate(parts):
        if k:
            out.append(np.zeros(int(rng.uniform(0.4, 1.0) * mc.FS)))
        out.append(x)
    out.append(np.zeros(int(0.6 * mc.FS)))
    x = np.concatenate(out)
    return x * np.sqrt((10 ** (-26 / 10) * 32768 ** 2) / mc.active_power(x))


def cleans(source, tmp):
    if source == 'alsa':
        return [utterance([clip(n) for n in names], np.random.default_rng(2000 + i)) for i, names in enumerate(ALSA)]
    if source == 'prompts':
        paths = mc.prompts(PROMPTER, 1.5)
        pick = np.random.default_rng(2200).choice(len(paths), 12, replace=False)
        return [utterance([mc.prompt(paths[k]) for k in pick[3 * i:3 * i + 3]], np.random.default_rng(2200 + i))
                for i in range(4)]
    english = [u[2] for u in mc.UTTS if u[0].startswith('en')]
    return [utterance([mc.say('festival:' + v, t, 165, tmp) for t in english[i]], np.random.default_rng(2100 + i))
            for i, v in enumerate(FESTIVAL)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--source', choices=['alsa', 'festival', 'prompts'], default='alsa')
    a = ap.parse_args()
    if not os.environ.get('SUPPRESSOR_BENCH_WORK'):
        raise SystemExit("set SUPPRESSOR_BENCH_WORK: this corpus must not replace the benchmark's own")
    os.makedirs(os.path.join(CORPUS, 'clean'), exist_ok=True)
    os.makedirs(os.path.join(CORPUS, 'noisy'), exist_ok=True)
    split, prefix, seed = {'alsa': ('real', 'r', 70000), 'festival': ('festival', 'f', 80000),
                           'prompts': ('prompts', 'p', 85000)}[a.source]
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        for i, clean in enumerate(cleans(a.source, tmp)):
            for ni, kind in enumerate(mc.NOISES):
                noise = mc.make_noise(kind, len(clean), np.random.default_rng(seed + 100 * i + ni), tmp)
                pn, ps = np.mean(noise ** 2), mc.active_power(clean)
                for snr in mc.SNRS:
                    name = f'{prefix}{i:02d}_{kind}_{snr:02d}dB'
                    mc.write_mixture(CORPUS, name, clean, clean + noise * np.sqrt(ps / (pn * 10 ** (snr / 10))))
                    rows.append(dict(name=name, utt=i, voice=a.source, noise=kind, snr=snr, split=split,
                                     seconds=round(len(clean) / mc.FS, 3)))
    mc.write_rows(os.path.join(CORPUS, 'corpus.csv'), rows)
    print(f'{len(rows)} mixtures ({a.source}) written to {CORPUS}', file=sys.stderr)


if __name__ == '__main__':
    main()
