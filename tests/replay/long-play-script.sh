#!/bin/bash
# Prints the long play script the other forms' replays are compared with the
# Linux one on: a long game. It starts, clicks all over the field, pauses,
# ends, enters names (or closes the dialog) and starts again, three times.
set -euo pipefail
xs=(100 500 300 420 200 560 80 350)
ys=(120 300 220 80 400 180 260 340)
echo "tick 1"
echo "click 320 240"
echo "tick 60"
k=0
for round in 1 2 3; do
  for i in $(seq 1 40); do
    echo "click ${xs[k % 8]} ${ys[k * 3 % 8]}"
    echo "tick $((7 + k % 5))"
    k=$((k + 1))
  done
  printf '%s\n' enter "tick 30" enter "tick 200" "name kiri" "name momo" close \
    "tick 400" "click 320 240" "tick 60"
done
echo "tick 3000"
echo "paint"
