#!/usr/bin/python3
"""Reproducible noisy-speech corpus for the Hushwave suppressor benchmark.

Clean speech: espeak-ng (several voices/languages, male and female), each
utterance = 1.0 s leading silence + sentence + pause + sentence + tail,
converted to 16 kHz mono 16-bit with sox. Noises are synthesised with numpy
from fixed seeds (babble from other espeak-ng utterances). Mixed at 0/5/10/20
dB SNR measured on active speech. Split: utterances 0-5 = tune, 6-11 =
held-out; the two splits use different sentences, voices and noise seeds.

Writes build/suppressor-bench/work/corpus/{clean,noisy}/<name>.raw and corpus.csv.
"""
import csv
import glob
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy import signal

FS = 16000
from paths import CORPUS as OUT, WORK
SNRS = [0, 5, 10, 20]
NOISES = ['white', 'pink', 'brown', 'fan', 'hum', 'babble', 'clicks', 'modulated']

# (voice, speed, [sentence A, sentence B])
UTTS = [
    ('en-us', 165, ['The quick brown fox jumps over the lazy dog near the river bank.',
                    'Please call me back when you have finished reading the report.']),
    ('en-us+f3', 160, ['We will meet at the station at half past seven tomorrow morning.',
                       'Could you send the slides before the meeting starts?']),
    ('de', 155, ['Der Zug nach Berlin hat heute leider zwanzig Minuten Verspätung.',
                 'Bitte schalten Sie Ihr Mikrofon aus, wenn Sie nicht sprechen.']),
    ('fr-fr+f2', 160, ['Nous avons besoin de plus de temps pour terminer ce projet.',
                       'Le rendez-vous est confirmé pour jeudi après-midi.']),
    ('es+m3', 165, ['El pronóstico dice que mañana va a llover en toda la región.',
                    'Necesitamos revisar el presupuesto antes del viernes.']),
    ('en-gb+f4', 155, ['My sister bought a small blue car with a very loud horn.',
                       'The library closes early on Sundays during the summer.']),
    # held-out from here
    ('en-us+m2', 160, ['Six thick thistle sticks were found beside the old stone wall.',
                       'Remember to save your work before you shut down the computer.']),
    ('it+f1', 160, ['Domani andiamo al mare se il tempo sarà bello e caldo.',
                    'La riunione di oggi è stata spostata alle quattro.']),
    ('nl', 160, ['De vergadering begint over tien minuten in de grote zaal.',
                 'Kun je het raam even dicht doen, het tocht hier.']),
    ('en-gb-x-rp+f5', 150, ['Every morning she walks her two dogs through the quiet park.',
                            'I think the connection is breaking up, can you hear me now?']),
    ('pt-br+m4', 165, ['O avião pousou com uma hora de atraso por causa da chuva.',
                       'Vamos conversar sobre isso na próxima semana.']),
    ('sv+f3', 155, ['Vi ses på kontoret klockan nio imorgon bitti.',
                    'Kan du skicka mig dokumentet innan lunch?']),
]
TUNE = set(range(6))

BABBLE = [
    ('en-us+m1', 'Yesterday the whole team went out for dinner and talked for hours.'),
    ('en-gb+f1', 'It is not what you said but the way that you said it.'),
    ('de+m2', 'Wir müssen noch die Rechnungen für den letzten Monat bezahlen.'),
    ('fr-fr+m1', 'Il fait beau aujourd hui, allons nous promener dans le jardin.'),
    ('es+f2', 'Mi hermano trabaja en un hospital en el centro de la ciudad.'),
    ('en-us+f2', 'Have you seen the new building they put up across the street?'),
    ('it+m1', 'Il treno per Milano parte dal binario numero tre.'),
    ('nl+f2', 'Morgen gaan we met de fiets naar het strand.'),
]


def espeak(voice, text, speed, path_wav):
    subprocess.run(['espeak-ng', '-v', voice, '-s', str(speed), '-w', path_wav, text], check=True)


def to16k(path_wav):
    raw = subprocess.run(['sox', '-D', path_wav, '-r', str(FS), '-c', '1', '-b', '16', '-e', 'signed-integer',
                          '-t', 'raw', '-'], check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype='<i2').astype(np.float64)


def festival(voice, text, speed, path_wav, tmp):
    # festival's diphone voices are cut from recordings: nearer a recorded voice than espeak's
    txt = os.path.join(tmp, 'u.txt')
    with open(txt, 'w') as f:
        f.write(text)
    stretch = f'(Parameter.set \'Duration_Stretch {165.0 / speed:.3f})'
    r = subprocess.run(['text2wave', '-eval', f'({voice})', '-eval', stretch, txt, '-o', path_wav], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if 'unbound' in r.stderr.lower():  # festival speaks on in its default voice
        raise SystemExit(f'festival has no {voice}: {r.stderr.strip()}')


def say(voice, text, speed, tmp):
    """voice: an espeak-ng voice, or festival:<voice function>."""
    p = os.path.join(tmp, 'u.wav')
    if voice.startswith('festival:'):
        festival(voice[len('festival:'):], text, speed, p, tmp)
    else:
        espeak(voice, text, speed, p)
    x = to16k(p)
    nz = np.nonzero(np.abs(x) > 30)[0]  # trim the synthesiser's own edges
    return x[nz[0]:nz[-1] + 1] if len(nz) else x


PROMPTS = '/usr/share/asterisk/sounds'  # asterisk-core-sounds-*-g722: recorded prompts, 16 kHz G.722


def prompts(speaker, min_sec=1.2):
    """The recorded prompts of one speaker (a folder such as en_US_f_Allison) of at least min_sec."""
    paths = sorted(glob.glob(os.path.join(PROMPTS, speaker, '**', '*.g722'), recursive=True))
    if not paths:
        raise SystemExit(f'no prompts of {speaker} under {PROMPTS}: install asterisk-core-sounds-*-g722')
    return [p for p in paths if os.path.getsize(p) >= min_sec * 8000]  # G.722: 8000 bytes a second


def prompt(path):
    """One prompt decoded by ffmpeg, cut to the 20 ms frames within 45 dB of its loudest."""
    raw = subprocess.run(['ffmpeg', '-hide_banner', '-loglevel', 'error', '-f', 'g722', '-i', path, '-ar', str(FS),
                          '-ac', '1', '-f', 's16le', '-'], stdin=subprocess.DEVNULL, check=True,
                         capture_output=True).stdout
    x = np.frombuffer(raw, dtype='<i2').astype(np.float64)
    e = frame_power(x)
    on = np.nonzero(e > e.max() * 10 ** (-4.5))[0]
    return x[on[0] * 320:(on[-1] + 1) * 320]


def frame_power(x):
    """Mean power of each whole 20 ms frame."""
    n = len(x) // 320
    return (x[:n * 320].reshape(n, 320) ** 2).mean(axis=1)


def active_power(x):
    """Mean power of 20 ms frames within 35 dB of the loudest frame."""
    e = frame_power(x)
    act = e > e.max() * 10 ** (-3.5)
    return e[act].mean()


def colored(rng, n, exponent):
    """Gaussian noise with PSD ~ 1/f^exponent (pink=1, brown=2)."""
    w = np.fft.rfft(rng.standard_normal(n))
    f = np.fft.rfftfreq(n, 1 / FS)
    f[0] = f[1]
    w *= 1.0 / f ** (exponent / 2)
    w[f < 20] *= 0.1  # no sub-audio drift
    return np.fft.irfft(w, n)


def make_noise(kind, n, rng, tmp):
    t = np.arange(n) / FS
    if kind == 'white':
        return rng.standard_normal(n)
    if kind == 'pink':
        return colored(rng, n, 1.0)
    if kind == 'brown':
        return colored(rng, n, 2.0)
    if kind == 'fan':
        # broadband airflow (low-passed pink) + blade-pass tone and harmonics
        # with slow speed wobble + a motor whine.
        base = colored(rng, n, 0.8)
        b, a = signal.butter(2, 2500 / (FS / 2))
        base = signal.lfilter(b, a, base)
        base /= base.std()
        f0 = rng.uniform(90, 140)
        wob = 1 + 0.01 * np.sin(2 * np.pi * 0.2 * t + rng.uniform(0, 6.3))
        ph = 2 * np.pi * f0 * np.cumsum(wob) / FS
        tones = sum((0.8 / h) * np.sin(h * ph + rng.uniform(0, 6.3)) for h in range(1, 6))
        whine = 0.3 * np.sin(2 * np.pi * rng.uniform(900, 1400) * np.cumsum(wob) / FS)
        return base + tones + whine
    if kind == 'hum':
        f0 = 50.0 * (1 + rng.uniform(-0.002, 0.002))
        amps = {1: 1.0, 2: 0.3, 3: 0.6, 4: 0.15, 5: 0.4, 6: 0.1, 7: 0.25, 9: 0.15, 11: 0.1, 13: 0.06, 15: 0.04}
        h = sum(a * np.sin(2 * np.pi * f0 * k * t + rng.uniform(0, 6.3)) for k, a in amps.items())
        return h + 0.01 * rng.standard_normal(n)
    if kind == 'babble':
        out = np.zeros(n)
        idx = rng.permutation(len(BABBLE))[:6]
        for i in idx:
            v, txt = BABBLE[i]
            u = say(v, txt, int(rng.integers(150, 175)), tmp)
            u = u / np.sqrt(active_power(u))
            reps = int(np.ceil((n + len(u)) / len(u))) + 1
            loop = np.concatenate([np.concatenate([u, np.zeros(int(rng.integers(800, 4000)))])
                                   for _ in range(reps)])
            off = int(rng.integers(0, len(u)))
            out += loop[off:off + n]
        return out
    if kind == 'clicks':
        # keystrokes: a press click and a softer release 60-120 ms later,
        # typing bursts with pauses, over a faint room noise.
        out = 0.02 * colored(rng, n, 1.0) / 30.0
        pos = int(rng.integers(0, FS // 4))
        while pos < n - FS // 10:
            for click_gain in (1.0, 0.4):
                ln = int(rng.integers(40, 130))
                burst = rng.standard_normal(ln) * np.exp(-np.arange(ln) / (ln / 4))
                b, a = signal.butter(2, [rng.uniform(800, 2000) / (FS / 2), 6000 / (FS / 2)], 'band')
                burst = signal.lfilter(b, a, burst) * click_gain * rng.uniform(0.5, 1.0)
                end = min(n, pos + ln)
                if end > pos:
                    out[pos:end] += burst[:end - pos]
                pos += int(rng.integers(int(0.06 * FS), int(0.12 * FS)))
            pos += int(rng.exponential(0.15 * FS)) + (int(rng.uniform(0.5, 1.5) * FS) if rng.random() < 0.15 else 0)
        return out
    if kind == 'modulated':
        base = colored(rng, n, 1.0)
        base /= base.std()
        fm = rng.uniform(0.15, 0.4)
        env_db = 6 * np.sin(2 * np.pi * fm * t + rng.uniform(0, 6.3)) + 3 * np.sin(2 * np.pi * 0.07 * t)
        return base * 10 ** (env_db / 20)
    raise ValueError(kind)


def write_mixture(out, name, clean, mix):
    """16-bit clean and noisy files, scaled together so the mix does not clip (SNR unchanged)."""
    scale = min(1.0, 32000 / np.max(np.abs(mix)))
    np.round(clean * scale).astype('<i2').tofile(os.path.join(out, 'clean', name + '.raw'))
    np.clip(np.round(mix * scale), -32768, 32767).astype('<i2').tofile(os.path.join(out, 'noisy', name + '.raw'))


def write_rows(path, rows):
    with open(path, 'w', newline='') as f:
        w = csv.DictWriter(f, fieldnames=list(rows[0].keys()))
        w.writeheader()
        w.writerows(rows)


def build_clean(i, tmp):
    voice, speed, (s1, s2) = UTTS[i]
    rng = np.random.default_rng(1000 + i)
    a = say(voice, s1, speed, tmp)
    b = say(voice, s2, speed, tmp)
    lead = np.zeros(FS)
    gap = np.zeros(int(rng.uniform(0.6, 1.2) * FS))
    tail = np.zeros(int(0.6 * FS))
    x = np.concatenate([lead, a, gap, b, tail])
    x *= np.sqrt((10 ** (-26 / 10) * 32768 ** 2) / active_power(x))  # -26 dBFS active level
    return x


def main():
    # The tuning helper caches the unprocessed inputs' scores: stale now.
    for f in glob.glob(os.path.join(WORK, 'input_scores_*.pkl')):
        os.remove(f)
    os.makedirs(os.path.join(OUT, 'clean'), exist_ok=True)
    os.makedirs(os.path.join(OUT, 'noisy'), exist_ok=True)
    rows = []
    with tempfile.TemporaryDirectory() as tmp:
        for i in range(len(UTTS)):
            clean = build_clean(i, tmp)
            split = 'tune' if i in TUNE else 'heldout'
            for ni, kind in enumerate(NOISES):
                rng = np.random.default_rng(50000 + 100 * i + ni)  # per utterance & noise: distinct instances
                noise = make_noise(kind, len(clean), rng, tmp)
                pn = np.mean(noise ** 2)
                ps = active_power(clean)
                for snr in SNRS:
                    nz = noise * np.sqrt(ps / (pn * 10 ** (snr / 10)))
                    mix = clean + nz
                    name = f'u{i:02d}_{kind}_{snr:02d}dB'
                    write_mixture(OUT, name, clean, mix)
                    rows.append(dict(name=name, utt=i, voice=UTTS[i][0], noise=kind, snr=snr, split=split,
                                     seconds=round(len(clean) / FS, 3)))
            print(f'utterance {i} ({UTTS[i][0]}) done: {len(clean) / FS:.1f} s', file=sys.stderr)
    write_rows(os.path.join(OUT, 'corpus.csv'), rows)
    print(f'{len(rows)} mixtures written to {OUT}', file=sys.stderr)


if __name__ == '__main__':
    main()
