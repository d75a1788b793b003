#!/usr/bin/env bash
# Peak memory (maximum resident set) of glyphmill-convert, cmark and md4c on
# real text (the corpus bench/throughput.sh reads) and on each pathological
# pattern at n = 100,000, and glyphmill's peak over the size of the input
# (goal: at most 4 on real text, at most 10 on a pattern). The last column
# leaves out what the program holds before it reads anything (its libraries
# and first heap, about 5 MB, measured on an empty input): of the patterns'
# small inputs, that alone is many times their size.
# Usage: bench/peak-memory.sh [glyphmill-convert] [pattern-substring]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/corpus.sh
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

: >"$work/empty.md"
empty=$(peak_mb "$convert" -d commonmark "$work/empty.md")
echo "glyphmill on an empty input: $empty MB"
printf '%-34s %8s %10s %8s %8s %8s %12s\n' input "MB" glyphmill cmark md4c "x input" "x, no empty"
row() {  # name, file, goal
  local size mine theirs md4c
  size=$(stat -c %s "$2")
  mine=$(peak_mb "$convert" -d commonmark "$2")
  theirs=$(peak_mb cmark --unsafe "$2")
  md4c=$(peak_mb "$work/md4c-html" <"$2")
  awk -v n="$1" -v s="$size" -v g="$mine" -v c="$theirs" -v m="$md4c" -v e="$empty" -v goal="$3" 'BEGIN {
    mb = s / 1048576; x = g / mb; y = (g - e) / mb
    printf "%-34s %8.2f %10.1f %8.1f %8.1f %7.1fx %11.1fx%s\n", n, mb, g, c, m, x, y, (x > goal ? " over" : "") }'
}
if [ -z "$filter" ]; then
  write_corpus "$work/real.md"
  row "real text" "$work/real.md" 4
fi
for file in "$work"/in/*.md; do
  row "$(basename "$file" .md)" "$file" 10
done
