#!/usr/bin/env bash
# on-own-display.sh PROGRAM [ARG...]: runs PROGRAM on an X server of its own (Xvfb picks a free
# display number) under the openbox window manager, and stops both afterwards. Exit 77 (skipped)
# when Xvfb or openbox is not installed.
set -u
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
  echo "skipped: Xvfb and openbox are needed (Debian: xvfb openbox)"
  exit 77
fi
tmp="$(mktemp -d)"
xvfb="" wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb writes its display number to the pipe once it accepts clients; openbox runs its start-up
# command once it manages windows. Both are waited for, not slept for.
mkfifo "$tmp/display" "$tmp/wm"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
number=""
read -r -t 30 number <"$tmp/display"
if [ -z "$number" ]; then
  echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; exit 1
fi
export DISPLAY=":$number"
# Openbox keeps its files in the temporary folder, whoever runs it (root in CI).
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_CACHE_HOME="$tmp/home/.cache"
mkdir -p "$HOME"
openbox --sm-disable --startup "sh -c 'echo ready >\"$tmp/wm\"'" >"$tmp/openbox.log" 2>&1 &
wm=$!
ready=""
read -r -t 30 ready <"$tmp/wm"
if [ "$ready" != ready ]; then
  echo "openbox did not start:"; cat "$tmp/openbox.log"; exit 1
fi

QT_QPA_PLATFORM=xcb "$@"
