#!/bin/bash
# Runs a command under Wine on a private X server, with the settings the
# Windows tests share:
#   - a Wine prefix inside the build tree, made on first use;
#   - no Wine debug output;
#   - the ALSA "default" device set to the null device, so sound works on a
#     machine without a sound card;
#   - the Japanese UTF-8 locale, so Wine's ANSI code page is 932;
#   - a fresh Xvfb display chosen by the X server itself.
#
# Usage: wine-env.sh STATE_DIR TIMEOUT_SECONDS COMMAND [ARG...]
# COMMAND runs with DISPLAY, WINEPREFIX and friends exported; use "wine" in
# it to start a Windows program. Exits 77 (the tests' skip code) when Wine,
# Xvfb or the locale are not there.
set -uo pipefail

if (($# < 3)); then
  echo "usage: $0 STATE_DIR TIMEOUT_SECONDS COMMAND [ARG...]" >&2
  exit 2
fi
state_dir=$1
limit=$2
shift 2

skip() {
  echo "SKIPPED: $*"
  exit 77
}

command -v wine >/dev/null || skip "wine is not installed (run tools/windows/setup.sh)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  skip "the ja_JP.UTF-8 locale is missing (run tools/windows/setup.sh)"
fi

mkdir -p "$state_dir/home"
state_dir=$(cd "$state_dir" && pwd)
export HOME=$state_dir/home
cat >"$HOME/.asoundrc" <<'ASOUND'
pcm.!default {
  type null
}
ctl.!default {
  type hw
  card 0
}
ASOUND
export WINEPREFIX=$state_dir/prefix
export WINEARCH=win32
export WINEDEBUG=-all
# No .NET or HTML engine installers, and no PulseAudio attempts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
export LC_ALL=ja_JP.UTF-8
export LANG=ja_JP.UTF-8
unset WAYLAND_DISPLAY

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  [[ -n "${fd_file:-}" ]] && rm -f "$fd_file"
}
trap cleanup EXIT

fd_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 1 100); do
  display=$(tr -d '\n' <"$fd_file")
  [[ -n "$display" ]] && break
  sleep 0.1
done
[[ -n "$display" ]] || skip "Xvfb did not start"
export DISPLAY=":$display"

# A prefix of our own, made once; a broken one is made again.
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  rm -rf "$WINEPREFIX"
  if ! timeout 300 wineboot -i >/dev/null 2>&1; then
    skip "wineboot could not make a Wine prefix"
  fi
  wineserver -w >/dev/null 2>&1 || true
fi

timeout --kill-after=10 "$limit" "$@"
status=$?
if ((status == 124)); then
  echo "FAILED: timed out after $limit s: $*" >&2
fi
exit $status
