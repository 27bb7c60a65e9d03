#!/usr/bin/env bash
# End-to-end flow of the launcher: one program run taking the whole screen
# (one monitor, then two), the active window with and without a window
# manager, a region dragged on the frozen desktop (on one monitor, across
# two, cancelled, of no size), the clipboard's picture and its failure, a
# blank editor with the version dialog, and the notification-area icon with
# a real tray host; then a second run with monitors of mixed scales.
# Pictures are checked by what the editor shows and, pixel for pixel, by what
# the program put on the clipboard against the screen itself.
# Usage: launcher.sh <korvane>
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
mkdir -p "$work/run"

report=launcher
source "$here/desktop.sh"
xvfb=
kpid='' bus='' a11y='' clip='' wm='' tray='' logo='' logo2='' logo3=''
cleanup() {
  local p
  for p in "$kpid" "$clip" "$wm" "$tray" "$logo" "$logo2" "$logo3"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null
  done
  stop_desktop
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
for tool in openbox trayer xlogo xsetroot xrandr xclip; do
  command -v "$tool" >/dev/null || { echo "not ok - $tool is not installed (tools/install-deps.sh)"; exit 1; }
done
start_xserver 371 440
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$XDG_CONFIG_HOME"
start_session_bus

# check NAME COMMAND...: runs the command in this shell, so that it can wait
# for the program; when it fails, its output says why.
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then ok "$name"; else not_ok "$name" "$(cat "$work/out")"; fi
}


launcher="　Korvane"
new_editor="　Korvane　　『 画像作成 』"
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
keys() { xdotool windowfocus --sync "$editor" key "$@"; }
# appears TITLE: waits for the window; says which windows there are if it
# does not come.
appears() { local got; got=$(wait_window "$1") || { echo "$got"; return 1; }; }
# A point of the launcher on no control, for its context menu.
launcher_menu() {
  local box x y w h
  box=$(probe --in "$launcher" box "$launcher") || { echo "$box"; return 1; }
  read -r x y w h <<<"$box"
  probe menu $((x + 4)) $((y + h - 4)) "$@"
}
menu_is() {
  [ "$1" = "$2" ] || { echo "the menu shows [$1], not [$2]"; return 1; }
}
# press_ok [MODE]: chooses the mode in the launcher, presses OK and waits
# until the launcher has gone.
press_ok() {
  appears "$launcher" || return 1
  [ $# = 0 ] || click_on --in "$launcher" "$1" || return 1
  click_on --in "$launcher" "O  K" || return 1
  no_window "$launcher"
}
# After OK: the editor with its picture of W x H; sets $editor, $px, $py.
editor_shows() {
  local box pw ph
  editor=$(wait_window "$new_editor") || { echo "$editor"; return 1; }
  box=$(probe box 画像) || { echo "$box"; return 1; }
  read -r px py pw ph <<<"$box"
  [ "$pw $ph" = "$1 $2" ] || { echo "the editor's picture is $pw x $ph, not $1 x $2"; return 1; }
}
# Ctrl+R in the editor: back to the launcher. A capture is unsaved work, so
# Ctrl+R asks first; いいえ gives it up.
back_to_launcher() {
  keys ctrl+r
  probe alert 確認 >/dev/null || { echo "Ctrl+R on a capture asks nothing"; return 1; }
  click_on --in 確認 'いいえ(N)' || return 1
  appears "$launcher" || return 1
  no_window "$new_editor"
}
# same_picture A B [CROP]: the two pictures (or the same part of both) have
# the same size and pixels.
same_picture() {
  local crop=() n
  [ $# -gt 2 ] && crop=(-crop "$3" +repage)
  convert "$1" "${crop[@]}" "$work/a.ppm" && convert "$2" "${crop[@]}" "$work/b.ppm" || return 1
  n=$(compare -metric AE "$work/a.ppm" "$work/b.ppm" null: 2>&1)
  [ "$n" = 0 ] || { echo "$1 and $2${3:+ in $3}: $n pixels differ"; return 1; }
}
clipboard_picture() {
  xclip -selection clipboard -t image/png -o >"$work/clip.png" &&
    identify "$work/clip.png" >/dev/null 2>&1 || { echo "no PNG on the clipboard"; return 1; }
}
# The window's ancestor that is a child of the root: the frame a window
# manager draws round it, or the window itself.
frame_of() {
  local w=$1 parent
  while parent=$(xwininfo -children -id "$w" | awk '/Parent window id:/ { print $4 }') &&
    [ -n "$parent" ] && [ "$parent" != "$root" ]; do
    w=$parent
  done
  echo "$w"
}
# "X Y W H" on the screen: outer with the window's border, inner without.
outer() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 }
    END { print x, y, w + 2 * b, h + 2 * b }'
}
inner() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 }
    END { print x + b, y + b, w, h }'
}
# window_captured WINDOW: after OK in ウィンドウ, the picture is the
# window's frame, with the window's content (as $work/window.png, taken
# before) at its place.
window_captured() {
  local fx fy fw fh cx cy cw ch
  read -r fx fy fw fh <<<"$(outer "$(frame_of "$1")")"
  read -r cx cy cw ch <<<"$(inner "$1")"
  editor_shows "$fw" "$fh" || return 1
  clipboard_picture || return 1
  convert "$work/clip.png" -crop "${cw}x$ch+$((cx - fx))+$((cy - fy))" +repage "$work/inside.png"
  same_picture "$work/inside.png" "$work/window.png"
}
tray_panel() { xdotool search --class trayer 2>/dev/null | while read -r w; do
  [ "$(xdotool getwindowname "$w")" = panel ] && echo "$w"; done | head -n 1; }
# The program's icon in the tray host: prints its middle "X Y".
tray_icon() {
  local found
  for _ in $(seq 50); do
    found=$(xwininfo -tree -id "$panel" | awk '/\("korvane" "Korvane"\)/ {
      split($(NF - 1), size, /[x+]/); split($NF, at, "+"); print at[2] + int(size[1] / 2), at[3] + int(size[2] / 2) }')
    [ -n "$found" ] && { echo "$found" | head -n 1; return 0; }
    sleep 0.1
  done
  echo "no icon of the program in the tray host; it holds: $(xwininfo -tree -id "$panel" | grep -c '^ *0x') windows"
  return 1
}
no_tray_icon() {
  for _ in $(seq 50); do
    xwininfo -tree -id "$panel" | grep -q '("korvane" "Korvane")' || return 0
    sleep 0.1
  done
  echo "the program's icon is still in the tray host"
  return 1
}

if ! probe ready; then
  echo "not ok - accessibility bus: it does not start"
  exit 1
fi

# The desktop: a plain root colour and a known window at a known place.
xsetroot -solid '#2060a0'
xlogo -geometry 120x90+40+40 -bg '#ffd000' -fg '#802000' >/dev/null 2>&1 &
logo=$!
logo_window=$(wait_window xlogo) || { not_ok desktop "$logo_window"; exit 1; }
# The screen as the first capture should take it, once the logo is drawn.
probe pixels "$work/screen.ppm" 0 0 min:41,41,161,131:802000:500 45,45=ffd000 || {
  not_ok desktop "xlogo draws no logo"; exit 1; }

(cd "$work/run" && QT_LOGGING_RULES="qt.qpa.screen.debug=true" exec "$korvane") >"$work/korvane.log" 2>&1 &
kpid=$!
start() {
  local box
  appears "$launcher" || return 1
  box=$(probe --in "$launcher" box "$launcher") || { echo "$box"; return 1; }
  [ "$box" = "721 518 157 163" ] || { echo "the launcher is at [$box], not centred"; return 1; }
}
check "start: the launcher, 157 x 163, centred on the 1600 x 1200 screen" start
note_accessibility_bus

# No notification area yet: a message, and the launcher stays.
no_tray() {
  local shown message box
  shown=$(launcher_menu "タスクトレイに入れる(I)") || { echo "$shown"; return 1; }
  menu_is "$shown" "タスクトレイに入れる(I) | - | N G" || return 1
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [ "$message" = "このデスクトップには通知領域がないため、アイコンにできません。" ] ||
    { echo "the box says [$message]"; return 1; }
  box=$(wait_window Korvane) || { echo "$box"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  no_window Korvane || return 1
  appears "$launcher"
}
check "no-tray: without a notification area タスクトレイに入れる explains why and keeps the launcher" no_tray

# 画面全体, chosen at the start: the whole screen, as it was before the
# program started; the editor shows it with the line tool chosen.
whole_screen() {
  press_ok || return 1
  editor_shows 1600 1200 || return 1
  clipboard_picture || return 1
  same_picture "$work/clip.png" "$work/screen.ppm" || return 1
  probe pixels "$work/shot.ppm" "$px" "$py" 45,45=ffd000 min:41,41,161,131:802000:500 \
    40,40=black 5,5=2060a0 300,150=2060a0 || return 1
  probe text 動作の状態 "  直線描画" >/dev/null
}
check "whole-screen: OK in 画面全体 (chosen at the start) gives the editor the screen, pixel for pixel, with the line tool" \
  whole_screen
modified() {
  local question
  probe close "$editor"
  question=$(probe alert 確認) || { echo "$question"; return 1; }
  click_on --in 確認 キャンセル || return 1
  no_window 確認 || return 1
  appears "$new_editor"
}
check "captured-unsaved: closing the editor with a fresh capture asks 確認; キャンセル keeps it" modified

# Two monitors of different sizes side by side, the right one shorter: the
# picture is the whole root, the part below the right monitor too.
xlogo -geometry 150x100+1300+500 -bg '#00c080' -fg '#400080' >/dev/null 2>&1 &
logo2=$!
two_monitors() {
  xrandr --setmonitor left 1000/265x1200/317+0+0 screen >/dev/null &&
    xrandr --setmonitor right 600/159x900/238+1000+0 none >/dev/null || return 1
  # Qt has to see the second screen, or a picture of the primary screen
  # alone would not be told apart from the root's.
  for _ in $(seq 50); do
    grep -q 'name="right"' "$work/korvane.log" && break
    sleep 0.1
  done
  grep -q 'name="right"' "$work/korvane.log" || { echo "Qt reports no second screen"; return 1; }
  back_to_launcher || return 1
  probe pixels "$work/screen.ppm" 0 0 min:1301,501,1451,601:400080:500 || return 1
  press_ok 画面全体 || return 1
  editor_shows 1600 1200 || return 1
  clipboard_picture || return 1
  same_picture "$work/clip.png" "$work/screen.ppm" 600x1200+1000+0
}
check "two-monitors: 画面全体 takes both monitors of 1000 x 1200 and 600 x 900, the whole root" two_monitors

# ウィンドウ without a window manager: the window with the input focus.
# Qt gives a window it does not see focused the input focus when it is
# clicked, and without a window manager nobody gives it back when the
# launcher hides; so OK is pressed through its accessible action here, as
# assistive technology does, and the focus stays on the chosen window.
focused_window() {
  back_to_launcher || return 1
  click_on --in "$launcher" ウィンドウ || return 1
  xdotool windowfocus --sync "$logo_window" || return 1
  import -window "$logo_window" "$work/window.png"
  probe --in "$launcher" press "O  K" || return 1
  no_window "$launcher" || return 1
  window_captured "$logo_window"
}
check "window: without a window manager ウィンドウ takes the focused window with its border" focused_window

# ウィンドウ under a window manager: its active window within its frame.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
framed_window() {
  for _ in $(seq 50); do
    [ "$(frame_of "$logo_window")" != "$logo_window" ] && break
    sleep 0.1
  done
  [ "$(frame_of "$logo_window")" != "$logo_window" ] || { echo "openbox puts no frame round xlogo"; return 1; }
  back_to_launcher || return 1
  xdotool windowactivate --sync "$logo_window" || return 1
  import -window "$logo_window" "$work/window.png"
  press_ok ウィンドウ || return 1
  window_captured "$logo_window"
}
check "window-frame: under openbox ウィンドウ takes the active window with openbox's frame" framed_window

# Once the window manager has ended, what it left on the root window (an
# active window that is no more) must not count: the focused window does.
after_window_manager() {
  kill "$wm" && wait "$wm" 2>/dev/null
  wm=
  [ "$(frame_of "$logo_window")" = "$logo_window" ] || { echo "xlogo is still framed"; return 1; }
  back_to_launcher || return 1
  xdotool windowfocus --sync "$logo_window" || return 1
  import -window "$logo_window" "$work/window.png"
  probe --in "$launcher" press "O  K" || return 1
  no_window "$launcher" || return 1
  window_captured "$logo_window"
}
check "window-after-wm: with the window manager ended, ウィンドウ takes the focused window again" \
  after_window_manager

# 範囲指定: the launcher steps aside, the desktop freezes under a window on
# each monitor, and a rectangle dragged there goes onto the clipboard and
# into the editor, its pixels exactly the screen's. The screen to compare
# with is taken with the launcher shown, away from the rectangles.
overlays_shown() {
  local n
  for _ in $(seq 100); do
    n=$(for id in $(xdotool search --onlyvisible --name '^範囲指定$' 2>/dev/null); do echo "$id"; done | wc -l)
    [ "$n" = "$1" ] && return 0
    sleep 0.1
  done
  echo "$n overlay windows shown, not $1; visible: $(visible_titles)"
  return 1
}
# drag X0 Y0 X1 Y1: the left button from one point of the screen to another.
drag() { xdotool mousemove "$1" "$2" mousedown 1 mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) \
  mousemove "$3" "$4" mouseup 1; }
# region_taken W H X Y: the editor's picture and the clipboard are the
# screen's W x H pixels at (X, Y).
region_taken() {
  editor_shows "$1" "$2" || return 1
  import -window root "$work/shot.png"
  convert "$work/shot.png" -crop "$1x$2+$px+$py" +repage "$work/shown.png"
  convert "$work/screen.ppm" -crop "$1x$2+$3+$4" +repage "$work/chosen.png"
  same_picture "$work/shown.png" "$work/chosen.png" || return 1
  clipboard_picture || return 1
  same_picture "$work/clip.png" "$work/chosen.png"
}
region_one() {
  back_to_launcher || return 1
  probe pixels "$work/screen.ppm" 0 0 min:41,41,161,131:802000:500 min:921,301,1119,449:802000:500 || return 1
  press_ok 範囲指定 || return 1
  overlays_shown 2 || return 1
  # Up and to the left: the rectangle between the two corners.
  drag 150 120 60 50 || return 1
  xdotool key Return
  region_taken 90 70 60 50
}
xlogo -geometry 200x150+920+300 -bg '#ffd000' -fg '#802000' >/dev/null 2>&1 &
logo3=$!
check "region: 範囲指定, a drag over the logo and Enter give the editor and the clipboard those screen pixels exactly" \
  region_one
# Escape, and the right button, bring the launcher back with the clipboard
# as it was; a drag of no size and Enter take nothing first.
region_cancelled() {
  cp "$work/clip.png" "$work/before.png"
  back_to_launcher || return 1
  press_ok 範囲指定 || return 1
  overlays_shown 2 || return 1
  # In one go, so that the keys and the pointer have to be taken in the
  # order they came.
  xdotool mousemove 300 300 mousedown 1 mouseup 1 key Return mousedown 1 mousemove 350 350 \
    mousemove 400 400 mouseup 1 key Escape
  appears "$launcher" || return 1
  no_window 範囲指定 || return 1
  no_window "$new_editor" || return 1
  click_on --in "$launcher" "O  K" || return 1
  overlays_shown 2 || return 1
  xdotool mousemove 500 500 click 3
  appears "$launcher" || return 1
  no_window 範囲指定 || return 1
  no_window "$new_editor" || return 1
  clipboard_picture || return 1
  same_picture "$work/clip.png" "$work/before.png"
}
check "region-cancel: a drag of no size and Enter take nothing; Escape and the right button bring the launcher back, the clipboard kept" \
  region_cancelled
# From the launcher the cancelling left, with 範囲指定 still chosen: across
# the border of the two monitors, over a logo on both; the arrows move the
# second corner, and a double click takes the rectangle.
region_border() {
  press_ok || return 1
  overlays_shown 2 || return 1
  drag 950 320 1080 420 || return 1
  xdotool key Right Right shift+Down
  xdotool mousemove 1000 350 click --repeat 2 --delay 80 1
  region_taken 132 110 950 320
}
check "region-border: across the two monitors' border, nudged with the arrows, taken with a double click" \
  region_border

# クリップボード: another program's picture; then only text there.
convert -size 300x200 'xc:rgb(0,128,255)' "$work/paste.png"
xclip -selection clipboard -t image/png -quiet -i "$work/paste.png" >/dev/null 2>&1 &
clip=$!
clipboard_mode() {
  back_to_launcher || return 1
  press_ok クリップボード || return 1
  editor_shows 300 200 || return 1
  probe pixels "$work/shot.ppm" "$px" "$py" all:0,0,300,200:0080ff 302,100=silver
}
check "clipboard: OK in クリップボード shows the 300 x 200 picture another program put there" clipboard_mode
kill "$clip" 2>/dev/null
wait "$clip" 2>/dev/null
printf 'not a picture' | xclip -selection clipboard -quiet >/dev/null 2>&1 &
clip=$!
# The clipboard is read before the launcher steps aside, so the box comes
# over the launcher itself.
clipboard_text() {
  local message box
  back_to_launcher || return 1
  click_on --in "$launcher" クリップボード || return 1
  click_on --in "$launcher" "O  K" || return 1
  message=$(probe alert Korvane) || { echo "$message"; return 1; }
  [ "$message" = "無効なクリップボード フォーマットです." ] || { echo "the box says [$message]"; return 1; }
  box=$(wait_window Korvane) || { echo "$box"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  no_window Korvane || return 1
  appears "$launcher" || return 1
  no_window "$new_editor"
}
check "clipboard-text: with text alone on the clipboard an error box, and the launcher stays" clipboard_text
kill "$clip" 2>/dev/null
wait "$clip" 2>/dev/null
clip=

# Return presses the focused O  K, as in the program's dialogs.
blank_editor() {
  appears "$launcher" || return 1
  click_on --in "$launcher" エディタの起動 || return 1
  xdotool windowfocus --sync "$(wait_window "$launcher")" key shift+Tab Return
  no_window "$launcher" || return 1
  editor_shows 640 480 || return 1
  probe pixels "$work/shot.ppm" "$px" "$py" all:0,0,600,200:white
}
check "editor: Return on O  K in エディタの起動 opens the editor on a white 640 x 480 picture" blank_editor

# The version dialog stands beside the editor, which stays usable; OK and
# Return hide it.
version_dialog() {
  local texts box
  click_on "role:menu item:ヘルプ" || return 1
  xdotool key v
  appears バージョン情報 || return 1
  texts=$(probe alert バージョン情報) || { echo "$texts"; return 1; }
  grep -qx Korvane <<<"$texts" && grep -qx "バージョン 2.0" <<<"$texts" ||
    { echo "the dialog says [$texts]"; return 1; }
  click_on 選択 || return 1
  probe text 動作の状態 "  部分選択" >/dev/null || return 1
  click_on --in バージョン情報 OK || return 1
  no_window バージョン情報 || return 1
  click_on "role:menu item:ヘルプ" || return 1
  xdotool key v
  box=$(wait_window バージョン情報) || { echo "$box"; return 1; }
  xdotool windowfocus --sync "$box" key Return
  no_window バージョン情報 || return 1
  appears "$new_editor"
}
check "version: ヘルプ → バージョン情報 shows Korvane 2.0 beside the usable editor; OK and Return hide it" \
  version_dialog

# The notification area of a real XEmbed tray host.
trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
  --SetDockType false --SetPartialStrut false >"$work/trayer.log" 2>&1 &
tray=$!
panel=
park() {
  local shown
  shown=$(launcher_menu "タスクトレイに入れる(I)") || { echo "$shown"; return 1; }
  menu_is "$shown" "タスクトレイに入れる(I) | - | N G" || return 1
  no_window "$launcher" || return 1
  icon=$(tray_icon) || { echo "$icon"; return 1; }
}
tray_round() {
  local shown
  back_to_launcher || return 1
  for _ in $(seq 50); do panel=$(tray_panel); [ -n "$panel" ] && break; sleep 0.1; done
  [ -n "$panel" ] || { echo "trayer shows no panel"; return 1; }
  park || return 1
  # A left click brings the launcher back; the icon stays.
  xdotool mousemove $icon click 1
  appears "$launcher" || return 1
  tray_icon >/dev/null || return 1
  # The launcher's menu now offers to remove the icon instead.
  shown=$(launcher_menu "アイコンを削除する(D)") || { echo "$shown"; return 1; }
  menu_is "$shown" "アイコンを削除する(D) | - | N G" || return 1
  no_tray_icon || return 1
  appears "$launcher"
}
check "tray: タスクトレイに入れる parks the launcher as an icon; a click shows it; アイコンを削除する removes it" \
  tray_round
tray_menu() {
  local shown
  park || return 1
  shown=$(probe menu $icon "アイコンを削除する(D)") || { echo "$shown"; return 1; }
  menu_is "$shown" "アイコンを削除する(D) | - | N G" || return 1
  no_tray_icon || return 1
  appears "$launcher"
}
check "tray-menu: the icon's menu removes it, and with no window shown the launcher comes back" tray_menu
# 終  了 with unsaved work in the editor asks about it; キャンセル keeps the
# editor, and with it the program and its icon.
quit_unsaved() {
  park || return 1
  xdotool mousemove $icon click 1
  press_ok エディタの起動 || return 1
  editor_shows 640 480 || return 1
  xdotool mousemove $icon click 1
  appears "$launcher" || return 1
  click_on --in "$launcher" "終  了" || return 1
  probe alert 確認 >/dev/null || return 1
  click_on --in 確認 キャンセル || return 1
  no_window 確認 || return 1
  appears "$new_editor" || return 1
  kill -0 "$kpid" || { echo "the program ended"; return 1; }
  tray_icon >/dev/null
}
check "quit-unsaved: 終  了 over unsaved work asks; キャンセル keeps the editor and the icon" quit_unsaved
quit_with_icon() {
  xdotool mousemove $icon click 1
  appears "$launcher" || return 1
  click_on --in "$launcher" "終  了" || return 1
  probe alert 確認 >/dev/null || return 1
  click_on --in 確認 'いいえ(N)' || return 1
  ended || return 1
  no_tray_icon
}
check "quit: 終  了, the work given up, ends the program, and its icon goes with it" quit_with_icon

# A second run with the left monitor at twice the scale of the right: each
# overlay window shows its monitor's part of the frozen desktop one to one
# in device pixels, and a rectangle from an odd device pixel of the scaled
# monitor across the border takes exactly the screen's pixels.
mixed_scales() {
  local w n
  (cd "$work/run" && QT_SCREEN_SCALE_FACTORS="left=2;right=1" exec "$korvane") >"$work/korvane.log" 2>&1 &
  kpid=$!
  w=$(wait_window "$launcher") || { echo "$w"; return 1; }
  probe pixels "$work/screen.ppm" 0 0 min:921,301,1119,449:802000:500 || return 1
  convert "$work/screen.ppm" -crop 190x112+901+321 +repage "$work/chosen.png"
  # OK has the focus: Tab to the mode, down to 範囲指定, back to OK.
  xdotool windowfocus --sync "$w" key Tab Down Down Down Down shift+Tab Return
  no_window "$launcher" || return 1
  overlays_shown 2 || return 1
  drag 901 321 1091 433 || return 1
  for _ in $(seq 20); do
    import -window root "$work/shot.png"
    convert "$work/shot.png" -crop 190x112+901+321 +repage "$work/shown.png"
    n=$(compare -metric AE "$work/shown.png" "$work/chosen.png" null: 2>&1)
    [ "$n" = 0 ] && break
    sleep 0.1
  done
  [ "$n" = 0 ] || { echo "the overlay shows the rectangle with $n pixels unlike the screen's"; return 1; }
  xdotool key Return
  appears "$new_editor" || return 1
  clipboard_picture || return 1
  same_picture "$work/clip.png" "$work/chosen.png"
}
check "region-scales: on monitors of scales 2 and 1 the overlay shows each one's pixels one to one, and the rectangle across them is the screen's exactly" \
  mixed_scales

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
