# Shared by scripts/run and scripts/test: install missing Debian packages, configure, build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QVOR_BUILD_DIR:-$ROOT/build}"

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
          libsqlite3-dev sqlite3 libexpat1-dev libcurl4-openssl-dev libmicrohttpd-dev libxlsxwriter-dev zlib1g-dev
          xdg-utils libgl-dev openssl xvfb openbox)

# install_missing [PACKAGE...]: the given packages, or PACKAGES.
install_missing() {
  local wanted=("$@")
  [ ${#wanted[@]} -eq 0 ] && wanted=("${PACKAGES[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# configure_and_build [CMAKE_OPTION...]: configures $BUILD (again when options are given), builds.
configure_and_build() {
  local gen=()
  command -v ninja >/dev/null 2>&1 && gen=(-G Ninja)
  if [ ! -f "$BUILD/CMakeCache.txt" ] || [ $# -gt 0 ]; then
    local type=()
    [ -f "$BUILD/CMakeCache.txt" ] || type=(-DCMAKE_BUILD_TYPE="${QVOR_BUILD_TYPE:-RelWithDebInfo}")
    cmake -S "$ROOT" -B "$BUILD" "${gen[@]}" "${type[@]}" "$@" || return 1
  fi
  cmake --build "$BUILD" --parallel "$(nproc)"
}
