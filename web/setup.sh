#!/bin/bash
# Installs what the browser form needs from Debian: Emscripten (with Node)
# and opus-tools to build it. With --tests it also installs Chromium,
# Firefox ESR, PulseAudio and npm for the browser tests and puts the tests' npm packages (tests/web's lock
# file, with `npm ci`) into DIR/node_modules.
#
#   web/setup.sh               for ./play.sh --web
#   web/setup.sh --tests DIR   for ./test.sh (DIR: build/web-node)
#
# Never fails the caller: when something cannot be installed it says so, and
# the browser form or its tests are skipped.
set -uo pipefail
cd "$(dirname "$0")/.."

tests_dir=""
if [[ "${1:-}" == "--tests" && -n "${2:-}" ]]; then
  tests_dir=$2
fi

. tools/deps/apt.sh

wanted=(emscripten opus-tools)
if [[ -n "$tests_dir" ]]; then
  # Firefox sounds only through a sound server: the tests start one.
  wanted+=(chromium firefox-esr pulseaudio)
  # Node from another source may bring its own npm (and refuse Debian's).
  command -v npm >/dev/null || wanted+=(npm)
fi
apt_install "the browser form${tests_dir:+ and its tests}" "${wanted[@]}" ||
  echo "warning: the browser form or its tests are skipped" >&2

if [[ -n "$tests_dir" ]]; then
  if ! command -v npm >/dev/null; then
    echo "warning: npm is missing; the browser tests are skipped" >&2
    exit 0
  fi
  mkdir -p "$tests_dir"
  # Installed again only when the lock file changed.
  if ! cmp -s tests/web/package-lock.json "$tests_dir/package-lock.json" ||
     [[ ! -d "$tests_dir/node_modules/puppeteer-core" ]]; then
    cp tests/web/package.json tests/web/package-lock.json "$tests_dir/"
    echo "Installing the browser tests' npm packages into $tests_dir"
    if ! (cd "$tests_dir" && npm ci --no-audit --no-fund); then
      rm -f "$tests_dir/package-lock.json"
      echo "warning: npm ci failed; the browser tests are skipped" >&2
    fi
  fi
fi
exit 0
