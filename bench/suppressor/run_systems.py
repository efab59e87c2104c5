#!/usr/bin/python3
"""Run every system of the benchmark over the corpus.

Each system writes build/suppressor-bench/work/out/<system>/<name>.raw (16 kHz s16le) and
<that folder>/timing.txt (microseconds per 20 ms block; for RNNoise
per 10 ms 480-sample frame at 48 kHz, summed in pairs by evaluate.py).
Usage: run_systems.py [system ...]   (default: all)
"""
import csv
import os
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

from paths import BUILD, CORPUS, HERE, OUTROOT, WORK

# name -> (driver argv prefix after list/timing, kind)
SYSTEMS = {
    'hushwave': ('native', [os.path.join(BUILD, 'ns_driver')], []),
    'speex-15': ('native', [os.path.join(BUILD, 'speex_driver')], ['-15']),
    'speex-30': ('native', [os.path.join(BUILD, 'speex_driver')], ['-30']),
    'webrtc-moderate': ('native', [os.path.join(BUILD, 'webrtc_driver')], ['1']),
    'webrtc-high': ('native', [os.path.join(BUILD, 'webrtc_driver')], ['2']),
    'webrtc-veryhigh': ('native', [os.path.join(BUILD, 'webrtc_driver')], ['3']),
    'rnnoise': ('rnnoise', None, None),
}


def corpus_rows(split=None):
    with open(os.path.join(CORPUS, 'corpus.csv')) as f:
        rows = list(csv.DictReader(f))
    return [r for r in rows if split is None or r['split'] == split]


def run_native(system, argv, extra, rows, outdir=None, params=()):
    outdir = outdir or os.path.join(OUTROOT, system)
    shutil.rmtree(outdir, ignore_errors=True)  # never score stale outputs
    os.makedirs(outdir, exist_ok=True)
    lst = os.path.join(outdir, 'list.txt')
    with open(lst, 'w') as f:
        for r in rows:
            f.write(f"{os.path.join(CORPUS, 'noisy', r['name'] + '.raw')} {os.path.join(outdir, r['name'] + '.raw')}\n")
    subprocess.run(argv + [lst, os.path.join(outdir, 'timing.txt')] + list(extra) + list(params), check=True)
    return outdir


def _sox(args):
    # -D: no dither, so the conversion is deterministic; -V1: errors only
    subprocess.run(['sox', '-D', '-V1'] + args, check=True)


def run_rnnoise(rows):
    """16k -> 48k (sox), RNNoise in Node/WASM, 48k -> 16k (sox)."""
    outdir = os.path.join(OUTROOT, 'rnnoise')
    shutil.rmtree(outdir, ignore_errors=True)  # never score stale outputs
    tmp = os.path.join(WORK, 'rn48')
    os.makedirs(outdir, exist_ok=True)
    os.makedirs(tmp, exist_ok=True)
    raw16 = ['-t', 'raw', '-r', '16000', '-b', '16', '-e', 'signed-integer', '-c', '1']
    raw48 = ['-t', 'raw', '-r', '48000', '-b', '16', '-e', 'signed-integer', '-c', '1']
    jobs = []
    for r in rows:
        src = os.path.join(CORPUS, 'noisy', r['name'] + '.raw')
        jobs.append(raw16 + [src] + raw48 + [os.path.join(tmp, r['name'] + '.in.raw'), 'rate', '-v'])
    with ThreadPoolExecutor(2) as ex:
        list(ex.map(_sox, jobs))
    lst = os.path.join(tmp, 'list.txt')
    with open(lst, 'w') as f:
        for r in rows:
            f.write(f"{os.path.join(tmp, r['name'] + '.in.raw')} {os.path.join(tmp, r['name'] + '.out.raw')}\n")
    node_dir = os.path.join(HERE, 'rnnoise')
    subprocess.run(['node', os.path.join(node_dir, 'rnnoise_driver.mjs'), lst,
                    os.path.join(outdir, 'timing.txt')], check=True, cwd=node_dir)
    jobs = [raw48 + [os.path.join(tmp, r['name'] + '.out.raw')] + raw16 +
            [os.path.join(outdir, r['name'] + '.raw'), 'rate', '-v'] for r in rows]
    with ThreadPoolExecutor(2) as ex:
        list(ex.map(_sox, jobs))
    shutil.rmtree(tmp)


def main():
    names = sys.argv[1:] or list(SYSTEMS)
    rows = corpus_rows()
    for name in names:
        kind, argv, extra = SYSTEMS[name]
        if kind == 'native':
            if not os.path.exists(argv[0]):
                shutil.rmtree(os.path.join(OUTROOT, name), ignore_errors=True)
                print(f'{name}: driver {argv[0]} missing, skipped', file=sys.stderr)
                continue
            run_native(name, argv, extra, rows)
        else:
            try:
                run_rnnoise(rows)
            except (subprocess.CalledProcessError, FileNotFoundError) as e:
                print(f'rnnoise: FAILED ({e}); peer left out', file=sys.stderr)
                continue
        print(f'{name}: done', file=sys.stderr)


if __name__ == '__main__':
    main()
