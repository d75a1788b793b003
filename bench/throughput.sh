#!/usr/bin/env bash
# Throughput of glyphmill-convert against cmark and md4c on a corpus of real
# Markdown found on this machine, in one run: median wall time and median user
# CPU time of several runs, MB/s, the ratios, and peak memory. Then a 100 MB
# document end to end.
# Usage: bench/throughput.sh [corpus-MB] [runs] [before-binary] [safe|unsafe]
# before-binary: another glyphmill-convert (an older build, say) measured in the
# same run, turn about with the others; each dialect is then also compared with it
# ("" for none). unsafe: glyphmill keeps raw HTML as written (--allow-unsafe).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/corpus.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

corpus_mb=${1:-8}
runs=${2:-9}
before=${3:-}
mode=${4:-safe}
case "$mode" in
  safe) flags="" ;;
  unsafe) flags=" --allow-unsafe" ;;
  *) echo "mode must be safe or unsafe: $mode" >&2; exit 2 ;;
esac
if [ -n "$before" ] && [ ! -x "$before" ]; then
  echo "not an executable: $before" >&2
  exit 2
fi
work=$(mktemp -d /tmp/glyphmill-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target glyphmill-convert >/dev/null
gcc -O2 -o "$work/md4c-html" bench/md4c_driver.c -lmd4c-html -lmd4c

corpus="$work/corpus.md"
write_corpus "$corpus" "$corpus_mb"
bytes=$(stat -c %s "$corpus")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.2f", b / 1048576 }')
echo "corpus: $mb MB of Markdown from $(grep -c '' "$corpus") lines; glyphmill in $mode mode"
[ "$bytes" -ge $((5 * 1024 * 1024)) ] || echo "warning: corpus under 5 MB"

# Wall seconds and user CPU seconds of one run of a command reading the corpus.
seconds_of() {
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f "%U" -o "$work/user" "$@" <"$corpus" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" -v u="$(tail -n 1 "$work/user")" 'BEGIN { printf "%.4f %.2f\n", b - a, u }'
}

median() {
  tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}

peak_kb() {
  /usr/bin/time -v "$@" <"$corpus" 2>&1 >/dev/null | awk -F: '/Maximum resident/ { gsub(/ /, "", $2); print $2 }'
}

names=("glyphmill commonmark" "glyphmill txtmark" "glyphmill daringfireball" "glyphmill github"
       "cmark --unsafe" "md4c")
commands=("build/glyphmill-convert -d commonmark$flags" "build/glyphmill-convert -d txtmark$flags"
          "build/glyphmill-convert -d daringfireball$flags" "build/glyphmill-convert -d github$flags"
          "cmark --unsafe" "$work/md4c-html")
cmark=4
md4c=5
if [ -n "$before" ]; then
  names+=("before commonmark" "before txtmark" "before daringfireball")
  commands+=("$before -d commonmark$flags" "$before -d txtmark$flags" "$before -d daringfireball$flags")
fi
# The tools take turns, run after run, so that a slow spell of the machine
# falls on all of them alike; each gets the median of its runs.
declare -A walls users seconds user
for _ in $(seq "$runs"); do
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086
    read -r wall cpu < <(seconds_of ${commands[$i]})
    walls[$i]+="$wall "
    users[$i]+="$cpu "
  done
done
for i in "${!names[@]}"; do
  seconds[$i]=$(echo "${walls[$i]}" | median)
  user[$i]=$(echo "${users[$i]}" | median)
done
printf '%-26s %9s %8s %8s %10s %10s %10s %9s\n' tool "median s" "user s" "MB/s" "vs cmark" "vs md4c" \
  "vs before" "peak MB"
for i in "${!names[@]}"; do
  # shellcheck disable=SC2086
  peak=$(peak_kb ${commands[$i]})
  versus_before=""
  if [ -n "$before" ] && [ "$i" -lt 3 ]; then
    versus_before=$(awk -v b="${seconds[$((i + 6))]}" -v s="${seconds[$i]}" 'BEGIN { printf "%.2fx", b / s }')
  fi
  awk -v n="${names[$i]}" -v s="${seconds[$i]}" -v u="${user[$i]}" -v c="${seconds[$cmark]}" \
      -v m="${seconds[$md4c]}" -v vb="$versus_before" -v mb="$mb" -v p="$peak" 'BEGIN {
        printf "%-26s %9.3f %8.2f %8.1f %9.2fx %9.2fx %10s %9.1f\n", n, s, u, mb / s, c / s, m / s, vb, p / 1024 }'
done
echo "(vs cmark / vs md4c / vs before: how many times faster than that tool; above 1 is faster)"
echo "(user s: median user CPU seconds of a run, to 10 ms)"
echo "peak memory of glyphmill-convert is at most 8x the input when its peak MB <= $(awk -v mb="$mb" 'BEGIN { printf "%.1f", mb * 8 }')"

# A 100 MB document, converted and written to a file.
big="$work/big.md"
while [ "$(stat -c %s "$big" 2>/dev/null || echo 0)" -lt $((100 * 1024 * 1024)) ]; do cat "$corpus" >>"$big"; done
big_mb=$(awk -v b="$(stat -c %s "$big")" 'BEGIN { printf "%.1f", b / 1048576 }')
/usr/bin/time -v build/glyphmill-convert -o "$work/big.html" "$big" 2>"$work/big.time"
elapsed=$(awk -F': ' '/Elapsed/ { print $2 }' "$work/big.time")
peak=$(awk -F: '/Maximum resident/ { gsub(/ /, "", $2); printf "%.1f", $2 / 1024 }' "$work/big.time")
echo "100 MB document: $big_mb MB in, $(awk -v b="$(stat -c %s "$work/big.html")" 'BEGIN { printf "%.1f", b / 1048576 }') MB out, wall $elapsed, peak $peak MB"
