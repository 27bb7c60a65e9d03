#!/usr/bin/env bash
# End-to-end flow of saving: Save by the file's extension, Save As through
# the save dialog, and the question when the editor closes with unsaved
# changes. Driven with the pointer and keys as a person would; the files
# written are checked byte by byte and pixel by pixel, the windows through
# the accessibility bus.
# Usage: saving.sh <korvane> [<testdata-folder>]
# The pictures it needs are made here, so the test data folder is not used.
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
mkdir -p "$work/run"

report=saving
source "$here/desktop.sh"
xvfb=
kpid='' bus='' a11y=''
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  stop_desktop
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
start_xserver 231 300

# A private home: the save dialog opens in its desktop folder, and nothing
# the program or the dialog remembers reaches the real home.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME"
folder=$HOME/Desktop/Korvane

start_session_bus

# check NAME COMMAND...: runs the command in this shell, so that it can wait
# for the program; when it fails, its output says why.
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then ok "$name"; else not_ok "$name" "$(cat "$work/out")"; fi
}


start_korvane() {
  (cd "$work/run" && exec "$korvane" "$@") >"$work/korvane.log" 2>&1 &
  kpid=$!
}
stop_korvane() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null && wait "$kpid" 2>/dev/null
  kpid=
}

# click_on [--in TITLE] NAME: clicks the middle of the named control.
click_on() {
  local at
  at=$(probe "${@:1:$#-1}" center "${@: -1}") || { echo "$at"; return 1; }
  xdotool mousemove $at click 1
}
# Drags with the line tool on the picture, in the picture's coordinates.
line() {
  local box px py
  click_on 直線 || return 1
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py _ <<<"$box"
  xdotool mousemove $((px + $1)) $((py + $2)) mousedown 1 \
    mousemove $(((px + $1 + px + $3) / 2)) $(((py + $2 + py + $4) / 2)) \
    mousemove $((px + $3)) $((py + $4)) mouseup 1
}
keys() { xdotool windowfocus --sync "$editor" key "$@"; }
title_is() {
  local got
  got=$(xdotool getwindowname "$editor")
  [ "$got" = "$1" ] || { echo "the title is [$got], not [$1]"; return 1; }
}
# The unsaved-changes question: its texts, then the answer clicked.
question() {
  local name=$1 answer=$2 got want
  want=$' 『 '"$name"$' 』 が保存されていません。\r\n\r\n　保存しますか？'
  got=$(probe alert 確認) || { echo "$got"; return 1; }
  [ "$got" = "$want" ] || { echo "the question says [$got]"; return 1; }
  probe --in 確認 box role:image: >/dev/null || { echo "the question shows no icon"; return 1; }
  click_on --in 確認 "$answer" || return 1
  no_window 確認
}
close_editor() { probe close "$editor"; }
same_file() { cmp -s "$1" "$2" || { echo "$1 was written"; return 1; }; }

if ! probe ready; then
  echo "not ok - accessibility bus: it does not start"
  exit 1
fi

convert -size 400x240 xc:white -type TrueColor BMP3:"$work/white.bmp"
convert -size 400x240 xc:white "$work/white.jpg"
convert -size 48x48 xc:white "$work/big.ico"
cp "$work/big.ico" "$work/big-before.ico"
convert -size 32x32 xc:white "$work/small.ico"
start_korvane "$work/white.bmp"
if ! editor=$(wait_window "　Korvane　　white.bmp" 2>&1); then
  not_ok start "$editor"
  exit 1
fi
note_accessibility_bus

# Ctrl+S writes the composed picture back in the file's own format.
save_bmp() {
  line 30 20 170 50
  keys ctrl+s
  probe file "$work/white.bmp" bmp 400x240 along:30,20,170,50=red beyond:4:30,20,170,50=white || return 1
  title_is "　Korvane　　white.bmp"
}
check "save-bmp: Ctrl+S writes a 24-bit BMP with the red line, white elsewhere" save_bmp

save_jpeg() {
  keys ctrl+o
  wait_window 開く >/dev/null || return 1
  click_on --in 開く role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 "$work/white.jpg"
  probe --in 開く text role:text:ファイル名\(N\): "$work/white.jpg" >/dev/null || return 1
  xdotool key Return
  wait_window "　Korvane　　white.jpg" >/dev/null || return 1
  line 60 200 360 120
  keys ctrl+s
  probe file "$work/white.jpg" jpeg 400x240 along:60,200,360,120=reddish \
    beyond:8:60,200,360,120=whitish || return 1
  title_is "　Korvane　　white.jpg"
}
check "save-jpeg: Ctrl+S on a .jpg writes a JPEG of quality 90 with the line" save_jpeg
cp "$work/white.jpg" "$work/saved.jpg"

# The question when the editor closes with a change; キャンセル keeps all.
close_cancel() {
  line 200 30 200 100
  close_editor
  question white.jpg キャンセル || return 1
  title_is "　Korvane　　white.jpg" || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
  same_file "$work/white.jpg" "$work/saved.jpg"
}
check "close-cancel: closing with a change asks about white.jpg; キャンセル keeps the editor" close_cancel

# はい on an untitled picture opens the save dialog; cancelling it keeps
# the editor, so that no work is lost, and removes the preview file.
close_yes_cancelled() {
  keys ctrl+n
  wait_window "　Korvane　　『 画像作成 』" >/dev/null || return 1
  line 40 30 300 200
  close_editor
  question 画像 'はい(Y)' || return 1
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_on --in 名前を付けて保存 キャンセル || return 1
  no_window 名前を付けて保存 || return 1
  title_is "　Korvane　　『 画像作成 』" || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
  [ ! -e "$folder/_.bmp" ] || { echo "_.bmp is left behind"; return 1; }
}
check "close-yes-cancelled: はい on an untitled picture, the dialog cancelled: the editor stays" \
  close_yes_cancelled

# Save on an untitled picture opens the save dialog in the desktop's
# Korvane folder, with the picture as _.bmp for the preview.
save_dialog() {
  keys ctrl+s
  wait_window 名前を付けて保存 >/dev/null || return 1
  probe --in 名前を付けて保存 box "role:combo box:$folder" >/dev/null || return 1
  probe --in 名前を付けて保存 text role:text:ファイル名\(N\): _.bmp >/dev/null || return 1
  probe --in 名前を付けて保存 box "640 × 480" >/dev/null || return 1
  probe file "$folder/_.bmp" bmp 640x480 along:40,30,300,200=red beyond:4:40,30,300,200=white
}
check "save-dialog: Ctrl+S on the untitled picture shows the dialog in ~/Desktop/Korvane with _.bmp" \
  save_dialog

# The written format follows the chosen filter, not the typed extension.
save_as() {
  wait_window 名前を付けて保存 >/dev/null || return 1
  # The filter list opens on the current filter; the next one is JPEG (*.jpg).
  click_on --in 名前を付けて保存 "role:combo box:ビットマップ (*.bmp)" || return 1
  xdotool key Down Return
  probe --in 名前を付けて保存 box "role:combo box:JPEG イメージファイル (*.jpg)" >/dev/null || return 1
  click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 shot.bmp
  probe --in 名前を付けて保存 text role:text:ファイル名\(N\): shot.bmp >/dev/null || return 1
  xdotool key Return
  no_window 名前を付けて保存 || return 1
  wait_window "　Korvane　　shot.bmp" >/dev/null || return 1
  probe file "$folder/shot.bmp" jpeg 640x480 along:40,30,300,200=reddish \
    beyond:8:40,30,300,200=whitish
}
check "save-as: the JPEG (*.jpg) filter and the name shot.bmp write JPEG data into shot.bmp" save_as

after_save_as() {
  title_is "　Korvane　　shot.bmp" || return 1
  [ ! -e "$folder/_.bmp" ] || { echo "_.bmp is left behind"; return 1; }
  probe enabled 保存 no
}
check "after-save-as: the title names shot.bmp, _.bmp is gone, Save is disabled" after_save_as

# はい with a file name writes it by its extension and ends the program.
close_yes() {
  line 320 40 600 40
  probe enabled 保存 yes || return 1
  close_editor
  question shot.bmp 'はい(Y)' || return 1
  ended || return 1
  probe file "$folder/shot.bmp" bmp 640x480 along:40,30,300,200=red along:320,40,600,40=red \
    beyond:4:40,30,300,200,320,40,600,40=white
}
check "close-yes: はい writes shot.bmp as a BMP with both lines and ends the program" close_yes
stop_korvane

# An icon holds only a 32 x 32 picture: for a larger one, はい shows why
# nothing is written and the editor stays; いいえ then ends the program.
start_korvane "$work/big.ico"
close_yes_icon() {
  local message box
  editor=$(wait_window "　Korvane　　big.ico") || return 1
  line 5 5 40 40
  close_editor
  question big.ico 'はい(Y)' || return 1
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [ "$message" = $'Icon ファイルとして保存できるのは\r\n\r\nIconサイズ(32x32)ピクセルの画像だけです' ] ||
    { echo "the box says [$message]"; return 1; }
  box=$(wait_window Korvane) || return 1
  xdotool windowfocus --sync "$box" key Return
  no_window Korvane || return 1
  title_is "　Korvane　　big.ico" || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
  same_file "$work/big.ico" "$work/big-before.ico"
}
check "close-yes-icon: はい on a 48 x 48 .ico explains the icon size; the editor stays, nothing is written" \
  close_yes_icon
close_no() {
  close_editor
  question big.ico 'いいえ(N)' || return 1
  ended || return 1
  same_file "$work/big.ico" "$work/big-before.ico"
}
check "close-no: いいえ ends the program without writing big.ico" close_no
stop_korvane

# A 32 x 32 .ico is saved as a 16-colour icon; once saved, 終了 in the menu
# ends the program without a question.
start_korvane "$work/small.ico"
save_icon() {
  editor=$(wait_window "　Korvane　　small.ico") || return 1
  line 4 6 28 26
  keys ctrl+s
  probe file "$work/small.ico" ico 32x32 along:4,6,28,26=red beyond:4:4,6,28,26=white || return 1
  title_is "　Korvane　　small.ico"
}
check "save-ico: Ctrl+S on a 32 x 32 .ico writes a 766-byte icon with the red line" save_icon
quit_saved() {
  # The open menu takes the key of 終了(&X).
  click_on "role:menu item:ファイル" || return 1
  xdotool key x
  ended
}
check "quit-saved: 終了 after a save asks nothing and ends the program" quit_saved
stop_korvane

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
