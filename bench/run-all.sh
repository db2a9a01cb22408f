#!/bin/bash
# Runs every benchmark once, one after the other, and prints the README's benchmark table
# from what they printed, with the load average (one minute) beside each row as it was when
# the row's figure was printed. Each benchmark's own output goes to stderr as it comes.
#
#   bench/run-all.sh [BUILD_DIR]          (default: build, beside this folder)
#
# ROUNDS (bench_log's paced runs, default 3), FLOOD_ROUNDS (its floods, 40), CONFIG_ROUNDS
# (bench_config's read and write, 21), BATCH_ROUNDS (its batches, 5), STARTUP_RUNS
# (bench_startup, 20), MAPPED_RUNS (bench_mapped, 41) and CLI_ROUNDS (bench_cli.sh, 7) set
# the sizes of the runs; KEEP=DIR keeps the raw outputs there.
# The flood takes picocom and the start-up PuTTY (the Debian packages) as their peers:
# installed here when missing and run as root, left out otherwise. The window benchmarks run under xvfb-run, shown.
# Every benchmark runs under `timeout`, so the script ends by itself whatever the load.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd) || exit 2
out=${KEEP:-$(mktemp -d)}
mkdir -p "$out"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$out"' EXIT

cmake --build "$build" --target bench >&2 || exit 1
# The peers: picocom beside the flood, PuTTY beside the start-up.
for peer in picocom putty; do
    command -v $peer >/dev/null && continue
    if [ "$(id -u)" = 0 ]; then
        apt-get install -y $peer >/dev/null 2>&1 || echo "$peer could not be installed" >&2
    else
        echo "$peer is not installed: its side-by-side row is left out" >&2
    fi
done
for tool in xvfb-run timeout stdbuf python3; do
    command -v $tool >/dev/null || { echo "run-all.sh needs $tool" >&2; exit 2; }
done

load() { cut -d' ' -f1 /proc/loadavg; }
# Each line of a benchmark's output, with the load average when it came.
stamp() { while IFS= read -r line; do printf '%s\t%s\n' "$(load)" "$line"; done; }

status=0
run() {
    local name=$1 limit=$2
    shift 2
    echo "== $name, load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
    timeout -k 10 "$limit" "$@" 2>"$out/$name.err" | stamp | tee "$out/$name.out" >&2
    local rc=${PIPESTATUS[0]}
    if [ "$rc" != 0 ]; then
        echo "$name ended with status $rc (124: stopped by timeout after $limit s)" >&2
        printf '%s\tEXIT %s\n' "$(load)" "$rc" >>"$out/$name.out"
        status=1
    fi
}

xvfb=(xvfb-run -a -s "-screen 0 1400x900x24")
started=$(date -u '+%Y-%m-%d %H:%M UTC')
startload=$(cut -d' ' -f1-3 /proc/loadavg)
cd "$out" || exit 2
# Line-buffered, so that each line is stamped with the load when it was printed.
lines=(stdbuf -oL)
run bench_log 1800 "${xvfb[@]}" "${lines[@]}" "$build/bench/bench_log" --rounds "${ROUNDS:-3}" \
    --flood-rounds "${FLOOD_ROUNDS:-40}"
run bench_config 1800 "${xvfb[@]}" "${lines[@]}" "$build/bench/bench_config" \
    --rounds "${CONFIG_ROUNDS:-21}" --batch-rounds "${BATCH_ROUNDS:-5}"
run bench_startup 900 "${lines[@]}" "$build/bench/bench_startup" --runs "${STARTUP_RUNS:-20}"
# Start-up side by side: each program's window mapped on Xvfb, PuTTY on a pseudo-terminal
# of its own (nodeweave-modsim), Nodeweave opening another.
if [ -x "$build/bench/bench_mapped" ]; then
    peers=()
    for i in 1 2; do
        "$build/sim/nodeweave-modsim" > "$out/pty$i" 2>/dev/null &
        peers+=($!)
    done
    for i in 1 2; do
        for _ in $(seq 50); do [ -s "$out/pty$i" ] && break; sleep 0.1; done
    done
    mapped=("nodeweave=$build/nodeweave --port $(head -1 "$out/pty1")")
    command -v putty >/dev/null &&
        mapped+=("putty=putty -serial $(head -1 "$out/pty2") -sercfg 115200")
    run bench_mapped 600 "${xvfb[@]}" "${lines[@]}" "$build/bench/bench_mapped" \
        --runs "${MAPPED_RUNS:-41}" "${mapped[@]}"
    kill "${peers[@]}" 2>/dev/null
fi
run bench_cli 900 "$here/bench_cli.sh" "$build" "${CLI_ROUNDS:-7}"

python3 - "$out" "$started" "$startload" "$(cut -d' ' -f1-3 /proc/loadavg)" "$(nproc)" \
    "$(sed -n 's/^model name\s*:\s*//p' /proc/cpuinfo | head -1)" <<'EOF'
import re, sys
out, started, startload, endload, nproc, cpu = sys.argv[1:7]

def lines(name):
    try:
        with open(f"{out}/{name}.out") as f:
            for raw in f:
                load, _, text = raw.rstrip("\n").partition("\t")
                yield load, text
    except OSError:
        return

rows = []
def row(bench, what, figure, aim, ratio, load):
    rows.append(f"| `{bench}`: {what} | {figure} | {aim} | {ratio} | {load} |")

def n(x):  # thousands with thin spaces, as the README writes them
    return f"{x:,.0f}".replace(",", " ")

flood = re.compile(r"^(\d+)\s+(off|capture|cap\+time)\s+(\d+)\s+[\d.]+\s+(\d+)\s+([\d.]+)"
                   r"\s+[\d.]+\s+([\d.]+)\s+([\d.]+)(?:.*time per line ([+-][\d.]+) %, CPU per line "
                   r"([+-][\d.]+) %(?:.*?pairs' times ([+-][\d.]+) to ([+-][\d.]+) %)?)?")
peer = re.compile(r"^(\d+)\s+picocom\s+(\d+)\s+[\d.]+(?:.*picocom's: ([\d.]+) x .*?, "
                  r"([\d.]+)-([\d.]+)\))?")
paced = re.compile(r"(\d+) baud, (.*?), (\S+)\s*: main thread ([\d.]+) % of one core "
                   r"\(([\d.]+)-([\d.]+)\), (\d+) lines/s")
latency = re.compile(r"reply to row painted, (.*?), (\d+) replies .*median ([\d.]+) ms, "
                     r"worst ([\d.]+) ms")
for load, t in lines("bench_log"):
    if m := flood.match(t):
        size, extra, rate, stall, peak = int(m[1]), m[2], int(m[3]), m[4], m[5]
        if extra == "off":
            row("bench_log", f"flood to the log, Auto Scroll on, {n(size)} lines",
                f"{n(rate)} lines/s, worst stall {stall} ms, peak {float(peak):.0f} MiB",
                "≥ 50 000 lines/s", f"{rate / 50000:.2f}", load)
        elif m[8]:
            what = "capture on" if extra == "capture" else "capture on, time column shown"
            ok = "met" if float(m[8]) <= 10 else "missed"
            row("bench_log", f"the same, {what}, {n(size)} lines",
                f"time per line {float(m[8]):+.1f} % against off (CPU per line {float(m[9]):+.1f} %"
                + (f"; the middle half of the pairs {float(m[10]):+.1f} to {float(m[11]):+.1f} %" if m[10] else "")
                + ")",
                "within 10 % of off", ok, load)
    elif m := peer.match(t):
        size, rate = int(m[1]), int(m[2])
        fig = f"picocom {n(rate)} lines/s"
        ratio = "–"
        if m[3]:
            fig += f"; the window's time against picocom's {m[3]} × (rounds {m[4]}–{m[5]})"
            ratio = m[3]
        row("bench_log", f"the same flood through picocom, {n(size)} lines", fig,
            "side by side (the floor)", ratio, load)
    elif m := paced.search(t):
        extra = {"off": "", "cap+time": ", time column shown and capture on"}.get(m[3], m[3])
        share = float(m[4])
        row("bench_log", f"{n(int(m[1]))} baud saturated, {m[2]}{extra}",
            f"{share:.1f} % of one core (runs {m[5]}–{m[6]}), {n(int(m[7]))} lines/s",
            "< 5 %", f"{share / 5:.2f}", load)
    elif m := latency.search(t):
        worst = float(m[4])
        row("bench_log", f"reply to its row painted, {m[1]}, {m[2]} replies 200 ms apart",
            f"median {m[3]} ms, worst {m[4]} ms", "≤ 20 ms", f"{worst / 20:.2f}", load)
    elif t.startswith("EXIT"):
        row("bench_log", "did not finish", t, "", "", load)

rw = re.compile(r"^\s+(read|write)\s+\d+ bytes out\s+\d+ bytes in\s+wire\s+([\d.]+) ms\s+took\s+"
                r"([\d.]+) ms \(median of (\d+), best ([\d.]+), worst ([\d.]+)\)\s+ratio ([\d.]+)")
batch = re.compile(r"batch\s+(\d+) node\(s\) (with verify|without verify)\s+([\d.]+) ms, (\d+) x "
                   r"(.*?)\s+([\d.]+) ms \(medians of (\d+)\): ratio ([\d.]+)")
alone = re.compile(r"module alone over the terminal: a (\d+)-byte reply ends ([\d.]+) ms after "
                   r"its (\d+)-byte query \(median of (\d+); ([\d.]+) ms of both")
inproc = False
for load, t in lines("bench_config"):
    if t.startswith("for comparison"):
        inproc = True
    if inproc:
        continue
    if m := rw.match(t):
        what = "configuration read" if m[1] == "read" else "configuration write"
        pic = re.search(r"closing picture painted ([\d.]+) ms after", t)
        pic = f"; its closing picture painted {pic[1]} ms later" if pic else ""
        row("bench_config", f"full {what}, window shown, over a pseudo-terminal",
            f"{m[3]} ms for {m[2]} ms of bytes on the wire (median of {m[4]}, best {m[5]}, "
            f"worst {m[6]}){pic}", "≤ 1.1 × wire", m[7], load)
    elif m := batch.search(t):
        ms = lambda x: f"{float(x):.0f} ms" if float(x) < 1000 else f"{float(x) / 1000:.2f} s"
        row("bench_config", f"Batch Write {m[2]}, {m[1]} node(s), against {m[4]} × {m[5]}",
            f"{ms(m[3])} against {ms(m[6])} (medians of {m[7]})", "≤ 1.1", m[8], load)
    elif m := alone.match(t):
        row("bench_config", "the simulated module alone, one query over the same terminal",
            f"a {m[1]}-byte reply ends {m[2]} ms after its {m[3]}-byte query ({m[5]} ms of "
            f"both on the wire; median of {m[4]})", "part of every ratio above",
            f"{float(m[2]) / float(m[5]):.2f}", load)
    elif t.startswith("EXIT"):
        row("bench_config", "did not finish", t, "", "", load)

start = re.compile(r"^\s+([\d.]+) ms \(min ([\d.]+), max ([\d.]+)\), of which main\(\) to first "
                   r"paint ([\d.]+) ms; ratio to the aim of (\d+) ms: ([\d.]+)")
runs = re.compile(r"median of (\d+) runs")
cputime = re.compile(r"^\s+CPU time of the process, start to exit: ([\d.]+) ms")
idle = re.compile(r"^\s+(port closed|Simulator open|pseudo-terminal open)\s+([\d.]+) %")
count = "?"
for load, t in lines("bench_startup"):
    if m := runs.search(t):
        count = m[1]
    if m := start.match(t):
        row("bench_startup", f"process start to window shown (offscreen), median of {count}",
            f"{m[1]} ms (min {m[2]}, max {m[3]}; main() to first paint {m[4]} ms)",
            f"≤ {m[5]} ms", m[6], load)
    elif m := cputime.match(t):
        rows[-1] = rows[-1].replace(" ms) |", f" ms; CPU time {m[1]} ms) |", 1)
    elif m := idle.match(t):
        row("bench_startup", f"idle, {m[1]}, nothing arriving", f"{float(m[2]):.2f} % of one core",
            "< 1 %", f"{float(m[2]):.2f}", load)
    elif t.startswith("EXIT"):
        row("bench_startup", "did not finish", t, "", "", load)

mapped = re.compile(r"^\s+(\S+)\s+([\d.]+) ms \(min ([\d.]+), max ([\d.]+)\)(?:\s+(\S+) against it: ([\d.]+))?")
count = "?"
for load, t in lines("bench_mapped"):
    if m := runs.search(t):
        count = m[1]
    elif (m := mapped.match(t)) and m[6]:
        row("bench_mapped", f"window mapped under Xvfb after process start, {m[5]} beside "
            f"{m[1]}, {count} interleaved runs", f"{m[5]} {first} against {m[1]} {m[2]} ms "
            f"(medians)", f"no later than {m[1]}", m[6], load)
    elif m := mapped.match(t):
        first = f"{m[2]} ms (min {m[3]}, max {m[4]})"
    elif t.startswith("EXIT"):
        row("bench_mapped", "did not finish", t, "", "", load)

full = re.compile(r"^\s+full (read|write): (\d+) ms for ([\d.]+) ms of bytes on the wire "
                  r"\(median of (\d+), best (\d+), worst (\d+)\)\s+ratio ([\d.]+)")
floor = re.compile(r"^\s+floor read: (\d+) ms for ([\d.]+) ms of bytes on the wire "
                   r"\(median of (\d+), best (\d+), worst (\d+)\)\s+ratio ([\d.]+)")
ports = re.compile(r"^\s+(\d+) port\(s\):\s+(\d+) ms \(median of (\d+)\)\s+ratio to one port ([\d.]+)")
for load, t in lines("bench_cli"):
    if m := full.match(t):
        row("bench_cli.sh", f"nodeweave-cli, full configuration {m[1]} of one module over a "
            "pseudo-terminal", f"{m[2]} ms for {m[3]} ms of bytes on the wire (median of {m[4]}, "
            f"best {m[5]}, worst {m[6]})", "≤ 1.1 × wire", m[7], load)
    elif m := floor.match(t):
        row("bench_floor", "a bare client's full configuration read over the same "
            "pseudo-terminal (blocking reads, no event loop)", f"{m[1]} ms for {m[2]} ms of "
            f"bytes on the wire (median of {m[3]}, best {m[4]}, worst {m[5]})",
            "the floor of the read's ratio", m[6], load)
    elif (m := ports.match(t)) and m[1] != "1":
        row("bench_cli.sh", f"nodeweave-cli write --verify on {m[1]} ports at once, against one",
            f"{m[2]} ms (median of {m[3]} whole runs)",
            "≤ 1.2 × one port" if m[1] == "8" else "", m[4], load)
    elif t.startswith("EXIT"):
        row("bench_cli.sh", "did not finish", t, "", "", load)

print(f"Run of bench/run-all.sh on {started}, {nproc} cores ({cpu}); load average "
      f"(1, 5, 15 min) {startload} at the start, {endload} at the end.")
print()
print("| benchmark | figure | aim | ratio | load |")
print("|---|---|---|---|---|")
print("\n".join(rows))
EOF
exit $status
