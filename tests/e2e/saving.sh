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
mounted=
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
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
# the editor, so that no work is lost. A file the user keeps under the name
# the dialog proposes is never touched.
mkdir -p "$folder"
printf "the user's own" >"$folder/_.bmp"
cp "$folder/_.bmp" "$work/own.bmp"
close_yes_cancelled() {
  keys ctrl+n
  question white.jpg 'いいえ(N)' || return 1
  wait_window "　Korvane　　『 画像作成 』" >/dev/null || return 1
  line 40 30 300 200
  close_editor
  question 画像 'はい(Y)' || return 1
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_on --in 名前を付けて保存 キャンセル || return 1
  no_window 名前を付けて保存 || return 1
  title_is "　Korvane　　『 画像作成 』" || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
  same_file "$folder/_.bmp" "$work/own.bmp"
}
check "close-yes-cancelled: はい on an untitled picture, the dialog cancelled: the editor stays" \
  close_yes_cancelled

# Save on an untitled picture opens the save dialog in the desktop's
# Korvane folder, proposing _.bmp and showing the picture from memory: the
# user's own _.bmp there is not written over for the preview.
save_dialog() {
  keys ctrl+s
  wait_window 名前を付けて保存 >/dev/null || return 1
  probe --in 名前を付けて保存 box "role:combo box:$folder" >/dev/null || return 1
  probe --in 名前を付けて保存 text role:text:ファイル名\(N\): _.bmp >/dev/null || return 1
  probe --in 名前を付けて保存 box "640 × 480" >/dev/null || return 1
  same_file "$folder/_.bmp" "$work/own.bmp"
}
check "save-dialog: Ctrl+S on the untitled picture shows the dialog in ~/Desktop/Korvane, _.bmp proposed, nothing written" \
  save_dialog

# A typed name that says one of our formats decides the format, whatever
# the filter: shot.jpg under the bitmap filter is a JPEG.
save_as() {
  wait_window 名前を付けて保存 >/dev/null || return 1
  probe --in 名前を付けて保存 box "role:combo box:ビットマップ (*.bmp)" >/dev/null || return 1
  click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 shot.jpg
  probe --in 名前を付けて保存 text role:text:ファイル名\(N\): shot.jpg >/dev/null || return 1
  xdotool key Return
  no_window 名前を付けて保存 || return 1
  wait_window "　Korvane　　shot.jpg" >/dev/null || return 1
  probe file "$folder/shot.jpg" jpeg 640x480 along:40,30,300,200=reddish \
    beyond:8:40,30,300,200=whitish
}
check "save-as: the name shot.jpg under the ビットマップ filter writes a JPEG" save_as

after_save_as() {
  title_is "　Korvane　　shot.jpg" || return 1
  same_file "$folder/_.bmp" "$work/own.bmp" || return 1
  probe enabled 保存 no
}
check "after-save-as: the title names shot.jpg, the user's _.bmp is as it was, Save is disabled" \
  after_save_as

# A turn is a change like any other: Save comes back, and closing asks;
# はい writes the turned picture and ends the program.
turn_then_close() {
  click_on 回転 || return 1
  probe enabled 保存 yes || return 1
  close_editor
  question shot.jpg 'はい(Y)' || return 1
  ended || return 1
  # The picture turns under the line, which keeps its place.
  probe file "$folder/shot.jpg" jpeg 480x640 along:40,30,300,200=reddish \
    beyond:8:40,30,300,200=whitish
}
check "turn-then-close: after a turn, closing asks about shot.jpg; はい writes it turned" turn_then_close
stop_korvane

# A file the user made read-only is only read: its mode stays; Ctrl+S on it
# says why it cannot be written and offers 名前を付けて保存.
convert -size 200x100 xc:white -type TrueColor BMP3:"$work/locked.bmp"
chmod 0444 "$work/locked.bmp"
cp "$work/locked.bmp" "$work/locked-before.bmp"
start_korvane "$work/locked.bmp"
read_only_file() {
  local message
  editor=$(wait_window "　Korvane　　locked.bmp") || return 1
  [ "$(stat -c %a "$work/locked.bmp")" = 444 ] || { echo "opening made it $(stat -c %a "$work/locked.bmp")"; return 1; }
  line 20 20 180 80
  keys ctrl+s
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [[ "$message" == *"書き込みが禁止されているため、保存できません"*"名前を付けて保存しますか？"* ]] ||
    { echo "the box says [$message]"; return 1; }
  click_on --in Korvane 'はい(Y)' || return 1
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 "$work/unlocked.bmp"
  xdotool key Return
  wait_window "　Korvane　　unlocked.bmp" >/dev/null || return 1
  probe file "$work/unlocked.bmp" bmp 200x100 along:20,20,180,80=red || return 1
  same_file "$work/locked.bmp" "$work/locked-before.bmp" || return 1
  [ "$(stat -c %a "$work/locked.bmp")" = 444 ] || { echo "locked.bmp is $(stat -c %a "$work/locked.bmp") now"; return 1; }
}
check "read-only-file: opening keeps its mode 444; Ctrl+S says it is write-protected and saves elsewhere" \
  read_only_file
stop_korvane

# A desktop where nothing can be made (a read-only file system): Save As
# still opens, in the home folder, and saves there.
readonly_home=$work/readonly-home
mkdir -p "$readonly_home/Desktop"
if mount -t tmpfs -o ro,size=64k tmpfs "$readonly_home/Desktop" 2>/dev/null; then
  mounted=$readonly_home/Desktop
  (cd "$work/run" && HOME=$readonly_home exec "$korvane" "$work/white.bmp") >"$work/korvane.log" 2>&1 &
  kpid=$!
  read_only_desktop() {
    editor=$(wait_window "　Korvane　　white.bmp") || return 1
    line 30 30 300 200
    click_on "role:menu item:ファイル" || return 1
    xdotool key a
    wait_window 名前を付けて保存 >/dev/null || return 1
    probe --in 名前を付けて保存 box "role:combo box:$readonly_home" >/dev/null || return 1
    probe --in 名前を付けて保存 text role:text:ファイル名\(N\): _.bmp >/dev/null || return 1
    click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
    xdotool key ctrl+a type --delay 5 elsewhere
    xdotool key Return
    wait_window "　Korvane　　elsewhere.bmp" >/dev/null || return 1
    probe file "$readonly_home/elsewhere.bmp" bmp 400x240 along:30,30,300,200=red
  }
  check "read-only-desktop: with a desktop where no folder can be made, Save As opens in the home folder and saves" \
    read_only_desktop
  stop_korvane
else
  echo "ok - read-only-desktop # SKIP no read-only file system can be mounted here"
fi

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
# Unsaved is where the history stands, not whether anything was done: one
# undo past the save asks on closing, and redoing back to it asks nothing.
undo_past_saved() {
  line 2 28 30 28
  keys ctrl+z ctrl+z
  close_editor
  question small.ico キャンセル || return 1
  keys ctrl+y
}
check "undo-past-saved: a line drawn and two undos, one past the save: closing asks about small.ico" \
  undo_past_saved
quit_saved() {
  # The open menu takes the key of 終了(&X).
  click_on "role:menu item:ファイル" || return 1
  xdotool key x
  ended || return 1
  probe file "$work/small.ico" ico 32x32 along:4,6,28,26=red beyond:4:4,6,28,26=white
}
check "quit-saved: redone back to the saved state, 終了 asks nothing and ends the program" quit_saved
stop_korvane

# PNG. Pictures that ImageMagick made open as they are: 16-bit with
# transparency (on white), interlaced; and a palette of 16 colours. Drawn on
# and saved as PNG, the file holds the screen's picture exactly; Ctrl+C gives
# another program the same picture; a PNG cut short is refused and changes
# nothing.
convert -size 160x100 gradient:red-blue -depth 8 \
  \( -size 160x100 xc:white -fill black -draw 'rectangle 20,20 139,79' \) \
  -alpha off -compose copy_opacity -composite -depth 16 -interlace PNG PNG64:"$work/deep.png"
convert -size 160x100 gradient:yellow-green -colors 16 PNG8:"$work/palette.png"
convert "$work/deep.png" -background white -flatten -depth 8 "$work/deep-ref.ppm"
convert "$work/palette.png" -depth 8 "$work/palette-ref.ppm"
head -c 300 "$work/deep.png" >"$work/cut.png"
# shows REF: the editor shows the picture REF exactly, every visible pixel,
# within 4 seconds.
shows() {
  for _ in $(seq 20); do
    import -window root -depth 8 "$work/shot.ppm"
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    python3 "$here/shotcheck.py" locate "$work/shot.ppm" "$X" "$Y" "$WIDTH" "$HEIGHT" "$1" >/dev/null &&
      return 0
    sleep 0.2
  done
  return 1
}
open_file() {
  keys ctrl+o
  wait_window 開く >/dev/null || return 1
  click_on --in 開く role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 "$1"
  sleep 0.3
  xdotool key Return
}
start_korvane "$work/deep.png"
png_open() {
  editor=$(wait_window "　Korvane　　deep.png") || return 1
  shows "$work/deep-ref.ppm" || { echo "the screen does not show deep.png"; return 1; }
  open_file "$work/palette.png" || return 1
  wait_window "　Korvane　　palette.png" >/dev/null || return 1
  shows "$work/palette-ref.ppm" || { echo "the screen does not show palette.png"; return 1; }
}
check "png-open: a 16-bit interlaced PNG with transparency and a 16-colour one show exactly" png_open
png_save() {
  local box px py
  line 10 10 150 90
  click_on "role:menu item:ファイル" || return 1
  xdotool key a
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 "$work/drawn.png"
  xdotool key Return
  wait_window "　Korvane　　drawn.png" >/dev/null || return 1
  probe file "$work/drawn.png" png 160x100 along:10,10,150,90=red || return 1
  convert "$work/drawn.png" -depth 8 "$work/drawn.ppm"
  shows "$work/drawn.ppm" || { echo "the file is not what the screen shows"; return 1; }
}
check "png-save: drawn on and saved as drawn.png, the file is the screen's picture exactly" png_save
png_copy() {
  local differ
  keys ctrl+c
  for _ in $(seq 20); do
    xclip -selection clipboard -t image/png -o >"$work/copied.png" 2>/dev/null &&
      identify "$work/copied.png" >/dev/null 2>&1 && break
    sleep 0.2
  done
  differ=$(compare -metric AE "$work/copied.png" "$work/drawn.png" null: 2>&1)
  [ "$differ" = 0 ] || { echo "the clipboard's PNG differs from the saved picture: $differ"; return 1; }
}
check "png-copy: Ctrl+C, and xclip reads the composed picture as image/png" png_copy
png_cut() {
  local message box
  open_file "$work/cut.png" || return 1
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [[ "$message" == PNG* ]] || { echo "the box says [$message]"; return 1; }
  box=$(wait_window Korvane) || return 1
  xdotool windowfocus --sync "$box" key Return
  no_window Korvane || return 1
  title_is "　Korvane　　drawn.png" || return 1
  shows "$work/drawn.ppm" || { echo "the picture changed"; return 1; }
}
check "png-cut: a PNG cut short gets a message; the document stays as it was" png_cut
stop_korvane

# A PNG saved by the program keeps its lines and texts editable: opened
# again from the command line, the line is picked and moved, and the
# picture under it comes back. Another program's change to the pixels
# (a copy with one sample changed, its chunks kept) opens that copy as a
# plain picture, with the reason in the status bar.
convert -size 400x240 gradient:yellow-blue PNG24:"$work/base.png"
start_korvane "$work/base.png"
editable_save() {
  local box px py
  editor=$(wait_window "　Korvane　　base.png") || return 1
  line 30 20 170 50
  click_on テキスト || return 1
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py _ <<<"$box"
  xdotool mousemove $((px + 60)) $((py + 130)) click 1
  probe enabled "確　定" yes || return 1
  xdotool windowfocus --sync "$editor" type --delay 20 "OK"
  probe text 挿入文字 OK >/dev/null || return 1
  click_on "確　定" || return 1
  click_on "role:menu item:ファイル" || return 1
  xdotool key a
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_on --in 名前を付けて保存 role:text:ファイル名\(N\): || return 1
  xdotool key ctrl+a type --delay 5 "$work/sheet.png"
  xdotool key Return
  wait_window "　Korvane　　sheet.png" >/dev/null || return 1
  probe file "$work/sheet.png" png 400x240 along:30,20,170,50=red || return 1
  grep -q kvED "$work/sheet.png" || { echo "sheet.png carries no annotations"; return 1; }
  convert "$work/sheet.png" -depth 8 "$work/sheet.ppm"
  shows "$work/sheet.ppm" || { echo "the file is not what the screen shows"; return 1; }
  close_editor
  ended
}
check "editable-save: a line and a text on a gradient, saved as sheet.png: the screen's picture, annotations inside" \
  editable_save
stop_korvane

xdotool mousemove 0 0
start_korvane "$work/sheet.png"
editable_open() {
  local box px py differ
  editor=$(wait_window "　Korvane　　sheet.png") || return 1
  shows "$work/sheet.ppm" || { echo "the screen does not show sheet.png"; return 1; }
  click_on 選択 || return 1
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py _ <<<"$box"
  # The line's middle, dragged 110 right and 100 down; a click on a free
  # spot then drops the selection.
  xdotool mousemove $((px + 100)) $((py + 35)) mousedown 1 mousemove $((px + 150)) $((py + 80)) \
    mousemove $((px + 210)) $((py + 135)) mouseup 1
  xdotool mousemove $((px + 380)) $((py + 230)) click 1
  keys ctrl+s
  probe file "$work/sheet.png" png 400x240 along:140,120,280,150=red || return 1
  convert "$work/sheet.png" -depth 8 "$work/moved.ppm"
  shows "$work/moved.ppm" || { echo "the file is not what the screen shows"; return 1; }
  # Where the line was, the gradient, pixel for pixel.
  convert "$work/sheet.png" -crop 150x40+25+15 +repage "$work/was-line.ppm"
  convert "$work/base.png" -crop 150x40+25+15 +repage "$work/gradient.ppm"
  differ=$(compare -metric AE "$work/was-line.ppm" "$work/gradient.ppm" null: 2>&1)
  [ "$differ" = 0 ] || { echo "under the old line $differ pixels differ from the gradient"; return 1; }
  close_editor
  ended
}
check "editable-open: sheet.png from the command line; its line moved with the pointer, the gradient under it again" \
  editable_open
stop_korvane

# A byte of the first row changed inside IDAT, every other chunk kept.
python3 - "$work/sheet.png" "$work/edited.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, chunks = 8, []
while pos < len(data):
    n, kind = struct.unpack('>I4s', data[pos:pos + 8])
    chunks.append((kind, data[pos + 8:pos + 8 + n]))
    pos += 12 + n
rows = bytearray(zlib.decompress(b''.join(c for k, c in chunks if k == b'IDAT')))
rows[1 + 3 * 5] ^= 0x20  # the row's filter may carry the change along the row
def chunk(kind, body):
    return struct.pack('>I4s', len(body), kind) + body + struct.pack('>I', zlib.crc32(kind + body))
out, idat = [data[:8]], False
for kind, body in chunks:
    if kind == b'IDAT':
        if not idat:
            out.append(chunk(kind, zlib.compress(bytes(rows))))
        idat = True
    else:
        out.append(chunk(kind, body))
open(sys.argv[2], 'wb').write(b''.join(out))
PY
xdotool mousemove 0 0
start_korvane "$work/edited.png"
editable_edited() {
  local box px py
  editor=$(wait_window "　Korvane　　edited.png") || return 1
  grep -q kvED "$work/edited.png" || { echo "the edited copy lost the chunk"; return 1; }
  probe text about:指している部分の説明 \
    "注釈を復元できませんでした（画像がほかのプログラムで変更されています）。" >/dev/null || return 1
  convert "$work/edited.png" -depth 8 "$work/edited.ppm"
  shows "$work/edited.ppm" || { echo "the screen does not show edited.png"; return 1; }
  # Nothing to pick: a drag on the line moves nothing.
  click_on 選択 || return 1
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py _ <<<"$box"
  xdotool mousemove $((px + 210)) $((py + 135)) mousedown 1 mousemove $((px + 250)) $((py + 180)) \
    mousemove $((px + 300)) $((py + 200)) mouseup 1
  shows "$work/edited.ppm" || { echo "something moved"; return 1; }
}
check "editable-edited: a copy whose pixels another program changed opens plain; the status bar says why" \
  editable_edited
stop_korvane

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
