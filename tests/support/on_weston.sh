#!/bin/sh
# Runs a program as a client of a Wayland compositor of its own (a headless Weston) with Qt's
# Wayland platform, then stops the compositor. Without Weston the program runs offscreen and
# is told why (VANTOR_NO_WAYLAND), so that its tests skip saying so.
set -u

work=$(mktemp -d) || exit 1
server=
stop() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

if ! command -v weston >/dev/null 2>&1; then
  VANTOR_NO_WAYLAND="Weston is not installed (package weston)" QT_QPA_PLATFORM=offscreen "$@"
  exit
fi

# Weston 10 (Debian 12) names its back-ends by module file, later ones by name.
backend=headless
weston --help 2>&1 | grep -q 'headless-backend\.so' && backend=headless-backend.so

# A runtime folder of our own: the socket lives there, and nothing else sees it.
chmod 0700 "$work"
socket=vantor-test
XDG_RUNTIME_DIR="$work" weston --backend="$backend" --socket="$socket" --idle-time=0 \
  --width=1280 --height=1024 >"$work/weston.log" 2>&1 &
server=$!
waited=0
while [ ! -S "$work/$socket" ]; do
  if ! kill -0 "$server" 2>/dev/null || [ "$waited" -ge 100 ]; then
    echo "on_weston.sh: Weston did not start:" >&2
    cat "$work/weston.log" >&2
    exit 1
  fi
  sleep 0.1
  waited=$((waited + 1))
done

# Under the leak checker: Qt 6.8's desktop services, made by the X and Wayland platforms, are
# left allocated at exit. Qt's libraries have no frame pointers, so only full allocation stacks
# reach the frame the suppressions name.
case "${ASAN_OPTIONS:-}" in
*detect_leaks=1*) export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0" ;;
esac

# The X platform only as a fallback the test notices: the Wayland plugin may be missing.
env -u DISPLAY XDG_RUNTIME_DIR="$work" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM="wayland;offscreen" "$@"
