# Shared by the scripts: Debian packages, the cross build and the headless Wine run.
# Source it; it sets ROOT and BUILD_DIR (override BUILD_DIR to keep several builds apart).
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
. "$ROOT/scripts/wine-env.sh"

PACKAGES="g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xserver-xorg-core xserver-xorg-video-dummy
x11-xserver-utils x11-utils xdotool cmake ninja-build googletest imagemagick python3-yaml"

ensure_packages() {
  local missing=() p
  for p in $PACKAGES "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}" >/dev/null
}

build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" >/dev/null || return 1
  fi
  cmake --build "$BUILD_DIR" "$@"
}

# A booted Wine prefix kept in the build folder; every run works on a fresh copy of it.
ensure_wine_template() {
  TEMPLATE="$BUILD_DIR/wine-template"
  [ -f "$TEMPLATE/system.reg" ] && return 0
  rm -rf "$TEMPLATE"
  echo "Preparing a Wine prefix (once per build folder)..." >&2
  HEADLESS_BASE="$BUILD_DIR/headless" "$ROOT/scripts/headless" --make-template "$TEMPLATE"
}

# Runs a command on a private headless X server (two monitors) with a fresh copy of the template.
headless() {
  ensure_wine_template || return 1
  HEADLESS_BASE="$BUILD_DIR/headless" "$ROOT/scripts/headless" --template "$TEMPLATE" "$@"
}
