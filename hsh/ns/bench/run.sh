#!/bin/bash
# One command for the whole benchmark: build, contract tests, corpus,
# all systems, scoring, tables and plot (bench/out/).
# Needs (Debian 12): cmake g++ pkg-config libspeexdsp-dev
#   libwebrtc-audio-processing-dev googletest libgtest-dev espeak-ng sox
#   python3-numpy python3-scipy python3-matplotlib nodejs npm
set -euo pipefail
cd "$(dirname "$0")/.."
PY=/usr/bin/python3   # Debian's python3 with numpy/scipy/matplotlib

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2

echo "== contract tests"
(cd build && ctest --output-on-failure)

echo "== corpus (fixed seeds)"
$PY bench/make_corpus.py

echo "== RNNoise peer (npm @jitsi/rnnoise-wasm 0.2.1)"
if [ ! -d bench/rnnoise/node_modules/@jitsi/rnnoise-wasm ]; then
  (cd bench/rnnoise && npm ci --no-audit --no-fund) || echo "npm install failed: RNNoise will be missing"
fi

echo "== run systems"
$PY bench/run_systems.py

echo "== shared-object entry point gives the same output as the library"
f=u07_babble_05dB
build/hsh_driver bench/work/corpus/noisy/$f.raw bench/work/hsh_check.raw
cmp bench/work/hsh_check.raw bench/work/out/hushwave/$f.raw && echo "libhsh.so output identical to ns_driver output for $f"

echo "== CPU, interleaved in one process (5 rounds over a 9 s file)"
build/cpu_bench bench/work/corpus/noisy/u06_pink_05dB.raw 5 | tee bench/out/cpu.txt

echo "== score"
$PY bench/evaluate.py
echo "tables: bench/out/results.md  plot: bench/out/summary.png  per-file: bench/out/results.csv"
