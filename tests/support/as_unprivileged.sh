#!/bin/sh
# Runs a test program as an ordinary user when started by root, so that permission bits
# really stop writes; as any other user it just runs it. The program is run from a copy in a
# fresh folder under /tmp: the checkout may lie in a folder only root can enter.
if [ "$(id -u)" -ne 0 ]; then exec "$@"; fi
skip() { echo "[  SKIPPED ] $*"; exit 0; }
command -v setpriv >/dev/null 2>&1 || skip "setpriv is missing: cannot run the cases as an ordinary user"
program="$1"
shift
place="$(TMPDIR=/tmp mktemp -d)" || skip "no folder for the copy under /tmp"
trap 'rm -rf "$place"' EXIT
chmod 0755 "$place" && cp "$program" "$place/" || skip "cannot copy $program to $place"
copy="$place/$(basename "$program")"
chmod 0755 "$copy"
as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp TMPDIR=/tmp XDG_RUNTIME_DIR= "$@"; }
as_user test -x "$copy" || skip "an ordinary user cannot reach $copy"
cd "$place" && as_user "$copy" "$@"
