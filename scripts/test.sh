#!/usr/bin/env bash
# Installs what the build and the tests need, builds everything, and runs every test:
#   1. the full build (build/) with all tests through CTest;
#   2. platform/, snmp/, core/ and cli/ again under AddressSanitizer + UBSan (build-asan/);
#   3. the libFuzzer targets for a bounded time each (build-fuzz/, when clang is present).
# Exit status: 0 only when every step passed.
# Environment: PLINVAR_SKIP_INSTALL=1 skips apt-get, FUZZ_SECONDS (default 60) bounds each
# fuzzer, PLINVAR_JOBS sets build parallelism.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)

"$root/scripts/install-deps.sh" || exit 1

jobs=${PLINVAR_JOBS:-$(nproc)}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0

step() { echo; echo "== $*"; }

step "full build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build -j "$jobs" || exit 1
step "tests"
(cd build && ctest -j "$jobs" --output-on-failure --timeout 600) || status=1

step "sanitizer build (platform, snmp, core, cli)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLINVAR_CORE_ONLY=ON \
    -DPLINVAR_SANITIZE=ON -DPLINVAR_BENCH=OFF >/dev/null || exit 1
cmake --build build-asan -j "$jobs" || exit 1
step "sanitizer tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -j "$jobs" --output-on-failure --timeout 900) || status=1

if command -v clang++ >/dev/null 2>&1; then
    step "fuzz targets"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLINVAR_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
    cmake --build build-fuzz -j "$jobs" || exit 1
    for fuzzer in build-fuzz/fuzz/fuzz_*; do
        [ -x "$fuzzer" ] || continue
        name=$(basename "$fuzzer")
        corpus="build-fuzz/corpus/$name"
        mkdir -p "$corpus"
        seeds="$root/fuzz/seeds/$name"
        [ -d "$seeds" ] || seeds=""
        echo "-- $name for ${FUZZ_SECONDS:-60} s"
        if ! "$fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="build-fuzz/$name-" "$corpus" $seeds >"build-fuzz/$name.log" 2>&1; then
            tail -50 "build-fuzz/$name.log"
            echo "FAILED: $name"
            status=1
        else
            grep -E '^(Done|#[0-9]+ *DONE)' "build-fuzz/$name.log" | tail -1
        fi
    done
fi

echo
[ $status = 0 ] && echo "== all tests passed" || echo "== some tests FAILED"
exit $status
