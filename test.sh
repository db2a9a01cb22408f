#!/usr/bin/env bash
# Builds Nodeweave and runs every test: the normal build, then the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, then short libFuzzer runs; the
# Debian package is built from the normal build and checked.
# Ends with one line "N passed, N failed".
#   ./test.sh            everything
#   ./test.sh --quick    the normal build and the package only
set -uo pipefail
. "$(dirname "$0")/tools.sh"
set +e
nw_install_missing || exit 1

passed=0
failed=0
started=$SECONDS

# Phase times go to the log so a slow CI run shows where the time went.
phase() { echo "== $* [$(((SECONDS - started) / 60))m$(((SECONDS - started) % 60))s]"; }

# run_suite NAME BUILD_DIR [cmake options...]
run_suite() {
    local name=$1 dir=$2
    shift 2
    phase "$name: build"
    if ! nw_build "$dir" -DNODEWEAVE_WERROR=ON "$@"; then
        echo "== $name: build failed"
        failed=$((failed + 1))
        return
    fi
    phase "$name: tests"
    local log="$dir/ctest.log"
    (cd "$dir" && ctest --output-on-failure -j2 --timeout 600) 2>&1 | tee "$log"
    local summary p t
    summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
        return
    fi
    t=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
    p=$(echo "$summary" | sed -E 's/^[^0-9]*([0-9]+)% tests passed, ([0-9]+) tests failed.*/\2/')
    passed=$((passed + t - p))
    failed=$((failed + p))
}

# The Debian package built from the normal build, checked as one entry.
run_package() {
    phase "package: build and check"
    if "$NW_ROOT/packaging/check-package.sh" "$NW_ROOT/build"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
}

run_fuzz() {
    local dir="$NW_ROOT/build-fuzz"
    phase "fuzz: build (clang, libFuzzer)"
    # Only the fuzz targets: the window and its tests are already covered above.
    if ! CXX=clang++ CC=clang cmake -S "$NW_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DNODEWEAVE_FUZZ=ON -DNODEWEAVE_BENCH=OFF >/dev/null ||
        ! cmake --build "$dir" -j"$(nproc)" --target fuzz_lineassembler fuzz_replygrammar fuzz_cfgfile; then
        echo "== fuzz: build failed"
        failed=$((failed + 1))
        return
    fi
    for f in "$dir"/bench/fuzz/fuzz_*; do
        [ -x "$f" ] || continue
        phase "fuzz: $(basename "$f")"
        if "$f" -seed=1 -max_total_time=20 -rss_limit_mb=2048 >"$f.log" 2>&1; then
            passed=$((passed + 1))
        else
            tail -n 30 "$f.log"
            failed=$((failed + 1))
        fi
    done
}

run_suite "normal" "$NW_ROOT/build"
run_package
if [ "${1:-}" != "--quick" ]; then
    # -O1 and line tables only: the sanitizers still see everything, the build takes half as long.
    run_suite "sanitizers" "$NW_ROOT/build-asan" -DNODEWEAVE_SANITIZE=ON -DNODEWEAVE_BENCH=OFF \
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
    if [ -d "$NW_ROOT/bench/fuzz" ]; then
        run_fuzz
    fi
fi

phase "done"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
