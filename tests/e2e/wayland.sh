#!/usr/bin/env bash
# Capture on Wayland end to end: the real program on a headless sway with two
# outputs, taking the screen through xdg-desktop-portal and its wlroots back
# end (which runs grim), all on a private session bus, driven with keys sent
# through the virtual keyboard protocol. The editor's pixels are compared with
# grim's own pictures of the desktop.
# Usage: wayland.sh <korvane>
# Needs root: sway refuses to run as root, so the desktop and the program run
# as a user of their own, made here when missing. Exits 77 (skipped) when it
# cannot run at all.
set -u
korvane=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
user=korvane-e2e

skip() { echo "ok - wayland # SKIP $1"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root to run the desktop as a user of its own"
for tool in sway swaymsg grim wtype wl-paste pipewire dbus-daemon setpriv python3 convert \
  /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr \
  /usr/libexec/xdg-desktop-portal-gtk; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

# The wlroots portal always writes /tmp/out.png; a private /tmp keeps a file
# of another user's capture from getting in the way, and this run's from
# staying behind. A private process space ends every process of the desktop
# with the script, also those the bus started on demand.
# (Not when the program or these scripts are themselves in /tmp.)
if [ -z "${KORVANE_PRIVATE_TMP:-}" ] && [[ "$korvane" != /tmp/* && "$here" != /tmp/* ]] &&
  unshare --mount --pid --fork true 2>/dev/null; then
  exec unshare --mount --pid --mount-proc --kill-child=SIGTERM --propagation private \
    env KORVANE_PRIVATE_TMP=1 "$0" "$@"
fi
[ -n "${KORVANE_PRIVATE_TMP:-}" ] && mount -t tmpfs -o mode=1777 tmpfs /tmp

id "$user" >/dev/null 2>&1 ||
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
  skip "cannot make the user $user"
work=$(mktemp -d)
mkdir -p "$work/bin"
mkdir -m 700 "$work/xdg"
chown -R "$user:" "$work"
# A failed check leaves its screenshot beside the program, outside the
# private /tmp.
kept=$(dirname "$korvane")/korvane-e2e-wayland.ppm

# Each process of the desktop leads a process group of its own, so that
# stopping the group also stops what it started (swaybg, the services the
# bus starts on demand).
groups=()
cleanup() {
  local g
  for g in "${groups[@]}"; do kill -- "-$g" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

wayland=
# as_user: the command prefix that runs a program as the user, in the
# desktop's environment.
as_user() {
  user_env=(setpriv --reuid="$user" --regid="$user" --clear-groups --reset-env
    env PATH="$work/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$work/xdg" ${wayland:+WAYLAND_DISPLAY=$wayland}
    XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland LC_ALL=C.UTF-8 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" SWAYSOCK="$work/sway.sock")
}
run_as() { as_user; "${user_env[@]}" "$@"; }
start() {
  local log=$1
  shift
  as_user
  setsid "${user_env[@]}" "$@" >"$work/$log.log" 2>&1 &
  groups+=($!)
}
wait_for() {
  for _ in $(seq 100); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "$2 does not start:"
  tail -n 5 "$work/$3.log"
  exit 1
}
has_name() {
  run_as dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
}

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $1"; }
not_ok() {
  failed=$((failed + 1))
  echo "not ok - $1: $2"
  sed 's/^/  program: /' "$work/korvane.log" | tail -n 5
}
# check NAME COMMAND...: runs the command; its output says why it failed, and
# its lines starting with # are timings worth showing.
check() {
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then
    ok "$name"
    grep '^#' <<<"$out"
  else
    not_ok "$name" "$out"
  fi
}


# The desktop: HEADLESS-2, orange, left of HEADLESS-1, blue, where the
# program's windows open. The whole desktop is 1224 x 768 with a corner
# below HEADLESS-2 that no output covers.
cat >"$work/sway.conf" <<EOF
output HEADLESS-1 mode 1024x768 position 200 0 bg #3366cc solid_color
output HEADLESS-2 mode 200x150 position 0 0 bg #cc6633 solid_color
EOF
started=$(date +%s%N)
start sway env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$work/sway.conf"
wait_for 'run_as swaymsg -t get_version' sway sway
wayland=$(cd "$work/xdg" && ls wayland-? | head -n 1)
run_as swaymsg create_output >/dev/null
# A keyboard plugged in for the whole run: a client only gets key presses
# once the seat has a keyboard and has told it so.
start keyboard wtype -s 600000
# The wlroots portal refuses to start without PipeWire, which it needs for
# screen casts.
start pipewire pipewire
wait_for '[ -S "$work/xdg/pipewire-0" ]' PipeWire pipewire
start bus dbus-daemon --session --nofork --address="unix:path=$work/bus"
wait_for 'has_name org.freedesktop.DBus' "the session bus" bus
start portal-wlr /usr/libexec/xdg-desktop-portal-wlr -r
wait_for 'has_name org.freedesktop.impl.portal.desktop.wlr' "the wlroots portal" portal-wlr
start portal /usr/libexec/xdg-desktop-portal -r -v
wait_for 'has_name org.freedesktop.portal.Desktop' "xdg-desktop-portal" portal

# window TITLE: prints "X Y W H" of the shown window of that title, on the
# desktop; otherwise which windows there are. wait_window waits 10 s for it.
window() {
  run_as swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    yield n
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from walk(c)
shown = [n for n in walk(json.load(sys.stdin)) if n.get("pid") and n.get("visible")]
for n in shown:
    if n["name"] == sys.argv[1]:
        r = n["rect"]
        print(r["x"], r["y"], r["width"], r["height"])
        sys.exit(0)
print("no window [%s]; shown: %s" % (sys.argv[1], " ".join("[%s]" % n["name"] for n in shown)))
sys.exit(1)' "$1"
}
wait_window() {
  local out
  for _ in $(seq 100); do out=$(window "$1") && { echo "$out"; return 0; }; sleep 0.1; done
  echo "$out"
  return 1
}
# gone NAME: waits until no window has that title.
gone() {
  for _ in $(seq 50); do window "$1" >/dev/null || return 0; sleep 0.1; done
  echo "the window [$1] is still shown"
  return 1
}
keys() { run_as wtype "$@"; }
# The text of the error box, read through the accessibility bus.
error_box() { run_as /usr/bin/python3 "$here/editorprobe.py" alert Korvane; }
# shows REF: the editor window shows the picture REF (a PNG made by grim), at
# its top left, every visible pixel as it is.
shows() {
  local geometry
  geometry=$(wait_window "　Korvane　　『 画像作成 』") || { echo "$geometry"; return 1; }
  convert "$1" -depth 8 "$work/ref.ppm"
  for _ in $(seq 20); do
    run_as grim -t ppm - >"$work/shot.ppm"
    python3 "$here/shotcheck.py" locate "$work/shot.ppm" $geometry "$work/ref.ppm" >/dev/null &&
      return 0
    sleep 0.25
  done
  cp "$work/shot.ppm" "$kept" && echo "(screenshot kept in $kept)"
  return 1
}

# Ctrl+R in the editor: the capture is unsaved work, so it asks first; the
# question's いいえ (its access key N) gives the work up, and the launcher
# comes back.
back_to_launcher() {
  keys -M ctrl -k r -m ctrl
  wait_window 確認 >/dev/null || return 1
  keys -k n
  gone 確認 && wait_window "　Korvane" >/dev/null
}

# What the portal's screenshot tool sees, before the program shows anything.
run_as grim "$work/desktop.png"
run_as grim -g "150,50 200x100" "$work/region.png"
echo "# desktop ready in $((($(date +%s%N) - started) / 1000000)) ms"

start korvane env QT_QPA_PLATFORM=wayland "$korvane"
if ! launcher=$(wait_window "　Korvane"); then
  not_ok launcher "$launcher"
  exit 1
fi
ok "launcher: the launcher opens natively on the Wayland desktop"

# OK with 画面全体: the launcher hides, the portal takes the whole desktop
# (both outputs, and the corner no output covers) and the editor opens with
# it. The editor shows its top left, down to below where the launcher was;
# the clipboard holds all of it.
whole_screen() {
  local t0 lx ly lw lh differ
  read -r lx ly lw lh <<<"$launcher"
  convert "$work/desktop.png" -crop "$((lx + lw + 20))x$((ly + lh + 20))+0+0" +repage \
    "$work/top-left.png"
  t0=$(date +%s%N)
  keys -k space
  if ! shows "$work/top-left.png"; then
    # A capture that failed leaves an error box saying why.
    window Korvane >/dev/null && echo "the error box says: $(error_box)"
    return 1
  fi
  echo "# OK to the editor showing the picture: $((($(date +%s%N) - t0) / 1000000)) ms"
  run_as wl-paste --no-newline --type image/png >"$work/clipboard.png" || return 1
  differ=$(compare -metric AE -alpha off "$work/desktop.png" "$work/clipboard.png" null: 2>&1)
  [ "$differ" = 0 ] || {
    echo "the clipboard's $(identify -format '%w x %h' "$work/clipboard.png") picture" \
      "is not the 1224 x 768 desktop: $differ"
    return 1
  }
  [ ! -e /tmp/out.png ] || { echo "the portal's file /tmp/out.png is left behind"; return 1; }
}
check "whole-screen: OK takes both outputs unscaled without the launcher, onto the clipboard and into the editor; the portal's file is removed" \
  whole_screen

# ウィンドウ: the portal lets the user pick what to take. The wlroots portal
# asks slurp for a rectangle; this stand-in answers as a user dragging over
# 200 x 100 pixels across the two outputs.
cat >"$work/bin/slurp" <<'EOF'
#!/bin/sh
echo "150,50 200x100"
EOF
chmod 755 "$work/bin/slurp"
window_mode() {
  # Back in the launcher, its OK button still has the focus: Tab to the
  # chosen mode, Down to ウィンドウ, back to OK.
  back_to_launcher || return 1
  keys -k Tab -k Down -M shift -k Tab -m shift -k space
  shows "$work/region.png"
}
check "window: the ウィンドウ mode takes the part of the screen the user picks" window_mode

# The user cancels the choice (slurp ends so on Escape): an error box says so,
# and once it is closed the launcher is back for another try.
cat >"$work/bin/slurp" <<'EOF'
#!/bin/sh
echo "selection cancelled" >&2
exit 1
EOF
cancelled() {
  local message
  back_to_launcher || return 1
  keys -k space
  message=$(error_box) || { echo "$message"; return 1; }
  [ "$message" = "画面を取り込めませんでした（取り込みが取り消されたか、デスクトップに拒否されました）." ] ||
    { echo "the box says [$message]"; return 1; }
  keys -k Return
  gone Korvane && wait_window "　Korvane" >/dev/null
}
check "cancelled: an error box when the user cancels the choice, then the launcher again" cancelled

# クリップボード: a PNG another program copied. A Wayland desktop offers the
# clipboard only to a program with a window shown, so the launcher reads it
# before it steps aside.
convert -size 300x200 'xc:rgb(0,128,255)' "$work/copied.png"
chown "$user:" "$work/copied.png"
clipboard_mode() {
  # wl-copy stays to serve the clipboard: its output must not hold the check's.
  run_as sh -c 'wl-copy --type image/png <"$0" >/dev/null 2>&1' "$work/copied.png" || return 1
  keys -k Tab -k Down -M shift -k Tab -m shift -k space
  shows "$work/copied.png"
}
check "clipboard: the クリップボード mode shows the PNG another program copied" clipboard_mode

# コピー: the editor's picture, turned from the keyboard (Alt, ツール,
# 画像の回転90度), goes onto the clipboard as PNG for other programs.
copy_picture() {
  local differ
  convert "$work/copied.png" -rotate 90 "$work/turned.png"
  keys -k Alt_L -k Right -k Right -k Down -k Down -k Return
  keys -M ctrl -k c -m ctrl
  for _ in $(seq 20); do
    run_as wl-paste --no-newline --type image/png >"$work/pasted.png" 2>/dev/null &&
      differ=$(compare -metric AE -alpha off "$work/turned.png" "$work/pasted.png" null: 2>&1) &&
      [ "$differ" = 0 ] && return 0
    sleep 0.25
  done
  echo "wl-paste gives $(identify -format '%w x %h' "$work/pasted.png" 2>&1), not the turned picture: ${differ:-}"
  return 1
}
check "copy: Ctrl+C puts the turned picture on the Wayland clipboard as image/png" copy_picture

# 範囲指定: the portal's picture of the whole desktop, taken without a
# question once the launcher has stepped aside, is laid over each output by
# a full-screen window of the program's own, and the keys choose the
# rectangle (this desktop has no pointer): from the desktop's top left with
# Shift and the arrows to (150, 50), Space for the first corner, then 200 x
# 100 across the border of the two outputs, Enter.
overlays() {
  run_as swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    yield n
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from walk(c)
rects = sorted("%d %d %d %d" % (r["x"], r["y"], r["width"], r["height"])
               for n in walk(json.load(sys.stdin)) if n.get("pid") and n.get("visible")
               and n["name"] == "範囲指定" for r in [n["rect"]])
print(", ".join(rects))'
}
repeat() { local n=$1; shift; for _ in $(seq "$n"); do printf '%s\n' "$@"; done; }
region_mode() {
  local covered differ
  back_to_launcher || return 1
  # From クリップボード, the last mode chosen, down to 範囲指定.
  keys -k Tab -k Down -k Down -M shift -k Tab -m shift -k space
  for _ in $(seq 100); do
    covered=$(overlays)
    [ "$covered" = "0 0 200 150, 200 0 1024 768" ] && break
    sleep 0.1
  done
  [ "$covered" = "0 0 200 150, 200 0 1024 768" ] ||
    { echo "the overlay windows cover [$covered], not the two outputs"; return 1; }
  keys -M shift $(repeat 15 -k Right) $(repeat 5 -k Down) -m shift -k space \
    -M shift $(repeat 20 -k Right) $(repeat 10 -k Down) -m shift -k Return
  shows "$work/region.png" || return 1
  gone 範囲指定 || return 1
  run_as wl-paste --no-newline --type image/png >"$work/clipboard.png" || return 1
  differ=$(compare -metric AE -alpha off "$work/region.png" "$work/clipboard.png" null: 2>&1)
  [ "$differ" = 0 ] || {
    echo "the clipboard's $(identify -format '%w x %h' "$work/clipboard.png") picture" \
      "is not the compositor's 200 x 100 pixels: $differ"
    return 1
  }
}
check "region: 範囲指定 lays the frozen desktop over both outputs and takes the rectangle chosen with the keys, pixel for pixel" \
  region_mode

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
