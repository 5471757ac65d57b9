#!/usr/bin/env bash
# Installs the Debian packages of the sets named as arguments (run, package, test; all three when
# none is named) from scripts/debian-packages, and only those that are missing. A second run on
# the same machine asks apt nothing. Through sudo when not root; as root, sudo is not needed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sets=("$@")
((${#sets[@]})) || sets=(run package test)

packages=()
for set in "${sets[@]}"; do
  found=($(awk -v set="$set" '$1 == set { print $2 }' "$root/scripts/debian-packages"))
  if ((${#found[@]} == 0)); then
    echo "install-deps: no package set \"$set\" in scripts/debian-packages" >&2
    exit 2
  fi
  packages+=("${found[@]}")
done

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
