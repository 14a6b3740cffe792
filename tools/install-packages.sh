#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not
# installed yet (with apt-get, through sudo when not run as root); does
# nothing when all of them are there.
set -euo pipefail
missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
((${#missing[@]})) || exit 0
echo "Installing missing packages: ${missing[*]}"
sudo=()
if [[ $(id -u) != 0 ]]; then sudo=(sudo); fi
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
