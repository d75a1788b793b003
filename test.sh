#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#   1. the Release build (assertions kept) and its tests, the window tests among
#      them (Qt's offscreen platform);
#   2. the engine and command-line tests built with AddressSanitizer and
#      UndefinedBehaviorSanitizer;
#   3. a short fuzzing run over the conversion (when clang is available).
# FUZZ_SECONDS sets the length of the fuzzing run (default 120, 0 skips it).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${APP_PACKAGES[@]}" "${PACKAGING_PACKAGES[@]}" \
  "${FUZZ_PACKAGES[@]}"

export QT_QPA_PLATFORM=offscreen
# Chromium, behind the preview, refuses its sandbox when run as root.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

echo "== Sanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHMILL_SANITIZE=ON \
  -DGLYPHMILL_BUILD_APP=OFF
cmake --build build-sanitize -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j2

fuzz_seconds=${FUZZ_SECONDS:-120}
if [ "$fuzz_seconds" -gt 0 ] && command -v clang++-14 >/dev/null; then
  echo "== Fuzzing for ${fuzz_seconds} s"
  CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DGLYPHMILL_FUZZ=ON \
    -DGLYPHMILL_BUILD_TESTS=OFF -DGLYPHMILL_BUILD_APP=OFF
  cmake --build build-fuzz -j2 --target ProcessFuzzer
  corpus=$(mktemp -d /tmp/glyphmill-fuzz.XXXXXX)
  trap 'rm -rf "$corpus"' EXIT
  cp tests/fuzz/regressions/* "$corpus"/
  for sample in samples/*.md; do
    for control in 0 1 2 5 9; do
      { printf "\\x0${control}"; cat "$sample"; } >"$corpus/$(basename "$sample").$control"
    done
  done
  build-fuzz/ProcessFuzzer -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=4096 \
    -max_len=20000 -print_final_stats=1 -artifact_prefix="$corpus/" "$corpus" 2>&1 | tail -n 15
  echo "Fuzzing finished without findings."
else
  echo "== Fuzzing skipped (no clang++-14, or FUZZ_SECONDS=0)"
fi
