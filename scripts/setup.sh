#!/usr/bin/env bash
# Installs what the project needs from Debian, builds it with CMake, then runs the window
# ("run") or the test suite ("test"), or only builds ("build").
#
#   bash scripts/setup.sh run     build, then open the window (demo database when no ini)
#   bash scripts/setup.sh test    build, then run every test with CTest
#   bash scripts/setup.sh build   install and build only
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${BUILD_DIR:-$here/build}"
action="${1:-build}"

packages=(
  build-essential cmake ninja-build ccache pkg-config locales
  qt6-base-dev qt6-base-dev-tools libqt6sql6-ibase libgl-dev
  firebird3.0-server-core firebird3.0-utils libfbclient2 firebird3.0-server firebird-dev
  liborcus-dev libfreexl-dev libxlsxwriter-dev libspreadsheet-writeexcel-perl zlib1g-dev
  python3-openpyxl xvfb xauth
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  # The server package is only used by the tests, which start their own instance on loopback;
  # its own service is neither wanted nor started here.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests pin pt_BR and en_US locales; make sure both exist.
need_locales=()
locale -a 2>/dev/null | grep -qi '^pt_BR\.utf8$' || need_locales+=("pt_BR.UTF-8 UTF-8")
locale -a 2>/dev/null | grep -qi '^en_US\.utf8$' || need_locales+=("en_US.UTF-8 UTF-8")
if [ "${#need_locales[@]}" -gt 0 ]; then
  for l in "${need_locales[@]}"; do
    grep -qx "$l" /etc/locale.gen 2>/dev/null || echo "$l" | as_root tee -a /etc/locale.gen >/dev/null
  done
  as_root locale-gen >/dev/null
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
warn_as_error=OFF
[ "${CI:-}" = "true" ] && warn_as_error=ON

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
  -DCONVERSOR_WARNINGS_AS_ERRORS="$warn_as_error" "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

case "$action" in
  build) ;;
  run)
    shift || true
    exec "$here/scripts/run-demo.sh" "$build" "$@"
    ;;
  test)
    cd "$build"
    ctest --output-on-failure -j "$(nproc)" --timeout 600
    ;;
  *)
    echo "usage: $0 run|test|build" >&2
    exit 2
    ;;
esac
