#!/usr/bin/env bash
# Compares the HTML of two glyphmill-convert builds, byte for byte, over many
# inputs: the pathological patterns (bench/PathologicalInputs.h) at a few
# sizes, random documents (bench/RandomDocuments.h), the test data and the
# real Markdown files on this machine, in the three dialects of the engine,
# safe and unsafe. Prints the inputs whose HTML differs; exit status 1 then.
# Usage: bench/compare-outputs.sh BEFORE-BINARY [AFTER-BINARY] [random-count]
# AFTER-BINARY defaults to build/glyphmill-convert (built first).
set -euo pipefail
cd "$(dirname "$0")/.."
before=${1:?usage: bench/compare-outputs.sh BEFORE-BINARY [AFTER-BINARY] [random-count]}
after=${2:-}
random_count=${3:-1500}
if [ -z "$after" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j2 --target glyphmill-convert glyphmill-pathological >/dev/null
  after=build/glyphmill-convert
fi
for binary in "$before" "$after"; do
  [ -x "$binary" ] || { echo "not an executable: $binary" >&2; exit 2; }
done
work=$(mktemp -d /tmp/glyphmill-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Inputs, each under a name of its own (outputs are named after their input).
inputs="$work/in"
mkdir -p "$inputs"
for n in 1 7 300 3000; do
  build/glyphmill-pathological --write "$inputs/n$n" --n "$n" --random 0 >/dev/null
done
build/glyphmill-pathological --write "$inputs/random" --n 1 --random "$random_count" "" "no pattern" >/dev/null
i=0
while IFS= read -r file; do
  cp "$file" "$inputs/real-$i.md"
  i=$((i + 1))
done < <( (ls tests/data/*.md samples/*.md doc/*.md;
           find /usr/share/doc /usr/lib/node_modules /usr/local/lib/node_modules -type f \
             \( -name '*.md' -o -name '*.markdown' \) 2>/dev/null | LC_ALL=C sort | head -n 600) )
mapfile -t files < <(find "$inputs" -type f -name '*.md' | LC_ALL=C sort)
echo "inputs: ${#files[@]} ($(du -sh "$inputs" | cut -f1))"

differences=0
for dialect in commonmark txtmark daringfireball; do
  for mode in safe unsafe; do
    flags=(-d "$dialect" --seed 7)
    [ "$mode" = unsafe ] && flags+=(--allow-unsafe)
    for side in before after; do
      binary=$before
      [ "$side" = after ] && binary=$after
      rm -rf "$work/$side"
      mkdir -p "$work/$side"
      # Pattern files of different sizes share names: one run per folder.
      for folder in $(printf '%s\n' "${files[@]}" | xargs -n1 dirname | sort -u); do
        mkdir -p "$work/$side/${folder#"$inputs"}"
        "$binary" "${flags[@]}" -o "$work/$side/${folder#"$inputs"}/" "$folder"/*.md
      done
    done
    if ! diff -rq "$work/before" "$work/after" >"$work/diff"; then
      echo "$dialect $mode: $(grep -c '' "$work/diff") output(s) differ:"
      sed 's/^/  /' "$work/diff" | head -n 20
      differences=$((differences + 1))
    else
      echo "$dialect $mode: $(find "$work/after" -type f | wc -l) outputs identical"
    fi
  done
done
[ "$differences" -eq 0 ]
