#!/usr/bin/python3
"""Tuning helper: run the Hushwave suppressor with parameter overrides on
one split and print its scores (used during development; the benchmark
itself runs with the compiled-in defaults).
Usage: tune.py [--split tune|heldout] [k=v ...]
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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--split', default='tune')
    ap.add_argument('params', nargs='*')
    a = ap.parse_args()
    rows = rs.corpus_rows(a.split)
    outdir = os.path.join(ev.WORK, 'tune_out')
    drv = os.environ.get('NS_DRIVER', os.path.join(rs.BUILD, 'ns_driver'))
    rs.run_native('hushwave', [drv], [], rows, outdir, a.params)
    cache = os.path.join(ev.WORK, f'input_scores_{a.split}.pkl')
    names = [r['name'] for r in rows]
    with Pool(2) as pool:
        if os.path.exists(cache):
            base = pickle.load(open(cache, 'rb'))
        else:
            base = {n: v for n, *v in pool.map(ev.input_scores, names)}
            pickle.dump(base, open(cache, 'wb'))
        sc = pool.map(ev.score, [(outdir, n, 159) for n in names])
    si = np.array([s['sisdr'] - base[n][0] for s, n in zip(sc, names)])
    st = np.array([s['stoi'] - base[n][1] for s, n in zip(sc, names)])
    att1 = np.array([s['att1'] for s in sc])
    snr = np.array([int(r['snr']) for r in rows])
    noise = np.array([r['noise'] for r in rows])
    print(f"ALL sisdr_i {si.mean():.3f} stoi {st.mean():+.4f} att1 {att1.mean():.1f}", end='  |')
    for x in (0, 5, 10, 20):
        print(f" {x}dB {si[snr == x].mean():.2f}/{st[snr == x].mean():+.4f}", end='')
    print()
    print('20dB per noise:', ' '.join(f"{k}:{si[(snr == 20) & (noise == k)].mean():.2f}/{st[(snr == 20) & (noise == k)].mean():+.6f}"
                                      for k in dict.fromkeys(noise)))
    print('all per noise :', ' '.join(f"{k}:{si[noise == k].mean():.2f}/{st[noise == k].mean():+.4f}" for k in dict.fromkeys(noise)))


if __name__ == '__main__':
    main()
