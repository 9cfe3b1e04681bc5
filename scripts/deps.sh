#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when they are missing.
set -euo pipefail
# Every program a stage calls is named here: a bare machine has none of them (scripts/fresh-check.sh
# tries that). file: CPack's Debian generator finds the programs' libraries with it.
# lintian, man-db, bash-completion, debootstrap: the package tests (lintian, manual pages, a fresh root).
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev qt6-translations-l10n
          libgtest-dev xvfb xauth fonts-dejavu-core ccache clang libclang-rt-dev dpkg-dev desktop-file-utils
          file lintian man-db bash-completion debootstrap)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installation de : ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
