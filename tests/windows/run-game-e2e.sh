#!/bin/bash
# Plays one Windows form as a player gets it: its zip is unpacked into an
# empty folder, which must then hold the one self-contained GUI program of
# the form's width, its sound/ folder and readme.txt, and the game runs from
# there under Wine on a private X server, as a person would play it: the
# window appears with its title, shows the title picture pixel for pixel, a
# click starts play, Enter pauses and resumes, the menu's exit asks first,
# the game ends and the name typed is stored in score.sav beside the .exe,
# and Esc ends the program with status 0. Started from a folder without its
# sound files it says which file is missing and ends with a failed status.
# With the Linux replay tool given, a second game is played and named too,
# and the replays the form kept beside score.sav are run through the tool:
# each row's replay ends with that row's score, and the last session's plays
# both games' scores and leaves the same score.sav behind.
#
# Usage: run-game-e2e.sh x86|x64 ZIP SOURCE_DIR WORK_DIR WINE_STATE_DIR [REPLAY]
set -uo pipefail

if [[ -z "${DISPLAY:-}" || -z "${WINEPREFIX:-}" ]]; then
  # Not yet inside the Wine environment: start it and come back.
  mkdir -p "$4" "$5"
  exec bash "$3/tools/windows/wine-env.sh" "$1" "$5" 240 bash "$0" "$@"
fi

form=$1
zip=$2
source=$(realpath "$3")
work=$(realpath "$4")
replay_tool=${6:-}
title_bmp=$source/resources/bitmaps/2016.bmp
check="python3 $source/tests/windows/frame_check.py"

for tool in unzip xdotool xwininfo import convert python3 od; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

fail() {
  echo "FAILED: $*"
  [[ -n "${shot:-}" && -f "$shot" ]] && cp "$shot" "$work/last-screen.png" &&
    echo "  screen kept in $work/last-screen.png"
  [[ -n "${game:-}" ]] && kill "$game" 2>/dev/null
  exit 1
}
[[ -f "$zip" ]] || fail "$zip was not built"

# The zip holds one folder: the program, its sounds and the read-me, no more.
play=$work/play
rm -rf "$play"
mkdir -p "$play"
unzip -q "$zip" -d "$play" || fail "unzip could not unpack $zip"
folder=$play/$(basename "$zip" .zip)
files() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
expected=$( (printf '%s\n' miruto-nana.exe readme.txt && files "$source/sound" | sed 's|^|sound/|') |
  LC_ALL=C sort)
found=$(files "$folder")
[[ "$found" == "$expected" ]] || fail "$zip holds other files than expected: ${found//$'\n'/ }"
for name in $(files "$source/sound"); do
  cmp -s "$folder/sound/$name" "$source/sound/$name" || fail "sound/$name in the zip differs from the source"
done
readme=$folder/readme.txt
[[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" == efbbbf ]] ||
  fail "readme.txt does not start with a UTF-8 byte-order mark"
if ! grep -q '始め方' "$readme" || ! grep -q 'How to start' "$readme"; then
  fail "readme.txt lacks its Japanese or its English part"
fi
(($(grep -vc $'\r$' "$readme") == 0)) || fail "readme.txt has lines without CRLF"
exe=$folder/miruto-nana.exe

# The program's PE header: the machine of its form and the GUI subsystem.
u16() { od -An -tu2 -j "$2" -N 2 "$1" | tr -d ' '; }
pe=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
machine=$(u16 "$exe" $((pe + 4)))
subsystem=$(u16 "$exe" $((pe + 92)))
declare -A machines=([x86]=332 [x64]=34404)
[[ "$machine" == "${machines[$form]}" ]] || fail "miruto-nana.exe is for machine $machine, not $form"
[[ "$subsystem" == 2 ]] || fail "miruto-nana.exe has subsystem $subsystem, not the GUI (2)"
echo "$(basename "$zip") holds the $form GUI program, sound/ and readme.txt"

# The game runs from its own folder, with nothing else beside it: a DLL it
# needed would be missing. The score files are written there.
cd "$folder" || exit 1

"$WINELOADER" "$exe" >"$work/game.log" 2>&1 &
game=$!

# Polls a condition for up to $1 seconds.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  while ((SECONDS < end)); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

find_window() { window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1); [[ -n "$window" ]]; }
# Opens a menu of the main window with Alt and its letter, then picks an
# item by its letter once the menu is on screen.
visible_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
menu() {
  local before
  xdotool windowfocus --sync "$main" 2>/dev/null
  before=$(visible_windows)
  xdotool key "alt+$1"
  menu_open() { (($(visible_windows) > before)); }
  wait_for 10 menu_open || fail "alt+$1 did not open the menu"
  xdotool key "$2"
}

wait_for 60 find_window '^ミルトとナナ$' || fail "no window titled ミルトとナナ"
main=$window
echo "window ミルトとナナ: $main"

# The client area is the bottom 640 x 480 of the window (the menu bar is above).
geometry=$(xwininfo -id "$main")
left=$(awk '/Absolute upper-left X/ {print $4}' <<<"$geometry")
top=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
[[ "$width" == 640 ]] || fail "client width $width, not 640"
cx=$left
cy=$((top + height - 480))

n=0
# A screenshot, with the client area's bare pixels beside it for comparing.
grab() {
  n=$((n + 1))
  shot=$work/screen-$n.png
  import -window root "$shot" 2>/dev/null
  convert "$shot" -crop "640x480+$cx+$cy" +repage -depth 8 "rgb:$shot.rgb"
}
# A screenshot compared with the title picture.
frame() {
  grab
  result=$($check "$shot" "$cx" "$cy" "$title_bmp")
  differ=$(sed 's/.*differ=\([-0-9]*\).*/\1/' <<<"$result")
  black=$(sed 's/.*black=\([-0-9]*\).*/\1/' <<<"$result")
}
is_title() { frame; ((differ == 0)); }
# Play: neither the title (most pixels differ) nor the black of the wipe.
is_play() { frame; ((differ > 100000 && black < 100000)); }

wait_for 20 is_title || fail "the title frame does not match resources/bitmaps/2016.bmp ($result)"
echo "title frame matches the title picture pixel for pixel"

xdotool mousemove $((cx + 320)) $((cy + 240)) click 1
wait_for 20 is_play || fail "a click did not start play ($result)"
echo "a click started play"

xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Return
# Paused, the screen stands still: two frames 0.7 s apart are the same.
still() {
  grab
  local before=$shot
  sleep 0.7
  grab
  cmp -s "$before.rgb" "$shot.rgb" && paused=$shot
}
wait_for 8 still || fail "Enter did not pause: the screen still changes"
echo "Enter paused the game"
xdotool key Return
moving() { grab; ! cmp -s "$paused.rgb" "$shot.rgb"; }
wait_for 10 moving || fail "Enter again did not resume"
echo "Enter again resumed it"

# The menu's exit asks first; No leaves everything as it was.
menu f e
wait_for 10 find_window '^終了$' || fail "the menu's 終了 did not ask"
question=$window
grab
echo "the menu's 終了 asks (window 終了)"
xdotool windowfocus --sync "$question" 2>/dev/null
xdotool key n
gone() { ! xdotool search --onlyvisible --name '^終了$' >/dev/null 2>&1; }
wait_for 10 gone || fail "No did not close the question"
kill -0 "$game" 2>/dev/null || fail "the program ended after No"
echo "No kept the game running"

# Left alone the game soon ends; the first score ranks, so the name entry
# opens with the place, and OK stores the typed name in score.sav.
wait_for 60 find_window 'ゲームオーバー' || fail "no name entry after the game ended"
entry=$window
temps=(work.*.temp)
[[ ${#temps[@]} -eq 1 && -f ${temps[0]} ]] || fail "not one temporary file: ${temps[*]}"
[[ "$(tr -d '[:space:]' <"${temps[0]}")" == 1 ]] || fail "${temps[0]} does not hold place 1"
grab
echo "the game ended and the name entry opened for place 1"
xdotool windowfocus --sync "$entry" 2>/dev/null
xdotool key ctrl+a
xdotool type --delay 50 nana
xdotool key Return
closed_entry() { ! xdotool search --onlyvisible --name 'ゲームオーバー' >/dev/null 2>&1; }
wait_for 10 closed_entry || fail "OK did not close the name entry"
wait_for 10 grep -qE $'^0 nana\r?$' score.sav || fail "score.sav beside the .exe does not hold the name: $(head -c 200 score.sav)"
[[ ! -e ${temps[0]} ]] || fail "${temps[0]} was left behind"
wait_for 20 is_title || fail "no title after the name entry ($result)"
echo "OK stored the name in score.sav and the title came back"

# The menu's high scores open the list; OK closes it.
menu f s
wait_for 10 find_window '^ハイスコア$' || fail "the menu did not open the high scores"
grab
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Return
closed_list() { ! xdotool search --onlyvisible --name '^ハイスコア$' >/dev/null 2>&1; }
wait_for 10 closed_list || fail "OK did not close the high scores"
echo "the high scores opened from the menu and closed with OK"

if [[ -n "$replay_tool" ]]; then
  # A second game, named too: its 0 ties the first row and ranks above it.
  xdotool mousemove $((cx + 320)) $((cy + 240)) click 1
  wait_for 20 is_play || fail "a click did not start the second game ($result)"
  wait_for 60 find_window 'ゲームオーバー' || fail "no name entry after the second game"
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key ctrl+a
  xdotool type --delay 50 momo
  xdotool key Return
  wait_for 10 closed_entry || fail "OK did not close the second name entry"
  wait_for 20 is_title || fail "no title after the second name entry ($result)"
  echo "a second game was played and named"
fi

xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key Escape
ended() { ! kill -0 "$game" 2>/dev/null; }
wait_for 20 ended || fail "Esc did not end the program"
wait "$game"
status=$?
((status == 0)) || fail "the program ended with status $status"
echo "Esc ended the program with status 0"

if [[ -n "$replay_tool" ]]; then
  kept=$folder/replays
  [[ -f $kept/last.replay ]] || fail "no last.replay beside score.sav: $(ls "$kept" 2>&1)"
  rows=()
  for file in "$kept"/*.replay; do
    [[ $(basename "$file") == last.replay ]] || rows+=("$file")
  done
  ((${#rows[@]} == 2)) || fail "not two rows' replays: $(ls "$kept")"
  for file in "${rows[@]}"; do
    name=$(basename "$file")
    scores=$(ASAN_OPTIONS=detect_leaks=0 "$replay_tool" --scores "$file") ||
      fail "replay --scores $name failed"
    [[ "$(tail -1 <<<"$scores")" == "${name%%_*}" ]] || fail "$name plays the scores $scores"
    row_name=${name#*_}
    grep -qE "^${name%%_*} ${row_name%%_*}"$'\r?$' score.sav || fail "$name is no row of score.sav"
  done
  seen=$(for name in nana momo; do sed -n "s/^\([-0-9]*\) $name\r\?\$/\1/p" score.sav; done)
  played=$(ASAN_OPTIONS=detect_leaks=0 "$replay_tool" --scores "$kept/last.replay") ||
    fail "replay --scores last.replay failed"
  [[ "$played" == "$seen" ]] || fail "last.replay plays ${played//$'\n'/ }, the rows hold ${seen//$'\n'/ }"
  again=$work/again
  rm -rf "$again"
  mkdir -p "$again"
  (cd "$again" && ASAN_OPTIONS=detect_leaks=0 "$replay_tool" "$kept/last.replay" >/dev/null) ||
    fail "the replay tool could not run last.replay"
  [[ "$(tr -d '\r' <score.sav)" == "$(cat "$again/score.sav")" ]] ||
    fail "last.replay leaves another score.sav: $(cat "$again/score.sav")"
  echo "the kept replays play the scores kept, and last.replay leaves the same score.sav"
fi

# Without its sound files the set-up fails: one box captioned with the game's
# title whose second line names the missing file (standard error gets the
# same line), then the program ends with a failed status. The program is
# copied alone into an empty folder: the effect's reader would also look for
# its file beside the program.
empty=$work/empty
rm -rf "$empty"
mkdir -p "$empty"
cp "$exe" "$empty/"
cd "$empty" || exit 1
"$WINELOADER" "$empty/$(basename "$exe")" >"$work/failure.log" 2>&1 &
game=$!
find_box() {
  local id
  for id in $(xdotool search --onlyvisible --name '^ミルトとナナ$' 2>/dev/null); do
    # The main window is 640 wide; the box is not.
    if [[ "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')" != 640 ]]; then
      box=$id
      return 0
    fi
  done
  return 1
}
wait_for 60 find_box || fail "no failure box captioned ミルトとナナ without sound/"
grab
echo "a failed set-up shows its box, captioned with the game's title"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
wait_for 20 ended || fail "the program did not end after the failure box"
wait "$game"
status=$?
((status != 0)) || fail "after the failure box the program ended with status 0"
grep -q '初期化に失敗しました: .*sound.kyu\.wav を読み込めません' "$work/failure.log" ||
  fail "standard error does not name sound/kyu.wav: $(cat "$work/failure.log")"
echo "after it the program ended with status $status, naming the missing file"
echo "1 passed, 0 failed"
