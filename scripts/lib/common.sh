# Shared by the scripts in scripts/: finding the tree, installing what is missing.
# shellcheck shell=bash

OVTB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The Debian packages that building, testing and running the project need. Each is named for
# its field: SQLite (the registry store), libpci (PCI configuration space), Qt 6 Widgets and
# ncurses (the user interface; Liberation Sans has the metrics of the dialogs' Arial),
# GoogleTest and Google Benchmark, clang for the fuzz targets, pciutils (lspci, the benchmarks'
# yardstick) and tmux (the terminal renderer's tests).
OVTB_PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev pkg-config git
  libsqlite3-dev libpci-dev pciutils
  qt6-base-dev libgl-dev libncurses-dev fonts-liberation2 fontconfig
  libgtest-dev libgmock-dev libbenchmark-dev
  tmux
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages of OVTB_PACKAGES that are missing; runs apt-get update first, and only
# when something is missing.
ensure_packages() {
  local missing=()
  local p
  for p in "${OVTB_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${missing[@]}"
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

# build_preset NAME: configure and build one CMake preset.
build_preset() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(jobs)"
}
