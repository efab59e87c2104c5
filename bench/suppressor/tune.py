#!/usr/bin/python3
"""Tuning helper: run the Hushwave suppressor with parameter overrides on
one split (or a quick subset of it) and print its scores (used during
development; the benchmark itself runs with the compiled-in defaults).
Usage: tune.py [--split tune|heldout] [--snr 20,...] [--noise babble,...] [--every N] [--files] [k=v ...]
  --snr/--noise keep only those mixtures, --every N every N-th utterance of
  the split: a quick subset to iterate on; the full bench for final figures.
  --files also prints each file's scores.
"""
import argparse
import os
import pickle
import sys
from multiprocessing import Pool

for _v in ('OMP_NUM_THREADS', 'OPENBLAS_NUM_THREADS', 'MKL_NUM_THREADS'):
    os.environ.setdefault(_v, '1')
import numpy as np  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import evaluate as ev  # noqa: E402
import run_systems as rs  # noqa: E402


def subset(rows, snrs, noises, every):
    keep = []
    utts = sorted({r['name'].split('_')[0] for r in rows})
    for r in rows:
        if snrs and int(r['snr']) not in snrs:
            continue
        if noises and r['noise'] not in noises:
            continue
        if utts.index(r['name'].split('_')[0]) % every:
            continue
        keep.append(r)
    return keep


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--split', default='tune')
    ap.add_argument('--snr', default='')
    ap.add_argument('--noise', default='')
    ap.add_argument('--every', type=int, default=1)
    ap.add_argument('--files', action='store_true')
    ap.add_argument('params', nargs='*')
    a = ap.parse_args()
    snrs = {int(x) for x in a.snr.split(',') if x}
    noises = {x for x in a.noise.split(',') if x}
    rows = subset(rs.corpus_rows(a.split), snrs, noises, a.every)
    outdir = os.path.join(ev.WORK, 'tune_out')
    drv = os.environ.get('NS_DRIVER', os.path.join(rs.BUILD, 'ns_driver'))
    rs.run_native('hushwave', [drv], [], rows, outdir, a.params)
    cache = os.path.join(ev.WORK, f'input_scores_{a.split}.pkl')
    names = [r['name'] for r in rows]
    with Pool(2) as pool:
        base = pickle.load(open(cache, 'rb')) if os.path.exists(cache) else {}
        todo = [n for n in names if n not in base]
        if todo:
            base.update({n: v for n, *v in pool.map(ev.input_scores, todo)})
            pickle.dump(base, open(cache, 'wb'))
        sc = pool.map(ev.score, [(outdir, n, 159) for n in names])
        # RNNoise on the same mixtures (its outputs from the last full run, scored once)
        rn_cache = os.path.join(ev.WORK, 'rnnoise_scores.pkl')
        rn = pickle.load(open(rn_cache, 'rb')) if os.path.exists(rn_cache) else {}
        rn_dir = os.path.join(ev.OUTROOT, 'rnnoise')
        todo = [n for n in names if n not in rn and os.path.exists(os.path.join(rn_dir, n + '.raw'))]
        if todo:
            d = int(np.median(pool.map(ev.file_delay, [(rn_dir, n) for n in todo])))
            rn.update(dict(zip(todo, pool.map(ev.score, [(rn_dir, n, d) for n in todo]))))
            pickle.dump(rn, open(rn_cache, 'wb'))
    si = np.array([s['sisdr'] - base[n][0] for s, n in zip(sc, names)])
    st = np.array([s['stoi'] - base[n][1] for s, n in zip(sc, names)])
    att1 = np.array([s['att1'] for s in sc])
    mus = np.array([s['musical'] for s in sc])
    if a.files:
        for n, x, y, p, m in zip(names, si, st, att1, mus):
            print(f'{n}: {x:.2f} / {y:+.6f}  pauses {p:.1f}  musical {m:.2f}')
    snr = np.array([int(r['snr']) for r in rows])
    noise = np.array([r['noise'] for r in rows])
    print(f"ALL sisdr_i {si.mean():.3f} stoi {st.mean():+.4f} att1 {att1.mean():.1f} (min type "
          f"{min(att1[noise == k].mean() for k in set(noise)):.1f}) musical {np.nanmean(mus):.2f}", end='  |')
    for x in sorted(set(snr)):
        print(f" {x}dB {si[snr == x].mean():.2f}/{st[snr == x].mean():+.4f}", end='')
    print()
    kinds = list(dict.fromkeys(noise))
    if 20 in snr:
        print('20dB per noise:', ' '.join(f"{k}:{si[(snr == 20) & (noise == k)].mean():.2f}/"
                                          f"{st[(snr == 20) & (noise == k)].mean():+.6f}" for k in kinds))
    print('all per noise :', ' '.join(f"{k}:{si[noise == k].mean():.2f}/{st[noise == k].mean():+.4f}" for k in kinds))
    if all(n in rn for n in names):
        rsi = np.array([rn[n]['sisdr'] - base[n][0] for n in names])
        rst = np.array([rn[n]['stoi'] - base[n][1] for n in names])
        print('vs rnnoise    :', ' '.join(
            f"{k}:{'win' if si[noise == k].mean() > rsi[noise == k].mean() and st[noise == k].mean() > rst[noise == k].mean() else 'LOSE'}"
            f"({st[noise == k].mean() - rst[noise == k].mean():+.4f})" for k in kinds))
        rmus = np.array([rn[n]['musical'] for n in names])
        print(f"rnnoise musical {np.nanmean(rmus):.2f} (ours {np.nanmean(mus):.2f}):",
              ' '.join(f"{k}:{np.nanmean(rmus[noise == k]):.2f}" for k in kinds))
    print('pauses/musical:', ' '.join(f"{k}:{att1[noise == k].mean():.1f}/{np.nanmean(mus[noise == k]):.2f}"
                                      for k in kinds))


if __name__ == '__main__':
    main()
