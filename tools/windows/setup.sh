#!/bin/bash
# Installs what the Windows build and its tests need: the 32-bit and 64-bit
# mingw-w64 cross compilers, Wine with its 64-bit and its 32-bit half (the
# latter needs Debian's i386 architecture), unzip for the zips' test and the
# Japanese UTF-8 locale the game is run under.
#
# Never fails the caller: when something cannot be installed it says so, and
# the Windows build or its tests are skipped.
set -uo pipefail

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

apt_get() {
  $SUDO apt-get -o DPkg::Lock::Timeout=900 "$@"
}

# The package lists are read again once, the first time an install fails.
updated=0
# install_missing WHAT PACKAGE...: installs those of the packages that are missing.
install_missing() {
  local what=$1
  shift
  local missing=()
  local pkg
  for pkg in "$@"; do
    installed "$pkg" || missing+=("$pkg")
  done
  ((${#missing[@]} > 0)) || return 0
  echo "Installing: ${missing[*]}"
  apt_get install -y --no-install-recommends "${missing[@]}" && return 0
  if ((updated == 0)); then
    updated=1
    apt_get update || echo "warning: apt-get update failed" >&2
    apt_get install -y --no-install-recommends "${missing[@]}" && return 0
  fi
  echo "warning: $what could not be installed; its Windows build or tests are skipped" >&2
}

# The 64-bit half first and on its own, so that it is there even where the
# 32-bit half cannot be installed.
install_missing "the cross compilers and 64-bit Wine" \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 unzip locales
if ! installed wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for the 32-bit half of Wine"
    if $SUDO dpkg --add-architecture i386; then
      apt_get update || echo "warning: apt-get update failed" >&2
      updated=1
    else
      echo "warning: could not add the i386 architecture" >&2
    fi
  fi
  install_missing "32-bit Wine" wine32:i386
fi

# The game runs under the Japanese code page in Wine, which follows the locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  if [[ -f /etc/locale.gen ]] && command -v locale-gen >/dev/null; then
    echo "Generating the ja_JP.UTF-8 locale"
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen || echo "warning: locale-gen failed" >&2
  else
    echo "warning: cannot generate ja_JP.UTF-8" >&2
  fi
fi
exit 0
