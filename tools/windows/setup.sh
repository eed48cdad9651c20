#!/bin/bash
# Installs what the Windows build and its tests need: the 32-bit mingw-w64
# cross compiler, Wine with its 32-bit half (which needs Debian's i386
# architecture) and the Japanese UTF-8 locale the game is run under.
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

wanted=(g++-mingw-w64-i686 wine wine32:i386 locales)
missing=()
for pkg in "${wanted[@]}"; do
  installed "$pkg" || missing+=("$pkg")
done

if ((${#missing[@]} > 0)); then
  updated=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for the 32-bit half of Wine"
    $SUDO dpkg --add-architecture i386 || echo "warning: could not add the i386 architecture" >&2
    $SUDO apt-get update || echo "warning: apt-get update failed" >&2
    updated=1
  fi
  echo "Installing: ${missing[*]}"
  if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
    if ((updated == 0)); then
      $SUDO apt-get update || true
      $SUDO apt-get install -y --no-install-recommends "${missing[@]}" ||
        echo "warning: the Windows tools could not be installed; the Windows build is skipped" >&2
    else
      echo "warning: the Windows tools could not be installed; the Windows build is skipped" >&2
    fi
  fi
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
