#!/bin/bash
# Installs what the Windows build and its tests need: the 32-bit and 64-bit
# mingw-w64 cross compilers, Wine with its 64-bit and its 32-bit half (the
# latter needs Debian's i386 architecture), unzip for the zips' test and the
# Japanese UTF-8 locale the game is run under. Each change to the machine is
# said as it is made.
#
# Never fails the caller: when something cannot be installed it says so, and
# the Windows build or its tests are skipped.
set -uo pipefail
. "$(dirname "$0")/../deps/apt.sh"

# The 64-bit half first and on its own, so that it is there even where the
# 32-bit half cannot be installed.
apt_install "the Windows forms' cross compilers and 64-bit Wine" \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 unzip locales
if ! apt_installed wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    machine_change "adding Debian's i386 architecture (dpkg --add-architecture i386)" \
      "for the 32-bit half of Wine"
    if as_root dpkg --add-architecture i386; then
      apt_update
    else
      echo "warning: could not add the i386 architecture" >&2
    fi
  fi
  apt_install "32-bit Wine, for the 32-bit Windows form's tests" wine32:i386
fi

# The game runs under the Japanese code page in Wine, which follows the locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  if [[ -f /etc/locale.gen ]] && command -v locale-gen >/dev/null; then
    machine_change "enabling the ja_JP.UTF-8 locale in /etc/locale.gen and generating it" \
      "(locale-gen), for the Windows forms under Wine"
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
      echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen || echo "warning: locale-gen failed" >&2
  else
    echo "warning: cannot generate ja_JP.UTF-8" >&2
  fi
fi
exit 0
