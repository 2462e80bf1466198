#!/usr/bin/env bash
# Installs what the build needs (Debian packages only) and builds Uninstall.exe and the tests into
# build/. Safe to run again: it installs only what is missing and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
          wine64 xvfb xauth googletest x11-apps imagemagick fonts-dejavu-core locales
          zip osslsigncode openssl)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs a program in the Japanese code page 932 under LC_ALL=ja_JP.UTF-8, but it can name
# files outside ASCII only when the system has that locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

cmake --preset default >/dev/null
cmake --build --preset default
echo "Built $(pwd)/build/bin/Uninstall.exe"
