# Shared by the scripts: where things are, and installing what is missing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VANTOR_BUILD_DIR:-$ROOT/build}"

# Debian packages the project needs to build, test, and run its demo.
PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 qt6-translations-l10n
  xvfb xauth x11-utils
  clang-format-19
)

die() { echo "error: $*" >&2; exit 1; }

install_missing() {
  local missing=() p
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "missing packages (${missing[*]}) and no root rights to install them"
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq || die "apt-get update failed"
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    || die "could not install ${missing[*]}"
}

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
