# Shared by the scripts: where things are, and installing what is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VANTOR_BUILD_DIR:-$ROOT/build}"

# Debian packages the project needs to build, test, and run its demo. The names are the same
# on Debian 12 and 13; where a tool follows the release's default compiler, so does its name
# (libclang-rt-dev, not libclang-rt-14-dev, which Debian 13 lacks). mount is no longer in
# a minimal Debian 13 root: the full-disk tests mount a small tmpfs.
PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 qt6-translations-l10n
  xvfb xauth x11-utils
  weston qt6-wayland
  clang-format-19
  mount
  python3
  gnumeric locales
)
# What scripts/package adds, and scripts/fuzz.
PACKAGING_PACKAGES=(dpkg-dev lintian appstream desktop-file-utils file)
FUZZ_PACKAGES=(clang libclang-rt-dev)

die() { echo "error: $*" >&2; exit 1; }

# Root's rights for a command: as root, nothing; otherwise sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    command -v sudo >/dev/null || die "no root rights for: $* (run as root, or install sudo)"
    sudo "$@"
  fi
}

# Installs those of the given packages that are missing. Another apt or dpkg (an update
# running in the background) holds a lock: wait for it rather than fail. The project's own
# scripts, which CI runs side by side, take turns on a lock of their own, and an update finding
# the package lists locked (dpkg's lock timeout does not cover them) tries again for ten minutes.
missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
install_packages() {
  local missing
  mapfile -t missing < <(missing_of "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  local lock="${TMPDIR:-/tmp}/vantorlcd-apt.lock" fd
  (umask 000 && : >>"$lock") 2>/dev/null || true
  exec {fd}<"$lock"
  flock "$fd"
  # Another of the project's scripts may have installed them meanwhile.
  mapfile -t missing < <(missing_of "$@")
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local apt=(apt-get -o DPkg::Lock::Timeout=600) tries=0 err
    until err="$(as_root "${apt[@]}" update -qq 2>&1)"; do
      [[ $err == *"Could not get lock"* ]] && [ $((++tries)) -lt 120 ] || { echo "$err" >&2; die "apt-get update failed"; }
      sleep 5
    done
    as_root env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" \
      || die "could not install ${missing[*]}"
  fi
  exec {fd}<&-
}

# The project's packages and the given ones.
install_missing() { install_packages "${PACKAGES[@]}" "$@"; }

configure_and_build() {
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" \
    || die "cmake configure failed"
  cmake --build "$BUILD" -j"$(nproc)" || die "build failed"
}

# The project's own C++ files keep the formatting of .clang-format, as clang-format 19 reads it
# (versions format differently; Debian 12 and 13 both package clang-format-19); a difference fails.
check_format() {
  local files=()
  if git -C "$ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git -C "$ROOT" ls-files -- '*.cpp' '*.h')
  else
    mapfile -t files < <(cd "$ROOT" && find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
  fi
  [ ${#files[@]} -gt 0 ] || return 0
  (cd "$ROOT" && clang-format-19 --dry-run -Werror "${files[@]}") \
    || die "C++ formatting differs from .clang-format (clang-format-19 -i on the files above)"
}

# Prints, each followed by a NUL, the mount points at or below the folder $1, deepest first.
# The kernel writes a space, tab, newline or backslash in a path as \040, \011, \012, \134, so
# the fields of /proc/self/mountinfo split on spaces; the path is then read back as it is.
mounts_under() {
  local target="$1" line m
  local fields=() found=()
  while IFS= read -r line; do
    read -r -a fields <<<"$line"
    m="${fields[4]}"
    m="${m//\\040/ }"
    m="${m//\\011/$'\t'}"
    m="${m//\\012/$'\n'}"
    m="${m//\\134/\\}"
    [ "$m" = "$target" ] || [[ "$m" == "$target"/* ]] && found+=("$m")
  done </proc/self/mountinfo
  [ ${#found[@]} -eq 0 ] || printf '%s\0' "${found[@]}" | sort -rz
}

# Removes a root made by make_root. Anything still mounted inside (a run that was killed) is
# unmounted first, and rm never crosses into another file system: a bind-mounted /dev or /proc
# is the machine's own.
remove_root() {
  local target="$1" m mounts=()
  [ -e "$target" ] || return 0
  target="$(realpath "$target")"
  mapfile -d '' mounts < <(mounts_under "$target")
  for m in "${mounts[@]}"; do
    as_root umount -R "$m" 2>/dev/null || as_root umount -R -l "$m" || true
  done
  mapfile -d '' mounts < <(mounts_under "$target")
  [ ${#mounts[@]} -eq 0 ] || die "$target still has file systems mounted inside: not removing it"
  as_root rm -rf --one-file-system "$target" || die "cannot remove $target"
}

# Makes a root of Debian RELEASE in TARGET (which must not exist yet) with the given packages,
# from Debian's archive.
make_root() {
  local release="$1" target="$2"
  shift 2
  install_packages mmdebstrap
  remove_root "$target.new"
  mkdir -p "$(dirname "$target")"
  echo "Making a $release root in $target..." >&2
  local includes
  includes="$(IFS=,; echo "$*")"
  as_root mmdebstrap --quiet --variant=apt ${includes:+--include="$includes"} "$release" "$target.new" >&2 \
    || die "mmdebstrap could not make the $release root"
  as_root mv "$target.new" "$target"
}

# Runs COMMAND in the folder DIR of the root TARGET as its root user, in a clean environment,
# with a /proc, a read-only /sys and a /dev of the root's own (the usual devices, and
# pseudo-terminals from a devpts instance of its own): nothing of the machine's /dev is reachable
# from the root, so removing a root whose command was killed cannot reach it either. The mounts
# go away when the command ends, fails or is interrupted.
run_in_root() {
  [ "$(id -u)" -eq 0 ] || die "run_in_root needs root (chroot, mount)"
  local target="$1" dir="$2"
  shift 2
  (
    mounted=()
    unmount() {
      local m
      for m in "${mounted[@]}"; do
        umount -R "$m" 2>/dev/null || umount -R -l "$m" || echo "warning: $m is still mounted" >&2
      done
    }
    trap unmount EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
    mountIn() { # TYPE OPTIONS PATH
      mkdir -p "$target/$3"
      mount -t "$1" -o "$2" "$1" "$target/$3" || die "cannot mount $1 on $target/$3"
      mounted=("$target/$3" "${mounted[@]}")
    }
    # The root on itself first: its / is then a mount point, as on a machine, so that a test
    # can make its own mount namespace private (the full-disk tests); and nothing mounted below
    # propagates to the machine.
    mount --bind "$target" "$target" || die "cannot bind $target on itself"
    mounted=("$target")
    mount --make-private "$target"
    mountIn proc nosuid,nodev,noexec proc
    mountIn sysfs ro,nosuid,nodev,noexec sys
    mountIn tmpfs nosuid,mode=755 dev
    local node
    for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
      IFS=: read -r name major minor <<<"$node"
      mknod -m 666 "$target/dev/$name" c "$major" "$minor"
    done
    ln -s /proc/self/fd "$target/dev/fd"
    ln -s /proc/self/fd/0 "$target/dev/stdin"
    ln -s /proc/self/fd/1 "$target/dev/stdout"
    ln -s /proc/self/fd/2 "$target/dev/stderr"
    ln -s pts/ptmx "$target/dev/ptmx"
    mkdir -p "$target/dev/pts" "$target/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts "$target/dev/pts" \
      || die "cannot mount devpts in $target"
    mount -t tmpfs -o nosuid,nodev,mode=1777 tmpfs "$target/dev/shm" || die "cannot mount /dev/shm in $target"
    cp -L /etc/resolv.conf "$target/etc/resolv.conf" 2>/dev/null || true
    chroot "$target" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      /bin/bash -c 'cd "$1" && shift && exec "$@"' bash "$dir" "$@"
  )
}

# "X Y W H" of the window titled NAME on the X display :DISPLAY, or nothing while it has none.
window_geometry() {
  DISPLAY=":$1" xwininfo -name "$2" 2>/dev/null \
    | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
           END { if (w) print x, y, w, h }'
}

# How many pixels of the colour #rrggbb the rectangle X Y W H of an Xvfb screen holds, read from
# the screen's file (Xvfb -fbdir: an XWD image of 32-bit pixels).
colour_pixels() {
  python3 - "$@" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
x, y, w, h = map(int, sys.argv[2:6])
r, g, b = bytes.fromhex(sys.argv[6].lstrip("#"))
f = struct.unpack(">25I", data[:100])
header, bpp, stride, ncolors = f[0], f[11], f[12], f[19]
assert bpp == 32, bpp
start = header + 12 * ncolors
want = bytes((b, g, r))  # 32-bit pixels, least significant byte first: blue, green, red, pad
count = 0
for row in range(max(y, 0), y + h):
    line = data[start + row * stride + 4 * max(x, 0): start + row * stride + 4 * (x + w)]
    count += sum(1 for i in range(0, len(line), 4) if line[i:i + 3] == want)
print(count)
PY
}
