#!/usr/bin/env bash
# nodeweave-cli on many ports at once: write + verify of the module on each of 1, 4 and 8
# ports (one nodeweave-modsim per port, output paced at 115200 baud, no added latency), the
# median of ROUNDS whole runs each, and the ratio of each to the one-port time (aim: 8 ports
# at most 1.2 x one). Prints the load average beside each row.
#   bench/bench_cli.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-5}
cli=$build/cli/nodeweave-cli
modsim=$build/sim/nodeweave-modsim
[ -x "$cli" ] && [ -x "$modsim" ] || { echo "build $cli and $modsim first" >&2; exit 2; }
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Eight simulated modules, each on its own pseudo-terminal.
ports=()
for i in 1 2 3 4 5 6 7 8; do
    "$modsim" --baud 115200 --latency 0 > "$work/pty$i" 2>/dev/null &
    pids+=($!)
done
for i in 1 2 3 4 5 6 7 8; do
    for _ in $(seq 50); do [ -s "$work/pty$i" ] && break; sleep 0.1; done
    ports+=("$(head -1 "$work/pty$i")")
done

# The configuration the modules hold, read once, is what each run writes back.
timeout 60 "$cli" read --port "${ports[0]}" -o "$work/cfg.xml" > /dev/null

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
load() { cut -d' ' -f1 /proc/loadavg; }

echo "nodeweave-cli write --verify, module on each port, modsim paced at 115200 baud"
one=
for n in 1 4 8; do
    args=()
    for ((i = 0; i < n; ++i)); do args+=(--port "${ports[$i]}"); done
    times=()
    for ((r = 0; r < rounds; ++r)); do
        start=$(date +%s%N)
        timeout 120 "$cli" write "$work/cfg.xml" "${args[@]}" --verify --quiet > /dev/null
        times+=($((($(date +%s%N) - start) / 1000000)))
    done
    ms=$(printf '%s\n' "${times[@]}" | median)
    [ -n "$one" ] || one=$ms
    printf '  %d port(s): %5d ms (median of %d)  ratio to one port %.2f  load %s\n' \
        "$n" "$ms" "$rounds" "$(awk -v a="$ms" -v b="$one" 'BEGIN {print a / b}')" "$(load)"
done
