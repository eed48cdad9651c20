#!/bin/bash
# Makes the test data and runs windows-tests.exe of one form under Wine.
# Usage: run-device-tests.sh x86|x64 WINDOWS_BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE_DIR
set -uo pipefail
form=$1
build=$(realpath "$2")
source=$(realpath "$3")
mkdir -p "$4" "$5"
work=$(realpath "$4")
state=$(realpath "$5")
exe=$build/windows-tests.exe
[[ -f "$exe" ]] || { echo "FAILED: $exe was not built"; exit 1; }
command -v sox >/dev/null || { echo "SKIPPED: sox is not installed"; exit 77; }

data=$work/data
rm -rf "$data"
mkdir -p "$data"
# Effects in several formats, each with its samples as plain bytes beside it.
make_wav() {
  local name=$1
  shift
  sox -n "$@" "$data/$name.wav" synth 0.05 sine 440 &&
    sox "$data/$name.wav" -t raw "$data/$name.raw"
}
make_wav pcm16 -r 44100 -c 2 -b 16 -e signed-integer || exit 1
make_wav pcm8 -r 22050 -c 1 -b 8 -e unsigned-integer || exit 1
make_wav alaw -r 8000 -c 1 -e a-law || exit 1
make_wav pcm24 -r 48000 -c 2 -b 24 -e signed-integer || exit 1
cp "$source/sound/play.mid" "$source/sound/gameover.mid" "$data/"
if command -v convert >/dev/null; then
  convert -size 2x4 xc:red -size 2x4 xc:blue +append -type truecolor BMP3:"$data/picture.bmp"
fi

cd "$data"
exec bash "$source/tools/windows/wine-env.sh" "$form" "$state" 300 \
  sh -c 'exec "$WINELOADER" "$1" .' windows-tests "$exe"
