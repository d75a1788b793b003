#!/usr/bin/env bash
# Installs what is missing, builds, and converts FILE (or the bundled sample
# document) to HTML on standard output. Further arguments go to the converter,
# for example: ./run.sh notes.md --dialect txtmark
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target glyphmill-convert >/dev/null
if [ $# -eq 0 ]; then
  set -- samples/welcome.md
fi
exec build/glyphmill-convert "$@"
