#!/usr/bin/env bash
# Installs what is missing, builds, and opens the Glyphmill window. Files named
# on the command line are loaded into it. Without a display, says so and
# converts FILE (or the sample document) with glyphmill-convert instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${APP_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target glyphmill glyphmill-convert >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start the window with 'xvfb-run ./run.sh' or from a desktop; converting with glyphmill-convert instead." >&2
  if [ $# -eq 0 ]; then
    set -- samples/welcome.md
  fi
  exec build/glyphmill-convert "$@"
fi

# Chromium, behind the preview, refuses its sandbox when run as root.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec build/app/glyphmill "$@"
