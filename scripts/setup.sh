#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds the game and its data set, then
#   setup.sh play [ARGS...]   starts the game on the default track
#   setup.sh test             runs the whole test suite, then again under
#                             AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config ccache git
  libsdl2-dev libode-dev libpng-dev zlib1g-dev nettle-dev
  libgl-dev libgl1-mesa-dri libglx-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  xdg-utils
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [CMAKE ARGS...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

mode=${1:-play}
[ $# -gt 0 ] && shift
install_missing

case "$mode" in
  play)
    build build
    exec build/game/kiwiridge --track rabbithill "$@"
    ;;
  test)
    export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
    build build
    ctest --test-dir build --output-on-failure -j "$(nproc)"
    echo "== Sanitizer build (ASan + UBSan) =="
    build build-asan -DKR_SANITIZE=ON -DKR_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
      ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: $0 play [ARGS...] | test" >&2
    exit 2
    ;;
esac
