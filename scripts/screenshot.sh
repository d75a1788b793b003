#!/usr/bin/env bash
# Takes the README's screenshot of the window under Xvfb: doc/screenshot.png.
# Needs xvfb, xauth, x11-utils and imagemagick (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${APP_PACKAGES[@]}" xvfb xauth x11-utils imagemagick
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target glyphmill >/dev/null
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
output=${1:-doc/screenshot.png}
xvfb-run --auto-servernum --server-args="-screen 0 1024x720x24" bash -c '
  build/app/glyphmill "$@" &
  app=$!
  # The title names the document first when one is loaded: find the window by
  # the caption at the end of its title.
  window=""
  for _ in $(seq 1 100); do
    window=$(xwininfo -root -tree | grep "KELMOOR - Glyphmill\"" | awk "{print \$1}" | head -n 1)
    if [ -n "$window" ]; then break; fi
    sleep 0.2
  done
  sleep 1  # let the first paint finish
  import -window "$window" "'"$output"'"
  kill $app
' _ "${@:2}"
echo "Saved $output"
