#!/bin/bash
# Makes the test data and runs windows-tests.exe under Wine.
# Usage: run-device-tests.sh WINDOWS_BUILD_DIR SOURCE_DIR WORK_DIR WINE_STATE_DIR
set -uo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
mkdir -p "$3" "$4"
work=$(realpath "$3")
state=$(realpath "$4")
exe=$build/windows-tests.exe
[[ -f "$exe" ]] || { echo "SKIPPED: $exe was not built"; exit 77; }
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
exec bash "$source/tools/windows/wine-env.sh" "$state" 300 wine "$exe" .
