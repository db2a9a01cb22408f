#!/usr/bin/env bash
# Applies each deliberate fault in tests/mutants/ to a copy of the tree, builds, runs the
# tests and says whether a test failed (CAUGHT) or not (MISSED). See faults.md.
#   tests/mutants/run.sh [PATTERN]   only the patches whose file name contains PATTERN
# Environment: MUTANT_TIMEOUT (seconds a test may take at least, default 60),
# MUTANT_JOBS (build and test jobs, default 2), MUTANT_KEEP=1 keeps the copy.
# Exit status: 0 when every fault was caught, 1 otherwise, 2 when the unchanged tree does
# not build or pass.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(git -C "$here" rev-parse --show-toplevel) || exit 2
pattern=${1:-}
timeout=${MUTANT_TIMEOUT:-60}
jobs=${MUTANT_JOBS:-2}
started=$SECONDS

elapsed() {
    local s=$((SECONDS - ${1:-$started}))
    printf '%dm%02ds' $((s / 60)) $((s % 60))
}

# Inside the tree, so the copy's build directory lies beside the usual ones (ignored by git).
work=$(mktemp -d "$root/build-mutants.XXXXXX") || exit 2
logs="$work/logs"
mkdir -p "$logs"
cleanup() {
    if [ "${MUTANT_KEEP:-0}" = 1 ]; then
        echo "kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

src="$work/nw"
build="$src/build"
# Paths inside the copy are rewritten relative to the build directory and the directory is
# left out of the hash, so every copy (and every run) shares ccache entries.
export CCACHE_BASEDIR="$work" CCACHE_NOHASHDIR=1

echo "date:   $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
echo "commit: $(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- . ':!tests/mutants' 2>/dev/null || echo ' (with local changes)')"

# The tracked files and the untracked ones git does not ignore, as they are on disk now.
mkdir -p "$src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done |
    xargs -0 cp --parents -t "$src") || exit 2
# A repository of its own, so that a reversed patch can be checked to leave nothing behind.
git -C "$src" init -q && git -C "$src" add -A &&
    git -C "$src" -c user.name=mutants -c user.email=mutants@localhost commit -qm base || exit 2

build_tree() {
    cmake --build "$build" -j"$jobs" >"$1" 2>&1
}

# Each test may take MUTANT_TIMEOUT seconds, or four times what it took on the unchanged
# tree if that is longer: a fault that makes a test hang counts as caught without a wait of
# the suite's own (much longer) limit.
set_timeouts() {
    local file name secs limit
    while read -r name secs; do
        limit=$(awk -v s="$secs" -v t="$timeout" 'BEGIN { l = int(4 * s + 1); print (l > t ? l : t) }')
        for file in $(find "$build" -name CTestTestfile.cmake); do
            sed -i -E "/^set_tests_properties\\((\\[=\\[)?$name(\\]=\\])? PROPERTIES/ s/TIMEOUT \"[0-9.]+\"/TIMEOUT \"$limit\"/" "$file"
        done
    done <"$work/durations"
}

# failed_tests LOG: the names of the tests a ctest log lists as failed, with the reason.
failed_tests() {
    sed -n '/The following tests FAILED:/,$p' "$1" |
        sed -n -E 's/^[[:space:]]*[0-9]+ - ([^ ]+) \((.*)\).*/\1(\2)/p' | grep -v '(Not Run)' |
        paste -sd' ' -
}

echo "== configure and build the unchanged tree"
if ! cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNODEWEAVE_WERROR=ON \
        -DNODEWEAVE_BENCH=OFF -DNODEWEAVE_FUZZ=OFF >"$logs/configure.log" 2>&1 ||
    ! build_tree "$logs/build.log"; then
    tail -n 40 "$logs/configure.log" "$logs/build.log" 2>/dev/null
    echo "the unchanged tree does not build"
    exit 2
fi
echo "== the unchanged suite [$(elapsed)]"
if ! (cd "$build" && ctest -j"$jobs" --output-on-failure) >"$logs/base-tests.log" 2>&1; then
    grep -E 'tests passed|FAILED|\((Failed|Timeout|SEGFAULT|Subprocess aborted)\)' "$logs/base-tests.log"
    echo "the unchanged suite does not pass: fix that first"
    exit 2
fi
sed -n -E 's/.*Test +#[0-9]+: ([^ ]+) \.+ +Passed +([0-9.]+) sec.*/\1 \2/p' \
    "$logs/base-tests.log" >"$work/durations"
set_timeouts
echo "   $(grep -E 'tests passed' "$logs/base-tests.log") [$(elapsed)]"

caught=0 missed=0 notapplied=0 buildfailed=0
for patchfile in "$here"/[0-9]*.patch; do
    name=$(basename "$patchfile" .patch)
    case "$name" in *"$pattern"*) ;; *) continue ;; esac
    number=${name%%-*}
    t0=$SECONDS
    log="$logs/$name.log"
    # The last column of the fault's row in faults.md names the tests to try first.
    hinted=$(sed -n -E "s/^\| *$number *\|.*\| *([^|]*[^| ]) *\| *$/\1/p" "$here/faults.md" | head -n1)

    if ! (cd "$src" && patch -p1 -f -s --dry-run <"$patchfile") >"$log" 2>&1; then
        printf '%-46s NOT-APPLIED\n' "$name"
        notapplied=$((notapplied + 1))
        continue
    fi
    (cd "$src" && patch -p1 -f -s --no-backup-if-mismatch <"$patchfile") >>"$log" 2>&1

    result=""
    if ! build_tree "$log.build"; then
        result="BUILD-FAILED"
        buildfailed=$((buildfailed + 1))
    else
        set_timeouts
        failed=""
        # A failure ctest cannot name (no such test, ctest itself failing) is no catch: the
        # whole suite runs then.
        if [ -n "$hinted" ]; then
            regex="^($(echo "$hinted" | tr -s ' ' '|'))\$"
            (cd "$build" && ctest -j"$jobs" --timeout "$timeout" -R "$regex" --output-on-failure) >"$log.hinted" 2>&1 ||
                failed=$(failed_tests "$log.hinted")
        fi
        if [ -z "$failed" ]; then
            (cd "$build" && ctest -j"$jobs" --timeout "$timeout" --stop-on-failure --output-on-failure) >"$log.all" 2>&1 ||
                failed=$(failed_tests "$log.all")
        fi
        if [ -n "$failed" ]; then
            result="CAUGHT       $failed"
            caught=$((caught + 1))
        else
            result="MISSED"
            missed=$((missed + 1))
        fi
    fi

    if ! (cd "$src" && patch -p1 -R -f -s --no-backup-if-mismatch <"$patchfile") >>"$log" 2>&1 ||
        [ -n "$(git -C "$src" status --porcelain)" ]; then
        printf '%-46s %s\n' "$name" "$result"
        echo "reversing $name did not give back the unchanged tree:"
        git -C "$src" status --short
        exit 2
    fi
    printf '%-46s %s [%s]\n' "$name" "$result" "$(elapsed "$t0")"
done

echo "$caught caught, $missed missed, $notapplied not applied, $buildfailed build failed"
echo "wall time: $(elapsed)"
[ "$missed" -eq 0 ] && [ "$notapplied" -eq 0 ] && [ "$buildfailed" -eq 0 ]
