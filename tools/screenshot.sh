#!/usr/bin/env bash
# Makes docs/editor.png, the README's picture of the editor at its start size:
# the built program in a private X server, a made-up picture with an arrow and
# a text laid over it by the pointer and keyboard, as a user would.
# Usage: tools/screenshot.sh   (after tools/build.sh)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
korvane="$here/build/korvane"
work=$(mktemp -d)
for n in $(seq 170 230); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
kpid=
trap '[ -n "$kpid" ] && kill $kpid 2>/dev/null; kill $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=$work
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A small settings window, as a screen shot of one would look.
convert -size 560x250 gradient:'#e9eef6'-'#c5d3e8' \
  -fill white -stroke '#7a8aa6' -draw "rectangle 30,20 400,225" \
  -fill '#3a6fc4' -stroke none -draw "rectangle 31,21 399,44" \
  -font IPAGothic -pointsize 13 -fill white -annotate +40+38 '設定' \
  -fill '#222222' -annotate +50+80 '表示する項目:' \
  -fill white -stroke '#7a8aa6' -draw "rectangle 150,66 330,86" \
  -draw "rectangle 300,185 385,212" -stroke none -fill '#222222' -annotate +327+203 'OK' \
  -type TrueColor "BMP3:$work/settings.bmp"

(cd "$work" && exec "$korvane" settings.bmp) >/dev/null 2>&1 &
kpid=$!
title="　Korvane　　settings.bmp"
for _ in $(seq 100); do
  id=$(xdotool search --onlyvisible --name 'Korvane' 2>/dev/null | head -n 1) || true
  [ -n "${id:-}" ] && [ "$(xdotool getwindowname "$id")" = "$title" ] && break
  sleep 0.1
done
eval "$(xdotool getwindowgeometry --shell "$id")"
at() { xdotool mousemove $((X + $1)) $((Y + $2)); }
# A click after the pointer has come to rest on its target, as a hand does.
click_at() { at "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.3; }
picture() { at $((1 + $1)) $((105 + $2)); } # the picture's origin inside the window
xdotool windowfocus --sync "$id"
sleep 1 # let the window settle before the first click

click_at 250 30                        # the arrow tool
picture 300 150; sleep 0.2; xdotool mousedown 1; sleep 0.1
picture 280 120; sleep 0.1
picture 250 92; sleep 0.1; xdotool mouseup 1; sleep 0.2
click_at 274 30                        # the text tool
click_at 191 260                       # the insertion point, under the arrow
xdotool type --delay 20 'ここに表示したい項目を入力します'
click_at 633 52                        # confirm
at 500 52                              # rest the pointer on the font's name: its hint shows
sleep 0.8
mkdir -p "$here/docs"
import -window "$id" "$here/docs/editor.png"
echo "wrote docs/editor.png"
