#!/usr/bin/python3
"""Training mixtures for the learned gain estimator (fixed seeds).

Speech: espeak-ng voices that the benchmark's held-out split does not use,
reading sentences cut from the licence texts Debian ships in
/usr/share/common-licenses (never the benchmark's sentences). Noises: the
benchmark's generators with other seeds, plus variants it does not have
(faster and deeper swelling, modulated white and brown noise, typing with
other spectra and rates, knocks), and babble made from both kinds of training voice.
Recorded speech beside it: N_RECORDED more utterances of two prompts each,
spoken by the asterisk voices (RECORDED; fr_CA_f_June is kept for the
benchmark's stand-in), half of them pitch-shifted to stand for other speakers:
espeak-ng's harmonics never glide, jitter or breathe as a recorded voice's do.
Each mixture: lead silence, sentence, pause, sentence, tail; SNR -5..30 dB
on active speech, level -38..-18 dBFS. 10 % of the utterances are kept
aside as the training script's validation split.

Writes build/suppressor-bench/work/train/{clean,noisy}/<name>.raw and train.csv.
"""
import os
import re
import subprocess
import sys
import tempfile

import numpy as np
from scipy import signal
from scipy.io import wavfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_corpus as mc  # noqa: E402
from paths import WORK  # noqa: E402

FS = mc.FS
OUT = os.path.join(WORK, 'train')
N_UTT = 300
N_RECORDED = 300
RECORDED = ['en_US_f_Allison', 'es_MX_f_Allison', 'it_IT_m_Carlo', 'ru_RU_f_IvrvoiceRU']
HELDOUT_VOICES = {u[0] for u in mc.UTTS[6:]}
VOICES = [v for v in [
    'en-us', 'en-us+f1', 'en-us+f2', 'en-us+f4', 'en-us+m1', 'en-us+m3', 'en-us+m5', 'en-gb', 'en-gb+f2',
    'en-gb+m1', 'en-gb+m3', 'en-gb-scotland', 'en-gb-scotland+f3', 'en-029', 'en-029+f1',
    'en-gb-x-gbclan', 'en-gb-x-gbcwmd+f2', 'en-us-nyc', 'en-us-nyc+f4', 'de', 'de+f1', 'de+m3', 'fr-fr',
    'fr-fr+f3', 'es', 'es+f4', 'pl', 'pl+f2', 'cs+m1', 'ru+f2', 'da', 'fi+f1', 'hu+m2', 'ro+f3', 'tr',
    'el+m1', 'af+f2', 'ca', 'hr+f1', 'sk+m2'] if v not in HELDOUT_VOICES]
SNRS = [-5, 0, 5, 10, 15, 20, 30]
KINDS = mc.NOISES + ['modfast', 'modwhite', 'modbrown', 'typing2', 'knocks']


def sentences():
    txt = ''
    for f in ('GPL-3', 'Apache-2.0', 'LGPL-3', 'MPL-2.0', 'Artistic', 'GFDL-1.3'):
        with open(os.path.join('/usr/share/common-licenses', f), errors='ignore') as fh:
            txt += ' ' + fh.read()
    txt = re.sub(r'\s+', ' ', re.sub(r'[^A-Za-z,.;:\'\- ]', ' ', txt))
    out = []
    for s in re.split(r'(?<=[.;:])\s', txt):
        w = s.split()
        while len(w) >= 6:
            n = min(len(w), 14)
            out.append(' '.join(w[:n]))
            w = w[n:]
    return out


def swelling(rng, n, base, depth_db, f_lo, f_hi):
    t = np.arange(n) / FS
    fm = rng.uniform(f_lo, f_hi)
    env = depth_db * np.sin(2 * np.pi * fm * t + rng.uniform(0, 6.3))
    env += 0.4 * depth_db * np.sin(2 * np.pi * rng.uniform(0.05, 0.2) * t + rng.uniform(0, 6.3))
    return base / base.std() * 10 ** (env / 20)


def typing(rng, n):
    out = 0.02 * mc.colored(rng, n, 1.0) / 30.0 * rng.uniform(0.5, 3)
    pos = int(rng.integers(0, FS // 4))
    rate = rng.uniform(0.05, 0.25)
    while pos < n - FS // 10:
        ln = int(rng.integers(30, 260))
        burst = rng.standard_normal(ln) * np.exp(-np.arange(ln) / (ln / rng.uniform(2, 6)))
        lo = rng.uniform(300, 2500)
        b, a = signal.butter(2, [lo / (FS / 2), min(7500, lo * rng.uniform(2, 8)) / (FS / 2)], 'band')
        burst = signal.lfilter(b, a, burst) * rng.uniform(0.2, 1.0)
        end = min(n, pos + ln)
        out[pos:end] += burst[:end - pos]
        pos += int(rng.exponential(rate * FS)) + int(0.03 * FS)
    return out


def knocks(rng, n):
    out = 0.01 * mc.colored(rng, n, 1.5) / 30.0
    pos = int(rng.integers(0, FS // 2))
    while pos < n - FS // 5:
        ln = int(rng.integers(300, 1600))
        f0 = rng.uniform(80, 400)
        tt = np.arange(ln) / FS
        burst = np.sin(2 * np.pi * f0 * tt) * np.exp(-tt / rng.uniform(0.01, 0.05))
        burst += 0.3 * rng.standard_normal(ln) * np.exp(-tt / 0.004)
        out[pos:pos + ln] += burst * rng.uniform(0.3, 1.0)
        pos += int(rng.exponential(0.6 * FS)) + int(0.1 * FS)
    return out


def babble(rng, n, pool):
    out = np.zeros(n)
    for i in rng.permutation(len(pool))[:int(rng.integers(3, 9))]:
        u = pool[i] / np.sqrt(mc.active_power(pool[i]))
        reps = int(np.ceil(n / len(u))) + 2
        loop = np.concatenate([np.concatenate([u, np.zeros(int(rng.integers(800, 4000)))]) for _ in range(reps)])
        off = int(rng.integers(0, len(u)))
        out += loop[off:off + n]
    return out


def make_noise(kind, n, rng, tmp, pool):
    if kind == 'babble':
        return babble(rng, n, pool)
    if kind == 'modfast':
        return swelling(rng, n, mc.colored(rng, n, 1.0), rng.uniform(4, 10), 0.3, 1.5)
    if kind == 'modwhite':
        return swelling(rng, n, rng.standard_normal(n), rng.uniform(4, 10), 0.1, 0.8)
    if kind == 'modbrown':
        return swelling(rng, n, mc.colored(rng, n, 2.0), rng.uniform(4, 10), 0.1, 0.8)
    if kind == 'typing2':
        return typing(rng, n)
    if kind == 'knocks':
        return knocks(rng, n)
    return mc.make_noise(kind, n, rng, tmp)


def shifted(x, cents, tmp):
    a, b = os.path.join(tmp, 'p.wav'), os.path.join(tmp, 'q.wav')
    wavfile.write(a, FS, np.clip(x, -32768, 32767).astype(np.int16))
    subprocess.run(['sox', '-D', '-V1', a, b, 'pitch', f'{cents:.0f}'], check=True)
    return mc.to16k(b)


def recorded(i, r, tmp, lists):
    """Utterance i of the recorded part: its speaker and two of the speaker's prompts."""
    speaker = RECORDED[i % len(RECORDED)]
    paths = lists[speaker]
    parts = [mc.prompt(paths[k]) for k in r.choice(len(paths), 2, replace=False)]
    if r.random() < 0.5:
        lo, hi = (-200, 600) if '_m_' in speaker else (-600, 300)
        cents = r.uniform(lo, hi)
        parts = [shifted(x, cents, tmp) for x in parts]
    return speaker, parts[0], parts[1]


def main():
    os.makedirs(os.path.join(OUT, 'clean'), exist_ok=True)
    os.makedirs(os.path.join(OUT, 'noisy'), exist_ok=True)
    rng = np.random.default_rng(7)
    sents = sentences()
    rng.shuffle(sents)
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        lists = {s: mc.prompts(s) for s in RECORDED}
        # babble from both kinds of voice, so that neither kind is what marks a voice as noise
        pool = [mc.say(VOICES[i % len(VOICES)], sents[-1 - i], 160, tmp) for i in range(24)]
        pool += [mc.prompt(lists[s][-1 - k]) for k in range(6) for s in RECORDED]
        for i in range(N_UTT + N_RECORDED):
            r = np.random.default_rng(90000 + i)
            if i < N_UTT:
                voice = VOICES[i % len(VOICES)]
                speed = int(r.integers(140, 185))
                a = mc.say(voice, sents[2 * i], speed, tmp)
                b = mc.say(voice, sents[2 * i + 1], speed, tmp)
            else:
                voice, a, b = recorded(i, r, tmp, lists)
            x = np.concatenate([np.zeros(int(r.uniform(0.3, 1.2) * FS)), a, np.zeros(int(r.uniform(0.2, 1.2) * FS)),
                                b, np.zeros(int(r.uniform(0.2, 0.8) * FS))])
            level = r.uniform(-38, -18)
            x *= np.sqrt((10 ** (level / 10) * 32768 ** 2) / mc.active_power(x))
            kind = KINDS[i % len(KINDS)] if r.random() < 0.8 else str(r.choice(['clicks', 'typing2', 'modulated', 'modfast', 'babble']))
            noise = make_noise(kind, len(x), r, tmp, pool)
            snr = float(r.choice(SNRS))
            nz = noise * np.sqrt(mc.active_power(x) / (np.mean(noise ** 2) * 10 ** (snr / 10)))
            mix = x + nz
            name = f't{i:03d}_{kind}_{int(snr):+03d}dB'
            mc.write_mixture(OUT, name, x, mix)
            rows.append(dict(name=name, voice=voice, noise=kind, snr=snr, split='val' if i % 10 == 9 else 'train'))
            if i % 50 == 0:
                print(f'{i} {name}', file=sys.stderr)
    mc.write_rows(os.path.join(OUT, 'train.csv'), rows)
    print(f'{len(rows)} training mixtures in {OUT}', file=sys.stderr)


if __name__ == '__main__':
    main()
