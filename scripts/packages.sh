# Installs the Debian packages that are missing (needs root); sourced by the
# run and test scripts. apt-get update runs once, and only when needed.
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

BUILD_PACKAGES=(g++ make cmake libicu-dev libgtest-dev libcmark-gfm-dev
  libcmark-gfm-extensions-dev)
# The tests compare the GitHub dialect with the library's own program.
TEST_PACKAGES=(cmark-gfm)
# Window tests that need a real X server (the native window, the screen scale).
TEST_PACKAGES+=(xvfb xauth)
# Checking exported pages (tidy) and PDF files (pdfinfo, pdftotext).
TEST_PACKAGES+=(tidy poppler-utils)
# The desktop application: Qt 6 Widgets and Network, QScintilla, Qt WebEngine,
# PCRE2, the icon and flag sets compiled into the program, and a font for the
# offscreen platform the window tests run on; highlight.js and KaTeX, which the
# preview runs from their installed files.
APP_PACKAGES=(qt6-base-dev qt6-base-dev-tools libqscintilla2-qt6-dev qt6-webengine-dev
  qt6-webengine-dev-tools libqt6webenginecore6-bin libgl-dev libxkbcommon-dev libpcre2-dev
  pkg-config famfamfam-silk famfamfam-flag-png fontconfig fonts-dejavu-core openssl librsvg2-bin
  libjs-highlight.js libjs-katex)
# Checking and packaging the desktop files: validators, manual pages, the .deb.
PACKAGING_PACKAGES=(desktop-file-utils appstream man-db groff-base dpkg-dev file lintian)
# The benchmarks' peers (cmark, md4c: program and libraries) and measuring tools.
BENCH_PACKAGES=(cmark libcmark-dev libmd4c-html0-dev libmd4c-dev time valgrind)
# libFuzzer comes with clang's runtime libraries.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
