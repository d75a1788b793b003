#!/usr/bin/env bash
# Takes the README's screenshots of the styled preview under Xvfb, light and
# dark: doc/preview-light.png and doc/preview-dark.png, showing doc/preview-sample.md.
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
for scheme in light dark; do
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x720x24" \
    build/tests/app/PreviewScreenshot "doc/preview-$scheme.png" "$scheme" "$document"
  echo "Saved doc/preview-$scheme.png"
done
