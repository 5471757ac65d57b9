#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
# A second run on the same machine asks apt nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libxml2-dev libxml2-utils
  qt6-base-dev libgl-dev xdg-utils
  libgsf-1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  findutils python3 tzdata
  python3-xlrd gnumeric
  xvfb xauth x11-apps netpbm xdotool
  dbus-daemon
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
