#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the installed tool once.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
test -f "$prefix/share/man/man1/primepack.1"
cd "$prefix"
printf '2\n3\n5\n7\n11\n13\n' > primes.txt
printed=$(printf 'k primes.txt packed.txt' | "$prefix/bin/primepack")
expected=$'Komprimovat (k) nebo dekomprimovat (d)?: Zadejte nazev komprimovaneho souboru: Zadejte nazev vystupniho souboru: Komprimuji soubor primes.txt do souboru packed.txt\n\nDokonceno. Celkem: 6 prvocisel.'
[ "$printed" = "$expected" ] || { echo "printed: $printed"; exit 1; }
[ "$(cat packed.txt)" = $'2\n3\n5\n7\n11\n3' ] || { echo "packed: $(cat packed.txt)"; exit 1; }
echo "installed tool ran"
