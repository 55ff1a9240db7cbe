#!/usr/bin/env bash
# Builds the tool without tests for amd64 and arm64 Linux and for Windows,
# and writes their packages to OUT: primepack_VERSION_amd64.deb,
# primepack_VERSION_arm64.deb and primepack-VERSION-windows-x86_64.zip.
# Two runs on one commit give the same bytes (see CMakeLists.txt).
#
#   packaging/make_packages.sh OUT
set -euo pipefail
[ $# = 1 ] || { echo "usage: packaging/make_packages.sh OUT" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)

package() {  # NAME [CMAKE ARGUMENTS...]
  local build="$root/build/package-$1"
  shift
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@" > /dev/null
  cmake --build "$build" --parallel > /dev/null
  (cd "$build" && cpack > /dev/null)
  cp "$build"/primepack[_-]*.{deb,zip} "$out"/ 2> /dev/null || true
}
package amd64
package arm64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/linux-cross.cmake" -DPRIMEPACK_CROSS_PROCESSOR=aarch64
package windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
ls "$out"
