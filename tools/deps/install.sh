#!/bin/bash
# Installs the Debian packages listed in the given files that are missing.
# Usage: tools/deps/install.sh LIST...
set -euo pipefail
. "$(dirname "$0")/apt.sh"
wanted=()
for list in "$@"; do
  while read -r pkg _; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    wanted+=("$pkg")
  done < "$list"
done
apt_install "listed in $*" "${wanted[@]}"
