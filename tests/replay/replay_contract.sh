#!/bin/bash
# Checks the replay tool against its contract: usage, script errors, the
# trace of a first game, and the scripted name-entry dialog.
set -u
replay="$1"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

# A bad line stops everything before anything runs.
printf 'tick 1\n# fine\n\nbogus 3\n' > bad.txt
"$replay" bad.txt > out.txt 2> err.txt
check "bad line exits 2" test $? -eq 2
check "nothing is run" test ! -s out.txt
check "the message names the line" grep -q 'line 4' err.txt
printf 'tick x\n' | "$replay" > /dev/null 2>&1
check "tick needs a number" test $? -eq 2
"$replay" no-such-script > /dev/null 2>&1
check "a missing script is an error" test $? -eq 2

# The first game of a run, with no clicks after the start.
printf 'tick 1\nclick 320 240\ntick 2000\n' | "$replay" > trace.txt
check "exit 0 after the script" test $? -eq 0
check "set-up first" test "$(head -1 trace.txt)" = "graphics init 640 480"
check "twenty sheets" test "$(grep -c '^surface ' trace.txt)" -eq 20
check "balloon sheet keyed on white" grep -qx 'bitmap 8 2008 0 0 96 91 0 0 0xffffff' trace.txt
check "title frame" test "$(sed -n '/^tick 1$/,/^click/p' trace.txt | tr '\n' '|')" = \
  "tick 1|draw 16 0 0 640 480 0 0|present|click 320 240|"
wipe=$(sed -n '/^click 320 240$/,/^music play 0$/p' trace.txt)
check "opening wipe: 100 tiles" test "$(grep -c '^fill ' <<< "$wipe")" -eq 100
check "opening wipe: 100 presents" test "$(grep -c '^present$' <<< "$wipe")" -eq 100
check "opening wipe: 100 sleeps of 5" test "$(grep -c '^sleep 5$' <<< "$wipe")" -eq 100
check "first tile top-left" test "$(sed -n 2p <<< "$wipe")" = "fill 0 0 64 48 0"
first_coin=$(awk '/^tick /{t=$2} /^draw 4 /{print t; exit}' trace.txt)
check "first coin drawn in play tick 69 (run tick 70)" test "$first_coin" = 70
check "coin thrown from x 505 after one move" grep -qx 'draw 4 505 114 50 50 0 0' trace.txt
check "the game ends with the music switched" grep -qx 'music play 1' trace.txt
check "no dialog answer: closed" grep -qx 'dialog close' trace.txt
check "every tick numbered" test "$(grep -c '^tick ' trace.txt)" -eq 2001
check "no score file after a closed dialog" test ! -e score.sav
check "no temporary file left" test ! -e work.temp

# A queued name is typed into the dialog and stored.
printf 'tick 1\nclick 320 240\nname kiri nana\ntick 200\nenter\npaint\n' | "$replay" > named.txt
check "dialog shows first place" grep -qx 'dialog 1' named.txt
check "name stored as typed" grep -qx 'dialog ok kiri nana' named.txt
check "first word kept in the table" test "$(head -1 score.sav)" = "0 kiri"
check "enter and paint traced" test "$(tail -2 named.txt | tr '\n' '|')" = "enter|present|" -o \
  "$(grep -c -x -e enter -e paint named.txt)" -eq 2

# The script can come from a file too, and CR LF line ends are accepted.
printf 'tick 2\r\nenter\r\ntick 1\r\n' > crlf.txt
"$replay" crlf.txt > crlf-trace.txt
check "script from a file with CR LF" grep -qx 'enter' crlf-trace.txt

# A replay made of a script plays as the script does, on a table of its own.
bash "$here/long-play-script.sh" | grep -vx paint > long.txt
rm -f score.sav
"$replay" long.txt > long-trace.txt
mv score.sav long-score.sav
"$replay" --write-replay long.rep long.txt
check "--write-replay exits 0" test $? -eq 0
check "--write-replay writes no table" test ! -e score.sav
check "a replay's first line" grep -Eqx \
  '#miruto-nana-replay 1 game=[0-9.]+ form=replay seed=1 time=[0-9-]{10}T[0-9:]{8}Z' \
  <(head -1 long.rep)
check "it ends with end" test "$(tail -1 long.rep)" = end
"$replay" long.rep > rep-trace.txt
check "the replay's trace is the script's" cmp -s long-trace.txt rep-trace.txt
check "and so is its table" cmp -s long-score.sav score.sav
rm -f score.sav
"$replay" --scores long.rep > scores.txt
check "--scores: every game's score, as the replay records them" \
  test "$(cat scores.txt)" = "$(sed -n 's/^score //p' long.rep)"
check "--scores: one line a game" test "$(wc -l < scores.txt)" -eq 8
check "--scores writes no table" test ! -e score.sav
sed '0,/^score 10$/s//score 15/' long.rep > forged.rep
"$replay" --scores forged.rep > /dev/null 2> forged.txt
check "a forged score fails" test $? -eq 1
check "and the message names its line" grep -q 'line [0-9]*: the replay records a score of 15' \
  forged.txt
head -c 2000 long.rep > cut.rep
"$replay" --scores cut.rep > /dev/null 2>&1
check "a replay cut short fails" test $? -eq 2
"$replay" --write-replay seeded.rep --seed 7 long.txt
check "--seed starts the replay there" grep -qx 'seed 7' seeded.rep

echo "$passed passed, $failed failed"
test "$failed" -eq 0
