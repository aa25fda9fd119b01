#!/usr/bin/env bash
# wine-prefix.sh create PREFIX | create-desktop PREFIX DISPLAY [DPI] | remove PREFIX
#
# The private wine prefix the Windows tests run in. "create" makes a fresh prefix that needs no
# display (the null graphics driver), has the fonts the program's face names resolve to, and leaves
# its wine server and services running, so that the tests start fast and nothing started inside a
# test lingers on the test runner's output. "create-desktop" makes the same prefix with wine's own
# graphics driver left in place, its services started on the X display DISPLAY (for programs that
# are to show their windows there), at DPI dots per inch when given (192 for a desktop at 200 %).
# "remove" stops that server and deletes the prefix.
set -euo pipefail

usage() {
  echo "usage: $0 create|remove PREFIX, or $0 create-desktop PREFIX DISPLAY [DPI]" >&2
  exit 2
}
[ $# -ge 2 ] || usage
action=$1
prefix=$2
display=
dpi=
if [ "$action" = create-desktop ]; then
  [ $# -eq 3 ] || [ $# -eq 4 ] || usage
  display=$3
  dpi=${4-}
  case $dpi in
    '' | [1-9] | [1-9][0-9] | [1-9][0-9][0-9]) ;;
    *)
      echo "$0: the dots per inch must be a whole number from 1 to 999, not '$dpi'" >&2
      exit 2
      ;;
  esac
else
  [ $# -eq 2 ] || usage
fi
case $prefix in
  /*) ;;
  *) prefix=$PWD/$prefix ;;
esac

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No .NET or browser engine: their installers would be offered on every fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Every wine program is started with no input and its output gone: wine's background services
# inherit them and would otherwise keep the caller's pipes open.
quiet() { "$@" </dev/null >/dev/null 2>&1; }

stop_server() {
  if [ -d "$prefix" ]; then
    quiet wineserver -k || true
    quiet wineserver -w || true
  fi
}

# The design's face names and the faces this machine has in their place (the registry key wine reads
# its face replacements from).
font_replacements() {
  local face
  for face in "新細明體" "細明體" "PMingLiU" "MingLiU"; do
    printf '%s\n' "$face=AR PL UMing TW"
  done
  for face in "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Arial"; do
    printf '%s\n' "$face=Liberation Sans"
  done
  # A face with the symbols the design's faces lack, as a Windows machine has one.
  printf '%s\n' "Tahoma=DejaVu Sans" "Verdana=DejaVu Sans" "Segoe UI Symbol=DejaVu Sans"
}

create() {
  stop_server
  rm -rf "$prefix"
  mkdir -p "$prefix"
  quiet wineboot -i
  # wine looks for its own fonts only inside the prefix. Its Tahoma is left out: it has no grey
  # levels at the design's sizes and no real bold, and a replacement only stands in for a face that
  # is not installed.
  mkdir -p "$prefix/drive_c/windows/Fonts"
  find /usr/share/wine/fonts -maxdepth 1 -type f ! -name 'tahoma*' -exec cp -t "$prefix/drive_c/windows/Fonts/" {} +
  local line name face
  while IFS= read -r line; do
    name=${line%%=*}
    face=${line#*=}
    # reg takes its arguments as UTF-8 under a UTF-8 locale (a .reg file would need UTF-16).
    LC_ALL=C.UTF-8 quiet wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d "$face" /f
  done < <(font_replacements)
  if [ -z "$display" ]; then
    quiet wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  fi
  # Where wine keeps the desktop's density (what Windows' display settings write).
  if [ -n "$dpi" ]; then
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  fi
  # The registry is written when the server ends; then the prefix is started again for the tests.
  stop_server
  if [ -n "$display" ]; then
    export DISPLAY=$display
  fi
  quiet wineserver -p
  quiet wine wineboot
}

case $action in
  create | create-desktop) create ;;
  remove)
    stop_server
    rm -rf "$prefix"
    ;;
  *) usage ;;
esac
