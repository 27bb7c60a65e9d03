#!/usr/bin/env bash
# Installing as a Linux user would. `cmake --install` into a staging folder
# under an unusual prefix: every file where it belongs and nothing else, the
# desktop entry and the AppStream data accepted by their validators and
# pointing at each other, the icon at every size. Then the Debian package
# from CPack: its control fields, its file list, a stripped program, and apt
# resolving its dependencies on this machine.
# Last, a fresh Debian 12 made with debootstrap, where `apt-get install
# ./korvane_<version>_<arch>.deb` pulls the dependencies and the program,
# started by the desktop entry's Exec line as an ordinary user, shows its
# window on an Xvfb of this machine and is closed. That part takes about a
# minute, downloads about 180 MB from the Debian mirror (KORVANE_DEB_MIRROR)
# and needs root; KORVANE_DEB_TEST=0 leaves it out.
# Usage: install.sh <source-folder> <build-folder> <application-id> <version>
set -u
src_dir=$(realpath "$1")
build=$(realpath "$2")
app_id=$3
version=$4
work=$(mktemp -d)
root=$work/debian
xvfb='' kpid=''

cleanup() {
  [ -n "$kpid" ] && kill "$kpid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  # The fresh system's mounts live in private mount namespaces and end with
  # their processes; should one show here all the same, keep the folder.
  if grep -q " $work/" /proc/mounts; then
    echo "left $work in place: something is mounted in it"
    return
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $1"; }
not_ok() {
  failed=$((failed + 1))
  echo "not ok - $1"
  sed 's/^/  /' "$work/out" | tail -n 25
}
# check NAME COMMAND...: when the command fails, its output says why.
check() {
  local name=$1
  shift
  if "$@" >"$work/out" 2>&1; then ok "$name"; else not_ok "$name"; fi
}
summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" = 0 ]
}

# The files of an installation under PREFIX, relative to it, one a line.
expected_files() {
  local size
  echo bin/korvane
  echo lib/korvane/korvane_metafile.so
  echo "share/applications/$app_id.desktop"
  echo "share/metainfo/$app_id.metainfo.xml"
  echo "share/icons/hicolor/scalable/apps/$app_id.svg"
  for size in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x$size/apps/$app_id.png"
  done
}

# entry_value FILE KEY: the value of KEY in the [Desktop Entry] group.
entry_value() {
  awk -F= -v key="$2" '/^\[/ { group = $0 } group == "[Desktop Entry]" && $1 == key {
    sub(/^[^=]*=/, ""); print; exit }' "$1"
}

# ---------------------------------------------------------------------------
# cmake --install into a staging folder

dest=$work/dest
prefix=/opt/korvane-test
installed() {
  DESTDIR=$dest cmake --install "$build" --prefix "$prefix" || return 1
  diff <(expected_files | sort) <(cd "$dest$prefix" && find . ! -type d | sed 's|^\./||' | sort) ||
    { echo "^ expected (<) and installed (>) files differ"; return 1; }
  [ -x "$dest$prefix/bin/korvane" ] || { echo "bin/korvane is not executable"; return 1; }
  # The staging folder holds the prefix only: nothing went to an absolute path.
  [ "$(ls "$dest")" = opt ] || { echo "outside the prefix: $(ls "$dest")"; return 1; }
}
check "cmake --install with DESTDIR and --prefix puts exactly the expected files under the prefix" installed
share=$dest$prefix/share
desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml

entry_valid() {
  desktop-file-validate "$desktop" >"$work/validate" 2>&1
  local status=$?
  cat "$work/validate"
  [ "$status" = 0 ] && [ ! -s "$work/validate" ]
}
check "desktop-file-validate accepts the desktop entry without a word" entry_valid

entry_fields() {
  local key value
  for key in Type=Application Name=Korvane "Name[ja]=Korvane" "Icon=$app_id" Terminal=false; do
    value=$(entry_value "$desktop" "${key%%=*}")
    [ "$value" = "${key#*=}" ] || { echo "${key%%=*} is [$value], not [${key#*=}]"; return 1; }
  done
  for key in GenericName "GenericName[ja]" Comment "Comment[ja]" Keywords "Keywords[ja]"; do
    [ -n "$(entry_value "$desktop" "$key")" ] || { echo "no $key"; return 1; }
  done
  entry_value "$desktop" "Comment[ja]" | grep -q 'パソコンの操作説明書' ||
    { echo "the Japanese comment does not describe the program"; return 1; }
  # Opening a picture from a file manager passes its path as the first argument.
  value=$(entry_value "$desktop" Exec)
  [ "$value" = "korvane %f" ] || { echo "Exec is [$value]"; return 1; }
  [ -x "$dest$prefix/bin/${value%% *}" ] || { echo "Exec names no installed program"; return 1; }
  entry_value "$desktop" Categories | grep -q '^Graphics;.*RasterGraphics;' ||
    { echo "Categories: $(entry_value "$desktop" Categories)"; return 1; }
}
check "the desktop entry names the program, the icon, the Japanese texts and the categories" entry_fields

# Each file type the open dialog accepts, by its extension in the shared MIME
# database, is one the desktop entry offers to open.
mime_types() {
  local ext type offered
  offered=";$(entry_value "$desktop" MimeType)"
  for ext in bmp jpg jpeg wmf ico png; do
    type=$(awk -F: -v glob="*.$ext" '$3 == glob { print $2; exit }' /usr/share/mime/globs2)
    [ -n "$type" ] || { echo "the MIME database knows no *.$ext"; return 1; }
    [[ $offered == *";$type;"* ]] || { echo "*.$ext is $type, not in MimeType=$offered"; return 1; }
  done
}
check "the desktop entry opens every picture type the program reads (bmp jpg jpeg wmf ico png)" mime_types

# Pedantic hints are allowed: the id's last part is capitalised after the
# program's name, which appstreamcli's pedantic mode merely notes.
check "appstreamcli validate --no-net --strict accepts the AppStream data" \
  appstreamcli validate --no-net --strict "$metainfo"
check "appstreamcli validate-tree finds the desktop entry the AppStream data launches" \
  appstreamcli validate-tree --no-net --strict "$dest$prefix"

metainfo_fields() {
  python3 - "$metainfo" "$app_id" "$version" <<'EOF'
import sys, xml.etree.ElementTree as ET
path, app_id, version = sys.argv[1:]
c = ET.parse(path).getroot()
lang = '{http://www.w3.org/XML/1998/namespace}lang'
problems = []
def want(what, got, expected):
    if got != expected:
        problems.append(f'{what} is {got!r}, not {expected!r}')
want('the type', c.get('type'), 'desktop-application')
want('the id', c.findtext('id'), app_id)
want('the launchable', c.findtext('launchable'), app_id + '.desktop')
want('the binary', c.findtext('provides/binary'), 'korvane')
want('the newest release', c.find('releases/release').get('version'), version)
want('the metadata licence', c.findtext('metadata_license'), 'CC0-1.0')
for tag in ('summary', 'description/p'):
    langs = {e.get(lang) for e in c.findall(tag)}
    if not {None, 'ja'} <= langs:
        problems.append(f'{tag} has no English and Japanese text: {langs}')
print('\n'.join(problems))
sys.exit(1 if problems else 0)
EOF
}
check "the AppStream data: this id, the desktop entry, release $version, English and Japanese texts" \
  metainfo_fields

icons() {
  local size png got
  cmp "$share/icons/hicolor/scalable/apps/$app_id.svg" "$src_dir/src/ui/icons/korvane.svg" ||
    { echo "the scalable icon is not the program's icon"; return 1; }
  for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/$app_id.png
    # Size, type, and that the picture is drawn: a fifth of it at least opaque.
    got=$(identify -format '%m %wx%h' "$png") || return 1
    [ "$got" = "PNG ${size}x$size" ] || { echo "$png is $got"; return 1; }
    got=$(convert "$png" -alpha extract -format '%[fx:mean>0.2]' info:) || return 1
    [ "$got" = 1 ] || { echo "$png is empty or nearly so"; return 1; }
  done
}
check "the icon: the program's SVG as scalable, and a drawn PNG at 16 22 24 32 48 64 128 256" icons

# ---------------------------------------------------------------------------
# The Debian package

arch=$(dpkg --print-architecture)
deb=$work/pkg/korvane_${version}_$arch.deb
packed() {
  mkdir -p "$work/pkg"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" || return 1
  [ -f "$deb" ] || { echo "no $deb"; ls "$work/pkg"; return 1; }
}
check "cpack -G DEB makes korvane_${version}_$arch.deb" packed

control() {
  local field want got
  for field in "Package=korvane" "Version=$version" "Architecture=$arch" "Section=graphics" \
    "Priority=optional"; do
    got=$(dpkg-deb -f "$deb" "${field%%=*}")
    [ "$got" = "${field#*=}" ] || { echo "${field%%=*} is [$got]"; return 1; }
  done
  [[ $(dpkg-deb -f "$deb" Maintainer) == *" <"*@*">" ]] ||
    { echo "Maintainer is [$(dpkg-deb -f "$deb" Maintainer)]"; return 1; }
  got=$(dpkg-deb -f "$deb" Description)
  [[ $got == *"annotation"*$'\n '* ]] || { echo "Description is [$got]"; return 1; }
  # What dpkg-shlibdeps found, with versions, and what the program needs
  # that no library link shows.
  got=", $(dpkg-deb -f "$deb" Depends),"
  for want in libc6 libqt6widgets6 libqt6gui6 libqt6printsupport6 libqt6svg6 libqt6dbus6 \
    libjpeg62-turbo libwmf-0.2-7 libemf2svg1; do
    [[ $got == *", $want (>= "* ]] || { echo "Depends lacks [$want (>= …)]: $got"; return 1; }
  done
  for want in libxcb1 fonts-ipafont-gothic qt6-translations-l10n qt6-wayland hicolor-icon-theme; do
    [[ $got == *", $want"[,\ ]* ]] || { echo "Depends lacks [$want]: $got"; return 1; }
  done
}
check "the package's control fields: name, version, architecture, section, maintainer, description, dependencies" \
  control

contents() {
  local listing
  listing=$(dpkg-deb -c "$deb") || return 1
  diff <(expected_files | sed 's|^|./usr/|' | sort) \
    <(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort) ||
    { echo "^ expected (<) and packed (>) files differ"; return 1; }
  # Owned by root, and nobody but root may write.
  ! awk '$2 != "root/root" || $1 ~ /^.....w|^........w/' <<<"$listing" | grep . || return 1
  mkdir -p "$work/unpacked"
  dpkg-deb -x "$deb" "$work/unpacked"
  ! readelf -S "$work/unpacked/usr/bin/korvane" | grep -q '\.debug_info' ||
    { echo "the program in the package keeps its debug information"; return 1; }
  cmp "$work/unpacked/usr/share/applications/$app_id.desktop" "$desktop"
}
check "the package holds the same files under /usr, owned by root, with a stripped program" contents

# apt on this machine: every dependency is known and installable with it.
resolvable() {
  apt-get install --simulate --no-install-recommends "$deb" >"$work/apt" 2>&1 ||
    { cat "$work/apt"; return 1; }
  grep -q '^Inst korvane ' "$work/apt" || { cat "$work/apt"; return 1; }
}
check "apt-get install --simulate resolves the package's dependencies here" resolvable

# ---------------------------------------------------------------------------
# A fresh Debian 12

if [ "${KORVANE_DEB_TEST:-1}" = 0 ] || [ "$(id -u)" != 0 ]; then
  echo "# the install on a fresh Debian 12 left out: it needs root, and runs unless KORVANE_DEB_TEST=0"
  summary
  exit
fi

mirror=${KORVANE_DEB_MIRROR:-http://deb.debian.org/debian}
# Every mount of the fresh system is made in a private mount namespace, so it
# ends with its process however that ends, and nothing stays mounted here.
private_mounts() { unshare --mount --propagation private "$@"; }
fresh_system() {
  local try
  [ -f "$deb" ] || { echo "no package to install"; return 1; }
  for try in 1 2; do # once more when the mirror drops a download
    rm -rf "$root"
    private_mounts debootstrap --variant=minbase bookworm "$root" "$mirror" && break
    [ "$try" = 2 ] && return 1
  done
  # As the installer sets one up: the release, its updates and security fixes.
  cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb ${mirror%/debian}/debian-security bookworm-security main
EOF
}
started=$SECONDS
check "debootstrap makes a minimal Debian 12 ($mirror)" fresh_system
[ -x "$root/usr/bin/apt-get" ] || { summary; exit; }
echo "# debootstrap: $((SECONDS - started)) s, $(du -smx "$root" | cut -f1) MB"

# chrooted OPTIONS... -- COMMAND...: COMMAND in the fresh system, with its /proc.
chrooted() {
  local options=()
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  # shellcheck disable=SC2016  # expanded by the inner shell
  private_mounts sh -c 'root=$1; shift; mount -t proc proc "$root/proc" && exec chroot "$@"' \
    _ "$root" "${options[@]}" "$root" "$@"
}
in_root() { chrooted -- env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }
apt_install() {
  cp "$deb" "$root/tmp/"
  in_root apt-get update -q -o Acquire::Retries=3 || return 1
  # As a user would: with the recommended packages.
  in_root apt-get install -y -q -o Acquire::Retries=3 "/tmp/$(basename "$deb")" || return 1
  # shellcheck disable=SC2016  # dpkg-query's own field syntax
  in_root dpkg-query -W -f='${Status}\n' korvane | grep -qx 'install ok installed'
}
started=$SECONDS
check "apt-get install ./$(basename "$deb") on the fresh Debian 12 brings the dependencies" apt_install
echo "# apt-get install: $((SECONDS - started)) s, the system now $(du -smx "$root" | cut -f1) MB"
[ -x "$root/usr/bin/korvane" ] || { summary; exit; }

in_place() {
  [ "$(in_root sh -c 'command -v korvane')" = /usr/bin/korvane ] || { echo "no korvane on PATH"; return 1; }
  [ -f "$root/usr/share/applications/$app_id.desktop" ] || return 1
  [ -f "$root/usr/share/icons/hicolor/48x48/apps/$app_id.png" ] || return 1
  in_root fc-match -f '%{family}\n' 'IPAPGothic' | grep -q IPAPGothic ||
    { echo "no IPAPGothic: $(in_root fc-match IPAPGothic)"; return 1; }
  [ -f "$root/usr/share/qt6/translations/qtbase_ja.qm" ] || { echo "no Japanese Qt dialogs"; return 1; }
}
check "installed: the program on PATH, its entry and icon, the IPA fonts and Qt's Japanese translations" in_place

# The X server runs here; the program in the fresh system reaches it through
# the server's abstract socket, which a chroot does not hide.
for n in $(seq 611 680); do
  [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] && break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=:$n
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -m 700 "$root/tmp/home" "$root/tmp/xdg"
chown 65534:65534 "$root/tmp/home" "$root/tmp/xdg"
convert -size 64x48 xc:red "$root/tmp/home/red.jpg"

# launch ARGUMENT: runs the desktop entry's Exec line as a file manager would,
# %f replaced by ARGUMENT (or dropped, as a menu does), as nobody.
launch() {
  local exec
  exec=$(entry_value "$root/usr/share/applications/$app_id.desktop" Exec)
  exec=${exec//%f/$1}
  # shellcheck disable=SC2086  # the Exec line is split into words as the desktop does
  chrooted --userspec=65534:65534 -- env -i PATH=/usr/bin:/bin LANG=C.UTF-8 \
    HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/xdg DISPLAY="$DISPLAY" QT_DEBUG_PLUGINS=1 \
    $exec >"$work/korvane.log" 2>&1 &
  kpid=$!
}
# window TITLE: the visible window with exactly this title, within 15 s.
window() {
  local id
  for _ in $(seq 150); do
    for id in $(xdotool search --onlyvisible --name Korvane 2>/dev/null); do
      [ "$(xdotool getwindowname "$id")" = "$1" ] && { echo "$id"; return 0; }
    done
    kill -0 "$kpid" 2>/dev/null || { echo "the program ended"; tail -n 20 "$work/korvane.log"; return 1; }
    sleep 0.1
  done
  echo "no window [$1]"
  tail -n 20 "$work/korvane.log"
  return 1
}
# ended: the program ends within 5 s, with status 0.
ended() {
  local status
  for _ in $(seq 50); do
    if ! kill -0 "$kpid" 2>/dev/null; then
      wait "$kpid"
      status=$?
      kpid=
      [ "$status" = 0 ] || { echo "status $status"; tail -n 20 "$work/korvane.log"; }
      return "$status"
    fi
    sleep 0.1
  done
  echo "still running"
  return 1
}

from_menu() {
  local id
  launch ''
  id=$(window "　Korvane") || { echo "$id"; return 1; }
  # The icon that the window manager shows comes just after the launcher's
  # first frame.
  local shown=
  for _ in $(seq 50); do
    xprop -id "$id" _NET_WM_ICON | grep -q 'Icon ([0-9]* x [0-9]*)' && { shown=1; break; }
    sleep 0.1
  done
  [ -n "$shown" ] || { echo "the window has no icon"; return 1; }
  grep -q 'plugins/platforms/libqxcb.so" loaded library' "$work/korvane.log" || return 1
  kill "$kpid"
  wait "$kpid"
  kpid=
}
check "started from the menu (Exec without a file) the launcher window shows, with its icon" from_menu

with_picture() {
  local id X Y
  launch /tmp/home/red.jpg
  id=$(window "　Korvane　　red.jpg") || { echo "$id"; return 1; }
  # 終了 in the ファイル menu, with the pointer and a key, as a person would.
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 15)) $((Y + 10)) click 1
  sleep 0.5
  xdotool key x
  ended
}
check "opening a picture through Exec shows it in the editor; ファイル > 終了 closes the program" with_picture
summary
