# Sourced by the end-to-end scripts. start_xserver FIRST LAST starts a
# private X server (Xvfb with -noreset, so the root window keeps its colour)
# on the first free display between :FIRST and :LAST, with a private runtime
# folder under $work, and waits until it answers. Sets $xvfb, exports DISPLAY.
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
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
}
