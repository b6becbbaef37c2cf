#!/bin/sh
# Runs a program on an X server of its own (Xvfb) with Qt's X11 platform, then stops the
# server. Xvfb picks a free display itself (-displayfd), so several can start at once.
set -u
command -v Xvfb >/dev/null 2>&1 || { echo "on_xvfb.sh: Xvfb is not installed (package xvfb)" >&2; exit 1; }

work=$(mktemp -d) || exit 1
server=
stop() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$work/display" || exit 1
# -noreset: the server keeps its state between clients, so a program that runs helpers
# (xprop) never sees it start over when they disconnect.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
# The read ends with the number, or with nothing if the server died before choosing one.
read -r display <"$work/display" || display=
if [ -z "$display" ]; then
  echo "on_xvfb.sh: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

# Under the leak checker: Qt 6.8's desktop services, made by the X and Wayland platforms, are
# left allocated at exit. Qt's libraries have no frame pointers, so only full allocation stacks
# reach the frame the suppressions name.
case "${ASAN_OPTIONS:-}" in
*detect_leaks=1*) export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0" ;;
esac

DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$@"
