#!/usr/bin/env bash
# Installs from Debian's packages everything Korvane needs to build, run and
# be tested. Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n libxcb1-dev
  libjpeg62-turbo-dev libwmf-dev libemf2svg-dev
  # the region overlay: each monitor's rectangle (RandR) and the pointer
  # (XInput 2) in device pixels
  libxcb-randr0-dev libxcb-xinput-dev
  # PNG: whole-buffer deflate and inflate for the reader and writer
  libdeflate-dev
  libbenchmark-dev
  # bench/startup.sh's watcher: clicks through XTEST
  libxcb-xtest0-dev
  # fuzzing: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-14-dev
  # fonts the layouts' Japanese face names resolve to
  fonts-ipafont-gothic
  # metric fonts for the standard faces that metafiles name
  fonts-liberation fonts-dejavu-core
  # running the program and the end-to-end tests
  xvfb xdotool x11-utils imagemagick libjpeg-turbo-progs python3
  qt6-wayland libxcb-cursor0 libgl1
  # the editor's end-to-end flow: the clipboard, the keyboard map, and the
  # controls read through a private session bus and the accessibility bus
  xclip dbus-daemon at-spi2-core python3-pyatspi x11-xserver-utils
  # a real session manager (xsm) for the recovery copy at the session's end
  x11-session-utils
  # printing end to end: a private CUPS server with a cups-pdf queue, and
  # pdfinfo and pdftoppm to read the pages it writes
  cups cups-client printer-driver-cups-pdf poppler-utils
  # the launcher end to end: a window manager, an XEmbed notification area,
  # xlogo as a known window; x11-xserver-utils above brings xrandr and xsetroot
  openbox trayer x11-apps
  # installing and packaging: the icon's PNG sizes rendered from its SVG,
  # dpkg-shlibdeps for the Debian package's dependencies, the validators of
  # the desktop entry and the AppStream data, the MIME database the install
  # test reads, and debootstrap for the install on a fresh Debian 12
  librsvg2-bin dpkg-dev desktop-file-utils appstream shared-mime-info debootstrap
  # capture on Wayland end to end: a headless sway and grim, the desktop
  # portal with its wlroots back end (which needs PipeWire running) and the
  # GTK one, whose access dialog the portal needs before it offers
  # screenshots; wtype for keys, wl-paste to read the clipboard
  sway grim wtype wl-clipboard pipewire xdg-desktop-portal xdg-desktop-portal-wlr
  xdg-desktop-portal-gtk
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
