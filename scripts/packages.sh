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

BUILD_PACKAGES=(g++ make cmake libicu-dev libgtest-dev)
# libFuzzer comes with clang's runtime libraries.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
