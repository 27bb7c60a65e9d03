#!/usr/bin/env bash
# End-to-end flow of the recovery copy, on one private X server: a line drawn
# is copied to the state folder within seconds; kill -TERM ends the program
# normally and the copy stays; the next start asks about it, and はい brings
# the picture back in the editor as unsaved work under its name. After a
# kill -KILL the periodic copy is what is left, and いいえ deletes it. Two
# instances at once keep a copy each and never offer each other's; いいえ at
# the close question deletes a copy; a damaged copy is said so and deleted;
# the session manager's checkpoint (xsm) writes the copy at once.
# Usage: recovery.sh <korvane> [<testdata-folder>]
# The pictures it needs are made here, so the test data folder is not used.
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
mkdir -p "$work/run"

report=recovery
source "$here/desktop.sh"
xvfb=
kpid='' kpid2='' bus='' a11y=''
cleanup() {
  [ -n "$kpid" ] && kill -KILL "$kpid" 2>/dev/null
  [ -n "$kpid2" ] && kill -KILL "$kpid2" 2>/dev/null
  stop_desktop
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
start_xserver 241 300
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_CONFIG_HOME"
start_session_bus
copies=$XDG_STATE_HOME/korvane

check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then ok "$name"; else not_ok "$name" "$(cat "$work/out")"; fi
}

start_korvane() {
  (cd "$work/run" && exec "$korvane" "$@") >>"$work/korvane.log" 2>&1 &
  kpid=$!
}
# The picture as the screen shows it.
shown() {
  local box px py
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py _ <<<"$box"
  import -window root "$work/shot.ppm" && probe pixels "$work/shot.ppm" "$px" "$py" "$@"
}
copy_list() { find "$copies" -maxdepth 1 -name '*.png' 2>/dev/null | sort; }
# wait_copies N: waits (10 s at most) until there are N copies.
wait_copies() {
  for _ in $(seq 100); do
    [ "$(copy_list | wc -l)" = "$1" ] && return 0
    sleep 0.1
  done
  echo "$(copy_list | wc -l) copies, not $1: $(ls -la "$copies" 2>&1)"
  return 1
}
# The start-up question: its text, then the answer clicked.
question='前回保存されなかった画像があります。復元しますか？'
answer() {
  local got
  got=$(probe alert Korvane) || { echo "$got"; return 1; }
  [ "$got" = "$question" ] || { echo "the box says [$got]"; return 1; }
  probe --in Korvane box role:image: >/dev/null || { echo "the box shows no icon"; return 1; }
  click_on --in Korvane "$1" || return 1
  no_window Korvane
}
close_question() {
  local got want=$' 『 '"$1"$' 』 が保存されていません。\r\n\r\n　保存しますか？'
  got=$(probe alert 確認) || { echo "$got"; return 1; }
  [ "$got" = "$want" ] || { echo "the question says [$got]"; return 1; }
  click_on --in 確認 "$2" || return 1
  no_window 確認
}

if ! probe ready; then
  echo "not ok - accessibility bus: it does not start"
  exit 1
fi

convert -size 400x240 xc:white -type TrueColor BMP3:"$work/white.bmp"
convert -size 400x240 xc:white "$work/white.jpg"
cp "$work/white.bmp" "$work/white-before.bmp"

# A line drawn: within a few seconds its copy, the line in it, in a folder
# that only the user can enter; nothing before the change.
start_korvane "$work/white.bmp"
if ! editor=$(wait_window "　Korvane　　white.bmp" 2>&1); then
  not_ok start "$editor"
  exit 1
fi
note_accessibility_bus
periodic() {
  sleep 2.5
  [ -z "$(copy_list)" ] || { echo "a copy before any change: $(copy_list)"; return 1; }
  line 30 20 170 50 || return 1
  wait_copies 1 || return 1
  [ "$(stat -c %a "$copies")" = 700 ] || { echo "the folder is $(stat -c %a "$copies")"; return 1; }
  probe file "$(copy_list)" png 400x240 along:30,20,170,50=red beyond:4:30,20,170,50=white
}
check "periodic: a line drawn is in a copy under \$XDG_STATE_HOME/korvane (0700) within seconds" periodic

# kill -TERM: a normal end, status 0; the copy stays, white.bmp untouched.
term() {
  line 40 200 360 200 || return 1
  kill -TERM "$kpid"
  ends_with 0 || return 1
  wait_copies 1 || return 1
  probe file "$(copy_list)" png 400x240 along:30,20,170,50=red along:40,200,360,200=red || return 1
  cmp -s "$work/white.bmp" "$work/white-before.bmp" || { echo "white.bmp was written"; return 1; }
}
check "term: kill -TERM ends the program with status 0, the copy holding both lines stays" term

# The next start asks once after the launcher shows; はい opens the work in
# the editor under its name, both lines shown, still unsaved.
first=$(copy_list)
start_korvane
restore() {
  wait_window "　Korvane" >/dev/null || return 1
  answer 'はい(Y)' || return 1
  editor=$(wait_window "　Korvane　　white.bmp") || return 1
  no_window "　Korvane" || return 1
  shown along:30,20,170,50=red along:40,200,360,200=red 200,120=white || return 1
  # The old copy has given way to this run's own.
  wait_copies 1 || return 1
  [ "$(copy_list)" != "$first" ] || { echo "the old copy is still there"; return 1; }
  probe close "$editor"
  close_question white.bmp キャンセル
}
check "restore: the next start asks; はい shows both lines in white.bmp's editor, unsaved (closing asks)" restore

# kill -KILL after the periodic copy, as a crash: the copy stays; the next
# start offers it, and いいえ deletes it.
crash() {
  local before
  before=$(stat -c %Y.%s "$(copy_list)")
  line 200 30 380 110 || return 1
  for _ in $(seq 60); do
    [ "$(stat -c %Y.%s "$(copy_list)" 2>/dev/null)" != "$before" ] && break
    sleep 0.1
  done
  probe file "$(copy_list)" png 400x240 along:200,30,380,110=red || return 1
  kill -KILL "$kpid"
  ends_with 137 || return 1
  start_korvane
  wait_window "　Korvane" >/dev/null || return 1
  answer 'いいえ(N)' || return 1
  wait_copies 0 || return 1
  wait_window "　Korvane" >/dev/null
}
check "crash: after kill -KILL the periodic copy is offered, いいえ deletes it, the launcher stays" crash
kill -TERM "$kpid" && ends_with 0 >/dev/null

# Two instances at once: each its own copy, neither offered to the other;
# いいえ at the close question deletes that instance's copy only.
two() {
  local one two
  start_korvane "$work/white.bmp"
  one=$(wait_window "　Korvane　　white.bmp") || return 1
  editor=$one
  line 10 10 390 10 || return 1
  wait_copies 1 || return 1
  kpid2=$kpid
  start_korvane "$work/white.jpg"
  two=$(wait_window "　Korvane　　white.jpg") || return 1
  editor=$two
  sleep 1
  [[ " $(visible_titles)" != *"[Korvane]"* ]] || { echo "the second instance asks about the first's copy"; return 1; }
  line 10 230 390 230 || return 1
  wait_copies 2 || return 1
  local a b
  read -r a b <<<"$(copy_list | tr '\n' ' ')"
  # Which is which does not matter; each holds its own line only.
  if probe file "$a" png 400x240 along:10,10,390,10=red 200,230=white >/dev/null 2>&1; then
    probe file "$b" png 400x240 along:10,230,390,230=reddish 200,10=whitish || return 1
  else
    probe file "$b" png 400x240 along:10,10,390,10=red 200,230=white || return 1
    probe file "$a" png 400x240 along:10,230,390,230=reddish 200,10=whitish || return 1
  fi
  probe close "$two"
  close_question white.jpg 'いいえ(N)' || return 1
  ends_with 0 || return 1
  wait_copies 1 || return 1
  kpid=$kpid2 kpid2=
  probe close "$one"
  close_question white.bmp 'いいえ(N)' || return 1
  ends_with 0 || return 1
  wait_copies 0
}
check "two-instances: two running at once keep a copy each and offer none; いいえ at closing deletes each" two

# A damaged copy left over: the start says so and deletes it; the launcher
# stays.
damaged() {
  head -c 100 "$work/white.bmp" >"$copies/00000000-0000-0000-0000-000000000000.png"
  start_korvane
  local got
  got=$(probe alert Korvane) || { echo "$got"; return 1; }
  [[ "$got" == 前回保存されなかった画像は壊れているため、復元できません。* ]] ||
    { echo "the box says [$got]"; return 1; }
  xdotool windowfocus --sync "$(wait_window Korvane)" key Return
  no_window Korvane || return 1
  wait_copies 0 || return 1
  wait_window "　Korvane" >/dev/null || return 1
  kill -TERM "$kpid" && ends_with 0
}
check "damaged: a damaged copy is reported and deleted at start; the launcher stays" damaged

# A state folder that cannot be made: the work goes on, and the status bar
# says that the copy could not be written.
unwritable() {
  (cd "$work/run" && XDG_STATE_HOME=/proc/korvane-state exec "$korvane" "$work/white.bmp") \
    >>"$work/korvane.log" 2>&1 &
  kpid=$!
  editor=$(wait_window "　Korvane　　white.bmp") || return 1
  line 30 120 370 120 || return 1
  xdotool mousemove 0 0
  probe text about:指している部分の説明 \
    "復元用のコピーを保存できませんでした（復元用のフォルダ /proc/korvane-state/korvane を作れません）。" \
    >/dev/null || return 1
  shown along:30,120,370,120=red || return 1
  probe close "$editor"
  close_question white.bmp 'いいえ(N)' || return 1
  ends_with 0
}
check "unwritable: a state folder that cannot be made is said in the status bar; the work goes on" unwritable

# The session manager's checkpoint (xsm, as the user's Checkpoint button
# sends it to every client): the copy is written at once, long before the
# periodic one (made to wait a minute here), and nothing is asked or closed.
session() {
  local info main box bx by bw bh
  mkdir -p "$HOME"
  printf '#!/bin/sh\necho "$SESSION_MANAGER" >%s/sm\nexec sleep 600\n' "$work" >"$work/client"
  chmod +x "$work/client"
  echo "$work/client" >"$HOME/.xsmstartup"
  xsm >"$work/xsm.log" 2>&1 &
  xsmpid=$!
  for _ in $(seq 100); do [ -s "$work/sm" ] && break; sleep 0.1; done
  [ -s "$work/sm" ] || { echo "xsm started no client: $(cat "$work/xsm.log")"; return 1; }
  main=$(wait_window "xsm: Default") || return 1
  xdotool windowmove "$main" 0 0
  (cd "$work/run" && SESSION_MANAGER=$(cat "$work/sm") KORVANE_RECOVERY_DELAY_MS=60000 \
    exec "$korvane" "$work/white.bmp") >>"$work/korvane.log" 2>&1 &
  kpid=$!
  editor=$(wait_window "　Korvane　　white.bmp") || return 1
  line 30 120 370 120 || return 1
  sleep 1
  [ -z "$(copy_list)" ] || { echo "a copy before the checkpoint"; return 1; }
  xdotool mousemove 45 49 sleep 0.3 click 1 # Checkpoint
  box=$(wait_window Checkpoint) || return 1
  read -r bx by bw bh <<<"$(xwininfo -id "$box" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')"
  # The session's name first: xsm checkpoints only a named session.
  xdotool windowfocus --sync "$box" mousemove $((bx + 174)) $((by + 18)) click 1 sleep 0.2 type recovery
  xdotool mousemove $((bx + 57)) $((by + bh - 17)) sleep 0.3 click 1
  wait_copies 1 || { cat "$work/xsm.log"; return 1; }
  probe file "$(copy_list)" png 400x240 along:30,120,370,120=red || return 1
  sleep 1
  [[ " $(visible_titles)" != *"[確認]"* ]] || { echo "the checkpoint asked about saving"; return 1; }
  wait_window "　Korvane　　white.bmp" >/dev/null || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
}
xsmpid=''
if command -v xsm >/dev/null; then
  check "session: xsm's checkpoint writes the copy at once; the editor stays, nothing asked" session
else
  echo "ok - session # SKIP xsm is not installed (tools/install-deps.sh)"
fi
[ -n "$xsmpid" ] && kill "$xsmpid" 2>/dev/null

echo "# $passed passed, $failed failed"
[ "$failed" = 0 ]
