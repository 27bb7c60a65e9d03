#!/usr/bin/env bash
# End-to-end tests: the built program in a real X server (Xvfb, -noreset),
# started and driven as a person would, with the screen checked pixel by
# pixel against an independent decoder of the same picture file.
# Usage: run.sh <korvane> <testdata-folder>
set -u
korvane=$(realpath "$1")
testdata=$2
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
mkdir -p "$work/run"

source "$here/desktop.sh"
xvfb=
kpid=
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  stop_desktop
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
start_xserver 91 160

not_ok() {
  failed=$((failed + 1))
  echo "not ok - $1: $2"
  echo "  visible windows: $(visible_titles)"
  sed 's/^/  program: /' "$work/korvane.log" | tail -n 5
}


start_korvane() {
  (cd "$work/run" && exec "$korvane" "$@") >"$work/korvane.log" 2>&1 &
  kpid=$!
}

stop_korvane() {
  if [ -n "$kpid" ]; then
    kill "$kpid" 2>/dev/null
    wait "$kpid" 2>/dev/null
  fi
  kpid=
}


wait_exit() {
  for _ in $(seq 50); do
    kill -0 "$kpid" 2>/dev/null || { wait "$kpid" 2>/dev/null; kpid=; return 0; }
    sleep 0.1
  done
  return 1
}

# Screenshot of the whole screen, then the window's geometry as "X Y W H".
shoot() {
  sleep 0.5
  import -window root -depth 8 "$work/shot.ppm"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# Opens a file from the command line, checks the caption and the pixels.
open_case() {
  local name=$1 file=$2 title=$3 ref=$4 id geometry
  start_korvane "$file"
  if ! id=$(wait_window "$title"); then
    not_ok "$name" "no window titled [$title]"
  elif ! geometry=$(shoot "$id"); then
    not_ok "$name" "no screenshot"
  elif ! offset=$(python3 "$here/shotcheck.py" locate "$work/shot.ppm" $geometry "$ref" 2>&1); then
    cp "$work/shot.ppm" "/tmp/korvane-e2e-$name.ppm" 2>/dev/null
    not_ok "$name" "$offset (screenshot kept in /tmp/korvane-e2e-$name.ppm)"
  else
    ok "$name: [$title] shows the picture exactly"
    picture_offset=$offset
  fi
  stop_korvane
}

have_testdata=1
[ -d "$testdata" ] || { have_testdata=0; echo "# test pictures absent ($testdata): picture cases skipped"; }

picture_offset=
if [ $have_testdata = 1 ]; then
  convert "$testdata/bmp/other/hopper.bmp" -depth 8 "$work/ref-bmp.ppm"
  open_case bmp "$testdata/bmp/other/hopper.bmp" "　Korvane　　hopper.bmp" "$work/ref-bmp.ppm"

  convert "$testdata/bmp/bmpsuite/g/pal4rle.bmp" -depth 8 "$work/ref-rle.ppm"
  open_case bmp-rle "$testdata/bmp/bmpsuite/g/pal4rle.bmp" "　Korvane　　pal4rle.bmp" "$work/ref-rle.ppm"

  cp "$testdata/jpeg/testorig.jpg" "$work/PHOTO.JPG"
  djpeg -ppm "$work/PHOTO.JPG" >"$work/ref-jpg.ppm"
  open_case jpeg "$work/PHOTO.JPG" "　Korvane　　PHOTO.JPG" "$work/ref-jpg.ppm"

  cp "$testdata/jpeg/hopper_gray.jpg" "$work/gray.jpeg"
  djpeg "$work/gray.jpeg" | convert pgm:- -depth 8 "$work/ref-gray.ppm"
  open_case jpeg-grey "$work/gray.jpeg" "　Korvane　　gray.jpeg" "$work/ref-gray.ppm"

  convert "$testdata/ico/bmp-24bpp-mask.ico[0]" -background white -flatten -depth 8 "$work/ref-ico.ppm"
  open_case icon "$testdata/ico/bmp-24bpp-mask.ico" "　Korvane　　bmp-24bpp-mask.ico" "$work/ref-ico.ppm"

  # Metafiles have no independent renderer here: check the size the header
  # gives (61 x 41) and that a drawing on white is shown.
  name=metafile
  title="　Korvane　　64716_image1.wmf"
  start_korvane "$testdata/wmf/64716_image1.wmf"
  if ! id=$(wait_window "$title"); then
    not_ok $name "no window titled [$title]"
  elif [ -z "$picture_offset" ]; then
    not_ok $name "no picture offset known from the cases before"
  else
    geometry=$(shoot "$id")
    if out=$(python3 "$here/shotcheck.py" drawing "$work/shot.ppm" $geometry $picture_offset 61 41 2>&1); then
      ok "$name: [$title] shows a 61 x 41 drawing on white ($out)"
    else
      not_ok $name "$out"
    fi
  fi
  stop_korvane

  name=emf
  title="　Korvane　　drawing_emf_content.wmf"
  start_korvane "$testdata/wmf/drawing_emf_content.wmf"
  if wait_window "$title" >/dev/null; then ok "$name: enhanced metafile content opens as [$title]"
  else not_ok $name "no window titled [$title]"; fi
  stop_korvane

  # The open dialog: Ctrl+O in the editor, a typed path, Enter.
  name=open-dialog
  start_korvane "$testdata/bmp/other/hopper.bmp"
  if id=$(wait_window "　Korvane　　hopper.bmp"); then
    xdotool windowfocus --sync "$id" key ctrl+o
    if dialog=$(wait_window "開く"); then
      xdotool windowfocus --sync "$dialog"
      sleep 0.3
      xdotool type --delay 5 "$testdata/jpeg/testorig.jpg"
      sleep 0.3 # as a person pauses: the name's completion list settles first
      xdotool key Return
      if wait_window "　Korvane　　testorig.jpg" >/dev/null; then ok "$name: Ctrl+O opens the chosen file"
      else not_ok $name "the chosen file did not open"; fi
      # A type the program does not open: the message is enough, the
      # editor keeps its picture.
      name=open-unsupported
      convert -size 8x8 xc:red "$work/picture.gif"
      xdotool windowfocus --sync "$id" key ctrl+o
      dialog=$(wait_window "開く") && xdotool windowfocus --sync "$dialog" && sleep 0.3 &&
        xdotool key ctrl+a && xdotool type --delay 5 "$work/picture.gif" && sleep 0.3 &&
        xdotool key Return
      if box=$(wait_window "Korvane"); then
        xdotool windowfocus --sync "$box" key Return
        if no_window Korvane >/dev/null && wait_window "　Korvane　　testorig.jpg" >/dev/null &&
          kill -0 "$kpid" 2>/dev/null; then
          ok "$name: Ctrl+O on a .gif shows the type message; the editor stays with its picture"
        else not_ok $name "the editor did not stay"; fi
      else
        not_ok $name "no message box titled [Korvane]"
      fi
    else
      not_ok $name "Ctrl+O showed no dialog titled [開く]"
    fi
  else
    not_ok $name "the editor did not open"
  fi
  stop_korvane
fi

# A JPEG cut short opens with what it holds, and a warning says so.
if [ $have_testdata = 1 ]; then
  name=jpeg-cut-short
  head -c 3000 "$testdata/jpeg/testorig.jpg" >"$work/cut.jpg"
  start_korvane "$work/cut.jpg"
  if box=$(wait_window "Korvane"); then
    xdotool windowfocus --sync "$box" key Return
    if wait_window "　Korvane　　cut.jpg" >/dev/null; then
      ok "$name: a warning box, then the editor with what the file holds"
    else not_ok $name "no editor after the warning"; fi
  else
    not_ok $name "no warning box titled [Korvane]"
  fi
  stop_korvane
fi

name=missing-file
start_korvane "$work/none.bmp"
if wait_window "　Korvane" >/dev/null && ! wait_window "　Korvane　　" >/dev/null 2>&1; then
  ok "$name: a missing file starts with the launcher"
else
  not_ok $name "expected the launcher alone"
fi
stop_korvane

name=damaged-file
printf 'BM not really' >"$work/broken.bmp"
start_korvane "$work/broken.bmp"
if id=$(wait_window "Korvane"); then
  xdotool windowfocus --sync "$id" key Return
  if wait_window "　Korvane" >/dev/null; then ok "$name: error box, then the launcher"
  else not_ok $name "no launcher after the error box"; fi
else
  not_ok $name "no error box titled [Korvane]"
fi
stop_korvane

name=unsupported-type
convert -size 8x8 xc:red "$work/picture.gif"
start_korvane "$work/picture.gif"
if id=$(wait_window "Korvane"); then
  xdotool windowfocus --sync "$id" key Return
  if wait_exit; then ok "$name: the type message, then the program ends"
  else not_ok $name "the program did not end"; fi
else
  not_ok $name "no message box titled [Korvane]"
fi
stop_korvane

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
