# Sourced by the end-to-end scripts: the private desktop each script runs the
# program on, the window look-ups and the reporting they share. Needs $here
# and $work; the scripts' cleanup calls stop_desktop. A script may define its
# own not_ok after sourcing this, to keep more than a screenshot.

# The accessibility probe; pyatspi comes with Debian's python, not with
# another python first on PATH.
probe() { /usr/bin/python3 "$here/editorprobe.py" "$@"; }

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $1"; }
# not_ok NAME REASON: keeps a screenshot as /tmp/korvane-e2e-$report-NAME.png.
not_ok() {
  failed=$((failed + 1))
  local kept=/tmp/korvane-e2e-${report:-e2e}-${1%%:*}.png
  import -window root "$kept" 2>/dev/null && set -- "$1" "$2 (screenshot kept in $kept)"
  echo "not ok - $1: $2"
  echo "  visible windows: $(visible_titles)"
  grep -v '^qt\.qpa\.screen' "$work/korvane.log" 2>/dev/null | sed 's/^/  program: /' | tail -n 5
}

# start_xserver FIRST LAST: a private X server (Xvfb with -noreset, so the
# root window keeps its colour) on the first free display between :FIRST and
# :LAST, with a private runtime folder and state folder, once it answers. Sets $xvfb.
start_xserver() {
  local n display=
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
  done
  Xvfb "$display" -screen 0 1600x1200x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  export DISPLAY=$display
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  export XDG_RUNTIME_DIR=$work/xdg
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  # The recovery copies of a run ended by a signal stay here, not in the
  # user's own state folder, where the next run would offer them.
  export XDG_STATE_HOME=$work/state
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
}

# A private session bus, through which the program and the probe start the
# accessibility bus; an accessibility bus of the calling desktop is never
# used instead. Sets $bus.
start_session_bus() {
  local info
  info=$(dbus-daemon --session --fork --address="unix:path=$work/bus" --print-address=1 --print-pid=1)
  DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$info")
  export DBUS_SESSION_BUS_ADDRESS
  bus=$(sed -n 2p <<<"$info")
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  unset AT_SPI_BUS_ADDRESS NO_AT_BRIDGE
}

# Once a program has started it: the accessibility bus, to be stopped too.
note_accessibility_bus() {
  a11y=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.Bus 2>/dev/null | awk '{print $2}')
}

stop_desktop() {
  # The accessibility bus ends with the session bus that started it.
  [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null
  if [ -n "${a11y:-}" ]; then
    for _ in $(seq 20); do kill -0 "$a11y" 2>/dev/null || { a11y=; break; }; sleep 0.1; done
    [ -n "$a11y" ] && kill "$a11y" 2>/dev/null
  fi
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
}

visible_titles() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    printf '[%s] ' "$(xdotool getwindowname "$id")"
  done
}

# wait_window TITLE: prints the id of the visible window with exactly this
# title; or, after 10 s, which windows there are.
wait_window() {
  local id
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "no visible window titled [$1]; visible: $(visible_titles)"
  return 1
}

# no_window TITLE: waits until no visible window has this title.
no_window() {
  for _ in $(seq 50); do
    [[ " $(visible_titles)" != *"[$1]"* ]] && return 0
    sleep 0.1
  done
  echo "the window [$1] is still shown"
  return 1
}

# ends_with STATUS: waits until the program ($kpid) has ended by itself,
# with this status.
ends_with() {
  local status
  for _ in $(seq 50); do
    if ! kill -0 "$kpid" 2>/dev/null; then
      wait "$kpid"
      status=$?
      kpid=
      [ "$status" = "$1" ] || { echo "the program ended with status $status, not $1"; return 1; }
      return 0
    fi
    sleep 0.1
  done
  echo "the program is still running; visible: $(visible_titles)"
  return 1
}
ended() { ends_with 0; }

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
