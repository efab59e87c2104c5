#!/usr/bin/env bash
# The suppressor benchmark, one command: installs the peers, builds the
# drivers, generates the corpus (fixed seeds), runs every system, scores them
# and writes bench/suppressor/results/ (tables, per-file CSV, plot).
# About 15 minutes on 2 cores; run by hand, never in CI.
#   bash scripts/bench-suppressor.sh           # the benchmark, with the committed model
#   bash scripts/bench-suppressor.sh --train   # first regenerate the training mixtures and
#       retrain the learned gain estimator (python3-torch, one thread, niced; 36
#       epochs, about 40 minutes), which rewrites hsh/GainNetWeights.cpp and tests/native/GainNetReference.inc,
#       then the absence estimator on it (30 epochs, about 20 minutes: hsh/AbsenceNetWeights.cpp and
#       tests/native/AbsenceNetReference.inc)
#   bash scripts/bench-suppressor.sh --real    # only the independent check: recorded speech
#       (alsa-utils' voice clips, never tuned or trained on) with the same noises, every
#       system, tables in bench/suppressor/results/real/ (about 3 minutes)
#   bash scripts/bench-suppressor.sh --festival  # the same on festival's voices (cut from
#       recordings), a stand-in for recorded speech that may be tuned on: results/festival/
#   bash scripts/bench-suppressor.sh --prompts   # the same on one speaker's recorded telephone
#       prompts (asterisk's, 16 kHz G.722), a recorded stand-in that may be tuned on: results/prompts/
set -euo pipefail
train=0 source=""
[ "${1:-}" = --train ] && train=1
[ "${1:-}" = --real ] && source=alsa
[ "${1:-}" = --festival ] && source=festival
[ "${1:-}" = --prompts ] && source=prompts
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/bench/suppressor
build=$root/build/suppressor-bench
py=/usr/bin/python3 # Debian's, which sees python3-numpy and friends

packages=(cmake g++ pkg-config libspeexdsp-dev libwebrtc-audio-processing-dev
    espeak-ng sox python3-numpy python3-scipy python3-matplotlib)
# the training mixtures' recorded speech: four speakers' telephone prompts, 16 kHz G.722
[ $train -eq 0 ] || packages+=(python3-torch ffmpeg asterisk-core-sounds-en-g722 asterisk-core-sounds-es-g722
    asterisk-core-sounds-it-g722 asterisk-core-sounds-ru-g722)
[ "$source" != alsa ] || packages+=(alsa-utils)
[ "$source" != festival ] || packages+=(festival festvox-kallpc16k festvox-kdlpc16k festvox-us-slt-hts)
[ "$source" != prompts ] || packages+=(ffmpeg asterisk-core-sounds-fr-g722)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node may come from elsewhere than Debian (whose npm conflicts with it then):
# only a machine without node and npm gets Debian's.
command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    bash "$root/scripts/apt-update.sh"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

echo "== build"
cmake -S "$bench" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"

if [ $train -eq 1 ]; then
    echo "== training mixtures (fixed seeds), the learned gain estimator and the absence estimator"
    $py "$bench/make_training.py"
    nice -n 10 $py "$bench/train_gain_net.py"
    # the periodicity ns_features writes is gated by the new gain estimator
    cmake --build "$build" -j "$(nproc)"
    nice -n 10 $py "$bench/train_absence_net.py"
    cmake --build "$build" -j "$(nproc)"
fi

echo "== RNNoise peer (npm @jitsi/rnnoise-wasm 0.2.1)"
if [ ! -d "$bench/rnnoise/node_modules/@jitsi/rnnoise-wasm" ]; then
    (cd "$bench/rnnoise" && npm ci --no-audit --no-fund) || echo "npm install failed: RNNoise will be missing"
fi

results=$bench/results
if [ -n "$source" ]; then
    out=real
    [ "$source" = alsa ] || out=$source
    results=$bench/results/$out
    # A work tree of its own, so the benchmark's corpus and outputs stay as they are.
    export SUPPRESSOR_BENCH_WORK=$build/work-$out
    echo "== $source speech (fixed seeds for the noises)"
    $py "$bench/make_real_corpus.py" --source "$source"
else
    echo "== corpus (fixed seeds)"
    $py "$bench/make_corpus.py"
fi

echo "== run systems"
$py "$bench/run_systems.py"

if [ -z "$source" ]; then
    echo "== the library's entry point gives the same output as the suppressor"
    f=u07_babble_05dB work=${SUPPRESSOR_BENCH_WORK:-$build/work} # where paths.py puts it
    "$build/hsh_driver" "$work/corpus/noisy/$f.raw" "$work/hsh_check.raw"
    cmp "$work/hsh_check.raw" "$work/out/hushwave/$f.raw" &&
        echo "libhsh.so output identical to ns_driver output for $f"

    echo "== CPU, interleaved in one process (5 rounds over a 9 s file)"
    "$build/cpu_bench" "$work/corpus/noisy/u06_pink_05dB.raw" 5 | tee "$bench/results/cpu.txt"
fi

echo "== score"
$py "$bench/evaluate.py" --outdir "$results"
echo "tables: ${results#"$root"/}/results.md  plot: ${results#"$root"/}/summary.png"
