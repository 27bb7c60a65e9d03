#!/usr/bin/env bash
# End-to-end printing: the program under Xvfb prints a picture with a
# drawn line through Qt's print dialog, once to a cups-pdf queue of a private
# CUPS server and once into a PDF file, in landscape (the toolbar's
# 横向き印刷 checked, as at start) and in portrait. Each page, rendered by
# pdftoppm, must hold the picture at the top left of the printable area,
# filling its height (landscape) or width (portrait), upright, its aspect
# ratio kept.
# Usage: printing.sh <korvane>
# The CUPS half needs root: cups-pdf runs only as root, and cupsd hands
# its filters to the lp user.
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
# cupsd's filters run as lp and read the spooled jobs below the work folder.
chmod 755 "$work"
mkdir -p "$work/run" "$work/home" "$work/pdf" "$work/pages"
export HOME=$work/home

source "$here/desktop.sh"
xvfb=
kpid='' bus='' a11y='' cupsd='' cupspdf_conf=''
cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  [ -n "$cupsd" ] && kill "$cupsd" 2>/dev/null
  stop_desktop
  wait 2>/dev/null
  [ -n "$cupspdf_conf" ] && rm -f "$cupspdf_conf"
  rm -rf "$work"
}
trap cleanup EXIT
# A stopped run cleans up too.
trap 'exit 143' TERM INT HUP

skipped=0
rm -f /tmp/korvane-e2e-printing-*
case_name=
not_ok() {
  failed=$((failed + 1))
  local kept=/tmp/korvane-e2e-printing-${1%%:*} extra=
  import -window root "$kept-screen.png" 2>/dev/null && extra=" (screen in $kept-screen.png"
  if [ -e "$work/pages/$case_name.pdf" ]; then
    cp "$work/pages/$case_name.pdf" "$kept.pdf"
    convert "$work/pages/$case_name.ppm" "$kept-page.png" 2>/dev/null
    extra="$extra, page in $kept.pdf and $kept-page.png"
  fi
  echo "not ok - $1: $2${extra:+$extra)}"
  echo "  visible windows: $(visible_titles)"
  sed 's/^/  program: /' "$work/korvane.log" | tail -n 5
  # What a failed step left open would stand in the next one's way.
  local title id
  for title in プリンタのプロパティ 印刷; do
    for id in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); do
      xdotool windowfocus --sync "$id" key Escape 2>/dev/null
    done
  done
}
skip() { skipped=$((skipped + 1)); echo "ok - $1 # SKIP $2"; }
check() {
  local name=$1 out
  shift
  case_name=${name%%:*}
  if out=$("$@" 2>&1); then ok "$name"; else not_ok "$name" "$out"; fi
}

# shown TITLE: prints the id of the visible window with exactly that title.
shown() {
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$id" ] && echo "$id" && return 0
  echo "no visible window [$1]; visible: $(visible_titles)"
  return 1
}
gone() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  echo "the window [$1] is still shown"
  return 1
}
click_at() { xdotool mousemove "$1" "$2" click 1; }
# press WINDOW NAME: clicks the control of the window titled WINDOW, or of
# the editor when WINDOW is empty.
press() {
  local at
  at=$(probe ${1:+--in "$1"} center "$2") || { echo "$at"; return 1; }
  click_at $at
}
keys() { xdotool windowfocus --sync "$editor" key "$@"; }

# --- a private CUPS server with a cups-pdf queue ----------------------------

cups=$work/cups
queue=korvane-e2e-$$
export CUPS_SERVER=$cups/socket
start_cups() {
  [ "$(id -u)" = 0 ] || { echo "not root"; return 1; }
  local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  command -v cupsd >/dev/null && [ -e /usr/lib/cups/backend/cups-pdf ] && [ -e "$ppd" ] \
    || { echo "cupsd, cups-pdf or its PPD is missing (tools/install-deps.sh installs them)"; return 1; }
  mkdir -p "$cups/conf" "$cups/log" "$cups/tmp"
  # cupsd wants its temporary folder to exist, writable by its filters.
  chown root:lp "$cups/tmp" && chmod 1770 "$cups/tmp"
  cat >"$cups/conf/cupsd.conf" <<EOF
Listen $CUPS_SERVER
Browsing No
WebInterface No
LogLevel info
ErrorPolicy abort-job
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # cupsd refuses to run its filters as root.
  cat >"$cups/conf/cups-files.conf" <<EOF
User lp
Group lp
SystemGroup root
ServerRoot $cups/conf
StateDir $cups/state
CacheDir $cups/cache
RequestRoot $cups/spool
TempDir $cups/tmp
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
EOF
  # cups-pdf reads its settings only from /etc/cups: cups-pdf-NAME.conf for
  # a queue whose device is cups-pdf:/NAME, else cups-pdf.conf, whose Out is
  # the home, from the password database, of the job's owner. A file of
  # this run's own keeps the PDFs, logs and spool in the work folder.
  cupspdf_conf=/etc/cups/cups-pdf-$queue.conf
  cat >"$cupspdf_conf" <<EOF
Out $work/pdf
Spool $cups/pdfspool
Log $cups/log
Label 0
EOF
  cupsd -f -c "$cups/conf/cupsd.conf" -s "$cups/conf/cups-files.conf" >"$cups/log/cupsd.out" 2>&1 &
  cupsd=$!
  local _
  for _ in $(seq 50); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
  # Printer drivers are deprecated in CUPS: lpadmin says so on stderr.
  lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$ppd" 2>"$cups/log/lpadmin.out" \
    && lpadmin -d "$queue" 2>>"$cups/log/lpadmin.out" || { cat "$cups/log/lpadmin.out"; return 1; }
  local status
  status=$(lpstat -r -d -p "$queue" 2>&1)
  grep -q 'scheduler is running' <<<"$status" && grep -q "system default destination: $queue" <<<"$status" \
    && grep -q "printer $queue is idle.  enabled" <<<"$status" \
    || { echo "lpstat says: $status"; cat "$cups/log/cupsd.out"; grep '^E' "$cups/log/error_log"; return 1; }
}
if start_cups >"$work/cups-start.log" 2>&1; then
  ok "cups: a private cupsd answers on its socket, with the cups-pdf queue $queue as its default"
else
  if [ "$(cat "$work/cups-start.log")" = "not root" ]; then
    skip "cups: the cups-pdf queue" "cups-pdf runs only as root"
  else
    not_ok cups "$(cat "$work/cups-start.log")"
  fi
  queue=
  unset CUPS_SERVER
fi

# --- the program ---------------------------------------------------------------

start_xserver 301 370
start_session_bus
if ! probe ready; then
  echo "not ok - accessibility bus: it does not start"
  exit 1
fi

# White, a black frame, a coloured block in each corner: where the picture
# lies on the page, how large and which way up.
convert -size 640x480 xc:black -fill white -draw 'rectangle 8,8 631,471' \
  -fill red -draw 'rectangle 8,8 87,87' -fill lime -draw 'rectangle 552,8 631,87' \
  -fill blue -draw 'rectangle 8,392 87,471' -fill yellow -draw 'rectangle 552,392 631,471' \
  BMP3:"$work/printing.bmp"
# What every page must show of it, in the picture's coordinates, with the
# red line drawn below across the middle.
picture_terms=('40,40=red' '600,40=00ff00' '40,440=blue' '600,440=yellow' '3,240=black'
  '636,240=black' 'along:210,150,430,150=red' '320,140=white' '320,160=white' '320,300=white')
title="　Korvane　　printing.bmp"
(cd "$work/run" && exec "$korvane" "$work/printing.bmp") >"$work/korvane.log" 2>&1 &
kpid=$!
if ! editor=$(shown "$title"); then
  not_ok start "$editor"
  exit 1
fi
note_accessibility_bus
if ! box=$(probe box 画像); then
  not_ok accessibility "the editor's picture is not on the accessibility bus: $box"
  exit 1
fi
read -r px py _ <<<"$box"
# A line is part of what is printed: drawn with the line tool (red, 5 px).
press '' 直線
xdotool mousemove $((px + 210)) $((py + 150)) mousedown 1 mousemove $((px + 320)) $((py + 150)) \
  mousemove $((px + 430)) $((py + 150)) mouseup 1
if ! out=$(probe pixels "$work/shot.ppm" "$px" "$py" along:210,150,430,150=red); then
  not_ok draw "the line is not on the screen: $out"
  exit 1
fi

# open_dialog HOW: Ctrl+P, the toolbar's button or the menu ファイル → 印刷.
open_dialog() {
  case $1 in
    keys) keys ctrl+p ;;
    button) press '' 'role:push button:印刷' || return 1 ;;
    menu) press '' 'role:menu item:ファイル' && press '' 'role:menu item:印刷(P)' || return 1 ;;
  esac
  dialog=$(shown 印刷) || { echo "$dialog"; return 1; }
}

# print_page NAME HOW DEST ORIENTATION: prints through the dialog, opened
# HOW, to the cups-pdf queue (DEST "queue") or into a PDF file (DEST "file"),
# with the dialog's own page setup turned to the other orientation, which
# the check box overrides; then checks the page, rendered at 150 dpi.
print_page() {
  local name=$1 how=$2 dest=$3 orientation=$4 dialog props side margin margins='' pdf=
  open_dialog "$how" || return 1
  if [ -n "$queue" ]; then
    # The server's default queue is the dialog's first choice.
    probe --in 印刷 box "role:combo box:$queue" >/dev/null || return 1
  fi
  if [ "$dest" = file ]; then
    # The dialog's last choice.
    xdotool windowfocus --sync "$dialog" key End
    probe --in 印刷 box "role:combo box:PDF ファイルに出力" >/dev/null || return 1
    pdf=$work/$name.pdf
    press 印刷 "role:text:出力ファイル名(F):" || return 1
    xdotool windowfocus --sync "$dialog" key ctrl+a type "$pdf"
    probe --in 印刷 text "role:text:出力ファイル名(F):" "$pdf" >/dev/null || return 1
  fi
  press 印刷 "role:push button:プロパティ(R)" || return 1
  props=$(shown プリンタのプロパティ) || { echo "$props"; return 1; }
  # The printable area is the page within these margins.
  for side in 上端余白 左端余白 右端余白 下端余白; do
    margin=$(probe --in プリンタのプロパティ text "role:spin button:$side") || { echo "$margin"; return 1; }
    margins="$margins $margin"
  done
  [ "$(tr ' ' '\n' <<<"$margins" | sort -u | grep -c .)" = 1 ] \
    || { echo "the margins differ:$margins"; return 1; }
  if [ "$orientation" = landscape ]; then
    press プリンタのプロパティ "縦 (ポートレート)" || return 1
  else
    press プリンタのプロパティ "横 (ランドスケープ)" || return 1
  fi
  press プリンタのプロパティ "role:push button:OK" || return 1
  gone プリンタのプロパティ || return 1
  press 印刷 "role:push button:印刷(P)" || return 1
  gone 印刷 || return 1
  # The file is whole once pdfinfo reads it; a job is done once no job of
  # the queue is left.
  local _ info=
  for _ in $(seq 300); do
    [ "$dest" = queue ] && pdf=$(ls "$work"/pdf/*.pdf 2>/dev/null | head -n 1)
    if [ -n "$pdf" ] && { [ "$dest" = file ] || [ -z "$(lpstat -o "$queue" 2>/dev/null)" ]; } \
      && info=$(pdfinfo "$pdf" 2>/dev/null); then
      break
    fi
    info=
    sleep 0.1
  done
  if [ -z "$info" ]; then
    echo "no PDF came"
    [ "$dest" = queue ] && { lpstat -W all -l -o "$queue"; grep -E '^E' "$cups/log/error_log" | tail -n 3; }
    return 1
  fi
  mv "$pdf" "$work/pages/$name.pdf"
  grep -q '^Pages: *1$' <<<"$info" || { echo "not one page: $(grep Pages <<<"$info")"; return 1; }
  pdftoppm -r 150 -singlefile "$work/pages/$name.pdf" "$work/pages/$name"
  (cd "$work/pages" && probe page "$name.ppm" 150 "$orientation" "$margin" 640x480 "${picture_terms[@]}")
}

if [ -n "$queue" ]; then
  check "queue-landscape: Ctrl+P, the default cups-pdf queue, page setup portrait: a landscape page, the picture and its line filling the printable height from its top left" \
    print_page queue-landscape keys queue landscape
fi
check "file-landscape: the toolbar's 印刷, PDF ファイルに出力 into a typed file name: the same landscape page" \
  print_page file-landscape button file landscape

press '' 横向き印刷
if [ -n "$queue" ]; then
  check "queue-portrait: 横向き印刷 unchecked, ファイル → 印刷(P), page setup landscape: a portrait page, the picture filling the printable width from its top left" \
    print_page queue-portrait menu queue portrait
fi
check "file-portrait: Ctrl+P into a PDF file: the same portrait page" \
  print_page file-portrait keys file portrait

if ! kill -0 "$kpid" 2>/dev/null; then
  not_ok program "it has ended"
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
