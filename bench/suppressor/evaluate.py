#!/usr/bin/python3
"""Score every system's outputs against the clean references.

For each system the delay is estimated by cross-correlating its output with
the clean reference (median over files) and removed before scoring.
Writes results/results.csv (per file), results/results.md (tables, also
printed) and results/summary.png.
Usage: evaluate.py [--systems a,b] [--split tune|heldout] [--outdir DIR] [--quiet]
"""
import argparse
import csv
import os
import sys
from multiprocessing import Pool

for _v in ('OMP_NUM_THREADS', 'OPENBLAS_NUM_THREADS', 'MKL_NUM_THREADS'):
    os.environ.setdefault(_v, '1')  # one thread per worker process

import numpy as np  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import metrics  # noqa: E402

from paths import CORPUS, HERE, OUTROOT, RESULTS, WORK  # noqa: E402,F401
ORDER = ['passthrough', 'hushwave', 'speex-15', 'speex-30', 'webrtc-moderate', 'webrtc-high',
         'webrtc-veryhigh', 'rnnoise']
FS = 16000


def load(path):
    return np.fromfile(path, dtype='<i2').astype(np.float64)


def rows_of(split):
    with open(os.path.join(CORPUS, 'corpus.csv')) as f:
        return [r for r in csv.DictReader(f) if split is None or r['split'] == split]


def input_scores(name):
    c = load(os.path.join(CORPUS, 'clean', name + '.raw'))
    x = load(os.path.join(CORPUS, 'noisy', name + '.raw'))
    return name, metrics.si_sdr(c, x), metrics.stoi(c, x), metrics.lsd_speech(c, x)


def file_delay(args):
    outdir, name = args
    c = load(os.path.join(CORPUS, 'clean', name + '.raw'))
    y = load(os.path.join(outdir, name + '.raw'))
    return metrics.estimate_delay(c, y)


def score(args):
    outdir, name, delay = args
    c = load(os.path.join(CORPUS, 'clean', name + '.raw'))
    x = load(os.path.join(CORPUS, 'noisy', name + '.raw'))
    y = load(os.path.join(outdir, name + '.raw')) if outdir else x.copy()
    y = y[delay:]
    n = min(len(c), len(y))
    c, x, y = c[:n], x[:n], y[:n]
    return dict(sisdr=metrics.si_sdr(c, y), stoi=metrics.stoi(c, y),
                att=metrics.pause_attenuation(x, y, c), att1=metrics.pause_attenuation(x, y, c, 1.0),
                lsd=metrics.lsd_speech(c, y), musical=metrics.musical_noise(x, y, c, 1.0))


def timing_stats(outdir, system):
    path = os.path.join(outdir, 'timing.txt')
    if not os.path.exists(path):
        return None
    t = np.loadtxt(path)
    if system == 'rnnoise':  # 10 ms frames -> 20 ms blocks
        t = t[:len(t) // 2 * 2].reshape(-1, 2).sum(axis=1)
    return dict(median=float(np.median(t)), p99=float(np.percentile(t, 99)), rtf=float(t.sum() / (len(t) * 20000.0)))


def evaluate(systems, split=None, quiet=False, outroot=OUTROOT, procs=2):
    rows = rows_of(split)
    names = [r['name'] for r in rows]
    with Pool(procs) as pool:
        base = {n: (s, st, l) for n, s, st, l in pool.map(input_scores, names)}
        results, info = [], {}
        for system in systems:
            outdir = None if system == 'passthrough' else os.path.join(outroot, system)
            if outdir and not os.path.exists(os.path.join(outdir, names[0] + '.raw')):
                print(f'{system}: no outputs, skipped', file=sys.stderr)
                continue
            if outdir:
                delays = pool.map(file_delay, [(outdir, n) for n in names])
                delay = int(np.median(delays))
                spread = float(np.mean(np.abs(np.array(delays) - delay) <= 2))
            else:
                delay, spread = 0, 1.0
            info[system] = dict(delay=delay, delay_agree=spread, timing=timing_stats(outdir, system) if outdir else None)
            scores = pool.map(score, [(outdir, n, delay) for n in names])
            for r, sc in zip(rows, scores):
                s_in, st_in, lsd_in = base[r['name']]
                results.append(dict(system=system, name=r['name'], noise=r['noise'], snr=int(r['snr']),
                                    split=r['split'], sisdr_in=s_in, sisdr_out=sc['sisdr'],
                                    sisdr_i=sc['sisdr'] - s_in, stoi_in=st_in, stoi_out=sc['stoi'],
                                    stoi_d=sc['stoi'] - st_in, att=sc['att'], att1=sc['att1'],
                                    lsd=sc['lsd'], lsd_in=lsd_in, musical=sc['musical']))
    return results, info


def mean(rs, key):
    v = [r[key] for r in rs if np.isfinite(r[key])]
    return float(np.mean(v)) if v else float('nan')


def noise_table(title, results, systems, noises, single=None):
    """Rows of systems, columns of noises: SI-SDRi / STOI change, or one (key, format)."""
    head = f'{title} (SI-SDRi dB / STOI change)' if single is None else title
    out = [f'\n## {head}\n', '| system | ' + ' | '.join(noises) + ' |', '|---' * (len(noises) + 1) + '|']
    for s in systems:
        cells = []
        for nz in noises:
            rs = [r for r in results if r['system'] == s and r['noise'] == nz]
            cells.append(f"{mean(rs, 'sisdr_i'):.2f} / {mean(rs, 'stoi_d'):+.4f}" if single is None
                         else f"{mean(rs, single[0]):{single[1]}}")
        out.append(f'| {s} | ' + ' | '.join(cells) + ' |')
    return out


def tables(results, info):
    systems = [s for s in ORDER if s in info] + [s for s in info if s not in ORDER]
    splits = list(dict.fromkeys(r['split'] for r in results))  # in corpus order: tune, heldout
    out = []
    out.append('## Overall (mean over all files)\n')
    out.append('| system | SI-SDRi dB | STOI chg | pause att dB | pause att >1s dB | >1s, lowest noise type dB | '
               'musical noise dB | LSD speech dB | delay ms | CPU median us/20ms | CPU p99 us | RTF |')
    out.append('|---|---|---|---|---|---|---|---|---|---|---|---|')
    kinds = list(dict.fromkeys(r['noise'] for r in results))
    for s in systems:
        rs = [r for r in results if r['system'] == s]
        t = info[s]['timing']
        cpu = (f"{t['median']:.1f} | {t['p99']:.1f} | {t['rtf']:.5f}" if t else '- | - | -')
        # the mean over all files hides a noise type that stays loud in pauses
        low = min((mean([r for r in rs if r['noise'] == k], 'att1'), k) for k in kinds)
        out.append(f"| {s} | {mean(rs, 'sisdr_i'):.2f} | {mean(rs, 'stoi_d'):+.4f} | {mean(rs, 'att'):.1f} | "
                   f"{mean(rs, 'att1'):.1f} | {low[0]:.1f} ({low[1]}) | {mean(rs, 'musical'):.2f} | {mean(rs, 'lsd'):.2f} | "
                   f"{info[s]['delay'] / 16:.2f} | {cpu} |")
    out.append('\n## By split (SI-SDRi dB / STOI change)\n')
    out.append('| system | ' + ' | '.join('held-out' if sp == 'heldout' else sp for sp in splits) + ' |')
    out.append('|---' * (len(splits) + 1) + '|')
    for s in systems:
        cells = []
        for sp in splits:
            rs = [r for r in results if r['system'] == s and r['split'] == sp]
            cells.append(f"{mean(rs, 'sisdr_i'):.2f} / {mean(rs, 'stoi_d'):+.4f}" if rs else '-')
        out.append(f'| {s} | ' + ' | '.join(cells) + ' |')
    snrs = sorted({r['snr'] for r in results})
    noises = list(dict.fromkeys(r['noise'] for r in results))
    out.append('\n## By input SNR (SI-SDRi dB / STOI change)\n')
    out.append('| system | ' + ' | '.join(f'{x} dB' for x in snrs) + ' |')
    out.append('|---' * (len(snrs) + 1) + '|')
    for s in systems:
        cells = []
        for snr in snrs:
            rs = [r for r in results if r['system'] == s and r['snr'] == snr]
            cells.append(f"{mean(rs, 'sisdr_i'):.2f} / {mean(rs, 'stoi_d'):+.4f}")
        out.append(f'| {s} | ' + ' | '.join(cells) + ' |')
    for snr in snrs:
        out += noise_table(f'{snr} dB input SNR per noise type', [r for r in results if r['snr'] == snr],
                           systems, noises)
    out += noise_table('Per noise type, all SNRs', results, systems, noises)
    if 'hushwave' in systems and 'rnnoise' in systems:
        out.append('\n## Ours against RNNoise per noise type, all SNRs (SI-SDRi dB / STOI change; '
                   '"win" when both are ahead)\n')
        out.append('| split | noise | hushwave | rnnoise | |')
        out.append('|---|---|---|---|---|')
        for sp in ['all'] + (splits if len(splits) > 1 else []):
            for nz in noises + ['all noises']:
                cell = {}
                for s in ('hushwave', 'rnnoise'):
                    rs = [r for r in results if r['system'] == s and (nz == 'all noises' or r['noise'] == nz)
                          and (sp == 'all' or r['split'] == sp)]
                    cell[s] = (mean(rs, 'sisdr_i'), mean(rs, 'stoi_d'))
                h, rn = cell['hushwave'], cell['rnnoise']
                verdict = 'win' if h[0] > rn[0] and h[1] > rn[1] else (
                    'loses SI-SDRi' if h[0] <= rn[0] and h[1] > rn[1] else (
                        'loses STOI' if h[1] <= rn[1] and h[0] > rn[0] else 'loses both'))
                out.append(f'| {sp} | {nz} | {h[0]:.2f} / {h[1]:+.4f} | {rn[0]:.2f} / {rn[1]:+.4f} | {verdict} |')
    out += noise_table('Musical noise in pauses after the first second per noise type (dB of gain flicker, '
                       'all SNRs)', results, systems, noises, ('musical', '.2f'))
    out += noise_table('Pause attenuation after the first second per noise type (dB, all SNRs)', results,
                       systems, noises, ('att1', '.1f'))
    out.append('\n## Delay estimation (cross-correlation with clean reference)\n')
    out.append('| system | delay samples | delay ms | files within +-2 samples of median |')
    out.append('|---|---|---|---|')
    for s in systems:
        out.append(f"| {s} | {info[s]['delay']} | {info[s]['delay'] / 16:.2f} | {100 * info[s]['delay_agree']:.0f} % |")
    return '\n'.join(out)


def plot(results, info, path):
    import matplotlib
    matplotlib.use('Agg')
    import matplotlib.pyplot as plt
    systems = [s for s in ORDER if s in info]
    snrs = sorted({r['snr'] for r in results})
    noises = list(dict.fromkeys(r['noise'] for r in results))
    fig, ax = plt.subplots(1, 3, figsize=(18, 5))
    for s in systems:
        ax[0].plot(snrs, [mean([r for r in results if r['system'] == s and r['snr'] == x], 'sisdr_i') for x in snrs],
                   marker='o', label=s, lw=2.5 if s == 'hushwave' else 1.2)
        ax[1].plot(snrs, [mean([r for r in results if r['system'] == s and r['snr'] == x], 'stoi_d') for x in snrs],
                   marker='o', label=s, lw=2.5 if s == 'hushwave' else 1.2)
    ax[0].set(xlabel='input SNR (dB)', ylabel='SI-SDR improvement (dB)', title='SI-SDR improvement')
    ax[1].set(xlabel='input SNR (dB)', ylabel='STOI change', title='STOI change')
    ax[1].axhline(0, color='k', lw=0.5)
    ax[0].legend(fontsize=8)
    w = 0.8 / max(1, len(systems))
    for i, s in enumerate(systems):
        ax[2].bar(np.arange(len(noises)) + i * w,
                  [mean([r for r in results if r['system'] == s and r['noise'] == nz], 'sisdr_i') for nz in noises],
                  w, label=s)
    ax[2].set_xticks(np.arange(len(noises)) + 0.4 - w / 2, noises, rotation=30)
    ax[2].set(ylabel='SI-SDR improvement (dB)', title='per noise type (all SNRs)')
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--systems', default=','.join(ORDER))
    ap.add_argument('--split', default=None)
    ap.add_argument('--outdir', default=RESULTS)
    args = ap.parse_args()
    systems = args.systems.split(',')
    results, info = evaluate(systems, args.split)
    os.makedirs(args.outdir, exist_ok=True)
    with open(os.path.join(args.outdir, 'results.csv'), 'w', newline='') as f:
        w = csv.DictWriter(f, fieldnames=list(results[0].keys()))
        w.writeheader()
        w.writerows(results)
    text = tables(results, info)
    with open(os.path.join(args.outdir, 'results.md'), 'w') as f:
        f.write('# Hushwave suppressor benchmark results\n\n' + text + '\n')
    print(text)
    plot(results, info, os.path.join(args.outdir, 'summary.png'))


if __name__ == '__main__':
    main()
