#!/usr/bin/env bash
# Installs what is missing, builds, and runs every suite: the plain build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, and a short run of each
# fuzz target. Exits non-zero when anything fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
fuzz_seconds="${BRIVEX_FUZZ_SECONDS:-5}"

bash "$root/scripts/install-deps.sh"

echo "== plain build"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== sanitized build (address, undefined)"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIVEX_SANITIZE=ON -DBRIVEX_BENCH=OFF
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

if command -v clang++ >/dev/null 2>&1; then
  echo "== fuzz targets (${fuzz_seconds}s each)"
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRIVEX_FUZZ=ON -DBRIVEX_TESTS=OFF -DBRIVEX_BENCH=OFF
  cmake --build "$root/build-fuzz" -j"$jobs"
  shopt -s nullglob
  for target in "$root"/build-fuzz/fuzz/fuzz_*; do
    [[ -x "$target" ]] || continue
    name="$(basename "$target")"
    corpus="$root/build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    dirs=("$corpus")
    [[ -d "$root/fuzz/seeds/$name" ]] && dirs+=("$root/fuzz/seeds/$name")
    echo "-- $name"
    "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 "${dirs[@]}" 2>&1 | tail -n 3
    test "${PIPESTATUS[0]}" -eq 0
  done
else
  echo "== fuzz targets skipped: clang++ is not installed"
fi
echo "test.sh: all suites passed"
