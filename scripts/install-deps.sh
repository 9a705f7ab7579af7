#!/usr/bin/env bash
# Installs the Debian packages the build, tests and program need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-svg-dev
  libxcb1-dev nlohmann-json3-dev
  xvfb xauth icewm xdotool x11-utils
  fonts-liberation fonts-wine locales
  libboost-dev libboost-math-dev dieharder ent python3 python3-scipy python3-html5lib libxml2-utils
  libopenmpi-dev openmpi-bin chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO=sudo; else
    echo "Missing packages: ${missing[*]} (run as root or install them)" >&2
    exit 1
  fi
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
