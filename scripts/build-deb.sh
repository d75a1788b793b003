#!/usr/bin/env bash
# Builds the Debian package glyphmill_<version>_<arch>.deb into build-deb/.
# Install it with: apt install ./build-deb/glyphmill_1.2.0_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${APP_PACKAGES[@]}" "${PACKAGING_PACKAGES[@]}"
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DGLYPHMILL_BUILD_TESTS=OFF
cmake --build build-deb -j2
(cd build-deb && cpack -G DEB)
ls build-deb/*.deb
