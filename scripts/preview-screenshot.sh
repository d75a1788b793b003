#!/usr/bin/env bash
# Takes the README's screenshot of the styled preview under Xvfb:
# doc/preview-light.png, showing doc/preview-sample.md.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${APP_PACKAGES[@]}" xvfb xauth
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target PreviewScreenshot >/dev/null
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
document=${1:-doc/preview-sample.md}
# Settings and data go to a home folder of its own, so the user's stay out.
home=$(mktemp -d /tmp/glyphmill-screenshot.XXXXXX)
trap 'rm -rf "$home"' EXIT
HOME="$home" QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x720x24" \
  build/tests/app/PreviewScreenshot doc/preview-light.png "$document"
echo "Saved doc/preview-light.png"
