#!/usr/bin/env bash
# Peak memory (maximum resident set) of glyphmill-convert, cmark and md4c on
# each pathological pattern at n = 100,000, and glyphmill's peak over the size
# of the input (goal: at most 10).
# Usage: bench/peak-memory.sh [glyphmill-convert] [pattern-substring]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${BENCH_PACKAGES[@]}"
convert=${1:-build/glyphmill-convert}
filter=${2:-}
work=$(mktemp -d /tmp/glyphmill-memory.XXXXXX)
trap 'rm -rf "$work"' EXIT
cmake --build build -j2 --target glyphmill-pathological >/dev/null
gcc -O2 -o "$work/md4c-html" bench/md4c_driver.c -lmd4c-html -lmd4c
build/glyphmill-pathological --write "$work/in" "commonmark" "$filter" >/dev/null

peak_mb() {
  /usr/bin/time -f "%M" -o "$work/peak" "$@" >/dev/null
  awk '{ printf "%.1f", $1 / 1024 }' "$work/peak"
}

printf '%-34s %8s %10s %8s %8s %8s\n' input "MB" glyphmill cmark md4c "x input"
for file in "$work"/in/*.md; do
  size=$(stat -c %s "$file")
  mine=$(peak_mb "$convert" -d commonmark "$file")
  theirs=$(peak_mb cmark --unsafe "$file")
  md4c=$(peak_mb "$work/md4c-html" <"$file")
  awk -v n="$(basename "$file" .md)" -v s="$size" -v g="$mine" -v c="$theirs" -v m="$md4c" 'BEGIN {
    x = g / (s / 1048576); printf "%-34s %8.2f %10.1f %8.1f %8.1f %7.1fx%s\n", n, s / 1048576, g, c, m, x, (x > 10 ? " over" : "") }'
done
