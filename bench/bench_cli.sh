#!/usr/bin/env bash
# nodeweave-cli against nodeweave-modsim on pseudo-terminals (output paced at 115200 baud,
# no added latency), the load average beside each row:
# - one module: a full read and a full write, the time the tool reports for the run (its
#   first command to its end, start-up left out) against the time its bytes need on the
#   wire (aim: at most 1.1 x), median of ROUNDS runs;
# - many ports at once: write + verify of the module on each of 1, 4 and 8 ports (one
#   nodeweave-modsim per port), the median of ROUNDS whole runs each, and the ratio of each
#   to the one-port time (aim: 8 ports at most 1.2 x one);
# - the floor beside the read: bench_floor's bare client reads the same module the same
#   way, so what the CLI and the window take beyond its ratio is their own.
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

# The run as the tool reports it in --json: milliseconds, then the bytes' time on the wire
# (10 bits a byte: start, 8 data, stop).
timing() {
    python3 -c 'import json, sys
p = json.load(sys.stdin)["ports"][0]
print(p["ms"], (p["bytesOut"] + p["bytesIn"]) * 10 / 115.2)'
}

echo "nodeweave-cli, one module, modsim paced at 115200 baud"
for what in read write; do
    args=(read)
    [ "$what" = write ] && args=(write "$work/cfg.xml")
    took=()
    wire=
    for ((r = 0; r < rounds; ++r)); do
        # Parsed afterwards: an interpreter starting beside the run would take a core from it.
        timeout 60 "$cli" "${args[@]}" --port "${ports[0]}" --json > "$work/run.json"
        read -r ms wire < <(timing < "$work/run.json")
        took+=("$ms")
    done
    ms=$(printf '%s\n' "${took[@]}" | median)
    sorted=$(printf '%s\n' "${took[@]}" | sort -n | tr '\n' ' ')
    printf '  full %s: %d ms for %.1f ms of bytes on the wire (median of %d, best %d, worst %d)  ratio %.2f  load %s\n' \
        "$what" "$ms" "$wire" "$rounds" "$(echo "$sorted" | cut -d' ' -f1)" \
        "$(echo "$sorted" | awk '{print $NF}')" "$(awk -v a="$ms" -v b="$wire" 'BEGIN {print a / b}')" "$(load)"
done

# The floor of the setup: the same read by a bare client (blocking reads, no event loop).
floor=$build/bench/bench_floor
if [ -x "$floor" ]; then
    out=$(timeout 60 "$floor" "${ports[0]}" --rounds "$rounds" || true)
    printf '%s  load %s\n' "${out:-  floor read: did not finish}" "$(load)"
fi

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
