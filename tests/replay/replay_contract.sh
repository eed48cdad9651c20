#!/bin/bash
# Checks the replay tool against its contract: usage, script errors, the
# trace of a first game, and the scripted name-entry dialog.
set -u
replay="$1"
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
check "no temporary file left" test -z "$(compgen -G 'work*.temp')"

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

echo "$passed passed, $failed failed"
test "$failed" -eq 0
