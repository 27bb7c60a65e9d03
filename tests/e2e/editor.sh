#!/usr/bin/env bash
# End-to-end flow of the editor window: one program run on a white picture,
# driven with the pointer and keys as a person would, checked through the
# accessibility bus (names, texts, states) and through screenshots (pixels).
# Usage: editor.sh <korvane> [<testdata-folder>]
# The pictures it needs are made here, so the test data folder is not used.
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
mkdir -p "$work/run"

source "$here/desktop.sh"
xvfb=
kpid='' bus='' a11y='' clip=''
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  [ -n "$clip" ] && kill "$clip" 2>/dev/null
  stop_desktop
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A stopped run cleans up too.
trap 'exit 143' TERM INT HUP
start_xserver 161 230

# A private home: the save dialog opens in its desktop folder, and nothing
# the program or the dialogs remember reaches the real home.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME"

start_session_bus

shot=$work/shot.ppm
not_ok() {
  failed=$((failed + 1))
  local kept=/tmp/korvane-e2e-editor-${1%%:*}.ppm
  cp "$shot" "$kept" 2>/dev/null && set -- "$1" "$2 (screenshot kept in $kept)"
  echo "not ok - $1: $2"
  sed 's/^/  program: /' "$work/korvane.log" | tail -n 5
}
# check NAME COMMAND...: runs the command; when it fails, its output says why.
check() {
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then ok "$name"; else not_ok "$name" "$out"; fi
}
expect_text() { local got; got=$(probe text "$1" "$2") || { echo "$got"; return 1; }; }


# click_at takes screen coordinates; drag takes the picture's, from where to
# where.
click_at() { xdotool mousemove "$1" "$2" click 1; }
drag() {
  xdotool mousemove $((px + $1)) $((py + $2)) mousedown 1 \
    mousemove $(((px + $1 + px + $3) / 2)) $(((py + $2 + py + $4) / 2)) \
    mousemove $((px + $3)) $((py + $4)) mouseup 1
}
tool() { click_at $(probe center "$1"); }
# A cell of the colour grid: 8 columns by 2 rows, index = row * 8 + column.
cell() { xdotool mousemove $((gx + ($1 % 8) * 21 + 10)) $((gy + ($1 / 8) * 19 + 9)) click 1; }
keys() { xdotool windowfocus --sync "$editor" key "$@"; }
# pixels TERM...: the picture's pixels, see editorprobe.py.
pixels() { probe pixels "$shot" "$px" "$py" "$@"; }

if ! probe ready; then
  echo "not ok - accessibility bus: it does not start"
  exit 1
fi

# xdotool types a character missing from the keyboard by mapping it to a
# spare key for a moment; a busy program may read the keyboard after the
# mapping is undone and lose the character. So each character of the text
# gets a key of its own before the program starts.
text='注意してください'
spare=$(xmodmap -pke | awk 'NF == 3 && $2 > 8 { printf "%s ", $2 }')
for keysym in $(python3 -c 'import sys; print(*sorted({"U%04X" % ord(c) for c in sys.argv[1]}))' "$text"); do
  read -r keycode spare <<<"$spare"
  xmodmap -e "keycode $keycode = $keysym"
done

convert -size 400x240 xc:white BMP3:"$work/white.bmp"
(cd "$work/run" && exec "$korvane" "$work/white.bmp") >"$work/korvane.log" 2>&1 &
kpid=$!
if ! editor=$(wait_window "　Korvane　　white.bmp"); then
  not_ok start "$editor"
  exit 1
fi
note_accessibility_bus
if ! box=$(probe box 画像) || ! grid=$(probe box 色の選択); then
  not_ok accessibility "the editor's controls are not on the accessibility bus: $box $grid"
  exit 1
fi
read -r px py pw ph <<<"$box"
read -r gx gy _ <<<"$grid"
if [ "$pw $ph" = "400 240" ]; then ok "start: the editor shows the 400 x 240 picture"
else not_ok start "the picture is $pw x $ph"; fi
swatch=$(probe box 線の色)
read -r sx sy sw sh <<<"$swatch"
swatch_is() { probe pixels "$shot" "$sx" "$sy" "$((sw / 2)),$((sh / 2))=$1"; }

# The status bar's first panel explains the control under the pointer.
hint_panel=about:指している部分の説明
position_panel=about:画像の上のポインタの位置
hints() {
  xdotool mousemove $(probe center 直線)
  expect_text $hint_panel 直線を書きます || return 1
  xdotool mousemove $(probe center 矢印)
  expect_text $hint_panel 矢印を描きます。
}
check "hints: the status bar explains the tool button under the pointer" hints

# Lines and an arrow, drawn by dragging; all that is drawn stays inside the
# 400 x 240 picture, which the window shows whole. A: (30,20)-(170,50) and
# B: (100,70)-(100,230) with the line tool, C: (250,20)-(350,90) an arrow.
draw() {
  tool 直線
  expect_text 動作の状態 "  直線描画" || return 1
  drag 30 20 170 50
  drag 100 70 100 230
  tool 矢印
  expect_text 動作の状態 "  矢印描画" || return 1
  drag 250 20 350 90
  # A click without a stroke leaves nothing.
  drag 200 200 200 200
  pixels along:30,20,170,50=red along:100,70,100,230=red along:250,20,350,90=red \
    head:250,20,350,90=red head:30,20,170,50=white 356,94=white 200,200=white
}
check "draw: two red lines and an arrow with its head, no dot for a click" draw

# Undo and redo: Ctrl+Z twice takes the arrow and line B away, Ctrl+Y brings
# B back, and 編集's 元に戻す takes it again; Ctrl+Shift+Z redoes both, and
# then やり直し has nothing left to do.
undo_redo() {
  keys ctrl+z ctrl+z
  pixels along:30,20,170,50=red along:100,70,100,230=white along:250,20,350,90=white \
    head:250,20,350,90=white || return 1
  keys ctrl+y
  pixels along:100,70,100,230=red along:250,20,350,90=white || return 1
  click_at $(probe center "role:menu item:編集")
  probe enabled "元に戻す(U)" yes || return 1
  probe enabled "やり直し(R)" yes || return 1
  xdotool key u
  pixels along:30,20,170,50=red along:100,70,100,230=white || return 1
  keys ctrl+shift+z ctrl+shift+z
  pixels along:30,20,170,50=red along:100,70,100,230=red along:250,20,350,90=red \
    head:250,20,350,90=red || return 1
  click_at $(probe center "role:menu item:編集")
  probe enabled "やり直し(R)" no || return 1
  xdotool key Escape
}
check "undo-redo: Ctrl+Z twice, Ctrl+Y, 元に戻す, Ctrl+Shift+Z twice, each shown; やり直し then disabled" \
  undo_redo

# The select tool takes the oldest line under the pointer; dragging moves it,
# drawn inverted while selected. In the text entry Delete removes a
# character, as in every text field; the toolbar's cross removes the line.
move_and_delete() {
  tool 選択
  expect_text 動作の状態 "  部分選択" || return 1
  drag 100 35 210 135
  pixels along:140,120,280,150=black along:30,20,170,50=white along:100,70,100,230=red || return 1
  expect_text $position_panel " X:210 Y:135" || return 1
  click_at $(probe center 挿入文字)
  keys a b c Home Delete
  expect_text 挿入文字 bc || return 1
  pixels along:140,120,280,150=black || return 1
  click_at $(probe center 削除)
  pixels along:140,120,280,150=white along:100,70,100,230=red along:250,20,350,90=red
}
check "select: the first line moves, inverted while selected; Delete in the entry edits it, the cross removes the line" \
  move_and_delete

# A colour from the grid for the line tool, then the eyedropper picks the
# red of line B back: the next line is red again. The swatch "線の色" shows
# the line colour each time. The grid's cells are named after their colours
# for screen readers.
blue_cell() {
  local found
  found=$(probe box 青 2>&1)
  [ "$found" = "$((gx + 4 * 21)) $((gy + 19)) 21 19" ] || { echo "found: $found"; return 1; }
}
check "grid-cell: the blue cell is on the accessibility bus as 青, where it is drawn" blue_cell
tool 直線
cell 12
check "swatch-blue: the grid's blue cell shows blue in the line colour swatch" swatch_is blue
drag 250 180 370 180
check "grid-colour: the line tool draws in the blue chosen from the grid" pixels along:250,180,370,180=blue
tool 色抽出
eyedropper() {
  expect_text 動作の状態 "  色の抽出" || return 1
  click_at $((px + 100)) $((py + 100))
  swatch_is red
}
check "swatch-red: the eyedropper on red line B shows red in the swatch" eyedropper
tool 直線
drag 250 210 370 210
check "eyedropper: the next line is drawn in the picked red" \
  pixels along:250,210,370,210=red along:250,180,370,180=blue

# Text: a click sets the insertion point (an inverting bar), typed Japanese
# goes into the entry, the confirm button puts it on a white cell there. The
# cell covers line B where it crosses it.
place_text() {
  tool テキスト
  expect_text 動作の状態 "  文字描画" || return 1
  probe enabled "確　定" no || return 1
  click_at $((px + 60)) $((py + 130))
  probe enabled "確　定" yes || return 1
  pixels 58,132=black 61,132=black 57,132=white 62,132=white || return 1
  xdotool windowfocus --sync "$editor" type --delay 20 "$text"
  expect_text 挿入文字 "$text" || return 1
  click_at $(probe center "確　定")
  pixels min:60,130,68,138:dark:3 min:60,130,160,146:dark:40 \
    none:40,120,200,130:dark none:48,125,60,150:dark 58,132=white \
    none:97,131,104,141:red 100,120=red 100,160=red
}
check "text: typed Japanese goes on a white cell at the insertion point" place_text

# The select tool takes the text back into the entry; a yellow background
# from the grid and the confirm button change that text.
restyle_text() {
  tool 選択
  drag 75 137 75 137
  expect_text 挿入文字 "$text" || return 1
  cell 11
  probe enabled "確　定" yes || return 1
  click_at $(probe center "確　定")
  pixels min:62,132,140,142:yellow:300 none:62,132,140,142:white none:97,131,104,141:red
}
check "restyle: the selected text gets the yellow background" restyle_text

# Ctrl+V with a picture on the clipboard replaces the picture; annotations
# and title stay.
convert -size 300x200 'xc:rgb(0,128,255)' "$work/paste.png"
xclip -selection clipboard -t image/png -quiet -i "$work/paste.png" >/dev/null 2>&1 &
clip=$!
paste_picture() {
  # From the text entry too, Ctrl+V pastes into the picture, not the entry.
  click_at $(probe center 挿入文字)
  keys ctrl+v
  pixels 5,5=0080ff 295,195=0080ff 302,100=silver 150,202=silver 100,120=red \
    min:62,132,140,142:yellow:300 || return 1
  read -r _ _ pw ph <<<"$(probe box 画像)"
  [ "$pw $ph" = "300 200" ] || { echo "the picture is $pw x $ph"; return 1; }
  [ "$(xdotool getwindowname "$editor")" = "　Korvane　　white.bmp" ] || { echo "the title changed"; return 1; }
  expect_text 挿入文字 "$text"
}
check "paste: Ctrl+V shows the clipboard's 300 x 200 picture under the annotations" paste_picture
kill "$clip" 2>/dev/null
wait "$clip" 2>/dev/null

# Text alone on the clipboard: Ctrl+V in the entry pastes it there; 貼り付け
# in the menu gives an error box; the picture changes in neither case.
printf 'not a picture' | xclip -selection clipboard -quiet >/dev/null 2>&1 &
clip=$!
paste_text() {
  local message box
  import -window root -depth 8 -crop "310x210+$px+$py" "$work/before.ppm"
  keys ctrl+v
  expect_text 挿入文字 "${text}not a picture" || return 1
  click_at $(probe center "role:menu item:編集")
  xdotool key Up Return
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [ "$message" = "無効なクリップボード フォーマットです." ] || { echo "the box says [$message]"; return 1; }
  box=$(wait_window Korvane) || { echo "$box"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  no_window Korvane || return 1
  import -window root -depth 8 -crop "310x210+$px+$py" "$work/after.ppm"
  cmp -s "$work/before.ppm" "$work/after.ppm" || { echo "the picture changed"; return 1; }
  [ "$(xdotool getwindowname "$editor")" = "　Korvane　　white.bmp" ] || { echo "the title changed"; return 1; }
}
check "paste-text: Ctrl+V in the entry pastes the text; 貼り付け gives an error box; the picture is unchanged" \
  paste_text
kill "$clip" 2>/dev/null
wait "$clip" 2>/dev/null
clip=

# From the keyboard alone: Alt reaches the menu bar, ツール holds the tools
# with access keys.
keyboard_tool() {
  keys alt Right Right Down a
  expect_text 動作の状態 "  矢印描画"
}
check "keyboard-tool: Alt, ツール, A chooses the arrow tool" keyboard_tool

# The resize dialog as a screen reader drives it: its radio buttons through
# their Toggle action, its fields by their names.
resize_dialog() {
  local dialog="　Korvane　　Ostrelle　　　拡大・縮小"
  click_at $(probe center サイズ)
  wait_window "$dialog" >/dev/null || return 1
  probe --in "$dialog" enabled "パーセント　よこ" no || return 1
  probe --in "$dialog" press 縦と横を個別に設定する || return 1
  probe --in "$dialog" enabled "パーセント　よこ" yes || return 1
  probe --in "$dialog" enabled "拡大・縮小 （％）" no || return 1
  probe --in "$dialog" press ピクセル || return 1
  probe --in "$dialog" enabled "ピクセル　たて" yes || return 1
  probe --in "$dialog" enabled "パーセント　よこ" no || return 1
  click_at $(probe --in "$dialog" center キャンセル)
  no_window "$dialog"
}
check "resize-dialog: Toggle on 縦と横を個別に設定する and ピクセル changes the mode and unit" resize_dialog

# A turn and a resize, each undone through 編集 and its access key, as from
# the text entry, where Ctrl+Z is the entry's own: the 300 x 200 picture
# comes back.
picture_is() {
  local got
  for _ in $(seq 30); do
    got=$(probe box 画像) || { echo "$got"; return 1; }
    read -r _ _ pw ph <<<"$got"
    [ "$pw $ph" = "$1 $2" ] && return 0
    sleep 0.1
  done
  echo "the picture is $pw x $ph, not $1 x $2"
  return 1
}
undo_from_menu() {
  click_at $(probe center "role:menu item:編集")
  probe enabled "元に戻す(U)" yes || return 1
  xdotool key u
}
undo_turn_and_resize() {
  local dialog="　Korvane　　Ostrelle　　　拡大・縮小"
  click_at $(probe center 回転)
  picture_is 200 300 || return 1
  pixels 150,250=0080ff 250,150=silver 100,120=red || return 1
  undo_from_menu || return 1
  picture_is 300 200 || return 1
  pixels 5,5=0080ff 295,195=0080ff 250,150=0080ff 150,250=silver 100,120=red || return 1
  click_at $(probe center サイズ)
  wait_window "$dialog" >/dev/null || return 1
  click_at $(probe --in "$dialog" center "role:text:拡大・縮小 （％）")
  xdotool key ctrl+a type 50
  click_at $(probe --in "$dialog" center OK)
  no_window "$dialog" || return 1
  picture_is 150 100 || return 1
  pixels 140,90=0080ff 200,150=silver || return 1
  undo_from_menu || return 1
  picture_is 300 200 || return 1
  pixels 5,5=0080ff 295,195=0080ff 200,150=0080ff 302,100=silver 100,120=red
}
check "undo-turn-resize: a 90° turn and a 50 % resize, each undone from 編集, give the 300 x 200 picture back" \
  undo_turn_and_resize

# 切り抜き: the dragged rectangle becomes the picture, the line and the
# text keep their places on it; undone, all comes back.
crop() {
  click_at $(probe center 切り抜き)
  expect_text 動作の状態 "  切り抜き" || return 1
  drag 50 100 250 180
  keys Return
  picture_is 200 80 || return 1
  pixels 50,20=red 5,5=0080ff min:12,32,90,42:yellow:300 202,40=silver || return 1
  undo_from_menu || return 1
  picture_is 300 200 || return 1
  pixels 100,120=red 295,195=0080ff min:62,132,140,142:yellow:300
}
check "crop: 切り抜き, a drag and Enter keep the rectangle with the annotations on it; 元に戻す brings the whole back" \
  crop

# Ctrl+N over unsaved work asks first: キャンセル keeps everything, いいえ
# gives it up for the white picture.
new_picture() {
  local question
  keys ctrl+n
  question=$(probe alert 確認) || { echo "$question"; return 1; }
  [[ "$question" == *"white.bmp"* ]] || { echo "the question says [$question]"; return 1; }
  probe --in 確認 center キャンセル >/dev/null || return 1
  click_at $(probe --in 確認 center キャンセル)
  no_window 確認 || return 1
  pixels 5,5=0080ff 100,120=red || return 1
  keys ctrl+n
  probe alert 確認 >/dev/null || { echo "no question the second time"; return 1; }
  click_at $(probe --in 確認 center 'いいえ(N)')
  wait_window "　Korvane　　『 画像作成 』" >/dev/null || return 1
  read -r _ _ pw ph <<<"$(probe box 画像)"
  [ "$pw $ph" = "640 480" ] || { echo "the picture is $pw x $ph"; return 1; }
  pixels all:0,0,600,200:white
}
check "new: Ctrl+N asks about the drawn picture; キャンセル keeps it, いいえ gives a white 640 x 480 one" \
  new_picture

# The four later kinds on a black and white checkerboard of 3-pixel
# squares: a frame, a highlight, three numbered markers and a redaction,
# drawn with their tools in the column left of the picture. The frame is
# selected, moved and made blue from the grid; the first marker is deleted,
# the others move up a number, undone and redone. The picture is then saved
# as PNG, BMP and JPEG, each read back by ImageMagick: the redacted area
# keeps none of the pattern's pixels, and in the JPEG its contrast is gone.
python3 -c '
import sys
w, h = 400, 240
rows = bytes(0 if (x // 3 + y // 3) % 2 else 255 for y in range(h) for x in range(w) for _ in range(3))
sys.stdout.buffer.write(b"P6 %d %d 255\n" % (w, h) + rows)' | convert ppm:- "$work/pattern.png"
cp "$work/pattern.png" "$work/original.png"
# im_pixel FILE X Y: the pixel as "r,g,b", read by ImageMagick.
im_pixel() {
  convert "$1" -depth 8 -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
expect_pixel() {
  local got
  got=$(im_pixel "$1" "$2" "$3")
  [ "$got" = "$4" ] || { echo "$1 at $2,$3 is $got, not $4"; return 1; }
}
# The redacted area 120 x 96 at (204, 96): ImageMagick counts the pixels
# that differ from the pattern (by more than FUZZ, 0 unless given), and all
# of them must.
convert "$work/original.png" -crop 120x96+204+96 +repage "$work/hidden.png"
redaction_hidden() {
  local differ
  convert "$1" -crop 120x96+204+96 +repage -type TrueColor "$work/redacted.png"
  differ=$(compare -fuzz "${2:-0}" -metric AE "$work/redacted.png" "$work/hidden.png" null: 2>&1)
  [ "$differ" = 11520 ] || { echo "$1: only $differ of 11520 redacted pixels differ from the pattern"; return 1; }
}
screen_crop() { import -window root -depth 8 -crop "$3x$3+$((px + $1))+$((py + $2))" "$4"; }
save_as() {
  click_at $(probe center "role:menu item:ファイル")
  click_at $(probe center "名前を付けて保存(A)")
  wait_window 名前を付けて保存 >/dev/null || return 1
  click_at $(probe --in 名前を付けて保存 center role:text:ファイル名\(N\):)
  xdotool key ctrl+a type --delay 5 "$1"
  probe --in 名前を付けて保存 text role:text:ファイル名\(N\): "$1" >/dev/null || return 1
  xdotool key Return
  no_window 名前を付けて保存 || return 1
  wait_window "　Korvane　　$(basename "$1")" >/dev/null
}
# Opens pattern.png through Ctrl+O and the open dialog.
open_pattern() {
  keys ctrl+o
  wait_window 開く >/dev/null || return 1
  click_at $(probe --in 開く center role:text:ファイル名\(N\):)
  xdotool key ctrl+a type --delay 5 "$work/pattern.png"
  xdotool key Return
  wait_window "　Korvane　　pattern.png" >/dev/null || return 1
}
shapes() {
  open_pattern || return 1
  picture_is 400 240 || return 1
  tool 四角形
  expect_text 動作の状態 "  四角形描画" || return 1
  drag 20 20 120 80
  tool 強調
  expect_text 動作の状態 "  強調表示" || return 1
  swatch_is yellow || { echo "the highlighter does not offer yellow"; return 1; }
  drag 150 20 300 50
  tool 番号
  cell 9
  drag 40 150 40 150
  drag 80 150 80 150
  drag 120 150 120 150
  tool ぼかし
  drag 204 96 324 192
  pixels 20,50=red 60,20=red 151,24=ffff99 150,21=black 32,150=red 72,150=red \
    all:204,96,324,192:808080 203,96=black 324,192=white || return 1
  screen_crop 34 144 13 "$work/one.ppm"
  screen_crop 74 144 13 "$work/two.ppm"
  cmp -s "$work/one.ppm" "$work/two.ppm" && { echo "markers 1 and 2 look the same"; return 1; }

  tool 選択
  drag 20 50 30 60
  cell 12
  swatch_is blue || return 1
  click_at $((px + 390)) $((py + 230)) # nothing there: the selection goes
  pixels 30,60=blue 70,30=blue 20,50=white || return 1
  click_at $((px + 32)) $((py + 150))
  click_at $(probe center 削除)
  pixels 32,150=white 72,150=red || return 1
  screen_crop 74 144 13 "$work/renumbered.ppm"
  cmp -s "$work/one.ppm" "$work/renumbered.ppm" || { echo "the second marker does not show 1"; return 1; }
  undo_from_menu || return 1
  pixels 32,150=red || return 1
  screen_crop 74 144 13 "$work/back.ppm"
  cmp -s "$work/two.ppm" "$work/back.ppm" || { echo "undone, the second marker does not show 2"; return 1; }
  click_at $(probe center "role:menu item:編集")
  probe enabled "やり直し(R)" yes || return 1
  xdotool key r
  pixels 32,150=white 72,150=red || return 1

  keys ctrl+s
  probe file "$work/pattern.png" png 400x240 30,60=0000ff 151,24=ffff99 72,150=red \
    32,150=white >/dev/null || { echo "pattern.png is not the picture shown"; return 1; }
  expect_pixel "$work/pattern.png" 30 60 0,0,255 || return 1
  expect_pixel "$work/pattern.png" 151 24 255,255,153 || return 1
  expect_pixel "$work/pattern.png" 150 21 0,0,0 || return 1
  redaction_hidden "$work/pattern.png" || return 1
  save_as "$work/shapes.bmp" || return 1
  expect_pixel "$work/shapes.bmp" 72 150 255,0,0 || return 1
  redaction_hidden "$work/shapes.bmp" || return 1
  save_as "$work/shapes.jpg" || return 1
  [ "$(identify -format %m "$work/shapes.jpg")" = JPEG ] || { echo "shapes.jpg is not a JPEG"; return 1; }
  local spread original
  spread=$(convert "$work/shapes.jpg" -crop 112x88+208+100 -colorspace gray -format "%[fx:int(1000*standard_deviation)]" info:)
  original=$(convert "$work/original.png" -crop 112x88+208+100 -colorspace gray -format "%[fx:int(1000*standard_deviation)]" info:)
  [ "$spread" -lt $((original / 20)) ] || { echo "the redacted area of the JPEG has a spread of $spread (the pattern $original)"; return 1; }
  redaction_hidden "$work/shapes.jpg" 10%
}
check "shapes: 四角形, 強調, 番号 and ぼかし drawn; the frame moved and made blue, a marker deleted and the rest renumbered, undone, redone; saved as PNG, BMP and JPEG with the pattern hidden" \
  shapes

# The PNG saved above opened again: its redaction is an object that moves,
# and what it uncovers is the blocks the file keeps, not the pattern.
shapes_reopened() {
  open_pattern || return 1
  tool 選択
  drag 260 140 260 188
  click_at $((px + 390)) $((py + 230)) # nothing there: the selection goes
  pixels all:204,96,324,240:808080 30,60=blue 72,150=red || return 1
  undo_from_menu || return 1 # unchanged again, for the checks after this one
  pixels all:204,96,324,192:808080 203,200=black || return 1
}
check "shapes: the saved PNG opened again keeps its shapes as objects, and a moved redaction uncovers blocks, not the pattern" \
  shapes_reopened

reload() {
  keys ctrl+r
  wait_window "　Korvane" >/dev/null || return 1
  no_window "　Korvane　　『 画像作成 』"
}
check "reload: Ctrl+R hides the editor and shows the launcher" reload

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
