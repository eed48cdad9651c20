#!/bin/bash
# Runs a command under Wine on a private X server, with the settings the
# Windows tests share:
#   - the Wine loader of the form's width (x86: the 32-bit loader, x64: the
#     64-bit one; the plain "wine" launcher would pick the 32-bit loader
#     whenever it is installed), exported as WINELOADER;
#   - a Wine prefix of that width inside the build tree, made on first use,
#     in which "MS UI Gothic", the dialogs' font, is IPAPGothic;
#   - no Wine debug output;
#   - the ALSA "default" device set to the null device, so sound works on a
#     machine without a sound card;
#   - the Japanese UTF-8 locale, so Wine's ANSI code page is 932;
#   - a fresh Xvfb display of its own (tests/support/xvfb.sh).
#
# Usage: wine-env.sh FORM STATE_DIR TIMEOUT_SECONDS COMMAND [ARG...]
# FORM is x86 or x64. COMMAND runs with DISPLAY, WINEPREFIX, WINELOADER and
# friends exported; use "$WINELOADER" in it to start a Windows program.
# Exits 77 (the tests' skip code), saying why, when Wine of that width,
# Xvfb or the locale are not there, or when the machine cannot run 32-bit
# programs (a kernel without them fails the 32-bit loader with "Exec format
# error"); GAME_NO_32BIT=1 in the environment makes x86 skip as if so. Any
# other trouble (Xvfb or the prefix failing) is a failure, never a skip.
set -uo pipefail

if (($# < 4)); then
  echo "usage: $0 x86|x64 STATE_DIR TIMEOUT_SECONDS COMMAND [ARG...]" >&2
  exit 2
fi
form=$1
state_dir=$2
limit=$3
shift 3

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAILED: $*"
  exit 1
}

case "$form" in
  x86)
    loader=/usr/lib/wine/wine
    export WINEARCH=win32
    [[ -x "$loader" ]] || skip "32-bit Wine is not installed ($loader from wine32:i386; run tools/windows/setup.sh)"
    if [[ -n "${GAME_NO_32BIT:-}" ]]; then
      skip "GAME_NO_32BIT is set: this machine is taken to run no 32-bit programs"
    fi
    # The 32-bit loader is itself a 32-bit program: the probe.
    if ! probe=$("$loader" --version 2>&1); then
      skip "this machine cannot run 32-bit programs: $loader does not start (${probe##*: })"
    fi
    ;;
  x64)
    loader=/usr/lib/wine/wine64
    [[ -x "$loader" ]] || loader=$(command -v wine64 || true)
    export WINEARCH=win64
    [[ -n "$loader" && -x "$loader" ]] || skip "64-bit Wine is not installed (wine64; run tools/windows/setup.sh)"
    ;;
  *)
    echo "$0: the form is x86 or x64, not $form" >&2
    exit 2
    ;;
esac
export WINELOADER=$loader
command -v wineserver >/dev/null || skip "wineserver is not installed (wine; run tools/windows/setup.sh)"
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
# The system's ALSA configuration, without the plug-in configurations that
# packages drop into /etc/alsa/conf.d: those name plug-ins of the machine's
# own width only (PulseAudio's, once installed, breaks every ALSA device of a
# 32-bit program).
sed -e '/^@hooks/,/^]/d' /usr/share/alsa/alsa.conf >"$HOME/alsa.conf"
cat "$HOME/.asoundrc" >>"$HOME/alsa.conf"
export ALSA_CONFIG_PATH=$HOME/alsa.conf
export WINEPREFIX=$state_dir/prefix
export WINEDEBUG=-all
# No .NET or HTML engine installers, and no PulseAudio attempts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
export LC_ALL=ja_JP.UTF-8
export LANG=ja_JP.UTF-8
unset WAYLAND_DISPLAY

. "$(dirname "${BASH_SOURCE[0]}")/../../tests/support/xvfb.sh"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb || fail "Xvfb did not start"

# A prefix of our own, made once; an unfinished one is made again. The
# dialogs ask for "MS UI Gothic", which Windows has and Wine has not; Wine
# draws it with IPAPGothic (fonts-ipafont-gothic), a proportional font of
# like metrics, instead of falling back to a fixed-width one.
ready=$WINEPREFIX/.game-ready
if [[ ! -f "$ready" ]]; then
  rm -rf "$WINEPREFIX"
  if ! timeout 300 "$WINELOADER" wineboot -i >/dev/null 2>&1; then
    fail "wineboot could not make a $WINEARCH Wine prefix in $WINEPREFIX"
  fi
  timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v 'MS UI Gothic' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1 ||
    fail "could not register the dialog font in $WINEPREFIX"
  wineserver -w >/dev/null 2>&1 || true
  touch "$ready"
fi

timeout --kill-after=10 "$limit" "$@"
status=$?
if ((status == 124)); then
  echo "FAILED: timed out after $limit s: $*" >&2
fi
exit $status
