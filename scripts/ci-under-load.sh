#!/usr/bin/env bash
# Proof under load, run by hand: the Windows tree's ctest (every Wine test)
# RUNS times while two busy processes keep both cores loaded. Bounded: no run
# starts after MINUTES and ctest stops its tests at that time; it ends by
# itself and ends only what it started (the busy loops by PID, the rig with
# its own `down`). Prints each run's result, the failing cases and how often
# the rig's sound feed ran dry; logs are kept in <tree>/tests/under-load/.
#   bash scripts/ci-under-load.sh [RUNS=10] [MINUTES=120]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
minutes=${2:-120}

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" >/dev/null || exit 1
tree=$root/build/$("$root/tests/rig/rig.sh" arch)
logs=$tree/tests/under-load
mkdir -p "$logs"
rm -f "$logs"/run-*.log

busy=()
cleanup() {
    local pid
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null; done
    "$root/tests/rig/rig.sh" down "$tree/rig" >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM
for _ in 1 2; do
    sh -c 'while :; do :; done' </dev/null >/dev/null 2>&1 &
    busy+=($!)
done

deadline=$(($(date +%s) + minutes * 60))
stop_at=$(date -d "@$deadline" +%H:%M:%S)
passes=0 done_runs=0
declare -A failed
started=$(date +%s)
for run in $(seq "$runs"); do
    [ "$(date +%s)" -lt "$deadline" ] || { echo "time limit reached: $minutes min"; break; }
    log=$logs/run-$run.log
    t0=$(date +%s)
    # ctest stops its tests at the deadline; timeout is the last resort.
    (cd "$tree" && timeout -k 30 $((deadline - t0 + 300)) \
        ctest --output-on-failure --stop-time "$stop_at" >"$log" 2>&1 </dev/null)
    status=$?
    done_runs=$((done_runs + 1))
    cases=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^[[:space:]]+[0-9]+ - ' |
        sed -E 's/^[[:space:]]+[0-9]+ - //')
    feed=$("$root/tests/rig/rig.sh" feed "$tree/rig" | tr '\n' ' ')
    memfd=$(grep -c memfd "$tree/rig/pulse/pulse.log" 2>/dev/null)
    line="run $run: $(($(date +%s) - t0)) s, load $(cut -d' ' -f1-3 /proc/loadavg), ${feed}memfd messages ${memfd:-0}"
    if [ $status -eq 0 ]; then
        passes=$((passes + 1))
        echo "$line: passed"
    else
        echo "$line: FAILED (ctest $status)"
        while IFS= read -r c; do
            [ -n "$c" ] || continue
            echo "    $c"
            failed[$c]=$((${failed[$c]:-0} + 1))
        done <<<"$cases"
    fi
done
echo "runs $done_runs, passes $passes, in $((($(date +%s) - started) / 60)) min under two busy loops"
for c in "${!failed[@]}"; do echo "  failed ${failed[$c]}x: $c"; done
[ "$passes" -eq "$runs" ]
