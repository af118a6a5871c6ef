#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when they are missing.
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# The x86 programs run under the 32-bit Wine, which comes from the i386 architecture.
added_arch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  added_arch=1
fi
packages=(cmake make g++ googletest g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 nsis
          wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick util-linux python3
          fp-utils-3.2.2 libchm-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ $added_arch -eq 1 ]; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
